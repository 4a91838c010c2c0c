// Entry point of Kelvane.exe.
#include <windows.h>

#include "app/kelvane_app_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return kv::RunKelvaneApplication(); }
