// The macro page's working state: private copies of the profile's macros, the current macro and its
// actions, every editing operation of the page, the limits of delays and repeat counts, an undo of
// action-list edits, and how much of the keyboard's macro memory the macros will take. The window shows
// this state and turns its results into messages; nothing here shows anything. UI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "keys/assignment_table.h"
#include "keys/key_catalogue.h"
#include "macros/macro_area.h"
#include "macros/macro_record.h"

namespace kv {

inline constexpr uint32_t kMaxActionDelay = 40000;  // ms; the keyboard counts delays in 12 bits of 10 ms
inline constexpr uint32_t kDelayStep = 10;
inline constexpr uint32_t kUnrecordedDelay = 50;  // a recorded action's delay when delays are not recorded
inline constexpr uint32_t kReleaseOnlyPressDelay = 2;
inline constexpr int kMinRepeat = 1;
inline constexpr int kMaxRepeat = 255;
inline constexpr unsigned kNameSkipPauseMs = 16;
inline constexpr std::size_t kUndoDepth = 50;

// Language keys of the page's messages.
inline constexpr char kMacroErrMaxKey[] = "MACRO_ERR_MAX";
inline constexpr char kDelayMaxKey[] = "MACRO_ACTION_ERR_DELAY_MAX";
inline constexpr char kCellNotEditableKey[] = "MACRO_ACTION_ERR_MODIFY";
inline constexpr char kDeleteBoundMacroKey[] = "MACRO_DELETE_CONFIRM_OF_KEYS";
inline constexpr char kClearActionsKey[] = "MACRO_ACTION_CLEAR_CONFIRM";
inline constexpr char kMemoryUseKey[] = "MACRO_MEMORY_USE";          // %d of %d bytes
inline constexpr char kMemoryUnknownKey[] = "MACRO_MEMORY_USE_ONLY";  // %d bytes (no keyboard to ask)
inline constexpr char kMemoryNoNamesKey[] = "MACRO_MEMORY_NO_NAMES";  // %d of %d bytes, names left out
inline constexpr char kMemoryOverKey[] = "MACRO_MEMORY_OVER";         // %d bytes too many

// A delay typed into a cell: read as an unsigned decimal number; above 40000 (negative input included)
// it becomes 40000 and the user is told; then rounded down to 10 ms.
struct DelayInput {
    uint32_t delay = 0;
    bool overLimit = false;
};
[[nodiscard]] DelayInput ParseDelayInput(std::wstring_view text);

// A repeat count typed into its field: read as a decimal number, 0 or less becomes 1, 256 or more 255.
[[nodiscard]] int ParseRepeatCount(std::wstring_view text);

// How much of the keyboard's macro memory the macros take, the same measure the write uses.
struct MacroMemoryUse {
    std::size_t withNames = 0;
    std::size_t withoutNames = 0;
    std::size_t capacity = 0;  // 0: not known (no keyboard)
    enum class Fit { Unknown, Fits, NamesLeftOut, TooLarge } fit = Fit::Unknown;
};
[[nodiscard]] MacroMemoryUse MeasureMacroMemory(const std::vector<MacroRecord>& macros, std::size_t capacity);

// Which of the page's controls take input. While recording, every keystroke goes into the macro: the
// controls that change the macro list or the actions, or ask a question first, are disabled (only the
// record button, which stops, is left), so no key typed to answer them ends up in the recording.
struct MacroPageControls {
    bool addMacro = false;
    bool deleteMacro = false;
    bool macroList = false;
    bool record = false;
    bool editActions = false;  // delete, clear and the four moves
    bool repeat = false;
    bool operator==(const MacroPageControls&) const = default;
};
[[nodiscard]] MacroPageControls EnabledControls(bool recording, bool haveMacro);

// The name counter of new macros: process-wide, kept from one opening of the dialog to the next.
[[nodiscard]] int& MacroNameCounter();

enum class MoveTarget { Top, Up, Down, Bottom };

class MacroPage {
public:
    // nameCounter: the process-wide counter (tests pass their own); pause: the short wait between two
    // tries of a new macro's name.
    explicit MacroPage(int& nameCounter, std::function<void(unsigned ms)> pause = {});

    // Fill: copies of the macros with their new-macro flags cleared, no current macro.
    void Fill(std::vector<MacroRecord> macros);
    [[nodiscard]] const std::vector<MacroRecord>& Items() const { return items_; }
    [[nodiscard]] int Current() const { return current_; }
    [[nodiscard]] const MacroRecord* CurrentMacro() const;
    [[nodiscard]] int IndexOfId(uint32_t id) const;  // -1 for none
    // Makes the item current (-1: none); false when out of range.
    bool Select(int index);

    // Add macro: nullopt when 100 macros are listed (the window shows MACRO_ERR_MAX with 100); else the
    // new item's index, now current.
    std::optional<int> AddMacro(std::u16string_view prefix);
    // The text typed into the list's field: renames the current macro, or with an empty list creates one
    // of that name. True when a macro was created.
    bool Rename(std::u16string_view text);
    // Whether deleting the current macro needs the user's confirmation: it is not new and a key slot of
    // the assignment table (any profile section) is bound to it.
    [[nodiscard]] bool DeleteNeedsConfirmation(ConstAssignmentTable table) const;
    // Removes the current macro; the one before it (or the first) becomes current.
    void DeleteMacro();

    // Actions of the current macro.
    [[nodiscard]] int ActionCount() const;
    [[nodiscard]] const MacroAction* Action(int row) const;
    // Adds after selectedRow (-1: at the end); returns the new row, or -1 when the macro is full or there
    // is no current macro. A recorded action takes 50 ms unless delays are recorded; a pause longer than
    // the keyboard can play is cut to the longest one a cell takes.
    int AddAction(int selectedRow, uint32_t delay, KeyCode key, uint16_t direction, bool recorded, bool recordDelays);
    bool DeleteAction(int row);
    bool ClearActions();
    // The row's new index, or -1 when nothing moved.
    int MoveAction(int row, MoveTarget target);
    bool SetActionDelay(int row, uint32_t delay);
    bool SetActionKey(int row, uint16_t listPosition);
    bool SetActionDirection(int row, uint16_t direction);
    // The corrected repeat count written to the current macro.
    int SetRepeat(std::wstring_view text);

    // Undo of action-list edits. MarkUndo saves the current macro's actions before an edit (the page calls
    // it itself; a recording calls it once when it starts, so one undo takes back the whole recording).
    void MarkUndo();
    [[nodiscard]] bool CanUndo() const { return !undo_.empty(); }
    // Restores the last saved actions; the macro they belong to becomes current. The index, or -1.
    int Undo();

    [[nodiscard]] bool Modified() const { return modified_; }
    // After the list was put into the working data: nothing is new any more, nothing is unapplied.
    void MarkApplied();

private:
    struct UndoEntry {
        uint16_t id;
        std::vector<MacroAction> actions;
    };
    MacroRecord* Cur();
    void Touch() { modified_ = true; }

    int& nameCounter_;
    std::function<void(unsigned)> pause_;
    std::vector<MacroRecord> items_;
    int current_ = -1;
    bool modified_ = false;
    std::vector<UndoEntry> undo_;
};

}  // namespace kv
