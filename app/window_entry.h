// The seam between the Qt-free program entry and the window. The batch mode runs without
// it; an interactive start hands over to RunWindow, which ui/ implements (or, in a build
// without the window, a stand-in that says so).
#pragma once

namespace app {

/// Starts the window system, shows the main window and runs its event loop.
/// Returns the process exit code.
int RunWindow(int argc, char** argv);

}  // namespace app
