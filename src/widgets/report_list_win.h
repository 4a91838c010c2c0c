// CReportList: a report-style list (columns, one line per row) drawn in the skin's colours, whose rows
// come from a data source on demand (a virtual list: thousands of rows cost nothing until shown), with
// in-place editing of single cells and keyboard navigation between cells. Its vertical scroll bar is the
// skin's (CSkinScrollBar), laid over the system's.
//
// Usage:
//   class Rows : public kv::widgets::ReportSource { ... CellText, BeginCellEdit, EndCellEdit ... };
//   CReportList list;                                      // a member of the window, like its source
//   list.Create(dialog, IDC_LIST);                         // or list.Replace(GetDlgItem(dialog, IDC_LIST))
//   kv::skin::PlaceControl(list.GetSafeHwnd(), layout, L"BUTTONINFO", L"...");
//   list.SetColumns({{L"Key", 120}, {L"Delay", 80}});     // widths in skin pixels
//   list.SetSource(&rows);
//   list.SetRowCount(n);                                   // after every change of the rows
// The window reacts to LVN_ITEMCHANGED (selection) and LVN_KEYDOWN as for any list view. A cell opens
// for editing on a double click, F2 or Enter (Left and Right move between the cells of the selected
// row); the source says what editor it gets (a text field or a choice list, or none) and receives the
// result when the edit ends with Enter, Tab or the focus moving elsewhere; Esc drops it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "widgets/widget_base_win.h"

namespace kv::widgets {

enum class CellEditKind { None, Text, Choice };

struct CellEditor {
    CellEditKind kind = CellEditKind::None;
    std::wstring text;                  // Text: the text the field starts with
    int maxChars = 0;                   // Text: 0 for no limit
    std::vector<std::wstring> choices;  // Choice: the entries
    int selected = -1;                  // Choice: the entry chosen at first
};

class ReportSource {
public:
    virtual ~ReportSource() = default;
    [[nodiscard]] virtual std::wstring CellText(int row, int column) const = 0;
    // Cells drawn in the grey-text colour.
    [[nodiscard]] virtual bool CellDim(int /*row*/, int /*column*/) const { return false; }
    // A cell is asked to open: None keeps it closed (the source may say why).
    virtual CellEditor BeginCellEdit(int /*row*/, int /*column*/) { return {}; }
    // The edit ended and changed something: the text typed (Text) or the entry chosen (Choice).
    virtual void EndCellEdit(int /*row*/, int /*column*/, const std::wstring& /*text*/, int /*choice*/) {}
};

struct ReportColumn {
    std::wstring title;
    int width = 80;  // skin pixels
};

class CSkinCombo;
class CSkinScrollBar;

class CReportList : public CWidget {
public:
    CReportList();
    ~CReportList() override;

    [[nodiscard]] bool Create(HWND parent, int id, bool header = true);
    // Takes the place, id and tab position of a template control (which is destroyed).
    [[nodiscard]] bool Replace(HWND templateControl, bool header = true);

    void SetColumns(const std::vector<ReportColumn>& columns);
    void SetColumnTitle(int column, const std::wstring& title);
    void SetSource(ReportSource* source) { source_ = source; }
    // The number of rows; the selection and scroll position stay where they can.
    void SetRowCount(int rows);
    [[nodiscard]] int RowCount() const;
    void RedrawRow(int row);

    [[nodiscard]] int SelectedRow() const;  // -1 for none
    void SelectRow(int row, bool scrollIntoView);
    [[nodiscard]] int FocusColumn() const { return focusColumn_; }

    // Opens the cell as the source says; false when it stays closed.
    bool BeginEdit(int row, int column);
    void EndEdit(bool commit);
    [[nodiscard]] bool IsEditing() const { return editor_ != nullptr || choice_ != nullptr; }
    // The open editor's window (tests type into it), or nullptr.
    [[nodiscard]] HWND EditorWindow() const;

protected:
    LRESULT ControlProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT ListMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool ParentProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void FontChanged() override;

private:
    bool Setup(HWND control);
    void ApplyColumnWidths();
    LRESULT CustomDraw(NMLVCUSTOMDRAW* draw);
    void DrawRow(HDC dc, int row, const RECT& bounds, bool selected);
    void PaintHeader(HWND header, HDC dc);
    RECT CellRect(int row, int column) const;
    RECT CellRect(const RECT& rowBounds, int column) const;
    void InvalidateRowAllAcross(int row);
    void ScrollToRow(int top);
    int ColumnAt(int row, POINT clientPoint) const;
    static LRESULT CALLBACK EditorProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static LRESULT CALLBACK HeaderProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    ReportSource* source_ = nullptr;
    std::vector<ReportColumn> columns_;
    int focusColumn_ = 0;
    int drawnSelected_ = -1;  // the row last painted with the selected look
    std::vector<int> paintWidths_;  // the columns' widths, read once at the start of each paint
    HWND header_ = nullptr;
    std::unique_ptr<CSkinScrollBar> bar_;  // the skin's bar over the list's own

    // The open cell editor: a text field or a choice list.
    HWND editor_ = nullptr;
    std::unique_ptr<CSkinCombo> choice_;
    int editRow_ = -1;
    int editColumn_ = -1;
    CellEditor editStart_;
    bool ending_ = false;
};

}  // namespace kv::widgets
