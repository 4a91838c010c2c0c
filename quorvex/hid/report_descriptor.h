// What a HID report descriptor says about each of its top-level collections: usage page and usage, the ids
// of its input reports, and the byte lengths of its longest output and feature reports (counting the report
// id byte, as the system's caps do). Natively hidraw gives one node per interface, and an interface may
// carry several collections: this is how their reports are told apart and how output reports are sized.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qvx::hid {

// A data field of an input report wider than one bit (a value, or an array of usage indexes).
struct DescribedField {
    uint8_t reportId = 0;
    uint16_t usagePage = 0;
    uint16_t bitSize = 0;
    uint16_t reportCount = 0;
};

struct DescribedCollection {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    std::vector<uint8_t> inputReportIds;  // empty when the descriptor numbers no reports
    uint16_t inputReportLength = 0;
    uint16_t outputReportLength = 0;  // 0: the collection has no output report
    uint16_t featureReportLength = 0;
    std::vector<DescribedField> inputFields;  // in descriptor order
};

// The top-level collections in descriptor order; false (and what was read so far) on a malformed descriptor.
[[nodiscard]] bool ParseReportDescriptor(const uint8_t* descriptor, std::size_t length,
                                         std::vector<DescribedCollection>& out);

}  // namespace qvx::hid
