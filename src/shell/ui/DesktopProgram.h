#pragma once

namespace dovrex::ui {

// The desktop program: options, first use, the splash window, the login and the main
// window, then the event loop until the main window closes. Returns the exit code.
int RunDesktop(int argc, char** argv);

} // namespace dovrex::ui
