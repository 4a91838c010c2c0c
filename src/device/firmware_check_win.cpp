// Runs on the main window's thread (the handler of MSG_OPEN).
#include "device/firmware_check_win.h"

#include <windows.h>
#include <shellapi.h>

#include "app/program_paths.h"
#include "device/commands.h"
#include "device/firmware_check.h"
#include "ui/ui_text_win.h"

namespace kv {

FirmwareCheck CheckFirmwareVersion() {
    uint8_t info[kInfoSize] = {};  // version field zeroed: a failed read leaves version 0
    (void)ReadInfo(info);
    if (!FirmwareUpdateOffered(FirmwareVersion(info))) return FirmwareCheck::NoOffer;
    Sleep(10);
    if (MessageBoxW(nullptr, UiText(kFirmwareTooLowKey).c_str(), UiText(kFirmwareTooLowCaptionKey).c_str(),
                    MB_OKCANCEL) != IDOK)
        return FirmwareCheck::Declined;
    Sleep(10);
    const std::wstring help = GetProgramPaths().helpFolder;
    const std::wstring package = help + kUpgradePackageName;  // named in full: found wherever the current directory is
    ShellExecuteW(nullptr, L"Open", package.c_str(), L"In the upgrade", help.c_str(), SW_SHOWNORMAL);
    return FirmwareCheck::PackageStarted;
}

}  // namespace kv
