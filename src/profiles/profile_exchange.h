// Export and import of whole profile data sets in either of two forms: the profile data file (".kvp", and
// any other name) and its readable JSON form (".json", the form of kvtool dump and build). Export writes the
// form the extension names; reading tells the two apart by the file's own bytes, so a file keeps working
// whatever it was renamed to. Both go through the same validation before anything changes.
#pragma once

#include <filesystem>

#include "macros/profile_data.h"
#include "profiles/profile_file.h"

namespace kv {

enum class ProfileFileKind { Binary, Json };

// ".json" in any letter case is JSON; everything else is the profile data file.
[[nodiscard]] ProfileFileKind ProfileFileKindOf(const std::filesystem::path& path);
// The form the file's first bytes show: the profile data file's magic "FD", or "{" after blanks and a UTF-8
// byte order mark for JSON. A file that shows neither, or cannot be read, is taken by its extension.
[[nodiscard]] ProfileFileKind ProfileFileKindOfContent(const std::filesystem::path& path);

// Reads a profile file of either form (ProfileFileKindOfContent) as an import does. The result is Validate's: kValidateOk with the content in `out`;
// otherwise `out` is untouched. A missing file, a file too short to hold a header and a file that cannot
// be read are not format errors; every other refusal is (showFormatError), JSON that does not describe
// profile data included.
[[nodiscard]] ValidateResult ReadProfileForImport(const std::filesystem::path& path, ProfileContent& out);

// Writes the working data to the path in the form its extension names; the profile data file through Save
// (the table in memory follows what was written), JSON from a copy taken under the lock. The file is
// replaced in one step; false when it could not be written.
[[nodiscard]] bool ExportProfile(const std::filesystem::path& path, ProfileData& data);

}  // namespace kv
