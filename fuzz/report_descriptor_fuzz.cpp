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
    std::vector<uint8_t> framed;
    const std::size_t length = size > 0 ? data[0] : 0;
    if (qvx::hid::FrameOutputReport(data, size, length, framed) == qvx::hid::FrameStatus::Ok && length > 0 &&
        framed.size() != length)
        std::abort();
    return 0;
}
