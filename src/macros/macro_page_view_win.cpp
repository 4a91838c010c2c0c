#include "macros/macro_page_view_win.h"

#include <algorithm>

#include "keys/key_name.h"
#include "skin/language_text_source.h"
#include "macros/wide_text.h"
#include "skin/number_format.h"
#include "skin/placement.h"

namespace kv {
namespace {

constexpr wchar_t kSection[] = L"BUTTONINFO";
constexpr wchar_t kPressText[] = L"\u2193";
constexpr wchar_t kReleaseText[] = L"  \u2191";
constexpr int kKeyPickerEntries = 106;  // list positions 0x00-0x69
constexpr int kDelayCellChars = 12;
constexpr widgets::Colour kOverColour = widgets::Rgb(0xe0, 0x48, 0x3c);

// The dialog's texts, which it keeps for its language: the action list asks for a key's name on every
// paint of every row, and reading the language file for each is what made the list slow to paint.
class HostTexts final : public TextSource {
public:
    explicit HostTexts(const MacroPageHost& host) : host_(host) {}
    std::wstring Text(std::string_view key) const override { return host_.Text(std::string(key).c_str()); }

private:
    const MacroPageHost& host_;
};

std::wstring NameOfKey(KeyCode code, const MacroPageHost& host) {
    if (IsGKeyCode(code)) return L"G" + std::to_wstring(GSlotOfCode(code) % kGButtonCount + 1);
    wchar_t buffer[kKeyNameCapacity] = {};
    KeyName(code, buffer, kKeyNameCapacity, HostTexts(host));
    return buffer;
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

}  // namespace

CMacroPageView::CMacroPageView(MacroPageHost& host)
    : host_(host), page_(MacroNameCounter()), recorder_([this] { return host_.Now(); }) {}

CMacroPageView::~CMacroPageView() { recorder_.Abandon(); }

void CMacroPageView::Create() {
    HWND dialog = host_.DialogWindow();
    const CIniFile& layout = host_.DialogLayout();
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    auto button = [&](CPngButton& b, int id, DWORD style = 0) {
        (void)b.Create(dialog, id, L"", RECT{0, 0, 1, 1}, WS_CHILD | WS_TABSTOP | style);
    };
    (void)names_.Create(dialog, IDC_MACRO_LIST, true, RECT{0, 0, 10, 200});
    ShowWindow(names_.GetSafeHwnd(), SW_HIDE);
    names_.SetTextLimit(static_cast<int>(kMacroNameMaxChars));
    button(add_, IDC_MACRO_ADD);
    button(delete_, IDC_MACRO_DELETE);
    (void)actions_.Create(dialog, IDC_ACTION_LIST);
    ShowWindow(actions_.GetSafeHwnd(), SW_HIDE);
    actions_.SetSource(this);
    button(record_, IDC_RECORD);
    button(top_, IDC_ACTION_TOP);
    button(up_, IDC_ACTION_UP);
    button(down_, IDC_ACTION_DOWN);
    button(bottom_, IDC_ACTION_BOTTOM);
    button(deleteAction_, IDC_ACTION_DELETE);
    button(clearActions_, IDC_ACTION_CLEAR);
    (void)repeat_.Create(dialog, IDC_REPEAT);
    ShowWindow(repeat_.GetSafeHwnd(), SW_HIDE);
    SendMessageW(repeat_.GetSafeHwnd(), EM_SETLIMITTEXT, 4, 0);
    (void)delays_.Create(dialog, IDC_RECORD_DELAYS, widgets::CSkinCheck::Kind::Check);
    ShowWindow(delays_.GetSafeHwnd(), SW_HIDE);
    for (auto [label, id] : {std::pair{&delaysLabel_, IDC_RECORD_DELAYS_LABEL}, {&repeatLabel_, IDC_REPEAT_LABEL},
                             {&nameLabel_, IDC_MACRO_NAME_LABEL}, {&memory_, IDC_MACRO_MEMORY}}) {
        (void)label->Create(dialog, id);
        ShowWindow(label->GetSafeHwnd(), SW_HIDE);
    }
    (void)instance;
    delaysLabel_.SetBuddy(delays_.GetSafeHwnd());
    delaysLabel_.SetAlign(widgets::CSkinLabel::Align::LeftSingle);
    repeatLabel_.SetAlign(widgets::CSkinLabel::Align::LeftSingle);
    nameLabel_.SetAlign(widgets::CSkinLabel::Align::LeftSingle);
    repeatLabel_.SetColour(widgets::kSkinPalette.dimText);
    nameLabel_.SetColour(widgets::kSkinPalette.dimText);
    memory_.SetFont(widgets::kWidgetFontFace, 8);
    memory_.SetColour(widgets::kSkinPalette.dimText);

    skin::PlaceControl(names_.GetSafeHwnd(), layout, kSection, L"FUNC_MACRO_LIST");
    skin::PlaceControl(actions_.GetSafeHwnd(), layout, kSection, L"FUNC_MACRO_LIST2");
    skin::PlaceControl(repeat_.GetSafeHwnd(), layout, kSection, L"FUNC_MACRO_CYCLES");
    skin::PlaceControl(delays_.GetSafeHwnd(), layout, kSection, L"FUNC_MACRO_RECORD_DELAY");
    skin::PlaceControl(delaysLabel_.GetSafeHwnd(), layout, kSection, L"FUNC_MACRO_RECORD_DELAY2");
    skin::PlaceControl(repeatLabel_.GetSafeHwnd(), layout, kSection, L"FUNC_MACRO_CYCLES_PROMPT");
    skin::PlaceControl(nameLabel_.GetSafeHwnd(), layout, kSection, L"MARCO_NAME_SETTING");
    skin::PlaceControl(memory_.GetSafeHwnd(), layout, kSection, L"FUNC_MACRO_MEMORY");
    actions_.SetColumns({{L"", 168}, {L"", 72}, {L"", 110}});

    const CaptionColours captions{widgets::kSkinPalette.text, widgets::Rgb(0xff, 0x82, 0x00),
                                  widgets::Rgb(0xff, 0x9b, 0x04), widgets::kSkinPalette.faintText,
                                  widgets::Rgb(0xff, 0xb3, 0x66)};
    for (CPngButton* b : {&record_, &top_, &up_, &down_, &bottom_, &deleteAction_, &clearActions_})
        b->SetCaptionStyle(true, 9, widgets::kWidgetFontFace, captions, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    record_.SetCaptionMargins(24, 0, 0, 0);  // clear of the red dot
}

void CMacroPageView::SetButtonLooks(const SkinLooks& looks) {
    const CIniFile& layout = host_.DialogLayout();
    const std::pair<CPngButton*, const wchar_t*> buttons[] = {
        {&add_, L"FUNC_MACRO_ADD"},           {&delete_, L"FUNC_MACRO_DELETE"},
        {&record_, L"FUNC_MACRO_RECORD"},     {&top_, L"FUNC_MACRO_UP_TOP"},
        {&up_, L"FUNC_MACRO_UP"},             {&down_, L"FUNC_MACRO_DOWN"},
        {&bottom_, L"FUNC_MACRO_DOWN_BOTTOM"}, {&deleteAction_, L"FUNC_MACRO_DELETE2"},
        {&clearActions_, L"FUNC_MACRO_CLEAR"},
    };
    for (auto [b, key] : buttons) skin::PlaceButton(*b, layout, kSection, key, looks);
    UpdateButtons();
}

void CMacroPageView::Show(bool show) {
    for (HWND h : {names_.GetSafeHwnd(), actions_.GetSafeHwnd(), repeat_.GetSafeHwnd(), delays_.GetSafeHwnd(),
                   delaysLabel_.GetSafeHwnd(), repeatLabel_.GetSafeHwnd(), nameLabel_.GetSafeHwnd(),
                   memory_.GetSafeHwnd(), add_.GetSafeHwnd(), delete_.GetSafeHwnd(), record_.GetSafeHwnd(),
                   top_.GetSafeHwnd(), up_.GetSafeHwnd(), down_.GetSafeHwnd(), bottom_.GetSafeHwnd(),
                   deleteAction_.GetSafeHwnd(), clearActions_.GetSafeHwnd()})
        widgets::ShowIfChanged(h, show);
    if (!show) {
        actions_.EndEdit(true);
        names_.ShowList(false);
    }
}

void CMacroPageView::ApplyTexts() {
    widgets::SetTextIfChanged(record_.GetSafeHwnd(),
                              host_.Text(IsRecording() ? "MACRO_ACTION_STOP_RECORD" : "MACRO_ACTION_RECORD"));
    widgets::SetTextIfChanged(top_.GetSafeHwnd(), host_.Text("A_TOP"));
    widgets::SetTextIfChanged(up_.GetSafeHwnd(), host_.Text("A_UP"));
    widgets::SetTextIfChanged(down_.GetSafeHwnd(), host_.Text("A_DOWN"));
    widgets::SetTextIfChanged(bottom_.GetSafeHwnd(), host_.Text("A_BOTTOM"));
    widgets::SetTextIfChanged(clearActions_.GetSafeHwnd(), host_.Text("A_CLEAR"));
    widgets::SetTextIfChanged(deleteAction_.GetSafeHwnd(), host_.Text("A_DELETE"));
    widgets::SetTextIfChanged(repeatLabel_.GetSafeHwnd(), host_.Text("MACRO_CYCLES"));
    widgets::SetTextIfChanged(delaysLabel_.GetSafeHwnd(), host_.Text("RECORD_DELAY"));
    widgets::SetTextIfChanged(nameLabel_.GetSafeHwnd(), host_.Text("MACRO_NAME_SETTING"));
    const std::wstring addTip = host_.Text("COMPOSITE_PROMPT_ADD_MACRO");
    if (addTip != addTip_) {  // tool tips change only with the language
        addTip_ = addTip;
        add_.SetTooltip(addTip.c_str(), true);
        delete_.SetTooltip(host_.Text("COMPOSITE_PROMPT_DELETE_MACRO").c_str(), true);
    }
    actions_.SetColumnTitle(0, host_.Text("MACRO_KEYS_TISHI"));
    actions_.SetColumnTitle(1, host_.Text("MACRO_ACTION_TISHI"));
    actions_.SetColumnTitle(2, host_.Text("MACRO_DELAY_MS"));
    InvalidateRect(actions_.GetSafeHwnd(), nullptr, FALSE);  // key names are language texts too
    RefreshGauge();
}

void CMacroPageView::SetFace(const std::wstring& face) {
    for (widgets::CWidget* w : std::initializer_list<widgets::CWidget*>{&names_, &actions_, &repeat_, &delaysLabel_,
                                                                         &repeatLabel_, &nameLabel_, &memory_})
        w->SetFace(face);
    for (CPngButton* b : {&record_, &top_, &up_, &down_, &bottom_, &deleteAction_, &clearActions_}) b->Redraw();
}

void CMacroPageView::Fill(std::vector<MacroRecord> macros, bool recordDelays) {
    recorder_.Stop();
    page_.Fill(std::move(macros));
    recordDelays_ = recordDelays;
    delays_.SetChecked(recordDelays);
    quiet_ = true;
    // The list keeps its names while the dialog is closed and is filled again only when they changed:
    // each entry added or read is a round through the list's window procedure, about 0.1 ms under Wine.
    const std::vector<MacroRecord>& items = page_.Items();
    std::vector<std::wstring> wanted;
    wanted.reserve(items.size());
    for (const MacroRecord& m : items) wanted.push_back(WideFromUtf16(m.Name()));
    if (wanted == listedNames_) {
        names_.Select(-1);
        names_.SetText(L"");
    } else {
        HWND list = names_.GetSafeHwnd();
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        names_.Clear();
        SendMessageW(list, CB_INITSTORAGE, items.size(), items.size() * 32);
        for (const std::wstring& name : wanted) names_.AddItem(name);
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        listedNames_ = std::move(wanted);
    }
    widgets::SetTextIfChanged(repeat_.GetSafeHwnd(), L"1");
    quiet_ = false;
    actions_.SetRowCount(0);
    UpdateButtons();
    RefreshGauge();
}

void CMacroPageView::Release() {
    recorder_.Stop();
    actions_.EndEdit(false);
    actions_.SetRowCount(0);
    page_.Fill({});
}

void CMacroPageView::SelectMacro(int index) {
    // A cell being edited belongs to the macro shown: its text goes there before another is.
    actions_.EndEdit(true);
    if (!page_.Select(index)) return;
    names_.Select(index);
    quiet_ = true;
    const MacroRecord* m = page_.CurrentMacro();
    widgets::SetTextIfChanged(repeat_.GetSafeHwnd(), std::to_wstring(m ? m->repeat : 1));
    quiet_ = false;
    LoadRows(-1);
    UpdateButtons();
}

void CMacroPageView::LoadRows(int selectRow) {
    actions_.SetRowCount(page_.ActionCount());
    actions_.SelectRow(selectRow, true);
    InvalidateRect(actions_.GetSafeHwnd(), nullptr, FALSE);
}

void CMacroPageView::UpdateButtons() {
    const MacroPageControls enabled = EnabledControls(IsRecording(), page_.CurrentMacro() != nullptr);
    widgets::EnableIfChanged(add_.GetSafeHwnd(), enabled.addMacro);
    widgets::EnableIfChanged(delete_.GetSafeHwnd(), enabled.deleteMacro);
    widgets::EnableIfChanged(names_.GetSafeHwnd(), enabled.macroList);
    widgets::EnableIfChanged(record_.GetSafeHwnd(), enabled.record);
    for (CPngButton* b : {&deleteAction_, &clearActions_, &top_, &up_, &down_, &bottom_})
        widgets::EnableIfChanged(b->GetSafeHwnd(), enabled.editActions);
    widgets::EnableIfChanged(repeat_.GetSafeHwnd(), enabled.repeat);
}

void CMacroPageView::Changed() {
    host_.PageModified();
    RefreshGauge();
}

void CMacroPageView::RefreshGauge() {
    const MacroMemoryUse use = MeasureMacroMemory(page_.Items(), host_.MacroCapacity());
    memory_.SetColour(use.fit == MacroMemoryUse::Fit::TooLarge      ? kOverColour
                      : use.fit == MacroMemoryUse::Fit::NamesLeftOut ? widgets::kSkinPalette.accent
                                                                     : widgets::kSkinPalette.dimText);
    widgets::SetTextIfChanged(memory_.GetSafeHwnd(), MemoryText(use));
}

std::wstring CMacroPageView::MemoryText() const {
    return MemoryText(MeasureMacroMemory(page_.Items(), host_.MacroCapacity()));
}

std::wstring CMacroPageView::MemoryText(const MacroMemoryUse& use) const {
    const auto n = [](std::size_t v) { return static_cast<long long>(v); };
    switch (use.fit) {
        case MacroMemoryUse::Fit::Unknown:
            return FormatNumbers(host_.Text(kMemoryUnknownKey), {n(use.withNames)});
        case MacroMemoryUse::Fit::Fits:
            return FormatNumbers(host_.Text(kMemoryUseKey), {n(use.withNames), n(use.capacity)});
        case MacroMemoryUse::Fit::NamesLeftOut:
            return FormatNumbers(host_.Text(kMemoryNoNamesKey), {n(use.withoutNames), n(use.capacity)});
        case MacroMemoryUse::Fit::TooLarge:
            return FormatNumbers(host_.Text(kMemoryOverKey), {n(use.withoutNames - use.capacity)});
    }
    return L"";
}

bool CMacroPageView::OnCommand(int id, int code) {
    switch (id) {
        case IDC_MACRO_LIST:
            if (quiet_) return true;
            if (code == CBN_SELCHANGE) {
                const int index = names_.Selected();
                if (index >= 0 && index != page_.Current()) SelectMacro(index);
            } else if (code == CBN_EDITCHANGE) {
                RenameFromField();
            }
            return true;
        case IDC_REPEAT:
            if (code == EN_CHANGE && !quiet_) RepeatChanged();
            if (code == EN_KILLFOCUS) CorrectRepeatField();
            return true;
        case IDC_RECORD_DELAYS:
            if (code == BN_CLICKED) {
                recordDelays_ = delays_.IsChecked();
                host_.SaveRecordDelays(recordDelays_);
            }
            return true;
        default:
            break;
    }
    if (code != BN_CLICKED) return false;
    switch (id) {
        case IDC_MACRO_ADD: AddMacro(); return true;
        case IDC_MACRO_DELETE: DeleteMacro(); return true;
        case IDC_RECORD:
            if (IsRecording())
                StopRecording();
            else
                StartRecording();
            return true;
        case IDC_ACTION_DELETE: DeleteAction(); return true;
        case IDC_ACTION_CLEAR: ClearActions(); return true;
        case IDC_ACTION_TOP: Move(MoveTarget::Top); return true;
        case IDC_ACTION_UP: Move(MoveTarget::Up); return true;
        case IDC_ACTION_DOWN: Move(MoveTarget::Down); return true;
        case IDC_ACTION_BOTTOM: Move(MoveTarget::Bottom); return true;
        default: return false;
    }
}

bool CMacroPageView::OnNotify(const NMHDR& header) {
    if (header.hwndFrom != actions_.GetSafeHwnd()) return false;
    if (header.code == LVN_KEYDOWN) {
        const auto& key = reinterpret_cast<const NMLVKEYDOWN&>(header);
        if (key.wVKey == VK_DELETE) DeleteAction();
    }
    return true;
}

void CMacroPageView::AddMacro() {
    actions_.EndEdit(true);  // into the macro it was begun on
    const std::optional<int> added = page_.AddMacro(Utf16FromWide(host_.Text(kMacroNewPrefixKey)));
    if (!added) {
        host_.Ask(FormatNumbers(host_.Text(kMacroErrMaxKey), {static_cast<long long>(kMaxMacros)}),
                  MB_OK | MB_ICONWARNING);
        return;
    }
    quiet_ = true;
    listedNames_.push_back(WideFromUtf16(page_.Items()[static_cast<size_t>(*added)].Name()));
    names_.AddItem(listedNames_.back());
    quiet_ = false;
    SelectMacro(*added);
    Changed();
}

void CMacroPageView::DeleteMacro() {
    actions_.EndEdit(true);  // into the macro it was begun on, before that one goes or another is shown
    const int index = page_.Current();
    if (index < 0) return;
    bool ask = false;
    {
        ProfileData& data = host_.Data();
        std::lock_guard<std::mutex> hold(data.lock);
        ask = page_.DeleteNeedsConfirmation(data.content.Table());
    }
    if (ask && host_.Ask(host_.Text(kDeleteBoundMacroKey), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
    page_.DeleteMacro();
    quiet_ = true;
    names_.DeleteItem(index);
    if (index < static_cast<int>(listedNames_.size())) listedNames_.erase(listedNames_.begin() + index);
    if (page_.Current() < 0) names_.SetText(L"");
    quiet_ = false;
    SelectMacro(page_.Current());
    if (page_.Current() < 0) {
        actions_.SetRowCount(0);
        UpdateButtons();
    }
    Changed();
}

void CMacroPageView::RenameFromField() {
    const std::wstring typed = names_.Text();
    const bool created = page_.Rename(Utf16FromWide(typed));
    if (created) {
        HWND edit = names_.EditWindow();
        DWORD start = 0, end = 0;
        if (edit) SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        quiet_ = true;
        listedNames_.push_back(WideFromUtf16(page_.Items()[0].Name()));
        names_.AddItem(listedNames_.back());
        names_.Select(0);
        names_.SetText(typed);
        if (edit) SendMessageW(edit, EM_SETSEL, start, end);
        widgets::SetTextIfChanged(repeat_.GetSafeHwnd(), L"1");
        quiet_ = false;
        LoadRows(-1);
        UpdateButtons();
    } else if (page_.Current() >= 0) {
        const std::wstring name = WideFromUtf16(page_.CurrentMacro()->Name());
        names_.SetItemText(page_.Current(), name);
        if (page_.Current() < static_cast<int>(listedNames_.size()))
            listedNames_[static_cast<std::size_t>(page_.Current())] = name;
    }
    Changed();
}

void CMacroPageView::RepeatChanged() {
    // The macro takes the bounded number at once; the field keeps what is typed until it is left, so
    // that emptying it to type another number does not put a 1 in front of the digits.
    (void)page_.SetRepeat(WindowText(repeat_.GetSafeHwnd()));
    host_.PageModified();
}

void CMacroPageView::CorrectRepeatField() {
    HWND edit = repeat_.GetSafeHwnd();
    const std::wstring typed = WindowText(edit);
    // The text set without a change notice (by a program) counts too.
    if (const MacroRecord* m = page_.CurrentMacro(); m && m->repeat != ParseRepeatCount(typed)) RepeatChanged();
    const std::wstring corrected = std::to_wstring(ParseRepeatCount(typed));
    if (typed == corrected) return;
    quiet_ = true;
    widgets::SetTextIfChanged(edit, corrected);
    SendMessageW(edit, EM_SETSEL, corrected.size(), corrected.size());
    quiet_ = false;
}

void CMacroPageView::DeleteAction() {
    if (IsRecording()) return;
    const int row = actions_.SelectedRow();
    if (!page_.DeleteAction(row)) return;
    LoadRows(std::min(row, page_.ActionCount() - 1));
    Changed();
}

void CMacroPageView::ClearActions() {
    if (IsRecording() || page_.ActionCount() == 0) return;
    if (host_.Ask(host_.Text(kClearActionsKey), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
    page_.ClearActions();
    LoadRows(-1);
    Changed();
}

void CMacroPageView::Move(MoveTarget target) {
    if (IsRecording()) return;
    const int to = page_.MoveAction(actions_.SelectedRow(), target);
    if (to < 0) return;
    LoadRows(to);
    SetFocus(actions_.GetSafeHwnd());
    Changed();
}

void CMacroPageView::Undo() {
    if (IsRecording() || !page_.CanUndo()) return;
    actions_.EndEdit(false);
    const int index = page_.Undo();
    if (index < 0) return;
    if (index != names_.Selected()) SelectMacro(index);
    LoadRows(-1);
    Changed();
}

void CMacroPageView::StartRecording() {
    if (IsRecording() || !page_.CurrentMacro()) return;
    actions_.EndEdit(true);
    page_.MarkUndo();
    recorder_.Start(*this);
    record_.SetChecked(true, false);
    widgets::SetTextIfChanged(record_.GetSafeHwnd(), host_.Text("MACRO_ACTION_STOP_RECORD"));
    UpdateButtons();
}

void CMacroPageView::StopRecording() {
    const bool was = IsRecording();
    recorder_.Stop();
    if (!was) return;
    record_.SetChecked(false, false);
    widgets::SetTextIfChanged(record_.GetSafeHwnd(), host_.Text("MACRO_ACTION_RECORD"));
    UpdateButtons();
}

void CMacroPageView::OnRecorded(const RecordedAction& action) {
    const int row = page_.AddAction(actions_.SelectedRow(), action.delay, action.key, action.direction, true,
                                    recordDelays_);
    if (row < 0) return;  // the 2001st action is dropped
    LoadRows(row);
    Changed();
}

std::wstring CMacroPageView::CellText(int row, int column) const {
    const MacroAction* a = page_.Action(row);
    if (!a) return L"";
    switch (column) {
        case 0: return NameOfKey(a->key, host_);
        case 1: return a->direction == kDirectionRelease ? kReleaseText : kPressText;
        default: return std::to_wstring(a->delay);
    }
}

bool CMacroPageView::CellDim(int, int column) const { return column < 2; }

widgets::CellEditor CMacroPageView::BeginCellEdit(int row, int column) {
    widgets::CellEditor editor;
    const MacroAction* a = page_.Action(row);
    if (!a) return editor;
    switch (column) {
        case 0: {
            editor.kind = widgets::CellEditKind::Choice;
            editor.choices.reserve(kKeyPickerEntries);
            for (int c = 0; c < kKeyPickerEntries; ++c) editor.choices.push_back(ListName(static_cast<uint16_t>(c)));
            const uint16_t position = ListPositionOf(a->key);
            editor.selected = position < kKeyPickerEntries ? position : -1;
            break;
        }
        case 1:
            editor.kind = widgets::CellEditKind::Choice;
            editor.choices = {kPressText, kReleaseText};
            editor.selected = a->direction == kDirectionRelease ? 1 : 0;
            break;
        case 2:
            // Editing a pause while recording would race the recorder's pauses.
            StopRecording();
            editor.kind = widgets::CellEditKind::Text;
            editor.text = std::to_wstring(a->delay);
            editor.maxChars = kDelayCellChars;
            break;
        default:
            host_.Ask(host_.Text(kCellNotEditableKey), MB_OK | MB_ICONINFORMATION);
            break;
    }
    return editor;
}

void CMacroPageView::EndCellEdit(int row, int column, const std::wstring& text, int choice) {
    bool changed = false;
    switch (column) {
        case 0: changed = choice >= 0 && page_.SetActionKey(row, static_cast<uint16_t>(choice)); break;
        case 1: changed = page_.SetActionDirection(row, static_cast<uint16_t>(choice)); break;
        case 2: {
            const DelayInput in = ParseDelayInput(text);
            if (in.overLimit)
                host_.Ask(FormatNumbers(host_.Text(kDelayMaxKey), {static_cast<long long>(kMaxActionDelay)}),
                          MB_OK | MB_ICONWARNING);
            changed = page_.SetActionDelay(row, in.delay);
            break;
        }
        default: break;
    }
    if (!changed) return;
    actions_.RedrawRow(row);
    Changed();
}

}  // namespace kv
