// The first font height tried for a caption too wide for its box.
#include <gtest/gtest.h>

#include "skin/text_fit.h"

using kv::skin::HeightToFit;

TEST(TextFit, ALineTooWideIsScaledDownInProportionButNotBelowTheFloor) {
    struct Case {
        int height, width, room, expected;
        const char* what;
    };
    const Case cases[] = {
        {16, 80, 100, 16, "room to spare"},
        {16, 100, 100, 16, "exact fit"},
        {16, 110, 100, 14, "a tenth too wide: 16 * 100 / 110 = 14.5, down"},
        {16, 200, 100, 12, "twice too wide: the floor, three quarters"},
        {16, 100, 0, 12, "no room at all: the floor"},
        {15, 300, 100, 12, "the floor rounds up, the text stays readable"},
        {1, 300, 100, 1, "never below one pixel"},
        {0, 100, 50, 0, "no font height: left as it is"},
    };
    for (const Case& c : cases) EXPECT_EQ(HeightToFit(c.height, c.width, c.room), c.expected) << c.what;
}
