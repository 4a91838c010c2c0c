// The keyboard's USB identity and the report descriptor of its HID interface: the vendor collection with
// its 64-byte command and answer reports (report 4), the consumer-control collection whose report 3
// carries one 16-bit usage, and the indicator collection with the bank indicator (report 5). kvsim's uhid
// keyboard presents exactly this to the system's HID stack.
#pragma once

#include <cstdint>
#include <vector>

namespace qvx {

inline constexpr uint16_t kKeyboardVendorId = 0x0C45;
inline constexpr uint16_t kKeyboardProductId = 0x7A31;
inline constexpr uint8_t kConsumerReportId = 3;
inline constexpr uint8_t kIndicatorReportId = 5;

[[nodiscard]] const std::vector<uint8_t>& KeyboardReportDescriptor();

}  // namespace qvx
