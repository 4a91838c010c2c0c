// The Windows side of the program's environment: the running executable's path, the user's local
// application data folder, the per-user settings key "Software\Halvorn", the application framework's
// per-user profile settings, the companion daemon and the help page.
#pragma once

#include <windows.h>

#include <string>

namespace kv {

[[nodiscard]] std::wstring RunningExecutablePath();

// The shell's local application data folder (CSIDL_LOCAL_APPDATA). For automated tests only, the
// environment variable KELVANE_TEST_LOCAL_APPDATA, when set, names the folder to use instead, so each test
// gets a user folder of its own; nothing sets it in normal use.
[[nodiscard]] std::wstring LocalAppDataFolder();

// HKEY_CURRENT_USER "Software\Halvorn", opened or created at start and held for the whole run; null when
// it could not be opened (start-up goes on without it).
void OpenSettingsKey();
[[nodiscard]] HKEY SettingsKey();
void CloseSettingsKey();

// The framework's per-user profile settings: HKEY_CURRENT_USER "Software\<registry key>\Kelvane\<section>".
void SetRegistryKey(const wchar_t* company);
[[nodiscard]] std::wstring GetProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* fallback);
bool WriteProfileString(const wchar_t* section, const wchar_t* entry, const std::wstring& value);

// Opens "Tirvane.exe" from the program folder, hidden, no parameters, empty working directory. Not watched.
void StartDaemon();

// Opens "index.html" of the program's "Help\" folder with the shell ("open", shown normally). Failures are
// ignored.
void OpenHelpPage(HWND owner);

}  // namespace kv
