// The lighting core: records, effect list and preview in memory; the lighting operations and the per-key
// colour map against the virtual keyboard, whose memory and log of received reports show what was written.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/current_profile.h"
#include "device/commands.h"
#include "device/hid_binding.h"
#include "keys/key_catalogue.h"
#include "lighting/key_colour_map.h"
#include "lighting/led_numbers.h"
#include "lighting/lighting_preview.h"
#include "lighting/lighting_session.h"
#include "profiles/profile_file.h"
#include "vk_harness.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// ---- in memory --------------------------------------------------------------------------------------

TEST(LightingRecordTest, DecodesFieldsAndCarriesUninterpretedBytesThrough) {
    uint8_t b[kLightingBytes];
    for (std::size_t i = 0; i < kLightingBytes; ++i) b[i] = static_cast<uint8_t>(0xA0 + i);
    b[0] = 7, b[1] = 4, b[2] = 1, b[3] = 255, b[4] = 9, b[5] = 0x10, b[6] = 0x20, b[7] = 0x30;
    b[15] = 7, b[17] = 2, b[18] = 1, b[19] = 5, b[28] = 0, b[33] = 3;
    const LightingRecord r = DecodeLightingRecord(b);
    EXPECT_EQ(r.effect, 7);
    EXPECT_EQ(r.brightness, 4);
    EXPECT_EQ(r.speed, 1);
    EXPECT_EQ(r.direction, 255);
    EXPECT_TRUE(r.multicolour);
    EXPECT_EQ(r.colour, 0x302010u);
    EXPECT_EQ(r.reportRate, 3) << "a report rate above 3 loads as 3";
    EXPECT_EQ(r.colourChoice, 2);
    EXPECT_EQ(r.option7, 1);
    EXPECT_EQ(r.trigger, 0) << "a trigger style other than 0 or 1 is not taken";
    EXPECT_EQ(r.secondColour, ColourFromBytes(b + 25));
    EXPECT_FALSE(r.secondMulticolour);
    EXPECT_TRUE(r.thirdMulticolour);

    uint8_t again[kLightingBytes] = {};
    EncodeLightingRecord(r, again);
    EXPECT_TRUE(std::equal(b, b + kLightingBytes, again)) << "an unchanged record encodes to the bytes it came from";

    LightingRecord edited = r;
    edited.multicolour = false;
    edited.colour = 0xFF7E00;
    EncodeLightingRecord(edited, again);
    EXPECT_EQ(again[4], 0);
    EXPECT_EQ(again[5], 0x00);
    EXPECT_EQ(again[6], 0x7E);
    EXPECT_EQ(again[7], 0xFF);
    EXPECT_EQ(again[8], b[8]);
}

TEST(LightingRecordTest, OptionOfEffect7IsReadOnlyForEffect7) {
    uint8_t b[kLightingBytes] = {};
    b[0] = 5;
    b[18] = 1;
    EXPECT_EQ(DecodeLightingRecord(b).option7, 0);
    b[0] = 7;
    b[18] = 2;
    EXPECT_EQ(DecodeLightingRecord(b).option7, 0);
}

TEST(LightingEffectsTest, EffectListMapsPositionsAndEffects) {
    uint8_t info[kInfoSize] = {};
    info[12] = 1, info[13] = 2, info[14] = 20;
    const EffectList list = EffectList::FromInfo(info);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.EffectAt(2), 20);
    EXPECT_EQ(list.PositionOf(20), 2);
    EXPECT_EQ(list.PositionOf(5), -1);
    EXPECT_EQ(list.EffectAt(3), 0);
    EXPECT_TRUE(list.OffersPerKey());

    const uint8_t gaps[] = {0, 4, 0, 0, 17};
    const EffectList sparse = EffectList::FromNumbers(gaps, sizeof gaps);
    EXPECT_EQ(sparse.Count(), 2) << "empty slots are skipped";
    EXPECT_EQ(sparse.EffectAt(1), 17);
    EXPECT_FALSE(sparse.OffersPerKey());
}

TEST(LightingEffectsTest, DirectionWordsFollowTheEffect) {
    struct Case {
        int effect;
        uint8_t value;
        const char* word;
    } cases[] = {{1, 255, "left"}, {3, 0, "right"}, {12, 255, "up"}, {12, 0, "down"}, {18, 255, "out"}, {18, 0, "in"}, {5, 0, ""}};
    for (const Case& c : cases) EXPECT_STREQ(DirectionWord(c.effect, c.value), c.word) << c.effect;
    uint8_t v = 7;
    EXPECT_TRUE(ParseDirectionWord("in", v));
    EXPECT_EQ(v, 0);
    EXPECT_FALSE(ParseDirectionWord("sideways", v));
    EXPECT_EQ(FindEffect(19), nullptr);
    EXPECT_EQ(FindEffect(21), nullptr);
}

TEST(LedNumbersTest, KeysAndControlsHaveTheirLeds) {
    EXPECT_EQ(LedOfKeyCode(0x01E), 64);   // A
    EXPECT_EQ(LedOfKeyCode(0x001), 0);    // Esc
    EXPECT_EQ(LedOfKeyCode(0x11C), 104);  // Num Enter
    EXPECT_EQ(LedOfKeyCode(0x15C), 116);  // Right Windows
    EXPECT_EQ(LedOfKeyCode(0x056), 85);   // the key beside Left Shift
    EXPECT_EQ(LedOfControl(kFnButtonControl), kFnLed);
    for (int b = 0; b < kGButtonCount; ++b) EXPECT_EQ(LedOfControl(ControlOfGButton(b)), kGKeyLed);
    EXPECT_EQ(LedOfControl(1058), 64);  // the A button
    EXPECT_EQ(LedOfControl(1138), kNoLed);
    for (int i = 0; i < kPictureKeyCount; ++i) EXPECT_NE(LedOfKeyCode(PictureKeyCode(i)), kNoLed) << i;
}

TEST(LightingPreviewTest, HueWheelPassesThroughItsSixColours) {
    EXPECT_EQ(HueWheel(0), MakeColor(255, 1, 0));
    EXPECT_EQ(HueWheel(32), MakeColor(255, 255, 0));
    EXPECT_EQ(HueWheel(64), MakeColor(0, 255, 1));
    EXPECT_EQ(HueWheel(96), MakeColor(0, 255, 255));
    EXPECT_EQ(HueWheel(128), MakeColor(1, 0, 255));
    EXPECT_EQ(HueWheel(160), MakeColor(255, 0, 255));
    EXPECT_EQ(HueWheel(192), HueWheel(0));
    EXPECT_EQ(HueWheel(-1), HueWheel(191));
    EXPECT_EQ(ScaleColour(0xFF8040, 0), 0u);
    EXPECT_EQ(ScaleColour(0xFF8040, 255), 0xFF8040u);
}

TEST(LightingPreviewTest, EveryEffectGivesColoursForEveryCellOrItsOwnFrame) {
    LightingPreview preview(LightingPreview::LedGridCells());
    ASSERT_EQ(preview.CellCount(), static_cast<std::size_t>(kPictureKeyCount + 10));
    for (int effect = 1; effect <= 21; ++effect) {
        for (const bool multi : {false, true}) {
            PreviewParams p{effect, multi, 0x00FF00, 255};
            std::vector<uint32_t> colours;
            bool lit = false;
            PreviewFrame frame = PreviewFrame::Colours;
            for (int step = 0; step < 60; ++step) {
                frame = preview.Step(p, colours);
                if (frame != PreviewFrame::Colours) break;
                ASSERT_EQ(colours.size(), preview.CellCount());
                lit = lit || std::any_of(colours.begin(), colours.end(), [](uint32_t c) { return c != 0; });
                if (!multi && effect != 4 && effect != 11 && effect != 12 && effect != 18) {
                    for (uint32_t c : colours) ASSERT_EQ(c & 0xFF00FF, 0u) << "single colour stays green, effect " << effect;
                }
            }
            const bool cleared = effect == 7 || effect == 8 || effect == 9 || effect == 17 || effect == 19 || effect == 21;
            if (effect == 20) {
                EXPECT_EQ(frame, PreviewFrame::PerKey);
            } else if (cleared) {
                EXPECT_EQ(frame, PreviewFrame::Clear) << effect;
            } else {
                EXPECT_TRUE(lit) << "effect " << effect << " shows something within three seconds";
            }
        }
    }
}

TEST(LightingPreviewTest, DirectionTurnsTheWave) {
    LightingPreview preview(LightingPreview::LedGridCells());
    preview.Reset();
    std::vector<uint32_t> f1, f2, r1, r2;
    (void)preview.Step({1, true, 0, 255}, f1);
    (void)preview.Step({1, true, 0, 255}, f2);
    preview.Reset();
    (void)preview.Step({1, true, 0, 0}, r1);
    (void)preview.Step({1, true, 0, 0}, r2);
    // G1 (column 0) moves one column's hue along the wheel each step, the other way round in reverse.
    const std::size_t g1 = kPictureKeyCount;
    EXPECT_EQ(f2[g1], HueWheel(18));
    EXPECT_EQ(r2[g1], HueWheel(-18));
}

// ---- against the virtual keyboard -------------------------------------------------------------------

class LightingVk : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/kvlighting-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        channel_ = "kvlighting-" + std::to_string(getpid());
        setenv("KELVANE_VK_STATE", (dir_ / "vk.state").c_str(), 1);
        setenv("KELVANE_VK_CHANNEL", channel_.c_str(), 1);
        ASSERT_TRUE(lib_.Load());
        std::string failure;
        const BindResult bound = BindServiceApi(lib_.api, [&failure](const BindResult& r) { failure = DescribeBindResult(r); });
        ASSERT_EQ(bound.status, BindStatus::Bound) << failure;
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    void SetUp() override {
        ASSERT_TRUE(vk_.ResetMemory());
        ASSERT_TRUE(vk_.ClearFaults());
        ASSERT_TRUE(vk_.SetEffects({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20, 21}));
        user_ = dir_ / ("user-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(user_);
        fs::create_directories(user_);
        SetCurrentProfile(0);
    }
    Bytes Lighting() {
        Bytes b;
        EXPECT_TRUE(vk_.Dump("lighting", b));
        return b;
    }
    Bytes Colours(int profile) {
        Bytes b;
        EXPECT_TRUE(vk_.Dump("colors " + std::to_string(profile), b));
        return b;
    }
    // The reports the keyboard received with this command code since the log was cleared.
    std::vector<Bytes> Received(uint8_t command) {
        std::vector<Bytes> all, found;
        EXPECT_TRUE(vk_.Reports("vendor:", all));
        for (Bytes& r : all)
            if (r.size() == 64 && r[3] == command) found.push_back(std::move(r));
        return found;
    }
    static int Offset(const Bytes& r) { return r[5] | r[6] << 8; }
    static Bytes Payload(const Bytes& r) { return Bytes(r.begin() + 8, r.begin() + 8 + r[4]); }
    std::string SettingsText(int profile) {
        Bytes b;
        EXPECT_TRUE(ReadWholeFile(user_ / ("UserDengColor_" + std::to_string(profile) + ".userd"), b));
        std::string s;
        for (std::size_t i = 2; i + 1 < b.size(); i += 2) s.push_back(static_cast<char>(b[i]));
        return s;
    }
    LightingSession ReadSession(int profile) {
        LightingSession s;
        EXPECT_EQ(s.Read(), kResultSuccess);
        s.Load(profile);
        EXPECT_TRUE(vk_.ClearLog());
        return s;
    }

    static inline vktest::Library lib_;
    static inline fs::path dir_;
    static inline std::string channel_;
    qvx::ControlClient vk_{channel_};
    fs::path user_;
    IniFileStore store_;
};

TEST_F(LightingVk, ReadsTheEffectListAndAllThreeRecords) {
    ASSERT_TRUE(vk_.SetEffects({1, 2, 20}));
    LightingSession s;
    ASSERT_EQ(s.Read(), kResultSuccess);
    EXPECT_EQ(s.Effects().Count(), 3);
    EXPECT_EQ(s.Effects().EffectAt(2), 20);
    EXPECT_TRUE(s.Effects().OffersPerKey());
    const Bytes mem = Lighting();
    for (int p = 0; p < 3; ++p) {
        uint8_t again[kLightingBytes];
        EncodeLightingRecord(s.Record(p), again);
        EXPECT_TRUE(std::equal(again, again + kLightingBytes, mem.begin() + p * 42)) << p;
    }
    s.Load(1);
    EXPECT_EQ(s.Working().effect, mem[42]);
    EXPECT_EQ(s.SpeedPosition(), 5 - mem[44]);
}

TEST_F(LightingVk, FailedInformationReadEmptiesTheListAndReadsNoRecord) {
    LightingSession s = ReadSession(0);
    const uint8_t effectBefore = s.Record(1).effect;
    ASSERT_TRUE(vk_.FailStatus(0xFF, qvx::ControlClient::kAlways));
    EXPECT_EQ(s.Read(), -1);
    ASSERT_TRUE(vk_.ClearFaults());
    EXPECT_TRUE(s.Effects().Empty());
    EXPECT_EQ(s.Record(1).effect, effectBefore);
    EXPECT_TRUE(Received(CMD_READ_LIGHTING).empty());
}

TEST_F(LightingVk, ReportRateAboveThreeLoadsAsThree) {
    LightingSession s = ReadSession(1);
    ASSERT_EQ(WriteLightingFields(1, {Field(kFieldReportRate, {7})}), kResultSuccess);
    ASSERT_EQ(s.Read(), kResultSuccess);
    s.Load(1);
    EXPECT_EQ(s.Working().reportRate, 3);
}

TEST_F(LightingVk, SelectingAnEffectWritesWhatTheEffectUses) {
    struct Case {
        int effect;
        std::size_t writes;
    } cases[] = {{4, 1}, {1, 2}, {10, 1}, {13, 2}, {17, 1}, {20, 1}, {21, 0}};
    LightingSession s = ReadSession(1);
    for (const Case& c : cases) {
        ASSERT_TRUE(vk_.ClearLog());
        ASSERT_EQ(s.SelectEffect(c.effect), kResultSuccess) << c.effect;
        const auto writes = Received(CMD_WRITE_LIGHTING);
        ASSERT_EQ(writes.size(), c.writes) << "effect " << c.effect;
        if (c.writes == 0) {
            EXPECT_TRUE(Received(CMD_BEGIN).empty()) << "an unknown effect sends nothing at all";
            continue;
        }
        EXPECT_EQ(Offset(writes[0]), 42);
        EXPECT_EQ(Payload(writes[0]), Bytes{static_cast<uint8_t>(c.effect)});
        if (c.writes == 2) {
            EXPECT_EQ(Offset(writes[1]), 46);
            EXPECT_EQ(Payload(writes[1]), Bytes{static_cast<uint8_t>(s.Working().multicolour ? 1 : 0)});
        }
        EXPECT_EQ(Received(CMD_BEGIN).size(), 1u);
        EXPECT_EQ(Received(CMD_END).size(), 1u);
    }
    ASSERT_TRUE(vk_.SetEffects({1, 2}));
    ASSERT_EQ(s.Read(), kResultSuccess);
    ASSERT_TRUE(vk_.ClearLog());
    EXPECT_EQ(s.SelectEffect(5), kResultNotOffered);
    EXPECT_TRUE(Received(CMD_WRITE_LIGHTING).empty());
}

TEST_F(LightingVk, SpeedPositionZeroWritesFiveAndUnchangedValuesSendNothing) {
    LightingSession s = ReadSession(0);
    ASSERT_EQ(s.SetSpeedPosition(0), kResultSuccess);
    EXPECT_EQ(Lighting()[2], 5);
    ASSERT_EQ(s.SetBrightness(2), kResultSuccess);
    EXPECT_EQ(Lighting()[1], 2);
    ASSERT_TRUE(vk_.ClearLog());
    ASSERT_EQ(s.SetSpeedPosition(0), kResultSuccess);
    ASSERT_EQ(s.SetBrightness(2), kResultSuccess);
    EXPECT_TRUE(Received(CMD_WRITE_LIGHTING).empty());
    EXPECT_EQ(s.SetBrightness(9), kResultOutOfRange);
    EXPECT_EQ(s.SetSpeedPosition(-1), kResultOutOfRange);
    EXPECT_TRUE(Received(CMD_BEGIN).empty());

    ASSERT_EQ(WriteLightingFields(0, {Field(kFieldSpeed, {1})}), kResultSuccess);
    ASSERT_EQ(s.Read(), kResultSuccess);
    s.Load(0);
    EXPECT_EQ(s.SpeedPosition(), 4) << "a stored speed of 1 shows the control at position 4";
}

TEST_F(LightingVk, ColourForProfileTwoWritesMulticolourOffThenTheThreeBytes) {
    LightingSession s = ReadSession(2);
    ASSERT_EQ(s.SetColour(MakeColor(0, 126, 255)), kResultSuccess);
    const auto writes = Received(CMD_WRITE_LIGHTING);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(Offset(writes[0]), 88);
    EXPECT_EQ(Payload(writes[0]), Bytes{0x00});
    EXPECT_EQ(Offset(writes[1]), 89);
    EXPECT_EQ(Payload(writes[1]), (Bytes{0x00, 0x7E, 0xFF}));
    const Bytes mem = Lighting();
    EXPECT_EQ(Bytes(mem.begin() + 88, mem.begin() + 92), (Bytes{0x00, 0x00, 0x7E, 0xFF}));
}

TEST_F(LightingVk, SingleFieldEditsLandAtTheirOffsets) {
    LightingSession s = ReadSession(1);
    ASSERT_EQ(s.SetDirection(255), kResultSuccess);
    ASSERT_EQ(s.SetMulticolour(true), kResultSuccess);
    ASSERT_EQ(s.SetColourChoice(3), kResultSuccess);
    ASSERT_EQ(s.SetReportRate(2), kResultSuccess);
    const Bytes mem = Lighting();
    EXPECT_EQ(mem[42 + 3], 255);
    EXPECT_EQ(mem[42 + 4], 1);
    EXPECT_EQ(mem[42 + 17], 3);
    EXPECT_EQ(mem[42 + 15], 2) << "report rate index 2 of profile 1 lands at offset 57";
    EXPECT_EQ(s.SetColourChoice(4), kResultOutOfRange);
    EXPECT_EQ(s.SetDirection(7), kResultOutOfRange);
}

TEST_F(LightingVk, DefaultsWriteThirtyFiveBytesAndLeaveTheRest) {
    LightingSession s = ReadSession(1);
    const Bytes before = Lighting();
    ASSERT_EQ(s.RestoreDefaults(), kResultSuccess);
    const auto writes = Received(CMD_WRITE_LIGHTING);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(Offset(writes[0]), 42);
    EXPECT_EQ(writes[0][4], 35);
    const Bytes mem = Lighting();
    EXPECT_EQ(Bytes(mem.begin() + 42, mem.begin() + 50), (Bytes{0x01, 0x05, 0x03, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_TRUE(std::all_of(mem.begin() + 50, mem.begin() + 77, [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::equal(mem.begin() + 77, mem.begin() + 84, before.begin() + 77)) << "bytes 35-41 are not written";
    EXPECT_TRUE(std::equal(mem.begin(), mem.begin() + 42, before.begin())) << "other profiles untouched";
    EXPECT_EQ(s.Working().effect, 1);
    EXPECT_EQ(s.SpeedPosition(), 2);
    EXPECT_TRUE(s.Working().multicolour);
}

TEST_F(LightingVk, FailedWriteKeepsTheEditedWorkingSet) {
    LightingSession s = ReadSession(0);
    ASSERT_TRUE(vk_.FailStatus(0xFE, qvx::ControlClient::kAlways));
    EXPECT_EQ(s.SetBrightness(1), kResultStatusFE);
    ASSERT_TRUE(vk_.ClearFaults());
    EXPECT_EQ(s.Working().brightness, 1);
    EXPECT_EQ(s.Record(0).brightness, 1);
}

// ---- per-key colour map ----

class KeyColourMapVk : public LightingVk {
protected:
    ProfileSettings Settings() { return ProfileSettings(store_, user_); }
};

TEST_F(KeyColourMapVk, PaintingAWithTheFollowToolWritesOneReportAndTheSetEntry) {
    ProfileSettings settings = Settings();
    settings.WriteSelectedSet(0, 4);
    KeyColourMap map(settings);
    ASSERT_EQ(map.LoadActiveSet(0), kResultSuccess);
    EXPECT_EQ(map.ActiveSet(), 4);
    map.SelectTool(kToolFollow);
    ASSERT_EQ(map.SetBaseColour(MakeColor(0, 0, 255)), kResultSuccess);
    ASSERT_TRUE(vk_.ClearLog());
    ASSERT_EQ(map.PaintKey(LedOfKeyCode(0x01E), true), kResultSuccess);
    const auto writes = Received(CMD_WRITE_KEYCOLORS);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(Offset(writes[0]), 64 * 3);
    EXPECT_EQ(Payload(writes[0]), (Bytes{0x00, 0x00, 0xFF}));
    EXPECT_NE(SettingsText(0).find("[Mode4]"), std::string::npos);
    EXPECT_NE(SettingsText(0).find("64=0,0,255,1"), std::string::npos);
    const Bytes page = Colours(0);
    EXPECT_EQ(Bytes(page.begin() + 192, page.begin() + 195), (Bytes{0x00, 0x00, 0xFF}));
}

TEST_F(KeyColourMapVk, PaintingDoesNothingUnlessTheCustomEffectIsSelected) {
    ProfileSettings settings = Settings();
    KeyColourMap map(settings);
    (void)map.LoadActiveSet(0, false);
    ASSERT_TRUE(vk_.ClearLog());
    EXPECT_EQ(map.PaintKey(64, false), kResultNotOffered);
    EXPECT_EQ(map.PaintKey(13, true), kResultNotOffered) << "LED 13 has no key";
    EXPECT_TRUE(Received(CMD_BEGIN).empty());
    EXPECT_FALSE(fs::exists(user_ / "UserDengColor_0.userd"));
}

TEST_F(KeyColourMapVk, BaseColourRecoloursOnlyFollowingKeysAndGKeysShareOneSlot) {
    ProfileSettings settings = Settings();
    KeyColourMap map(settings);
    (void)map.LoadActiveSet(0, false);
    map.SetPaintColour(MakeColor(1, 2, 3));
    map.SelectTool(kToolPaint);
    ASSERT_EQ(map.PaintKey(LedOfKeyCode(0x030), true), kResultSuccess);  // B keeps its own colour
    ASSERT_EQ(map.PaintKey(LedOfControl(ControlOfGButton(2)), true), kResultSuccess);  // G3
    EXPECT_EQ(map.Colour(LedOfControl(ControlOfGButton(7))), MakeColor(1, 2, 3)) << "G8 shows what G3 got";
    ASSERT_TRUE(vk_.ClearLog());
    ASSERT_EQ(map.SetBaseColour(MakeColor(9, 8, 7)), kResultSuccess);
    EXPECT_EQ(map.Colour(LedOfKeyCode(0x030)), MakeColor(1, 2, 3));
    EXPECT_EQ(map.Colour(kGKeyLed), MakeColor(1, 2, 3));
    EXPECT_EQ(map.Colour(LedOfKeyCode(0x01E)), MakeColor(9, 8, 7));
    EXPECT_EQ(map.Colour(kFnLed), MakeColor(9, 8, 7));
    EXPECT_EQ(Received(CMD_WRITE_KEYCOLORS).size(), 8u) << "the whole map follows";
    EXPECT_NE(SettingsText(0).find("90=1,2,3,0"), std::string::npos);
    EXPECT_NE(SettingsText(0).find("64=9,8,7,1"), std::string::npos);
    ASSERT_TRUE(vk_.ClearLog());
    ASSERT_EQ(map.SetBaseColour(MakeColor(9, 8, 7)), kResultSuccess);
    EXPECT_TRUE(Received(CMD_BEGIN).empty()) << "an unchanged base colour does nothing";
}

TEST_F(KeyColourMapVk, MapOfProfileTwoIsEightReportsFromOffset1024) {
    SetCurrentProfile(2);
    ProfileSettings settings = Settings();
    KeyColourMap map(settings);
    ASSERT_TRUE(vk_.ClearLog());
    ASSERT_EQ(map.LoadActiveSet(2), kResultSuccess);
    const auto writes = Received(CMD_WRITE_KEYCOLORS);
    ASSERT_EQ(writes.size(), 8u);
    for (std::size_t i = 0; i < writes.size(); ++i) {
        EXPECT_EQ(Offset(writes[i]), 1024 + static_cast<int>(i) * 54);
        EXPECT_EQ(writes[i][4], 54);
    }
    const Bytes last = Payload(writes[7]);
    EXPECT_TRUE(std::all_of(last.begin(), last.end(), [](uint8_t b) { return b == 0; }));
    // Missing entries read as red following the base colour; slots without a key stay 0.
    const Bytes page = Colours(2);
    EXPECT_EQ(Bytes(page.begin() + 64 * 3, page.begin() + 64 * 3 + 3), (Bytes{0xFF, 0x00, 0x00}));
    EXPECT_EQ(Bytes(page.begin() + 13 * 3, page.begin() + 13 * 3 + 3), (Bytes{0x00, 0x00, 0x00}));
}

// A map with no set loaded (none yet, or forgotten when a profile change found no effect list) edits no
// set of any profile and sends nothing.
TEST_F(KeyColourMapVk, WithoutALoadedSetNothingIsWrittenOrSent) {
    ProfileSettings settings = Settings();
    KeyColourMap map(settings);
    const auto tryEverything = [&] {
        EXPECT_EQ(map.PaintKey(64, true), kResultNotOffered);
        EXPECT_EQ(map.SetBaseColour(MakeColor(1, 2, 3)), kResultNotOffered);
        EXPECT_EQ(map.SelectSet(2), kResultNotOffered);
        map.SetPaintColour(MakeColor(4, 5, 6));
        map.SelectTool(kToolFollow);
        map.RenameSet(1, u"Other");
    };
    ASSERT_TRUE(vk_.ClearLog());
    tryEverything();
    EXPECT_FALSE(fs::exists(user_ / "UserDengColor_0.userd"));

    ASSERT_EQ(map.LoadActiveSet(0, false), kResultSuccess);
    map.Forget();
    tryEverything();
    EXPECT_FALSE(fs::exists(user_ / "UserDengColor_0.userd"));
    EXPECT_TRUE(Received(CMD_BEGIN).empty());
}

TEST_F(KeyColourMapVk, SelectingAndRenamingSets) {
    ProfileSettings settings = Settings();
    settings.WriteKeyColor(1, 6, 64, {MakeColor(10, 20, 30), 0});
    settings.WriteSetOptions(1, 6, {1, MakeColor(4, 5, 6), MakeColor(7, 8, 9)});
    SetCurrentProfile(1);
    KeyColourMap map(settings);
    (void)map.LoadActiveSet(1, false);
    ASSERT_EQ(map.SelectSet(6), kResultSuccess);
    EXPECT_EQ(settings.ReadSelectedSet(1), 6);
    EXPECT_EQ(map.Colour(64), MakeColor(10, 20, 30));
    EXPECT_FALSE(map.Follows(64));
    EXPECT_EQ(map.Options().tool, 1);
    EXPECT_EQ(map.Options().baseColor, MakeColor(4, 5, 6));
    map.RenameSet(6, u"Night");
    EXPECT_EQ(settings.ReadSetName(1, 6), u"Night");
    EXPECT_EQ(map.SetName(6), u"Night");
    EXPECT_EQ(map.SelectSet(10), kResultOutOfRange);
}

}  // namespace
}  // namespace kv
