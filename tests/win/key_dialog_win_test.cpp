// The key assignment dialog under Wine, driven by window messages through a small stand-in for the main
// window: placement, the pages and what OK, Apply and Cancel store, the capture and recorder hook
// procedures with synthesised arguments, and synthesised key presses where Wine delivers them.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/app_messages.h"
#include "keys/assignment_table.h"
#include "keys/key_catalogue.h"
#include "keys/key_dialog_rules.h"
#include "keys/key_dialog_win.h"
#include "macros/macro_record.h"
#include "macros/profile_data.h"
#include "skin/ini_file.h"
#include "skin/language.h"
#include "skin/language_store_win.h"
#include "skin/png_button.h"

using namespace kv;

namespace {

constexpr int kKeyA = 0x01E, kKeyB = 0x030;
constexpr UINT kButtonA = 1058;  // the picture key A's control

uint32_t Flags(uint32_t scan, bool extended, bool previous, bool transition) {
    return (scan << 16) | (extended ? 1u << 24 : 0) | (previous ? 1u << 30 : 0) | (transition ? 1u << 31 : 0) | 1u;
}

LRESULT CALLBACK PlainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The main window as the dialog sees it: a window, one key button that can be put anywhere on the screen,
// and counters of what the dialog asked for.
class TestHost : public MainWindowHost {
public:
    TestHost() {
        static const ATOM atom = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = PlainProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"KvKeyDialogHost";
            return RegisterClassW(&wc);
        }();
        (void)atom;
        window_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"KvKeyDialogHost", L"host", WS_POPUP | WS_VISIBLE, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        (void)key_.Create(window_, static_cast<int>(kButtonA), L"A", RECT{100, 100, 140, 140});
    }
    ~TestHost() override {
        key_.Detach();
        DestroyWindow(window_);
    }
    void MoveKey(int x, int y) { MoveWindow(key_.GetSafeHwnd(), x, y, 40, 40, FALSE); }

    HWND Window() const override { return window_; }
    const CIniFile& MainLayout() const override { return layout_; }
    kv::skin::SkinSurface* SkinPicture(int) override { return nullptr; }
    void SetDirty(bool dirty) override { dirty_ = dirty; }
    bool IsDirty() const override { return dirty_; }
    bool ApplyNow() override { return true; }
    int Profile() const override { return 0; }
    int SelectProfile(int) override { return 1; }
    CPngButton* KeyButton(UINT id) override { return id == kButtonA ? &key_ : nullptr; }
    void RefreshKeyMarks() override { ++refreshes; }
    void RestoreKeyLook(UINT id) override { restored.push_back(id); }
    void ShowKeyColours() override {}
    void ClearKeyColours() override {}
    void RedrawPicture() override {}
    void ShowReportRate(int) override {}
    void LightingReloaded() override {}
    std::size_t MacroCapacity() const override { return capacity; }

    int refreshes = 0;
    std::vector<UINT> restored;
    bool dirty_ = false;
    std::size_t capacity = 0;

private:
    HWND window_ = nullptr;
    CIniFile layout_;
    CPngButton key_;
};

MacroRecord Macro(const char16_t* name, uint16_t id, int actions) {
    MacroRecord m = NewMacro(name, id);
    m.isNew = 0;
    for (int i = 0; i < actions; ++i)
        m.actions[static_cast<size_t>(i)] = MacroAction{10, static_cast<uint16_t>(i % 2 ? kKeyA : kKeyB), static_cast<uint16_t>(i % 2)};
    m.actionCount = static_cast<uint16_t>(actions);
    return m;
}

class KeyDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        services.data = &data;
        services.deviceProfile = [this] { return deviceProfile; };
        services.messageBox = [this](HWND, const std::wstring& text, UINT type) {
            messages.push_back(text);
            return (type & MB_YESNO) ? answer : IDOK;
        };
        services.text = [](const char* key) { return LookupText(key, 0); };
        services.readRecordDelays = [this] { return recordDelays; };
        services.writeRecordDelays = [this](bool on) { recordDelays = on; };
        services.clock = [this] { return now; };
        services.openHelp = [](HWND) {};
        services.openOnScreenKeyboard = [](HWND) {};
    }

    // Opens the dialog on a key (or in macro-only form), runs `body` once it is shown, then presses the
    // button `end` (IDOK or IDCANCEL) unless the body ended it already; with end 0 the body posts what
    // the dialog's own message loop then handles, its ending included.
    INT_PTR Run(int keyIndex, UINT control, bool macroOnly, const std::function<void(Kelvane_DlgComposite&)>& body,
                int end = IDOK) {
        services.shown = [&](Kelvane_DlgComposite& d) {
            dialogWindow = d.GetSafeHwnd();
            GetWindowRect(d.GetSafeHwnd(), &dialogRect);
            body(d);
            if (end != 0 && IsWindow(d.GetSafeHwnd())) Click(d, end);
        };
        auto part = MakeKeyAssignmentDialog(host, services);
        part->SetMacroFlag(macroOnly);
        part->SetTarget(0, keyIndex, control);
        const INT_PTR result = part->RunModal();
        EXPECT_EQ(part->OpenCount(), 0);
        return result;
    }
    static void PostClick(Kelvane_DlgComposite& d, int id) {
        PostMessageW(d.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(d.GetSafeHwnd(), id)));
    }
    static void PostKey(HWND target, WPARAM key) {
        PostMessageW(target, WM_KEYDOWN, key, 1);
        PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    }
    // One part built ahead as the main window builds it, then opened once per round on the key and
    // cancelled once that round's checks ran; `before` runs ahead of each opening.
    void RunBuiltAhead(int keyIndex, UINT control, const std::vector<std::function<void(Kelvane_DlgComposite&)>>& rounds,
                       const std::function<void(size_t round)>& before = {}) {
        size_t round = 0;
        services.shown = [&](Kelvane_DlgComposite& d) {
            rounds[round](d);
            Click(d, IDCANCEL);
        };
        auto part = MakeKeyAssignmentDialog(host, services);
        part->Prepare();
        for (round = 0; round < rounds.size(); ++round) {
            if (before) before(round);
            part->SetTarget(0, keyIndex, control);
            EXPECT_EQ(part->RunModal(), IDCANCEL) << round;
        }
    }
    static void Click(Kelvane_DlgComposite& d, int id) {
        SendMessageW(d.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(d.GetSafeHwnd(), id)));
    }
    KeySlot Slot(int keyIndex, int section = 0) {
        std::lock_guard<std::mutex> hold(data.lock);
        return ReadSlot(data.content.Table(), static_cast<size_t>(section), static_cast<size_t>(keyIndex));
    }
    void Store(int keyIndex, uint16_t type, uint32_t value, int section = 0) {
        std::lock_guard<std::mutex> hold(data.lock);
        KeySlot slot = ReadSlot(data.content.Table(), static_cast<size_t>(section), static_cast<size_t>(keyIndex));
        slot.type = type;
        slot.value = value;
        WriteSlot(data.content.Table(), static_cast<size_t>(section), static_cast<size_t>(keyIndex), slot);
    }

    TestHost host;
    ProfileData data;
    KeyDialogServices services;
    int deviceProfile = 0;
    int answer = IDYES;
    bool recordDelays = true;
    uint64_t now = 1000;
    std::vector<std::wstring> messages;
    HWND dialogWindow = nullptr;
    RECT dialogRect{};
};

}  // namespace

TEST_F(KeyDialogTest, OpensBesideTheClickedKeyByTheFirstCornerThatFits) {
    const int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        const char* where;
        int x, y;
        bool right, below;  // where the dialog should be
    } cases[] = {
        {"top left", 20, 20, true, true},
        {"bottom left", 20, H - 60, true, false},
        {"top right", W - 60, 20, false, true},
        {"bottom right", W - 60, H - 60, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        host.MoveKey(c.x, c.y);
        Run(kKeyA, kButtonA, false, [](Kelvane_DlgComposite&) {});
        const int w = dialogRect.right - dialogRect.left, h = dialogRect.bottom - dialogRect.top;
        EXPECT_EQ(dialogRect.left, c.right ? c.x + 40 : c.x - w);
        EXPECT_EQ(dialogRect.top, c.below ? c.y + 40 : c.y - h);
    }
    EXPECT_EQ(host.restored, (std::vector<UINT>{kButtonA, kButtonA, kButtonA, kButtonA}));
}

TEST_F(KeyDialogTest, G9OpensCentredOnTheMacroPageWithTheOtherPagesDisabled) {
    const int g9 = kGKeyFirstIndex + 8;
    Run(g9, kG9Control, false, [&](Kelvane_DlgComposite& d) {
        EXPECT_EQ(d.ShownPage(), Kelvane_DlgComposite::Page::Macro);
        EXPECT_EQ(d.Type(), ASSIGN_MACRO);
        for (int id : {IDC_PAGE_KEY, IDC_PAGE_MEDIA, IDC_PAGE_FUNCTION, IDC_CLEAR_KEY})
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d.GetSafeHwnd(), id))) << id;
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d.GetSafeHwnd(), IDC_PAGE_MACRO)));
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(d.GetSafeHwnd(), IDC_ACTION_LIST)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(d.GetSafeHwnd(), IDC_MEDIA_HINT)));
    }, IDCANCEL);
    const int w = dialogRect.right - dialogRect.left, h = dialogRect.bottom - dialogRect.top;
    EXPECT_EQ(dialogRect.left, (GetSystemMetrics(SM_CXSCREEN) - w) / 2);
    EXPECT_EQ(dialogRect.top, (GetSystemMetrics(SM_CYSCREEN) - h) / 2);
}

TEST_F(KeyDialogTest, OkOnADefaultKeyStoresDefaultAndOwnKeyStoresDefaultToo) {
    Store(kKeyA, ASSIGN_KEY, 0x02A);  // left Shift, to see it go
    Store(kKeyA, ASSIGN_DEFAULT, 0);
    Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
        EXPECT_EQ(d.ShownPage(), Kelvane_DlgComposite::Page::Key);
        EXPECT_TRUE(d.KeyboardModeChecked());
        EXPECT_EQ(d.CapturedKey(), 0);
        wchar_t text[32] = {};
        GetWindowTextW(GetDlgItem(d.GetSafeHwnd(), IDC_CAPTURED_KEY), text, 32);
        EXPECT_STREQ(text, L"");
    });
    EXPECT_EQ(Slot(kKeyA).type, ASSIGN_DEFAULT);
    EXPECT_TRUE(host.dirty_);

    // Pressing B gives A the key B; pressing A itself afterwards leaves A at its default.
    Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
        EXPECT_EQ(d.Capture().KeyboardEvent(0, 'B', Flags(0x30, false, false, false)), 1);
    });
    EXPECT_EQ(Slot(kKeyA).type, ASSIGN_KEY);
    EXPECT_EQ(Slot(kKeyA).value, static_cast<uint32_t>(kKeyB));
    Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
        EXPECT_EQ(d.CapturedKey(), kKeyB);  // the slot's key is shown at open
        d.Capture().KeyboardEvent(0, 'A', Flags(0x1E, false, false, false));
        EXPECT_EQ(d.CapturedKey(), kKeyA);
    });
    EXPECT_EQ(Slot(kKeyA).type, ASSIGN_DEFAULT);
}

TEST_F(KeyDialogTest, CaptureHookProceduresWithSynthesisedArguments) {
    Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
        CKeyCapture& capture = d.Capture();
        ASSERT_TRUE(capture.Installed());
        // A held key: the first press counts, repeats and the release are swallowed and ignored.
        EXPECT_EQ(capture.KeyboardEvent(0, 'B', Flags(0x30, false, false, false)), 1);
        EXPECT_EQ(d.CapturedKey(), kKeyB);
        EXPECT_EQ(capture.KeyboardEvent(0, 'C', Flags(0x2E, false, true, false)), 1);
        EXPECT_EQ(capture.KeyboardEvent(0, 'C', Flags(0x2E, false, true, true)), 1);
        EXPECT_EQ(d.CapturedKey(), kKeyB);
        // Right Ctrl: the extended flag makes it 0x11D.
        capture.KeyboardEvent(0, VK_CONTROL, Flags(0x1D, true, false, false));
        EXPECT_EQ(d.CapturedKey(), 0x11D);
        // Print Screen arrives only as its release.
        EXPECT_EQ(capture.KeyboardEvent(0, VK_SNAPSHOT, Flags(0x37, true, true, true)), 1);
        EXPECT_EQ(d.CapturedKey(), 0x137);
        // Volume + goes on to the system.
        EXPECT_EQ(capture.KeyboardEvent(0, VK_VOLUME_UP, Flags(0x30, true, false, false)), -1);
        EXPECT_EQ(d.CapturedKey(), 0x137);
        // The left Windows key through the low-level procedure, swallowed.
        KBDLLHOOKSTRUCT win{};
        win.vkCode = VK_LWIN;
        win.scanCode = 0x5B;
        win.flags = LLKHF_EXTENDED;
        SetForegroundWindow(d.GetSafeHwnd());
        if (GetForegroundWindow() == d.GetSafeHwnd()) {
            EXPECT_EQ(capture.LowLevelEvent(0, WM_KEYDOWN, win), 1);
            EXPECT_EQ(d.CapturedKey(), 0x15B);
        }
        // In mouse mode keys are swallowed but not captured.
        SendMessageW(GetDlgItem(d.GetSafeHwnd(), IDC_RADIO_MOUSE), BM_CLICK, 0, 0);
        EXPECT_FALSE(d.KeyboardModeChecked());
        const KeyCode before = d.CapturedKey();
        EXPECT_EQ(capture.KeyboardEvent(0, 'B', Flags(0x30, false, false, false)), 1);
        EXPECT_EQ(d.CapturedKey(), before);
        // Another page removes the hooks.
        Click(d, IDC_PAGE_MEDIA);
        EXPECT_FALSE(capture.Installed());
    }, IDCANCEL);
    EXPECT_EQ(Slot(kKeyA).type, ASSIGN_DEFAULT);  // cancelled
}

TEST_F(KeyDialogTest, MousePageMediaAndFunctionStoreTheirEntries) {
    struct Case {
        const char* what;
        std::function<void(Kelvane_DlgComposite&)> choose;
        KeySlot expected;
    } cases[] = {
        {"mouse: wheel down",
         [](Kelvane_DlgComposite& d) {
             SendMessageW(GetDlgItem(d.GetSafeHwnd(), IDC_RADIO_MOUSE), BM_CLICK, 0, 0);
             d.MouseList().Select(4);
         },
         KeySlot{ASSIGN_KEY, 0, 0x162}},
        {"media: Mute",
         [](Kelvane_DlgComposite& d) {
             Click(d, IDC_PAGE_MEDIA);
             d.MediaList().SelectRow(7, true);
         },
         KeySlot{ASSIGN_MEDIA, 0, 7}},
        {"function: 10",
         [](Kelvane_DlgComposite& d) {
             Click(d, IDC_PAGE_FUNCTION);
             d.FunctionList().SelectRow(10, true);
         },
         KeySlot{ASSIGN_FUNCTION, 0, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Run(kKeyA, kButtonA, false, c.choose);
        EXPECT_EQ(Slot(kKeyA), c.expected);
    }
    // Reopened on the function key, the function page shows its entry; Clear gives the key its default.
    Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
        EXPECT_EQ(d.ShownPage(), Kelvane_DlgComposite::Page::Function);
        EXPECT_EQ(d.FunctionList().SelectedRow(), 10);
        Click(d, IDC_CLEAR_KEY);
        EXPECT_EQ(d.ShownPage(), Kelvane_DlgComposite::Page::Key);
    });
    // Clear acts as the key page button first: type 2 with no key is stored as default.
    EXPECT_EQ(Slot(kKeyA).type, ASSIGN_DEFAULT);
}

TEST_F(KeyDialogTest, EmptyMacroListOnTheMacroPageStoresDefault) {
    Store(kKeyA, ASSIGN_KEY, kKeyB);
    Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
        Click(d, IDC_PAGE_MACRO);
        EXPECT_EQ(d.Type(), ASSIGN_MACRO);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d.GetSafeHwnd(), IDC_RECORD)));
        EXPECT_TRUE(d.Apply());
        EXPECT_EQ(Slot(kKeyA).type, ASSIGN_DEFAULT);
    }, IDCANCEL);
}

TEST_F(KeyDialogTest, MacroMadeAndRecordedOnThePageIsBoundOnOk) {
    Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
        Click(d, IDC_PAGE_MACRO);
        Click(d, IDC_MACRO_ADD);
        ASSERT_EQ(d.MacroPage().Page().Items().size(), 1u);
        EXPECT_EQ(d.MacroPage().MacroList().Text(), L"Macro1");
        Click(d, IDC_RECORD);
        ASSERT_TRUE(d.MacroPage().IsRecording());
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d.GetSafeHwnd(), IDC_MACRO_ADD)));
        CMacroRecorder& recorder = d.MacroPage().Recorder();
        now = 1100;
        EXPECT_EQ(recorder.KeyboardEvent(0, 'A', Flags(0x1E, false, false, false)), 1);
        now = 1150;
        recorder.KeyboardEvent(0, 'A', Flags(0x1E, false, true, false));  // repeat
        now = 1180;
        recorder.KeyboardEvent(0, 'A', Flags(0x1E, false, true, true));
        now = 1500;
        recorder.KeyboardEvent(0, 'B', Flags(0x30, false, false, false));
        now = 1620;
        recorder.KeyboardEvent(0, 'B', Flags(0x30, false, true, true));
        EXPECT_EQ(recorder.KeyboardEvent(0, VK_VOLUME_UP, Flags(0x30, true, false, false)), -1);
        Click(d, IDC_RECORD);
        EXPECT_FALSE(d.MacroPage().IsRecording());
        const MacroRecord* m = d.MacroPage().Page().CurrentMacro();
        ASSERT_NE(m, nullptr);
        ASSERT_EQ(m->actionCount, 4);
        EXPECT_EQ(m->actions[0], (MacroAction{80, static_cast<uint16_t>(kKeyA), 0}));
        EXPECT_EQ(m->actions[1], (MacroAction{320, static_cast<uint16_t>(kKeyA), 1}));
        EXPECT_EQ(m->actions[2], (MacroAction{120, static_cast<uint16_t>(kKeyB), 0}));
        EXPECT_EQ(m->actions[3], (MacroAction{0, static_cast<uint16_t>(kKeyB), 1}));
        EXPECT_EQ(d.MacroPage().ActionList().RowCount(), 4);
        // The repeat count is bounded; the field shows the bound once OK applies.
        SetWindowTextW(GetDlgItem(d.GetSafeHwnd(), IDC_REPEAT), L"300");
    });
    ASSERT_EQ(data.content.macros.size(), 1u);
    EXPECT_EQ(data.content.macros[0].isNew, 0);
    EXPECT_EQ(data.content.macros[0].actionCount, 4);
    EXPECT_EQ(Slot(kKeyA), (KeySlot{ASSIGN_MACRO, 255, 1}));
}

// Typing into the repeat count leaves the text as typed; the number is put right when the field is left,
// or by OK.
TEST_F(KeyDialogTest, TheRepeatCountIsCorrectedWhenLeftNotAtEveryKeystroke) {
    data.content.macros = {Macro(u"m", 1, 2)};
    Store(kKeyA, ASSIGN_MACRO, 1);
    std::wstring afterTyping, afterLeaving, afterOk;
    Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
        HWND field = GetDlgItem(d.GetSafeHwnd(), IDC_REPEAT);
        auto text = [&] {
            wchar_t t[8] = {};
            GetWindowTextW(field, t, 8);
            return std::wstring(t);
        };
        SetFocus(field);
        // Delete the "1", then type 25.
        SendMessageW(field, EM_SETSEL, 0, -1);
        SendMessageW(field, WM_CHAR, VK_BACK, 1);
        SendMessageW(field, WM_CHAR, '2', 1);
        SendMessageW(field, WM_CHAR, '5', 1);
        afterTyping = text();
        EXPECT_EQ(d.MacroPage().Page().CurrentMacro()->repeat, 25);
        // Emptied and left: 1. Then 300, and OK.
        SetWindowTextW(field, L"");
        SetFocus(d.MacroPage().ActionList().GetSafeHwnd());
        afterLeaving = text();
        SetFocus(field);
        SetWindowTextW(field, L"300");
        EXPECT_EQ(text(), L"300");
        Click(d, IDOK);
        afterOk = text();
    });
    EXPECT_EQ(afterTyping, L"25");
    EXPECT_EQ(afterLeaving, L"1");
    EXPECT_EQ(afterOk, L"255");
    EXPECT_EQ(Slot(kKeyA), (KeySlot{ASSIGN_MACRO, 255, 1}));
}

// A cell being edited belongs to the macro it was opened on, whichever way another macro is shown.
TEST_F(KeyDialogTest, ACellEditEndsInItsOwnMacroWhenAnotherIsShown) {
    struct Case {
        const char* what;
        int editedMacro;
        std::function<void(Kelvane_DlgComposite&)> showAnother;
    } cases[] = {
        {"picked in the list", 0,
         [](Kelvane_DlgComposite& d) {
             d.MacroPage().MacroList().Select(1);
             SendMessageW(d.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDC_MACRO_LIST, CBN_SELCHANGE),
                          reinterpret_cast<LPARAM>(d.MacroPage().MacroList().GetSafeHwnd()));
         }},
        {"a macro added", 0, [](Kelvane_DlgComposite& d) { Click(d, IDC_MACRO_ADD); }},
        {"the edited macro deleted", 1, [](Kelvane_DlgComposite& d) { Click(d, IDC_MACRO_DELETE); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        data.content.macros = {Macro(u"one", 1, 3), Macro(u"two", 2, 3)};
        Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
            Click(d, IDC_PAGE_MACRO);
            d.MacroPage().SelectMacro(c.editedMacro);
            widgets::CReportList& list = d.MacroPage().ActionList();
            ASSERT_TRUE(list.BeginEdit(1, 2));
            SetWindowTextW(list.EditorWindow(), L"770");
            c.showAnother(d);
            EXPECT_FALSE(list.IsEditing());
            for (const MacroRecord& m : d.MacroPage().Page().Items())
                if (m.id <= 2) {
                    EXPECT_EQ(m.actions[1].delay, m.id == c.editedMacro + 1 ? 770u : 10u) << m.id;
                }
        }, IDCANCEL);
    }
}

// The keyboard keeps pauses of up to 40.95 s: a longer recorded one is cut as a typed one is, and the
// list shows what is kept.
TEST_F(KeyDialogTest, ARecordedPauseLongerThanTheKeyboardTakesIsCutAndShownCut) {
    data.content.macros = {Macro(u"m", 1, 0)};
    Store(kKeyA, ASSIGN_MACRO, 1);
    Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
        Click(d, IDC_RECORD);
        CMacroRecorder& recorder = d.MacroPage().Recorder();
        now = 1100;
        recorder.KeyboardEvent(0, 'A', Flags(0x1E, false, false, false));
        now = 1100 + 41000;
        recorder.KeyboardEvent(0, 'A', Flags(0x1E, false, true, true));
        Click(d, IDC_RECORD);
        ASSERT_EQ(d.MacroPage().Page().ActionCount(), 2);
        EXPECT_EQ(d.MacroPage().Page().Action(0)->delay, 40000u);
        widgets::CReportList& list = d.MacroPage().ActionList();
        ASSERT_TRUE(list.BeginEdit(0, 2));  // the delay cell opens on the text it shows
        wchar_t shown[16] = {};
        GetWindowTextW(list.EditorWindow(), shown, 16);
        EXPECT_STREQ(shown, L"40000");
        list.EndEdit(false);
    });
    EXPECT_EQ(data.content.macros[0].actions[0].delay, 40000u);
}

// While recording, the buttons that edit or ask are disabled (a key typed to answer would be recorded);
// keys still held when the recording stops get their releases in the macro.
TEST_F(KeyDialogTest, WhileRecordingEditingIsOffAndHeldKeysAreReleasedAtTheStop) {
    data.content.macros = {Macro(u"m", 1, 2)};
    Store(kKeyA, ASSIGN_MACRO, 1);
    Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
        HWND dialog = d.GetSafeHwnd();
        const int editing[] = {IDC_ACTION_DELETE, IDC_ACTION_CLEAR, IDC_ACTION_TOP, IDC_ACTION_UP,
                               IDC_ACTION_DOWN,   IDC_ACTION_BOTTOM, IDC_REPEAT,     IDC_MACRO_ADD,
                               IDC_MACRO_DELETE,  IDC_MACRO_LIST};
        for (int id : editing) EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, id))) << id;
        d.MacroPage().ActionList().SelectRow(1, true);
        Click(d, IDC_RECORD);
        ASSERT_TRUE(d.MacroPage().IsRecording());
        for (int id : editing) EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, id))) << id;
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_RECORD)));
        // A command that still arrives is refused without a question.
        Click(d, IDC_ACTION_CLEAR);
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(d.MacroPage().Page().ActionCount(), 2);

        CMacroRecorder& recorder = d.MacroPage().Recorder();
        now = 1100;
        recorder.KeyboardEvent(0, VK_SHIFT, Flags(0x2A, false, false, false));
        now = 1200;
        recorder.KeyboardEvent(0, 'A', Flags(0x1E, false, false, false));
        now = 1250;
        recorder.KeyboardEvent(0, 'A', Flags(0x1E, false, true, false));  // repeat
        now = 1400;
        Click(d, IDC_RECORD);
        EXPECT_FALSE(d.MacroPage().IsRecording());
        for (int id : editing) EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, id))) << id;
        const MacroRecord* m = d.MacroPage().Page().CurrentMacro();
        ASSERT_EQ(m->actionCount, 6);
        EXPECT_EQ(m->actions[2], (MacroAction{100, 0x02A, 0}));
        EXPECT_EQ(m->actions[3], (MacroAction{200, static_cast<uint16_t>(kKeyA), 0}));
        EXPECT_EQ(m->actions[4], (MacroAction{0, static_cast<uint16_t>(kKeyA), 1}));
        EXPECT_EQ(m->actions[5], (MacroAction{10, 0x02A, 1}));  // the pause row 1 had before
        EXPECT_EQ(d.MacroPage().ActionList().RowCount(), 6);
    }, IDCANCEL);
}

// The dialog's own prompts run on its thread: while one is open the capture hooks are down, so the key
// that answers it is not taken as the key's new function; they are back once it closed.
TEST_F(KeyDialogTest, CaptureHooksAreDownWhileAPromptOfTheDialogIsOpen) {
    Kelvane_DlgComposite* dialog = nullptr;
    std::vector<bool> installedDuringPrompt;
    services.messageBox = [&](HWND, const std::wstring& text, UINT) {
        messages.push_back(text);
        installedDuringPrompt.push_back(dialog->Capture().Installed());
        // Enter pressed to close the box.
        (void)dialog->Capture().KeyboardEvent(0, VK_RETURN, Flags(0x1C, false, false, false));
        return IDOK;
    };
    Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
        dialog = &d;
        d.Capture().KeyboardEvent(0, 'B', Flags(0x30, false, false, false));
        deviceProfile = -1;
        EXPECT_FALSE(d.Apply());
        EXPECT_EQ(d.CapturedKey(), kKeyB);
        EXPECT_TRUE(d.Capture().Installed());
        // On another page they stay down after the prompt.
        Click(d, IDC_PAGE_MEDIA);
        EXPECT_FALSE(d.Apply());
        EXPECT_FALSE(d.Capture().Installed());
    }, IDCANCEL);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(installedDuringPrompt, (std::vector<bool>{false, false}));
}

// The dialog is built once and kept: each opening starts every page from the key's own assignment, or
// from the first entries and keyboard mode, whatever the last opening chose.
TEST_F(KeyDialogTest, EachOpeningOfTheKeptDialogStartsFromTheKeysOwnAssignment) {
    constexpr int kKeyC = 0x02E;
    Store(kKeyA, ASSIGN_KEY, 0x172);  // mouse: right button
    Store(kKeyB, ASSIGN_MEDIA, 7);
    Store(kKeyC, ASSIGN_FUNCTION, 10);
    constexpr int kKeyD = 0x020;  // left at its default
    struct Round {
        int key;
        std::function<void(Kelvane_DlgComposite&)> body;
        int end;
    };
    const Round rounds[] = {
        {kKeyA, [](Kelvane_DlgComposite& d) {
             EXPECT_FALSE(d.KeyboardModeChecked());
             EXPECT_EQ(d.MouseList().Selected(), 1);
             d.MouseList().Select(3);  // chosen, then cancelled
         }, IDCANCEL},
        {kKeyB, [](Kelvane_DlgComposite& d) {
             EXPECT_EQ(d.ShownPage(), Kelvane_DlgComposite::Page::Media);
             EXPECT_EQ(d.MediaList().SelectedRow(), 7);
             EXPECT_EQ(d.FunctionList().SelectedRow(), 0);
             // The key page of a media key: keyboard mode, no key, the first mouse entry.
             Click(d, IDC_PAGE_KEY);
             EXPECT_TRUE(d.KeyboardModeChecked());
             EXPECT_EQ(d.MouseList().Selected(), 0);
             EXPECT_EQ(d.CapturedKey(), kNoKey);
             Click(d, IDC_PAGE_FUNCTION);
             d.FunctionList().SelectRow(4, true);
         }, IDCANCEL},
        {kKeyC, [](Kelvane_DlgComposite& d) {
             EXPECT_EQ(d.FunctionList().SelectedRow(), 10);
             EXPECT_EQ(d.MediaList().SelectedRow(), 0);
         }, IDCANCEL},
        // A key at its default, given the media page's first entry by OK.
        {kKeyD, [](Kelvane_DlgComposite& d) {
             EXPECT_TRUE(d.KeyboardModeChecked());
             EXPECT_EQ(d.MediaList().SelectedRow(), 0);
             EXPECT_EQ(d.FunctionList().SelectedRow(), 0);
             EXPECT_EQ(d.MouseList().Selected(), 0);
             Click(d, IDC_PAGE_MEDIA);
         }, IDOK},
        // A media key switched to the key page and set to mouse mode: the mouse list's first entry.
        {kKeyB, [](Kelvane_DlgComposite& d) {
             Click(d, IDC_PAGE_KEY);
             SendMessageW(GetDlgItem(d.GetSafeHwnd(), IDC_RADIO_MOUSE), BM_CLICK, 0, 0);
         }, IDOK},
    };
    size_t round = 0;
    services.shown = [&](Kelvane_DlgComposite& d) {
        rounds[round].body(d);
        Click(d, rounds[round].end);
    };
    auto part = MakeKeyAssignmentDialog(host, services);
    part->Prepare();
    for (round = 0; round < std::size(rounds); ++round) {
        SCOPED_TRACE(round);
        part->SetTarget(0, rounds[round].key, rounds[round].key == kKeyA ? kButtonA : 0);
        EXPECT_EQ(part->RunModal(), rounds[round].end);
    }
    EXPECT_EQ(Slot(kKeyD), (KeySlot{ASSIGN_MEDIA, 0, 0}));
    EXPECT_EQ(Slot(kKeyB), (KeySlot{ASSIGN_KEY, 0, 0x171}));
}

TEST_F(KeyDialogTest, WithoutRecordedDelaysEveryRecordedPauseIs50) {
    data.content.macros = {Macro(u"m", 1, 0)};
    recordDelays = false;
    Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
        Click(d, IDC_PAGE_MACRO);
        EXPECT_FALSE(SendMessageW(GetDlgItem(d.GetSafeHwnd(), IDC_RECORD_DELAYS), BM_GETCHECK, 0, 0));
        Click(d, IDC_RECORD);
        CMacroRecorder& recorder = d.MacroPage().Recorder();
        for (uint64_t t : {1100, 1700, 3000}) {
            now = t;
            recorder.KeyboardEvent(0, 'A', Flags(0x1E, false, t == 1700, t == 1700));
        }
        Click(d, IDC_RECORD);
        // Pressed, released, pressed again: the key still down at the stop gets its release.
        const MacroRecord* m = d.MacroPage().Page().CurrentMacro();
        ASSERT_EQ(m->actionCount, 4);
        EXPECT_EQ(m->actions[0].delay, 50u);
        EXPECT_EQ(m->actions[1].delay, 50u);
        EXPECT_EQ(m->actions[2].delay, 50u);
        EXPECT_EQ(m->actions[3], (MacroAction{0, static_cast<uint16_t>(kKeyA), 1}));
        // The check box writes the setting at once.
        SendMessageW(GetDlgItem(d.GetSafeHwnd(), IDC_RECORD_DELAYS), BM_CLICK, 0, 0);
        EXPECT_TRUE(recordDelays);
    }, IDCANCEL);
    EXPECT_EQ(data.content.macros[0].actionCount, 0);  // cancelled
}

TEST_F(KeyDialogTest, DelayCellLimitsAndUndo) {
    data.content.macros = {Macro(u"m", 1, 3)};
    Store(kKeyA, ASSIGN_MACRO, 1);
    Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
        ASSERT_EQ(d.ShownPage(), Kelvane_DlgComposite::Page::Macro);
        widgets::CReportList& list = d.MacroPage().ActionList();
        struct Case {
            const wchar_t* typed;
            uint32_t stored;
            bool told;
        } cases[] = {{L"50000", 40000, true}, {L"-1", 40000, true}, {L"1234", 1230, false}};
        for (const Case& c : cases) {
            messages.clear();
            ASSERT_TRUE(list.BeginEdit(1, 2));
            SetWindowTextW(list.EditorWindow(), c.typed);
            SendMessageW(list.EditorWindow(), WM_KEYDOWN, VK_RETURN, 1);
            EXPECT_EQ(d.MacroPage().Page().Action(1)->delay, c.stored);
            EXPECT_EQ(messages.size(), c.told ? 1u : 0u);
            if (c.told) {
                EXPECT_NE(messages[0].find(L"40000"), std::wstring::npos);
            }
        }
        d.MacroPage().Undo();  // Ctrl+Z's work: the last edit taken back
        EXPECT_EQ(d.MacroPage().Page().Action(1)->delay, 40000u);
        // Direction and key cells are choices.
        ASSERT_TRUE(list.BeginEdit(0, 1));
        SendMessageW(list.EditorWindow(), CB_SETCURSEL, 1, 0);
        SendMessageW(list.EditorWindow(), WM_KEYDOWN, VK_RETURN, 1);
        EXPECT_EQ(d.MacroPage().Page().Action(0)->direction, 1);
        ASSERT_TRUE(list.BeginEdit(0, 0));
        EXPECT_EQ(SendMessageW(list.EditorWindow(), CB_GETCOUNT, 0, 0), 106);
        SendMessageW(list.EditorWindow(), CB_SETCURSEL, ListPositionOf(kKeyA), 0);
        SendMessageW(list.EditorWindow(), WM_KEYDOWN, VK_RETURN, 1);
        EXPECT_EQ(d.MacroPage().Page().Action(0)->key, kKeyA);
    });
    EXPECT_EQ(data.content.macros[0].actions[0].key, kKeyA);
}

TEST_F(KeyDialogTest, DeletingABoundMacroAndApplyingLeavesItsKeyAtDefault) {
    data.content.macros = {Macro(u"one", 1, 2), Macro(u"two", 2, 2)};
    Store(kKeyB, ASSIGN_MACRO, 2, 1);  // bound in another profile
    Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
        Click(d, IDC_PAGE_MACRO);
        d.MacroPage().SelectMacro(1);
        answer = IDNO;
        Click(d, IDC_MACRO_DELETE);
        EXPECT_EQ(messages.size(), 1u);
        EXPECT_EQ(d.MacroPage().Page().Items().size(), 2u);
        answer = IDYES;
        Click(d, IDC_MACRO_DELETE);
        EXPECT_EQ(d.MacroPage().Page().Items().size(), 1u);
        EXPECT_EQ(d.MacroPage().Page().Current(), 0);
        Click(d, IDC_APPLY_KEY);
    }, IDCANCEL);
    EXPECT_EQ(Slot(kKeyB, 1).type, ASSIGN_DEFAULT);
    EXPECT_EQ(data.content.macros.size(), 1u);
    EXPECT_EQ(Slot(kKeyA), (KeySlot{ASSIGN_MACRO, 1, 1}));  // Apply stored the macro page's choice
}

TEST_F(KeyDialogTest, CancelDiscardsEverythingNotApplied) {
    data.content.macros = {Macro(u"one", 1, 2)};
    Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
        d.Capture().KeyboardEvent(0, 'B', Flags(0x30, false, false, false));
        Click(d, IDC_PAGE_MACRO);
        Click(d, IDC_MACRO_ADD);
        Click(d, IDC_ACTION_CLEAR);
        EXPECT_TRUE(d.Modified());
    }, IDCANCEL);
    EXPECT_EQ(Slot(kKeyA).type, ASSIGN_DEFAULT);
    ASSERT_EQ(data.content.macros.size(), 1u);
    EXPECT_EQ(data.content.macros[0].actionCount, 2);
    EXPECT_FALSE(host.dirty_);
}

TEST_F(KeyDialogTest, UnreadableProfileOnApplyTellsAndStoresNothingForTheKey) {
    Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
        d.Capture().KeyboardEvent(0, 'B', Flags(0x30, false, false, false));
        deviceProfile = -1;
        EXPECT_FALSE(d.Apply());
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], LookupText("APPLY_PROMPT", 0));
    });
    EXPECT_EQ(Slot(kKeyA).type, ASSIGN_DEFAULT);
}

TEST_F(KeyDialogTest, MemoryGaugeMeasuresAsApplyDoes) {
    host.capacity = 32;
    Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
        Click(d, IDC_PAGE_MACRO);
        Click(d, IDC_MACRO_ADD);  // 16 + 2 + 4 + 12 for "Macro1": 34 bytes, 22 without the name
        EXPECT_EQ(d.MacroPage().MemoryText(), L"Memory: 22 / 32 bytes (no names)");
        host.capacity = 4096;
        Click(d, IDC_MACRO_ADD);
        EXPECT_EQ(d.MacroPage().MemoryText(), L"Memory: 52 / 4096 bytes");
        host.capacity = 20;
        EXPECT_EQ(d.MacroPage().MemoryText(), L"Too large by 8 bytes");  // 28 without names
    }, IDCANCEL);
}

TEST_F(KeyDialogTest, EnterAndEscapeNeverEndTheDialogAndCtrlZUndoesInItsLoop) {
    data.content.macros = {Macro(u"m", 1, 3)};
    Store(kKeyA, ASSIGN_MACRO, 1);
    // Enter on the repeat field, then a click on Cancel: had Enter pressed OK, the result would be IDOK.
    EXPECT_EQ(Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
                  HWND field = GetDlgItem(d.GetSafeHwnd(), IDC_REPEAT);
                  SetFocus(field);
                  PostKey(field, VK_RETURN);
                  PostClick(d, IDCANCEL);
              }, 0),
              IDCANCEL);
    // Esc, then OK; and Ctrl+Z on the action list after deleting a row takes the deletion back.
    EXPECT_EQ(Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
                  HWND list = d.MacroPage().ActionList().GetSafeHwnd();
                  d.MacroPage().ActionList().SelectRow(0, true);
                  Click(d, IDC_ACTION_DELETE);
                  EXPECT_EQ(d.MacroPage().Page().ActionCount(), 2);
                  SetFocus(list);
                  PostKey(list, VK_ESCAPE);
                  BYTE keys[256] = {};
                  GetKeyboardState(keys);
                  keys[VK_CONTROL] = 0x80;
                  SetKeyboardState(keys);
                  PostMessageW(list, WM_KEYDOWN, 'Z', 1);
                  PostClick(d, IDOK);
              }, 0),
              IDOK);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(data.content.macros[0].actionCount, 3);
}

TEST_F(KeyDialogTest, OnePartOpensAgainInEitherFormWithNothingChanged) {
    data.content.macros = {Macro(u"one", 1, 2)};
    std::vector<std::function<void(Kelvane_DlgComposite&)>> checks = {
        [](Kelvane_DlgComposite& d) {
            EXPECT_EQ(d.ShownPage(), Kelvane_DlgComposite::Page::Macro);
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d.GetSafeHwnd(), IDC_PAGE_KEY)));
            EXPECT_FALSE(d.Modified());
        },
        [](Kelvane_DlgComposite& d) {
            EXPECT_EQ(d.ShownPage(), Kelvane_DlgComposite::Page::Key);
            for (int id : {IDC_PAGE_KEY, IDC_PAGE_MEDIA, IDC_PAGE_FUNCTION, IDC_CLEAR_KEY})
                EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d.GetSafeHwnd(), id))) << id;
            EXPECT_TRUE(IsWindowVisible(GetDlgItem(d.GetSafeHwnd(), IDC_KEY_HINT)));
            EXPECT_FALSE(d.Modified());
            EXPECT_EQ(d.MacroPage().Page().Items().size(), 1u);
        },
    };
    size_t round = 0;
    services.shown = [&](Kelvane_DlgComposite& d) {
        checks[round](d);
        Click(d, IDCANCEL);
    };
    auto part = MakeKeyAssignmentDialog(host, services);
    part->SetTarget(0, kGKeyFirstIndex + 8, kG9Control);
    EXPECT_EQ(part->RunModal(), IDCANCEL);
    EXPECT_FALSE(part->IsOpen());
    round = 1;
    part->SetTarget(0, kKeyA, kButtonA);
    EXPECT_EQ(part->RunModal(), IDCANCEL);
    EXPECT_EQ(part->OpenCount(), 0);
    EXPECT_EQ(host.restored, (std::vector<UINT>{kG9Control, kButtonA}));
}

// The program builds the dialog ahead and keeps it between openings, its list of macro names included:
// each opening lists exactly the working data's macros, whatever the last one changed and did not apply.
TEST_F(KeyDialogTest, BuiltAheadThenReopenedTheMacroListFollowsTheWorkingData) {
    data.content.macros = {Macro(u"one", 1, 2), Macro(u"two", 2, 2)};
    auto listed = [](Kelvane_DlgComposite& d) {
        std::vector<std::wstring> names;
        for (int i = 0; i < d.MacroPage().MacroList().Count(); ++i) names.push_back(d.MacroPage().MacroList().ItemText(i));
        return names;
    };
    std::vector<std::function<void(Kelvane_DlgComposite&)>> rounds = {
        [&](Kelvane_DlgComposite& d) {
            EXPECT_EQ(listed(d), (std::vector<std::wstring>{L"one", L"two"}));
            Click(d, IDC_MACRO_ADD);
            d.MacroPage().SelectMacro(0);
            Click(d, IDC_MACRO_DELETE);
            const std::vector<std::wstring> after = listed(d);  // the new name's number depends on earlier tests
            ASSERT_EQ(after.size(), 2u);
            EXPECT_EQ(after[0], L"two");
            EXPECT_EQ(after[1].rfind(L"Macro", 0), 0u) << after[1];
        },
        [&](Kelvane_DlgComposite& d) {
            EXPECT_EQ(listed(d), (std::vector<std::wstring>{L"one", L"two"}));
            EXPECT_EQ(d.MacroPage().MacroList().Text(), L"one");
        },
        [&](Kelvane_DlgComposite& d) {
            EXPECT_EQ(listed(d), (std::vector<std::wstring>{L"one", L"deux", L"three"}));
        },
    };
    RunBuiltAhead(kGKeyFirstIndex + 8, kG9Control, rounds, [&](size_t round) {
        if (round != 2) return;
        data.content.macros[1].SetName(u"deux");
        data.content.macros.push_back(Macro(u"three", 3, 1));
    });
    EXPECT_EQ(data.content.macros.size(), 3u);
}

namespace {

// The program's language for one test, put back afterwards.
class LanguageSetting {
public:
    LanguageSetting() : before_(kv::GetLanguageId()) {}
    ~LanguageSetting() { Set(static_cast<DWORD>(before_)); }
    static void Set(DWORD id) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKeyPath, L"dwLanguageId", REG_DWORD, &id, sizeof id);
    }

private:
    int before_;
};

std::wstring TextOf(HWND dialog, int id) {
    wchar_t text[128] = {};
    GetWindowTextW(GetDlgItem(dialog, id), text, 128);
    return text;
}

}  // namespace

// Texts that follow only the language are set when it changes: a change while the dialog is open is told
// (MSG_LANGUAGE), one made while it is closed is found at the next opening; built ahead or not, every
// page shows the language of the program, its macro page too.
TEST_F(KeyDialogTest, BuiltAheadTheTextsFollowALanguageChangeAndKeepItAtTheNextOpening) {
    LanguageSetting keep;
    LanguageSetting::Set(kLanguageIds[0]);
    services.text = [](const char* key) { return LookupText(key, GetLanguageIndex()); };
    data.content.macros = {Macro(u"one", 1, 2)};
    const std::pair<int, const char*> texts[] = {{IDOK, "MACRO_OK"},
                                                 {IDC_PAGE_MACRO, "MACRO_SETTING"},
                                                 {IDC_RADIO_KB_LABEL, "IDS_MACRO_KB_KEY"},
                                                 {IDC_RECORD, "MACRO_ACTION_RECORD"},
                                                 {IDC_ACTION_TOP, "A_TOP"},
                                                 {IDC_REPEAT_LABEL, "MACRO_CYCLES"}};
    int language = 0;
    auto expectLanguage = [&](Kelvane_DlgComposite& d) {
        for (auto [id, key] : texts) EXPECT_EQ(TextOf(d.GetSafeHwnd(), id), LookupText(key, language)) << key << " " << language;
        EXPECT_EQ(TextOf(d.GetSafeHwnd(), IDC_PAGE_KEY), LookupText("SINGLE_KEY", language));
    };
    std::vector<std::function<void(Kelvane_DlgComposite&)>> rounds = {
        [&](Kelvane_DlgComposite& d) { expectLanguage(d); },
        [&](Kelvane_DlgComposite& d) {
            expectLanguage(d);
            // Changed while open.
            LanguageSetting::Set(kLanguageIds[1]);
            language = 1;
            SendMessageW(d.GetSafeHwnd(), MSG_LANGUAGE, TAG_LANGUAGE, 0);
            expectLanguage(d);
        },
        [&](Kelvane_DlgComposite& d) { expectLanguage(d); },
    };
    RunBuiltAhead(kKeyA, kButtonA, rounds, [&](size_t round) {
        if (round != 1) return;
        LanguageSetting::Set(kLanguageIds[3]);  // changed while closed
        language = 3;
    });
}

// Synthesised key presses through the system's input queue: what reaches the dialog's hooks under Wine.
TEST_F(KeyDialogTest, SynthesisedKeyPressesReachTheCaptureHooks) {
    KeyCode afterB = 0, afterWin = 0;
    Run(kKeyA, kButtonA, false, [&](Kelvane_DlgComposite& d) {
        SetForegroundWindow(d.GetSafeHwnd());
        SetFocus(d.GetSafeHwnd());
        auto press = [&](WORD vk, WORD scan, DWORD extended) {
            INPUT in[2] = {};
            in[0].type = in[1].type = INPUT_KEYBOARD;
            in[0].ki = KEYBDINPUT{vk, scan, extended, 0, 0};
            in[1].ki = KEYBDINPUT{vk, scan, extended | KEYEVENTF_KEYUP, 0, 0};
            SendInput(2, in, sizeof(INPUT));
            const DWORD until = GetTickCount() + 1500;
            MSG msg;
            while (GetTickCount() < until) {
                while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                    TranslateMessage(&msg);
                    DispatchMessageW(&msg);
                }
                Sleep(10);
            }
        };
        press('B', 0x30, 0);
        afterB = d.CapturedKey();
        press(VK_LWIN, 0x5B, KEYEVENTF_EXTENDEDKEY);
        afterWin = d.CapturedKey();
    }, IDCANCEL);
    // Wine passes injected input through the thread hook (B) and the low-level hook (the Windows key).
    EXPECT_EQ(afterB, kKeyB);
    EXPECT_EQ(afterWin, 0x15B);
    EXPECT_EQ(Slot(kKeyA).type, ASSIGN_DEFAULT);  // cancelled
}
