// The keyboard model on its own: how it answers each command report and what its factory memory holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "keys/key_catalogue.h"
#include "virtual/command_processor.h"
#include "virtual/keyboard_memory.h"

namespace qvx {
namespace {

Report Request(uint8_t command, uint8_t length = 0, uint16_t offset = 0, const std::vector<uint8_t>& payload = {}) {
    Report r{};
    r[0] = 4;
    r[3] = command;
    r[4] = length;
    r[5] = static_cast<uint8_t>(offset);
    r[6] = static_cast<uint8_t>(offset >> 8);
    std::copy(payload.begin(), payload.end(), r.begin() + 8);
    const uint16_t sum = ReportChecksum(r);
    r[1] = static_cast<uint8_t>(sum);
    r[2] = static_cast<uint8_t>(sum >> 8);
    return r;
}

std::vector<uint8_t> Payload(const Report& answer, std::size_t n) {
    return std::vector<uint8_t>(answer.begin() + 8, answer.begin() + 8 + static_cast<std::ptrdiff_t>(n));
}

std::vector<uint8_t> Bytes(std::size_t n, uint8_t first) {
    std::vector<uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(first + i);
    return v;
}

bool SameMemory(const KeyboardMemory& a, const KeyboardMemory& b) { return EncodeState(a) == EncodeState(b); }

class KeyboardModel : public ::testing::Test {
protected:
    KeyboardMemory memory = FactoryMemory(KeyboardMake{});
};

TEST_F(KeyboardModel, ChecksumOfBeginIsOne) {
    const Report begin = Request(1);
    EXPECT_EQ(begin[1], 0x01);
    EXPECT_EQ(begin[2], 0x00);
    const CommandOutcome out = ProcessCommand(memory, begin);
    ASSERT_TRUE(out.answered);
    EXPECT_EQ(out.answer[0], 4);
    EXPECT_EQ(out.answer[3], 1);
    EXPECT_EQ(out.answer[7], kStatusOk);
}

// Every refused request answers 0xFF, echoes its command and leaves the memory as it was.
TEST_F(KeyboardModel, RefusedRequestsChangeNothing) {
    auto badChecksum = Request(6, 1, 0, {9});
    badChecksum[1] ^= 1;
    auto wrongReportId = Request(6, 1, 0, {9});
    wrongReportId[0] = 3;
    struct Case {
        const char* what;
        Report request;
    };
    const Case cases[] = {
        {"wrong checksum", badChecksum},
        {"wrong report id", wrongReportId},
        {"unknown command", Request(0x42, 1, 0, {9})},
        {"command the keyboard has but we do not model", Request(11, 1, 0, {9})},
        {"length above 56", Request(6, 57, 0, Bytes(56, 1))},
        {"lighting write past the end", Request(6, 2, 125, {1, 2})},
        {"lighting read beyond the area", Request(5, 1, 126)},
        {"key table write past the end", Request(8, 56, 3 * 378 - 55, Bytes(56, 1))},
        {"key table read beyond", Request(7, 56, 3 * 378)},
        {"default key table read beyond", Request(15, 8, 378)},
        {"macro write past the capacity", Request(10, 16, 255 * 128 - 8, Bytes(16, 1))},
        {"key colour write past the end", Request(17, 54, 3 * 512 - 53, Bytes(54, 1))},
        {"info write past the end", Request(4, 2, 43, {0, 0})},
        {"info write of profile 3", Request(4, 1, 10, {3})},
    };
    for (const Case& c : cases) {
        const KeyboardMemory before = memory;
        const CommandOutcome out = ProcessCommand(memory, c.request);
        EXPECT_TRUE(out.answered) << c.what;
        EXPECT_EQ(out.answer[7], kStatusFailed) << c.what;
        EXPECT_EQ(out.answer[3], c.request[3]) << c.what;
        EXPECT_FALSE(out.changed) << c.what;
        EXPECT_TRUE(SameMemory(before, memory)) << c.what;
    }
}

// Each area: a write lands at its offset and a read gives it back.
TEST_F(KeyboardModel, WritesAndReadsOfEachArea) {
    struct Area {
        const char* name;
        uint8_t read, write;
        uint16_t offset;
        uint8_t length;
        const uint8_t* (*where)(const KeyboardMemory&);
    };
    const Area areas[] = {
        {"lighting", 5, 6, 2 * 42 + 5, 3, [](const KeyboardMemory& m) { return m.lighting.data(); }},
        {"key tables", 7, 8, 2 * 378 + 336, 42, [](const KeyboardMemory& m) { return m.keyTables.data(); }},
        {"macros", 9, 10, 56, 56, [](const KeyboardMemory& m) { return m.macros.data(); }},
    };
    for (const Area& a : areas) {
        const std::vector<uint8_t> data = Bytes(a.length, 0x40);
        const CommandOutcome w = ProcessCommand(memory, Request(a.write, a.length, a.offset, data));
        EXPECT_EQ(w.answer[7], kStatusOk) << a.name;
        EXPECT_TRUE(w.changed) << a.name;
        EXPECT_TRUE(std::equal(data.begin(), data.end(), a.where(memory) + a.offset)) << a.name;
        const CommandOutcome r = ProcessCommand(memory, Request(a.read, a.length, a.offset));
        EXPECT_EQ(r.answer[7], kStatusOk) << a.name;
        EXPECT_EQ(Payload(r.answer, a.length), data) << a.name;
    }
    // Key colours are written only; the keyboard has no command to read them back.
    const std::vector<uint8_t> colours = Bytes(54, 0x10);
    EXPECT_EQ(ProcessCommand(memory, Request(17, 54, 2 * 512 + 126 * 3, colours)).answer[7], kStatusOk);
    EXPECT_TRUE(std::equal(colours.begin(), colours.end(), memory.keyColors.begin() + 2 * 512 + 126 * 3));
}

TEST_F(KeyboardModel, ReadsRunningPastTheEndAnswerWhatIsThere) {
    // The lighting refresh asks 56 bytes at profile 2's record: 42 real bytes, the rest zero.
    memory.lighting.back() = 0x77;
    const CommandOutcome out = ProcessCommand(memory, Request(5, 56, 84));
    EXPECT_EQ(out.answer[7], kStatusOk);
    EXPECT_EQ(out.answer[8 + 41], 0x77);
    EXPECT_TRUE(std::all_of(out.answer.begin() + 8 + 42, out.answer.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(KeyboardModel, InformationBlockKeepsItsOwnFields) {
    std::vector<uint8_t> info(memory.info.begin(), memory.info.end());
    info[0] = 0xAB;               // uninterpreted head: kept as written
    info[kInfoProfile] = 2;       // current profile: taken
    info[kInfoFirmware] = 0x99;   // firmware, capacity and effects are the keyboard's own
    info[kInfoCapacity] = 1;
    info[kInfoEffects] = 0;
    const CommandOutcome out = ProcessCommand(memory, Request(4, 44, 0, info));
    EXPECT_EQ(out.answer[7], kStatusOk);
    EXPECT_EQ(memory.info[0], 0xAB);
    EXPECT_EQ(memory.info[kInfoProfile], 2);
    EXPECT_EQ(FirmwareOf(memory), 0x0103);
    EXPECT_EQ(memory.info[kInfoCapacity], 255);
    EXPECT_EQ(memory.info[kInfoEffects], 1);
    EXPECT_EQ(Payload(ProcessCommand(memory, Request(3, 44)).answer, 44),
              std::vector<uint8_t>(memory.info.begin(), memory.info.end()));
}

TEST_F(KeyboardModel, EndClosesATransactionAndBootNeedsNoChecksum) {
    EXPECT_TRUE(ProcessCommand(memory, Request(2)).endOfTransaction);
    Report boot{};
    boot[0] = 4;
    boot[3] = kEnterBoot;
    boot[4] = kEnterBoot;
    const CommandOutcome out = ProcessCommand(memory, boot);
    EXPECT_TRUE(out.enterBoot);
    EXPECT_FALSE(out.answered);
}

TEST(FactoryMemory, InformationBlockMacroAreaAndLighting) {
    const KeyboardMemory m = FactoryMemory(KeyboardMake{});
    EXPECT_EQ(FirmwareOf(m), 0x0103);
    EXPECT_EQ(m.info[kInfoProfile], 0);
    EXPECT_EQ(m.info[kInfoCapacity], 255);
    const std::vector<uint8_t> effects(m.info.begin() + kInfoEffects, m.info.begin() + kInfoEffects + 20);
    EXPECT_EQ(effects, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20, 0}));
    ASSERT_EQ(m.macros.size(), 255u * 128u);
    EXPECT_EQ(std::vector<uint8_t>(m.macros.begin(), m.macros.begin() + 4), (std::vector<uint8_t>{0xAA, 0x55, 16, 0}));
    for (std::size_t p = 0; p < kProfiles; ++p) {
        const uint8_t* r = m.lighting.data() + p * kLightingRecordSize;
        EXPECT_TRUE((r[0] >= 1 && r[0] <= 18) || r[0] == 20) << p;
        EXPECT_LE(r[1], 5) << p;
        EXPECT_LE(r[2], 5) << p;
        EXPECT_LE(r[15], 3) << p;
    }
    for (std::size_t p = 0; p < kProfiles; ++p)
        EXPECT_TRUE(std::equal(m.defaultKeyTable.begin(), m.defaultKeyTable.end(), m.keyTables.begin() + p * kKeyTableSize));
    EXPECT_EQ(m.bankIndicator, (std::array<uint8_t, 2>{0x05, 0x02}));
}

// The full matrix ties each of the 105 picture keys and the 18 G-key slots to exactly one position.
TEST(FactoryMemory, FullMatrixHoldsEveryKeyOnce) {
    const auto table = FactoryKeyTable(Matrix::Full);
    std::map<std::vector<uint8_t>, int> seen;
    for (std::size_t i = 0; i < kKeyPositions; ++i) seen[{table[i * 3], table[i * 3 + 1], table[i * 3 + 2]}]++;
    int keys = 0, modifiers = 0, gkeys = 0;
    for (const auto& [code, count] : seen) {
        if (code[0] == 0x02 && code[1] == 0x02) keys += count;
        if (code[0] == 0x02 && code[1] == 0x01) modifiers += count;
        if (code[0] == 0x06 && code[1] == 0xA2) gkeys += count;
        if (code[0] != 0x00) {
            EXPECT_EQ(count, 1) << int(code[0]) << " " << int(code[1]) << " " << int(code[2]);
        }
    }
    EXPECT_EQ(keys, 97);
    EXPECT_EQ(modifiers, 8);
    EXPECT_EQ(gkeys, 18);
    for (uint8_t n = 1; n <= 18; ++n) EXPECT_EQ((seen[{0x06, 0xA2, n}]), 1) << int(n);
    for (uint8_t bit = 1; bit != 0; bit = static_cast<uint8_t>(bit << 1)) EXPECT_EQ((seen[{0x02, 0x01, bit}]), 1);
    // The keypad, the navigation block, K45 and App are among the plain keys.
    for (uint8_t usage : {0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x62, 0x63, 0x49, 0x4C, 0x64, 0x65, 0x48, 0x47})
        EXPECT_EQ((seen[{0x02, 0x02, usage}]), 1) << std::hex << int(usage);
}

// Checked against the program's key catalogue: each picture key's action code sits at exactly one position.
TEST(FactoryMemory, FullMatrixMatchesTheKeyCatalogue) {
    const auto table = FactoryKeyTable(Matrix::Full);
    auto positions = [&table](uint8_t b0, uint8_t b1, uint8_t b2) {
        int n = 0;
        for (std::size_t i = 0; i < kKeyPositions; ++i)
            if (table[i * 3] == b0 && table[i * 3 + 1] == b1 && table[i * 3 + 2] == b2) ++n;
        return n;
    };
    for (int p = 0; p < kv::kPictureKeyCount; ++p) {
        const kv::KeyCode code = kv::PictureKeyCode(p);
        const uint8_t bit = kv::ModifierBit(code);
        if (bit != 0) {
            EXPECT_EQ(positions(0x02, 0x01, bit), 1) << "picture key " << p;
        } else {
            const kv::DeviceCode device = kv::ClassifyDeviceCode(code);
            EXPECT_EQ(device.deviceClass, kv::kDeviceClassKeyboard) << "picture key " << p;
            EXPECT_EQ(positions(0x02, 0x02, device.code), 1) << "picture key " << p;
        }
    }
}

TEST(FactoryMemory, BuiltinMatrixIsTheShortTable) {
    const auto table = FactoryKeyTable(Matrix::Builtin);
    EXPECT_EQ(std::vector<uint8_t>(table.begin(), table.begin() + 3), (std::vector<uint8_t>{5, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(table.begin() + 8 * 3, table.begin() + 9 * 3), (std::vector<uint8_t>{2, 2, 0x29}));
    EXPECT_EQ(std::vector<uint8_t>(table.begin() + 53 * 3, table.begin() + 54 * 3), (std::vector<uint8_t>{5, 2, 2}));
    EXPECT_TRUE(std::all_of(table.begin() + 64 * 3, table.end(), [](uint8_t b) { return b == 0; }));
}

TEST(StateFile, RoundTripAndDamage) {
    KeyboardMemory m = FactoryMemory(KeyboardMake{});
    SetCapacity(m, 3);
    m.lighting[5] = 0x42;
    m.matrix = Matrix::Builtin;
    const std::vector<uint8_t> bytes = EncodeState(m);
    KeyboardMemory back;
    ASSERT_TRUE(DecodeState(bytes.data(), bytes.size(), back));
    EXPECT_TRUE(SameMemory(m, back));
    EXPECT_EQ(back.macros.size(), 3u * 128u);

    const KeyboardMemory untouched = FactoryMemory(KeyboardMake{});
    auto rejects = [&](std::vector<uint8_t> damaged, const char* what) {
        KeyboardMemory out = untouched;
        EXPECT_FALSE(DecodeState(damaged.data(), damaged.size(), out)) << what;
        EXPECT_TRUE(SameMemory(out, untouched)) << what;
    };
    rejects({}, "empty");
    rejects(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 100), "short");
    rejects(std::vector<uint8_t>(bytes.begin(), bytes.end() - 1), "one byte short");
    auto flipped = bytes;
    flipped[200] ^= 0x01;
    rejects(flipped, "a payload bit flipped");
    auto version = bytes;
    version[4] = 9;
    rejects(version, "another version");
    auto longer = bytes;
    longer.push_back(0);
    rejects(longer, "trailing byte");
}

TEST(StateFile, CapacityChangesKeepWhatFits) {
    KeyboardMemory m = FactoryMemory(KeyboardMake{});
    m.macros[100] = 0x12;
    SetCapacity(m, 1);
    EXPECT_EQ(m.macros.size(), 128u);
    EXPECT_EQ(m.macros[100], 0x12);
    SetCapacity(m, 2);
    EXPECT_EQ(m.macros[100], 0x12);
    EXPECT_EQ(m.macros[200], 0xFF);
    SetCapacity(m, 0);
    EXPECT_TRUE(m.macros.empty());
    SetCapacity(m, 1);
    EXPECT_EQ(std::vector<uint8_t>(m.macros.begin(), m.macros.begin() + 2), (std::vector<uint8_t>{0xAA, 0x55}));
}

}  // namespace
}  // namespace qvx
