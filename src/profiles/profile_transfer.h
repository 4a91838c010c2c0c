// The two whole-data moves the program makes: importing a profile data file (validate, load, save as the
// working file, write everything to the keyboard) and refreshing the working data from the keyboard when
// it is attached. Both run on a worker thread and return what the window should say.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "keys/assignment_action_code.h"
#include "macros/keyboard_data_link.h"
#include "macros/profile_data.h"
#include "macros/profile_write.h"
#include "profiles/profile_file.h"

namespace kv {

inline constexpr char kMessageProfileFormatError[] = "PROFILE_FORMAT_ERROR";  // formatted with the path
inline constexpr char kMessageImportFailed[] = "MAIN_PROMPT_INPORT";

struct ImportOutcome {
    ValidateResult validation;  // showFormatError: "PROFILE_FORMAT_ERROR" with the path comes first
    bool imported = false;      // the working data now holds the file's content
    ProfileWriteOutcome write;  // the write of all three profiles and the macro area
    // Every report of that write succeeded (begin, each macro chunk, each key table, end): the keyboard holds
    // the imported data. Otherwise it stays unapplied in the working data, as the user's edits.
    bool applied = false;
    // Language keys of the messages to show, in order (null when none).
    const char* firstMessage = nullptr;
    const char* secondMessage = nullptr;
};

// Reads and validates the file, a profile data file or its JSON form by its bytes (ReadProfileForImport);
// when not valid, nothing changes and the messages are "PROFILE_FORMAT_ERROR" (bad header or JSON) and
// "MAIN_PROMPT_INPORT". Otherwise the file replaces the working data, is saved as the working file and is
// written to the keyboard (all three profiles). capacity: the keyboard's macro area in bytes; when it is not
// known nothing is written (the macros could not be measured against it).
[[nodiscard]] ImportOutcome ImportProfileFile(const std::filesystem::path& path, const std::filesystem::path& workingFile,
                                              ProfileData& data, ProfileDataSnapshot& snapshot, KeyboardDataLink& link,
                                              std::optional<std::size_t> capacity, const KeyTableBlock& defaults);

// Reads the keyboard into the working file and loads it; the working data then came from the keyboard.
// When the keyboard cannot be read, the working file is left as it is and the working data becomes the
// key tables that were read (when only the macro area failed) or the default block, with no macros; it did
// not come from the keyboard, so a later write reads it again first (keyboard_write_gate.h). When only the
// file cannot be written, the working data still takes what was read. Returns the read's result.
[[nodiscard]] int RefreshFromKeyboard(KeyboardDataLink& link, const KeyTableBlock& defaults, std::u16string_view namePrefix,
                                      const std::filesystem::path& workingFile, ProfileData& data);

}  // namespace kv
