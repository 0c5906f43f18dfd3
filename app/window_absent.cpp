#include <cstdio>

#include "app/window_entry.h"

namespace app {

int RunWindow(int, char**) {
    std::fprintf(stderr, "qx5520: this build has no window; use -asens, -setparam or -asensangle\n");
    return 1;
}

}  // namespace app
