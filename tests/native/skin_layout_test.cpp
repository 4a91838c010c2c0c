// Reading the skin layout files' rectangles, where button pictures are cut, which look a button shows,
// where a rotated caption goes, and the window outline taken from a mask picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "skin/button_look.h"
#include "skin/dpi_scale.h"
#include "skin/mask_runs.h"
#include "skin/skin_rect.h"

namespace {

using kv::skin::ButtonLook;
using kv::skin::ScaledBox;
using kv::skin::SkinRect;

struct RectCase {
    const wchar_t* text;
    SkinRect expected;
};

TEST(SkinRect, ReadsFourNumbersAndFallsBackToOneOneOneOne) {
    const RectCase cases[] = {
        {L"20,30,50,16", {20, 30, 50, 16}},
        {L"5,6,7,8,extra", {5, 6, 7, 8}},
        {L"5,6,7,8extra", {5, 6, 7, 8}},
        {L"1,1,40,20", {1, 1, 40, 20}},
        {L"-4,-10,+7,8", {-4, -10, 7, 8}},
        {L"  12, 13,\t14, 15", {12, 13, 14, 15}},
        {L"0,0,0,0", {0, 0, 0, 0}},
        {L"2147483647,-2147483648,3,4", {2147483647, -2147483647 - 1, 3, 4}},
        // What a missing key reads as.
        {L"1,1,1,1,x", {1, 1, 1, 1}},
        // Not four numbers at the start: the whole value is the default.
        {L"", {1, 1, 1, 1}},
        {L"garbage", {1, 1, 1, 1}},
        {L"5,6,7", {1, 1, 1, 1}},
        {L"5,6,seven,8", {1, 1, 1, 1}},
        {L"5 ,6,7,8", {1, 1, 1, 1}},
        {L"5;6;7;8", {1, 1, 1, 1}},
        {L"x5,6,7,8", {1, 1, 1, 1}},
        {L"5,6,7,-", {1, 1, 1, 1}},
        {L"2147483648,1,2,3", {1, 1, 1, 1}},
        {L"99999999999999999999,1,2,3", {1, 1, 1, 1}},
    };
    for (const RectCase& c : cases) {
        EXPECT_EQ(kv::skin::ParseSkinRect(c.text), c.expected) << "value: " << testing::PrintToString(std::wstring(c.text));
    }
}

TEST(SkinRect, OnlyARectangleAtOneOneIsUnplaced) {
    EXPECT_TRUE(kv::skin::IsUnplaced({1, 1, 40, 20}));
    EXPECT_TRUE(kv::skin::IsUnplaced(kv::skin::kDefaultSkinRect));
    EXPECT_FALSE(kv::skin::IsUnplaced({1, 2, 1, 1}));
    EXPECT_FALSE(kv::skin::IsUnplaced({2, 1, 1, 1}));
}

TEST(SkinRect, PicturesAreCutOnePixelUpAndLeft) {
    EXPECT_EQ(kv::skin::PictureCutOrigin(20, 30), (kv::skin::SkinPoint{19, 29}));
    EXPECT_EQ(kv::skin::PictureCutOrigin(1, 1), (kv::skin::SkinPoint{0, 0}));
    EXPECT_EQ(kv::skin::PictureCutOrigin(0, -5), (kv::skin::SkinPoint{-1, -6}));
}

TEST(ButtonLook, FirstMatchWins) {
    struct Case {
        bool disabled, pressed, hover, checked;
        ButtonLook look;
    };
    const Case cases[] = {
        {false, false, false, false, ButtonLook::Normal},
        {false, false, false, true, ButtonLook::Checked},
        {false, false, true, true, ButtonLook::Hover},
        {false, true, true, true, ButtonLook::Pressed},
        {true, false, false, true, ButtonLook::Disabled},
        {true, true, true, true, ButtonLook::Disabled},
        {false, true, false, false, ButtonLook::Pressed},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kv::skin::ChooseLook(c.disabled, c.pressed, c.hover, c.checked), c.look)
            << c.disabled << c.pressed << c.hover << c.checked;
}

TEST(RotatedCaption, IsCentredByItsTurnedExtent) {
    // 26.8 degrees: cos 0.89259, sin 0.45088. wx = 89, wy = 45 for a 100 x 20 text.
    // left += (200 - 89) / 2 - trunc(20 * sin / 2) = 55 - 4; bottom += -(50 - 45) / 2 + trunc(20 * cos / 2) = -2 + 8.
    EXPECT_EQ(kv::skin::CentreRotatedCaption({0, 0, 200, 50}, 100, 20, 268), (kv::skin::CaptionRect{51, 0, 200, 56}));
    // Text wider and taller than the rectangle once turned: nothing moves.
    EXPECT_EQ(kv::skin::CentreRotatedCaption({10, 10, 60, 20}, 300, 20, 268), (kv::skin::CaptionRect{10, 10, 60, 20}));
    // Unrotated: the text is centred across; the bottom moves up by half the free height less half the text.
    EXPECT_EQ(kv::skin::CentreRotatedCaption({0, 0, 101, 31}, 50, 15, 0), (kv::skin::CaptionRect{25, 0, 101, 23}));
    // Halves truncate toward zero: (31 - 0) / 2 = 15 up, 15 / 2 = 7 down.
}

TEST(DpiScale, ScalesEdgesSoNeighboursStayFlush) {
    EXPECT_EQ(kv::skin::ScaleToDpi(100, 96), 100);
    EXPECT_EQ(kv::skin::ScaleToDpi(100, 144), 150);
    EXPECT_EQ(kv::skin::ScaleToDpi(101, 144), 152);  // 151.5 rounds away from zero
    EXPECT_EQ(kv::skin::ScaleToDpi(-3, 144), -5);
    EXPECT_EQ(kv::skin::ScaleToDpi(7, 192), 14);
    // Two buttons side by side (10..13 and 13..16) meet at the same scaled edge.
    const ScaledBox a = kv::skin::ScaleBox(10, 0, 3, 3, 144);
    const ScaledBox b = kv::skin::ScaleBox(13, 0, 3, 3, 144);
    EXPECT_EQ(a.right, b.left);
    EXPECT_EQ(kv::skin::UnscaleFromDpi(150, 144), 100);
}

constexpr uint32_t W = 0xFFFFFF;
constexpr uint32_t K = 0x000000;

TEST(MaskRuns, EveryNonWhiteRunOfARowIsOneRectangle) {
    // Near-white (0xFEFFFF) belongs to the window; only exact white is outside. The top byte is ignored.
    const std::vector<uint32_t> pixels = {
        W, K, K, W, 0xFEFFFF,             //
        W, W, W, W, W,                    //
        K, K, K, K, 0xFFFFFFFF,           //
        K, W, K, W, K,                    //
    };
    const std::vector<ScaledBox> runs = kv::skin::MaskRuns(pixels.data(), 5, 4, 5);
    const std::vector<ScaledBox> expected = {
        {1, 0, 3, 1}, {4, 0, 5, 1},                //
        {0, 2, 4, 3},                              //
        {0, 3, 1, 4}, {2, 3, 3, 4}, {4, 3, 5, 4},  //
    };
    EXPECT_EQ(runs, expected);
}

TEST(MaskRuns, StrideSkipsPaddingAndBadShapesGiveNothing) {
    const std::vector<uint32_t> pixels = {K, W, K /*padding*/, W, K, K /*padding*/};
    const std::vector<ScaledBox> expected = {{0, 0, 1, 1}, {1, 1, 2, 2}};
    EXPECT_EQ(kv::skin::MaskRuns(pixels.data(), 2, 2, 3), expected);
    EXPECT_TRUE(kv::skin::MaskRuns(pixels.data(), 3, 2, 2).empty());
    EXPECT_TRUE(kv::skin::MaskRuns(nullptr, 2, 2, 2).empty());
    const std::vector<uint32_t> white(12, W);
    EXPECT_TRUE(kv::skin::MaskRuns(white.data(), 4, 3, 4).empty());
}

TEST(MaskRuns, ScaledRunsKeepTheirOrderAndCoverTheScaledShape) {
    const std::vector<ScaledBox> runs = {{1, 0, 3, 1}, {0, 1, 1, 2}, {5, 1, 6, 2}};
    const std::vector<ScaledBox> at200 = {{2, 0, 6, 2}, {0, 2, 2, 4}, {10, 2, 12, 4}};
    EXPECT_EQ(kv::skin::ScaleRuns(runs, 192), at200);
    const std::vector<ScaledBox> at150 = {{2, 0, 5, 2}, {0, 2, 2, 3}, {8, 2, 9, 3}};
    EXPECT_EQ(kv::skin::ScaleRuns(runs, 144), at150);
}

}  // namespace
