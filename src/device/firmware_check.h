// The firmware version check run when the main window is asked to open: a keyboard whose firmware is older
// than V0103 is offered the upgrade package from the program's "Help" folder.
#pragma once

#include <cstdint>

#include "device/commands.h"

namespace kv {

inline constexpr uint16_t kMinimumFirmwareVersion = 0x0103;
inline constexpr wchar_t kUpgradePackageName[] = L"UPGRADE PACKAGE-4127-QM204A-V0103-20190715.exe";
// The offer's text and caption: language keys.
inline constexpr char kFirmwareTooLowKey[] = "FIRMWARE_TOO_LOW";
inline constexpr char kFirmwareTooLowCaptionKey[] = "FIRMWARE_TOO_LOW_CAPTION";

// The information block's u16 at bytes 8-9, little-endian.
[[nodiscard]] constexpr uint16_t FirmwareVersion(const uint8_t info[kInfoSize]) {
    return static_cast<uint16_t>(info[kInfoFirmwareOffset] | (info[kInfoFirmwareOffset + 1] << 8));
}

// 0 stands for a version that could not be read: no offer then.
[[nodiscard]] constexpr bool FirmwareUpdateOffered(uint16_t version) {
    return version != 0 && version < kMinimumFirmwareVersion;
}

}  // namespace kv
