// The firmware update dialog's Update command apart from its window: the updater program the user chose,
// the boot-mode request and the updater's start, and which message the dialog shows. The dialog runs on the
// main window's thread; so does everything here.
#pragma once

#include <filesystem>

namespace kv {

// Language keys of the dialog's messages.
inline constexpr char kMessageUpdaterMissing[] = "UPDATE_ERROR_FILE";      // the chosen file does not exist
inline constexpr char kMessageBootRefused[] = "UPDATE_ERROR_BOOT";        // the keyboard did not take the boot request
inline constexpr char kMessageUpdaterFailed[] = "UPDATE_ERROR_RUN";       // the updater did not start
inline constexpr char kMessageBackupWritten[] = "UPDATE_BACKUP_OK";
inline constexpr char kMessageBackupFailed[] = "UPDATE_BACKUP_FAILED";

// What Update needs from the system and the keyboard.
class UpdaterLaunch {
public:
    virtual ~UpdaterLaunch() = default;
    [[nodiscard]] virtual bool IsFile(const std::filesystem::path& path) = 0;
    // The HID service's result for the boot request, which is not awaited: above 0 means accepted.
    [[nodiscard]] virtual int EnterBootMode() = 0;
    // Opens the program with the shell; true when the shell reports success.
    [[nodiscard]] virtual bool StartUpdater(const std::filesystem::path& path) = 0;
};

struct UpdateOutcome {
    const char* messageKey = nullptr;  // the message to show, or null
    bool bootRequested = false;        // the boot request was sent
    bool closeDialog = false;          // the updater runs: the dialog ends
};

// The updater chosen in this run ("" at start); kept while the program runs.
[[nodiscard]] std::filesystem::path& UpdaterPath();

// Update: an updater path that names no file stops with its message before anything is sent; then the
// boot request; then the updater starts and the path is cleared, so a second Update asks for a file again.
[[nodiscard]] UpdateOutcome RunFirmwareUpdate(std::filesystem::path& updaterPath, UpdaterLaunch& launch);

}  // namespace kv
