#include "keys/action_catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace kv {
namespace {

// The list order is stored in every media and function assignment and sent to the keyboard: pinned here.
TEST(ActionCatalogue, MediaListOrder) {
    const KeyCode codes[MediaCount] = {0x16D, 0x122, 0x124, 0x110, 0x119, 0x12E, 0x130, 0x120, 0x132,
                                       0x167, 0x168, 0x16A, 0x169, 0x166, 0x165, 0x16B, 0x121, 0x16C};
    const uint16_t usages[MediaCount] = {0x183, 0x0CD, 0x0B7, 0x0B6, 0x0B5, 0x0EA, 0x0E9, 0x0E2, 0x223,
                                         0x227, 0x226, 0x224, 0x225, 0x22A, 0x221, 0x194, 0x192, 0x18A};
    for (int i = 0; i < MediaCount; ++i) {
        EXPECT_EQ(MediaKeyCode(i), codes[i]) << i;
        EXPECT_EQ(MediaUsage(i), usages[i]) << i;
        EXPECT_EQ(MediaIndexOfUsage(usages[i]), i) << i;
        EXPECT_TRUE(IsMultimediaKey(codes[i])) << i;
        // The name key ends in the index plus one and is the catalogue row's own.
        const std::string name = MediaNameKey(i);
        EXPECT_EQ(name.substr(name.rfind('_') + 1), std::to_string(i + 1));
        EXPECT_STREQ(MediaNameKey(i), CatalogueEntry(KeyIndexOf(codes[i])).nameKey) << i;
        // A media key met as a key code names the same function as the list entry.
        EXPECT_EQ(KeyCodeFromDevice(kDeviceClassConsumer, usages[i]), codes[i]) << i;
    }
    EXPECT_EQ(MediaIndexOfUsage(0xE2), 7);
    EXPECT_EQ(MediaIndexOfUsage(0x0E0), kNoMediaIndex);
    EXPECT_EQ(MediaIndexOfUsage(0), kNoMediaIndex);
    EXPECT_EQ(MediaKeyCode(18), 0);
    EXPECT_EQ(MediaUsage(-1), 0);
    EXPECT_STREQ(MediaNameKey(18), "");
}

TEST(ActionCatalogue, FunctionAndMouseLists) {
    EXPECT_STREQ(FunctionNameKey(0), "FUNC_KEY_DESC1");
    EXPECT_STREQ(FunctionNameKey(10), "FUNC_KEY_DESC11");
    for (int i = 0; i < FunctionCount; ++i)
        EXPECT_EQ(FunctionNameKey(i), "FUNC_KEY_DESC" + std::to_string(i + 1));
    EXPECT_STREQ(FunctionNameKey(11), "");

    const KeyCode codes[MouseCount] = {0x171, 0x172, 0x173, 0x161, 0x162};
    for (int i = 0; i < MouseCount; ++i) {
        EXPECT_EQ(MouseKeyCode(i), codes[i]) << i;
        EXPECT_STREQ(MouseNameKey(i), CatalogueEntry(KeyIndexOf(codes[i])).nameKey) << i;
    }
    EXPECT_EQ(MouseKeyCode(5), 0);
    EXPECT_STREQ(MouseNameKey(-1), "");
}

TEST(ActionCatalogue, MultimediaKeys) {
    EXPECT_TRUE(IsMultimediaKey(0x120));
    EXPECT_FALSE(IsMultimediaKey(0x15E));  // Power
    EXPECT_FALSE(IsMultimediaKey(0x174));  // Zoom- is an office function
    EXPECT_FALSE(IsMultimediaKey(0x171));
    EXPECT_FALSE(IsMultimediaKey(0));
}

}  // namespace
}  // namespace kv
