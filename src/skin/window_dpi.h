// Display density of a window. The program is per-monitor aware: every skinned window scales its
// 96-pixels-per-inch skin by its own density and follows it when moved to another monitor.
#pragma once

#include <windows.h>

namespace kv::skin {

// The window's pixels per inch (96 at 100 %, 144 at 150 %, 192 at 200 %); 96 where the system cannot say.
int WindowDpi(HWND window);

// Stops the dialog manager from resizing a skinned dialog and its controls on a density change:
// the skin framework places them itself from the layout file.
void DisableDialogAutoScaling(HWND dialog);

}  // namespace kv::skin
