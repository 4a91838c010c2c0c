// Runs on the main window's thread.
#include "profiles/profile_manager_win.h"

#include <commctrl.h>

#include <initializer_list>

#include "app/app_messages.h"
#include "app/environment_win.h"
#include "app/program_paths.h"
#include "device/commands.h"
#include "profiles/profile_exchange.h"
#include "profiles/profile_file.h"
#include "profiles/profile_window_win.h"
#include "skin/base_dialog.h"
#include "skin/placement.h"
#include "skin/png_button.h"
#include "skin/skin_image.h"
#include "ui/resource_ids.h"
#include "widgets/report_list_win.h"
#include "widgets/skin_label_win.h"

namespace kv {

namespace {

constexpr wchar_t kMark[] = L"\u25CF";  // the marked row's sign in the first column

std::wstring Wide(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }
std::u16string Narrow16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

// The framework's per-user settings, section "PROFILES".
class FrameworkListStore final : public ProfileListStore {
public:
    std::u16string Read(std::u16string_view key) override {
        return Narrow16(GetProfileString(Wide(kProfileListSection).c_str(), Wide(key).c_str(), L""));
    }
    void Write(std::u16string_view key, std::u16string_view value) override {
        (void)WriteProfileString(Wide(kProfileListSection).c_str(), Wide(key).c_str(), Wide(value));
    }
};

ProfileListStore& FrameworkStore() {
    static FrameworkListStore store;
    return store;
}

// The three button pictures are decoded once for the whole run.
const kv::skin::SkinImage& ProfilePicture(int which) {
    static const kv::skin::SkinImage pictures[] = {kv::skin::LoadSkinImage(L"Skins\\Profile_normal.jpg"),
                                                   kv::skin::LoadSkinImage(L"Skins\\Profile_over.jpg"),
                                                   kv::skin::LoadSkinImage(L"Skins\\Profile_down.jpg")};
    return pictures[which];
}

int g_openCount = 0;

}  // namespace

class ProfileManagerWindow final : public CBaseDialog, private kv::widgets::ReportSource {
public:
    ProfileManagerWindow(MainWindowHost& host, UserDialogs& dialogs, ProfileListStore& store)
        : CBaseDialog(IDD_PROFILE_DIALOG, host.Window(), GetProgramPaths().profileSkin, GetProgramPaths().skinFolder),
          host_(host),
          dialogs_(dialogs),
          store_(store),
          list_(WorkingFile().u16string(), GetDeviceProfile()) {}

    void Close() {
        if (m_hWnd) EndDialog(IDCANCEL);
    }
    HWND Handle() const { return m_hWnd; }
    bool HasUnappliedChanges() const { return list_.ApplyEnabled(); }
    void DeviceProfileChanged(int profile) {
        list_.ShowDeviceProfile(profile);
        ShowList();
    }

protected:
    BOOL OnInitDialog() override {
        CBaseDialog::OnInitDialog();
        for (int i = 0; i < 3; ++i)
            if (ProfilePicture(i).Empty()) ExitProcess(0);  // the skin is incomplete
        kv::skin::RenderImageToSurface(normal_, ProfilePicture(0), m_hWnd);
        kv::skin::RenderImageToSurface(over_, ProfilePicture(1), m_hWnd);
        kv::skin::RenderImageToSurface(down_, ProfilePicture(2), m_hWnd);
        const SkinLooks looks{&normal_, &over_, &down_, &normal_, &normal_};
        const kv::skin::TextButton buttons[] = {
            {ok_, IDOK, L"CONTROL_OK"},           {cancel_, IDCANCEL, L"CONTROL_CANCEL"},
            {add_, IDC_PROFILE_ADD, L"FUNC_ADD"}, {load_, IDC_PROFILE_LOAD, L"FUNC_LOAD"},
            {delete_, IDC_PROFILE_DELETE, L"FUNC_DELETE"}, {apply_, IDC_PROFILE_APPLY, L"CONTROL2_APPLY"},
        };
        kv::skin::PlaceTextButtons(m_hWnd, Layout(), buttons, looks);
        (void)title_.Attach(GetDlgItem(m_hWnd, IDC_PROFILE_TITLE));
        title_.SetFont(L"Arial Unicode MS", 12, true);
        title_.SetAlign(kv::widgets::CSkinLabel::Align::LeftSingle);
        kv::skin::PlaceControl(title_.GetSafeHwnd(), Layout(), L"BUTTONINFO", L"CONTROL_TITLE");

        (void)table_.Replace(GetDlgItem(m_hWnd, IDC_PROFILE_LIST));
        kv::skin::PlaceControl(table_.GetSafeHwnd(), Layout(), L"BUTTONINFO", L"PROGRAM_LIST");
        table_.SetSource(this);
        list_.LoadStored(store_);
        ++g_openCount;
        ApplyLanguageTexts();
        ShowList();
        return TRUE;
    }

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_COMMAND:
                // Disabled while the main window writes to the keyboard: a click that still arrives is
                // not taken, so no second write starts inside the first.
                if (HIWORD(wParam) == BN_CLICKED && !IsWindowEnabled(m_hWnd)) return TRUE;
                if (HIWORD(wParam) == BN_CLICKED) {
                    switch (LOWORD(wParam)) {
                        case IDC_PROFILE_ADD: Add(); return TRUE;
                        case IDC_PROFILE_LOAD: Load(); return TRUE;
                        case IDC_PROFILE_DELETE: Delete(); return TRUE;
                        case IDC_PROFILE_APPLY: Apply(); return TRUE;
                        default: break;
                    }
                }
                break;
            case WM_NOTIFY: {
                const auto* item = reinterpret_cast<const NMLISTVIEW*>(lParam);
                if (item->hdr.idFrom == IDC_PROFILE_LIST && item->hdr.code == LVN_ITEMCHANGED && !showing_ &&
                    (item->uChanged & LVIF_STATE) && (item->uNewState & LVIS_SELECTED) && !(item->uOldState & LVIS_SELECTED)) {
                    list_.Click(item->iItem);
                    ShowList();
                }
                break;
            }
            case WM_DESTROY:
                --g_openCount;
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

    // OK applies what the list holds unapplied, then ends; with nothing unapplied it only ends, so unapplied
    // key edits of the window are not read over by the keyboard's data.
    void OnOK() override {
        if (list_.ApplyEnabled()) Apply();
        EndDialog(IDOK);
    }

private:
    std::wstring CellText(int row, int column) const override {
        const auto& rows = list_.Rows();
        if (row < 0 || row >= static_cast<int>(rows.size())) return L"";
        switch (column) {
            case 0: return row == list_.Marked() ? kMark : L"";
            case 1: return Wide(rows[static_cast<std::size_t>(row)].name);
            default: return Wide(rows[static_cast<std::size_t>(row)].folder);
        }
    }
    bool CellDim(int, int column) const override { return column == 2; }

    void ApplyLanguageTexts() {
        SetWindowTextW(m_hWnd, Text("PROFILE_MANAGER_TITLE").c_str());
        const struct {
            int id;
            const char* key;
        } texts[] = {
            {IDC_PROFILE_TITLE, "PROFILE_MANAGER_TITLE"}, {IDC_PROFILE_ADD, "PROFILE_ADD"}, {IDC_PROFILE_LOAD, "PROFILE_LOAD"},
            {IDC_PROFILE_DELETE, "PROFILE_DELETE"},       {IDOK, "PROFILE_OK"},         {IDCANCEL, "PROFILE_CANCLE"},
            {IDC_PROFILE_APPLY, "PROFILE_APPLY"},
        };
        for (const auto& t : texts) SetDlgItemTextW(m_hWnd, t.id, Text(t.key).c_str());
        table_.SetColumns({{Text("PROFILE_LIST_ACTIVE"), 60}, {Text("PROFILE_LIST_NAME"), 150}, {Text("PROFILE_LIST_PATH"), 290}});
        // The widgets' face, or one that has the language's characters where that face is missing.
        const std::wstring sample = Text("PROFILE_MANAGER_TITLE");
        HDC dc = GetDC(m_hWnd);
        const std::wstring face =
            CPngButton::FaceForText(dc, kv::widgets::kWidgetFontFace, sample.c_str(), static_cast<int>(sample.size()));
        ReleaseDC(m_hWnd, dc);
        for (kv::widgets::CWidget* widget : std::initializer_list<kv::widgets::CWidget*>{&title_, &table_}) widget->SetFace(face);
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }

    // The list, the Apply and Delete buttons from the list's state.
    void ShowList() {
        showing_ = true;
        if (table_.RowCount() != static_cast<int>(list_.Rows().size())) table_.SetRowCount(static_cast<int>(list_.Rows().size()));
        for (int r = 0; r < table_.RowCount(); ++r) table_.RedrawRow(r);
        showing_ = false;
        EnableWindow(apply_.GetSafeHwnd(), list_.ApplyEnabled() ? TRUE : FALSE);
        EnableWindow(delete_.GetSafeHwnd(), list_.CanDelete(table_.SelectedRow()) ? TRUE : FALSE);
        apply_.Redraw();
        delete_.Redraw();
    }

    void SelectLast() {
        showing_ = true;
        table_.SelectRow(table_.RowCount() - 1, true);
        showing_ = false;
        EnableWindow(delete_.GetSafeHwnd(), list_.CanDelete(table_.SelectedRow()) ? TRUE : FALSE);
        delete_.Redraw();
    }

    std::wstring UserFolder() const {
        (void)WorkingFile();  // seeds the user folder when it does not exist
        return GetUserPaths().folder;
    }

    void Add() {
        FileDialogRequest request;
        request.save = true;
        request.folder = UserFolder();
        request.fileName = Text("PROFILE_NEW");
        request.defaultExtension = L"kvp";
        request.filters = {{Text("PROFILE_FILTER_KVP"), L"*.kvp"}, {Text("PROFILE_FILTER_ALL"), L"*.*"}};
        FileChoice choice = dialogs_.ChooseFile(m_hWnd, request);
        if (choice.path.empty()) return;
        choice.filterIndex = 0;  // a profile data file, whatever the filter
        const std::wstring path = WithProfileExtension(choice);
        if (!CreateDefaultProfileFile(path)) {
            dialogs_.Tell(m_hWnd, TextWith("PROFILE_EXPORT_FAILED", path));
            return;
        }
        const bool added = list_.Add(Narrow16(path));
        ShowList();
        if (added) SelectLast();
    }

    void Load() {
        FileDialogRequest request;
        request.folder = UserFolder();
        request.fileName = L"*.kvp";
        request.defaultExtension = L"kvp";
        request.filters = ProfileFileFilters();
        const FileChoice choice = dialogs_.ChooseFile(m_hWnd, request);
        if (choice.path.empty()) return;
        // Only valid profile data joins the list, in either form, told by the file's bytes.
        ProfileContent checked;
        const ValidateResult v = ReadProfileForImport(choice.path, checked);
        if (v.code != kValidateOk) {
            if (v.showFormatError) dialogs_.Tell(m_hWnd, TextWith("PROFILE_FORMAT_ERROR", choice.path));
            dialogs_.Tell(m_hWnd, Text("MAIN_PROMPT_INPORT"));
            return;
        }
        const bool added = list_.Add(Narrow16(choice.path));
        ShowList();
        if (added) SelectLast();
    }

    void Delete() {
        if (list_.Delete(table_.SelectedRow())) ShowList();
    }

    void Apply() {
        // Unapplied key edits are asked about before the keyboard's data replaces them. When their write
        // fails or is declined, nothing is reloaded: the edits stay, with both Apply buttons offered.
        if (host_.IsDirty()) {
            if (!dialogs_.AskYesNo(m_hWnd, Text("PROFILE_SELECT_PROMPT"))) host_.SetDirty(false);  // No: discarded
            else if (!host_.ApplyNow()) return;
        }
        list_.Store(store_);
        list_.ApplyDone();
        ShowList();
        host_.SetDirty(false);
        // Only one of the keyboard's three profiles is ever sent as a profile number.
        if (const std::optional<int> target = list_.ProfileToSend(); target && *target != GetDeviceProfile())
            (void)host_.SelectProfile(*target);
        ReloadWorkingDataFromKeyboard();
        host_.RefreshKeyMarks();
        ShowProfileCaption(host_.Window());
        host_.SetDirty(false);
        list_.ShowDeviceProfile(GetDeviceProfile());
        ShowList();
    }

    MainWindowHost& host_;
    UserDialogs& dialogs_;
    ProfileListStore& store_;
    ProfileList list_;
    bool showing_ = false;
    kv::skin::SkinSurface normal_;
    kv::skin::SkinSurface over_;
    kv::skin::SkinSurface down_;
    CPngButton ok_;
    CPngButton cancel_;
    CPngButton add_;
    CPngButton load_;
    CPngButton delete_;
    CPngButton apply_;
    kv::widgets::CSkinLabel title_;
    kv::widgets::CReportList table_;
};

CKelvane_DlgProfile::CKelvane_DlgProfile(MainWindowHost& host, UserDialogs& dialogs, ProfileListStore* store)
    : host_(host), dialogs_(dialogs), store_(store != nullptr ? *store : FrameworkStore()) {}

CKelvane_DlgProfile::~CKelvane_DlgProfile() = default;

INT_PTR CKelvane_DlgProfile::RunModal() {
    if (window_) return -1;  // it runs already
    window_ = std::make_unique<ProfileManagerWindow>(host_, dialogs_, store_);
    const INT_PTR result = window_->DoModal();
    window_.reset();
    return result;
}

bool CKelvane_DlgProfile::IsOpen() const { return window_ != nullptr && window_->Handle() != nullptr; }

int CKelvane_DlgProfile::OpenCount() const { return g_openCount; }

void CKelvane_DlgProfile::Close() {
    if (window_) window_->Close();
}

HWND CKelvane_DlgProfile::Handle() const { return window_ ? window_->Handle() : nullptr; }

bool CKelvane_DlgProfile::HasUnappliedChanges() const { return window_ != nullptr && window_->HasUnappliedChanges(); }

void CKelvane_DlgProfile::DeviceProfileChanged(int profile) {
    if (window_) window_->DeviceProfileChanged(profile);
}

std::unique_ptr<ModalDialogPart> MakeProfileManagerDialog(MainWindowHost& host) {
    return std::make_unique<CKelvane_DlgProfile>(host);
}

}  // namespace kv
