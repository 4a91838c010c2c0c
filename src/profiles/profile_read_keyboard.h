// Reading the keyboard's three key tables and its macro area into profile data.
#pragma once

#include <filesystem>
#include <string>

#include "keys/assignment_action_code.h"
#include "macros/keyboard_data_link.h"
#include "macros/profile_data.h"

namespace kv {

// Fills `out` (its old content dropped) with the default block's header and identification, each profile's
// decoded key table, an empty fourth section and the macros decoded from the area. Returns the command
// result: kResultSuccess, or the failing read's result with `out` untouched. namePrefix names macros that
// come without a name ("MACRO_NEW_PREFIX").
[[nodiscard]] int ReadKeyboardIntoContent(KeyboardDataLink& link, const KeyTableBlock& defaults,
                                          std::u16string_view namePrefix, ProfileContent& out);

// The same, keeping what could be read: when the three key tables were read but the macro area was not,
// `out` holds the key tables with no macros and keyTablesRead is set; when a key table fails, `out` is
// untouched.
struct KeyboardRead {
    int result = 0;              // kResultSuccess when everything was read, else the failing read's result
    bool keyTablesRead = false;  // `out` holds the keyboard's three key tables
};
[[nodiscard]] KeyboardRead ReadKeyboardParts(KeyboardDataLink& link, const KeyTableBlock& defaults,
                                             std::u16string_view namePrefix, ProfileContent& out);

// The same, then written as a profile data file at path. kResultSuccess only when the file was written too.
[[nodiscard]] int ReadKeyboardIntoFile(KeyboardDataLink& link, const KeyTableBlock& defaults,
                                       std::u16string_view namePrefix, const std::filesystem::path& path);

}  // namespace kv
