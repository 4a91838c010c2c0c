#include "device/request_id.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace kv {
namespace {

TEST(RequestId, KnownValues) {
    EXPECT_EQ(MakeRequestId(0, "abc", 3), 331u);
    // The presence test: vendor selector, zero callback, zero tag.
    EXPECT_EQ(CallRequestId(MakeSelector(kVendorCollection), nullptr, 0), 5290u);
}

TEST(RequestId, PiecewiseAndReorderedFeedingAgree) {
    std::vector<uint8_t> bytes(64);
    std::iota(bytes.begin(), bytes.end(), uint8_t{200});
    const uint32_t whole = MakeRequestId(7, bytes.data(), bytes.size());
    uint32_t piecewise = 7;
    for (uint8_t b : bytes) piecewise = MakeRequestId(piecewise, &b, 1);
    EXPECT_EQ(whole, piecewise);
    std::vector<uint8_t> reversed(bytes.rbegin(), bytes.rend());
    EXPECT_EQ(whole, MakeRequestId(7, reversed.data(), reversed.size()));
}

TEST(RequestId, TableIsAPermutation) {
    // Each byte value maps to a distinct table entry: the sum over all 256 values is 0+1+...+255.
    std::vector<uint8_t> all(256);
    std::iota(all.begin(), all.end(), uint8_t{0});
    EXPECT_EQ(MakeRequestId(0, all.data(), all.size()), 255u * 256u / 2u);
}

}  // namespace
}  // namespace kv
