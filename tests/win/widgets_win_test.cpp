// The widget kit under Wine: a plain window hosts each widget; the tests drive it with the messages a
// user's keys and clicks produce and check what the window and the data source hear.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "widgets/report_list_win.h"
#include "widgets/skin_check_win.h"
#include "widgets/skin_combo_win.h"
#include "widgets/skin_edit_win.h"
#include "widgets/skin_label_win.h"
#include "widgets/skin_menu_win.h"

using namespace kv::widgets;

namespace {

struct Heard {
    std::vector<std::pair<int, int>> commands;  // id, notification code
};

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* heard = reinterpret_cast<Heard*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_COMMAND && heard) heard->commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class Host {
public:
    Host() {
        static const ATOM atom = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = HostProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"KvWidgetHost";
            return RegisterClassW(&wc);
        }();
        (void)atom;
        hwnd = CreateWindowExW(0, L"KvWidgetHost", L"host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 10, 10, 500, 400,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&heard));
    }
    ~Host() { DestroyWindow(hwnd); }
    int Count(int id, int code) const {
        int n = 0;
        for (auto [i, c] : heard.commands) n += (i == id && c == code);
        return n;
    }
    HWND hwnd;
    Heard heard;
};

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Key(HWND target, WPARAM vk) {
    SendMessageW(target, WM_KEYDOWN, vk, 1);
    SendMessageW(target, WM_KEYUP, vk, 0xC0000001);
}

// Column 0 not editable, column 1 a text, column 2 a choice of three.
class Rows : public ReportSource {
public:
    std::wstring CellText(int row, int column) const override {
        return L"r" + std::to_wstring(row) + L"c" + std::to_wstring(column);
    }
    CellEditor BeginCellEdit(int row, int column) override {
        asked.push_back({row, column});
        CellEditor e;
        if (column == 1) {
            e.kind = CellEditKind::Text;
            e.text = L"40";
            e.maxChars = 6;
        } else if (column == 2) {
            e.kind = CellEditKind::Choice;
            e.choices = {L"a", L"b", L"c"};
            e.selected = 0;
        }
        return e;
    }
    void EndCellEdit(int row, int column, const std::wstring& text, int choice) override {
        ended.push_back({row, column, text, choice});
    }
    struct End {
        int row, column;
        std::wstring text;
        int choice;
    };
    std::vector<std::pair<int, int>> asked;
    std::vector<End> ended;
};

class ReportListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(list.Create(host.hwnd, 300));
        MoveWindow(list.GetSafeHwnd(), 0, 0, 400, 300, TRUE);
        list.SetColumns({{L"Key", 120}, {L"Delay", 100}, {L"Dir", 100}});
        list.SetSource(&rows);
        list.SetRowCount(2000);
        SetFocus(list.GetSafeHwnd());
    }
    Host host;
    Rows rows;
    CReportList list;
};

}  // namespace

TEST_F(ReportListTest, RowsComeFromTheSourceOnDemand) {
    EXPECT_EQ(list.RowCount(), 2000);
    wchar_t text[32] = {};
    ListView_GetItemText(list.GetSafeHwnd(), 1999, 2, text, 32);
    EXPECT_STREQ(text, L"r1999c2");
    list.SelectRow(1500, true);
    EXPECT_EQ(list.SelectedRow(), 1500);
    list.SetRowCount(10);  // fewer rows: nothing selected beyond them
    EXPECT_EQ(list.RowCount(), 10);
}

TEST_F(ReportListTest, ArrowsMoveBetweenCellsAndF2OpensTheFocusedCell) {
    list.SelectRow(5, true);
    Key(list.GetSafeHwnd(), VK_RIGHT);
    EXPECT_EQ(list.FocusColumn(), 1);
    Key(list.GetSafeHwnd(), VK_RIGHT);
    Key(list.GetSafeHwnd(), VK_RIGHT);  // stops at the last column
    EXPECT_EQ(list.FocusColumn(), 2);
    Key(list.GetSafeHwnd(), VK_LEFT);
    Key(list.GetSafeHwnd(), VK_F2);
    ASSERT_TRUE(list.IsEditing());
    ASSERT_EQ(rows.asked.size(), 1u);
    EXPECT_EQ(rows.asked[0], std::make_pair(5, 1));
}

// A row paints its face across the whole width and its accent at the left edge: when the selection moves,
// by the program or by the arrow keys, the row that lost it looks again like any other row, all across.
TEST_F(ReportListTest, TheRowThatLosesTheSelectionIsRedrawnAllAcross) {
    HWND h = list.GetSafeHwnd();
    RECT client{};
    GetClientRect(h, &client);
    const std::pair<const char*, std::function<void()>> moves[] = {
        {"selected by the program", [&] { list.SelectRow(3, true); }},
        {"arrow key", [&] { Key(h, VK_DOWN); }},
    };
    for (const auto& [what, move] : moves) {
        SCOPED_TRACE(what);
        list.SelectRow(1, true);
        UpdateWindow(h);
        move();
        UpdateWindow(h);
        ASSERT_NE(list.SelectedRow(), 1);
        // Row 1 against row 5, never selected and striped alike, at both edges.
        RECT row1{}, row5{};
        ASSERT_TRUE(ListView_GetItemRect(h, 1, &row1, LVIR_BOUNDS));
        ASSERT_TRUE(ListView_GetItemRect(h, 5, &row5, LVIR_BOUNDS));
        ASSERT_LT(row1.right, client.right);  // the columns leave room at the right
        HDC dc = GetDC(h);
        for (int x : {static_cast<int>(client.left) + 1, static_cast<int>(client.right) - 2}) {
            EXPECT_EQ(GetPixel(dc, x, (row1.top + row1.bottom) / 2), GetPixel(dc, x, (row5.top + row5.bottom) / 2))
                << "at x " << x;
        }
        ReleaseDC(h, dc);
    }
}

TEST_F(ReportListTest, TextEditEndsWithEnterOrFocusLossAndEscDropsIt) {
    struct Case {
        const char* name;
        WPARAM endKey;  // 0: the focus moves elsewhere
        bool committed;
    } cases[] = {{"enter", VK_RETURN, true}, {"tab", VK_TAB, true}, {"escape", VK_ESCAPE, false}, {"focus", 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rows.ended.clear();
        ASSERT_TRUE(list.BeginEdit(3, 1));
        HWND editor = list.EditorWindow();
        ASSERT_NE(editor, nullptr);
        // The field starts with the source's text, limited as it asks.
        SendMessageW(editor, EM_SETSEL, 0, -1);
        SendMessageW(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"12345678"));
        wchar_t typed[16] = {};
        GetWindowTextW(editor, typed, 16);
        EXPECT_STREQ(typed, L"123456");
        if (c.endKey)
            Key(editor, c.endKey);
        else
            SetFocus(host.hwnd);
        Pump();
        EXPECT_FALSE(list.IsEditing());
        EXPECT_FALSE(IsWindow(editor));
        if (c.committed) {
            ASSERT_EQ(rows.ended.size(), 1u);
            EXPECT_EQ(rows.ended[0].row, 3);
            EXPECT_EQ(rows.ended[0].column, 1);
            EXPECT_EQ(rows.ended[0].text, L"123456");
        } else {
            EXPECT_TRUE(rows.ended.empty());
        }
        SetFocus(list.GetSafeHwnd());
    }
}

TEST_F(ReportListTest, UnchangedEditAndClosedCellsReportNothing) {
    ASSERT_TRUE(list.BeginEdit(2, 1));
    Key(list.EditorWindow(), VK_RETURN);
    EXPECT_TRUE(rows.ended.empty());      // the text was not changed
    EXPECT_FALSE(list.BeginEdit(2, 0));   // the source keeps column 0 closed
    EXPECT_FALSE(list.IsEditing());
    EXPECT_FALSE(list.BeginEdit(2000, 1));  // no such row
    EXPECT_EQ(rows.asked.size(), 2u);
}

TEST_F(ReportListTest, ChoiceEditReportsTheChosenEntry) {
    ASSERT_TRUE(list.BeginEdit(7, 2));
    HWND editor = list.EditorWindow();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(SendMessageW(editor, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(editor, CB_GETCURSEL, 0, 0), 0);
    SendMessageW(editor, CB_SHOWDROPDOWN, FALSE, 0);
    SendMessageW(editor, CB_SETCURSEL, 2, 0);
    Key(editor, VK_RETURN);
    Pump();
    ASSERT_EQ(rows.ended.size(), 1u);
    EXPECT_EQ(rows.ended[0].choice, 2);
    EXPECT_FALSE(list.IsEditing());
}

TEST_F(ReportListTest, ScrollingOrNewRowsEndTheEdit) {
    ASSERT_TRUE(list.BeginEdit(1, 1));
    SetWindowTextW(list.EditorWindow(), L"90");
    SendMessageW(list.GetSafeHwnd(), WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_FALSE(list.IsEditing());
    ASSERT_EQ(rows.ended.size(), 1u);
    EXPECT_EQ(rows.ended[0].text, L"90");
    ASSERT_TRUE(list.BeginEdit(1, 1));
    SetWindowTextW(list.EditorWindow(), L"70");
    list.SetRowCount(5);
    EXPECT_FALSE(list.IsEditing());
    EXPECT_EQ(rows.ended.size(), 2u);
}

namespace {

HWND SkinScrollBarOf(HWND host) {
    HWND found = nullptr;
    EnumChildWindows(
        host,
        [](HWND child, LPARAM out) {
            wchar_t name[32] = {};
            GetClassNameW(child, name, 32);
            if (lstrcmpW(name, L"KvSkinWidget") != 0) return TRUE;
            *reinterpret_cast<HWND*>(out) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

// The list's vertical bar is the skin's: laid exactly over the system's one and above the list, it drags
// and pages the list, and it comes and goes with the system's bar and with the list.
TEST_F(ReportListTest, TheSkinsScrollBarStandsInForTheSystemsAndScrollsTheList) {
    HWND bar = SkinScrollBarOf(host.hwnd);
    ASSERT_TRUE(bar);
    EXPECT_TRUE(IsWindowVisible(bar));
    SCROLLBARINFO system{};
    system.cbSize = sizeof system;
    ASSERT_TRUE(GetScrollBarInfo(list.GetSafeHwnd(), OBJID_VSCROLL, &system));
    RECT placed{};
    GetWindowRect(bar, &placed);
    EXPECT_TRUE(EqualRect(&placed, &system.rcScrollBar));
    const POINT centre{(placed.left + placed.right) / 2, (placed.top + placed.bottom) / 2};
    EXPECT_EQ(WindowFromPoint(centre), bar) << "above the list";

    RECT header{};
    GetClientRect(ListView_GetHeader(list.GetSafeHwnd()), &header);
    RECT client{};
    GetClientRect(bar, &client);
    const int x = client.right / 2;
    const int perPage = ListView_GetCountPerPage(list.GetSafeHwnd());
    auto press = [&](int downY, int moveY) {
        SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, downY));
        if (moveY != downY) SendMessageW(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, moveY));
        SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(x, moveY));
    };
    // The thumb, just below the header, dragged past the end: the last page, and an open cell ends.
    ASSERT_TRUE(list.BeginEdit(0, 1));
    press(header.bottom + 4, client.bottom + 50);
    EXPECT_EQ(ListView_GetTopIndex(list.GetSafeHwnd()), 2000 - perPage);
    EXPECT_FALSE(list.IsEditing());
    // The track above the thumb: one page up.
    press(header.bottom + 4, header.bottom + 4);
    EXPECT_EQ(ListView_GetTopIndex(list.GetSafeHwnd()), 2000 - 2 * perPage);
    // The wheel over the bar scrolls the list.
    const int before = ListView_GetTopIndex(list.GetSafeHwnd());
    SendMessageW(bar, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(centre.x, centre.y));
    EXPECT_LT(ListView_GetTopIndex(list.GetSafeHwnd()), before);

    // All rows fit: no bar; more rows: the bar again.
    list.SetRowCount(3);
    EXPECT_FALSE(IsWindowVisible(bar));
    list.SetRowCount(2000);
    EXPECT_TRUE(IsWindowVisible(bar));
    // Hidden and shown with its list, also while the window it sits on is hidden.
    ShowWindow(list.GetSafeHwnd(), SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(bar));
    ShowWindow(list.GetSafeHwnd(), SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(bar));
    for (bool listShown : {false, true}) {
        ShowWindow(host.hwnd, SW_HIDE);
        ShowWindow(list.GetSafeHwnd(), listShown ? SW_SHOW : SW_HIDE);
        ShowWindow(host.hwnd, SW_SHOWNOACTIVATE);
        EXPECT_EQ(IsWindowVisible(bar) != FALSE, listShown);
    }
}

TEST(SkinComboTest, RenamingTheTypedEntryKeepsTheTextAndTellsTheWindowNothing) {
    Host host;
    CSkinCombo combo;
    ASSERT_TRUE(combo.Create(host.hwnd, 301, true, RECT{0, 0, 200, 200}));
    combo.SetTextLimit(249);
    combo.AddItem(L"Macro1");
    combo.AddItem(L"Macro2");
    combo.Select(1);
    EXPECT_EQ(combo.Text(), L"Macro2");
    HWND edit = combo.EditWindow();
    ASSERT_NE(edit, nullptr);
    host.heard.commands.clear();
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"Jump"));  // as typed: the window hears it
    EXPECT_GE(host.Count(301, CBN_EDITCHANGE), 1);
    SendMessageW(edit, EM_SETSEL, 2, 2);
    host.heard.commands.clear();
    combo.SetItemText(1, L"Jump");
    EXPECT_EQ(combo.ItemText(1), L"Jump");
    EXPECT_EQ(combo.Count(), 2);
    EXPECT_EQ(combo.Text(), L"Jump");
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 2u);
    EXPECT_EQ(host.Count(301, CBN_EDITCHANGE), 0);
    // Typed text is bounded.
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(std::wstring(300, L'x').c_str()));
    EXPECT_EQ(GetWindowTextLengthW(edit), 249);
}

// The dropped list of a long choice wears the skin's frame and scroll bar over the system's light ones,
// still after it scrolled, and the system's bar underneath still scrolls it.
TEST(SkinComboTest, TheDroppedListsFrameAndBarAreTheSkins) {
    Host host;
    CSkinCombo combo;
    ASSERT_TRUE(combo.Create(host.hwnd, 345, true, RECT{10, 10, 210, 300}));
    for (int i = 0; i < 60; ++i) combo.AddItem(L"Macro" + std::to_wstring(i));
    combo.ShowList(true);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(combo.GetSafeHwnd(), &info));
    HWND list = info.hwndList;
    ASSERT_TRUE(IsWindowVisible(list));
    auto pixels = [&] {
        RECT window{};
        GetWindowRect(list, &window);
        SCROLLBARINFO bar{};
        bar.cbSize = sizeof bar;
        EXPECT_TRUE(GetScrollBarInfo(list, OBJID_VSCROLL, &bar));
        const int stripX = (bar.rcScrollBar.left + bar.rcScrollBar.right) / 2 - window.left;
        // Beside the thumb (above it when it is low, below it when it is high).
        const int thumbMiddle = (bar.xyThumbTop + bar.xyThumbBottom) / 2;
        const int height = bar.rcScrollBar.bottom - bar.rcScrollBar.top;
        const int trackY = bar.rcScrollBar.top - window.top + (thumbMiddle > height / 2 ? 4 : height - 4);
        HDC dc = GetWindowDC(list);
        const std::pair<COLORREF, COLORREF> seen{GetPixel(dc, 0, (window.bottom - window.top) / 2), GetPixel(dc, stripX, trackY)};
        ReleaseDC(list, dc);
        return seen;
    };
    EXPECT_EQ(pixels(), std::make_pair(COLORREF{kSkinPalette.edge}, COLORREF{kSkinPalette.face}));
    const int top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    SendMessageW(list, WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    EXPECT_GT(SendMessageW(list, LB_GETTOPINDEX, 0, 0), top);
    EXPECT_EQ(pixels(), std::make_pair(COLORREF{kSkinPalette.edge}, COLORREF{kSkinPalette.face}));
    combo.ShowList(false);
}

TEST(SkinComboTest, PlainChoiceHasNoTextField) {
    Host host;
    CSkinCombo combo;
    ASSERT_TRUE(combo.Create(host.hwnd, 302, false, RECT{0, 0, 200, 200}));
    EXPECT_EQ(combo.EditWindow(), nullptr);
    combo.AddItem(L"Left");
    combo.AddItem(L"Right");
    combo.Select(1);
    EXPECT_EQ(combo.Text(), L"Right");
    combo.Clear();
    EXPECT_EQ(combo.Count(), 0);
    EXPECT_EQ(combo.Selected(), CB_ERR);
}

TEST(SkinCheckTest, CheckBoxTogglesAndRadioGroupMovesWithArrows) {
    Host host;
    CSkinCheck box, first, second, third;
    ASSERT_TRUE(box.Create(host.hwnd, 310, CSkinCheck::Kind::Check));
    ASSERT_TRUE(first.Create(host.hwnd, 311, CSkinCheck::Kind::Radio));
    ASSERT_TRUE(second.Create(host.hwnd, 312, CSkinCheck::Kind::Radio));
    ASSERT_TRUE(third.Create(host.hwnd, 313, CSkinCheck::Kind::Radio));
    CSkinCheck::Group({&first, &second, &third});
    EnableWindow(third.GetSafeHwnd(), FALSE);

    SendMessageW(box.GetSafeHwnd(), BM_CLICK, 0, 0);
    EXPECT_TRUE(box.IsChecked());
    EXPECT_EQ(SendMessageW(box.GetSafeHwnd(), BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageW(box.GetSafeHwnd(), BM_CLICK, 0, 0);
    EXPECT_FALSE(box.IsChecked());
    EXPECT_EQ(host.Count(310, BN_CLICKED), 2);

    first.SetChecked(true);
    SendMessageW(second.GetSafeHwnd(), BM_CLICK, 0, 0);
    EXPECT_FALSE(first.IsChecked());
    EXPECT_TRUE(second.IsChecked());
    // Down skips the disabled third and wraps to the first.
    SetFocus(second.GetSafeHwnd());
    Key(second.GetSafeHwnd(), VK_DOWN);
    EXPECT_TRUE(first.IsChecked());
    EXPECT_FALSE(second.IsChecked());
    EXPECT_EQ(GetFocus(), first.GetSafeHwnd());
    EXPECT_EQ(host.Count(311, BN_CLICKED), 1);
}

TEST(SkinCheckTest, CheckedBoxIsFilledWithTheAccent) {
    Host host;
    CSkinCheck box;
    ASSERT_TRUE(box.Create(host.hwnd, 320, CSkinCheck::Kind::Radio));
    MoveWindow(box.GetSafeHwnd(), 0, 0, 18, 18, FALSE);
    auto centre = [&] {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 18, 18);
        HGDIOBJ old = SelectObject(dc, bitmap);
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.CtlID = 320;
        item.hwndItem = box.GetSafeHwnd();
        item.hDC = dc;
        item.rcItem = RECT{0, 0, 18, 18};
        SendMessageW(host.hwnd, WM_DRAWITEM, 320, reinterpret_cast<LPARAM>(&item));
        const COLORREF c = GetPixel(dc, 9, 9);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        return c;
    };
    EXPECT_EQ(centre(), kSkinPalette.face);
    box.SetChecked(true);
    EXPECT_EQ(centre(), kSkinPalette.accent);
}

TEST(SkinLabelTest, ClickOnLabelClicksItsBuddy) {
    Host host;
    CSkinCheck box;
    CSkinLabel label;
    ASSERT_TRUE(box.Create(host.hwnd, 330, CSkinCheck::Kind::Check));
    ASSERT_TRUE(label.Create(host.hwnd, 331, L"Record delays"));
    label.SetBuddy(box.GetSafeHwnd());
    SendMessageW(host.hwnd, WM_COMMAND, MAKEWPARAM(331, STN_CLICKED), reinterpret_cast<LPARAM>(label.GetSafeHwnd()));
    EXPECT_TRUE(box.IsChecked());
    EnableWindow(box.GetSafeHwnd(), FALSE);
    SendMessageW(host.hwnd, WM_COMMAND, MAKEWPARAM(331, STN_CLICKED), reinterpret_cast<LPARAM>(label.GetSafeHwnd()));
    EXPECT_TRUE(box.IsChecked());
}

namespace {

int printed[3] = {};  // WM_PRINTCLIENT heard by the counting windows, by their id

LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PRINTCLIENT) ++printed[GetDlgCtrlID(hwnd)];
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class CountedRows : public Rows {
public:
    std::wstring CellText(int row, int column) const override {
        ++asked;
        return Rows::CellText(row, column);
    }
    mutable int asked = 0;
};

}  // namespace

// A window built hidden ahead of its first showing paints once off screen: every control that would show
// with it, in the skin's look (the list's rows and header included), and nothing of a hidden page.
TEST(PaintAheadTest, ThePaintReachesWhatWouldShowAndNothingHidden) {
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = CountingProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KvPrintCounter";
        return RegisterClassW(&wc);
    }();
    (void)atom;
    Host host;
    ShowWindow(host.hwnd, SW_HIDE);
    auto child = [](HWND parent, int id, bool visible) {
        return CreateWindowExW(0, L"KvPrintCounter", L"", WS_CHILD | (visible ? WS_VISIBLE : 0), 0, 0, 20, 20, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    };
    child(host.hwnd, 0, true);
    child(host.hwnd, 1, false);                // a control of a page not shown
    child(child(host.hwnd, 2, false), 2, true);  // shown itself, on a hidden page
    CountedRows rows;
    CReportList list;
    ASSERT_TRUE(list.Create(host.hwnd, 340));
    MoveWindow(list.GetSafeHwnd(), 0, 30, 300, 200, FALSE);
    list.SetColumns({{L"Key", 120}, {L"Delay", 100}});
    list.SetSource(&rows);
    list.SetRowCount(2000);
    rows.asked = 0;
    printed[0] = printed[1] = printed[2] = 0;

    PaintAhead(host.hwnd);
    EXPECT_EQ(printed[0], 1);
    EXPECT_EQ(printed[1], 0);
    EXPECT_EQ(printed[2], 0);
    EXPECT_GT(rows.asked, 10) << "the rows in view are drawn";
    EXPECT_LT(rows.asked, 400) << "only the rows in view";

    // The header prints as it paints: in the skin's colours, not the system's.
    HWND header = ListView_GetHeader(list.GetSafeHwnd());
    ASSERT_TRUE(header);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 300, 30);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageW(header, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    EXPECT_EQ(GetPixel(dc, 60, 2), kSkinPalette.headerFace);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

// The text field's frame is the skin's, whoever draws the border (the frame or the control itself):
// dark at rest, the accent while it has the focus.
TEST(SkinEditTest, TheFrameIsInTheSkinsColours) {
    Host host;
    CSkinEdit other, field;
    ASSERT_TRUE(other.Create(host.hwnd, 351));
    ASSERT_TRUE(field.Create(host.hwnd, 350));
    MoveWindow(other.GetSafeHwnd(), 10, 100, 80, 24, TRUE);
    MoveWindow(field.GetSafeHwnd(), 10, 10, 80, 24, TRUE);
    auto frame = [&] {
        RedrawWindow(field.GetSafeHwnd(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        HDC dc = GetWindowDC(field.GetSafeHwnd());
        const COLORREF c = GetPixel(dc, 40, 0);
        ReleaseDC(field.GetSafeHwnd(), dc);
        return c;
    };
    SetFocus(other.GetSafeHwnd());
    EXPECT_EQ(frame(), kSkinPalette.edge);
    SetFocus(field.GetSafeHwnd());
    EXPECT_EQ(frame(), kSkinPalette.accent);
}

namespace {

COLORREF menuFace = CLR_INVALID;
HMENU shownMenu = nullptr;
LRESULT menuChar = 0;
bool lastItemDrawnByUs = false;

// An owner that names an item just before its menu shows, as the window does with the update item.
LRESULT CALLBACK NamesAnItem(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_INITMENUPOPUP)
        ModifyMenuW(reinterpret_cast<HMENU>(wParam), 102, MF_BYCOMMAND | MF_STRING, 102, L"E&xit now");
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

// Runs inside the menu's own message loop: looks at the open menu, then types its accelerator.
void CALLBACK LookAndChoose(HWND owner, UINT, UINT_PTR id, DWORD) {
    KillTimer(owner, id);
    if (HWND popup = FindWindowW(L"#32768", nullptr)) {
        RECT r{};
        GetWindowRect(popup, &r);
        HDC dc = GetWindowDC(popup);
        menuFace = GetPixel(dc, r.right - r.left - 8, 8);  // right of the first item's text
        ReleaseDC(popup, dc);
    }
    // Items the program draws have no text for the system: their accelerators are the owner's to find.
    menuChar = SendMessageW(owner, WM_MENUCHAR, MAKEWPARAM(L'X', MF_POPUP), reinterpret_cast<LPARAM>(shownMenu));
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE;
    lastItemDrawnByUs = GetMenuItemInfoW(shownMenu, 102, FALSE, &item) && (item.fType & MFT_OWNERDRAW);
    PostMessageW(owner, WM_CHAR, L'x', 0);
}

}  // namespace

// A popup shown through TrackSkinMenu is drawn in the skin's colours and still answers as the system's
// menu does: an item's accelerator chooses it, also for an item the owner names as the menu opens.
TEST(SkinMenuTest, ThePopupIsDarkAndItsAcceleratorsChoose) {
    Host host;
    SetWindowSubclass(host.hwnd, NamesAnItem, 1, 0);
    SetForegroundWindow(host.hwnd);
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 101, L"&Open");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, 102, L"E&xit");
    SetMenuDefaultItem(menu, 101, FALSE);
    menuFace = CLR_INVALID;
    shownMenu = menu;
    SetTimer(host.hwnd, 1, 300, LookAndChoose);
    const BOOL chosen = TrackSkinMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_LEFTBUTTON, 100, 100, host.hwnd);
    EXPECT_EQ(chosen, 102);
    EXPECT_EQ(menuFace, kSkinPalette.headerFace);
    EXPECT_EQ(menuChar, MAKELRESULT(2, MNC_EXECUTE));
    EXPECT_TRUE(lastItemDrawnByUs);
    RemoveWindowSubclass(host.hwnd, NamesAnItem, 1);
    DestroyMenu(menu);
}
