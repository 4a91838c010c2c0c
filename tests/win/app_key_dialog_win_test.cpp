// Kelvane.exe's key assignment dialog end to end, as a new user goes through it: a key of the keyboard
// picture clicked, another key pressed, a multimedia action or a keyboard function chosen, or a macro
// added and recorded from the keyboard; OK, the main window's Apply, and the keyboard's memory holds it.
// Everything reaches the program from outside: window messages, and key presses through the system's
// input queue (SendInput), which the dialog's keyboard hooks see as they would a user's.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app_session_win.h"
#include "device/commands.h"
#include "keys/action_catalogue.h"
#include "keys/assignment_key_table.h"
#include "keys/key_catalogue.h"
#include "keys/key_dialog_win.h"
#include "keys/key_name.h"
#include "macros/macro_area.h"
#include "skin/language.h"
#include "ui/resource_ids.h"

namespace kvtest {
namespace {

using namespace std::chrono_literals;

constexpr int kProfile = 1;  // not the first profile: the dialog stores into the keyboard's current one

void Post(HWND window, int id) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

// Handled before it returns: what the next step relies on is in place.
bool Send(HWND window, int id) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                               reinterpret_cast<LPARAM>(GetDlgItem(window, id)), SMTO_NORMAL, 5000, &result) != 0;
}

bool Enabled(HWND window, int id) { return IsWindowEnabled(GetDlgItem(window, id)) != FALSE; }
bool Visible(HWND window, int id) { return IsWindowVisible(GetDlgItem(window, id)) != FALSE; }

// Presses and releases each key in turn, as a user types them.
bool Type(std::initializer_list<WORD> virtualKeys) {
    for (WORD vk : virtualKeys) {
        const WORD scan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki = KEYBDINPUT{vk, scan, 0, 0, 0};
        in[1].ki = KEYBDINPUT{vk, scan, KEYEVENTF_KEYUP, 0, 0};
        if (SendInput(2, in, sizeof(INPUT)) != 2) return false;
        Sleep(60);  // a pause between keys, as a hand makes
    }
    return true;
}

kv::KeyCode CodeOf(WORD virtualKey) {
    return kv::KeyCodeFromMessage(static_cast<uint8_t>(virtualKey), MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC) << 16);
}

std::wstring NameOf(kv::KeyCode code) {
    wchar_t name[kv::kKeyNameCapacity] = {};
    kv::KeyName(code, name, kv::kKeyNameCapacity);
    return name;
}

// The main window's control of the picture key that produces the virtual key.
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

// The position of the keyboard's key table where the key sits, by the keyboard's own default table.
int PositionOf(const kv::KeyTableBlock& defaults, kv::KeyCode key) {
    for (std::size_t i = 0; i < kv::kKeyTablePositions; ++i)
        if (kv::KeyCodeOfActionCode(kv::ActionCodeAt(defaults, i)) == key) return static_cast<int>(i);
    return -1;
}

long ListCount(HWND list) { return static_cast<long>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }
long ListSelection(HWND list) {
    return static_cast<long>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// The running program with the keyboard on profile 1 and the key dialog opened on a key of the picture.
class AppKeyDialog : public ::testing::Test {
protected:
    void Open(const std::string& name, WORD key) {
        w = std::make_unique<ShownSession>(name, kProfile);
        ASSERT_NE(w->main, nullptr);
        ASSERT_TRUE(Block(w->s, "default", defaults));
        ASSERT_TRUE(Block(w->s, "keytable " + std::to_string(kProfile), before));
        target = CodeOf(key);
        position = PositionOf(defaults, target);
        ASSERT_GE(position, 0);
        const int control = ControlOfKey(key);
        ASSERT_NE(control, 0);
        ASSERT_TRUE(Enabled(w->main, control));
        EXPECT_FALSE(Enabled(w->main, IDC_APPLY));
        Post(w->main, control);
        ASSERT_TRUE(WaitFor([&] { return (dialog = KeyDialog()) != nullptr; }));
        // It comes to the front, where the keys a user presses go.
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == dialog; }));
    }

    HWND KeyDialog() const {
        for (HWND d : w->s.OtherDialogs())
            if (GetDlgItem(d, kv::IDC_PAGE_KEY) != nullptr) return d;
        return nullptr;
    }

    // OK on the dialog, then Apply on the main window: the write-out ends and Apply is disabled again.
    void OkAndApply() {
        Post(dialog, IDOK);
        ASSERT_TRUE(WaitFor([&] { return KeyDialog() == nullptr; }));
        ASSERT_TRUE(WaitFor([&] { return Enabled(w->main, IDC_APPLY); }));
        Post(w->main, IDC_APPLY);
        ASSERT_TRUE(WaitFor([&] { return !Enabled(w->main, IDC_APPLY); }, 20s));
        ASSERT_TRUE(WaitFor([&] {
            std::vector<std::vector<uint8_t>> reports;
            return w->s.Vk().Reports("vendor:", reports) && !reports.empty() && reports.back().size() > 3 &&
                   reports.back()[3] == kv::CMD_END;
        }));
    }

    // The profile's key table holds the slot's code at the key's position and nothing else changed.
    void ExpectKeyTableHolds(const kv::KeySlot& slot, unsigned macroPosition = 0) {
        const auto at = static_cast<std::size_t>(position);
        const kv::ActionCode want = kv::EncodeSlot(slot, kv::ActionCodeAt(defaults, at), macroPosition);
        ASSERT_NE(want, kv::ActionCodeAt(before, at));  // the choice is not what the key had
        kv::KeyTableBlock held{};
        ASSERT_TRUE(Block(w->s, "keytable " + std::to_string(kProfile), held));
        const kv::ActionCode got = kv::ActionCodeAt(held, at);
        EXPECT_EQ(Bytes(got), Bytes(want)) << "at position " << position;
        kv::KeyTableBlock expected = before;
        kv::SetActionCodeAt(expected, at, want);
        EXPECT_EQ(held, expected) << "another key changed";
    }
    static std::array<int, 3> Bytes(kv::ActionCode c) { return {c.b0, c.b1, c.b2}; }

    std::unique_ptr<ShownSession> w;
    kv::KeyTableBlock defaults{}, before{};
    kv::KeyCode target = 0;
    int position = -1;
    HWND dialog = nullptr;
};

TEST_F(AppKeyDialog, AKeyPressedOnTheKeyPageIsWhatTheKeyboardHolds) {
    Open("key-page", VK_F1);
    ASSERT_TRUE(Visible(dialog, kv::IDC_CAPTURED_KEY));
    ASSERT_TRUE(Type({'B'}));
    ASSERT_TRUE(WaitFor([&] { return WindowText(GetDlgItem(dialog, kv::IDC_CAPTURED_KEY)) == NameOf(CodeOf('B')); }))
        << "the key press did not reach the dialog";
    OkAndApply();
    ExpectKeyTableHolds(kv::KeySlot{kv::ASSIGN_KEY, 0, CodeOf('B')});
}

TEST_F(AppKeyDialog, AListEntryChosenOnItsPageIsWhatTheKeyboardHolds) {
    struct Case {
        const char* what;
        int page, list;
        int row;
        kv::KeySlot slot;
    } cases[] = {
        {"multimedia: the eighth entry", kv::IDC_PAGE_MEDIA, kv::IDC_MEDIA_LIST, 7, {kv::ASSIGN_MEDIA, 0, 7}},
        {"keyboard function: the last entry", kv::IDC_PAGE_FUNCTION, kv::IDC_FUNCTION_LIST, kv::FunctionCount - 1,
         {kv::ASSIGN_FUNCTION, 0, kv::FunctionCount - 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Open(std::string("list-") + std::to_string(c.page), VK_F1);
        ASSERT_TRUE(Send(dialog, c.page));
        HWND list = GetDlgItem(dialog, c.list);
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(list) != FALSE; }));
        ASSERT_GT(ListCount(list), c.row);
        // The arrow keys the list answers to: Home, then down to the row.
        PostMessageW(list, WM_KEYDOWN, VK_HOME, 1);
        for (int i = 0; i < c.row; ++i) PostMessageW(list, WM_KEYDOWN, VK_DOWN, 1);
        ASSERT_TRUE(WaitFor([&] { return ListSelection(list) == c.row; }));
        OkAndApply();
        ExpectKeyTableHolds(c.slot);
        w.reset();
    }
}

TEST_F(AppKeyDialog, AMacroRecordedFromTheKeyboardIsInTheMacroAreaAndTheKeyPlaysIt) {
    Open("macro-page", VK_F1);
    ASSERT_TRUE(Send(dialog, kv::IDC_PAGE_MACRO));
    ASSERT_TRUE(Send(dialog, kv::IDC_MACRO_ADD));
    ASSERT_TRUE(Enabled(dialog, kv::IDC_RECORD));
    HWND actions = GetDlgItem(dialog, kv::IDC_ACTION_LIST);
    ASSERT_TRUE(Send(dialog, kv::IDC_RECORD));
    ASSERT_TRUE(Type({'A', 'B'}));
    ASSERT_TRUE(WaitFor([&] { return ListCount(actions) == 4; })) << ListCount(actions) << " actions recorded";
    ASSERT_TRUE(Send(dialog, kv::IDC_RECORD));  // stop
    OkAndApply();

    std::vector<uint8_t> area;
    ASSERT_TRUE(w->s.Vk().Dump("macros", area));
    const auto macros = kv::DecodeMacroArea(area, u"M");
    ASSERT_EQ(macros.size(), 1u);
    const kv::MacroRecord& m = macros[0];
    ASSERT_EQ(m.actionCount, 4);
    const kv::KeyCode a = CodeOf('A'), b = CodeOf('B');
    const std::array<std::pair<kv::KeyCode, uint16_t>, 4> pressed = {
        {{a, kv::kDirectionPress}, {a, kv::kDirectionRelease}, {b, kv::kDirectionPress}, {b, kv::kDirectionRelease}}};
    for (std::size_t i = 0; i < pressed.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(m.actions[i].key, pressed[i].first);
        EXPECT_EQ(m.actions[i].direction, pressed[i].second);
    }
    // Its name went with it: the new macro's name in the program's language.
    const std::wstring name = kv::LookupText(kv::kMacroNewPrefixKey, kv::GetLanguageIndex()) + L"1";
    EXPECT_EQ(std::u16string(m.name.data()), std::u16string(name.begin(), name.end()));
    ExpectKeyTableHolds(kv::KeySlot{kv::ASSIGN_MACRO, 1, m.id}, /*macroPosition=*/0);
}

}  // namespace
}  // namespace kvtest
