#include "app/window_entry.h"

int main(int argc, char** argv) { return app::RunWindow(argc, argv); }
