#include "macros/macro_page.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "macros/macro_list_apply.h"

namespace kv {
namespace {

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// Leading blanks, an optional sign, then digits; the value saturates at `cap`. Anything after the digits
// is ignored, as the platform's own conversion does.
struct ParsedNumber {
    bool negative = false;
    unsigned long long value = 0;
    bool digits = false;
};
ParsedNumber ParseDecimal(std::wstring_view text, unsigned long long cap) {
    ParsedNumber p;
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) p.negative = text[i++] == L'-';
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        p.digits = true;
        p.value = std::min(cap, p.value * 10 + static_cast<unsigned>(text[i] - L'0'));
    }
    return p;
}

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

bool BeginsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (FoldAscii(text[i]) != FoldAscii(prefix[i])) return false;
    return true;
}

std::u16string NumberedName(std::u16string_view prefix, int n) {
    std::u16string name(prefix);
    for (char c : std::to_string(n)) name += static_cast<char16_t>(c);
    return name;
}

}  // namespace

DelayInput ParseDelayInput(std::wstring_view text) {
    const ParsedNumber p = ParseDecimal(text, 1ull << 40);
    DelayInput in;
    // An unsigned reading of negative input wraps to a huge number: it is over the limit too.
    if ((p.negative && p.value != 0) || p.value > kMaxActionDelay) {
        in.overLimit = true;
        in.delay = kMaxActionDelay;
    } else {
        in.delay = static_cast<uint32_t>(p.value);
    }
    in.delay -= in.delay % kDelayStep;
    return in;
}

int ParseRepeatCount(std::wstring_view text) {
    const ParsedNumber p = ParseDecimal(text, 1ull << 40);
    if (p.negative || p.value < static_cast<unsigned>(kMinRepeat)) return kMinRepeat;
    if (p.value > static_cast<unsigned>(kMaxRepeat)) return kMaxRepeat;
    return static_cast<int>(p.value);
}

MacroPageControls EnabledControls(bool recording, bool haveMacro) {
    MacroPageControls c;
    c.addMacro = !recording;
    c.macroList = !recording;
    c.deleteMacro = !recording && haveMacro;
    c.record = haveMacro;
    c.editActions = !recording && haveMacro;
    c.repeat = !recording && haveMacro;
    return c;
}

MacroMemoryUse MeasureMacroMemory(const std::vector<MacroRecord>& macros, std::size_t capacity) {
    const MacroAreaLengths lengths = MeasureMacroArea(macros);
    MacroMemoryUse use;
    use.withNames = lengths.withNames;
    use.withoutNames = lengths.withoutNames;
    use.capacity = capacity;
    if (capacity == 0)
        use.fit = MacroMemoryUse::Fit::Unknown;
    else if (capacity >= lengths.withNames)
        use.fit = MacroMemoryUse::Fit::Fits;
    else if (capacity >= lengths.withoutNames)
        use.fit = MacroMemoryUse::Fit::NamesLeftOut;
    else
        use.fit = MacroMemoryUse::Fit::TooLarge;
    return use;
}

int& MacroNameCounter() {
    static int counter = 0;
    return counter;
}

MacroPage::MacroPage(int& nameCounter, std::function<void(unsigned ms)> pause)
    : nameCounter_(nameCounter), pause_(std::move(pause)) {
    if (!pause_) pause_ = [](unsigned ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
}

void MacroPage::Fill(std::vector<MacroRecord> macros) {
    items_ = std::move(macros);
    if (items_.size() > kMaxMacros) items_.resize(kMaxMacros);
    for (MacroRecord& m : items_) {
        m.isNew = 0;
        m.actionCount = static_cast<uint16_t>(std::min<std::size_t>(m.actionCount, kMacroMaxActions));
    }
    current_ = -1;
    modified_ = false;
    undo_.clear();
}

const MacroRecord* MacroPage::CurrentMacro() const {
    return current_ >= 0 && current_ < static_cast<int>(items_.size()) ? &items_[static_cast<size_t>(current_)]
                                                                        : nullptr;
}

MacroRecord* MacroPage::Cur() { return const_cast<MacroRecord*>(CurrentMacro()); }

int MacroPage::IndexOfId(uint32_t id) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].id == id) return static_cast<int>(i);
    return -1;
}

bool MacroPage::Select(int index) {
    if (index < -1 || index >= static_cast<int>(items_.size())) return false;
    current_ = index;
    return true;
}

std::optional<int> MacroPage::AddMacro(std::u16string_view prefix) {
    if (items_.size() >= kMaxMacros) return std::nullopt;
    if (items_.empty()) nameCounter_ = 0;
    ++nameCounter_;
    std::u16string name = NumberedName(prefix, nameCounter_);
    for (;;) {
        const bool taken = std::any_of(items_.begin(), items_.end(), [&](const MacroRecord& m) {
            return BeginsWithIgnoringCase(m.Name(), name);
        });
        if (!taken) break;
        pause_(kNameSkipPauseMs);
        ++nameCounter_;
        name = NumberedName(prefix, nameCounter_);
    }
    items_.push_back(NewMacro(name, LowestFreeMacroId(items_)));
    current_ = static_cast<int>(items_.size()) - 1;
    Touch();
    return current_;
}

bool MacroPage::Rename(std::u16string_view text) {
    if (MacroRecord* m = Cur()) {
        m->SetName(text);
        Touch();
        return false;
    }
    if (!items_.empty() || text.empty()) return false;
    items_.push_back(NewMacro(text, LowestFreeMacroId(items_)));
    current_ = 0;
    Touch();
    return true;
}

bool MacroPage::DeleteNeedsConfirmation(ConstAssignmentTable table) const {
    const MacroRecord* m = CurrentMacro();
    if (!m || m->isNew != 0) return false;
    for (std::size_t section = 0; section < kSectionCount; ++section)
        for (std::size_t k = 0; k < kSlotsPerSection; ++k) {
            const KeySlot slot = ReadSlot(table, section, k);
            if (slot.type == ASSIGN_MACRO && slot.value == m->id) return true;
        }
    return false;
}

void MacroPage::DeleteMacro() {
    if (!CurrentMacro()) return;
    const uint16_t id = items_[static_cast<size_t>(current_)].id;
    // Its identifier may be handed out again: its saved action lists must not reach another macro.
    undo_.erase(std::remove_if(undo_.begin(), undo_.end(), [id](const UndoEntry& e) { return e.id == id; }),
                undo_.end());
    items_.erase(items_.begin() + current_);
    current_ = items_.empty() ? -1 : std::max(0, current_ - 1);
    Touch();
}

int MacroPage::ActionCount() const {
    const MacroRecord* m = CurrentMacro();
    return m ? m->actionCount : 0;
}

const MacroAction* MacroPage::Action(int row) const {
    const MacroRecord* m = CurrentMacro();
    if (!m || row < 0 || row >= m->actionCount) return nullptr;
    return &m->actions[static_cast<size_t>(row)];
}

int MacroPage::AddAction(int selectedRow, uint32_t delay, KeyCode key, uint16_t direction, bool recorded,
                         bool recordDelays) {
    MacroRecord* m = Cur();
    if (!m || m->actionCount >= kMacroMaxActions) return -1;
    if (!recorded) MarkUndo();  // a recording saved the list once when it started
    if (direction > 1) direction = kDirectionPress;
    if (recorded && !recordDelays) delay = kUnrecordedDelay;
    // The keyboard keeps 12 bits of 10 ms: a longer pause would play wrapped round (41 s as 40 ms).
    delay = std::min(delay, kMaxActionDelay);
    const int count = m->actionCount;
    const int position = (selectedRow >= 0 && selectedRow < count) ? selectedRow + 1 : count;
    MacroAction added{0, key, direction};
    if (position > 0) {
        // Every row holds the pause after it: the row above takes the new pause, the new row the old one.
        MacroAction& above = m->actions[static_cast<size_t>(position - 1)];
        added.delay = above.delay;
        above.delay = delay;
    }
    std::copy_backward(m->actions.begin() + position, m->actions.begin() + count, m->actions.begin() + count + 1);
    m->actions[static_cast<size_t>(position)] = added;
    ++m->actionCount;
    Touch();
    return position;
}

bool MacroPage::DeleteAction(int row) {
    MacroRecord* m = Cur();
    if (!m || row < 0 || row >= m->actionCount) return false;
    MarkUndo();
    std::copy(m->actions.begin() + row + 1, m->actions.begin() + m->actionCount, m->actions.begin() + row);
    --m->actionCount;
    m->actions[m->actionCount] = MacroAction{};
    Touch();
    return true;
}

bool MacroPage::ClearActions() {
    MacroRecord* m = Cur();
    if (!m || m->actionCount == 0) return false;
    MarkUndo();
    std::fill(m->actions.begin(), m->actions.begin() + m->actionCount, MacroAction{});
    m->actionCount = 0;
    Touch();
    return true;
}

int MacroPage::MoveAction(int row, MoveTarget target) {
    MacroRecord* m = Cur();
    if (!m || row < 0 || row >= m->actionCount) return -1;
    const int last = m->actionCount - 1;
    int to = row;
    switch (target) {
        case MoveTarget::Top: to = 0; break;
        case MoveTarget::Up: to = std::max(0, row - 1); break;
        case MoveTarget::Down: to = std::min(last, row + 1); break;
        case MoveTarget::Bottom: to = last; break;
    }
    if (to == row) return -1;
    MarkUndo();
    auto first = m->actions.begin();
    if (to < row)
        std::rotate(first + to, first + row, first + row + 1);
    else
        std::rotate(first + row, first + row + 1, first + to + 1);
    Touch();
    return to;
}

bool MacroPage::SetActionDelay(int row, uint32_t delay) {
    MacroRecord* m = Cur();
    if (!m || row < 0 || row >= m->actionCount) return false;
    MarkUndo();
    m->actions[static_cast<size_t>(row)].delay = std::min(delay, kMaxActionDelay);
    Touch();
    return true;
}

bool MacroPage::SetActionKey(int row, uint16_t listPosition) {
    MacroRecord* m = Cur();
    const KeyCode key = KeyCodeAtListPosition(listPosition);
    if (!m || row < 0 || row >= m->actionCount || key == kNoKey) return false;
    MarkUndo();
    m->actions[static_cast<size_t>(row)].key = key;
    Touch();
    return true;
}

bool MacroPage::SetActionDirection(int row, uint16_t direction) {
    MacroRecord* m = Cur();
    if (!m || row < 0 || row >= m->actionCount || direction > 1) return false;
    MarkUndo();
    m->actions[static_cast<size_t>(row)].direction = direction;
    Touch();
    return true;
}

int MacroPage::SetRepeat(std::wstring_view text) {
    const int repeat = ParseRepeatCount(text);
    if (MacroRecord* m = Cur()) {
        if (m->repeat != repeat) Touch();
        m->repeat = static_cast<uint8_t>(repeat);
    }
    return repeat;
}

void MacroPage::MarkApplied() {
    for (MacroRecord& m : items_) m.isNew = 0;
    modified_ = false;
}

void MacroPage::MarkUndo() {
    const MacroRecord* m = CurrentMacro();
    if (!m) return;
    if (undo_.size() >= kUndoDepth) undo_.erase(undo_.begin());
    undo_.push_back({m->id, std::vector<MacroAction>(m->actions.begin(), m->actions.begin() + m->actionCount)});
}

int MacroPage::Undo() {
    while (!undo_.empty()) {
        UndoEntry entry = std::move(undo_.back());
        undo_.pop_back();
        const int index = IndexOfId(entry.id);
        if (index < 0) continue;
        MacroRecord& m = items_[static_cast<size_t>(index)];
        std::fill(m.actions.begin(), m.actions.end(), MacroAction{});
        std::copy(entry.actions.begin(), entry.actions.end(), m.actions.begin());
        m.actionCount = static_cast<uint16_t>(entry.actions.size());
        current_ = index;
        Touch();
        return index;
    }
    return -1;
}

}  // namespace kv
