// Kelvane.exe end to end with edits that wait to be applied: the keyboard attached again keeps them (and the
// user hears of it once), the exit asks what to do with them, and the end of the session keeps them for the
// next start, where Apply still writes them.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

#include "app/app_messages.h"
#include "app_session_win.h"
#include "device/commands.h"
#include "keys/action_catalogue.h"
#include "keys/assignment_key_table.h"
#include "keys/key_catalogue.h"
#include "keys/key_dialog_win.h"
#include "keys/key_name.h"
#include "skin/language.h"
#include "ui/resource_ids.h"
#include "ui/tray_icon_win.h"

namespace kvtest {
namespace {

using namespace std::chrono_literals;

constexpr WORD kEditedKey = VK_F1;
constexpr int kMediaRow = 7;  // the edit: F1 plays the eighth multimedia entry

std::wstring Text(const char* key) { return kv::LookupText(key, kv::GetLanguageIndex()); }

void Post(HWND window, int id) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}
bool Send(HWND window, int id) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                               reinterpret_cast<LPARAM>(GetDlgItem(window, id)), SMTO_NORMAL, 5000, &result) != 0;
}
bool Enabled(HWND window, int id) { return IsWindowEnabled(GetDlgItem(window, id)) != FALSE; }

kv::KeyCode CodeOf(WORD virtualKey) {
    return kv::KeyCodeFromMessage(static_cast<uint8_t>(virtualKey), MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC) << 16);
}

int ControlOfKey(WORD virtualKey) {
    for (int position = 0; position < kv::kPictureKeyCount; ++position)
        if (kv::PictureKeyCode(position) == CodeOf(virtualKey)) return kv::ControlOfPictureKey(position);
    return 0;
}

bool Block(const AppSession& s, const std::string& area, kv::KeyTableBlock& block) {
    std::vector<uint8_t> bytes;
    if (!s.Vk().Dump(area, bytes) || bytes.size() != block.size()) return false;
    std::copy(bytes.begin(), bytes.end(), block.begin());
    return true;
}

// Whether profile 0's key table in the keyboard gives the edited key the edit.
bool KeyboardHoldsTheEdit(const AppSession& s) {
    kv::KeyTableBlock defaults{}, held{};
    if (!Block(s, "default", defaults) || !Block(s, "keytable 0", held)) return false;
    for (std::size_t i = 0; i < kv::kKeyTablePositions; ++i) {
        if (kv::KeyCodeOfActionCode(kv::ActionCodeAt(defaults, i)) != CodeOf(kEditedKey)) continue;
        const kv::ActionCode want = kv::EncodeSlot(kv::KeySlot{kv::ASSIGN_MEDIA, 0, kMediaRow}, kv::ActionCodeAt(defaults, i), 0);
        const kv::ActionCode got = kv::ActionCodeAt(held, i);
        return got.b0 == want.b0 && got.b1 == want.b1 && got.b2 == want.b2;
    }
    return false;
}

unsigned Notices(const AppSession& s) {
    HWND main = s.MainWindow();
    return main == nullptr ? 0 : static_cast<unsigned>(reinterpret_cast<uintptr_t>(GetPropW(main, kv::kTrayNoticesProperty)));
}

HWND KeyDialog(const AppSession& s) {
    for (HWND d : s.OtherDialogs())
        if (GetDlgItem(d, kv::IDC_PAGE_KEY) != nullptr) return d;
    return nullptr;
}

// The edit, made in the key dialog and confirmed with its OK: Apply is enabled, the keyboard does not hold it.
void EditWithoutApplying(ShownSession& w) {
    const int control = ControlOfKey(kEditedKey);
    ASSERT_NE(control, 0);
    Post(w.main, control);
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (dialog = KeyDialog(w.s)) != nullptr; }));
    ASSERT_TRUE(Send(dialog, kv::IDC_PAGE_MEDIA));
    HWND list = GetDlgItem(dialog, kv::IDC_MEDIA_LIST);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(list) != FALSE; }));
    PostMessageW(list, WM_KEYDOWN, VK_HOME, 1);
    for (int i = 0; i < kMediaRow; ++i) PostMessageW(list, WM_KEYDOWN, VK_DOWN, 1);
    ASSERT_TRUE(WaitFor([&] {
        return SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == kMediaRow;
    }));
    Post(dialog, IDOK);
    ASSERT_TRUE(WaitFor([&] { return KeyDialog(w.s) == nullptr; }));
    ASSERT_TRUE(WaitFor([&] { return Enabled(w.main, IDC_APPLY); }));
    ASSERT_FALSE(KeyboardHoldsTheEdit(w.s));
}

void ReattachAndOpen(ShownSession& w) {
    ASSERT_TRUE(w.s.Vk().Detach());
    ASSERT_TRUE(WaitFor([&] { return w.s.TrayPicture() == kv::kIconNoKeyboard; }));
    ASSERT_TRUE(w.s.Vk().Attach());
    ASSERT_TRUE(WaitFor([&] { return w.s.TrayPicture() == kv::kIconAttached; }, 30s));
    PostMessageW(w.main, WM_COMMAND, MAKEWPARAM(ID_TRAY_OPEN, 0), 0);
    ASSERT_TRUE(WaitFor([&] { return w.s.MainVisible(); }));
}

void ApplyAndWait(HWND main) {
    Post(main, IDC_APPLY);
    ASSERT_TRUE(WaitFor([&] { return !Enabled(main, IDC_APPLY); }, 20s));
}

// The window has handled everything sent to it before: a question just answered has had its effect.
bool Settled(HWND main) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result) != 0;
}

TEST(AppWaitingEdits, AnAttachKeepsThemAndTheUserHearsOfItOnce) {
    ShownSession w("edits-attach");
    ASSERT_NO_FATAL_FAILURE(EditWithoutApplying(w));
    EXPECT_EQ(Notices(w.s), 0u);
    // A USB reset or a resume: the keyboard goes and comes back, twice.
    ASSERT_NO_FATAL_FAILURE(ReattachAndOpen(w));
    EXPECT_TRUE(Enabled(w.main, IDC_APPLY));
    EXPECT_EQ(Notices(w.s), 1u) << "told that the edits wait";
    ASSERT_NO_FATAL_FAILURE(ReattachAndOpen(w));
    EXPECT_EQ(Notices(w.s), 1u) << "told once";
    EXPECT_FALSE(KeyboardHoldsTheEdit(w.s));
    ASSERT_NO_FATAL_FAILURE(ApplyAndWait(w.main));
    EXPECT_TRUE(KeyboardHoldsTheEdit(w.s)) << "Apply wrote the edit made before the attach";
}

// Exit asks: Cancel keeps the program and the edits; Yes applies them, No drops them, and the program ends.
TEST(AppWaitingEdits, ExitAsksWhetherToApplyDropOrStay) {
    const struct {
        const char* name;
        int answer;
        bool applied;
    } cases[] = {{"apply", IDYES, true}, {"drop", IDNO, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ShownSession w(std::string("edits-exit-") + c.name);
        ASSERT_NO_FATAL_FAILURE(EditWithoutApplying(w));
        const DWORD pid = w.s.Pid();
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        ASSERT_NE(process, nullptr);
        PostMessageW(w.main, WM_COMMAND, MAKEWPARAM(ID_TRAY_EXIT, 0), 0);
        HWND box = w.s.WaitMessageBox(Text("MAIN_CAPTION"));
        ASSERT_NE(box, nullptr) << "exit asked nothing";
        EXPECT_EQ(MessageBoxText(box), Text("MAIN_EXIT_UNAPPLIED_PROMPT"));
        // Exit again from the tray while the question is open: still one question.
        DWORD_PTR done = 0;
        EXPECT_NE(SendMessageTimeoutW(w.main, WM_COMMAND, MAKEWPARAM(ID_TRAY_EXIT, 0), 0, SMTO_NORMAL, 5000, &done), 0);
        EXPECT_EQ(w.s.OtherDialogs().size(), 1u);
        Answer(box, IDCANCEL);
        ASSERT_TRUE(Settled(w.main));
        EXPECT_EQ(WaitForSingleObject(process, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "Cancel ended the program";
        EXPECT_TRUE(Enabled(w.main, IDC_APPLY));

        PostMessageW(w.main, WM_COMMAND, MAKEWPARAM(ID_TRAY_EXIT, 0), 0);
        box = w.s.WaitMessageBox(Text("MAIN_CAPTION"));
        ASSERT_NE(box, nullptr);
        // The keyboard lives in the program's process: slow answers let the write be seen before it ends.
        ASSERT_TRUE(w.s.Vk().DelayAnswers(150));
        Answer(box, c.answer);
        if (c.applied) {
            EXPECT_TRUE(WaitFor([&] { return KeyboardHoldsTheEdit(w.s); }, 30s));
        }
        EXPECT_EQ(WaitForSingleObject(process, 30000), static_cast<DWORD>(WAIT_OBJECT_0));
        CloseHandle(process);

        // The next start has nothing waiting.
        w.s.Launch(L"/Start");
        ASSERT_TRUE(WaitFor([&] { return w.s.TrayPicture() == kv::kIconAttached; }, 30s));
        EXPECT_FALSE(Enabled(w.s.MainWindow(), IDC_APPLY));
        EXPECT_EQ(Notices(w.s), 0u);
    }
}

// The session ends (logoff, shutdown): the edits are kept, and the next start offers them with Apply.
TEST(AppWaitingEdits, TheEndOfTheSessionKeepsThemForTheNextStart) {
    ShownSession w("edits-session-end");
    ASSERT_NO_FATAL_FAILURE(EditWithoutApplying(w));
    DWORD_PTR mayEnd = 0;
    ASSERT_NE(SendMessageTimeoutW(w.main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &mayEnd), 0);
    EXPECT_NE(mayEnd, 0u) << "the program holds up the end of the session";
    // The system ends the program without anything more.
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, w.s.Pid());
    ASSERT_NE(process, nullptr);
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);

    w.s.Launch(L"/Start");
    ASSERT_TRUE(WaitFor([&] { return w.s.TrayPicture() == kv::kIconAttached; }, 30s));
    HWND main = w.s.MainWindow();
    EXPECT_TRUE(WaitFor([&] { return Enabled(main, IDC_APPLY); })) << "the kept edits wait to be applied";
    EXPECT_TRUE(WaitFor([&] { return Notices(w.s) == 1u; })) << "and the user hears of them";
    EXPECT_FALSE(KeyboardHoldsTheEdit(w.s));
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(ID_TRAY_OPEN, 0), 0);
    ASSERT_TRUE(WaitFor([&] { return w.s.MainVisible(); }));
    ASSERT_NO_FATAL_FAILURE(ApplyAndWait(main));
    EXPECT_TRUE(KeyboardHoldsTheEdit(w.s));
}

}  // namespace
}  // namespace kvtest
