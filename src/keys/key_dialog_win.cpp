#include "keys/key_dialog_win.h"

#include <shellapi.h>

#include <algorithm>

#include "app/app_messages.h"
#include "app/environment_win.h"
#include "device/commands.h"
#include "keys/action_catalogue.h"
#include "keys/assignment_store.h"
#include "keys/key_dialog_rules.h"
#include "keys/key_name.h"
#include "macros/macro_list_apply.h"
#include "skin/dpi_scale.h"
#include "skin/language.h"
#include "skin/placement.h"
#include "skin/skin_rect.h"
#include "skin/window_dpi.h"
#include "ui/device_link_win.h"

namespace kv {
namespace {

constexpr wchar_t kSection[] = L"BUTTONINFO";
constexpr wchar_t kFontFace[] = L"Arial Unicode MS";
constexpr char kRecordDelaysNameKey[] = "MACRO_ACTION_RECORD_DELAY";
constexpr wchar_t kSettingsSection[] = L"PROFILES";

// The pictures of each image set, by the look they give a button.
struct SetFiles {
    const wchar_t* normal;
    const wchar_t* over;
    const wchar_t* down;
    const wchar_t* disable;
};
constexpr SetFiles kSetFiles[] = {
    {L"Skins\\key_normal.jpg", L"Skins\\key_over.jpg", L"Skins\\key_down.jpg", nullptr},
    {L"Skins\\macro_normal.jpg", L"Skins\\macro_over.jpg", L"Skins\\macro_down.jpg", L"Skins\\macro_disable.jpg"},
    {L"Skins\\macro2_normal.jpg", L"Skins\\macro2_over.jpg", L"Skins\\macro2_down.jpg", L"Skins\\macro2_disable.jpg"},
    {L"Skins\\media_normal.jpg", nullptr, nullptr, nullptr},
    {L"Skins\\function_normal.jpg", nullptr, nullptr, nullptr},
};

const CaptionColours kCaptions{widgets::kSkinPalette.text, widgets::Rgb(0xff, 0x82, 0x00), widgets::Rgb(0xff, 0x9b, 0x04),
                               widgets::kSkinPalette.faintText, widgets::Rgb(0xff, 0xb3, 0x66)};
const CaptionColours kPrimaryCaptions{widgets::Rgb(0x1a, 0x10, 0x04), widgets::Rgb(0x1a, 0x10, 0x04),
                                      widgets::Rgb(0x1a, 0x10, 0x04), widgets::kSkinPalette.faintText,
                                      widgets::Rgb(0x1a, 0x10, 0x04)};

std::wstring DefaultText(const char* key) { return LookupText(key, GetLanguageIndex()); }

}  // namespace

// A one-column list of fixed names (the multimedia and function lists).
class Kelvane_DlgComposite::NamedRows : public widgets::ReportSource {
public:
    std::vector<std::wstring> names;
    std::wstring CellText(int row, int) const override {
        return row >= 0 && row < static_cast<int>(names.size()) ? names[static_cast<size_t>(row)] : L"";
    }
};

KeyDialogServices DefaultKeyDialogServices() {
    KeyDialogServices s;
    s.data = &TheProfileData();
    s.deviceProfile = [] { return GetDeviceProfile(); };
    s.messageBox = [](HWND owner, const std::wstring& text, UINT type) {
        return MessageBoxW(owner, text.c_str(), L"Kelvane", type);
    };
    s.text = DefaultText;
    // The setting is kept under a name the language file gives, the same in every language.
    s.readRecordDelays = [] {
        const std::wstring name = DefaultText(kRecordDelaysNameKey);
        const bool on = GetProfileString(kSettingsSection, name.c_str(), L"0") == L"1";
        (void)WriteProfileString(kSettingsSection, name.c_str(), on ? L"1" : L"0");
        return on;
    };
    s.writeRecordDelays = [](bool on) {
        (void)WriteProfileString(kSettingsSection, DefaultText(kRecordDelaysNameKey).c_str(), on ? L"1" : L"0");
    };
    s.clock = [] { return static_cast<uint64_t>(GetTickCount64()); };
    s.macroCapacity = [] { return static_cast<std::size_t>(std::max(0, KeyboardMacroCapacity())); };
    s.openHelp = [](HWND owner) { OpenHelpPage(owner); };
    s.openOnScreenKeyboard = [](HWND owner) { ShellExecuteW(owner, L"open", L"osk.exe", nullptr, nullptr, SW_SHOW); };
    return s;
}

Kelvane_DlgComposite::Kelvane_DlgComposite(MainWindowHost& host, const KeyDialogServices& services, int& openCount)
    : CBaseDialog(0, host.Window(), kv::skin::ProgramDirectory() + L"Skins\\Composite.ini",
                  kv::skin::ProgramDirectory() + L"Skins\\"),
      host_(host),
      services_(services),
      openCount_(openCount),
      macroPage_(*this) {}

Kelvane_DlgComposite::~Kelvane_DlgComposite() {
    capture_.Remove();
    if (counted_) --openCount_;
    if (m_hWnd) widgets::SetBackgroundPainter(m_hWnd, {});
}

std::wstring Kelvane_DlgComposite::Text(const char* key) const {
    // Looked up once per language while the dialog lives: the files are read again after a language change.
    auto it = textCache_.find(key);
    if (it != textCache_.end()) return it->second;
    return textCache_.emplace(key, services_.text(key)).first->second;
}

int Kelvane_DlgComposite::Ask(const std::wstring& text, UINT type) {
    // The box runs on this thread: with the hooks in place, the key that answers it (Enter, Esc, Y, N)
    // would be captured as the key's new function or recorded into the macro.
    const bool capturing = capture_.Installed();
    capture_.Remove();
    macroPage_.StopRecording();
    const int answer = services_.messageBox(m_hWnd, text, type);
    if (capturing && !closed_ && page_ == Page::Key) capture_.Install(*this);
    return answer;
}

std::size_t Kelvane_DlgComposite::MacroCapacity() const {
    const std::size_t fromWindow = host_.MacroCapacity();
    if (fromWindow != 0) return fromWindow;
    return services_.macroCapacity ? services_.macroCapacity() : 0;
}

void Kelvane_DlgComposite::SaveRecordDelays(bool on) {
    if (services_.writeRecordDelays) services_.writeRecordDelays(on);
}

Kelvane_DlgComposite::LookSet& Kelvane_DlgComposite::Looks(SetIndex set) {
    LookSet& s = sets_[set];
    if (s.loaded) return s;
    // Each set is decoded when a page first needs it: the dialog opens with the pictures of one page.
    const SetFiles& files = kSetFiles[set];
    // A look the set has no picture for is drawn from its normal picture, which is not kept twice.
    RenderImageToSurface(s.normal, kv::skin::LoadSkinImage(files.normal), m_hWnd);
    if (files.over) RenderImageToSurface(s.over, kv::skin::LoadSkinImage(files.over), m_hWnd);
    if (files.down) RenderImageToSurface(s.down, kv::skin::LoadSkinImage(files.down), m_hWnd);
    if (files.disable) RenderImageToSurface(s.disable, kv::skin::LoadSkinImage(files.disable), m_hWnd);
    s.hasOver = files.over != nullptr;
    s.hasDown = files.down != nullptr;
    s.hasDisable = files.disable != nullptr;
    s.loaded = true;
    return s;
}

SkinLooks Kelvane_DlgComposite::LookSet::Pointers() {
    kv::skin::SkinSurface* down = hasDown ? &this->down : &normal;
    return {&normal, hasOver ? &over : &normal, down, hasDisable ? &disable : &normal, down};
}

SkinLooks Kelvane_DlgComposite::GeneralLooks() {
    // The macro-only form shows the other pages' buttons disabled, as its own pictures draw them.
    return Looks(target_.macroOnly ? kMacro2Set : kKeySet).Pointers();
}

BOOL Kelvane_DlgComposite::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    widgets::SetBackgroundPainter(m_hWnd, [this](HWND child, HDC dc, const RECT& rect) {
        return PaintPageBehind(child, dc, rect);
    });
    CreateControls();
    FillLists();
    return TRUE;
}

void Kelvane_DlgComposite::ApplyForm() {
    const int form = target_.macroOnly ? 1 : 0;
    if (form == formShown_) return;
    formShown_ = form;
    const SkinLooks general = GeneralLooks();
    for (CPngButton* b : {&pageKey_, &pageMacro_, &pageMedia_, &pageFunction_, &clear_, &osk_, &ok_, &cancel_})
        b->SetImages(general, true);
    title_.SetImages({general[0], general[0], general[0], general[0], general[0]}, true);
    for (CPngButton* b : {&pageKey_, &pageMedia_, &pageFunction_, &clear_}) {
        kv::skin::SkinRect placed{};
        const bool hasPlace = kv::skin::PlacedRect(b->GetSafeHwnd(), placed) && !kv::skin::IsUnplaced(placed);
        widgets::EnableIfChanged(b->GetSafeHwnd(), !target_.macroOnly && hasPlace);
    }
}

void Kelvane_DlgComposite::NoteLanguage() {
    const int language = GetLanguageIndex();
    if (language != textLanguage_) {
        textLanguage_ = language;
        textCache_.clear();
        languageShown_ = false;
    }
}

bool Kelvane_DlgComposite::Prepare() {
    if (m_hWnd) return true;
    if (!Create()) return false;
    for (SetIndex set : {kKeySet, kMacroSet, kMacro2Set, kMediaSet, kFunctionSet}) (void)Looks(set);
    NoteLanguage();
    ApplyTexts();
    // The macro page's buttons take their looks the first time the page is shown (the dearest part of
    // showing it): done now, while nothing is on screen. The page is filled from the working data, so
    // the list of names is there for the first opening, and every control of it is painted once off
    // screen with the first macro's actions, so its fonts and key names are ready too. The opening
    // shows the page it needs.
    FillMacroPage();
    ShowPage(ASSIGN_MACRO, false);
    widgets::PaintAhead(m_hWnd);
    macroPage_.Release();
    return true;
}

void Kelvane_DlgComposite::FillMacroPage() {
    std::vector<MacroRecord> macros;
    {
        std::lock_guard<std::mutex> hold(services_.data->lock);
        macros = services_.data->content.macros;
    }
    macroPage_.Fill(std::move(macros), services_.readRecordDelays ? services_.readRecordDelays() : false);
}

void Kelvane_DlgComposite::Open() {
    ++openCount_;
    counted_ = true;
    NoteLanguage();
    ApplyForm();

    // The macro page from the working data, recording off.
    FillMacroPage();
    SetModified(false);

    ReadSlot();
    type_ = target_.macroOnly ? static_cast<uint16_t>(ASSIGN_MACRO) : slotType_;
    StartChoices();
    ShowPage(type_, true);
    SetModified(false);
    Place();
    ApplyTexts();
}

void Kelvane_DlgComposite::CreateControls() {
    const CIniFile& layout = Layout();
    auto button = [&](CPngButton& b, int id, const wchar_t* key, const SkinLooks& looks, bool caption) {
        (void)b.Create(m_hWnd, id, L"", RECT{0, 0, 1, 1}, WS_CHILD | WS_VISIBLE | WS_TABSTOP);
        kv::skin::PlaceButton(b, layout, kSection, key, looks);
        if (caption) b.SetCaptionStyle(true, 10, kFontFace, kCaptions, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    };
    const SkinLooks general = GeneralLooks();
    button(pageKey_, IDC_PAGE_KEY, L"CONTROL_KEY", general, true);
    button(pageMacro_, IDC_PAGE_MACRO, L"CONTROL_MACRO", general, true);
    button(pageMedia_, IDC_PAGE_MEDIA, L"CONTROL_MEDIA", general, true);
    button(pageFunction_, IDC_PAGE_FUNCTION, L"CONTROL_FUNCTION", general, true);
    button(clear_, IDC_CLEAR_KEY, L"CONTROL_CLEAR", general, false);
    button(osk_, IDC_OSK, L"CONTROL_OSK", general, false);

    auto label = [&](widgets::CSkinLabel& l, int id, const wchar_t* key) {
        (void)l.Create(m_hWnd, id);
        kv::skin::PlaceControl(l.GetSafeHwnd(), layout, kSection, key);
    };
    label(heading_, IDC_HEADING, L"KEY_SETTING");
    heading_.SetFont(kFontFace, 11, true);
    heading_.SetAlign(widgets::CSkinLabel::Align::LeftSingle);

    // Key page.
    (void)radioKeyboard_.Create(m_hWnd, IDC_RADIO_KB, widgets::CSkinCheck::Kind::Radio);
    kv::skin::PlaceControl(radioKeyboard_.GetSafeHwnd(), layout, kSection, L"FUNC_KEY_RADIO_KB");
    label(radioKeyboardLabel_, IDC_RADIO_KB_LABEL, L"FUNC_KEY_RADIO_KB_STATIC");
    label(capturedText_, IDC_CAPTURED_KEY, L"FUNC_KEY_INPUT");
    capturedText_.SetFont(kFontFace, 14, true);
    capturedText_.SetAlign(widgets::CSkinLabel::Align::Centred);
    (void)radioMouse_.Create(m_hWnd, IDC_RADIO_MOUSE, widgets::CSkinCheck::Kind::Radio);
    kv::skin::PlaceControl(radioMouse_.GetSafeHwnd(), layout, kSection, L"FUNC_KEY_RADIO_MOU");
    label(radioMouseLabel_, IDC_RADIO_MOUSE_LABEL, L"FUNC_KEY_RADIO_MOU_STATIC");
    widgets::CSkinCheck::Group({&radioKeyboard_, &radioMouse_});
    radioKeyboardLabel_.SetBuddy(radioKeyboard_.GetSafeHwnd());
    radioMouseLabel_.SetBuddy(radioMouse_.GetSafeHwnd());
    radioKeyboardLabel_.SetAlign(widgets::CSkinLabel::Align::LeftSingle);
    radioMouseLabel_.SetAlign(widgets::CSkinLabel::Align::LeftSingle);
    (void)mouseList_.Create(m_hWnd, IDC_MOUSE_LIST, false);
    {
        // The mouse list has no place of its own in the layout: it sits under its radio button's label.
        const kv::skin::SkinRect caption = layout.ReadRect(kSection, L"FUNC_KEY_RADIO_MOU_STATIC");
        kv::skin::PlaceAt(mouseList_.GetSafeHwnd(),
                          kv::skin::SkinRect{caption.x, caption.y + caption.height + 6, caption.width, 150}, false);
    }
    label(keyHint_, IDC_KEY_HINT, L"TISHI_SINGLE_STATIC");
    keyHint_.SetColour(widgets::kSkinPalette.dimText);

    // Macro page.
    macroPage_.Create();

    // Multimedia and function pages.
    (void)mediaList_.Create(m_hWnd, IDC_MEDIA_LIST, false);
    kv::skin::PlaceControl(mediaList_.GetSafeHwnd(), layout, kSection, L"FUNC_MEDIA_SELECT");
    label(mediaHint_, IDC_MEDIA_HINT, L"MEDIA_SETTING_TISHI");
    (void)functionList_.Create(m_hWnd, IDC_FUNCTION_LIST, false);
    kv::skin::PlaceControl(functionList_.GetSafeHwnd(), layout, kSection, L"FUNC_FUNCTION_SELECT");
    label(functionHint_, IDC_FUNCTION_HINT, L"FUNCTION_KEY_SETTING_TISHI");
    for (widgets::CSkinLabel* l : {&mediaHint_, &functionHint_}) {
        l->SetColour(widgets::kSkinPalette.dimText);
        l->SetAlign(widgets::CSkinLabel::Align::LeftSingle);
    }
    mediaList_.SetColumns({{L"", 336}});
    functionList_.SetColumns({{L"", 336}});

    button(ok_, IDOK, L"CONTROL_OK", general, true);
    ok_.SetCaptionStyle(true, 10, kFontFace, kPrimaryCaptions, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    button(cancel_, IDCANCEL, L"CONTROL_CANCEL", general, true);
    // Apply has no place in the layout: OK applies; the button keeps the state of unapplied changes.
    (void)apply_.Create(m_hWnd, IDC_APPLY_KEY, L"", RECT{0, 0, 1, 1}, WS_CHILD);
    (void)title_.Create(m_hWnd, IDC_TITLE, L"", RECT{0, 0, 1, 1}, WS_CHILD | WS_VISIBLE | WS_DISABLED);
    kv::skin::PlaceButton(title_, layout, kSection, L"CONTROL_TITLE", {general[0], general[0], general[0], general[0], general[0]});
    title_.SetCaptionStyle(true, 12, kFontFace, {widgets::kSkinPalette.text, widgets::kSkinPalette.text,
                                                 widgets::kSkinPalette.text, widgets::kSkinPalette.text,
                                                 widgets::kSkinPalette.text},
                           DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    title_.SetCaptionMargins(50, 0, 0, 0);  // right of the picture's icon
    // The page picture lies under every page's controls; disabled, so clicks on it drag the window.
    // It clips its siblings: the page's controls above it are never painted over.
    (void)pagePicture_.Create(m_hWnd, IDC_PAGE_PICTURE, L"", RECT{0, 0, 1, 1},
                              WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_CLIPSIBLINGS);
    SetWindowPos(pagePicture_.GetSafeHwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    kv::skin::PlaceButton(pagePicture_, layout, kSection, L"CONTROL_MASK",
                          {general[0], general[0], general[0], general[0], general[0]});
    EnableWindow(pagePicture_.GetSafeHwnd(), FALSE);
}

void Kelvane_DlgComposite::FillLists() {
    mediaRows_ = std::make_unique<NamedRows>();
    functionRows_ = std::make_unique<NamedRows>();
    mediaList_.SetSource(mediaRows_.get());
    functionList_.SetSource(functionRows_.get());
    mediaList_.SetRowCount(MediaCount);
    functionList_.SetRowCount(FunctionCount);
    quietLists_ = true;
    mediaList_.SelectRow(0, true);
    functionList_.SelectRow(0, true);
    quietLists_ = false;
    for (int i = 0; i < MouseCount; ++i) mouseList_.AddItem(L"");
    mouseList_.Select(0);
}

void Kelvane_DlgComposite::ReadSlot() {
    const int profile = services_.deviceProfile();
    // Without the keyboard's answer the section the window shows is read.
    const int section = (profile >= 0 && profile < static_cast<int>(kDeviceProfileCount)) ? profile : host_.Profile();
    std::lock_guard<std::mutex> hold(services_.data->lock);
    const KeySlot slot = kv::ReadSlot(services_.data->content.Table(), static_cast<size_t>(std::clamp(section, 0, 2)),
                                      static_cast<size_t>(target_.keyIndex));
    slotType_ = slot.type;
    slotValue_ = slot.value;
    slotTag_ = slot.tag;
}

void Kelvane_DlgComposite::Place() {
    RECT window{};
    GetWindowRect(m_hWnd, &window);
    const int w = window.right - window.left;
    const int h = window.bottom - window.top;
    CPngButton* button = target_.macroOnly ? nullptr : host_.KeyButton(target_.controlId);
    RECT clicked{};
    const bool haveButton = button && button->GetSafeHwnd() && GetWindowRect(button->GetSafeHwnd(), &clicked);
    HMONITOR monitor = haveButton ? MonitorFromRect(&clicked, MONITOR_DEFAULTTONEAREST)
                                  : MonitorFromWindow(host_.Window(), MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    ScreenBox screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (monitor && GetMonitorInfoW(monitor, &info))
        screen = {info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom};
    const ScreenPoint at = haveButton ? PlaceBesideButton({clicked.left, clicked.top, clicked.right, clicked.bottom}, w, h, screen)
                                      : CentreOnScreen(w, h, screen);
    SetWindowPos(m_hWnd, HWND_NOTOPMOST, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

std::wstring Kelvane_DlgComposite::KeyTitle() const {
    if (target_.macroOnly) return Text("MACRO_EDIT_TISHI");
    if (IsGKeyIndex(static_cast<size_t>(target_.keyIndex)))
        return L"G" + std::to_wstring((target_.keyIndex - kGKeyFirstIndex) % kGButtonCount + 1);
    wchar_t name[kKeyNameCapacity] = {};
    KeyName(KeyCodeOfIndex(target_.keyIndex), name, kKeyNameCapacity);
    return name;
}

void Kelvane_DlgComposite::ApplyTexts() {
    // Texts that follow the target are set at every opening; those that follow only the language when
    // it changed (each text set or compared is a round trip through the control's window procedure).
    const bool macroOnly = target_.macroOnly;
    widgets::SetTextIfChanged(pageKey_.GetSafeHwnd(), macroOnly ? L"" : Text("SINGLE_KEY"));
    widgets::SetTextIfChanged(pageMedia_.GetSafeHwnd(), macroOnly ? L"" : Text("MULTI_MEDIA"));
    widgets::SetTextIfChanged(pageFunction_.GetSafeHwnd(), macroOnly ? L"" : Text("FUNCTION_KEY"));
    widgets::SetTextIfChanged(heading_.GetSafeHwnd(), Text(macroOnly ? "MACRO_EDIT_TISHI" : "KEY_SETTING_TISHI"));
    widgets::SetTextIfChanged(title_.GetSafeHwnd(), KeyTitle());
    if (!languageShown_) {
        languageShown_ = true;
        widgets::SetTextIfChanged(pageMacro_.GetSafeHwnd(), Text("MACRO_SETTING"));
        widgets::SetTextIfChanged(ok_.GetSafeHwnd(), Text("MACRO_OK"));
        widgets::SetTextIfChanged(cancel_.GetSafeHwnd(), Text("MACRO_CANCLE"));
        widgets::SetTextIfChanged(radioKeyboardLabel_.GetSafeHwnd(), Text("IDS_MACRO_KB_KEY"));
        widgets::SetTextIfChanged(radioMouseLabel_.GetSafeHwnd(), Text("IDS_MACRO_MOU_KEY"));
        widgets::SetTextIfChanged(keyHint_.GetSafeHwnd(), Text("SINGLE_STATIC"));
        widgets::SetTextIfChanged(mediaHint_.GetSafeHwnd(), Text("MEDIA_EDIT_TISHI"));
        widgets::SetTextIfChanged(functionHint_.GetSafeHwnd(), Text("FUNCTION_TISHI"));
        // A face with the language's characters: the skin's face may not be on this system.
        HDC dc = GetDC(m_hWnd);
        const wchar_t* sample = (textLanguage_ == 1 || textLanguage_ == 2) ? L"\x4E2D" : L"A";
        const std::wstring face = CPngButton::FaceForText(dc, kFontFace, sample, 1);
        ReleaseDC(m_hWnd, dc);
        for (widgets::CWidget* w : std::initializer_list<widgets::CWidget*>{
                 &heading_, &capturedText_, &radioKeyboardLabel_, &radioMouseLabel_, &keyHint_, &mediaHint_,
                 &functionHint_, &mouseList_, &mediaList_, &functionList_})
            w->SetFace(face);
        macroPage_.SetFace(face);
        clear_.SetTooltip(Text("COMPOSITE_PROMPT_CLEAR").c_str(), true);
        osk_.SetTooltip(Text("COMPOSITE_PROMPT_OSK").c_str(), true);
        const int mouse = mouseList_.Selected();
        for (int i = 0; i < MouseCount; ++i) mouseList_.SetItemText(i, Text(MouseNameKey(i)));
        mouseList_.Select(mouse);
        mediaRows_->names.resize(MediaCount);
        for (int i = 0; i < MediaCount; ++i) {
            wchar_t name[kKeyNameCapacity] = {};
            KeyName(MediaKeyCode(i), name, kKeyNameCapacity);
            mediaRows_->names[static_cast<size_t>(i)] = name;
        }
        functionRows_->names.resize(FunctionCount);
        for (int i = 0; i < FunctionCount; ++i) functionRows_->names[static_cast<size_t>(i)] = Text(FunctionNameKey(i));
        InvalidateRect(mediaList_.GetSafeHwnd(), nullptr, FALSE);
        InvalidateRect(functionList_.GetSafeHwnd(), nullptr, FALSE);
        macroPage_.ApplyTexts();
    }
    ShowCaptured();
    SetModified(modified_);  // the macro page's texts do not count as changes
}

void Kelvane_DlgComposite::ShowCaptured() {
    std::wstring text;
    if (captured_ != kNoKey && radioKeyboard_.IsChecked()) {
        wchar_t name[kKeyNameCapacity] = {};
        KeyName(captured_, name, kKeyNameCapacity);
        text = name;
    }
    widgets::SetTextIfChanged(capturedText_.GetSafeHwnd(), text);
}

void Kelvane_DlgComposite::SetKeyboardMode(bool keyboard) {
    radioKeyboard_.SetChecked(keyboard);
    radioMouse_.SetChecked(!keyboard);
    widgets::EnableIfChanged(capturedText_.GetSafeHwnd(), keyboard);
    widgets::EnableIfChanged(mouseList_.GetSafeHwnd(), !keyboard);
    ShowCaptured();
}

void Kelvane_DlgComposite::ShowPage(uint16_t type, bool initial) {
    Page page = Page::Key;
    if (type == ASSIGN_MACRO) page = Page::Macro;
    else if (type == ASSIGN_MEDIA) page = Page::Media;
    else if (type == ASSIGN_FUNCTION) page = Page::Function;
    page_ = page;

    if (page != Page::Key) capture_.Remove();
    if (page != Page::Macro) macroPage_.StopRecording();

    // The page's picture under its controls.
    SetIndex background = kKeySet;
    if (page == Page::Macro) background = target_.macroOnly ? kMacro2Set : kMacroSet;
    if (page == Page::Media) background = kMediaSet;
    if (page == Page::Function) background = kFunctionSet;
    LookSet& picture = Looks(background);
    if (pictureShown_ != &picture) {
        pictureShown_ = &picture;
        pagePicture_.SetImages({&picture.normal, &picture.normal, &picture.normal, &picture.normal, &picture.normal}, true);
        // Labels and check boxes paint the page's picture behind them.
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }

    switch (page) {
        case Page::Macro: {
            const SetIndex set = target_.macroOnly ? kMacro2Set : kMacroSet;
            if (macroLooksShown_ != set) {
                macroLooksShown_ = set;
                LookSet& looks = Looks(set);
                macroPage_.SetButtonLooks(looks.Pointers());
            }
            const auto& items = macroPage_.Page().Items();
            if (initial) {
                int index = slotValue_ == 0 ? -1 : macroPage_.IndexOfId(slotType_ == ASSIGN_MACRO ? slotValue_ : 0);
                if (index < 0 && !items.empty()) index = 0;
                macroPage_.SelectMacro(index);
            } else if (!macroPageVisited_ && macroPage_.Page().Current() < 0 && !items.empty()) {
                macroPage_.SelectMacro(0);
            }
            macroPageVisited_ = true;
            break;
        }
        case Page::Media:
        case Page::Function:
            break;  // their entries were chosen at the opening
        case Page::Key:
            capture_.Install(*this);
            ShowCaptured();
            break;
    }

    const bool onKey = page == Page::Key, onMacro = page == Page::Macro, onMedia = page == Page::Media,
               onFunction = page == Page::Function;
    auto show = [](HWND h, bool visible) {
        widgets::ShowIfChanged(h, visible);
    };
    for (HWND h : {capturedText_.GetSafeHwnd(), radioKeyboard_.GetSafeHwnd(), radioMouse_.GetSafeHwnd(),
                   radioKeyboardLabel_.GetSafeHwnd(), radioMouseLabel_.GetSafeHwnd(), mouseList_.GetSafeHwnd()})
        show(h, onKey);
    show(keyHint_.GetSafeHwnd(), onKey && !target_.macroOnly);
    macroPage_.Show(onMacro);
    show(mediaList_.GetSafeHwnd(), onMedia);
    show(mediaHint_.GetSafeHwnd(), onMedia && !target_.macroOnly);
    show(functionList_.GetSafeHwnd(), onFunction);
    show(functionHint_.GetSafeHwnd(), onFunction && !target_.macroOnly);
    const std::pair<CPngButton*, bool> tabs[] = {{&pageKey_, onKey}, {&pageMacro_, onMacro}, {&pageMedia_, onMedia},
                                                 {&pageFunction_, onFunction}};
    for (auto [tab, checked] : tabs)
        if (tab->IsChecked() != checked) tab->SetChecked(checked, true);
}

void Kelvane_DlgComposite::StartChoices() {
    // Every page starts from the key's own assignment or its first entry, whichever page is shown: the
    // dialog is reused, and a page not shown at the opening would otherwise keep the last key's choice.
    const KeyDialogStart start = StartFromSlot(slotType_, slotValue_);
    captured_ = start.capturedKey;
    mouseList_.Select(start.mouseEntry);
    SetKeyboardMode(start.keyboardMode);
    quietLists_ = true;
    mediaList_.SelectRow(start.mediaEntry, true);
    functionList_.SelectRow(start.functionEntry, true);
    quietLists_ = false;
}

void Kelvane_DlgComposite::SetModified(bool modified) {
    modified_ = modified;
    widgets::EnableIfChanged(apply_.GetSafeHwnd(), modified);
}

void Kelvane_DlgComposite::OnCaptured(KeyCode key) {
    captured_ = key;
    type_ = ASSIGN_KEY;
    ShowCaptured();
    SetModified(true);
}

void Kelvane_DlgComposite::OnPageButton(int id) {
    uint16_t type = ASSIGN_KEY;
    if (id == IDC_PAGE_MACRO) type = ASSIGN_MACRO;
    if (id == IDC_PAGE_MEDIA) type = ASSIGN_MEDIA;
    if (id == IDC_PAGE_FUNCTION) type = ASSIGN_FUNCTION;
    if (type == ASSIGN_KEY ? (type_ == ASSIGN_KEY || type_ == ASSIGN_DEFAULT) : type_ == type) return;
    type_ = type;
    ShowPage(type, false);
    SetModified(true);
}

void Kelvane_DlgComposite::OnClear() {
    OnPageButton(IDC_PAGE_KEY);
    if (page_ != Page::Key || type_ != ASSIGN_KEY) return;
    captured_ = kNoKey;
    type_ = ASSIGN_DEFAULT;
    SetKeyboardMode(true);
    SetModified(true);
}

bool Kelvane_DlgComposite::Apply() {
    macroPage_.StopRecording();
    macroPage_.CorrectRepeatField();
    macroPage_.MacroList().ShowList(false);
    macroPage_.ActionList().EndEdit(true);
    // The page's macros replace the working data's; keys bound to a macro that went return to default.
    (void)ApplyMacroList(*services_.data, macroPage_.Page().Items());
    macroPage_.MarkApplied();

    bool stored = false;
    const int profile = services_.deviceProfile();
    if (profile < 0 || profile >= static_cast<int>(kDeviceProfileCount)) {
        Ask(Text("APPLY_PROMPT"), MB_OK | MB_ICONWARNING);
    } else {
        KeyDialogChoice choice;
        choice.type = type_;
        choice.targetKeyIndex = target_.keyIndex;
        choice.keyboardMode = radioKeyboard_.IsChecked();
        choice.capturedKey = captured_;
        choice.mouseEntry = std::max(0, mouseList_.Selected());
        const MacroRecord* macro = macroPage_.Page().CurrentMacro();
        choice.haveMacro = macro != nullptr;
        choice.macroId = macro ? macro->id : 0;
        choice.repeat = macro ? macro->repeat : 1;
        choice.mediaEntry = mediaList_.SelectedRow();
        choice.functionEntry = functionList_.SelectedRow();
        // A key the dialog cannot show (a program, a text, stop macro, disabled) keeps its assignment
        // unless the user chose another.
        const bool foreign = type_ != ASSIGN_DEFAULT && type_ != ASSIGN_KEY && type_ != ASSIGN_MACRO &&
                             type_ != ASSIGN_MEDIA && type_ != ASSIGN_FUNCTION;
        if (foreign) {
            stored = true;
        } else {
            const SlotChange change = AssignmentFromChoice(choice);
            stored = StoreAssignment(*services_.data, static_cast<unsigned>(profile),
                                     static_cast<unsigned>(target_.keyIndex), change.type, change.tag, change.value);
            if (stored) {
                slotType_ = change.type;
                slotValue_ = change.value;
            }
        }
    }
    host_.RefreshKeyMarks();
    SetModified(false);
    host_.SetDirty(true);
    return stored;
}

void Kelvane_DlgComposite::CloseSteps() {
    if (closed_) return;
    closed_ = true;
    capture_.Remove();
    macroPage_.StopRecording();
    macroPage_.ActionList().EndEdit(false);
    macroPage_.MacroList().ShowList(false);
    SetModified(false);
    if (counted_) {
        --openCount_;
        counted_ = false;
    }
}

void Kelvane_DlgComposite::End(INT_PTR result) {
    result_ = result;
    ended_ = true;
    PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wakes the loop
}

void Kelvane_DlgComposite::OnOK() {
    if (ended_) return;
    Apply();
    CloseSteps();
    End(IDOK);
}

void Kelvane_DlgComposite::OnCancel() {
    if (ended_) return;
    CloseSteps();
    End(IDCANCEL);
}

void Kelvane_DlgComposite::CloseByCancel() { OnCancel(); }

bool Kelvane_DlgComposite::PaintPageBehind(HWND child, HDC dc, const RECT& rect) {
    // Inside the page area the page's picture lies behind the controls, elsewhere the dialog's own.
    RECT area{};
    HWND picture = pagePicture_.GetSafeHwnd();
    if (!picture || child == picture || !GetWindowRect(picture, &area)) return false;
    RECT childRect{};
    GetWindowRect(child, &childRect);
    RECT inside{};
    if (!IntersectRect(&inside, &area, &childRect) || !EqualRect(&inside, &childRect)) return false;
    const SkinLooks* looks = nullptr;
    (void)looks;
    POINT at{childRect.left - area.left, childRect.top - area.top};
    // The button draws its picture from (origin - 1) scaled: the same cut here.
    kv::skin::SkinRect placed{};
    kv::skin::PlacedRect(picture, placed);
    const int dpi = Dpi();
    const int cutX = kv::skin::ScaleToDpi(placed.x - 1, dpi);
    const int cutY = kv::skin::ScaleToDpi(placed.y - 1, dpi);
    LookSet* set = nullptr;
    switch (page_) {
        case Page::Key: set = &sets_[kKeySet]; break;
        case Page::Macro: set = &sets_[target_.macroOnly ? kMacro2Set : kMacroSet]; break;
        case Page::Media: set = &sets_[kMediaSet]; break;
        case Page::Function: set = &sets_[kFunctionSet]; break;
    }
    HDC source = set && set->loaded ? set->normal.Prepare() : nullptr;
    if (!source) return false;
    BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, source, cutX + at.x + rect.left,
           cutY + at.y + rect.top, SRCCOPY);
    return true;
}

bool Kelvane_DlgComposite::FilterMessage(MSG& msg) {
    const bool ours = msg.hwnd == m_hWnd || IsChild(m_hWnd, msg.hwnd);
    if (!ours) return false;
    if ((msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_CHAR) &&
        (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
        // Enter and Esc never close the dialog; a field that takes them (a cell editor, an open list) gets them.
        const LRESULT code = SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
        if (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return true;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == 'Z' && (GetKeyState(VK_CONTROL) & 0x8000) && page_ == Page::Macro) {
        wchar_t className[16] = {};
        GetClassNameW(msg.hwnd, className, 16);
        if (lstrcmpiW(className, L"Edit") != 0) {  // a text field undoes its own typing
            macroPage_.Undo();
            return true;
        }
    }
    return false;
}

INT_PTR Kelvane_DlgComposite::Run(const Target& target) {
    if (m_hWnd && IsWindowVisible(m_hWnd)) return -1;  // already open
    target_ = target;
    ended_ = false;
    closed_ = false;
    result_ = IDCANCEL;
    macroPageVisited_ = false;
    if (!m_hWnd && !Create()) return -1;
    Open();
    HWND owner = host_.Window();
    const bool ownerEnabled = owner && IsWindowEnabled(owner);
    if (ownerEnabled) widgets::EnableIfChanged(owner, FALSE);
    ShowWindow(m_hWnd, SW_SHOW);
    SetForegroundWindow(m_hWnd);
    UpdateWindow(m_hWnd);
    if (services_.shown) services_.shown(*this);
    MSG msg;
    while (!ended_) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // the program is ending: the outer loop hears it too
            break;
        }
        if (got < 0) break;
        if (FilterMessage(msg)) continue;
        if (!IsDialogMessageW(m_hWnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    CloseSteps();
    // The owner is enabled before this window hides, so the activation goes back to it.
    if (ownerEnabled) widgets::EnableIfChanged(owner, TRUE);
    ShowWindow(m_hWnd, SW_HIDE);
    if (owner) SetActiveWindow(owner);
    // The page's copies of the macros are not kept while the dialog is closed.
    macroPage_.Release();
    return result_;
}

INT_PTR Kelvane_DlgComposite::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            if (macroPage_.OnCommand(id, code)) return TRUE;
            if (code == BN_CLICKED || (lParam == 0 && (id == IDOK || id == IDCANCEL))) {
                switch (id) {
                    case IDOK: OnOK(); return TRUE;
                    case IDCANCEL: OnCancel(); return TRUE;
                    case IDC_APPLY_KEY: Apply(); return TRUE;
                    case IDC_PAGE_KEY:
                    case IDC_PAGE_MACRO:
                    case IDC_PAGE_MEDIA:
                    case IDC_PAGE_FUNCTION: OnPageButton(id); return TRUE;
                    case IDC_CLEAR_KEY: OnClear(); return TRUE;
                    case IDC_OSK:
                        if (services_.openOnScreenKeyboard) services_.openOnScreenKeyboard(m_hWnd);
                        return TRUE;
                    case IDC_RADIO_KB:
                    case IDC_RADIO_MOUSE:
                        SetKeyboardMode(id == IDC_RADIO_KB);
                        type_ = ASSIGN_KEY;
                        SetModified(true);
                        return TRUE;
                    default: break;
                }
            }
            if (id == IDC_MOUSE_LIST && code == CBN_SELCHANGE) {
                type_ = ASSIGN_KEY;
                SetModified(true);
                return TRUE;
            }
            return CBaseDialog::DialogProc(message, wParam, lParam);
        }
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (!header) break;
            if (macroPage_.OnNotify(*header)) return TRUE;
            if ((header->hwndFrom == mediaList_.GetSafeHwnd() || header->hwndFrom == functionList_.GetSafeHwnd()) &&
                header->code == LVN_ITEMCHANGED && !quietLists_) {
                const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
                if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED)) SetModified(true);
                return TRUE;
            }
            break;
        }
        case WM_HELP:
            if (!macroPage_.IsRecording() && services_.openHelp) services_.openHelp(m_hWnd);
            return TRUE;
        case WM_CLOSE:
            OnCancel();
            return TRUE;
        default:
            if (message == MSG_LANGUAGE && wParam == TAG_LANGUAGE) {
                textLanguage_ = GetLanguageIndex();
                textCache_.clear();
                languageShown_ = false;
                ApplyTexts();
                return TRUE;
            }
            break;
    }
    return CBaseDialog::DialogProc(message, wParam, lParam);
}

// The part the main window holds: the target set by KeyClick, the open count, and one dialog per opening.
namespace {

class KeyAssignmentDialogPart final : public KeyAssignmentPart {
public:
    KeyAssignmentDialogPart(MainWindowHost& host, KeyDialogServices services)
        : host_(host), services_(std::move(services)) {}

    void SetMacroFlag(bool macroOnly) override { target_.macroOnly = macroOnly; }
    void SetTarget(int imageSet, int keyIndex, UINT controlId) override {
        target_.imageSet = imageSet;
        target_.keyIndex = keyIndex;
        target_.controlId = controlId;
        if (controlId == kG9Control) target_.macroOnly = true;
    }
    INT_PTR RunModal() override {
        if (running_) return -1;  // one at a time
        if (!dialog_) dialog_ = std::make_unique<Kelvane_DlgComposite>(host_, services_, openCount_);
        running_ = true;
        const INT_PTR result = dialog_->Run(target_);
        running_ = false;
        host_.RestoreKeyLook(target_.controlId);
        target_.macroOnly = false;
        return result;
    }
    void Prepare() override {
        if (running_) return;
        if (!dialog_) dialog_ = std::make_unique<Kelvane_DlgComposite>(host_, services_, openCount_);
        (void)dialog_->Prepare();
    }
    bool IsOpen() const override { return openCount_ > 0; }
    int OpenCount() const override { return openCount_; }
    void Close() override {
        if (running_) dialog_->CloseByCancel();
    }
    HWND Handle() const override { return running_ ? dialog_->GetSafeHwnd() : nullptr; }

private:
    MainWindowHost& host_;
    KeyDialogServices services_;
    Kelvane_DlgComposite::Target target_;
    int openCount_ = 0;
    bool running_ = false;
    std::unique_ptr<Kelvane_DlgComposite> dialog_;  // built at the first opening, kept hidden in between
};

}  // namespace

std::unique_ptr<KeyAssignmentPart> MakeKeyAssignmentDialog(MainWindowHost& host) {
    return MakeKeyAssignmentDialog(host, DefaultKeyDialogServices());
}

std::unique_ptr<KeyAssignmentPart> MakeKeyAssignmentDialog(MainWindowHost& host, KeyDialogServices services) {
    const KeyDialogServices defaults = DefaultKeyDialogServices();
    if (!services.data) services.data = defaults.data;
    if (!services.deviceProfile) services.deviceProfile = defaults.deviceProfile;
    if (!services.messageBox) services.messageBox = defaults.messageBox;
    if (!services.text) services.text = defaults.text;
    if (!services.clock) services.clock = defaults.clock;
    return std::make_unique<KeyAssignmentDialogPart>(host, std::move(services));
}

}  // namespace kv
