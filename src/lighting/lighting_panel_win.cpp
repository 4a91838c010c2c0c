#include "lighting/lighting_panel_win.h"

#include <commctrl.h>

#include <algorithm>

#include "app/app_messages.h"
#include "app/current_profile.h"
#include "app/program_paths.h"
#include "device/commands.h"
#include "keys/key_catalogue.h"
#include "lighting/led_numbers.h"
#include "skin/base_dialog.h"
#include "skin/language.h"
#include "skin/placement.h"
#include "skin/skin_image.h"
#include "widgets/widget_palette.h"

namespace kv {
namespace {

// Control ids of the panel on the main window.
enum : int {
    IDC_EFFECT_LIST = 1146,
    IDC_DIRECTION_LABEL = 1148,
    IDC_DIRECTION_FIRST = 1149,
    IDC_DIRECTION_SECOND = 1150,
    IDC_PAIR_LABEL = 1151,
    IDC_PAIR_COLOUR = 1152,
    IDC_MAIN_LABEL = 1154,
    IDC_MAIN_COLOUR = 1155,
    IDC_MAIN_MULTI = 1156,
    IDC_PAINT_LABEL = 1159,
    IDC_PAINT_COLOUR = 1160,
    IDC_BASE_LABEL = 1161,
    IDC_BASE_COLOUR = 1162,
    IDC_TOOL_LABEL = 1163,
    IDC_TOOL_PAINT = 1164,
    IDC_TOOL_FOLLOW = 1165,
    IDC_SPEED_LABEL = 1166,
    IDC_PANEL_SWITCH = 1167,
    IDC_TITLE = 1171,
    IDC_BRIGHTNESS_LABEL = 1172,
    IDC_MAIN_MULTI_LABEL = 1173,
    IDC_PAIR_MULTI = 1175,
    IDC_PAIR_MULTI_LABEL = 1176,
    IDC_BRIGHTNESS = 1178,
    IDC_SPEED = 1179,
    IDC_CHOICE_RED = 1194,
    IDC_SET_LIST = 1198,
};

constexpr wchar_t kOpenSection[] = L"KEYCOLOR";
constexpr wchar_t kOpenKey[] = L"DengCheck";

const wchar_t* const kChoicePictures[4][2] = {
    {L"hong.bmp", L"hongok.bmp"}, {L"huang.bmp", L"huangok.bmp"}, {L"lv.bmp", L"lvok.bmp"}, {L"lan.bmp", L"lanok.bmp"}};
const wchar_t* const kChoiceKeys[4] = {L"CONTROL_HONGPIC", L"CONTROL_HUANGPIC", L"CONTROL_LVPIC", L"CONTROL_LANPIC"};

// Direction pictures by kind: first (255) off/on, second (0) off/on.
struct DirectionPictures {
    DirectionKind kind;
    const wchar_t* first[2];
    const wchar_t* second[2];
    const wchar_t* labelKey;
    const wchar_t* firstKey;
    const wchar_t* secondKey;
};
constexpr DirectionPictures kDirections[] = {
    {DirectionKind::LeftRight, {L"leftup.bmp", L"leftdown.bmp"}, {L"rightup.bmp", L"rightdown.bmp"},
     L"CONTROL_BLFXStatic", L"CONTROL_BLFXLStaPic", L"CONTROL_BLFXRStaPic"},
    {DirectionKind::UpDown, {L"upup.bmp", L"updown.bmp"}, {L"downup.bmp", L"downdown.bmp"},
     L"CONTROL_BLFXStatic2", L"CONTROL_BLFXLStaPic2", L"CONTROL_BLFXRStaPic2"},
    // Effect 18 has no speed: its direction takes the speed row.
    {DirectionKind::OutIn, {L"kuosan.bmp", L"kuosandown.bmp"}, {L"julong.bmp", L"julongdown.bmp"},
     L"CONTROL_BLFXStatic3", L"CONTROL_BLFXLStaPic3", L"CONTROL_BLFXRStaPic3"},
};

const DirectionPictures* DirectionOf(DirectionKind kind) {
    for (const DirectionPictures& d : kDirections)
        if (d.kind == kind) return &d;
    return nullptr;
}

std::wstring SkinFolder() { return skin::ProgramDirectory() + L"Skins\\"; }
std::wstring SkinFile(const wchar_t* name) { return SkinFolder() + name; }

std::filesystem::path UserFolder() { return std::filesystem::path(GetUserPaths().folder); }

void Show(HWND hwnd, bool shown) {
    if (hwnd != nullptr) ShowWindow(hwnd, shown ? SW_SHOWNA : SW_HIDE);
}

std::wstring Light(const char* key) { return LookupLightText(key, GetLanguageIndex()); }

constexpr COLORREF kLabelColour = RGB(190, 196, 206);
constexpr COLORREF kTitleColour = RGB(236, 238, 242);

}  // namespace

std::unique_ptr<LightingPart> MakeLightingPanel(MainWindowHost& host) { return std::make_unique<CLightingPanel>(host); }

CLightingPanel::CLightingPanel(MainWindowHost& host)
    : host_(host), settings_(PlatformSettingsStore(), UserFolder()), map_(settings_), preview_({}) {}

CLightingPanel::~CLightingPanel() {
    if (timerRunning_) KillTimer(host_.Window(), TIMER_PREVIEW);
}

HWND CLightingPanel::Control(int id) const { return GetDlgItem(host_.Window(), id); }

// ---- creation and placement ------------------------------------------------------------------------

void CLightingPanel::Create() {
    if (created_) return;
    HWND window = host_.Window();
    created_ = true;
    CreateControls();
    PlaceControls();
    ApplyLanguage();

    // The preview's grid: each key button's place on the picture, 23 columns by 6 rows.
    struct Placed {
        UINT id;
        RECT rect;
    };
    std::vector<Placed> placed;
    const auto add = [&](UINT id) {
        HWND button = GetDlgItem(window, static_cast<int>(id));
        RECT r{};
        if (button == nullptr || !GetWindowRect(button, &r)) return;
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        if (r.right - r.left <= 2) return;  // a button the skin leaves out
        placed.push_back({id, r});
    };
    for (int i = 0; i < kPictureKeyCount; ++i) add(static_cast<UINT>(ControlOfPictureKey(i)));
    for (int g = 0; g < kGButtonCount; ++g) add(static_cast<UINT>(ControlOfGButton(g)));
    add(static_cast<UINT>(kFnButtonControl));
    std::vector<PreviewCell> cells;
    if (!placed.empty()) {
        int left = INT_MAX, right = INT_MIN, top = INT_MAX, bottom = INT_MIN;
        for (const Placed& p : placed) {
            const int cx = (p.rect.left + p.rect.right) / 2;
            left = std::min(left, cx), right = std::max(right, cx);
            top = std::min<int>(top, p.rect.top), bottom = std::max<int>(bottom, p.rect.top);
        }
        for (const Placed& p : placed) {
            const int cx = (p.rect.left + p.rect.right) / 2;
            const int column = right > left ? ((cx - left) * (kPreviewColumns - 1) * 2 + (right - left)) / (2 * (right - left)) : 0;
            const int row = bottom > top ? ((p.rect.top - top) * (kPreviewRows - 1) * 2 + (bottom - top)) / (2 * (bottom - top)) : 0;
            cells.push_back({column, row});
            previewControls_.push_back(p.id);
        }
    }
    preview_ = LightingPreview(std::move(cells));
    shownFrames_.assign(previewControls_.size(), CLR_INVALID);
    open_ = ReadOpenFlag();
    ShowControls();
}

void CLightingPanel::CreateControls() {
    HWND window = host_.Window();

    (void)panelSwitch_.Create(window, IDC_PANEL_SWITCH);
    panelSwitch_.SetPictures(SkinFile(L"dengup.bmp"), SkinFile(L"dengdown.bmp"));
    (void)title_.Create(window, IDC_TITLE);
    title_.SetStyle(kTitleColour, 10, true);

    const auto label = [&](widgets::CTextLabel& l, int id) {
        (void)l.Create(window, id);
        l.SetStyle(kLabelColour, 9, false);
    };
    label(brightnessLabel_, IDC_BRIGHTNESS_LABEL);
    label(speedLabel_, IDC_SPEED_LABEL);
    label(directionLabel_, IDC_DIRECTION_LABEL);
    label(mainColourLabel_, IDC_MAIN_LABEL);
    label(mainMultiLabel_, IDC_MAIN_MULTI_LABEL);
    label(pairColourLabel_, IDC_PAIR_LABEL);
    label(pairMultiLabel_, IDC_PAIR_MULTI_LABEL);
    label(paintLabel_, IDC_PAINT_LABEL);
    label(baseLabel_, IDC_BASE_LABEL);
    label(toolLabel_, IDC_TOOL_LABEL);

    std::vector<std::wstring> sliderPictures;
    for (int i = 0; i <= kMaxBrightness; ++i) sliderPictures.push_back(SkinFolder() + L"slider" + std::to_wstring(i) + L".bmp");
    (void)brightness_.Create(window, IDC_BRIGHTNESS, WS_TABSTOP);
    brightness_.SetPictures(sliderPictures);
    (void)speed_.Create(window, IDC_SPEED, WS_TABSTOP);
    speed_.SetPictures(sliderPictures);

    (void)directionFirst_.Create(window, IDC_DIRECTION_FIRST);
    (void)directionSecond_.Create(window, IDC_DIRECTION_SECOND);
    (void)mainColour_.Create(window, IDC_MAIN_COLOUR);
    (void)pairColour_.Create(window, IDC_PAIR_COLOUR);
    (void)mainMulti_.Create(window, IDC_MAIN_MULTI);
    mainMulti_.SetPictures(SkinFile(L"sjsup.bmp"), SkinFile(L"sjsdown.bmp"));
    (void)pairMulti_.Create(window, IDC_PAIR_MULTI);
    pairMulti_.SetPictures(SkinFile(L"sjsup.bmp"), SkinFile(L"sjsdown.bmp"));
    for (int i = 0; i < 4; ++i) {
        (void)choice_[static_cast<std::size_t>(i)].Create(window, IDC_CHOICE_RED + i);
        choice_[static_cast<std::size_t>(i)].SetPictures(SkinFile(kChoicePictures[i][0]), SkinFile(kChoicePictures[i][1]));
    }
    (void)paintColour_.Create(window, IDC_PAINT_COLOUR);
    (void)baseColour_.Create(window, IDC_BASE_COLOUR);
    (void)toolPaint_.Create(window, IDC_TOOL_PAINT);
    toolPaint_.SetPictures(SkinFile(L"user1up.bmp"), SkinFile(L"user1down.bmp"));
    (void)toolFollow_.Create(window, IDC_TOOL_FOLLOW);
    toolFollow_.SetPictures(SkinFile(L"user2up.bmp"), SkinFile(L"user2down.bmp"));

    (void)effectList_.Create(window, IDC_EFFECT_LIST, /*editable=*/false);
    (void)setList_.Create(window, IDC_SET_LIST, /*editable=*/true);
    setList_.SetTextLimit(31);
    // Shown with the panel's other controls.
    ShowWindow(effectList_.GetSafeHwnd(), SW_HIDE);
    ShowWindow(setList_.GetSafeHwnd(), SW_HIDE);
}

void CLightingPanel::PlaceControls() {
    const CIniFile& layout = host_.MainLayout();
    const auto place = [&](HWND hwnd, const wchar_t* key) { skin::PlaceControl(hwnd, layout, L"BUTTONINFO", key); };
    place(panelSwitch_.Handle(), L"CONTROL_DengStaPic");
    place(title_.Handle(), L"CONTROL_DengStatic");
    place(effectList_.GetSafeHwnd(), L"CONTROL_XGcombox");
    place(brightnessLabel_.Handle(), L"CONTROL_LightStatic");
    place(brightness_.Handle(), L"CONTROL_LightSlider");
    place(speedLabel_.Handle(), L"CONTROL_SpeedStatic");
    place(speed_.Handle(), L"CONTROL_SpeedSlider");
    place(directionLabel_.Handle(), L"CONTROL_BLFXStatic");
    place(directionFirst_.Handle(), L"CONTROL_BLFXLStaPic");
    place(directionSecond_.Handle(), L"CONTROL_BLFXRStaPic");
    place(pairColourLabel_.Handle(), L"CONTROL_FYYSStatic");
    place(pairColour_.Handle(), L"CONTROL_FYYSButton");
    place(pairMulti_.Handle(), L"CONTROL_FYSJSStaPic");
    place(pairMultiLabel_.Handle(), L"CONTROL_FYSJSStatic");
    place(mainColourLabel_.Handle(), L"CONTROL_HXysStatic");
    place(mainColour_.Handle(), L"CONTROL_HXysButton");
    place(mainMultiLabel_.Handle(), L"CONTROL_HXsjsStatic");
    place(mainMulti_.Handle(), L"CONTROL_HXsjsStaPic");
    for (int i = 0; i < 4; ++i) place(choice_[static_cast<std::size_t>(i)].Handle(), kChoiceKeys[i]);
    place(paintLabel_.Handle(), L"CONTROL_USERysStatic");
    place(paintColour_.Handle(), L"CONTROL_USERysButton");
    place(baseLabel_.Handle(), L"CONTROL_USERjsStatic");
    place(baseColour_.Handle(), L"CONTROL_USERjsButton");
    place(toolLabel_.Handle(), L"CONTROL_USERgjStatic");
    place(toolPaint_.Handle(), L"CONTROL_USERgjStaPic1");
    place(toolFollow_.Handle(), L"CONTROL_USERgjStaPic2");
    place(setList_.GetSafeHwnd(), L"CONTROL_umCombo");
}

// ---- texts -----------------------------------------------------------------------------------------

// The combo boxes' face: the widgets' own, or one that covers Chinese when the language's texts are Chinese.
void CLightingPanel::MakeFont(const std::wstring& sample) {
    HDC dc = GetDC(host_.Window());
    const std::wstring face = CPngButton::FaceForText(dc, widgets::kWidgetFontFace, sample.c_str(), static_cast<int>(sample.size()));
    ReleaseDC(host_.Window(), dc);
    effectList_.SetFace(face);
    setList_.SetFace(face);
}

void CLightingPanel::ApplyLanguage() {
    if (!created_) return;
    MakeFont(Light("Deng") + LookupModeText(1, GetLanguageIndex()));
    title_.SetText(Light("Deng"));
    brightnessLabel_.SetText(Light("Light"));
    speedLabel_.SetText(Light("Speed"));
    directionLabel_.SetText(Light("FX"));
    mainColourLabel_.SetText(Light("Color"));
    pairColourLabel_.SetText(Light("Color"));
    paintLabel_.SetText(Light("Color"));
    mainMultiLabel_.SetText(Light("DC"));
    pairMultiLabel_.SetText(Light("DC"));
    baseLabel_.SetText(Light("JColor"));
    toolLabel_.SetText(Light("Tool"));
    FillEffectList();
}

void CLightingPanel::FillEffectList() {
    HWND c = effectList_.GetSafeHwnd();
    SendMessageW(c, CB_RESETCONTENT, 0, 0);
    const EffectList& effects = session_.Effects();
    const int language = GetLanguageIndex();
    for (int i = 0; i < effects.Count(); ++i) {
        const std::wstring name = LookupModeText(effects.EffectAt(i), language);
        SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    SendMessageW(c, CB_SETCURSEL, static_cast<WPARAM>(session_.EffectPosition()), 0);
}

void CLightingPanel::FillSetList() {
    HWND c = setList_.GetSafeHwnd();
    SendMessageW(c, CB_RESETCONTENT, 0, 0);
    for (int s = 0; s < kColorSetCount; ++s) {
        const std::u16string& name = map_.SetName(s);
        const std::wstring text(name.begin(), name.end());
        SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    setListSelection_ = map_.ActiveSet();
    SendMessageW(c, CB_SETCURSEL, static_cast<WPARAM>(setListSelection_), 0);
    setNameEdited_ = false;
}

// ---- state from the keyboard -----------------------------------------------------------------------

bool CLightingPanel::ReadOpenFlag() {
    const std::u16string v = PlatformSettingsStore().Read(std::filesystem::path(GetUserPaths().settingsFile), u"KEYCOLOR",
                                                           u"DengCheck", u"0");
    return v == u"1";
}

void CLightingPanel::WriteOpenFlag(bool open) {
    (void)kOpenSection, (void)kOpenKey;
    (void)PlatformSettingsStore().Write(std::filesystem::path(GetUserPaths().settingsFile), u"KEYCOLOR", u"DengCheck",
                                        open ? u"1" : u"0");
}

void CLightingPanel::Reload(int profile) {
    (void)session_.Read();  // a failed read keeps the previous records and an empty effect list
    session_.Load(profile);
    open_ = ReadOpenFlag();
    // The profile's colour set was not loaded when it became current (its read failed): now it can be.
    if (setUnread_ && session_.Effects().OffersPerKey()) ProfileChanged(profile);
}

void CLightingPanel::ProfileChanged(int profile) {
    if (!session_.Effects().OffersPerKey()) {
        // Unknown whether the keyboard offers per-key colours: the set of the profile before is not edited
        // in this profile's name.
        map_.Forget();
        setUnread_ = true;
        return;
    }
    setUnread_ = false;
    (void)map_.LoadActiveSet(profile);
    if (created_) FillSetList();
}

void CLightingPanel::Refresh() {
    if (!created_) return;
    const LightingRecord& w = session_.Working();
    FillEffectList();
    brightness_.SetPosition(w.brightness);
    speed_.SetPosition(session_.SpeedPosition());
    ShowColourLooks();
    host_.ShowReportRate(w.reportRate);
    ShowControls();
    if (open_) {
        if (PerKeySelected()) ShowPerKeyColours();
        RestartPreview();
    }
}

// ---- what shows for which effect -------------------------------------------------------------------

void CLightingPanel::ShowControls() {
    const EffectTraits* e = open_ ? FindEffect(EffectNumber()) : nullptr;
    panelSwitch_.SetOn(open_);
    panelSwitch_.Show(true);
    title_.Show(true);
    // An effect the program does not know still leaves the list, so the user can choose another one.
    Show(effectList_.GetSafeHwnd(), open_);
    const bool known = e != nullptr;
    brightnessLabel_.Show(known);
    brightness_.Show(known);
    speedLabel_.Show(known && e->speed);
    speed_.Show(known && e->speed);
    const bool direction = known && e->direction != DirectionKind::None;
    if (direction) ShowDirectionLook();
    directionLabel_.Show(direction);
    directionFirst_.Show(direction);
    directionSecond_.Show(direction);
    const bool main = known && e->colour == ColourKind::Main;
    mainColourLabel_.Show(main);
    mainColour_.Show(main);
    mainMulti_.Show(main);
    mainMultiLabel_.Show(main);
    const bool pair = known && e->colour == ColourKind::SinglePair;
    pairColourLabel_.Show(pair);
    pairColour_.Show(pair);
    pairMulti_.Show(pair);
    pairMultiLabel_.Show(pair);
    for (auto& c : choice_) c.Show(known && e->colourChoice);
    ShowSetControls();
}

void CLightingPanel::ShowSetControls() {
    const bool perKey = open_ && PerKeySelected() && session_.Effects().OffersPerKey();
    paintLabel_.Show(perKey);
    paintColour_.Show(perKey);
    baseLabel_.Show(perKey);
    baseColour_.Show(perKey);
    toolLabel_.Show(perKey);
    toolPaint_.Show(perKey);
    toolFollow_.Show(perKey);
    Show(setList_.GetSafeHwnd(), perKey);
    if (!perKey) return;
    paintColour_.SetColour(map_.Options().paintColor);
    baseColour_.SetColour(map_.Options().baseColor);
    toolPaint_.SetOn(map_.Options().tool == kToolPaint);
    toolFollow_.SetOn(map_.Options().tool == kToolFollow);
}

// The direction pictures and places of the effect, and which of the two is chosen.
void CLightingPanel::ShowDirectionLook() {
    const EffectTraits* e = FindEffect(EffectNumber());
    const DirectionPictures* d = e != nullptr ? DirectionOf(e->direction) : nullptr;
    if (d == nullptr) return;
    if (directionLook_ != static_cast<int>(d->kind)) {
        directionLook_ = static_cast<int>(d->kind);
        directionFirst_.SetPictures(SkinFile(d->first[0]), SkinFile(d->first[1]));
        directionSecond_.SetPictures(SkinFile(d->second[0]), SkinFile(d->second[1]));
        const CIniFile& layout = host_.MainLayout();
        skin::MoveControl(directionLabel_.Handle(), layout, L"BUTTONINFO", d->labelKey);
        skin::MoveControl(directionFirst_.Handle(), layout, L"BUTTONINFO", d->firstKey);
        skin::MoveControl(directionSecond_.Handle(), layout, L"BUTTONINFO", d->secondKey);
    }
    directionFirst_.SetOn(session_.Working().direction == kDirectionFirst);
    directionSecond_.SetOn(session_.Working().direction != kDirectionFirst);
}

void CLightingPanel::ShowColourLooks() {
    const LightingRecord& w = session_.Working();
    mainColour_.SetColour(w.colour);
    pairColour_.SetColour(w.colour);
    mainMulti_.SetOn(w.multicolour);
    pairMulti_.SetOn(w.multicolour);
    for (int i = 0; i < 4; ++i) choice_[static_cast<std::size_t>(i)].SetOn(w.colourChoice == i);
    if (FindEffect(EffectNumber()) != nullptr && FindEffect(EffectNumber())->direction != DirectionKind::None)
        ShowDirectionLook();
}

// ---- opening and closing ---------------------------------------------------------------------------

void CLightingPanel::Open() {
    // The profile is selected again first (it may ask about unapplied changes); refused, the panel stays shut.
    if (host_.SelectProfile(host_.Profile()) == 0) {
        open_ = false;
        WriteOpenFlag(false);
        ShowControls();
        return;
    }
    open_ = true;
    WriteOpenFlag(true);
    host_.ClearKeyColours();
    std::fill(shownFrames_.begin(), shownFrames_.end(), CLR_INVALID);
    preview_.Reset();
    Refresh();
}

void CLightingPanel::Close() {
    open_ = false;
    WriteOpenFlag(false);
    UpdatePreviewTimer();
    host_.ClearKeyColours();
    std::fill(shownFrames_.begin(), shownFrames_.end(), CLR_INVALID);
    host_.RefreshKeyMarks();
    ShowControls();
}

void CLightingPanel::EndPerKeyEdit() {
    if (open_) Close();
}

// ---- commands --------------------------------------------------------------------------------------

bool CLightingPanel::PickColour(uint32_t& colour) {
    if (picker_) return picker_(host_.Window(), colour);
    widgets::CColourButton chooser;  // the system's picker, on the colour the button shows
    chooser.SetColour(colour);
    if (!chooser.Pick(host_.Window())) return false;
    colour = chooser.Colour();
    return true;
}

bool CLightingPanel::OnCommand(UINT id, UINT notifyCode) {
    if (!created_) return false;
    const int idInt = static_cast<int>(id);
    switch (idInt) {
        case IDC_PANEL_SWITCH:
            if (open_) Close(); else Open();
            return true;
        case IDC_EFFECT_LIST:
            if (notifyCode == CBN_SELCHANGE) {
                const int position = static_cast<int>(SendMessageW(effectList_.GetSafeHwnd(), CB_GETCURSEL, 0, 0));
                const bool wasPerKey = PerKeySelected();
                (void)session_.SelectEffectAt(position);
                ShowControls();
                if (PerKeySelected()) {
                    ShowPerKeyColours();
                } else if (wasPerKey) {
                    host_.ClearKeyColours();
                    std::fill(shownFrames_.begin(), shownFrames_.end(), CLR_INVALID);
                }
                RestartPreview();
            }
            return true;
        case IDC_DIRECTION_FIRST:
        case IDC_DIRECTION_SECOND:
            (void)session_.SetDirection(idInt == IDC_DIRECTION_FIRST ? kDirectionFirst : kDirectionSecond);
            ShowDirectionLook();
            return true;
        case IDC_MAIN_COLOUR:
        case IDC_PAIR_COLOUR: {
            uint32_t colour = session_.Working().colour;
            if (PickColour(colour)) {
                (void)session_.SetColour(colour);
                ShowColourLooks();
            }
            return true;
        }
        case IDC_MAIN_MULTI:
        case IDC_PAIR_MULTI:
            (void)session_.SetMulticolour(!session_.Working().multicolour);
            ShowColourLooks();
            return true;
        case IDC_CHOICE_RED:
        case IDC_CHOICE_RED + 1:
        case IDC_CHOICE_RED + 2:
        case IDC_CHOICE_RED + 3:
            (void)session_.SetColourChoice(idInt - IDC_CHOICE_RED);
            ShowColourLooks();
            return true;
        case IDC_PAINT_COLOUR: {
            uint32_t colour = map_.Options().paintColor;
            if (PickColour(colour)) {
                map_.SetPaintColour(colour);
                ShowSetControls();
            }
            return true;
        }
        case IDC_BASE_COLOUR: {
            uint32_t colour = map_.Options().baseColor;
            if (PickColour(colour)) {
                (void)map_.SetBaseColour(colour);
                ShowSetControls();
                ShowPerKeyColours();
            }
            return true;
        }
        case IDC_TOOL_PAINT:
        case IDC_TOOL_FOLLOW:
            map_.SelectTool(idInt == IDC_TOOL_FOLLOW ? kToolFollow : kToolPaint);
            ShowSetControls();
            return true;
        case IDC_SET_LIST:
            if (notifyCode == CBN_EDITCHANGE) {
                setNameEdited_ = true;
            } else if (notifyCode == CBN_KILLFOCUS || notifyCode == CBN_DROPDOWN) {
                CommitSetName();
            } else if (notifyCode == CBN_SELCHANGE) {
                setNameEdited_ = false;
                const int set = static_cast<int>(SendMessageW(setList_.GetSafeHwnd(), CB_GETCURSEL, 0, 0));
                if (set >= 0 && set < kColorSetCount) {
                    (void)map_.SelectSet(set);
                    setListSelection_ = set;
                    ShowSetControls();
                    ShowPerKeyColours();
                }
            }
            return true;
        default: return false;
    }
}

// The set list's edit field renames the selected set in place; an empty name keeps the old one.
void CLightingPanel::CommitSetName() {
    if (!setNameEdited_) return;
    setNameEdited_ = false;
    const int set = setListSelection_;
    if (set < 0 || set >= kColorSetCount) return;
    wchar_t text[64] = {};
    GetWindowTextW(setList_.GetSafeHwnd(), text, static_cast<int>(std::size(text)));
    std::wstring name(text);
    while (!name.empty() && name.back() == L' ') name.pop_back();
    while (!name.empty() && name.front() == L' ') name.erase(name.begin());
    if (name.empty() || name.find_first_of(L"\r\n[]=") != std::wstring::npos) {
        FillSetList();  // not a name the settings file can keep: the old one comes back
        return;
    }
    map_.RenameSet(set, std::u16string(name.begin(), name.end()));
    SendMessageW(setList_.GetSafeHwnd(), CB_DELETESTRING, static_cast<WPARAM>(set), 0);
    SendMessageW(setList_.GetSafeHwnd(), CB_INSERTSTRING, static_cast<WPARAM>(set), reinterpret_cast<LPARAM>(name.c_str()));
    SendMessageW(setList_.GetSafeHwnd(), CB_SETCURSEL, static_cast<WPARAM>(set), 0);
}

void CLightingPanel::OnSlider(WPARAM wParam, LPARAM lParam) {
    const HWND from = reinterpret_cast<HWND>(lParam);
    const int position = static_cast<int>(wParam);
    if (from == brightness_.Handle()) (void)session_.SetBrightness(position);
    if (from == speed_.Handle()) (void)session_.SetSpeedPosition(position);
}

// ---- per-key colours -------------------------------------------------------------------------------

bool CLightingPanel::KeyColour(UINT controlId, COLORREF& colour) const {
    const int led = LedOfControl(static_cast<int>(controlId));
    if (led == kNoLed) return false;
    colour = map_.Colour(led);
    return true;
}

void CLightingPanel::ShowPerKeyColours() {
    if (!session_.Effects().OffersPerKey()) return;
    host_.ShowKeyColours();
    std::fill(shownFrames_.begin(), shownFrames_.end(), CLR_INVALID);
}

void CLightingPanel::PaintKey(UINT controlId) {
    const int led = LedOfControl(static_cast<int>(controlId));
    if (led == kNoLed || !session_.Effects().OffersPerKey()) return;
    if (map_.PaintKey(led, PerKeySelected()) == kResultNotOffered) return;
    const COLORREF colour = map_.Colour(led);
    if (led == kGKeyLed) {
        for (int g = 0; g < kGButtonCount; ++g)
            if (CPngButton* b = host_.KeyButton(static_cast<UINT>(ControlOfGButton(g)))) b->SetFrame(colour, true);
    } else if (CPngButton* b = host_.KeyButton(controlId)) {
        b->SetFrame(colour, true);
    }
}

void CLightingPanel::RestoreDefaults() {
    if (!open_) return;  // with the panel closed only the key assignments go back
    (void)session_.SelectEffect(1);
    if (session_.Effects().OffersPerKey()) {
        (void)settings_.ResetProfileFile(session_.Profile(), SettingsTemplatePath(std::filesystem::path(skin::ProgramDirectory())));
        (void)map_.LoadActiveSet(session_.Profile());
        FillSetList();
    }
    (void)session_.RestoreDefaults();
    host_.ClearKeyColours();
    std::fill(shownFrames_.begin(), shownFrames_.end(), CLR_INVALID);
    Refresh();
}

// ---- preview ---------------------------------------------------------------------------------------

bool CLightingPanel::PreviewMoves() const {
    switch (EffectNumber()) {
        case 1: case 2: case 3: case 4: case 5: case 10: case 11: case 12: case 13: case 14: case 15: case 16: case 18:
            return true;
        default: return false;  // static, per-key and effects shown without a preview need no timer
    }
}

void CLightingPanel::UpdatePreviewTimer() {
    const bool run = open_ && windowShown_ && PreviewMoves() && !previewControls_.empty();
    if (run == timerRunning_) return;
    timerRunning_ = run;
    if (run) {
        SetTimer(host_.Window(), TIMER_PREVIEW, kPreviewPeriodMs, nullptr);
        SetPropW(host_.Window(), kPreviewRunningProperty, reinterpret_cast<HANDLE>(1));
    } else {
        KillTimer(host_.Window(), TIMER_PREVIEW);
        RemovePropW(host_.Window(), kPreviewRunningProperty);
    }
}

void CLightingPanel::RestartPreview() {
    preview_.Reset();
    UpdatePreviewTimer();
    if (open_ && windowShown_ && !PerKeySelected()) PreviewStep();  // the first picture at once
}

void CLightingPanel::WindowShown(bool shown) {
    windowShown_ = shown;
    UpdatePreviewTimer();
    if (shown && open_ && !PerKeySelected()) PreviewStep();
}

void CLightingPanel::ClearPreviewFrames() {
    bool any = false;
    for (COLORREF c : shownFrames_) any = any || c != CLR_INVALID;
    if (!any) return;
    host_.ClearKeyColours();
    std::fill(shownFrames_.begin(), shownFrames_.end(), CLR_INVALID);
}

void CLightingPanel::PreviewStep() {
    if (!open_ || !windowShown_) {
        UpdatePreviewTimer();
        return;
    }
    const LightingRecord& w = session_.Working();
    const PreviewFrame frame = preview_.Step({w.effect, w.multicolour, w.colour, w.direction}, frameColours_);
    if (frame == PreviewFrame::PerKey) return;
    if (frame == PreviewFrame::Clear) {
        ClearPreviewFrames();
        return;
    }
    for (std::size_t i = 0; i < previewControls_.size() && i < frameColours_.size(); ++i) {
        const COLORREF colour = frameColours_[i];
        if (shownFrames_[i] == colour) continue;  // only keys whose colour changed are repainted
        shownFrames_[i] = colour;
        if (CPngButton* b = host_.KeyButton(previewControls_[i])) b->SetFrame(colour, true);
    }
    // The window kills the timer each time it fires; the next step comes 50 ms after this one ended, so a
    // slow display gets fewer steps instead of a queue of them.
    if (timerRunning_) SetTimer(host_.Window(), TIMER_PREVIEW, kPreviewPeriodMs, nullptr);
}

}  // namespace kv
