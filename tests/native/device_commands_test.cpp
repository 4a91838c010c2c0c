// The command set over the in-process service: report bytes, chunking, result codes and the profile cache.
#include <gtest/gtest.h>

#include <numeric>

#include "app/current_profile.h"
#include "device/commands.h"
#include "device/keyboard_bracket.h"
#include "device/report.h"
#include "fake_hid_service.h"

namespace kv {
namespace {

using test::FakeAnswer;
using test::FakeHidService;
using test::LengthOf;
using test::OffsetOf;

class DeviceCommands : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::BindFake(fake)); }
    void TearDown() override {
        SetCurrentProfile(0);
        CloseKeyboardBracket();  // a case that sent a begin alone leaves no bracket to the next
    }

    // Writes of one command, in order.
    std::vector<Report> Sent(uint8_t command) const {
        std::vector<Report> out;
        for (const auto& w : fake.Writes())
            if (w.report[kCommandByte] == command) out.push_back(w.report);
        return out;
    }

    FakeHidService fake;
};

TEST(CommandReport, ChecksumIsTheSumOfBytes3To63LittleEndian) {
    Report r = MakeRequest(CMD_WRITE_MACROS, 56, 0x1234);
    for (std::size_t i = kPayloadByte; i < kReportSize; ++i) r[i] = 0xFF;
    SealReport(r);
    const unsigned expected = CMD_WRITE_MACROS + 56 + 0x34 + 0x12 + 56 * 0xFF;
    EXPECT_EQ(r[1] | (r[2] << 8), static_cast<int>(expected));
    EXPECT_EQ(r[0], 4);

    Report all{};
    all.fill(0xFF);
    EXPECT_EQ(ReportChecksum(all), 61 * 255);  // the largest sum still fits 16 bits
}

TEST_F(DeviceCommands, EveryRequestIsSealedAndBeginHasItsFixedBytes) {
    ASSERT_EQ(SendBegin(), kResultSuccess);
    uint8_t block[kKeyTableSize];
    std::iota(block, block + kKeyTableSize, uint8_t{7});
    ASSERT_EQ(WriteKeyTable(block, 1), kResultSuccess);
    ASSERT_EQ(SendEnd(), kResultSuccess);

    const auto writes = fake.Writes();
    ASSERT_EQ(writes.size(), 9u);
    const Report& begin = writes[0].report;
    EXPECT_EQ(begin[0], 4);
    EXPECT_EQ(begin[1], 0x01);
    EXPECT_EQ(begin[2], 0x00);
    EXPECT_EQ((std::vector<uint8_t>(begin.begin() + 3, begin.begin() + 8)), (std::vector<uint8_t>{1, 0, 0, 0, 0}));
    for (const auto& w : writes) {
        EXPECT_EQ(w.length, 64u);
        EXPECT_EQ(w.report[1] | (w.report[2] << 8), ReportChecksum(w.report));
        EXPECT_EQ(w.collection.usagePage, kVendorCollection.usagePage);
        EXPECT_FALSE(w.callbackPassed);
        EXPECT_EQ(w.tag, 0u);
    }
}

TEST_F(DeviceCommands, KeyTableGoesAsSixChunksOf56AndOneOf42) {
    uint8_t block[kKeyTableSize];
    std::iota(block, block + kKeyTableSize, uint8_t{1});
    ASSERT_EQ(WriteKeyTable(block, 2), kResultSuccess);

    const auto chunks = Sent(CMD_WRITE_KEYTABLE);
    ASSERT_EQ(chunks.size(), 7u);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(LengthOf(chunks[i]), i < 6 ? 56 : 42) << "chunk " << i;
        EXPECT_EQ(OffsetOf(chunks[i]), 756 + 56 * i) << "chunk " << i;
    }
    EXPECT_EQ(chunks[0][5], 0xF4);
    EXPECT_EQ(chunks[0][6], 0x02);
    // The last chunk reuses the request: bytes past its 42 keep the previous chunk's, and the checksum covers them.
    for (int i = 42; i < 56; ++i) EXPECT_EQ(chunks[6][kPayloadByte + i], block[280 + i]);
    EXPECT_TRUE(std::equal(block, block + kKeyTableSize, fake.keyTables.begin() + 756));

    uint8_t back[kKeyTableSize] = {};
    ASSERT_EQ(ReadKeyTable(back, 2), kResultSuccess);
    EXPECT_TRUE(std::equal(block, block + kKeyTableSize, back));
    const auto reads = Sent(CMD_READ_KEYTABLE);
    ASSERT_EQ(reads.size(), 7u);
    EXPECT_EQ(OffsetOf(reads[6]), 756 + 336);
    EXPECT_EQ(LengthOf(reads[6]), 42);
}

TEST_F(DeviceCommands, ProfileThreeOrMoreIsRefusedWithoutSending) {
    uint8_t block[kKeyTableSize] = {};
    EXPECT_EQ(ReadKeyTable(block, 3), kResultBadProfile);
    EXPECT_EQ(WriteKeyTable(block, 3), kResultBadProfile);
    EXPECT_EQ(ReadKeyTable(block, static_cast<unsigned>(-1)), kResultBadProfile);
    EXPECT_TRUE(fake.Writes().empty());
    EXPECT_EQ(fake.CountCalls(), 1);  // the binding's presence question only
}

TEST_F(DeviceCommands, MacroAreaChunkingFollowsTheCount) {
    uint8_t header[16] = {};
    ASSERT_EQ(ReadMacroArea(header, 16), kResultSuccess);
    auto reads = Sent(CMD_READ_MACROS);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(LengthOf(reads[0]), 16);
    EXPECT_EQ(OffsetOf(reads[0]), 0);

    EXPECT_EQ(WriteMacroArea(nullptr, 0), kResultSuccess);
    EXPECT_EQ(fake.WritesOf(CMD_WRITE_MACROS), 0);

    std::vector<uint8_t> area(32640);
    std::iota(area.begin(), area.end(), uint8_t{3});
    ASSERT_EQ(WriteMacroArea(area.data(), area.size()), kResultSuccess);
    const auto writes = Sent(CMD_WRITE_MACROS);
    ASSERT_EQ(writes.size(), 583u);  // 582 x 56 + 48
    EXPECT_EQ(OffsetOf(writes.back()), 582 * 56);
    EXPECT_EQ(LengthOf(writes.back()), 48);
    EXPECT_TRUE(std::equal(area.begin(), area.end(), fake.macros.begin()));
}

TEST_F(DeviceCommands, LengthsTheReportCannotCarryAreRefused) {
    std::vector<uint8_t> big(70000);
    EXPECT_EQ(WriteLighting(big.data(), 57, 0), kResultBadLength);
    EXPECT_EQ(WriteKeyColors(big.data(), 57, 0), kResultBadLength);
    // The last chunk would start past offset 0xFFFF and wrap onto the start of the area.
    EXPECT_EQ(WriteMacroArea(big.data(), 65520 + 56 + 1), kResultBadLength);
    EXPECT_EQ(ReadMacroArea(big.data(), 70000), kResultBadLength);
    EXPECT_TRUE(fake.Writes().empty());
    // The last chunk may start at 65520 and run to its full 56 bytes.
    EXPECT_EQ(WriteMacroArea(big.data(), 65520 + 56), kResultSuccess);
    EXPECT_EQ(OffsetOf(fake.Writes().back().report), 65520);
}

TEST_F(DeviceCommands, InformationLightingAndColoursUseTheirFields) {
    for (std::size_t i = 0; i < kInfoSize; ++i) fake.info[i] = static_cast<uint8_t>(0xA0 + i);
    uint8_t info[kInfoSize] = {};
    ASSERT_EQ(ReadInfo(info), kResultSuccess);
    EXPECT_TRUE(std::equal(info, info + kInfoSize, fake.info.begin()));
    EXPECT_EQ(LengthOf(Sent(CMD_READ_INFO)[0]), 44);

    for (std::size_t i = 0; i < fake.lighting.size(); ++i) fake.lighting[i] = static_cast<uint8_t>(i);
    uint8_t light[kPayloadSize] = {};
    ASSERT_EQ(ReadLighting(light, 56, 84), kResultSuccess);
    EXPECT_EQ(light[0], 84);
    EXPECT_EQ(light[55], 84 + 55);  // all 56 bytes, whatever the record's length

    const uint8_t field[3] = {9, 8, 7};
    ASSERT_EQ(WriteLighting(field, 3, 42 + 5), kResultSuccess);
    EXPECT_EQ(fake.lighting[47], 9);
    EXPECT_EQ(fake.lighting[49], 7);

    SetCurrentProfile(2);
    ASSERT_EQ(WriteKeyColors(field, 3, 18), kResultSuccess);
    const Report colours = Sent(CMD_WRITE_KEYCOLORS)[0];
    EXPECT_EQ(OffsetOf(colours), 2 * 512 + 18 * 3);
    EXPECT_EQ(LengthOf(colours), 3);

    // Nothing copied for a length of 0 or less.
    ASSERT_EQ(WriteLighting(field, 0, 0), kResultSuccess);
    EXPECT_EQ(Sent(CMD_WRITE_LIGHTING).back()[kPayloadByte], 0);
}

TEST_F(DeviceCommands, EnterBootModeHasNoChecksumAndAwaitsNothing) {
    fake.responder = [](const Report&, int) { return FakeAnswer{}; };  // the keyboard says nothing
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(EnterBootMode(), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
    const auto writes = fake.Writes();
    ASSERT_EQ(writes.size(), 1u);
    const Report& r = writes[0].report;
    EXPECT_EQ(r[0], 4);
    EXPECT_EQ(r[1], 0);
    EXPECT_EQ(r[2], 0);
    EXPECT_EQ(r[3], 0xEE);
    EXPECT_EQ(r[4], 0xEE);
    EXPECT_EQ(r[7], 0);
    EXPECT_EQ(fake.CountCalls(), 1);  // no presence test of its own

    fake.writeResult = 0;
    EXPECT_EQ(EnterBootMode(), 0);
}

TEST_F(DeviceCommands, StatusFEOnTheSecondChunkStopsTheTransfer) {
    fake.responder = [this](const Report& request, int) {
        FakeAnswer a = fake.ModelAnswer(request);
        if (OffsetOf(request) == 56) (*a.bytes)[kStatusByte] = 0xFE;
        return a;
    };
    uint8_t block[kKeyTableSize];
    std::iota(block, block + kKeyTableSize, uint8_t{50});
    EXPECT_EQ(WriteKeyTable(block, 0), kResultStatusFE);
    const auto chunks = Sent(CMD_WRITE_KEYTABLE);
    ASSERT_EQ(chunks.size(), 4u);  // chunk 1 once, chunk 2 three times, chunk 3 never
    EXPECT_EQ(OffsetOf(chunks[0]), 0);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(chunks[i], chunks[1]);
    EXPECT_TRUE(std::equal(block, block + 56, fake.keyTables.begin()));  // the first chunk stays written
}

TEST_F(DeviceCommands, StatusValuesMapToResults) {
    struct Case {
        uint8_t status;
        int result;
    };
    for (const Case c : {Case{0xFF, kResultStatusFF}, Case{0xFE, kResultStatusFE}, Case{0x01, kResultSuccess},
                         Case{0x80, kResultSuccess}}) {
        fake.responder = [this, c](const Report& request, int) {
            FakeAnswer a = fake.ModelAnswer(request);
            (*a.bytes)[kStatusByte] = c.status;
            return a;
        };
        EXPECT_EQ(SendBegin(), c.result) << "status " << int(c.status);
    }
}

TEST_F(DeviceCommands, AbsentKeyboardFailsEveryCommandWithZero) {
    fake.deviceCount = 0;
    uint8_t block[kKeyTableSize] = {};
    EXPECT_EQ(SendBegin(), kResultNoDevice);
    EXPECT_EQ(ReadDefaultKeyTable(block), kResultNoDevice);
    EXPECT_EQ(WriteMacroArea(block, 100), kResultNoDevice);
    EXPECT_TRUE(fake.Writes().empty());
}

TEST_F(DeviceCommands, DefaultKeyTableReadsItsOwnAddressSpace) {
    std::iota(fake.defaultKeyTable.begin(), fake.defaultKeyTable.end(), uint8_t{11});
    uint8_t block[kKeyTableSize] = {};
    ASSERT_EQ(ReadDefaultKeyTable(block), kResultSuccess);
    EXPECT_TRUE(std::equal(block, block + kKeyTableSize, fake.defaultKeyTable.begin()));
    EXPECT_EQ(OffsetOf(Sent(CMD_READ_DEFAULT_KEYTABLE).back()), 336);
}

TEST_F(DeviceCommands, ProfileCacheReadsTheBlockOnceAndEmptiesOnAFailedWrite) {
    fake.info[kInfoProfileOffset] = 1;
    fake.info[3] = 0x5A;
    EXPECT_EQ(GetDeviceProfile(), 1);
    EXPECT_EQ(GetDeviceProfile(), 1);
    EXPECT_EQ(fake.WritesOf(CMD_READ_INFO), 1);

    // A successful switch: read-modify-write of byte 10 only, and the cache follows without reading.
    SetDeviceProfile(2);
    EXPECT_EQ(fake.info[kInfoProfileOffset], 2);
    EXPECT_EQ(fake.info[3], 0x5A);
    EXPECT_EQ(GetDeviceProfile(), 2);
    EXPECT_EQ(fake.WritesOf(CMD_READ_INFO), 2);

    // The write fails: the cache is emptied and the next question reads the block again.
    fake.responder = [this](const Report& request, int) {
        if (request[kCommandByte] != CMD_WRITE_INFO) return fake.ModelAnswer(request);
        std::vector<uint8_t> refused(request.begin(), request.end());
        refused[kStatusByte] = 0xFF;  // refused, nothing stored
        return FakeAnswer{refused, {}};
    };
    EXPECT_EQ(WriteDeviceProfile(0), kResultStatusFF);
    EXPECT_EQ(GetDeviceProfile(), 2);
    EXPECT_EQ(fake.WritesOf(CMD_READ_INFO), 4);

    // Out of range or negative: nothing is sent, the cache stays.
    const auto before = fake.Writes().size();
    SetDeviceProfile(-1);
    EXPECT_EQ(WriteDeviceProfile(3), kResultBadProfile);
    EXPECT_EQ(fake.Writes().size(), before);
    EXPECT_EQ(GetDeviceProfile(), 2);

    // A failed read leaves the cache empty and says -1.
    ClearDeviceProfileCache();
    fake.deviceCount = 0;
    EXPECT_EQ(GetDeviceProfile(), -1);
    fake.deviceCount = 1;
    EXPECT_EQ(GetDeviceProfile(), 2);
}

}  // namespace
}  // namespace kv
