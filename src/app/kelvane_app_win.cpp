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
    dialog->DoModal();

    InvalidateRect(nullptr, nullptr, TRUE);  // every window repaints where ours was
    CloseSettingsKey();
    // The window has done the orderly clean-up (ExitProgram). The HID service's threads and the device
    // workers may still call into the program, so nothing they may reach is destroyed under them: the
    // process ends here, without running the window's or any static object's destructor.
    (void)dialog.release();
    ExitProcess(0);
}

}  // namespace kv
