#include "skin/window_dpi.h"

namespace kv::skin {
namespace {

template <typename F>
F UserProc(const char* name) {
    HMODULE user = GetModuleHandleW(L"user32.dll");
    return user ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user, name))) : nullptr;
}

}  // namespace

int WindowDpi(HWND window) {
    // Looked up by name: older systems have only the system-wide density.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const GetDpiForWindowFn getDpiForWindow = UserProc<GetDpiForWindowFn>("GetDpiForWindow");
    UINT dpi = 0;
    if (getDpiForWindow && window) dpi = getDpiForWindow(window);
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
    }
    return dpi >= 48 ? static_cast<int>(dpi) : 96;
}

void DisableDialogAutoScaling(HWND dialog) {
    // DDC_DISABLE_ALL; DCDC_DISABLE_FONTUPDATE | DCDC_DISABLE_RELAYOUT for the controls.
    using SetDialogDpiChangeBehaviorFn = BOOL(WINAPI*)(HWND, int, int);
    using SetDialogControlDpiChangeBehaviorFn = BOOL(WINAPI*)(HWND, int, int);
    static const auto dialogBehavior = UserProc<SetDialogDpiChangeBehaviorFn>("SetDialogDpiChangeBehavior");
    static const auto controlBehavior =
        UserProc<SetDialogControlDpiChangeBehaviorFn>("SetDialogControlDpiChangeBehavior");
    constexpr int kDdcDisableAll = 0x0001;
    constexpr int kDcdcDisableAll = 0x0001 | 0x0002;
    if (dialogBehavior) dialogBehavior(dialog, kDdcDisableAll, kDdcDisableAll);
    if (controlBehavior) {
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            controlBehavior(child, kDcdcDisableAll, kDcdcDisableAll);
    }
}

}  // namespace kv::skin
