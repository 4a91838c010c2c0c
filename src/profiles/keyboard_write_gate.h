// Keeping the keyboard's keys and macros from being overwritten by data that never came from it. When
// reading the keyboard fails (at attach, or in the profile manager), the working data stands in with the
// default block, or with the key tables alone when only the macro area failed. Before such data is written,
// the keyboard is read again and the user's edits are carried over onto what it holds; only when it still
// cannot be read does the window ask before replacing everything the keyboard holds.
#pragma once

#include <filesystem>
#include <string>

#include "keys/assignment_action_code.h"
#include "macros/keyboard_data_link.h"
#include "macros/profile_data.h"

namespace kv {

// The language text of the question the window asks (Yes/No, No preselected).
inline constexpr char kMessageKeyboardUnread[] = "MAIN_KEYBOARD_UNREAD_PROMPT";

enum class KeyboardWriteGate {
    Write,     // the working data is what the keyboard holds plus the user's edits: write it
    AskFirst,  // the keyboard still cannot be read (or edits made meanwhile cannot be combined with what it
               // holds): write only when the user agrees to replace the keyboard's keys and macros
};

// Runs on the thread that writes (the main window's), without holding data's lock. When the working data
// came from the keyboard: Write at once, nothing is read. Otherwise reads the keyboard; on success the
// working data becomes what it holds with every slot the user changed since the failed read (and that slot's
// text) taken over, and Write. The user's macros cannot be combined with the keyboard's: when the macro list
// was changed since, AskFirst.
[[nodiscard]] KeyboardWriteGate PrepareKeyboardWrite(KeyboardDataLink& link, const KeyTableBlock& defaults,
                                                     std::u16string_view namePrefix, ProfileData& data);

// The keyboard could not be read at all (its current profile cannot even be asked): the working data
// becomes the default block, which did not come from the keyboard.
void UseDefaultBlockUnread(ProfileData& data);

// Unapplied edits discarded (the profile switch's No): the working file when the working data came from
// the keyboard, else the data the failed read left.
void DiscardEdits(const std::filesystem::path& workingFile, ProfileData& data);

}  // namespace kv
