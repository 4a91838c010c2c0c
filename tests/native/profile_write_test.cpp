// The write sequence to the keyboard, over a link that records every call, and reading the keyboard back.
#include <gtest/gtest.h>

#include <map>

#include "keys/assignment_key_table.h"
#include "keys/assignment_store.h"
#include "keys/key_catalogue.h"
#include "macros/little_endian.h"
#include "macros/macro_area.h"
#include "macros/profile_write.h"
#include "profiles/profile_read_keyboard.h"
#include "profiles/keyboard_write_gate.h"
#include "profiles/profile_transfer.h"

namespace kv {
namespace {

// A keyboard in memory: the bracket, the macro area and three key tables, with a result per operation.
class MemoryKeyboard final : public KeyboardDataLink {
public:
    std::vector<std::string> calls;
    std::vector<uint8_t> area = std::vector<uint8_t>(kMacroAreaLimit, 0xFF);
    std::array<KeyTableBlock, 3> tables{};
    std::map<std::string, int> failing;  // operation -> result it gives

    int SendBegin() override { return Log("begin"); }
    int SendEnd() override { return Log("end"); }
    int WriteMacroArea(const uint8_t* data, std::size_t count) override {
        const int r = Log("macros " + std::to_string(count));
        if (r == kResultSuccess) std::copy_n(data, std::min(count, area.size()), area.begin());
        return r;
    }
    int WriteKeyTable(const uint8_t* block, unsigned p) override {
        const int r = Log("keytable " + std::to_string(p));
        if (r == kResultSuccess && p < 3) std::copy_n(block, kKeyTableSize, tables[p].begin());
        return r;
    }
    int ReadMacroArea(uint8_t* out, std::size_t count) override {
        const int r = Log("read macros " + std::to_string(count));
        std::copy_n(area.begin(), std::min(count, area.size()), out);
        return r;
    }
    int ReadKeyTable(uint8_t* out, unsigned p) override {
        const int r = Log("read keytable " + std::to_string(p));
        std::copy_n(tables[p % 3].begin(), kKeyTableSize, out);
        return r;
    }

private:
    int Log(const std::string& what) {
        calls.push_back(what);
        const auto f = failing.find(what);
        return f == failing.end() ? kResultSuccess : f->second;
    }
};

MacroRecord Macro(uint16_t id, std::u16string_view name, std::size_t actions) {
    MacroRecord m = NewMacro(name, id);
    m.isNew = 0;
    m.actionCount = static_cast<uint16_t>(actions);
    for (std::size_t i = 0; i < actions; ++i) m.actions[i] = {10, 0x01E, static_cast<uint16_t>(i % 2)};
    return m;
}

struct Fixture {
    ProfileData data;
    ProfileDataSnapshot snapshot;
    MemoryKeyboard keyboard;
    Fixture() {
        data.content.macros = {Macro(4, u"four", 3), Macro(2, u"two", 1)};
        EXPECT_TRUE(StoreAssignment(data, 0, KeyIndexOf(0x01E), ASSIGN_MACRO, 1, 2));
        EXPECT_TRUE(StoreAssignment(data, 2, KeyIndexOf(0x030), ASSIGN_KEY, 0, 0x171));
    }
    MacroAreaLengths Lengths() const { return MeasureMacroArea(data.content.macros); }
};

TEST(ProfileWrite, WritesAreaAndAllThreeTablesInOneBracket) {
    Fixture f;
    const auto out = CreateSnapshotAndWrite(f.data, f.snapshot, f.keyboard, kMacroAreaLimit, BuiltInDefaultKeyTable(), std::nullopt);
    EXPECT_EQ(out.result, kResultSuccess);
    EXPECT_EQ(out.messageKey, nullptr);
    EXPECT_TRUE(out.namesIncluded);
    const std::string area = "macros " + std::to_string(f.Lengths().withNames);
    EXPECT_EQ(f.keyboard.calls, (std::vector<std::string>{"begin", area, "keytable 0", "keytable 1", "keytable 2", "end"}));
    // The keyboard now holds the encoded area and the blocks: A plays the macro at position 1.
    const auto decoded = DecodeMacroArea(f.keyboard.area, u"M");
    ASSERT_EQ(decoded.size(), 2u);
    EXPECT_EQ(decoded[1].Name(), u"two");
    EXPECT_EQ(decoded[0].actionCount, 3);
    const KeyTableBlock& d = BuiltInDefaultKeyTable();
    for (std::size_t i = 0; i < kKeyTablePositions; ++i) {
        const KeyCode k = KeyCodeOfActionCode(ActionCodeAt(d, i));
        const ActionCode p0 = ActionCodeAt(f.keyboard.tables[0], i), p2 = ActionCodeAt(f.keyboard.tables[2], i);
        EXPECT_EQ(p0, (k == 0x01E ? ActionCode{0x05, 0x01, 0x01} : ActionCodeAt(d, i))) << i;
        EXPECT_EQ(p2, (k == 0x030 ? ActionCode{0x01, 0x01, 0x01} : ActionCodeAt(d, i))) << i;
        EXPECT_EQ(ActionCodeAt(f.keyboard.tables[1], i), ActionCodeAt(d, i)) << i;
    }
}

TEST(ProfileWrite, CapacityDecidesAboutNamesAndWhetherAnythingIsWritten) {
    struct Case { const char* what; int delta; bool named; bool written; const char* message; };
    const Case cases[] = {
        {"room for names", +1, true, true, nullptr},
        {"exactly the length with names", 0, true, true, nullptr},
        {"one byte short of names", -1, false, true, kMessageProfileSpaceTight},
    };
    for (const auto& c : cases) {
        Fixture f;
        const std::size_t capacity = f.Lengths().withNames + c.delta;
        const auto out = CreateSnapshotAndWrite(f.data, f.snapshot, f.keyboard, capacity, BuiltInDefaultKeyTable(), 1u);
        EXPECT_EQ(out.namesIncluded, c.named) << c.what;
        EXPECT_EQ(out.written, c.written) << c.what;
        EXPECT_STREQ(out.messageKey ? out.messageKey : "", c.message ? c.message : "") << c.what;
        EXPECT_EQ(out.areaLength, c.named ? f.Lengths().withNames : f.Lengths().withoutNames) << c.what;
        EXPECT_EQ(f.keyboard.calls.size(), 4u) << c.what;  // begin, area, profile 1 only, end
        EXPECT_EQ(f.keyboard.calls[2], "keytable 1") << c.what;
        if (!c.named) {
            EXPECT_EQ(DecodeMacroArea(f.keyboard.area, u"Macro ")[0].Name(), u"Macro 1");
        }
    }
    for (int delta : {0, -1}) {
        Fixture f;
        const std::size_t capacity = f.Lengths().withoutNames + delta;
        const auto out = CreateSnapshotAndWrite(f.data, f.snapshot, f.keyboard, capacity, BuiltInDefaultKeyTable(), std::nullopt);
        EXPECT_EQ(out.written, delta == 0) << delta;
        if (delta < 0) {
            EXPECT_STREQ(out.messageKey, kMessageMacroTooLong);
            EXPECT_TRUE(f.keyboard.calls.empty());
            EXPECT_EQ(f.keyboard.area[0], 0xFF);
        }
    }
}

TEST(ProfileWrite, ResultIsTheLastTableWriteAndFailuresDoNotStopTheSequence) {
    Fixture f;
    f.keyboard.failing["macros " + std::to_string(f.Lengths().withNames)] = kResultNoAnswer;
    f.keyboard.failing["keytable 0"] = kResultStatusFF;
    auto out = CreateSnapshotAndWrite(f.data, f.snapshot, f.keyboard, kMacroAreaLimit, BuiltInDefaultKeyTable(), std::nullopt);
    EXPECT_EQ(out.result, kResultSuccess);
    EXPECT_EQ(f.keyboard.calls.size(), 6u);
    f.keyboard.calls.clear();
    f.keyboard.failing["keytable 2"] = kResultWriteRefused;
    out = CreateSnapshotAndWrite(f.data, f.snapshot, f.keyboard, kMacroAreaLimit, BuiltInDefaultKeyTable(), std::nullopt);
    EXPECT_EQ(out.result, kResultWriteRefused);
    EXPECT_EQ(f.keyboard.calls.back(), "end");
    out = CreateSnapshotAndWrite(f.data, f.snapshot, f.keyboard, kMacroAreaLimit, BuiltInDefaultKeyTable(), 3u);
    EXPECT_EQ(out.result, kResultBadProfile);
}

TEST(ProfileWrite, SnapshotPacksTextsAndRewritesItsHeader) {
    Fixture f;
    ASSERT_TRUE(StoreTextAssignment(f.data, 1, 0x20, ASSIGN_TEXT, u"abc"));
    ASSERT_TRUE(StoreTextAssignment(f.data, 0, 0x21, ASSIGN_PROGRAM, u"x"));
    std::lock_guard<std::mutex> hold(f.snapshot.lock);
    TakeSnapshot(f.data, f.snapshot);
    EXPECT_EQ(le::U16(f.snapshot.table.data() + 14), 2);   // macro count
    EXPECT_EQ(le::U32(f.snapshot.table.data() + 16), 12u);  // string bytes
    EXPECT_EQ(ReadSlot(f.snapshot.Table(), 0, 0x21).value, 0u);
    EXPECT_EQ(ReadSlot(f.snapshot.Table(), 1, 0x20).value, 4u);
    EXPECT_EQ(f.snapshot.strings.size(), 12u);
    EXPECT_EQ(le::U16(f.snapshot.strings.data() + 4), u'a');
}

TEST(ReadKeyboard, DecodesTablesAndMacrosAndStopsOnAFailedRead) {
    Fixture f;
    ASSERT_TRUE(CreateSnapshotAndWrite(f.data, f.snapshot, f.keyboard, kMacroAreaLimit, BuiltInDefaultKeyTable(), std::nullopt).written);
    f.keyboard.calls.clear();
    ProfileContent back;
    ASSERT_EQ(ReadKeyboardIntoContent(f.keyboard, BuiltInDefaultKeyTable(), u"M", back), kResultSuccess);
    EXPECT_EQ(f.keyboard.calls, (std::vector<std::string>{"read keytable 0", "read keytable 1", "read keytable 2", "read macros 16",
                                                          "read macros " + std::to_string(f.Lengths().withNames)}));
    EXPECT_EQ(ReadSlot(back.Table(), 0, KeyIndexOf(0x01E)), (KeySlot{ASSIGN_MACRO, 0, 2, 0, 0}));
    EXPECT_EQ(ReadSlot(back.Table(), 2, KeyIndexOf(0x030)), (KeySlot{ASSIGN_KEY, 0, 0x171, 0, 0}));
    EXPECT_EQ(ReadSlot(back.Table(), 1, 0x100).tag, 0x0301);
    ASSERT_EQ(back.macros.size(), 2u);
    EXPECT_EQ(back.macros[1].id, 2);
    EXPECT_EQ(back.macros[0].Name(), u"four");

    // No magic: no macros. A failing table read: the content stays as it was.
    f.keyboard.area.assign(f.keyboard.area.size(), 0);
    ASSERT_EQ(ReadKeyboardIntoContent(f.keyboard, BuiltInDefaultKeyTable(), u"M", back), kResultSuccess);
    EXPECT_TRUE(back.macros.empty());
    f.keyboard.failing["read keytable 1"] = kResultNoAnswer;
    back.macros.push_back(Macro(1, u"kept", 0));
    EXPECT_EQ(ReadKeyboardIntoContent(f.keyboard, BuiltInDefaultKeyTable(), u"M", back), kResultNoAnswer);
    EXPECT_EQ(back.macros.size(), 1u);
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

class ProfileTransfer : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("kv_transfer_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(ProfileTransfer, ImportValidatesLoadsSavesAndWritesAllProfiles) {
    ProfileData source;
    ASSERT_TRUE(StoreAssignment(source, 1, KeyIndexOf(0x01E), ASSIGN_KEY, 0, 0x171));
    source.content.macros = {Macro(1, u"one", 2)};
    const auto file = dir_ / "in.kvp", working = dir_ / "$Profile0";
    ASSERT_TRUE(SaveProfileFile(file, source));

    ProfileData data;
    ProfileDataSnapshot snapshot;
    MemoryKeyboard keyboard;
    const ImportOutcome ok = ImportProfileFile(file, working, data, snapshot, keyboard, kMacroAreaLimit, BuiltInDefaultKeyTable());
    EXPECT_TRUE(ok.imported);
    EXPECT_EQ(ok.firstMessage, nullptr);
    EXPECT_EQ(ok.write.result, kResultSuccess);
    EXPECT_EQ(keyboard.calls.size(), 6u);
    EXPECT_EQ(data.content.macros, source.content.macros);
    EXPECT_EQ(ValidateProfileFile(working).code, kValidateOk);

    // A damaged header: both messages, nothing changes, nothing is sent.
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(file, bytes));
    bytes[4] = 9;
    ASSERT_TRUE(WriteFileReplacing(dir_ / "bad.kvp", bytes));
    keyboard.calls.clear();
    data.content.macros.clear();
    const ImportOutcome bad = ImportProfileFile(dir_ / "bad.kvp", working, data, snapshot, keyboard, kMacroAreaLimit, BuiltInDefaultKeyTable());
    EXPECT_FALSE(bad.imported);
    EXPECT_STREQ(bad.firstMessage, kMessageProfileFormatError);
    EXPECT_STREQ(bad.secondMessage, kMessageImportFailed);
    EXPECT_TRUE(keyboard.calls.empty());
    EXPECT_TRUE(data.content.macros.empty());
    // A missing file: the import message alone.
    const ImportOutcome missing = ImportProfileFile(dir_ / "none.kvp", working, data, snapshot, keyboard, kMacroAreaLimit, BuiltInDefaultKeyTable());
    EXPECT_STREQ(missing.firstMessage, kMessageImportFailed);
    EXPECT_EQ(missing.secondMessage, nullptr);
}

// An import counts as applied only when every report of its write succeeded; with the keyboard's macro
// area unknown it is loaded and saved but not written.
TEST_F(ProfileTransfer, AnImportIsAppliedOnlyWhenEveryReportOfItsWriteSucceeded) {
    ProfileData source;
    source.content.macros = {Macro(1, u"one", 2)};
    const auto file = dir_ / "in.kvp", working = dir_ / "$Profile0";
    ASSERT_TRUE(SaveProfileFile(file, source));
    MemoryKeyboard probe;
    ProfileData data;
    ProfileDataSnapshot snapshot;
    ASSERT_TRUE(ImportProfileFile(file, working, data, snapshot, probe, kMacroAreaLimit, BuiltInDefaultKeyTable()).applied);
    for (const std::string& failing : {std::string("begin"), probe.calls[1], std::string("keytable 1"), std::string("end")}) {
        SCOPED_TRACE(failing);
        MemoryKeyboard keyboard;
        keyboard.failing[failing] = kResultNoAnswer;
        ProfileData target;
        const ImportOutcome out = ImportProfileFile(file, working, target, snapshot, keyboard, kMacroAreaLimit, BuiltInDefaultKeyTable());
        EXPECT_TRUE(out.imported);
        EXPECT_FALSE(out.applied);
        EXPECT_FALSE(target.fromKeyboard);
        EXPECT_EQ(target.content.macros, source.content.macros);
    }
    MemoryKeyboard keyboard;
    ProfileData target;
    const ImportOutcome unknown = ImportProfileFile(file, working, target, snapshot, keyboard, std::nullopt, BuiltInDefaultKeyTable());
    EXPECT_TRUE(unknown.imported);
    EXPECT_FALSE(unknown.applied);
    EXPECT_TRUE(keyboard.calls.empty());
    EXPECT_EQ(target.content.macros, source.content.macros);
}

TEST_F(ProfileTransfer, RefreshReadsTheKeyboardOrFallsBackToTheDefaultBlock) {
    MemoryKeyboard keyboard;
    ProfileData source;
    source.content.macros = {Macro(1, u"kb", 1)};
    ProfileDataSnapshot snapshot;
    ASSERT_TRUE(CreateSnapshotAndWrite(source, snapshot, keyboard, kMacroAreaLimit, BuiltInDefaultKeyTable(), std::nullopt).written);
    ProfileData data;
    const auto working = dir_ / "$Profile0";
    EXPECT_EQ(RefreshFromKeyboard(keyboard, BuiltInDefaultKeyTable(), u"M", working, data), kResultSuccess);
    ASSERT_EQ(data.content.macros.size(), 1u);
    EXPECT_EQ(data.content.macros[0].Name(), u"kb");
    keyboard.failing["read keytable 0"] = kResultNoDevice;
    EXPECT_EQ(RefreshFromKeyboard(keyboard, BuiltInDefaultKeyTable(), u"M", working, data), kResultNoDevice);
    EXPECT_EQ(data.content, ProfileContent{});
}

// A keyboard holding assignments in all three profiles and two macros, read into the working data while
// some reads fail; then an edit and the write-out, as Apply does it.
class KeyboardUnread : public ProfileTransfer {
protected:
    void SetUp() override {
        ProfileTransfer::SetUp();
        ProfileData source;
        source.content.macros = {Macro(1, u"one", 2), Macro(2, u"two", 1)};
        EXPECT_TRUE(StoreAssignment(source, 0, KeyIndexOf(0x01E), ASSIGN_MACRO, 1, 2));
        EXPECT_TRUE(StoreAssignment(source, 1, KeyIndexOf(0x030), ASSIGN_KEY, 0, 0x171));
        EXPECT_TRUE(StoreAssignment(source, 2, KeyIndexOf(0x02C), ASSIGN_DISABLED, 0, 0));
        EXPECT_TRUE(CreateSnapshotAndWrite(source, snapshot_, keyboard_, kMacroAreaLimit, BuiltInDefaultKeyTable(), std::nullopt).written);
        keyboard_.calls.clear();
        before_ = keyboard_;
    }
    int Refresh() { return RefreshFromKeyboard(keyboard_, BuiltInDefaultKeyTable(), u"M", working(), data_); }
    KeyboardWriteGate Gate() { return PrepareKeyboardWrite(keyboard_, BuiltInDefaultKeyTable(), u"M", data_); }
    ProfileWriteOutcome Write() {
        return CreateSnapshotAndWrite(data_, snapshot_, keyboard_, kMacroAreaLimit, BuiltInDefaultKeyTable(), std::nullopt);
    }
    std::filesystem::path working() const { return dir_ / "$Profile0"; }
    void EditOneKey() { ASSERT_TRUE(StoreAssignment(data_, 1, KeyIndexOf(0x010), ASSIGN_KEY, 0, 0x011)); }
    // What the keyboard holds now, read back.
    ProfileContent OnKeyboard() {
        ProfileContent c;
        EXPECT_EQ(ReadKeyboardIntoContent(keyboard_, BuiltInDefaultKeyTable(), u"M", c), kResultSuccess);
        return c;
    }

    ProfileData data_;
    ProfileDataSnapshot snapshot_;
    MemoryKeyboard keyboard_;
    MemoryKeyboard before_;  // the keyboard as it was
};

TEST_F(KeyboardUnread, AFailedMacroAreaReadKeepsTheKeyTablesThatWereRead) {
    ASSERT_TRUE(WriteFileReplacing(working(), std::vector<uint8_t>{1, 2, 3}));
    keyboard_.failing["read macros 16"] = kResultNoAnswer;
    EXPECT_EQ(Refresh(), kResultNoAnswer);
    EXPECT_EQ(ReadSlot(data_.content.Table(), 0, KeyIndexOf(0x01E)), (KeySlot{ASSIGN_MACRO, 0, 2, 0, 0}));
    EXPECT_EQ(ReadSlot(data_.content.Table(), 1, KeyIndexOf(0x030)), (KeySlot{ASSIGN_KEY, 0, 0x171, 0, 0}));
    EXPECT_EQ(ReadSlot(data_.content.Table(), 2, KeyIndexOf(0x02C)).type, ASSIGN_DISABLED);
    EXPECT_TRUE(data_.content.macros.empty());
    std::vector<uint8_t> file;
    ASSERT_TRUE(ReadWholeFile(working(), file));
    EXPECT_EQ(file, (std::vector<uint8_t>{1, 2, 3}));  // the working file only ever holds a complete read
}

TEST_F(KeyboardUnread, ApplyReadsAgainAndKeepsEverythingTheKeyboardHeldBesideTheEdit) {
    struct Case {
        const char* failingRead;  // fails during the refresh only
    };
    for (const Case c : {Case{"read macros 16"}, Case{"read keytable 0"}, Case{"read keytable 2"}}) {
        SCOPED_TRACE(c.failingRead);
        keyboard_ = before_;
        keyboard_.failing[c.failingRead] = kResultNoAnswer;
        EXPECT_EQ(Refresh(), kResultNoAnswer);
        keyboard_.failing.clear();
        EditOneKey();
        ASSERT_EQ(Gate(), KeyboardWriteGate::Write);
        EXPECT_EQ(Write().result, kResultSuccess);

        const ProfileContent now = OnKeyboard();
        EXPECT_EQ(ReadSlot(now.Table(), 1, KeyIndexOf(0x010)), (KeySlot{ASSIGN_KEY, 0, 0x011, 0, 0}));  // the edit
        EXPECT_EQ(ReadSlot(now.Table(), 0, KeyIndexOf(0x01E)), (KeySlot{ASSIGN_MACRO, 0, 2, 0, 0}));
        EXPECT_EQ(ReadSlot(now.Table(), 1, KeyIndexOf(0x030)), (KeySlot{ASSIGN_KEY, 0, 0x171, 0, 0}));
        EXPECT_EQ(ReadSlot(now.Table(), 2, KeyIndexOf(0x02C)).type, ASSIGN_DISABLED);
        ASSERT_EQ(now.macros.size(), 2u);
        EXPECT_EQ(now.macros[0].Name(), u"one");
        EXPECT_EQ(now.macros[1].Name(), u"two");
        // Written in full: the next Apply does not read again.
        keyboard_.calls.clear();
        EXPECT_EQ(Gate(), KeyboardWriteGate::Write);
        EXPECT_TRUE(keyboard_.calls.empty());
        data_.fromKeyboard = false;  // the next case starts from an unread keyboard again
    }
}

TEST_F(KeyboardUnread, StillUnreadableOrMacrosChangedMeanwhileAsksAndChangesNothing) {
    keyboard_.failing["read macros 16"] = kResultNoAnswer;
    EXPECT_EQ(Refresh(), kResultNoAnswer);
    EditOneKey();
    const ProfileContent edited = data_.content;
    EXPECT_EQ(Gate(), KeyboardWriteGate::AskFirst);  // the macro area still cannot be read
    EXPECT_EQ(data_.content, edited);

    keyboard_.failing.clear();
    data_.content.macros.push_back(Macro(1, u"made meanwhile", 1));
    EXPECT_EQ(Gate(), KeyboardWriteGate::AskFirst);  // the keyboard's macros and these cannot both be kept
    EXPECT_EQ(data_.content.macros.size(), 1u);

    // The user agreed: the write replaces what the keyboard held, and afterwards the data is the keyboard's.
    EXPECT_EQ(Write().result, kResultSuccess);
    EXPECT_EQ(OnKeyboard().macros.size(), 1u);
    EXPECT_EQ(Gate(), KeyboardWriteGate::Write);
}

TEST_F(KeyboardUnread, AKeyboardThatCannotBeAskedAtAllIsReadAgainBeforeAWrite) {
    ASSERT_EQ(Refresh(), kResultSuccess);
    UseDefaultBlockUnread(data_);  // the profile query failed at the next attach
    EditOneKey();
    keyboard_.calls.clear();
    ASSERT_EQ(Gate(), KeyboardWriteGate::Write);
    EXPECT_FALSE(keyboard_.calls.empty());  // read again first
    EXPECT_EQ(data_.content.macros.size(), 2u);
    EXPECT_EQ(ReadSlot(data_.content.Table(), 1, KeyIndexOf(0x030)), (KeySlot{ASSIGN_KEY, 0, 0x171, 0, 0}));
}

TEST_F(KeyboardUnread, DiscardingEditsGoesBackToWhatTheReadLeft) {
    ASSERT_EQ(Refresh(), kResultSuccess);  // a complete read writes the working file
    EditOneKey();
    DiscardEdits(working(), data_);
    EXPECT_EQ(ReadSlot(data_.content.Table(), 1, KeyIndexOf(0x010)).type, ASSIGN_DEFAULT);
    EXPECT_EQ(data_.content.macros.size(), 2u);

    keyboard_.failing["read macros 16"] = kResultNoAnswer;
    EXPECT_EQ(Refresh(), kResultNoAnswer);  // the working file still holds the earlier complete read
    EditOneKey();
    DiscardEdits(working(), data_);
    EXPECT_EQ(data_.content, data_.readBase);
    EXPECT_TRUE(data_.content.macros.empty());
}

}  // namespace
}  // namespace kv
