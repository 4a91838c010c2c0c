// The Windows side of the program's environment: the running executable's path, the user's local
// application data folder, the per-user settings key "Software\Halvorn", the application framework's
// per-user profile settings, the companion daemon and the help page.
#pragma once

#include <windows.h>

#include <string>

namespace kv {

[[nodiscard]] std::wstring RunningExecutablePath();

// The shell's local application data folder (CSIDL_LOCAL_APPDATA), or the folder given to
// UseLocalAppDataFolder.
[[nodiscard]] std::wstring LocalAppDataFolder();
// Makes LocalAppDataFolder return this folder. Only the test build of the program calls it (its entry point,
// compiled with KV_TEST_USER_FOLDER), so each end-to-end test gets a user folder of its own; the program that
// ships has no way to take the folder from outside.
void UseLocalAppDataFolder(const std::wstring& folder);

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

// Opens a web page with the shell ("open", shown normally) when the text is an http or https address
// (web_address.h); anything else is ignored. Every link of the program's windows goes through here.
void OpenWebAddress(HWND owner, const std::wstring& address);

// Opens "index.html" of the program's "Help\" folder with the shell ("open", shown normally). Failures are
// ignored.
void OpenHelpPage(HWND owner);

}  // namespace kv
