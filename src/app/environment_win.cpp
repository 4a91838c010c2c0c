// Runs on the main thread, except GetProfileString/WriteProfileString (any thread; the registry serialises).
#include "app/environment_win.h"

#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "app/program_paths.h"
#include "app/web_address.h"

namespace kv {
namespace {
HKEY g_settingsKey = nullptr;
std::wstring g_localAppDataFolder;  // set before the main window exists, then only read
std::wstring g_registryCompany;
constexpr wchar_t kAppName[] = L"Kelvane";
}  // namespace

std::wstring RunningExecutablePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

void UseLocalAppDataFolder(const std::wstring& folder) { g_localAppDataFolder = folder; }

std::wstring LocalAppDataFolder() {
    if (!g_localAppDataFolder.empty()) return g_localAppDataFolder;
    wchar_t folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_LOCAL_APPDATA, FALSE)) return {};
    return folder;
}

void OpenSettingsKey() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Halvorn", 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, nullptr, &key, nullptr) == ERROR_SUCCESS)
        g_settingsKey = key;
}

HKEY SettingsKey() { return g_settingsKey; }

void CloseSettingsKey() {
    if (g_settingsKey != nullptr) RegCloseKey(g_settingsKey);
    g_settingsKey = nullptr;
}

void SetRegistryKey(const wchar_t* company) { g_registryCompany = company; }

static std::wstring SectionKeyPath(const wchar_t* section) {
    return L"Software\\" + g_registryCompany + L"\\" + kAppName + L"\\" + section;
}

std::wstring GetProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* fallback) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, SectionKeyPath(section).c_str(), entry, RRF_RT_REG_SZ, &type, value,
                     &size) != ERROR_SUCCESS)
        return fallback;
    return value;
}

bool WriteProfileString(const wchar_t* section, const wchar_t* entry, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SectionKeyPath(section).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG r = RegSetValueExW(key, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

void StartDaemon() {
    ShellExecuteW(nullptr, L"open", GetProgramPaths().daemon.c_str(), nullptr, L"", SW_HIDE);
}

void OpenWebAddress(HWND owner, const std::wstring& address) {
    if (!IsWebAddress(address)) return;  // the program runs elevated: never a program, document or other scheme
    ShellExecuteW(owner, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void OpenHelpPage(HWND owner) {
    const std::wstring folder = GetProgramPaths().helpFolder;
    const std::wstring page = folder + L"index.html";
    ShellExecuteW(owner, L"open", page.c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL);
}

}  // namespace kv
