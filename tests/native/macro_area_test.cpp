// The macro area: measuring, encoding, decoding, and bounded decoding of damaged areas.
#include <gtest/gtest.h>

#include "macros/little_endian.h"
#include "macros/macro_area.h"
#include "macros/macro_list_apply.h"
#include "macros/macro_record.h"

namespace kv {
namespace {

MacroRecord Macro(std::u16string_view name, std::vector<MacroAction> actions, uint8_t repeat = 1) {
    MacroRecord m;
    m.SetName(name);
    m.repeat = repeat;
    m.actionCount = static_cast<uint16_t>(actions.size());
    std::copy(actions.begin(), actions.end(), m.actions.begin());
    return m;
}

TEST(MacroRecord, EncodesByteForByteAndBack) {
    MacroRecord m = Macro(u"Combo", {{40000, 0x02A, 0}, {0, 0x01E, 1}}, 3);
    m.id = 7;
    m.playMode = 2;
    uint8_t bytes[kMacroRecordSize];
    EncodeMacroRecord(m, bytes);
    EXPECT_EQ(le::U16(bytes), u'C');
    EXPECT_EQ(bytes[500], 3);
    EXPECT_EQ(le::U16(bytes + 504), 2);
    EXPECT_EQ(le::U16(bytes + 506), 7);
    EXPECT_EQ(le::U16(bytes + 508), 2);
    EXPECT_EQ(le::U32(bytes + 512), 40000u);
    EXPECT_EQ(le::U16(bytes + 512 + 4), 0x02A);
    EXPECT_EQ(le::U16(bytes + 520 + 6), 1);
    MacroRecord back;
    DecodeMacroRecord(bytes, back);
    EXPECT_EQ(back, m);
}

TEST(MacroRecord, NameStopsAt249CharactersEvenWithoutTerminator) {
    MacroRecord m;
    m.name.fill(u'x');
    EXPECT_EQ(m.Name().size(), kMacroNameMaxChars);
    m.SetName(std::u16string(400, u'y'));
    EXPECT_EQ(m.Name(), std::u16string(249, u'y'));
    EXPECT_EQ(m.name[249], u'\0');
}

TEST(MacroArea, EmptyListIsJustTheHeader) {
    const auto area = EncodeMacroArea({}, true);
    ASSERT_EQ(area.size(), 16u);
    EXPECT_EQ(le::U16(area.data()), 0x55AA);
    EXPECT_EQ(le::U16(area.data() + 2), 16);
    EXPECT_EQ(le::U16(area.data() + 4), 0);
    EXPECT_TRUE(DecodeMacroArea(area, u"M").empty());
}

TEST(MacroArea, MeasuresAndLaysOutEntries) {
    const std::vector<MacroRecord> one = {Macro(u"abc", {})};
    const MacroAreaLengths l = MeasureMacroArea(one);
    EXPECT_EQ(l.withNames, 16u + 2 + 10);
    EXPECT_EQ(l.withoutNames, 16u + 2 + 4);
    const auto area = EncodeMacroArea(one, true);
    ASSERT_EQ(area.size(), l.withNames);
    EXPECT_EQ(le::U16(area.data() + 6), 1);
    EXPECT_EQ(le::U16(area.data() + 16), 18);  // the offset table
    EXPECT_EQ(area[18 + 3], 3);                // name length
    EXPECT_EQ(le::U16(area.data() + 22), u'a');
    const auto bare = EncodeMacroArea(one, false);
    EXPECT_EQ(bare.size(), l.withoutNames);
    EXPECT_EQ(bare[18 + 3], 0);

    const std::vector<MacroRecord> two = {Macro(u"ab", {{10, 0x01E, 0}}), Macro(u"c", {{0, 0x030, 1}, {0, 0x030, 0}})};
    const auto area2 = EncodeMacroArea(two, true);
    EXPECT_EQ(le::U16(area2.data() + 16), 20);
    EXPECT_EQ(le::U16(area2.data() + 18), 20 + 4 + 4 + 4);
    EXPECT_EQ(area2.size(), MeasureMacroArea(two).withNames);
}

TEST(MacroArea, EncodesEachActionKind) {
    struct Case { MacroAction action; uint16_t word0; uint8_t lo, hi; uint16_t decodedKey; uint32_t decodedDelay; };
    const Case cases[] = {
        {{40000, 0x01E, 0}, 0x8000 | 0x2000 | 4000, 2, 0x04, 0x01E, 40000},
        {{45, 0x01E, 0}, 0x8000 | 0x2000 | 4, 2, 0x04, 0x01E, 40},
        {{50, 0x02A, 0}, 0xA000 + 5, 1, 0x02, 0x02A, 50},       // left Shift press
        {{0, 0x01E, 1}, 0x2000, 2, 0x04, 0x01E, 0},              // A release
        {{0, 0x15C, 1}, 0x2000, 1, 0x80, 0x15C, 0},              // right Windows
        {{0, 0x162, 0}, 0x9000, 5, 0xFF, 354, 0},                // wheel down
        {{0, 0x161, 0}, 0x9000, 5, 0x01, 353, 0},
        {{0, 0x171, 0}, 0x9000, 1, 0x01, 369, 0},
        {{0, 0x173, 1}, 0x1000, 1, 0x04, 371, 0},
        {{0, 0x15E, 0}, 0xC000, 0x81, 0x00, 0x15E, 0},           // Power: system control
        {{0, 0x000, 0}, 0x8000, 0, 0, 0, 0},                     // no key
        {{0, 0x120, 7}, 0xA000, 2, 0xCD, 0x120, 0},              // direction above 1 is a press
        {{0, 0x16E, 0}, 0x8000, 0, 0, 0, 0},                     // pan left has no device code
    };
    for (const auto& c : cases) {
        const EncodedAction e = EncodeMacroAction(c.action);
        EXPECT_EQ(e.word0, c.word0) << c.action.key;
        EXPECT_EQ(e.lo, c.lo) << c.action.key;
        EXPECT_EQ(e.hi, c.hi) << c.action.key;
        const MacroAction back = DecodeMacroAction(e.word0, e.lo, e.hi);
        EXPECT_EQ(back.key, c.decodedKey) << c.action.key;
        EXPECT_EQ(back.delay, c.decodedDelay) << c.action.key;
        EXPECT_EQ(back.direction, c.action.direction == 1 ? 1 : 0) << c.action.key;
    }
}

TEST(MacroArea, DecodesKindsTheEncoderNeverWrites) {
    EXPECT_EQ(DecodeMacroAction(0x3000, 0xE2, 0x00).key, 0x120);  // consumer Mute
    EXPECT_EQ(DecodeMacroAction(0x6000, 0xA2, 0x03).key, 0x202);  // G-key 3
    EXPECT_EQ(DecodeMacroAction(0x6000, 0xA2, 0x00).key, 0);      // no G-key 0
    EXPECT_EQ(DecodeMacroAction(0x4000, 0x84, 0x00).key, 0);
    EXPECT_EQ(DecodeMacroAction(0x7000, 0x01, 0x01).key, 0);
    EXPECT_EQ(DecodeMacroAction(0x2000, 0x01, 0x00).key, 0);      // empty modifier mask
}

TEST(MacroArea, RoundTripsWithNamesAndNamesTheNamelessByPosition) {
    std::vector<MacroRecord> list = {Macro(u"first", {{100, 0x01E, 0}, {0, 0x01E, 1}}, 2),
                                     Macro(u"", {{30, 0x171, 0}}), Macro(u"third", {})};
    const auto decoded = DecodeMacroArea(EncodeMacroArea(list, true), u"Macro ");
    ASSERT_EQ(decoded.size(), 3u);
    EXPECT_EQ(decoded[0].Name(), u"first");
    EXPECT_EQ(decoded[0].repeat, 2);
    EXPECT_EQ(decoded[0].id, 1);
    EXPECT_EQ(decoded[0].actionCount, 2);
    EXPECT_EQ(decoded[0].actions[0], (MacroAction{100, 0x01E, 0}));
    EXPECT_EQ(decoded[1].Name(), u"Macro 2");
    EXPECT_EQ(decoded[2].id, 3);
    const auto bare = DecodeMacroArea(EncodeMacroArea(list, false), u"Macro ");
    EXPECT_EQ(bare[2].Name(), u"Macro 3");
}

TEST(MacroArea, DecodingStaysInsideDamagedAreas) {
    std::vector<MacroRecord> list = {Macro(u"ab", {{10, 0x01E, 0}, {10, 0x01E, 1}})};
    const auto good = EncodeMacroArea(list, true);
    struct Case { const char* what; std::vector<uint8_t> bytes; std::size_t macros; std::size_t actions; std::u16string name; };
    std::vector<Case> cases;
    auto with = [&](const char* what, auto change, std::size_t macros, std::size_t actions, std::u16string name) {
        std::vector<uint8_t> b = good;
        change(b);
        cases.push_back({what, b, macros, actions, name});
    };
    with("intact", [](auto&) {}, 1, 2, u"ab");
    with("no magic", [](auto& b) { b[0] = 0; }, 0, 0, u"");
    with("count beyond the table room", [](auto& b) { le::Put16(b.data() + 4, 60000); }, 9, 2, u"ab");  // (34 - 16) / 2 offsets fit
    with("offset beyond the area", [](auto& b) { le::Put16(b.data() + 16, 0xFFF0); }, 1, 0, u"P1");
    with("offset inside the header", [](auto& b) { le::Put16(b.data() + 16, 2); }, 1, 0, u"P1");
    with("action count beyond the area", [](auto& b) { le::Put16(b.data() + 18, 9000); }, 1, 3, u"P1");  // the name bytes read as a third action
    with("name longer than the area", [](auto& b) { b[21] = 200; }, 1, 2, u"ab");
    with("total length shorter than the bytes", [](auto& b) { le::Put16(b.data() + 2, 30); }, 1, 2, u"P1");
    with("truncated bytes", [](auto& b) { b.resize(25); }, 1, 0, u"P1");
    with("header only", [](auto& b) { b.resize(16); }, 0, 0, u"");
    with("shorter than a header", [](auto& b) { b.resize(9); }, 0, 0, u"");
    for (const auto& c : cases) {
        const auto decoded = DecodeMacroArea(c.bytes, u"P");
        ASSERT_EQ(decoded.size(), c.macros) << c.what;
        if (c.macros == 0) continue;
        EXPECT_EQ(decoded[0].actionCount, c.actions) << c.what;
        EXPECT_EQ(decoded[0].Name(), c.name) << c.what;
        EXPECT_EQ(decoded[0].id, 1) << c.what;
    }
}

TEST(MacroArea, DecodeCapsMacrosActionsAndNameLength) {
    // 101 macros of 2001 actions each cannot fit a real area, so build one large buffer by hand.
    const std::size_t n = 101, m = 2001;
    std::vector<uint8_t> area(16 + 2 * n + 4 + 4 * m + 2 * 255, 0);
    le::Put16(area.data(), 0x55AA);
    le::Put16(area.data() + 2, 0xFFFF);
    le::Put16(area.data() + 4, n);
    const std::size_t entry = 16 + 2 * n;
    for (std::size_t i = 0; i < n; ++i) le::Put16(area.data() + 16 + 2 * i, static_cast<uint16_t>(entry));
    le::Put16(area.data() + entry, m);
    area[entry + 3] = 255;
    for (std::size_t j = 0; j < 255; ++j) le::Put16(area.data() + entry + 4 + 4 * m + 2 * j, u'n');
    const auto decoded = DecodeMacroArea(area, u"P");
    ASSERT_EQ(decoded.size(), kMaxMacros);
    EXPECT_EQ(decoded[0].actionCount, kMacroMaxActions);
    EXPECT_EQ(decoded[99].Name(), std::u16string(249, u'n'));
}

TEST(ApplyMacroList, ResetsSlotsOfGoneOrReusedIdentifiersAndBindsUnsetOnes) {
    ProfileData data;
    KeySlot gone{ASSIGN_MACRO, 1, 4, 1, 0}, reused{ASSIGN_MACRO, 1, 2, 0, 0}, kept{ASSIGN_MACRO, 1, 3, 0, 0},
        unset{ASSIGN_MACRO, 1, 0, 0, 0};
    WriteSlot(data.content.Table(), 0, 0x1E, gone);
    WriteSlot(data.content.Table(), 3, 0x30, reused);
    WriteSlot(data.content.Table(), 2, 0x2E, kept);
    WriteSlot(data.content.Table(), 1, 0x20, unset);
    MacroRecord a = NewMacro(u"a", 3), b = NewMacro(u"b", 2);
    a.isNew = 0;
    const auto reset = ApplyMacroList(data, {a, b});
    EXPECT_EQ(reset, (std::vector<SlotRef>{{0, 0x1E}, {3, 0x30}}));
    EXPECT_EQ(ReadSlot(data.content.Table(), 0, 0x1E).type, ASSIGN_DEFAULT);
    EXPECT_EQ(ReadSlot(data.content.Table(), 0, 0x1E).lighting, 1u);
    EXPECT_EQ(ReadSlot(data.content.Table(), 2, 0x2E).type, ASSIGN_MACRO);
    EXPECT_EQ(ReadSlot(data.content.Table(), 1, 0x20).value, 3u);
    ASSERT_EQ(data.content.macros.size(), 2u);
    EXPECT_EQ(data.content.macros[1].isNew, 0);
    EXPECT_EQ(LowestFreeMacroId(data.content.macros), 1);
}

}  // namespace
}  // namespace kv
