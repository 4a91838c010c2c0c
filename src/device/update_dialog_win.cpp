// Runs on the main window's thread.
#include "device/update_dialog_win.h"

#include <commctrl.h>

#include <initializer_list>
#include <shellapi.h>

#include "app/app_messages.h"
#include "app/program_paths.h"
#include "device/commands.h"
#include "macros/profile_data.h"
#include "profiles/profile_exchange.h"
#include "skin/base_dialog.h"
#include "skin/placement.h"
#include "skin/png_button.h"
#include "skin/skin_image.h"
#include "ui/resource_ids.h"
#include "widgets/skin_combo_win.h"
#include "widgets/skin_label_win.h"

namespace kv {

namespace {

class ShellUpdaterLaunch final : public UpdaterLaunch {
public:
    explicit ShellUpdaterLaunch(HWND owner) : owner_(owner) {}
    bool IsFile(const std::filesystem::path& path) override {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }
    int EnterBootMode() override { return kv::EnterBootMode(); }
    bool StartUpdater(const std::filesystem::path& path) override {
        const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(owner_, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        return result > 32;
    }

private:
    HWND owner_;
};

// The two button pictures are decoded once for the whole run.
const kv::skin::SkinImage& UpdatePicture(int which) {
    static const kv::skin::SkinImage normal = kv::skin::LoadSkinImage(L"Skins\\update_normal.jpg");
    static const kv::skin::SkinImage over = kv::skin::LoadSkinImage(L"Skins\\update_over.jpg");
    return which == 0 ? normal : over;
}

// The file menu's item that opens this dialog takes its text from the language file whenever the menu
// opens (the window owning the menu receives WM_INITMENUPOPUP before it shows).
LRESULT CALLBACK MenuTextSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_INITMENUPOPUP) {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        HMENU popup = reinterpret_cast<HMENU>(wParam);
        if (GetMenuState(popup, ID_MENU_UPDATE, MF_BYCOMMAND) != static_cast<UINT>(-1))
            ModifyMenuW(popup, ID_MENU_UPDATE, MF_BYCOMMAND | MF_STRING, ID_MENU_UPDATE, Text("MENU_UPDATE").c_str());
        return result;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(window, MenuTextSubclass, 0);
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

class UpdateDialogWindow final : public CBaseDialog {
public:
    UpdateDialogWindow(HWND owner, UserDialogs& dialogs, UpdaterLaunch* launch)
        : CBaseDialog(IDD_UPDATE_DIALOG, owner, GetProgramPaths().updateSkin, GetProgramPaths().skinFolder),
          dialogs_(dialogs),
          shell_(owner),
          launch_(launch != nullptr ? *launch : shell_) {}
    void Close() {
        if (m_hWnd) EndDialog(IDCANCEL);
    }
    HWND Handle() const { return m_hWnd; }

protected:
    BOOL OnInitDialog() override {
        CBaseDialog::OnInitDialog();
        if (UpdatePicture(0).Empty() || UpdatePicture(1).Empty()) ExitProcess(0);  // the skin is incomplete
        kv::skin::RenderImageToSurface(normal_, UpdatePicture(0), m_hWnd);
        kv::skin::RenderImageToSurface(over_, UpdatePicture(1), m_hWnd);
        const SkinLooks looks{&normal_, &over_, &over_, &normal_, &normal_};
        const kv::skin::TextButton buttons[] = {
            {update_, IDC_UPDATE_BUTTON, L"CONTROL_UPButton"},
            {cancel_, IDC_UPDATE_CANCEL, L"CONTROL_CUPButton"},
            {open_, IDC_UPDATE_OPEN, L"CONTROL_OPENButton"},
            {backup_, IDC_UPDATE_BACKUP, L"CONTROL_BACKUPButton"},
        };
        kv::skin::PlaceTextButtons(m_hWnd, Layout(), buttons, looks);
        (void)title_.Attach(GetDlgItem(m_hWnd, IDC_UPDATE_TITLE));
        title_.SetFont(L"Arial Unicode MS", 12, true);
        title_.SetAlign(kv::widgets::CSkinLabel::Align::LeftSingle);
        (void)prompt_.Attach(GetDlgItem(m_hWnd, IDC_UPDATE_STATIC));
        prompt_.SetAlign(kv::widgets::CSkinLabel::Align::LeftSingle);
        (void)note_.Attach(GetDlgItem(m_hWnd, IDC_UPDATE_NOTE));
        note_.SetColour(kv::widgets::Rgb(0xFF, 0xB8, 0x6E));
        (void)path_.Replace(GetDlgItem(m_hWnd, IDC_UPDATE_PATH), true);
        kv::skin::PlaceControl(title_.GetSafeHwnd(), Layout(), L"BUTTONINFO", L"CONTROL_UPTitle");
        kv::skin::PlaceControl(prompt_.GetSafeHwnd(), Layout(), L"BUTTONINFO", L"CONTROL_UPStatic");
        kv::skin::PlaceControl(note_.GetSafeHwnd(), Layout(), L"BUTTONINFO", L"CONTROL_UPNote");
        kv::skin::PlaceControl(path_.GetSafeHwnd(), Layout(), L"BUTTONINFO", L"CONTROL_UPCombox");
        ShowPath();
        ApplyLanguageTexts();
        SetFocus(update_.GetSafeHwnd());  // not the path field, whose text would open selected
        return FALSE;
    }

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_COMMAND:
                if (HIWORD(wParam) == BN_CLICKED) {
                    switch (LOWORD(wParam)) {
                        case IDC_UPDATE_OPEN: Choose(); return TRUE;
                        case IDC_UPDATE_BUTTON: Update(); return TRUE;
                        case IDC_UPDATE_CANCEL: CancelUpdate(); return TRUE;
                        case IDC_UPDATE_BACKUP: Backup(); return TRUE;
                        default: break;
                    }
                }
                break;
            default:
                if (message == MSG_LANGUAGE && HasTag(wParam, TAG_LANGUAGE)) {
                    ApplyLanguageTexts();
                    return TRUE;
                }
                break;
        }
        return CBaseDialog::DialogProc(message, wParam, lParam);
    }

    void OnOK() override {}  // Enter in the path field does not end the dialog
    void OnCancel() override { CancelUpdate(); }

private:
    void ApplyLanguageTexts() {
        SetWindowTextW(m_hWnd, Text("UPDATE_TITLE").c_str());
        const struct {
            int id;
            const char* key;
        } texts[] = {
            {IDC_UPDATE_TITLE, "UPDATE_TITLE"},   {IDC_UPDATE_STATIC, "UPDATE_STATIC"}, {IDC_UPDATE_NOTE, "UPDATE_NOTE"},
            {IDC_UPDATE_OPEN, "UPDATE_OPEN"},     {IDC_UPDATE_BUTTON, "UPDATE_BUTTON"}, {IDC_UPDATE_CANCEL, "UPDATE_CANCEL"},
            {IDC_UPDATE_BACKUP, "UPDATE_BACKUP"},
        };
        for (const auto& t : texts) SetDlgItemTextW(m_hWnd, t.id, Text(t.key).c_str());
        // The widgets' face, or one that has the language's characters where that face is missing.
        const std::wstring sample = Text("UPDATE_TITLE");
        HDC dc = GetDC(m_hWnd);
        const std::wstring face =
            CPngButton::FaceForText(dc, kv::widgets::kWidgetFontFace, sample.c_str(), static_cast<int>(sample.size()));
        ReleaseDC(m_hWnd, dc);
        for (kv::widgets::CWidget* widget : std::initializer_list<kv::widgets::CWidget*>{&title_, &prompt_, &note_, &path_}) widget->SetFace(face);
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }

    void ShowPath() {
        const std::wstring path = UpdaterPath().wstring();
        bool listed = path.empty();
        for (int i = 0; i < path_.Count() && !listed; ++i) listed = path_.ItemText(i) == path;
        if (!listed) path_.AddItem(path);
        path_.SetText(path);
    }

    // What the path field holds is the updater: a chosen file, or a path the user typed.
    void TakePathFromField() { UpdaterPath() = path_.Text(); }

    void Choose() {
        const std::wstring package = GetProgramPaths().packageFolder;
        FileDialogRequest request;
        request.folder = package;
        request.defaultExtension = L"exe";
        request.filters = {{Text("UPDATE_FILTER_EXE"), L"*.exe"}};
        const FileChoice choice = dialogs_.ChooseFile(m_hWnd, request);
        if (!choice.path.empty()) {
            UpdaterPath() = choice.path;
            ShowPath();
            InvalidateRect(m_hWnd, nullptr, TRUE);
        }
        SetCurrentDirectoryW(package.c_str());
    }

    void Update() {
        TakePathFromField();
        const UpdateOutcome out = RunFirmwareUpdate(UpdaterPath(), launch_);
        if (UpdaterPath().empty()) path_.SetText(L"");
        if (out.messageKey != nullptr) dialogs_.Tell(m_hWnd, Text(out.messageKey));
        if (out.closeDialog) EndDialog(IDOK);
    }

    void CancelUpdate() {
        UpdaterPath().clear();
        EndDialog(IDCANCEL);
    }

    void Backup() {
        FileDialogRequest request;
        request.save = true;
        request.defaultExtension = L"kvp";
        request.filters = ProfileFileFilters();
        const std::wstring path = WithProfileExtension(dialogs_.ChooseFile(m_hWnd, request));
        if (path.empty()) return;
        const bool written = ExportProfile(path, TheProfileData());
        dialogs_.Tell(m_hWnd, Text(written ? kMessageBackupWritten : kMessageBackupFailed));
    }

    UserDialogs& dialogs_;
    ShellUpdaterLaunch shell_;
    UpdaterLaunch& launch_;
    kv::skin::SkinSurface normal_;
    kv::skin::SkinSurface over_;
    CPngButton update_;
    CPngButton cancel_;
    CPngButton open_;
    CPngButton backup_;
    kv::widgets::CSkinLabel title_;
    kv::widgets::CSkinLabel prompt_;
    kv::widgets::CSkinLabel note_;
    kv::widgets::CSkinCombo path_;
};

CKelvane_DlgUpdate::CKelvane_DlgUpdate(MainWindowHost& host, UserDialogs& dialogs, UpdaterLaunch* launch)
    : host_(host), dialogs_(dialogs), launch_(launch) {}

CKelvane_DlgUpdate::~CKelvane_DlgUpdate() = default;

INT_PTR CKelvane_DlgUpdate::RunModal() {
    if (window_) return -1;  // it runs already
    window_ = std::make_unique<UpdateDialogWindow>(host_.Window(), dialogs_, launch_);
    const INT_PTR result = window_->DoModal();
    window_.reset();
    return result;
}

bool CKelvane_DlgUpdate::IsOpen() const { return window_ != nullptr && window_->Handle() != nullptr; }

void CKelvane_DlgUpdate::Close() {
    if (window_) window_->Close();
}

HWND CKelvane_DlgUpdate::Handle() const { return window_ ? window_->Handle() : nullptr; }

std::unique_ptr<ModalDialogPart> MakeUpdateDialog(MainWindowHost& host) {
    if (host.Window() != nullptr) SetWindowSubclass(host.Window(), MenuTextSubclass, 0, 0);
    return std::make_unique<CKelvane_DlgUpdate>(host);
}

}  // namespace kv
