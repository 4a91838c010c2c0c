#include "widgets/report_list_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "widgets/skin_combo_win.h"
#include "widgets/skin_scroll_bar_win.h"

namespace kv::widgets {
namespace {

constexpr UINT_PTR kEditorSubclassId = 0x4544;  // "ED"
constexpr UINT_PTR kHeaderSubclassId = 0x4844;  // "HD"
// Posted to the list when an editor loses the focus or a choice is made: the edit ends once the
// message that caused it has been handled.
constexpr UINT kMsgEndEdit = WM_APP + 0x2B1;
constexpr int kChoiceEditorId = 0x7FF0;
constexpr int kVisibleChoices = 12;

}  // namespace

CReportList::CReportList() = default;

CReportList::~CReportList() {
    if (hwnd_) {
        HIMAGELIST rows = ListView_GetImageList(hwnd_, LVSIL_SMALL);
        ListView_SetImageList(hwnd_, nullptr, LVSIL_SMALL);
        if (rows) ImageList_Destroy(rows);
    }
    choice_.reset();
}

bool CReportList::Create(HWND parent, int id, bool header) {
    EnsureCommonControls();
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL |
                        LVS_SHOWSELALWAYS | (header ? 0 : LVS_NOCOLUMNHEADER);
    HWND control = CreateWindowExW(0, WC_LISTVIEWW, L"", style, 0, 0, 10, 10, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                   nullptr);
    return control && Setup(control);
}

bool CReportList::Replace(HWND templateControl, bool header) {
    EnsureCommonControls();
    const DWORD style = LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP |
                        (header ? 0 : LVS_NOCOLUMNHEADER);
    HWND control = ReplaceControl(templateControl, WC_LISTVIEWW, style, 0);
    return control && Setup(control);
}

bool CReportList::Setup(HWND control) {
    // A list box or edit style the template gave must not survive: only the report view is drawn here.
    if (!Adopt(control)) return false;
    ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    ListView_SetBkColor(hwnd_, kSkinPalette.face);
    ListView_SetTextBkColor(hwnd_, kSkinPalette.face);
    ListView_SetTextColor(hwnd_, kSkinPalette.text);
    header_ = ListView_GetHeader(hwnd_);
    if (header_) SetWindowSubclass(header_, HeaderProc, kHeaderSubclassId, reinterpret_cast<DWORD_PTR>(this));
    bar_ = std::make_unique<CSkinScrollBar>();
    if (!bar_->Attach(hwnd_, [this](int top) { ScrollToRow(top); })) bar_.reset();
    FontChanged();
    return true;
}

void CReportList::FontChanged() {
    if (!hwnd_) return;
    // The row height follows the font: a one-pixel-wide image list of the wanted height sets it.
    const int rowHeight = FontHeight() + Scale(8);
    HIMAGELIST rows = ImageList_Create(1, rowHeight, ILC_COLOR32, 1, 0);
    HIMAGELIST previous = ListView_SetImageList(hwnd_, rows, LVSIL_SMALL);
    if (previous) ImageList_Destroy(previous);
    ApplyColumnWidths();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void CReportList::SetColumns(const std::vector<ReportColumn>& columns) {
    if (!hwnd_) return;
    EndEdit(false);
    while (ListView_DeleteColumn(hwnd_, 0)) {
    }
    columns_ = columns;
    for (size_t i = 0; i < columns_.size(); ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = Scale(columns_[i].width);
        column.pszText = const_cast<wchar_t*>(columns_[i].title.c_str());
        column.iSubItem = static_cast<int>(i);
        ListView_InsertColumn(hwnd_, static_cast<int>(i), &column);
    }
    focusColumn_ = std::clamp(focusColumn_, 0, std::max(0, static_cast<int>(columns_.size()) - 1));
}

void CReportList::SetColumnTitle(int column, const std::wstring& title) {
    if (!hwnd_ || column < 0 || column >= static_cast<int>(columns_.size())) return;
    columns_[column].title = title;
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT;
    c.pszText = const_cast<wchar_t*>(columns_[column].title.c_str());
    ListView_SetColumn(hwnd_, column, &c);
    if (header_) InvalidateRect(header_, nullptr, TRUE);
}

void CReportList::ApplyColumnWidths() {
    for (size_t i = 0; i < columns_.size(); ++i)
        ListView_SetColumnWidth(hwnd_, static_cast<int>(i), Scale(columns_[i].width));
}

void CReportList::SetRowCount(int rows) {
    if (!hwnd_) return;
    EndEdit(true);
    ListView_SetItemCountEx(hwnd_, std::max(rows, 0), LVSICF_NOSCROLL);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void CReportList::InvalidateRowAllAcross(int row) {
    RECT rect{};
    if (row < 0 || !ListView_GetItemRect(hwnd_, row, &rect, LVIR_BOUNDS)) return;
    RECT client{};
    GetClientRect(hwnd_, &client);
    rect.left = client.left;
    rect.right = client.right;
    InvalidateRect(hwnd_, &rect, FALSE);
}

int CReportList::RowCount() const { return hwnd_ ? ListView_GetItemCount(hwnd_) : 0; }

void CReportList::RedrawRow(int row) {
    if (hwnd_ && row >= 0) ListView_RedrawItems(hwnd_, row, row);
}

int CReportList::SelectedRow() const {
    return hwnd_ ? ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED) : -1;
}

void CReportList::SelectRow(int row, bool scrollIntoView) {
    if (!hwnd_) return;
    // Only the rows that have the marks lose them: clearing "every row" of a long list touches each one.
    for (int marked = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); marked >= 0 && marked != row;
         marked = ListView_GetNextItem(hwnd_, marked, LVNI_SELECTED))
        ListView_SetItemState(hwnd_, marked, 0, LVIS_SELECTED | LVIS_FOCUSED);
    const int focused = ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED);
    if (focused >= 0 && focused != row) ListView_SetItemState(hwnd_, focused, 0, LVIS_FOCUSED);
    if (row < 0 || row >= RowCount()) return;
    ListView_SetItemState(hwnd_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(hwnd_, row);
    if (scrollIntoView) ListView_EnsureVisible(hwnd_, row, FALSE);
}

RECT CReportList::CellRect(int row, int column) const {
    RECT bounds{};
    ListView_GetItemRect(hwnd_, row, &bounds, LVIR_BOUNDS);
    return CellRect(bounds, column);
}

RECT CReportList::CellRect(const RECT& bounds, int column) const {
    int x = bounds.left;
    for (int i = 0; i < column; ++i) x += ListView_GetColumnWidth(hwnd_, i);
    return RECT{x, bounds.top, x + ListView_GetColumnWidth(hwnd_, column), bounds.bottom};
}

int CReportList::ColumnAt(int row, POINT point) const {
    RECT bounds{};
    ListView_GetItemRect(hwnd_, row, &bounds, LVIR_BOUNDS);
    int x = bounds.left;
    for (int i = 0; i < static_cast<int>(columns_.size()); ++i) {
        x += ListView_GetColumnWidth(hwnd_, i);
        if (point.x < x) return i;
    }
    return -1;
}

HWND CReportList::EditorWindow() const {
    if (editor_) return editor_;
    return choice_ ? choice_->GetSafeHwnd() : nullptr;
}

bool CReportList::BeginEdit(int row, int column) {
    EndEdit(true);
    if (!hwnd_ || !source_ || row < 0 || row >= RowCount() || column < 0 ||
        column >= static_cast<int>(columns_.size()))
        return false;
    SelectRow(row, true);
    focusColumn_ = column;
    CellEditor start = source_->BeginCellEdit(row, column);
    // The source may have shown a message or changed the rows meanwhile.
    if (start.kind == CellEditKind::None || row >= RowCount()) return false;
    ListView_EnsureVisible(hwnd_, row, FALSE);
    RECT cell = CellRect(row, column);
    InflateRect(&cell, -Scale(2), -Scale(2));
    editRow_ = row;
    editColumn_ = column;
    editStart_ = std::move(start);

    if (editStart_.kind == CellEditKind::Text) {
        editor_ = CreateWindowExW(0, L"EDIT", editStart_.text.c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, cell.left,
                                  cell.top, cell.right - cell.left, cell.bottom - cell.top, hwnd_, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        if (!editor_) {
            editRow_ = editColumn_ = -1;
            return false;
        }
        SendMessageW(editor_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
        const int margin = Scale(4);
        SendMessageW(editor_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
        if (editStart_.maxChars > 0) SendMessageW(editor_, EM_SETLIMITTEXT, editStart_.maxChars, 0);
        SetWindowSubclass(editor_, EditorProc, kEditorSubclassId, reinterpret_cast<DWORD_PTR>(this));
        SetFocus(editor_);
        SendMessageW(editor_, EM_SETSEL, 0, -1);
    } else {
        choice_ = std::make_unique<CSkinCombo>();
        const int visible = std::min<int>(kVisibleChoices, static_cast<int>(editStart_.choices.size()));
        RECT drop{cell.left, cell.top, cell.right, cell.bottom + (cell.bottom - cell.top + Scale(4)) * (visible + 1)};
        if (!choice_->Create(hwnd_, kChoiceEditorId, false, drop)) {
            choice_.reset();
            editRow_ = editColumn_ = -1;
            return false;
        }
        for (const std::wstring& text : editStart_.choices) choice_->AddItem(text);
        choice_->Select(editStart_.selected);
        SetWindowSubclass(choice_->GetSafeHwnd(), EditorProc, kEditorSubclassId, reinterpret_cast<DWORD_PTR>(this));
        SetFocus(choice_->GetSafeHwnd());
        choice_->ShowList(true);
    }
    RedrawRow(row);
    return true;
}

void CReportList::EndEdit(bool commit) {
    if (ending_ || !IsEditing()) return;
    ending_ = true;
    std::wstring text;
    int choice = -1;
    bool changed = false;
    HWND editorWindow = EditorWindow();
    if (editor_) {
        const int length = GetWindowTextLengthW(editor_);
        text.resize(static_cast<size_t>(length) + 1);
        GetWindowTextW(editor_, text.data(), length + 1);
        text.resize(static_cast<size_t>(length));
        changed = text != editStart_.text;
    } else {
        choice = choice_->Selected();
        changed = choice >= 0 && choice != editStart_.selected;
    }
    // The list takes the focus back before its editor goes, so the focus never lands nowhere.
    const HWND focus = GetFocus();
    if (focus == editorWindow || (editorWindow && IsChild(editorWindow, focus))) SetFocus(hwnd_);
    RemoveWindowSubclass(editorWindow, EditorProc, kEditorSubclassId);
    DestroyWindow(editorWindow);
    editor_ = nullptr;
    choice_.reset();
    const int row = editRow_;
    const int column = editColumn_;
    editRow_ = editColumn_ = -1;
    ending_ = false;
    if (commit && changed && source_) source_->EndCellEdit(row, column, text, choice);
    RedrawRow(row);
}

LRESULT CALLBACK CReportList::EditorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR data) {
    auto* self = reinterpret_cast<CReportList*>(data);
    switch (message) {
        case WM_GETDLGCODE:
            // Enter, Esc and Tab end the edit here instead of pressing the dialog's buttons.
            return DefSubclassProc(hwnd, message, wParam, lParam) | DLGC_WANTALLKEYS;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                if (self->choice_ && self->choice_->IsDropped()) break;
                self->EndEdit(false);
                return 0;
            }
            if (wParam == VK_RETURN || wParam == VK_TAB) {
                if (self->choice_ && self->choice_->IsDropped()) self->choice_->ShowList(false);
                self->EndEdit(true);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == VK_RETURN || wParam == VK_ESCAPE || wParam == VK_TAB) return 0;  // no beep
            break;
        case WM_KILLFOCUS:
            PostMessageW(self->hwnd_, kMsgEndEdit, 1, 0);
            break;
        default:
            break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

namespace {

// Messages after which the list's scroll bar may have moved, shown, hidden or scrolled.
bool MayMoveTheBar(UINT message) {
    switch (message) {
        case WM_VSCROLL:
        case WM_MOUSEWHEEL:
        case WM_KEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_TIMER:  // the list scrolls by itself while a selection is dragged past its edge
        case WM_SIZE:
        case WM_WINDOWPOSCHANGED:
        case WM_STYLECHANGED:
        case WM_SETFONT:
        case WM_SETREDRAW:
            return true;
        default:
            return message >= LVM_FIRST && message < LVM_FIRST + 0x100;
    }
}

}  // namespace

LRESULT CReportList::ControlProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = ListMessage(message, wParam, lParam);
    if (bar_ && MayMoveTheBar(message) && !bar_->IsDragging()) {
        RECT header{};
        if (header_ && (GetWindowLongPtrW(header_, GWL_STYLE) & WS_VISIBLE)) GetClientRect(header_, &header);
        bar_->SetTrackTop(header.bottom);
        bar_->Sync();
    } else if (bar_ && message == WM_SHOWWINDOW && lParam == 0) {
        bar_->Sync(wParam != 0);
    }
    return result;
}

void CReportList::ScrollToRow(int top) {
    EndEdit(true);
    const int now = ListView_GetTopIndex(hwnd_);
    RECT row{};
    if (top == now || !ListView_GetItemRect(hwnd_, now, &row, LVIR_BOUNDS)) return;
    // In report view the list scrolls by whole rows, given in pixels.
    ListView_Scroll(hwnd_, 0, (top - now) * (row.bottom - row.top));
}

LRESULT CReportList::ListMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE: {
            LRESULT code = Default(message, wParam, lParam) | DLGC_WANTARROWS;
            const MSG* msg = reinterpret_cast<const MSG*>(lParam);
            if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
            return code;
        }
        case WM_KEYDOWN:
            if ((wParam == VK_LEFT || wParam == VK_RIGHT) && columns_.size() > 1) {
                const int last = static_cast<int>(columns_.size()) - 1;
                focusColumn_ = std::clamp(focusColumn_ + (wParam == VK_LEFT ? -1 : 1), 0, last);
                RedrawRow(SelectedRow());
                return 0;
            }
            if (wParam == VK_F2 || wParam == VK_RETURN) {
                const int row = SelectedRow();
                if (row >= 0) BeginEdit(row, focusColumn_);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == VK_RETURN) return 0;
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN: {
            EndEdit(true);
            LVHITTESTINFO hit{};
            hit.pt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (ListView_SubItemHitTest(hwnd_, &hit) >= 0 && hit.iSubItem >= 0) focusColumn_ = hit.iSubItem;
            break;
        }
        case WM_LBUTTONDBLCLK: {
            const LRESULT result = Default(message, wParam, lParam);
            LVHITTESTINFO hit{};
            hit.pt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (ListView_SubItemHitTest(hwnd_, &hit) >= 0 && hit.iItem >= 0) {
                const int column = hit.iSubItem >= 0 ? hit.iSubItem : ColumnAt(hit.iItem, hit.pt);
                if (column >= 0) BeginEdit(hit.iItem, column);
            }
            return result;
        }
        case WM_VSCROLL:
        case WM_HSCROLL:
        case WM_MOUSEWHEEL:
            EndEdit(true);
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            RedrawRow(SelectedRow());
            break;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header && header->hwndFrom == header_ &&
                (header->code == HDN_BEGINTRACKW || header->code == HDN_BEGINTRACKA ||
                 header->code == HDN_DIVIDERDBLCLICKW || header->code == HDN_DIVIDERDBLCLICKA))
                EndEdit(true);
            break;
        }
        case WM_CTLCOLOREDIT:
            if (reinterpret_cast<HWND>(lParam) == editor_) {
                HDC dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, kSkinPalette.text);
                SetBkColor(dc, kSkinPalette.hoverFace);
                return reinterpret_cast<LRESULT>(SolidBrushOf(kSkinPalette.hoverFace));
            }
            break;
        case WM_COMMAND:
            if (choice_ && reinterpret_cast<HWND>(lParam) == choice_->GetSafeHwnd()) {
                if (HIWORD(wParam) == CBN_SELENDOK || HIWORD(wParam) == CBN_KILLFOCUS)
                    PostMessageW(hwnd_, kMsgEndEdit, 1, 0);
                return 0;
            }
            break;
        case kMsgEndEdit:
            if (IsEditing()) {
                // A choice list that is still open keeps its edit (the focus went to the list itself).
                const HWND focus = GetFocus();
                const HWND editorWindow = EditorWindow();
                if (focus && (focus == editorWindow || IsChild(editorWindow, focus))) {
                    if (!choice_ || choice_->IsDropped()) return 0;
                }
                EndEdit(wParam != 0);
            }
            return 0;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

bool CReportList::ParentProc(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != WM_NOTIFY) return false;
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (!header || header->hwndFrom != hwnd_) return false;
    switch (header->code) {
        case LVN_GETDISPINFOW: {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
            if ((info->item.mask & LVIF_TEXT) && info->item.pszText && info->item.cchTextMax > 0) {
                const std::wstring text = source_ ? source_->CellText(info->item.iItem, info->item.iSubItem) : L"";
                lstrcpynW(info->item.pszText, text.c_str(), info->item.cchTextMax);
            }
            result = 0;
            return true;
        }
        case NM_CUSTOMDRAW:
            result = CustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
            return true;
        case LVN_ITEMCHANGED: {
            // A row paints beyond what the list redraws for a change of its marks (the accent at its left
            // edge, its face past the last column), and the list does not always tell which row lost them
            // (the arrow keys): the row last drawn selected and the changed one are redrawn all across.
            // The parent hears the change too.
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
            if (change->uChanged & LVIF_STATE) {
                InvalidateRowAllAcross(drawnSelected_);
                InvalidateRowAllAcross(change->iItem);
            }
            return false;
        }
        case LVN_ODSTATECHANGED:
            InvalidateRect(hwnd_, nullptr, FALSE);
            return false;
        default:
            return false;
    }
}

LRESULT CReportList::CustomDraw(NMLVCUSTOMDRAW* draw) {
    switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            // The columns' widths for the rows of this paint, asked once: each question costs the list a
            // round through its header.
            paintWidths_.resize(columns_.size());
            for (std::size_t i = 0; i < columns_.size(); ++i)
                paintWidths_[i] = ListView_GetColumnWidth(hwnd_, static_cast<int>(i));
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT: {
            const int row = static_cast<int>(draw->nmcd.dwItemSpec);
            // The row's box comes with the notice: asking the list for it again makes it ask this window
            // for the row's texts to measure them, once per call.
            RECT bounds = draw->nmcd.rc;
            if (IsRectEmpty(&bounds)) ListView_GetItemRect(hwnd_, row, &bounds, LVIR_BOUNDS);
            DrawRow(draw->nmcd.hdc, row, bounds, ListView_GetItemState(hwnd_, row, LVIS_SELECTED) != 0);
            return CDRF_SKIPDEFAULT;
        }
        default:
            return CDRF_DODEFAULT;
    }
}

void CReportList::DrawRow(HDC dc, int row, const RECT& bounds, bool selected) {
    const bool enabled = IsWindowEnabled(hwnd_) != FALSE;
    const bool focused = GetFocus() == hwnd_;
    if (selected) drawnSelected_ = row;
    Colour face = (row % 2) ? kSkinPalette.stripeFace : kSkinPalette.face;
    if (selected && enabled) face = kSkinPalette.selectedFace;
    RECT full = bounds;
    RECT client{};
    GetClientRect(hwnd_, &client);
    full.right = std::max(full.right, client.right);
    FillColour(dc, full, face);
    FillColour(dc, RECT{full.left, full.bottom - 1, full.right, full.bottom}, kSkinPalette.grid);
    if (selected && enabled) FillColour(dc, RECT{bounds.left, bounds.top, bounds.left + Scale(3), bounds.bottom},
                                        kSkinPalette.accent);

    HGDIOBJ oldFont = SelectObject(dc, Font());
    SetBkMode(dc, TRANSPARENT);
    const int pad = Scale(8);
    for (int column = 0; column < static_cast<int>(columns_.size()); ++column) {
        RECT cell = bounds;
        if (paintWidths_.size() == columns_.size()) {
            for (int i = 0; i < column; ++i) cell.left += paintWidths_[static_cast<std::size_t>(i)];
            cell.right = cell.left + paintWidths_[static_cast<std::size_t>(column)];
        } else {
            cell = CellRect(bounds, column);
        }
        Colour colour = kSkinPalette.text;
        if (!enabled)
            colour = kSkinPalette.faintText;
        else if (source_ && source_->CellDim(row, column))
            colour = selected ? kSkinPalette.selectedText : kSkinPalette.dimText;
        else if (selected)
            colour = kSkinPalette.selectedText;
        SetTextColor(dc, colour);
        const std::wstring text = source_ ? source_->CellText(row, column) : L"";
        RECT textRect{cell.left + pad, cell.top, cell.right - Scale(4), cell.bottom};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
                  DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | DT_LEFT);
        // The cell that F2 or Enter would open, and the cell being edited.
        const bool editing = row == editRow_ && column == editColumn_;
        if (editing || (selected && focused && columns_.size() > 1 && column == focusColumn_)) {
            RECT frame = cell;
            InflateRect(&frame, -1, -1);
            FrameColour(dc, frame, kSkinPalette.accent, std::max(1, Scale(1)));
        }
    }
    SelectObject(dc, oldFont);
}

LRESULT CALLBACK CReportList::HeaderProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR data) {
    auto* self = reinterpret_cast<CReportList*>(data);
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            self->PaintHeader(hwnd, dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            self->PaintHeader(hwnd, reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, HeaderProc, kHeaderSubclassId);
            break;
        default:
            break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

void CReportList::PaintHeader(HWND header, HDC dc) {
    RECT client{};
    GetClientRect(header, &client);
    FillColour(dc, client, kSkinPalette.headerFace);
    FillColour(dc, RECT{client.left, client.bottom - 1, client.right, client.bottom}, kSkinPalette.edge);
    HGDIOBJ oldFont = SelectObject(dc, Font());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsWindowEnabled(hwnd_) ? kSkinPalette.headerText : kSkinPalette.faintText);
    const int count = Header_GetItemCount(header);
    for (int i = 0; i < count; ++i) {
        RECT item{};
        if (!Header_GetItemRect(header, i, &item)) continue;
        wchar_t text[260] = {};
        HDITEMW hd{};
        hd.mask = HDI_TEXT;
        hd.pszText = text;
        hd.cchTextMax = 260;
        Header_GetItem(header, i, &hd);
        RECT textRect{item.left + Scale(8), item.top, item.right - Scale(4), item.bottom - 1};
        DrawTextW(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | DT_LEFT);
        FillColour(dc, RECT{item.right - 1, item.top + Scale(4), item.right, item.bottom - Scale(4)}, kSkinPalette.edge);
    }
    SelectObject(dc, oldFont);
}

}  // namespace kv::widgets
