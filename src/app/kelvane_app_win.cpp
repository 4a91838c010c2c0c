// Runs on the main thread.
#include "app/kelvane_app_win.h"

#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/environment_win.h"
#include "app/program_paths.h"
#include "ui/main_dialog_win.h"

namespace kv {
namespace {

// Nobody sees a window that was never made: the reason goes to standard error (a console or a log that
// started the program) and to the system's event log.
void ReportNoMainWindow(DWORD error) {
    const std::wstring text = L"Kelvane could not create its main window (system error " +
                              std::to_wstring(error) + L"); the program ends.";
    if (HANDLE err = GetStdHandle(STD_ERROR_HANDLE); err != nullptr && err != INVALID_HANDLE_VALUE) {
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 1), '\0');
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), bytes, nullptr, nullptr);
        utf8.back() = '\n';
        DWORD written = 0;
        WriteFile(err, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    }
    if (HANDLE log = RegisterEventSourceW(nullptr, L"Kelvane"); log != nullptr) {
        const wchar_t* strings[] = {text.c_str()};
        ReportEventW(log, EVENTLOG_ERROR_TYPE, 0, 1, nullptr, 1, 0, strings, nullptr);
        DeregisterEventSource(log);
    }
}

std::vector<std::wstring> CommandLineArguments() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 1; argv != nullptr && i < count; ++i) args.emplace_back(argv[i]);
    if (argv != nullptr) LocalFree(argv);
    return args;
}

}  // namespace

int RunKelvaneApplication() {
    SetRegistryKey(L"Kelvane_Brimor");
    SetProgramPaths(ComputeProgramPaths(RunningExecutablePath()));
    OpenSettingsKey();
    // The two profile data locks live with the profile data and exist for the whole process.

    auto dialog = std::make_unique<CKelvaneDlg>(ParseStartSwitches(CommandLineArguments()));
    if (dialog->DoModal() == -1) {
        ReportNoMainWindow(GetLastError());
        CloseSettingsKey();
        (void)dialog.release();  // threads the window may have started could still reach it
        ExitProcess(1);
    }

    InvalidateRect(nullptr, nullptr, TRUE);  // every window repaints where ours was
    CloseSettingsKey();
    // The window has done the orderly clean-up (ExitProgram). The HID service's threads and the device
    // workers may still call into the program, so nothing they may reach is destroyed under them: the
    // process ends here, without running the window's or any static object's destructor.
    (void)dialog.release();
    ExitProcess(0);
}

}  // namespace kv
