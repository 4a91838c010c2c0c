// The macro page of the key assignment dialog: the macro list (an editable drop-down list whose text
// renames the current macro), the action list with in-place editing of key, direction and delay, the
// buttons that add, delete, record and move, the repeat count, the record-delays check box and the
// macro memory gauge. It edits private copies of the macros (MacroPage); the dialog puts them into the
// working data when it applies. Runs on the dialog's thread; the recorder's hooks call it there too.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "macros/macro_page.h"
#include "macros/macro_recorder_win.h"
#include "macros/profile_data.h"
#include "skin/ini_file.h"
#include "skin/png_button.h"
#include "widgets/report_list_win.h"
#include "widgets/skin_check_win.h"
#include "widgets/skin_combo_win.h"
#include "widgets/skin_edit_win.h"
#include "widgets/skin_label_win.h"

namespace kv {

// Control ids of the macro page.
enum MacroPageControl : int {
    IDC_MACRO_ADD = 1017,
    IDC_MACRO_DELETE = 1018,
    IDC_ACTION_LIST = 1019,
    IDC_RECORD = 1020,
    IDC_ACTION_DELETE = 1021,
    IDC_ACTION_CLEAR = 1022,
    IDC_ACTION_TOP = 1023,
    IDC_ACTION_UP = 1024,
    IDC_ACTION_DOWN = 1025,
    IDC_ACTION_BOTTOM = 1026,
    IDC_RECORD_DELAYS = 1027,
    IDC_REPEAT = 1125,
    IDC_MACRO_LIST = 1126,
    IDC_REPEAT_LABEL = 1130,
    IDC_RECORD_DELAYS_LABEL = 1133,
    IDC_MACRO_NAME_LABEL = 1200,
    IDC_MACRO_MEMORY = 1204,
};

// What the page needs from its dialog.
class MacroPageHost {
public:
    virtual ~MacroPageHost() = default;
    [[nodiscard]] virtual HWND DialogWindow() const = 0;
    [[nodiscard]] virtual const CIniFile& DialogLayout() const = 0;
    [[nodiscard]] virtual std::wstring Text(const char* key) const = 0;
    // A message box over the dialog; returns IDYES, IDNO, IDOK ...
    virtual int Ask(const std::wstring& text, UINT type) = 0;
    virtual void PageModified() = 0;  // enables the dialog's apply
    [[nodiscard]] virtual ProfileData& Data() = 0;
    [[nodiscard]] virtual std::size_t MacroCapacity() const = 0;  // 0: not known
    virtual void SaveRecordDelays(bool on) = 0;
    [[nodiscard]] virtual uint64_t Now() const = 0;
};

class CMacroPageView : public RecordSink, private widgets::ReportSource {
public:
    explicit CMacroPageView(MacroPageHost& host);
    ~CMacroPageView() override;

    // Creates the page's controls (hidden) on the dialog and places them from its layout.
    void Create();
    void SetButtonLooks(const SkinLooks& looks);
    void Show(bool show);
    void ApplyTexts();
    // The face the page's texts are drawn in (the dialog picks one that has the language's characters).
    void SetFace(const std::wstring& face);

    // The macro list from the working data; no current macro yet.
    void Fill(std::vector<MacroRecord> macros, bool recordDelays);
    // Lets go of the macros while the dialog is closed (the list of names stays for the next opening).
    void Release();
    // Makes the item current and loads its actions (-1: none).
    void SelectMacro(int index);
    [[nodiscard]] int IndexOfId(uint32_t id) const { return page_.IndexOfId(id); }
    [[nodiscard]] const MacroPage& Page() const { return page_; }
    void MarkApplied() { page_.MarkApplied(); }

    // The dialog's commands and notifications for the page's controls; true when they were the page's.
    bool OnCommand(int id, int code);
    bool OnNotify(const NMHDR& header);

    void StartRecording();
    void StopRecording();
    [[nodiscard]] bool IsRecording() const { return recorder_.Recording(); }
    [[nodiscard]] CMacroRecorder& Recorder() { return recorder_; }
    // The repeat count field shows the number the macro takes (when it is left, and before applying).
    void CorrectRepeatField();
    // Ctrl+Z: the last action-list edit taken back.
    void Undo();
    [[nodiscard]] widgets::CReportList& ActionList() { return actions_; }
    [[nodiscard]] widgets::CSkinCombo& MacroList() { return names_; }
    [[nodiscard]] std::wstring MemoryText() const;

    // RecordSink
    void OnRecorded(const RecordedAction& action) override;
    [[nodiscard]] HWND RecordingWindow() const override { return host_.DialogWindow(); }

private:
    // ReportSource: the current macro's actions.
    [[nodiscard]] std::wstring CellText(int row, int column) const override;
    [[nodiscard]] bool CellDim(int row, int column) const override;
    widgets::CellEditor BeginCellEdit(int row, int column) override;
    void EndCellEdit(int row, int column, const std::wstring& text, int choice) override;

    void LoadRows(int selectRow);
    void UpdateButtons();
    [[nodiscard]] std::wstring MemoryText(const MacroMemoryUse& use) const;
    void Changed();  // modified, gauge refreshed
    void RefreshGauge();
    void AddMacro();
    void DeleteMacro();
    void RenameFromField();
    void RepeatChanged();
    void DeleteAction();
    void ClearActions();
    void Move(MoveTarget target);
    HWND Item(int id) const { return GetDlgItem(host_.DialogWindow(), id); }

    MacroPageHost& host_;
    MacroPage page_;
    CMacroRecorder recorder_;
    bool recordDelays_ = false;
    bool quiet_ = false;  // the page is changing its own fields
    std::wstring addTip_;
    widgets::Colour gaugeColour_ = widgets::kSkinPalette.dimText;

    widgets::CSkinCombo names_;
    std::vector<std::wstring> listedNames_;  // what names_ lists, entry by entry
    widgets::CReportList actions_;
    widgets::CSkinEdit repeat_;
    widgets::CSkinCheck delays_;
    widgets::CSkinLabel delaysLabel_, repeatLabel_, nameLabel_, memory_;
    CPngButton add_, delete_, record_, deleteAction_, clearActions_, top_, up_, down_, bottom_;
};

}  // namespace kv
