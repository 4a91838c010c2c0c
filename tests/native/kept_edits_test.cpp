// Edits kept over the program's end: saved with their mark, taken up by the next start's attach, which reads
// the keyboard into the working file alone; a damaged file or a missing folder keeps nothing.
#include <gtest/gtest.h>

#include "device/commands.h"
#include "keys/assignment_key_table.h"
#include "keys/assignment_store.h"
#include "keys/key_catalogue.h"
#include "profiles/kept_edits.h"
#include "profiles/profile_file.h"
#include "profiles/profile_read_keyboard.h"

namespace kv {
namespace {

// A keyboard whose key tables are its default table and whose macro area is empty; it may stop answering.
class FakeKeyboard final : public KeyboardDataLink {
public:
    bool answers = true;
    int reads = 0;
    int SendBegin() override { return kResultSuccess; }
    int SendEnd() override { return kResultSuccess; }
    int WriteMacroArea(const uint8_t*, std::size_t) override { return kResultSuccess; }
    int WriteKeyTable(const uint8_t*, unsigned) override { return kResultSuccess; }
    int ReadMacroArea(uint8_t* out, std::size_t count) override {
        ++reads;
        std::fill(out, out + count, uint8_t{0});
        return answers ? kResultSuccess : kResultNoDevice;
    }
    int ReadKeyTable(uint8_t* block, unsigned) override {
        ++reads;
        const KeyTableBlock defaults = BuiltInDefaultKeyTable();
        std::copy(defaults.begin(), defaults.end(), block);
        return answers ? kResultSuccess : kResultNoDevice;
    }
};

class KeptEdits : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("kv_kept_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        working_ = dir_ / "$Profile0";
        ASSERT_TRUE(StoreAssignment(edited_, 1, KeyIndexOf(0x030), ASSIGN_MEDIA, 0, 7));
        edited_.content.macros = {NewMacro(u"Combo", 4)};
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::vector<uint8_t> FileBytes() {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(ReadWholeFile(working_, bytes));
        return bytes;
    }

    std::filesystem::path dir_, working_;
    ProfileData edited_;
    FakeKeyboard keyboard_;
};

TEST_F(KeptEdits, AreTakenUpOnceAndTheWorkingFileThenHoldsTheKeyboards) {
    ASSERT_FALSE(HasKeptEdits(working_));
    ASSERT_TRUE(KeepEdits(working_, edited_));
    EXPECT_TRUE(HasKeptEdits(working_));
    EXPECT_EQ(KeptEditsMarkPath(working_).filename(), "$Profile0.unapplied");
    EXPECT_EQ(FileBytes(), SerializeProfile(edited_.content));

    ProfileData data;  // the start's default block
    EXPECT_TRUE(TakeUpKeptEdits(working_, keyboard_, BuiltInDefaultKeyTable(), u"M", data));
    EXPECT_EQ(data.content, edited_.content);
    EXPECT_TRUE(data.fromKeyboard) << "Apply writes the edits without asking to replace unread data";
    EXPECT_GT(keyboard_.reads, 0);
    EXPECT_FALSE(HasKeptEdits(working_));
    // Dropping the edits later goes back to the keyboard's data: the working file holds what it read.
    ProfileContent keyboard;
    ASSERT_EQ(ReadKeyboardIntoContent(keyboard_, BuiltInDefaultKeyTable(), u"M", keyboard), kResultSuccess);
    EXPECT_EQ(FileBytes(), SerializeProfile(keyboard));
    EXPECT_NE(keyboard, edited_.content);

    ProfileData again;
    EXPECT_FALSE(TakeUpKeptEdits(working_, keyboard_, BuiltInDefaultKeyTable(), u"M", again)) << "taken up once";
    EXPECT_EQ(again.content, ProfileContent{});
}

TEST_F(KeptEdits, AKeyboardThatDoesNotAnswerLeavesTheEditsKeptInTheFile) {
    ASSERT_TRUE(KeepEdits(working_, edited_));
    keyboard_.answers = false;
    ProfileData data;
    EXPECT_TRUE(TakeUpKeptEdits(working_, keyboard_, BuiltInDefaultKeyTable(), u"M", data));
    EXPECT_EQ(data.content, edited_.content);
    EXPECT_TRUE(HasKeptEdits(working_)) << "the file is still their only copy";
    EXPECT_EQ(FileBytes(), SerializeProfile(edited_.content));
}

TEST_F(KeptEdits, NothingIsKeptOrTakenUpThatCannotBeRead) {
    // A folder that does not exist: nothing saved, no mark.
    EXPECT_FALSE(KeepEdits(dir_ / "missing" / "$Profile0", edited_));
    EXPECT_FALSE(HasKeptEdits(dir_ / "missing" / "$Profile0"));
    // A damaged working file under the mark: the mark goes and the working data stays as it was.
    ASSERT_TRUE(KeepEdits(working_, edited_));
    ASSERT_TRUE(WriteFileReplacing(working_, std::vector<uint8_t>(100, 0x55)));
    ProfileData data;
    EXPECT_FALSE(TakeUpKeptEdits(working_, keyboard_, BuiltInDefaultKeyTable(), u"M", data));
    EXPECT_EQ(data.content, ProfileContent{});
    EXPECT_FALSE(HasKeptEdits(working_));
    EXPECT_EQ(keyboard_.reads, 0);
    // Applied or dropped: the mark goes.
    ASSERT_TRUE(KeepEdits(working_, edited_));
    ForgetKeptEdits(working_);
    EXPECT_FALSE(HasKeptEdits(working_));
}

}  // namespace
}  // namespace kv
