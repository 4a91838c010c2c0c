// Key and macro edits that were not applied when the program had to end (the session ended, or the program
// was told to end): they are kept in the working file, and a mark beside it says that the file holds edits
// the keyboard does not have, so that the next start takes them up again instead of the keyboard's data.
#pragma once

#include <filesystem>
#include <string>

#include "keys/assignment_action_code.h"
#include "macros/keyboard_data_link.h"
#include "macros/profile_data.h"

namespace kv {

// The mark: the working file's name with ".unapplied" added, in the same folder.
[[nodiscard]] std::filesystem::path KeptEditsMarkPath(const std::filesystem::path& workingFile);

// Saves the working data as the working file, then sets the mark. False when either could not be written;
// no mark is left then.
[[nodiscard]] bool KeepEdits(const std::filesystem::path& workingFile, ProfileData& data);
[[nodiscard]] bool HasKeptEdits(const std::filesystem::path& workingFile);
// The edits were applied or dropped: the mark goes.
void ForgetKeptEdits(const std::filesystem::path& workingFile);

// On the attach after a start: when the mark is set, the working file's edits become the working data (as
// data the keyboard held, with edits on it), and the keyboard is read into the working file alone, so that
// dropping the edits later goes back to what the keyboard holds; the mark goes once that read succeeded
// (until then the working file is the only copy of the edits). False, with the working data untouched,
// when there is no mark or the working file does not load (the mark goes then).
[[nodiscard]] bool TakeUpKeptEdits(const std::filesystem::path& workingFile, KeyboardDataLink& link,
                                   const KeyTableBlock& defaults, std::u16string_view namePrefix, ProfileData& data);

}  // namespace kv
