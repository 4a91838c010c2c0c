// Tirvane.exe, the companion daemon: starts hidden and stays as long as the program's instance mutex exists.
#include <windows.h>

#include "app/library_search.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    kv::RestrictLibrarySearch();
    // The program holds the named mutex "RX40L26C" for its whole life; poll for it cheaply.
    for (;;) {
        HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"RX40L26C");
        if (mutex == nullptr) return 0;
        CloseHandle(mutex);
        Sleep(2000);
    }
}
