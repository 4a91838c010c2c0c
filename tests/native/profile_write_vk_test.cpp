// The whole write sequence and the read-back through the device command set against the virtual keyboard;
// the keyboard's memory is checked through its control channel afterwards.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include "device/commands.h"
#include "device/hid_binding.h"
#include "keys/assignment_key_table.h"
#include "keys/assignment_store.h"
#include "keys/key_catalogue.h"
#include "macros/macro_area.h"
#include "macros/profile_write.h"
#include "profiles/profile_read_keyboard.h"
#include "vk_harness.h"

namespace kv {
namespace {

class ProfileWriteVk : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/kvprofile-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        channel_ = "kvprofile-" + std::to_string(getpid());
        setenv("KELVANE_VK_STATE", (dir_ / "vk.state").c_str(), 1);
        setenv("KELVANE_VK_CHANNEL", channel_.c_str(), 1);
        ASSERT_TRUE(lib_.Load());
        std::string failure;
        const BindResult bound = BindServiceApi(lib_.api, [&failure](const BindResult& r) { failure = DescribeBindResult(r); });
        ASSERT_EQ(bound.status, BindStatus::Bound) << failure;
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    void SetUp() override {
        ASSERT_TRUE(vk_.ResetMemory());
        ASSERT_TRUE(vk_.ClearFaults());
    }

    // One macro of m actions and a name of l characters; its area is 22 + 4m (+ 2l with the name).
    static MacroRecord Macro(uint16_t id, std::size_t m, std::size_t l) {
        MacroRecord r = NewMacro(std::u16string(l, u'n'), id);
        r.isNew = 0;
        r.actionCount = static_cast<uint16_t>(m);
        for (std::size_t i = 0; i < m; ++i) r.actions[i] = {30, static_cast<uint16_t>(i % 2 ? 0x02A : 0x01E), static_cast<uint16_t>(i % 2)};
        return r;
    }
    void Assign() {
        ASSERT_TRUE(StoreAssignment(data_, 0, KeyIndexOf(0x01E), ASSIGN_MACRO, 1, 7));
        ASSERT_TRUE(StoreAssignment(data_, 1, KeyIndexOf(0x030), ASSIGN_KEY, 0, 0x162));
        ASSERT_TRUE(StoreAssignment(data_, 2, KeyIndexOf(0x02E), ASSIGN_MEDIA, 0, 7));
        ASSERT_TRUE(StoreAssignment(data_, 2, KeyIndexOf(0x039), ASSIGN_DISABLED, 0, 0));
    }
    KeyTableBlock Defaults() {
        KeyTableBlock d{};
        EXPECT_EQ(ReadDefaultKeyTable(d.data()), kResultSuccess);
        return d;
    }
    std::vector<uint8_t> Memory(const std::string& area) {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(vk_.Dump(area, bytes)) << area;
        return bytes;
    }

    static inline vktest::Library lib_;
    static inline std::filesystem::path dir_;
    static inline std::string channel_;
    qvx::ControlClient vk_{channel_};
    ProfileData data_;
    ProfileDataSnapshot snapshot_;
};

TEST_F(ProfileWriteVk, CapacityExactlyEqualKeepsNamesAndTheMemoryHoldsAreaAndTables) {
    Assign();
    data_.content.macros = {Macro(7, 20, 13)};  // 22 + 80 + 26 = 128 bytes with the name
    ASSERT_EQ(MeasureMacroArea(data_.content.macros).withNames, 128u);
    ASSERT_TRUE(vk_.SetCapacity(1));
    uint8_t info[kInfoSize] = {};
    ASSERT_EQ(ReadInfo(info), kResultSuccess);
    const KeyTableBlock defaults = Defaults();
    const auto out = CreateSnapshotAndWrite(data_, snapshot_, CommandSetDataLink(), info[kInfoCapacityOffset] * 128u, defaults, std::nullopt);
    ASSERT_TRUE(out.written);
    EXPECT_EQ(out.result, kResultSuccess);
    EXPECT_TRUE(out.namesIncluded);
    EXPECT_EQ(out.messageKey, nullptr);

    EXPECT_EQ(Memory("macros 128"), EncodeMacroArea(data_.content.macros, true));
    const std::vector<uint8_t> tables = Memory("keytables");
    ASSERT_EQ(tables.size(), 3 * kKeyTableSize);
    for (unsigned p = 0; p < 3; ++p) {
        const KeyTableBlock expected = BuildKeyTableBlock(snapshot_, p, defaults);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), tables.begin() + p * kKeyTableSize)) << p;
    }
    // And the blocks hold what the slots say, at the keys' own positions.
    auto codeOf = [&](unsigned p, KeyCode key) {
        for (std::size_t i = 0; i < kKeyTablePositions; ++i)
            if (KeyCodeOfActionCode(ActionCodeAt(defaults, i)) == key)
                return ActionCode{tables[p * kKeyTableSize + 3 * i], tables[p * kKeyTableSize + 3 * i + 1], tables[p * kKeyTableSize + 3 * i + 2]};
        ADD_FAILURE() << "no position for key " << key;
        return ActionCode{};
    };
    EXPECT_EQ(codeOf(0, 0x01E), (ActionCode{0x05, 0x01, 0x00}));
    EXPECT_EQ(codeOf(1, 0x030), (ActionCode{0x01, 0x05, 0xFF}));
    EXPECT_EQ(codeOf(2, 0x02E), (ActionCode{0x03, 0xE2, 0x00}));
    EXPECT_EQ(codeOf(2, 0x039), ActionCode{});

    // Reading the keyboard back gives the same assignments and the macro with its name.
    ProfileContent back;
    ASSERT_EQ(ReadKeyboardIntoContent(CommandSetDataLink(), defaults, u"Macro ", back), kResultSuccess);
    EXPECT_EQ(ReadSlot(back.Table(), 0, KeyIndexOf(0x01E)).type, ASSIGN_MACRO);
    EXPECT_EQ(ReadSlot(back.Table(), 0, KeyIndexOf(0x01E)).value, 1u);  // the macro at position 0
    EXPECT_EQ(ReadSlot(back.Table(), 1, KeyIndexOf(0x030)), (KeySlot{ASSIGN_KEY, 0, 0x162, 0, 0}));
    EXPECT_EQ(ReadSlot(back.Table(), 2, KeyIndexOf(0x02E)), (KeySlot{ASSIGN_MEDIA, 0, 7, 0, 0}));
    EXPECT_EQ(ReadSlot(back.Table(), 2, KeyIndexOf(0x039)).type, ASSIGN_DISABLED);
    ASSERT_EQ(back.macros.size(), 1u);
    EXPECT_EQ(back.macros[0].Name(), std::u16string(13, u'n'));
    EXPECT_EQ(back.macros[0].actionCount, 20);
    EXPECT_EQ(back.macros[0].actions[1], (MacroAction{30, 0x02A, 1}));
}

TEST_F(ProfileWriteVk, NamesAreDroppedWhenOnlyTheActionsFit) {
    Assign();
    data_.content.macros = {Macro(7, 20, 14)};  // 130 bytes with the name, 102 without
    ASSERT_TRUE(vk_.SetCapacity(1));
    const auto out = CreateSnapshotAndWrite(data_, snapshot_, CommandSetDataLink(), 128, Defaults(), 0u);
    ASSERT_TRUE(out.written);
    EXPECT_STREQ(out.messageKey, kMessageProfileSpaceTight);
    EXPECT_EQ(out.result, kResultSuccess);
    EXPECT_EQ(Memory("macros 102"), EncodeMacroArea(data_.content.macros, false));
    ProfileContent back;
    ASSERT_EQ(ReadKeyboardIntoContent(CommandSetDataLink(), Defaults(), u"Macro ", back), kResultSuccess);
    ASSERT_EQ(back.macros.size(), 1u);
    EXPECT_EQ(back.macros[0].Name(), u"Macro 1");
}

TEST_F(ProfileWriteVk, TooLongWritesNothing) {
    Assign();
    data_.content.macros = {Macro(7, 40, 1)};  // 182 bytes even without the name
    ASSERT_TRUE(vk_.SetCapacity(1));
    const std::vector<uint8_t> before = Memory("keytables");
    const std::vector<uint8_t> areaBefore = Memory("macros 128");
    ASSERT_TRUE(vk_.ClearLog());
    const auto out = CreateSnapshotAndWrite(data_, snapshot_, CommandSetDataLink(), 128, Defaults(), std::nullopt);
    EXPECT_FALSE(out.written);
    EXPECT_STREQ(out.messageKey, kMessageMacroTooLong);
    EXPECT_EQ(Memory("keytables"), before);
    EXPECT_EQ(Memory("macros 128"), areaBefore);
}

TEST_F(ProfileWriteVk, AFailedMacroAreaDoesNotStopTheTables) {
    Assign();
    data_.content.macros = {Macro(7, 2, 2)};
    ASSERT_TRUE(vk_.SetCapacity(255));
    const KeyTableBlock defaults = Defaults();
    ASSERT_TRUE(vk_.FailStatus(0xFE, 2));  // the begin and the first macro chunk are refused
    const auto out = CreateSnapshotAndWrite(data_, snapshot_, CommandSetDataLink(), 255 * 128, defaults, std::nullopt);
    EXPECT_TRUE(out.written);
    EXPECT_EQ(out.result, kResultSuccess);
    const std::vector<uint8_t> tables = Memory("keytables");
    const KeyTableBlock expected = BuildKeyTableBlock(snapshot_, 2, defaults);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), tables.begin() + 2 * kKeyTableSize));
}

}  // namespace
}  // namespace kv
