// Reports in and out of the keyboard's collections: output reports sized to what the collection takes,
// and the consumer usage carried by a consumer input report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qvx::hid {

enum class FrameStatus {
    Ok,         // out holds the report, sized to the collection
    Empty,      // nothing to send
    TooLong,    // bytes beyond the collection's report length are not zero: sending would lose them
};

// Sizes an output report (report id first) to the collection's output report length: shorter reports are
// padded with zeros, longer ones lose only a zero tail. reportLength 0 (not known) sends the report as given.
[[nodiscard]] FrameStatus FrameOutputReport(const uint8_t* data, std::size_t length, std::size_t reportLength,
                                            std::vector<uint8_t>& out);

// The keyboard's consumer input report is the report id byte followed by the 16-bit consumer usage,
// least significant byte first (0x02FF arrives as id FF 02). false when the report is too short.
[[nodiscard]] bool DecodeConsumerUsage(const uint8_t* report, std::size_t length, uint16_t& usage);

}  // namespace qvx::hid
