// Entry point of Kelvane.exe. The same file makes the test build of the program (KV_TEST_USER_FOLDER), which
// the end-to-end tests start: it takes its user folder from the test harness. What ships is built without it.
#include <windows.h>

#include "app/kelvane_app_win.h"
#include "app/library_search.h"
#ifdef KV_TEST_USER_FOLDER
#include "app/environment_win.h"
#endif

#ifdef KV_TEST_USER_FOLDER
namespace {

// A test shows that something did NOT happen by posting "KelvaneTestSettle" (lParam: a number of its own)
// behind what it posted before, and waiting until the window's thread takes it from its queue: the number
// is then in the window's property "KelvaneTestSettled", which the test reads from outside.
UINT g_settleMessage = 0;

LRESULT CALLBACK SettleHook(int code, WPARAM removed, LPARAM message) {
    const MSG* m = reinterpret_cast<const MSG*>(message);
    if (code == HC_ACTION && removed == PM_REMOVE && m->message == g_settleMessage && m->hwnd != nullptr)
        SetPropW(m->hwnd, L"KelvaneTestSettled", reinterpret_cast<HANDLE>(m->lParam));
    return CallNextHookEx(nullptr, code, removed, message);
}

}  // namespace
#endif

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    kv::RestrictLibrarySearch();
#ifdef KV_TEST_USER_FOLDER
    wchar_t folder[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableW(L"KELVANE_TEST_LOCAL_APPDATA", folder, MAX_PATH);
    if (n > 0 && n < MAX_PATH) kv::UseLocalAppDataFolder(folder);
    g_settleMessage = RegisterWindowMessageW(L"KelvaneTestSettle");
    SetWindowsHookExW(WH_GETMESSAGE, SettleHook, nullptr, GetCurrentThreadId());
#endif
    return kv::RunKelvaneApplication();
}
