#include "device/firmware_update.h"

namespace kv {

std::filesystem::path& UpdaterPath() {
    static std::filesystem::path path;
    return path;
}

UpdateOutcome RunFirmwareUpdate(std::filesystem::path& updaterPath, UpdaterLaunch& launch) {
    UpdateOutcome out;
    if (updaterPath.empty() || !launch.IsFile(updaterPath)) {
        out.messageKey = kMessageUpdaterMissing;
        return out;
    }
    out.bootRequested = true;
    // Any positive result is the service's acceptance of the write; the keyboard does not answer it.
    if (launch.EnterBootMode() <= 0) {
        out.messageKey = kMessageBootRefused;
        return out;
    }
    const std::filesystem::path updater = updaterPath;
    updaterPath.clear();
    if (launch.StartUpdater(updater)) {
        out.closeDialog = true;
    } else {
        out.messageKey = kMessageUpdaterFailed;
    }
    return out;
}

}  // namespace kv
