// Kelvane_DlgComposite: the key assignment dialog. The user gives one key of the current on-board profile
// another key or a mouse action, a macro (edited and recorded on its macro page), a multimedia action or
// a keyboard function. The result goes into the key's slot of the working data when the dialog applies;
// the main window's Apply writes it to the keyboard. It opens beside the clicked key (centred in its
// macro-only form, for G9 and the main window's macro button) and runs modally over the main window.
//
// Threads: everything runs on the main window's thread; the key capture and recorder hooks are called
// on it too, inside the dialog's message loop. The working data is read and written under its lock.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "keys/key_capture_win.h"
#include "macros/macro_page_view_win.h"
#include "macros/profile_data.h"
#include "skin/base_dialog.h"
#include "skin/png_button.h"
#include "skin/skin_image.h"
#include "ui/main_window_parts_win.h"
#include "widgets/report_list_win.h"
#include "widgets/skin_check_win.h"
#include "widgets/skin_combo_win.h"
#include "widgets/skin_label_win.h"

namespace kv {

// Control ids of the dialog (the macro page's are in macro_page_view_win.h).
enum KeyDialogControl : int {
    IDC_APPLY_KEY = 1015,
    IDC_PAGE_KEY = 1028,
    IDC_PAGE_MACRO = 1029,
    IDC_PAGE_MEDIA = 1030,
    IDC_PAGE_FUNCTION = 1031,
    IDC_CLEAR_KEY = 1032,
    IDC_PAGE_PICTURE = 1033,
    IDC_CAPTURED_KEY = 1127,
    IDC_MEDIA_LIST = 1128,
    IDC_FUNCTION_LIST = 1129,
    IDC_TITLE = 1131,
    IDC_OSK = 1132,
    IDC_RADIO_KB_LABEL = 1134,
    IDC_RADIO_MOUSE_LABEL = 1135,
    IDC_RADIO_KB = 1185,
    IDC_RADIO_MOUSE = 1186,
    IDC_MOUSE_LIST = 1187,
    IDC_HEADING = 1199,
    IDC_KEY_HINT = 1201,
    IDC_MEDIA_HINT = 1202,
    IDC_FUNCTION_HINT = 1203,
};

inline constexpr UINT kG9Control = 1143;  // the G9 button opens the macro-only form

// What the dialog uses besides the main window; tests and the benchmark pass their own.
struct KeyDialogServices {
    ProfileData* data = nullptr;
    std::function<int()> deviceProfile;  // the keyboard's current profile, -1 when it cannot be read
    std::function<int(HWND owner, const std::wstring& text, UINT type)> messageBox;
    std::function<std::wstring(const char* key)> text;  // language text
    std::function<bool()> readRecordDelays;
    std::function<void(bool)> writeRecordDelays;
    std::function<uint64_t()> clock;  // milliseconds
    // The keyboard's macro memory in bytes, 0 while not known; asked when the window does not say.
    std::function<std::size_t()> macroCapacity;
    std::function<void(HWND)> openHelp;
    std::function<void(HWND)> openOnScreenKeyboard;
    // Called once the dialog is shown, from inside its message loop (tests drive it from here).
    std::function<void(class Kelvane_DlgComposite&)> shown;
};
[[nodiscard]] KeyDialogServices DefaultKeyDialogServices();

[[nodiscard]] std::unique_ptr<KeyAssignmentPart> MakeKeyAssignmentDialog(MainWindowHost& host);
[[nodiscard]] std::unique_ptr<KeyAssignmentPart> MakeKeyAssignmentDialog(MainWindowHost& host,
                                                                         KeyDialogServices services);

class Kelvane_DlgComposite : public CBaseDialog, private MacroPageHost, private CaptureSink {
public:
    enum class Page { Key, Macro, Media, Function };
    struct Target {
        int imageSet = 0;
        int keyIndex = 0;
        UINT controlId = 0;
        bool macroOnly = false;
    };

    Kelvane_DlgComposite(MainWindowHost& host, const KeyDialogServices& services, int& openCount);
    ~Kelvane_DlgComposite() override;

    // Opens the dialog on the target and runs it until OK or cancel ends it; hidden again on return. The
    // window and its controls are built at the first opening and kept, so later openings are quick.
    INT_PTR Run(const Target& target);
    // Builds the window hidden, with every page's pictures decoded and the texts set, so that the first
    // opening costs no more than a later one. Nothing when already built; false when it cannot be built.
    bool Prepare();
    // The cancel path (the keyboard was detached): nothing not yet applied is stored.
    void CloseByCancel();

    // State, for the window's tests.
    [[nodiscard]] uint16_t Type() const { return type_; }
    [[nodiscard]] KeyCode CapturedKey() const { return captured_; }
    [[nodiscard]] bool Modified() const { return modified_; }
    [[nodiscard]] Page ShownPage() const { return page_; }
    [[nodiscard]] bool KeyboardModeChecked() const { return radioKeyboard_.IsChecked(); }
    [[nodiscard]] CMacroPageView& MacroPage() { return macroPage_; }
    [[nodiscard]] CKeyCapture& Capture() { return capture_; }
    [[nodiscard]] widgets::CReportList& MediaList() { return mediaList_; }
    [[nodiscard]] widgets::CReportList& FunctionList() { return functionList_; }
    [[nodiscard]] widgets::CSkinCombo& MouseList() { return mouseList_; }
    // Apply as its button does; false when the key could not be stored.
    bool Apply();

protected:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    struct LookSet {
        kv::skin::SkinSurface normal, over, down, disable;
        bool loaded = false;
        bool hasOver = false, hasDown = false, hasDisable = false;
        [[nodiscard]] SkinLooks Pointers();  // normal, over, down, disabled, checked
    };
    enum SetIndex { kKeySet, kMacroSet, kMacro2Set, kMediaSet, kFunctionSet, kSetCount };

    // MacroPageHost
    [[nodiscard]] HWND DialogWindow() const override { return m_hWnd; }
    [[nodiscard]] const CIniFile& DialogLayout() const override { return Layout(); }
    [[nodiscard]] std::wstring Text(const char* key) const override;
    int Ask(const std::wstring& text, UINT type) override;
    void PageModified() override { SetModified(true); }
    [[nodiscard]] ProfileData& Data() override { return *services_.data; }
    [[nodiscard]] std::size_t MacroCapacity() const override;
    void SaveRecordDelays(bool on) override;
    [[nodiscard]] uint64_t Now() const override { return services_.clock(); }
    // CaptureSink
    void OnCaptured(KeyCode key) override;
    [[nodiscard]] bool KeyboardMode() const override { return radioKeyboard_.IsChecked(); }
    [[nodiscard]] HWND CaptureWindow() const override { return m_hWnd; }

    LookSet& Looks(SetIndex set);
    SkinLooks GeneralLooks();
    void Open();
    void FillMacroPage();
    void NoteLanguage();
    void ApplyForm();
    void CreateControls();
    void FillLists();
    void ReadSlot();
    void Place();
    void ApplyTexts();
    void StartChoices();
    void ShowPage(uint16_t type, bool initial);
    void ShowCaptured();
    void SetKeyboardMode(bool keyboard);
    void SetModified(bool modified);
    void OnPageButton(int id);
    void OnClear();
    void CloseSteps();
    void End(INT_PTR result);
    bool FilterMessage(MSG& msg);
    bool PaintPageBehind(HWND child, HDC dc, const RECT& rect);
    [[nodiscard]] std::wstring KeyTitle() const;

    MainWindowHost& host_;
    const KeyDialogServices& services_;
    Target target_;
    const void* pictureShown_ = nullptr;  // the page picture under the controls
    int formShown_ = -1;        // the form (0 normal, 1 macro-only) whose pictures the buttons show
    int macroLooksShown_ = -1;  // the image set the macro page's buttons show
    int textLanguage_ = -1;
    mutable std::map<std::string, std::wstring> textCache_;  // language texts of textLanguage_
    bool languageShown_ = false;  // the texts that follow only the language are those of textLanguage_
    int& openCount_;
    bool counted_ = false;

    // Dialog state.
    uint16_t type_ = 0;
    KeyCode captured_ = kNoKey;
    uint16_t slotType_ = 0;
    uint32_t slotValue_ = 0;
    uint16_t slotTag_ = 0;
    bool modified_ = false;
    bool macroPageVisited_ = false;
    Page page_ = Page::Key;
    bool ended_ = false;
    INT_PTR result_ = IDCANCEL;
    bool closed_ = false;

    // Pictures first: the buttons that show them go before them.
    std::array<LookSet, kSetCount> sets_;

    CMacroPageView macroPage_;
    CKeyCapture capture_;
    CPngButton pageKey_, pageMacro_, pageMedia_, pageFunction_, clear_, osk_, ok_, cancel_, apply_, title_, pagePicture_;
    widgets::CSkinLabel heading_, capturedText_, radioKeyboardLabel_, radioMouseLabel_, keyHint_, mediaHint_,
        functionHint_;
    widgets::CSkinCheck radioKeyboard_, radioMouse_;
    widgets::CSkinCombo mouseList_;
    widgets::CReportList mediaList_, functionList_;
    class NamedRows;
    std::unique_ptr<NamedRows> mediaRows_, functionRows_;
    bool quietLists_ = false;
};

}  // namespace kv
