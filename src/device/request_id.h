// Request identifiers: every call to the HID service carries a checksum-like identifier over the call's
// selector, callback, tag and data. Both the program and our HID service library compute it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "device/hid_service.h"

namespace kv {

// seed + the sum of T[b] over every byte b, as a 32-bit value. Feeding in pieces gives the same result.
[[nodiscard]] uint32_t MakeRequestId(uint32_t seed, const void* bytes, std::size_t length);

// The identifier of one call: selector, the 4 callback bytes, the 4 tag bytes (least significant first),
// then the call's data, if any.
[[nodiscard]] uint32_t CallRequestId(const Selector& selector, ServiceCallback callback, uint32_t tag,
                                     const void* data = nullptr, std::size_t length = 0);

}  // namespace kv
