// Kelvane.exe end to end: the keys and macros the keyboard holds survive a read that failed at attach. The
// keyboard's macro area cannot be read once when it is plugged in; the user then changes keys and applies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/app_messages.h"
#include "app_session_win.h"
#include "device/commands.h"
#include "keys/assignment_store.h"
#include "keys/key_catalogue.h"
#include "macros/little_endian.h"
#include "macros/macro_area.h"
#include "macros/macro_record.h"
#include "profiles/profile_file.h"
#include "skin/language.h"
#include "ui/resource_ids.h"

namespace kvtest {
namespace {

using namespace std::chrono_literals;

// A message box of the instance whose text begins with the language text's start.
HWND WaitBoxWithText(const AppSession& s, const std::wstring& start) {
    HWND found = nullptr;
    WaitFor([&] {
        for (HWND w : s.OtherDialogs())
            if (MessageBoxText(w).rfind(start, 0) == 0) return (found = w) != nullptr;
        return false;
    }, 20s);
    return found;
}

// Puts assignments in every profile and two macros on the session's keyboard, as if another computer had
// written them, before the program sees it.
void HoldKeysAndMacros(AppSession& s) {
    kv::ProfileData held;
    kv::MacroRecord one = kv::NewMacro(u"one", 1), two = kv::NewMacro(u"two", 2);
    one.isNew = two.isNew = 0;
    one.actionCount = 2;
    one.actions[0] = {10, 0x01E, 0};
    one.actions[1] = {0, 0x01E, 1};
    held.content.macros = {one, two};
    ASSERT_TRUE(kv::StoreAssignment(held, 0, kv::KeyIndexOf(0x01E), kv::ASSIGN_MACRO, 1, 2));
    ASSERT_TRUE(kv::StoreAssignment(held, 1, kv::KeyIndexOf(0x030), kv::ASSIGN_KEY, 0, 0x171));
    ASSERT_TRUE(kv::StoreAssignment(held, 2, kv::KeyIndexOf(0x02C), kv::ASSIGN_DISABLED, 0, 0));
    const std::wstring file = s.ScratchFolder(L"data") + L"\\held.kvp";
    ASSERT_TRUE(kv::SaveProfileFile(std::filesystem::path(file), held));
    ASSERT_EQ(RunKvtool(L"restore \"" + file + L"\""), 0u);
}

// How many command reports with that command code the keyboard received since its log was cleared.
long Commands(const AppSession& s, uint8_t command) {
    std::vector<std::vector<uint8_t>> reports;
    EXPECT_TRUE(s.Vk().Reports("vendor:", reports));
    return std::count_if(reports.begin(), reports.end(),
                         [&](const std::vector<uint8_t>& r) { return r.size() > 3 && r[3] == command; });
}

// Restore defaults of the current profile: a change of keys, applied at once.
void RestoreDefaultKeys(AppSession& s) {
    PostMessageW(s.MainWindow(), WM_COMMAND, MAKEWPARAM(IDC_FUNC_DEFAULT, BN_CLICKED), 0);
    HWND ask = WaitBoxWithText(s, kv::LookupText("MAIN_PROMPT_DEFAULT", kv::GetLanguageIndex()).substr(0, 20));
    ASSERT_NE(ask, nullptr);
    Answer(ask, IDYES);
}

TEST(AppKeyboardData, AMacroAreaUnreadAtAttachIsNotOverwrittenByTheNextApply) {
    AppSession s("unread-macros", /*attached=*/false);
    HoldKeysAndMacros(s);
    s.Launch(L"");
    ASSERT_TRUE(s.WaitInitialised());
    // The macro area's first read at attach gets no answer, in all three attempts.
    ASSERT_TRUE(s.Vk().DropAnswers(3, kv::CMD_READ_MACROS));
    ASSERT_TRUE(s.Vk().Attach());
    ASSERT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }, 20s));
    std::vector<uint8_t> table1, table2, macros;
    ASSERT_TRUE(s.Vk().Dump("keytable 1", table1));
    ASSERT_TRUE(s.Vk().Dump("keytable 2", table2));
    ASSERT_TRUE(s.Vk().Dump("macros", macros));

    ASSERT_TRUE(s.Vk().ClearLog());
    RestoreDefaultKeys(s);
    // Apply reads the keyboard again (it answers now), so nothing needs asking, and writes.
    ASSERT_TRUE(WaitFor([&] { return Commands(s, kv::CMD_END) > 0; }, 30s));
    EXPECT_GT(Commands(s, kv::CMD_READ_MACROS), 0);  // read again before writing
    EXPECT_TRUE(s.OtherDialogs().empty());
    std::vector<uint8_t> after1, after2, afterMacros;
    ASSERT_TRUE(s.Vk().Dump("keytable 1", after1));
    ASSERT_TRUE(s.Vk().Dump("keytable 2", after2));
    ASSERT_TRUE(s.Vk().Dump("macros", afterMacros));
    EXPECT_EQ(after1, table1);
    EXPECT_EQ(after2, table2);
    ASSERT_GE(afterMacros.size(), kv::kMacroAreaHeaderSize);
    EXPECT_EQ(kv::le::U16(afterMacros.data()), kv::kMacroAreaMagic);
    EXPECT_EQ(kv::le::U16(afterMacros.data() + 4), 2u);  // both macros are still there
    EXPECT_EQ(afterMacros, macros);
}

TEST(AppKeyboardData, AStillUnreadableKeyboardIsReplacedOnlyWhenTheUserSaysYes) {
    AppSession s("unread-asks", /*attached=*/false);
    HoldKeysAndMacros(s);
    s.Launch(L"");
    ASSERT_TRUE(s.WaitInitialised());
    ASSERT_TRUE(s.Vk().DropAnswers(qvx::ControlClient::kAlways, kv::CMD_READ_MACROS));
    ASSERT_TRUE(s.Vk().Attach());
    ASSERT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }, 20s));
    ASSERT_TRUE(s.Vk().ClearLog());
    RestoreDefaultKeys(s);

    const std::wstring question = kv::LookupText("MAIN_KEYBOARD_UNREAD_PROMPT", kv::GetLanguageIndex());
    HWND ask = WaitBoxWithText(s, question);
    ASSERT_NE(ask, nullptr);
    EXPECT_EQ(MessageBoxText(ask), question);
    if (const char* pause = std::getenv("KV_LOOK_PAUSE_MS"))  // time to look at the box on the display
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(pause)));
    Answer(ask, IDNO);  // No: nothing is written, the change stays unapplied
    ASSERT_TRUE(WaitFor([&] { return s.OtherDialogs().empty(); }));
    ASSERT_TRUE(SettleWindow(s.MainWindow()));
    EXPECT_EQ(Commands(s, kv::CMD_BEGIN), 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(s.MainWindow(), IDC_APPLY)));
    std::vector<uint8_t> macros;
    ASSERT_TRUE(s.Vk().Dump("macros", macros));
    EXPECT_EQ(kv::le::U16(macros.data() + 4), 2u);

    // Apply again and Yes: the user chose to replace what the keyboard holds.
    PostMessageW(s.MainWindow(), WM_COMMAND, MAKEWPARAM(IDC_APPLY, BN_CLICKED), 0);
    ask = WaitBoxWithText(s, question);
    ASSERT_NE(ask, nullptr);
    Answer(ask, IDYES);
    ASSERT_TRUE(WaitFor([&] { return Commands(s, kv::CMD_END) > 0; }, 30s));
    ASSERT_TRUE(WaitFor([&] { return !IsWindowEnabled(GetDlgItem(s.MainWindow(), IDC_APPLY)); }));
}

}  // namespace
}  // namespace kvtest
