// CheckFirmwareVersion: reads the keyboard's firmware version and, when it is too old, offers the upgrade
// package in a message box. Runs on the main window's thread, after the window was shown.
#pragma once

namespace kv {

enum class FirmwareCheck {
    NoOffer,         // version unreadable (0) or at least V0103
    PackageStarted,  // the user chose OK; the package was opened (its result is not checked)
    Declined,        // Cancel or closing the box: the program ends
};

[[nodiscard]] FirmwareCheck CheckFirmwareVersion();

}  // namespace kv
