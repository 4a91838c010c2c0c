#include "hid/report_framing.h"

#include <algorithm>
#include <cstdio>

namespace qvx::hid {

FrameStatus FrameOutputReport(const uint8_t* data, std::size_t length, std::size_t reportLength,
                              std::vector<uint8_t>& out) {
    out.clear();
    if (data == nullptr || length == 0) return FrameStatus::Empty;
    if (reportLength == 0) {
        out.assign(data, data + length);
        return FrameStatus::Ok;
    }
    if (length > reportLength && std::any_of(data + reportLength, data + length, [](uint8_t b) { return b != 0; }))
        return FrameStatus::TooLong;
    out.assign(reportLength, 0);
    std::copy(data, data + std::min(length, reportLength), out.begin());
    return FrameStatus::Ok;
}

bool DecodeConsumerUsage(const uint8_t* report, std::size_t length, uint16_t& usage) {
    if (report == nullptr || length < 3) return false;
    usage = static_cast<uint16_t>(report[1] | (report[2] << 8));
    return true;
}

ConsumerLayout DescribeConsumerLayout(const HidCaps& caps) {
    ConsumerLayout layout;
    layout.declared = !caps.inputValues.empty();
    if (!layout.declared) return layout;
    const HidValueField& first = caps.inputValues.front();
    if (caps.inputValues.size() == 1 && first.bitSize == 16 && first.reportCount == 1) {
        layout.expected = true;
        layout.reportId = first.reportId;
        return layout;
    }
    layout.description = "consumer collection declares";
    for (const HidValueField& f : caps.inputValues) {
        char field[64];
        std::snprintf(field, sizeof field, " [report %02X: %u x %u bits, page %04X]", f.reportId,
                      static_cast<unsigned>(f.reportCount), static_cast<unsigned>(f.bitSize),
                      static_cast<unsigned>(f.usagePage));
        layout.description += field;
    }
    return layout;
}

bool DecodeConsumerReport(const ConsumerLayout& layout, const uint8_t* report, std::size_t length, uint16_t& usage) {
    if (layout.expected && (report == nullptr || length == 0 || report[0] != layout.reportId)) return false;
    return DecodeConsumerUsage(report, length, usage);
}

}  // namespace qvx::hid
