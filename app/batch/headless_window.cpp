#include "app/batch/headless_window.h"

namespace app {

void HeadlessWindowState::SetConnectChecked(bool checked) {
    if (checked == connect) return;
    connect = checked;
    if (onConnectClick) onConnectClick(checked);
}

}  // namespace app
