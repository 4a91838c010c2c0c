// The application object of Kelvane.exe: computes the paths, opens the settings key, runs the main window
// modally and ends the process with exit code 0, or 1 when the main window could not be made.
#pragma once

#include <windows.h>

namespace kv {

// Ends the process: 0 after the window's orderly end, 1 when the window could not be made (said on standard
// error and in the system's event log).
int RunKelvaneApplication();

}  // namespace kv
