#include "widgets/skin_combo_win.h"

#include <commctrl.h>

#include <algorithm>

#include "skin/dpi_scale.h"
#include "skin/window_dpi.h"
#include "widgets/skin_scroll_bar_win.h"

namespace kv::widgets {
namespace {

constexpr DWORD kComboStyle = WS_VSCROLL | WS_TABSTOP | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | CBS_AUTOHSCROLL;

constexpr UINT_PTR kListSubclassId = 0x4C42;  // "LB"

COMBOBOXINFO InfoOf(HWND combo) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    GetComboBoxInfo(combo, &info);
    return info;
}

// The dropped list's frame and scroll bar in the skin's colours, painted over what the system drew. The
// thumb is drawn where the system's thumb is, so the system's bar still answers every click and drag.
void PaintDroppedListFrame(HWND list) {
    RECT window{};
    GetWindowRect(list, &window);
    HDC dc = GetWindowDC(list);
    if (!dc) return;
    const RECT whole{0, 0, window.right - window.left, window.bottom - window.top};
    FrameColour(dc, whole, kSkinPalette.edge);
    SCROLLBARINFO bar{};
    if (ShownVerticalBar(list, bar)) {
        RECT strip = bar.rcScrollBar;
        OffsetRect(&strip, -window.left, -window.top);
        ThumbLook look;
        look.dpi = kv::skin::WindowDpi(list);
        // The system's thumb may be a sliver: drawn at least this long, around the same middle.
        const int least = std::min(static_cast<int>(strip.bottom - strip.top), kv::skin::ScaleToDpi(20, look.dpi));
        const int middle = (bar.xyThumbTop + bar.xyThumbBottom) / 2;
        look.thumbTop = std::clamp(std::min(bar.xyThumbTop, middle - least / 2), 0,
                                   static_cast<int>(strip.bottom - strip.top) - least);
        look.thumbBottom = std::max(bar.xyThumbBottom, look.thumbTop + least);
        PaintScrollStrip(dc, strip, look);
    }
    ReleaseDC(list, dc);
}

// Messages after which the system may have drawn the list's frame or bar again.
bool MayDrawTheFrame(UINT message) {
    switch (message) {
        case WM_NCPAINT:
        case WM_PAINT:
        case WM_VSCROLL:
        case WM_MOUSEWHEEL:
        case WM_KEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_MOUSEMOVE:
        case WM_NCLBUTTONDOWN:
        case WM_NCMOUSEMOVE:
        case WM_TIMER:
        case WM_SHOWWINDOW:
        case WM_WINDOWPOSCHANGED:
        case WM_CAPTURECHANGED:
        case WM_ENABLE:
            return true;
        default:
            return message >= LB_ADDSTRING && message <= LB_MSGMAX;
    }
}

LRESULT CALLBACK DroppedListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, DroppedListProc, kListSubclassId);
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
    if (MayDrawTheFrame(message) && IsWindowVisible(hwnd)) PaintDroppedListFrame(hwnd);
    return result;
}

}  // namespace

bool CSkinCombo::Create(HWND parent, int id, bool editable, const RECT& rect) {
    EnsureCommonControls();
    HWND control = CreateWindowExW(0, WC_COMBOBOXW, L"",
                                   WS_CHILD | WS_VISIBLE | kComboStyle | (editable ? CBS_DROPDOWN : CBS_DROPDOWNLIST),
                                   rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                   nullptr);
    editable_ = editable;
    return control && Setup(control);
}

bool CSkinCombo::Replace(HWND templateControl, bool editable) {
    EnsureCommonControls();
    HWND control = ReplaceControl(templateControl, WC_COMBOBOXW,
                                  kComboStyle | (editable ? CBS_DROPDOWN : CBS_DROPDOWNLIST), 0);
    editable_ = editable;
    return control && Setup(control);
}

bool CSkinCombo::Setup(HWND control) {
    if (!Adopt(control)) return false;
    if (HWND list = InfoOf(control).hwndList) SetWindowSubclass(list, DroppedListProc, kListSubclassId, 0);
    FontChanged();
    return true;
}

void CSkinCombo::FontChanged() {
    if (!hwnd_) return;
    const int fontHeight = FontHeight();
    SendMessageW(hwnd_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), fontHeight + Scale(10));
    SendMessageW(hwnd_, CB_SETITEMHEIGHT, 0, fontHeight + Scale(8));
    InvalidateRect(hwnd_, nullptr, TRUE);
}

int CSkinCombo::AddItem(const std::wstring& text) {
    return static_cast<int>(SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

void CSkinCombo::DeleteItem(int index) { SendMessageW(hwnd_, CB_DELETESTRING, static_cast<WPARAM>(index), 0); }

void CSkinCombo::SetItemText(int index, const std::wstring& text) {
    if (index < 0 || index >= Count()) return;
    const bool wasSelected = Selected() == index;
    HWND edit = EditWindow();
    // Renaming the entry being typed keeps the typed text and the caret where they are.
    std::wstring typed;
    DWORD selStart = 0, selEnd = 0;
    if (edit) {
        typed = Text();
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
    }
    SendMessageW(hwnd_, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
    SendMessageW(hwnd_, CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
    if (wasSelected) {
        SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        if (edit) {
            quiet_ = true;
            SetWindowTextW(edit, typed.c_str());
            SendMessageW(edit, EM_SETSEL, selStart, selEnd);
            quiet_ = false;
        }
    }
}

std::wstring CSkinCombo::ItemText(int index) const {
    const LRESULT length = SendMessageW(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length < 0) return L"";
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

void CSkinCombo::Clear() {
    quiet_ = true;
    SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
    if (HWND edit = EditWindow()) SetWindowTextW(edit, L"");
    quiet_ = false;
}

int CSkinCombo::Count() const { return static_cast<int>(SendMessageW(hwnd_, CB_GETCOUNT, 0, 0)); }

int CSkinCombo::Selected() const { return static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0)); }

void CSkinCombo::Select(int index) {
    quiet_ = true;
    SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    quiet_ = false;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

std::wstring CSkinCombo::Text() const {
    HWND source = EditWindow();
    if (!source) return Selected() >= 0 ? ItemText(Selected()) : L"";
    const int length = GetWindowTextLengthW(source);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(source, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

void CSkinCombo::SetText(const std::wstring& text) {
    quiet_ = true;
    if (HWND edit = EditWindow()) SetWindowTextW(edit, text.c_str());
    quiet_ = false;
}

void CSkinCombo::SetTextLimit(int characters) { SendMessageW(hwnd_, CB_LIMITTEXT, static_cast<WPARAM>(characters), 0); }

void CSkinCombo::CentreEdit() {
    HWND edit = EditWindow();
    if (edit == nullptr) return;
    const RECT field = InfoOf(hwnd_).rcItem;
    const int height = std::min<int>(FontHeight() + Scale(2), field.bottom - field.top);
    const int top = field.top + (field.bottom - field.top - height) / 2;
    SetWindowPos(edit, nullptr, field.left, top, field.right - field.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND CSkinCombo::EditWindow() const {
    if (!hwnd_ || !editable_) return nullptr;
    const COMBOBOXINFO info = InfoOf(hwnd_);
    return info.hwndItem != hwnd_ ? info.hwndItem : nullptr;
}

bool CSkinCombo::IsDropped() const { return hwnd_ && SendMessageW(hwnd_, CB_GETDROPPEDSTATE, 0, 0) != 0; }

void CSkinCombo::ShowList(bool show) { SendMessageW(hwnd_, CB_SHOWDROPDOWN, show ? TRUE : FALSE, 0); }

void CSkinCombo::Paint(HDC dc) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const COMBOBOXINFO info = InfoOf(hwnd_);
    const bool enabled = IsWindowEnabled(hwnd_) != FALSE;
    const HWND focus = GetFocus();
    const bool focused = focus == hwnd_ || (info.hwndItem && focus == info.hwndItem);
    FillColour(dc, client, kSkinPalette.face);
    // The button: a flat strip with a chevron.
    RECT button = info.rcButton;
    if (button.right <= button.left) button = RECT{client.right - Scale(24), client.top, client.right, client.bottom};
    button.top = client.top;
    button.bottom = client.bottom;
    button.right = client.right;
    FillColour(dc, button, hover_ || IsDropped() ? kSkinPalette.hoverFace : kSkinPalette.headerFace);
    const int cx = (button.left + button.right) / 2;
    const int cy = (button.top + button.bottom) / 2;
    const int arm = Scale(4);
    HPEN pen = CreatePen(PS_SOLID, std::max(1, Scale(2)),
                         !enabled ? kSkinPalette.faintText : (hover_ || focused ? kSkinPalette.accent : kSkinPalette.dimText));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    POINT chevron[3] = {{cx - arm, cy - arm / 2}, {cx, cy + arm / 2}, {cx + arm, cy - arm / 2}};
    Polyline(dc, chevron, 3);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    // A plain choice shows its entry in the field; a text field paints itself.
    if (!editable_) {
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_COMBOBOX;
        item.hwndItem = hwnd_;
        item.hDC = dc;
        item.itemID = static_cast<UINT>(Selected());
        item.rcItem = RECT{client.left + 1, client.top + 1, button.left, client.bottom - 1};
        item.itemState = ODS_COMBOBOXEDIT | (focused ? ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
        DrawEntry(item);
    }
    FrameColour(dc, client, focused || hover_ ? kSkinPalette.accent : kSkinPalette.edge, 1);
}

void CSkinCombo::DrawEntry(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const bool field = (item.itemState & ODS_COMBOBOXEDIT) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0 || !IsWindowEnabled(hwnd_);
    const bool selected = !field && (item.itemState & ODS_SELECTED) != 0;
    Colour face = selected ? kSkinPalette.selectedFace : kSkinPalette.face;
    if (field && (item.itemState & ODS_FOCUS) && !IsDropped()) face = kSkinPalette.hoverFace;
    FillColour(dc, item.rcItem, face);
    if (selected) FillColour(dc, RECT{item.rcItem.left, item.rcItem.top, item.rcItem.left + Scale(3), item.rcItem.bottom},
                             kSkinPalette.accent);
    if (static_cast<int>(item.itemID) < 0) return;
    const std::wstring text = ItemText(static_cast<int>(item.itemID));
    HGDIOBJ oldFont = SelectObject(dc, Font());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, disabled ? kSkinPalette.faintText : (selected ? kSkinPalette.selectedText : kSkinPalette.text));
    RECT textRect{item.rcItem.left + Scale(8), item.rcItem.top, item.rcItem.right - Scale(4), item.rcItem.bottom};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | DT_LEFT);
    SelectObject(dc, oldFont);
}

LRESULT CSkinCombo::ControlProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd_, &ps);
            Paint(dc);
            EndPaint(hwnd_, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            const bool enabled = IsWindowEnabled(hwnd_) != FALSE;
            SetTextColor(dc, enabled ? kSkinPalette.text : kSkinPalette.faintText);
            SetBkColor(dc, kSkinPalette.face);
            return reinterpret_cast<LRESULT>(SolidBrushOf(kSkinPalette.face));
        }
        case WM_MOUSEMOVE:
            if (!hover_) {
                hover_ = true;
                TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd_, 0};
                TrackMouseEvent(&track);
                InvalidateRect(hwnd_, nullptr, FALSE);
            }
            break;
        case WM_MOUSELEAVE:
            hover_ = false;
            InvalidateRect(hwnd_, nullptr, FALSE);
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
            InvalidateRect(hwnd_, nullptr, FALSE);
            break;
        case WM_SIZE:
        case CB_SETITEMHEIGHT: {
            // The combo box lays its text field out at the top of the field; it goes to the middle.
            const LRESULT result = Default(message, wParam, lParam);
            CentreEdit();
            return result;
        }
        case WM_COMMAND:
            // The text field's focus changes repaint the frame.
            if (HIWORD(wParam) == EN_SETFOCUS || HIWORD(wParam) == EN_KILLFOCUS) InvalidateRect(hwnd_, nullptr, FALSE);
            break;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

bool CSkinCombo::ParentProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (!item || item->hwndItem != hwnd_) return false;
            DrawEntry(*item);
            result = TRUE;
            return true;
        }
        case WM_MEASUREITEM: {
            auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            if (!item || item->CtlType != ODT_COMBOBOX || static_cast<int>(item->CtlID) != GetDlgCtrlID(hwnd_))
                return false;
            HDC dc = GetDC(hwnd_);
            HGDIOBJ old = SelectObject(dc, Font());
            TEXTMETRICW tm{};
            GetTextMetricsW(dc, &tm);
            SelectObject(dc, old);
            ReleaseDC(hwnd_, dc);
            item->itemHeight = static_cast<UINT>(tm.tmHeight + Scale(8));
            result = TRUE;
            return true;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX: {
            const COMBOBOXINFO info = InfoOf(hwnd_);
            const HWND from = reinterpret_cast<HWND>(lParam);
            if (from != hwnd_ && from != info.hwndItem && from != info.hwndList) return false;
            result = ControlProc(message, wParam, lParam);
            return true;
        }
        case WM_COMMAND:
            // Changes the program makes itself are not the user's.
            if (quiet_ && reinterpret_cast<HWND>(lParam) == hwnd_ &&
                (HIWORD(wParam) == CBN_EDITCHANGE || HIWORD(wParam) == CBN_EDITUPDATE ||
                 HIWORD(wParam) == CBN_SELCHANGE)) {
                result = 0;
                return true;
            }
            return false;
        default:
            return false;
    }
}

}  // namespace kv::widgets
