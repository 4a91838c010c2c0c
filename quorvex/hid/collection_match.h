// Which present HID collections a selector names: the keyboard's vendor and product id, then the usage
// page and usage the selector asks for (0 = not asked).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "device/hid_service.h"
#include "hid/hid_port.h"

namespace qvx::hid {

[[nodiscard]] bool MatchesCollection(const HidAttributes& attributes, const HidCaps& caps, kv::CollectionUsage wanted);

// True when an input report read from the collection's node is one of the collection's own reports.
[[nodiscard]] bool IsOwnInputReport(const HidCaps& caps, const uint8_t* report, std::size_t length);

// True when a system device path names the keyboard's vendor and product ("...vid_0c45&pid_7a31...", in
// any case), so a listing can skip every other device without opening it.
[[nodiscard]] bool PathNamesKeyboard(const std::string& path);

}  // namespace qvx::hid
