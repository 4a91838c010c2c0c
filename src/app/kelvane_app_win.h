// The application object of Kelvane.exe: computes the paths, opens the settings key, runs the main window
// modally and ends the process with exit code 0.
#pragma once

#include <windows.h>

namespace kv {

// Returns the process's exit code (always 0).
int RunKelvaneApplication();

}  // namespace kv
