// The working profile data as the window's profile flows and the profile manager move it: the working
// file, reading the keyboard into it, the profile caption. Main window's thread only.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "keys/assignment_action_code.h"
#include <filesystem>

namespace kv {

// The working profile data file; the user folder is seeded first when it does not exist.
[[nodiscard]] std::filesystem::path WorkingFile();

// Reads the keyboard's key tables and macros into the working file and loads it into the working data;
// when the keyboard's profile or its data cannot be read, the working data becomes the default block.
void ReloadWorkingDataFromKeyboard();

// Drops what was not applied: the working file back into the working data (or, when the working data did
// not come from the keyboard, what the failed read left).
void ReloadWorkingDataFromFile();

// The keyboard's factory key table, which key tables are decoded and encoded against: as read when it was
// attached, else read now, else the one the program knows without a keyboard.
[[nodiscard]] KeyTableBlock KeyboardDefaultKeys();

// The keyboard's macro-area capacity in bytes; the largest the keyboard can state when it cannot be read,
// so a write to a keyboard that does not answer fails as a write rather than as a capacity refusal.
[[nodiscard]] std::size_t ReadKeyboardMacroCapacity();

// The window's caption: the profile file's title (or the default profile name) and "PROFILE_TIP".
void ShowProfileCaption(HWND window);

}  // namespace kv
