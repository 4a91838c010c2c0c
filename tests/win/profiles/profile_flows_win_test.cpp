// The window's profile flows against the virtual keyboard: the switch with its refusal and its question,
// export then import in both forms, and damaged files that must change nothing anywhere.
#include <gtest/gtest.h>

#include <algorithm>

#include "device/commands.h"
#include "keys/assignment_key_table.h"
#include "keys/assignment_store.h"
#include "keys/key_catalogue.h"
#include "macros/macro_area.h"
#include "macros/profile_data.h"
#include "profile_test_host_win.h"
#include "profiles/profile_file.h"
#include "profiles/profile_file_format.h"
#include "profiles/profile_flows_win.h"
#include "profiles/profile_window_win.h"

namespace kv {
namespace {

using kvtest::Keyboard;
using kvtest::Memory;

class ProfileFlowsVk : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Keyboard().Attach());
        ASSERT_TRUE(Keyboard().ResetMemory());
        ASSERT_TRUE(Keyboard().ClearFaults());
        ASSERT_TRUE(Keyboard().SetProfile(0));
        ClearDeviceProfileCache();
        host_.flows = &flows_;
        flows_.LoadOnAttach();
        ASSERT_TRUE(Keyboard().ClearLog());
    }
    std::filesystem::path Scratch(const std::string& name) { return kvtest::TestEnvironment().scratch / name; }
    static ProfileContent Working() {
        std::lock_guard<std::mutex> hold(TheProfileData().lock);
        return TheProfileData().content;
    }
    // Edits of every kind of data: key assignments in three profiles, a program path, two macros.
    static void Edit() {
        ProfileData& data = TheProfileData();
        ASSERT_TRUE(StoreAssignment(data, 0, KeyIndexOf(0x01E), ASSIGN_MACRO, 1, 2));
        ASSERT_TRUE(StoreAssignment(data, 1, KeyIndexOf(0x030), ASSIGN_KEY, 0, 0x162));
        ASSERT_TRUE(StoreAssignment(data, 2, KeyIndexOf(0x02E), ASSIGN_MEDIA, 0, 7));
        ASSERT_TRUE(StoreTextAssignment(data, 0, KeyIndexOf(0x01F), ASSIGN_PROGRAM, u"C:\\Tools\\run.exe"));
        MacroRecord a = NewMacro(u"Combo", 2), b = NewMacro(u"Second", 5);
        a.isNew = b.isNew = 0;
        a.actionCount = 2;
        a.actions[0] = {40, 0x01E, kDirectionPress};
        a.actions[1] = {0, 0x01E, kDirectionRelease};
        std::lock_guard<std::mutex> hold(data.lock);
        data.content.macros = {a, b};
    }

    kvtest::TestHost host_;
    kvtest::ScriptedDialogs dialogs_;
    kvtest::OpenKeyDialog keyDialog_;
    ProfileFlows flows_{host_, &keyDialog_, nullptr, dialogs_};
};

TEST_F(ProfileFlowsVk, AttachLoadsTheKeyboardIntoTheWorkingFile) {
    EXPECT_TRUE(Working().macros.empty()) << "a factory keyboard holds no macros";
    std::vector<uint8_t> file;
    ASSERT_TRUE(ReadWholeFile(WorkingFile(), file));
    EXPECT_EQ(file, SerializeProfile(Working()));
    EXPECT_GT(host_.keyMarkRefreshes, 0);
    wchar_t caption[260] = {};
    GetWindowTextW(host_.Window(), caption, 260);
    EXPECT_EQ(std::wstring(caption), L"$Profile0" + Text("PROFILE_TIP"));
}

TEST_F(ProfileFlowsVk, SwitchingWhileTheKeyDialogIsOpenIsRefusedAndChangesNothing) {
    Edit();
    host_.SetDirty(true);
    const ProfileContent before = Working();
    keyDialog_.open = 1;
    EXPECT_EQ(flows_.SwitchProfile(2), 0);
    EXPECT_EQ(dialogs_.told, std::vector<std::wstring>{Text("PROFILE_SEELCT_PROMPT2")});
    EXPECT_TRUE(dialogs_.asked.empty());
    EXPECT_EQ(Working(), before);
    EXPECT_TRUE(host_.IsDirty());
    EXPECT_EQ(Memory("info")[kInfoProfileOffset], 0);
    EXPECT_TRUE(kvtest::VendorCommands().empty());
}

TEST_F(ProfileFlowsVk, NoToTheQuestionDiscardsTheEditsAndSwitches) {
    const ProfileContent applied = Working();
    Edit();
    host_.SetDirty(true);
    dialogs_.answers = {false};
    EXPECT_EQ(flows_.SwitchProfile(2), 1);
    EXPECT_EQ(dialogs_.asked, std::vector<std::wstring>{Text("PROFILE_SELECT_PROMPT")});
    EXPECT_FALSE(host_.IsDirty());
    EXPECT_EQ(host_.applies, 0);
    EXPECT_EQ(Working(), applied);
    ProfileData file;
    ASSERT_EQ(LoadProfileFile(WorkingFile(), file), LoadResult::Loaded);
    EXPECT_EQ(Working(), file.content);
    EXPECT_EQ(Memory("info")[kInfoProfileOffset], 2);
    EXPECT_EQ(GetDeviceProfile(), 2);
}

TEST_F(ProfileFlowsVk, YesToTheQuestionAppliesTheEditsBeforeSwitching) {
    Edit();
    host_.SetDirty(true);
    dialogs_.answers = {true};
    EXPECT_EQ(flows_.SwitchProfile(1), 1);
    EXPECT_EQ(host_.applies, 1);
    EXPECT_FALSE(host_.IsDirty());
    EXPECT_EQ(Memory("macros " + std::to_string(MeasureMacroArea(Working().macros).withNames)),
              EncodeMacroArea(Working().macros, true));
    EXPECT_EQ(Memory("info")[kInfoProfileOffset], 1);
}

TEST_F(ProfileFlowsVk, ASwitchBeyondTheThirdProfileMeansTheFirst) {
    ASSERT_TRUE(Keyboard().SetProfile(1));
    ClearDeviceProfileCache();
    EXPECT_EQ(flows_.SwitchProfile(3), 1);
    EXPECT_EQ(Memory("info")[kInfoProfileOffset], 0);
}

TEST_F(ProfileFlowsVk, AFailedSwitchIsNotReportedAsDone) {
    ASSERT_TRUE(Keyboard().RefuseWrites(qvx::ControlClient::kAlways));
    EXPECT_EQ(flows_.SwitchProfile(1), 0);
    ASSERT_TRUE(Keyboard().ClearFaults());
}

// Export, then the keyboard and the working data are wiped, then import: the same table, macros and texts
// come back, and the keyboard's memory holds them, for both forms.
TEST_F(ProfileFlowsVk, ExportThenImportRestoresEverythingAndWritesTheKeyboard) {
    Edit();
    const ProfileContent edited = Working();
    const std::vector<uint8_t> expected = SerializeProfile(edited);
    for (const char* name : {"export.kvp", "export.json"}) {
        SCOPED_TRACE(name);
        const std::wstring path = Scratch(name).wstring();
        dialogs_.files = {FileChoice{path, 0}};
        flows_.Export();
        ASSERT_TRUE(dialogs_.told.empty()) << std::string(dialogs_.told[0].begin(), dialogs_.told[0].end());
        EXPECT_TRUE(dialogs_.requests.back().save);

        ASSERT_TRUE(Keyboard().ResetMemory());
        {
            std::lock_guard<std::mutex> hold(TheProfileData().lock);
            TheProfileData().content = ProfileContent{};
        }
        host_.SetDirty(true);
        dialogs_.files = {FileChoice{path, 0}};
        const int works = host_.keyboardWorks;
        ASSERT_TRUE(Keyboard().ClearLog());
        flows_.Import();
        EXPECT_EQ(host_.keyboardWorks, works + 1) << "the import's keyboard traffic runs as Apply's does";
        EXPECT_TRUE(dialogs_.told.empty());
        EXPECT_FALSE(host_.IsDirty());
        EXPECT_EQ(SerializeProfile(Working()), expected);
        EXPECT_EQ(Working().macros, edited.macros);
        EXPECT_EQ(Working().texts, edited.texts);
        EXPECT_EQ(kvtest::FileBytes(WorkingFile()), expected);

        EXPECT_EQ(Memory("macros " + std::to_string(MeasureMacroArea(edited.macros).withNames)),
                  EncodeMacroArea(edited.macros, true));
        const std::vector<uint8_t> tables = Memory("keytables");
        ASSERT_EQ(tables.size(), 3 * kKeyTableSize);
        std::lock_guard<std::mutex> hold(TheProfileDataSnapshot().lock);
        for (unsigned p = 0; p < 3; ++p) {
            const KeyTableBlock block = BuildKeyTableBlock(TheProfileDataSnapshot(), p, KeyboardDefaultKeys());
            EXPECT_TRUE(std::equal(block.begin(), block.end(), tables.begin() + p * kKeyTableSize)) << p;
        }
    }
}

// An import whose write fails in any report, or whose macro area cannot be measured because the keyboard's
// information cannot be read, keeps the imported data as edits waiting for Apply and says so.
TEST_F(ProfileFlowsVk, AnImportNotWrittenInFullStaysUnapplied) {
    Edit();
    const ProfileContent edited = Working();
    const std::wstring path = Scratch("partly.kvp").wstring();
    dialogs_.files = {FileChoice{path, 0}};
    flows_.Export();
    ASSERT_TRUE(dialogs_.told.empty());
    const struct {
        const char* what;
        uint8_t command;
        int drops;
        bool writes;
    } cases[] = {
        {"begin unanswered", CMD_BEGIN, qvx::ControlClient::kAlways, true},
        {"a macro chunk unanswered", CMD_WRITE_MACROS, 3, true},
        {"end unanswered", CMD_END, qvx::ControlClient::kAlways, true},
        {"information unreadable", CMD_READ_INFO, qvx::ControlClient::kAlways, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        {
            std::lock_guard<std::mutex> hold(TheProfileData().lock);
            TheProfileData().content = ProfileContent{};
        }
        host_.SetDirty(false);
        dialogs_.told.clear();
        ASSERT_TRUE(Keyboard().ClearLog());
        ASSERT_TRUE(Keyboard().DropAnswers(c.drops, c.command));
        dialogs_.files = {FileChoice{path, 0}};
        flows_.Import();
        ASSERT_TRUE(Keyboard().ClearFaults());
        EXPECT_TRUE(host_.IsDirty());
        EXPECT_EQ(SerializeProfile(Working()), SerializeProfile(edited));
        EXPECT_EQ(dialogs_.told, std::vector<std::wstring>{Text("PROFILE_IMPORT_WRITE_FAILED")});
        std::vector<std::vector<uint8_t>> reports;
        ASSERT_TRUE(Keyboard().Reports("vendor:", reports));
        const bool began = std::any_of(reports.begin(), reports.end(),
                                       [](const std::vector<uint8_t>& r) { return r.size() > 3 && r[3] == CMD_BEGIN; });
        EXPECT_EQ(began, c.writes);
    }
}

// A damaged file is refused with its messages; the working data, the working file and the keyboard stay.
TEST_F(ProfileFlowsVk, ImportOfADamagedFileChangesNothingAnywhere) {
    Edit();
    ASSERT_TRUE(SaveProfileFile(WorkingFile(), TheProfileData()));
    host_.SetDirty(true);
    const ProfileContent before = Working();
    const std::vector<uint8_t> good = SerializeProfile(before);
    const std::vector<uint8_t> workingFile = kvtest::FileBytes(WorkingFile());
    const std::vector<uint8_t> keyboardBefore = Memory("keytables");

    std::vector<uint8_t> checksum = good;
    checksum[31] ^= 0x21;
    std::vector<uint8_t> macros101(kAssignmentTableSize + 101 * kMacroRecordSize, 0);
    std::copy_n(good.begin(), kAssignmentTableSize, macros101.begin());
    WriteFileHeader(macros101.data(), 101, 0);
    const std::vector<uint8_t> truncated(good.begin(), good.end() - 700);
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {{"checksum.kvp", checksum}, {"macros101.kvp", macros101}, {"truncated.kvp", truncated},
                 {"broken.json", std::vector<uint8_t>{'{', '"', 'f'}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path path = Scratch(c.name);
        ASSERT_TRUE(WriteFileReplacing(path, c.bytes));
        dialogs_.told.clear();
        ASSERT_TRUE(Keyboard().ClearLog());
        dialogs_.files = {FileChoice{path.wstring(), 0}};
        flows_.Import();
        EXPECT_EQ(dialogs_.told, (std::vector<std::wstring>{TextWith("PROFILE_FORMAT_ERROR", path.wstring()), Text("MAIN_PROMPT_INPORT")}));
        EXPECT_EQ(Working(), before);
        EXPECT_TRUE(host_.IsDirty());
        EXPECT_EQ(kvtest::FileBytes(WorkingFile()), workingFile);
        EXPECT_TRUE(kvtest::VendorCommands().empty());
        EXPECT_EQ(Memory("keytables"), keyboardBefore);
    }
}

TEST_F(ProfileFlowsVk, CancelledFileDialogsDoNothing) {
    const ProfileContent before = Working();
    flows_.Import();
    flows_.Export();
    EXPECT_EQ(dialogs_.requests.size(), 2u);
    EXPECT_TRUE(dialogs_.told.empty());
    EXPECT_EQ(Working(), before);
    EXPECT_TRUE(kvtest::VendorCommands().empty());
}

}  // namespace
}  // namespace kv
