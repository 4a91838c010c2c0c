#include "hid/report_framing.h"

#include <algorithm>

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

}  // namespace qvx::hid
