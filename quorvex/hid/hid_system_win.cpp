// Threads: the configuration manager and the power manager call back on threads of their own; where the
// configuration manager offers no interface notifications, a thread of the library's own runs a hidden
// window that gets them as WM_DEVICECHANGE (started and stopped by WatchSystem and UnwatchSystem); gWatchMu is
// held shared around every call of the sink and exclusively while the sink changes, so UnwatchSystem waits
// for a call under way. A handle's registration is ended on the thread pool: the configuration manager's
// unregistration waits for that registration's callbacks, and it may be asked for inside one of them (the
// backend closes handles while it is told of a query-remove). The log's file is opened and closed per line,
// under gLogMu, so several programs append to it in turn.
#include "hid/hid_system_win.h"

#include <cfgmgr32.h>
#include <dbt.h>
#include <sddl.h>
// The HID class driver's header declares plain C functions without saying so in some toolchains.
extern "C" {
#include <hidsdi.h>
}

#include <atomic>
#include <cstdio>
#include <cwctype>
#include <future>
#include <mutex>
#include <shared_mutex>
#include <thread>

namespace qvx::hid::win {
namespace {

// Resolved at run time: older systems (and some compatibility layers) lack them, and the SDK headers of
// some toolchains do not declare them.
using RegisterNotificationFn = CONFIGRET(WINAPI*)(PCM_NOTIFY_FILTER, PVOID, PCM_NOTIFY_CALLBACK, PHCMNOTIFICATION);
using UnregisterNotificationFn = CONFIGRET(WINAPI*)(HCMNOTIFICATION);
using PowerCallback = ULONG(CALLBACK*)(PVOID context, ULONG type, PVOID setting);
struct PowerSubscribeParameters {  // DEVICE_NOTIFY_SUBSCRIBE_PARAMETERS
    PowerCallback callback;
    PVOID context;
};
using PowerRegisterFn = DWORD(WINAPI*)(DWORD flags, HANDLE recipient, PHPOWERNOTIFY handle);
using PowerUnregisterFn = DWORD(WINAPI*)(HPOWERNOTIFY handle);
constexpr DWORD kDeviceNotifyCallback = 2;  // DEVICE_NOTIFY_CALLBACK

struct SystemCalls {
    RegisterNotificationFn registerNotification = nullptr;
    UnregisterNotificationFn unregisterNotification = nullptr;
    PowerRegisterFn powerRegister = nullptr;
    PowerUnregisterFn powerUnregister = nullptr;
};

template <typename Fn>
Fn Resolve(const wchar_t* dll, const char* name) {
    HMODULE module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const SystemCalls& Calls() {
    static const SystemCalls calls = [] {
        SystemCalls c;
        c.registerNotification = Resolve<RegisterNotificationFn>(L"cfgmgr32.dll", "CM_Register_Notification");
        c.unregisterNotification = Resolve<UnregisterNotificationFn>(L"cfgmgr32.dll", "CM_Unregister_Notification");
        c.powerRegister = Resolve<PowerRegisterFn>(L"powrprof.dll", "PowerRegisterSuspendResumeNotification");
        c.powerUnregister = Resolve<PowerUnregisterFn>(L"powrprof.dll", "PowerUnregisterSuspendResumeNotification");
        return c;
    }();
    return calls;
}

std::shared_mutex gWatchMu;
HidEventSink gSink = nullptr;
void* gSinkContext = nullptr;
HCMNOTIFICATION gInterfaces = nullptr;
HPOWERNOTIFY gPower = nullptr;
PowerSubscribeParameters gPowerParameters{};  // must outlive the registration

void Tell(HidEvent event, const std::string& id) {
    std::shared_lock<std::shared_mutex> lock(gWatchMu);
    if (gSink != nullptr) gSink(gSinkContext, event, id);
}

DWORD CALLBACK OnInterface(HCMNOTIFICATION, PVOID, CM_NOTIFY_ACTION action, PCM_NOTIFY_EVENT_DATA data, DWORD) {
    if (data == nullptr || data->FilterType != CM_NOTIFY_FILTER_TYPE_DEVICEINTERFACE) return ERROR_SUCCESS;
    const std::string id = CanonicalId(data->u.DeviceInterface.SymbolicLink);
    if (action == CM_NOTIFY_ACTION_DEVICEINTERFACEARRIVAL) Tell(HidEvent::Arrival, id);
    else if (action == CM_NOTIFY_ACTION_DEVICEINTERFACEREMOVAL) Tell(HidEvent::Removal, id);
    return ERROR_SUCCESS;
}

// The window's news of HID interfaces arriving and going (Wine has RegisterDeviceNotification but no
// CM_Register_Notification); its thread ends with WM_QUIT.
std::thread gWindowThread;
DWORD gWindowThreadId = 0;  // set by the thread before StartWatchWindow returns

LRESULT CALLBACK WatchWindowProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_DEVICECHANGE && (wp == DBT_DEVICEARRIVAL || wp == DBT_DEVICEREMOVECOMPLETE)) {
        const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lp);
        if (header != nullptr && header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
            const auto* iface = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(lp);
            Tell(wp == DBT_DEVICEARRIVAL ? HidEvent::Arrival : HidEvent::Removal, CanonicalId(iface->dbcc_name));
        }
        return TRUE;
    }
    return DefWindowProcW(hwnd, message, wp, lp);
}

void RunWatchWindow(std::promise<bool>& ready) {
    HINSTANCE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&WatchWindowProc), &module);
    WNDCLASSW wc{};
    wc.lpfnWndProc = &WatchWindowProc;
    wc.hInstance = module;
    wc.lpszClassName = L"QuorvexDeviceWatch";
    RegisterClassW(&wc);  // fails harmlessly when a previous watch registered it
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, nullptr);
    HDEVNOTIFY notify = nullptr;
    if (hwnd != nullptr) {
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        HidD_GetHidGuid(&filter.dbcc_classguid);
        notify = RegisterDeviceNotificationW(hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
    gWindowThreadId = GetCurrentThreadId();  // its queue exists now (the window made it)
    ready.set_value(notify != nullptr);
    if (notify != nullptr) {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        UnregisterDeviceNotification(notify);
    }
    if (hwnd != nullptr) DestroyWindow(hwnd);
}

bool StartWatchWindow() {
    std::promise<bool> ready;
    std::future<bool> started = ready.get_future();
    gWindowThread = std::thread([&ready] { RunWatchWindow(ready); });
    if (started.get()) return true;
    gWindowThread.join();
    return false;
}

void StopWatchWindow() {
    if (!gWindowThread.joinable()) return;
    PostThreadMessageW(gWindowThreadId, WM_QUIT, 0, 0);
    gWindowThread.join();
}

ULONG CALLBACK OnPower(PVOID, ULONG type, PVOID) {
    // Resume from sleep or hibernation always sends the automatic resume, with or without a user present.
    if (type == PBT_APMSUSPEND) Tell(HidEvent::Suspend, {});
    else if (type == PBT_APMRESUMEAUTOMATIC) Tell(HidEvent::Resume, {});
    return ERROR_SUCCESS;
}

struct HandleWatch {
    std::string id;
    HCMNOTIFICATION registration = nullptr;
    std::atomic<bool> ended{false};
};

DWORD CALLBACK OnHandle(HCMNOTIFICATION, PVOID context, CM_NOTIFY_ACTION action, PCM_NOTIFY_EVENT_DATA, DWORD) {
    auto* watch = static_cast<HandleWatch*>(context);
    if (watch->ended) return ERROR_SUCCESS;
    if (action == CM_NOTIFY_ACTION_DEVICEQUERYREMOVE) Tell(HidEvent::QueryRemove, watch->id);
    else if (action == CM_NOTIFY_ACTION_DEVICEQUERYREMOVEFAILED) Tell(HidEvent::QueryRemoveFailed, watch->id);
    return ERROR_SUCCESS;  // never a veto: our handles are closed by now
}

void CALLBACK EndHandleWatch(PTP_CALLBACK_INSTANCE, PVOID context) {
    auto* watch = static_cast<HandleWatch*>(context);
    if (watch->registration != nullptr && Calls().unregisterNotification != nullptr)
        (void)Calls().unregisterNotification(watch->registration);
    delete watch;
}

// The log.
std::atomic<int> gLogLevel{0};
std::mutex gLogMu;

std::string Narrow(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

// %LOCALAPPDATA%\Halvorn, made when missing; empty when the variable is not set.
std::wstring LogFolder() {
    wchar_t base[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    std::wstring folder = std::wstring(base) + L"\\Halvorn";
    (void)CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

constexpr LONGLONG kLogFileLimit = 1024 * 1024;

void AppendToFile(const std::string& text) {
    static const std::wstring folder = LogFolder();
    if (folder.empty()) return;
    const std::wstring path = folder + L"\\Quorvex.log";
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info)) {
        const LONGLONG size = (static_cast<LONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        if (size > kLogFileLimit)
            (void)MoveFileExW(path.c_str(), (path + L".old").c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    (void)WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// The exchange lock.
std::mutex gLockMu;  // guards gExchange's creation
HANDLE gExchange = nullptr;

HANDLE ExchangeMutex() {
    std::lock_guard<std::mutex> lock(gLockMu);
    if (gExchange != nullptr) return gExchange;
    // Every signed-in user may wait for it and release it; the medium label lets a program without
    // administrator rights use one made by the elevated program.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof attributes;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:(A;;0x00100001;;;AU)(A;;GA;;;SY)(A;;GA;;;BA)S:(ML;;NW;;;ME)", SDDL_REVISION_1, &descriptor, nullptr))
        attributes.lpSecurityDescriptor = descriptor;
    gExchange = CreateMutexExW(&attributes, L"Local\\Quorvex-Keyboard-0C45-7A31-Exchange", 0,
                               SYNCHRONIZE | MUTEX_MODIFY_STATE);
    const DWORD error = GetLastError();
    if (descriptor != nullptr) LocalFree(descriptor);
    if (gExchange == nullptr) LogSystemError("the exchange lock cannot be made; other programs are not told apart", error);
    return gExchange;
}

}  // namespace

bool WatchSystem(HidEventSink sink, void* sinkContext) {
    const SystemCalls& calls = Calls();
    {
        std::unique_lock<std::shared_mutex> lock(gWatchMu);
        gSink = sink;
        gSinkContext = sinkContext;
    }
    bool watching = false;
    if (calls.registerNotification != nullptr) {
        CM_NOTIFY_FILTER filter{};
        filter.cbSize = sizeof filter;
        filter.FilterType = CM_NOTIFY_FILTER_TYPE_DEVICEINTERFACE;
        HidD_GetHidGuid(&filter.u.DeviceInterface.ClassGuid);
        const CONFIGRET result = calls.registerNotification(&filter, nullptr, &OnInterface, &gInterfaces);
        watching = result == CR_SUCCESS;
        if (!watching) {
            gInterfaces = nullptr;
            LogSystemError("device interface notifications refused", result);
        }
    } else if (StartWatchWindow()) {
        LogLine("device interface notifications through a window (the configuration manager offers none)");
        watching = true;
    } else {
        LogLine("this system offers no device interface notifications");
    }
    if (calls.powerRegister != nullptr) {
        gPowerParameters.callback = &OnPower;
        gPowerParameters.context = nullptr;
        const DWORD result = calls.powerRegister(kDeviceNotifyCallback, &gPowerParameters, &gPower);
        if (result != ERROR_SUCCESS) {
            gPower = nullptr;
            LogSystemError("suspend and resume notifications refused", result);
        }
    } else {
        LogLine("this system offers no suspend and resume notifications");
    }
    // Without the interface notifications nothing tells of a keyboard coming: the backend polls.
    if (!watching) UnwatchSystem();
    return watching;
}

void UnwatchSystem() {
    const SystemCalls& calls = Calls();
    if (gInterfaces != nullptr && calls.unregisterNotification != nullptr) (void)calls.unregisterNotification(gInterfaces);
    gInterfaces = nullptr;
    if (gPower != nullptr && calls.powerUnregister != nullptr) (void)calls.powerUnregister(gPower);
    gPower = nullptr;
    StopWatchWindow();
    std::unique_lock<std::shared_mutex> lock(gWatchMu);  // waits for a sink call under way
    gSink = nullptr;
    gSinkContext = nullptr;
}

void* WatchHandle(HANDLE file, const std::string& id) {
    if (Calls().registerNotification == nullptr) return nullptr;
    auto* watch = new HandleWatch;
    watch->id = id;
    CM_NOTIFY_FILTER filter{};
    filter.cbSize = sizeof filter;
    filter.FilterType = CM_NOTIFY_FILTER_TYPE_DEVICEHANDLE;
    filter.u.DeviceHandle.hTarget = file;
    const CONFIGRET result = Calls().registerNotification(&filter, watch, &OnHandle, &watch->registration);
    if (result != CR_SUCCESS) {
        LogSystemError("query-remove notifications refused for " + id, result);
        delete watch;
        return nullptr;
    }
    return watch;
}

void UnwatchHandle(void* handleWatch) {
    auto* watch = static_cast<HandleWatch*>(handleWatch);
    if (watch == nullptr) return;
    watch->ended = true;
    if (!TrySubmitThreadpoolCallback(&EndHandleWatch, watch, nullptr)) {
        // No thread pool: the registration is left to the end of the process rather than risk waiting here.
        LogSystemError("a query-remove registration cannot be ended", GetLastError());
    }
}

bool LockExchange(int timeoutMs) {
    const HANDLE mutex = ExchangeMutex();
    if (mutex == nullptr) return false;
    const DWORD waited = WaitForSingleObject(mutex, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
    if (waited == WAIT_ABANDONED) LogLine("the exchange lock was left by a program that ended; taken over");
    return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

void UnlockExchange() {
    if (gExchange != nullptr) (void)ReleaseMutex(gExchange);
}

void SetLogLevel(int level) { gLogLevel = level; }

bool LogOn() { return gLogLevel > 0; }

void LogLine(const std::string& line) {
    if (!LogOn()) return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu:%lu] quorvex: ", now.wYear,
                  now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                  static_cast<unsigned long>(GetCurrentProcessId()), static_cast<unsigned long>(GetCurrentThreadId()));
    const std::string text = stamp + line + "\r\n";
    std::lock_guard<std::mutex> lock(gLogMu);
    OutputDebugStringW(Widen(text).c_str());
    AppendToFile(text);
}

void LogSystemError(const std::string& what, DWORD code) {
    if (!LogOn()) return;
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string meaning = n > 0 && text != nullptr ? Narrow(text) : std::string();
    if (text != nullptr) LocalFree(text);
    while (!meaning.empty() && (meaning.back() == '\n' || meaning.back() == '\r' || meaning.back() == ' '))
        meaning.pop_back();
    LogLine(what + ": error " + std::to_string(code) + (meaning.empty() ? "" : " (" + meaning + ")"));
}

std::string CanonicalId(const wchar_t* path) {
    std::wstring lower = path != nullptr ? path : L"";
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
    return Narrow(lower.c_str());
}

std::wstring Widen(const std::string& text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (n <= 1) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), n);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

}  // namespace qvx::hid::win
