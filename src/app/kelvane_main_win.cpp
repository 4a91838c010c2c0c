// Entry point of Kelvane.exe. The same file makes the test build of the program (KV_TEST_USER_FOLDER), which
// the end-to-end tests start: it takes its user folder from the test harness. What ships is built without it.
#include <windows.h>

#include "app/kelvane_app_win.h"
#include "app/library_search.h"
#ifdef KV_TEST_USER_FOLDER
#include "app/environment_win.h"
#endif

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    kv::RestrictLibrarySearch();
#ifdef KV_TEST_USER_FOLDER
    wchar_t folder[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableW(L"KELVANE_TEST_LOCAL_APPDATA", folder, MAX_PATH);
    if (n > 0 && n < MAX_PATH) kv::UseLocalAppDataFolder(folder);
#endif
    return kv::RunKelvaneApplication();
}
