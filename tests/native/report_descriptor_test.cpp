// Report descriptors as hidraw hands them over: one interface with the keyboard's vendor, consumer and
// indicator collections, and descriptors that are cut short or do not nest.
#include <gtest/gtest.h>

#include <vector>

#include "hid/report_descriptor.h"
#include "virtual/keyboard_descriptor.h"

namespace {

using qvx::hid::DescribedCollection;
using qvx::hid::ParseReportDescriptor;

// The keyboard's own interface (the one kvsim's uhid keyboard presents): three top-level collections on
// one node, every report numbered.
const std::vector<uint8_t>& kKeyboardInterface = qvx::KeyboardReportDescriptor();

TEST(ReportDescriptor, EachTopLevelCollectionKeepsItsReportIdsAndLengths) {
    std::vector<DescribedCollection> c;
    ASSERT_TRUE(ParseReportDescriptor(kKeyboardInterface.data(), kKeyboardInterface.size(), c));
    ASSERT_EQ(c.size(), 3u);

    EXPECT_EQ(c[0].usagePage, 0xFF1C);
    EXPECT_EQ(c[0].usage, 0x0092);
    EXPECT_EQ(c[0].inputReportIds, std::vector<uint8_t>{4});
    EXPECT_EQ(c[0].inputReportLength, 64);
    EXPECT_EQ(c[0].outputReportLength, 64);

    EXPECT_EQ(c[1].usagePage, 0x000C);
    EXPECT_EQ(c[1].usage, 0x0001);
    EXPECT_EQ(c[1].inputReportIds, std::vector<uint8_t>{3});
    EXPECT_EQ(c[1].inputReportLength, 3);  // id, then the 16-bit usage
    EXPECT_EQ(c[1].outputReportLength, 0);
    // The usage array: one 16-bit field of report 3, which is where the consumer usage is read.
    ASSERT_EQ(c[1].inputFields.size(), 1u);
    EXPECT_EQ(c[1].inputFields[0].reportId, 3);
    EXPECT_EQ(c[1].inputFields[0].usagePage, 0x000C);
    EXPECT_EQ(c[1].inputFields[0].bitSize, 16);
    EXPECT_EQ(c[1].inputFields[0].reportCount, 1);

    EXPECT_EQ(c[2].usagePage, 0x0008);
    EXPECT_EQ(c[2].usage, 0x0089);
    EXPECT_TRUE(c[2].inputReportIds.empty());
    EXPECT_EQ(c[2].outputReportLength, 2);  // the bank indicator report: id and one byte
}

TEST(ReportDescriptor, UnnumberedReportsCountTheZeroIdByte) {
    const std::vector<uint8_t> d = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x08,
                                    0x81, 0x00, 0x75, 0x01, 0x95, 0x05, 0x91, 0x02, 0x95, 0x03, 0x91, 0x01, 0xC0};
    std::vector<DescribedCollection> c;
    ASSERT_TRUE(ParseReportDescriptor(d.data(), d.size(), c));
    ASSERT_EQ(c.size(), 1u);
    EXPECT_TRUE(c[0].inputReportIds.empty());
    EXPECT_EQ(c[0].inputReportLength, 9);
    EXPECT_EQ(c[0].outputReportLength, 2);  // 5 + 3 bits round up to one byte
}

TEST(ReportDescriptor, MalformedDescriptorsAreRefused) {
    const std::vector<std::vector<uint8_t>> bad = {
        {0x06, 0x1C},                    // an item cut short
        {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01},  // a collection never ended
        {0xC0},                          // an end without a collection
        {0xB4},                          // a pop without a push
        {0xFE, 0x10, 0x00, 0x01},        // a long item longer than what is left
    };
    for (const auto& d : bad) {
        std::vector<DescribedCollection> c;
        EXPECT_FALSE(ParseReportDescriptor(d.data(), d.size(), c)) << d.size() << " bytes";
    }
}

}  // namespace
