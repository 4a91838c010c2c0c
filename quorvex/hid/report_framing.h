// Reports in and out of the keyboard's collections: output reports sized to what the collection takes,
// and the consumer usage carried by a consumer input report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hid/hid_port.h"

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

// What one read returned, as reports of the collection's input report length: the system hands over as
// many queued reports as the buffer holds, each padded to that length. A read shorter than one report (a
// layer that gives reports as they came) is one report; reportLength 0 (not known) makes the whole read
// one report. deliver(report, length) runs once per report, in order.
template <typename F>
void SplitInputReports(const uint8_t* data, std::size_t length, std::size_t reportLength, F&& deliver) {
    if (reportLength == 0 || length <= reportLength) {
        if (length > 0) deliver(data, length);
        return;
    }
    for (std::size_t at = 0; at < length; at += reportLength)
        deliver(data + at, length - at < reportLength ? length - at : reportLength);
}

// Where the consumer usage is, from the value fields the consumer collection declares.
struct ConsumerLayout {
    bool declared = false;  // the collection declared its value fields
    bool expected = false;  // ...as one 16-bit value: only reports with reportId carry a usage
    uint8_t reportId = 0;
    std::string description;  // what it declares, for the log, when it is not what is expected
};
[[nodiscard]] ConsumerLayout DescribeConsumerLayout(const HidCaps& caps);

// The usage a consumer report carries under that layout: when the collection declared one 16-bit value,
// only reports with its id; when it declared nothing (or something else), any report, as bytes 1-2.
[[nodiscard]] bool DecodeConsumerReport(const ConsumerLayout& layout, const uint8_t* report, std::size_t length,
                                        uint16_t& usage);

// The keyboard's consumer input report is the report id byte followed by the 16-bit consumer usage,
// least significant byte first (0x02FF arrives as id FF 02). false when the report is too short.
[[nodiscard]] bool DecodeConsumerUsage(const uint8_t* report, std::size_t length, uint16_t& usage);

}  // namespace qvx::hid
