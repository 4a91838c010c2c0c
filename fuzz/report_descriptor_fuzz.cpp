// Fuzz target: the HID report descriptor a hidraw node gives (read from sysfs), which tells the keyboard's
// collections and report lengths apart; the consumer usage of an input report; an output report sized to its
// collection. Nothing reads out of bounds, and a framed report has the collection's length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "hid/report_descriptor.h"
#include "hid/report_framing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::vector<qvx::hid::DescribedCollection> found;
    (void)qvx::hid::ParseReportDescriptor(data, size, found);
    uint16_t usage = 0;
    if (qvx::hid::DecodeConsumerUsage(data, size, usage) && size < 3) std::abort();
    // A read split into reports: every byte in exactly one report, none longer than the report length.
    std::size_t covered = 0;
    const std::size_t reportLength = size > 1 ? data[1] : 0;
    qvx::hid::SplitInputReports(data, size, reportLength, [&](const uint8_t* report, std::size_t n) {
        if (report != data + covered || n == 0 || (reportLength > 0 && size > reportLength && n > reportLength))
            std::abort();
        covered += n;
    });
    if (covered != size) std::abort();
    // The consumer usage under what the parsed descriptor declares.
    for (const auto& c : found) {
        qvx::hid::HidCaps caps;
        for (const auto& f : c.inputFields)
            caps.inputValues.push_back({f.reportId, f.usagePage, f.bitSize, f.reportCount});
        const qvx::hid::ConsumerLayout layout = qvx::hid::DescribeConsumerLayout(caps);
        if (qvx::hid::DecodeConsumerReport(layout, data, size, usage) && (size < 3 || (layout.expected && data[0] != layout.reportId)))
            std::abort();
    }
    std::vector<uint8_t> framed;
    const std::size_t length = size > 0 ? data[0] : 0;
    if (qvx::hid::FrameOutputReport(data, size, length, framed) == qvx::hid::FrameStatus::Ok && length > 0 &&
        framed.size() != length)
        std::abort();
    return 0;
}
