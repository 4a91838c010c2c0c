// Reading and writing the profile data file, as the working file "$Profile0" in the user folder and as
// exported ".kvp" files. Nothing here shows a message: results say which message applies.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "macros/profile_data.h"

namespace kv {

// Validate's results.
inline constexpr int kValidateOk = 1;
inline constexpr int kValidateInvalid = 0;
inline constexpr int kValidateCannotOpen = 254;
inline constexpr int kValidateNoMemory = 253;

struct ValidateResult {
    int code = kValidateInvalid;
    bool showFormatError = false;  // "PROFILE_FORMAT_ERROR" formatted with the path applies
    std::string reason;            // one line in English: which field or bound failed
};

[[nodiscard]] ValidateResult ValidateProfileBytes(std::span<const uint8_t> bytes);
[[nodiscard]] ValidateResult ValidateProfileFile(const std::filesystem::path& path);

enum class LoadResult {
    Loaded,
    Missing,    // no such file or it does not open: the content became the default block
    Malformed,  // the bytes fail a bound: the content is left unchanged
};

// Parses a whole file's bytes. Every count and offset is bounded by the bytes' real length; a string
// offset outside the string area or a string without its terminator inside the area reads as empty text.
[[nodiscard]] bool ParseProfileBytes(std::span<const uint8_t> bytes, ProfileContent& out, std::string* reason = nullptr);
// The file's bytes for the content: header for its macros and texts, flag 0, texts packed in slot order.
[[nodiscard]] std::vector<uint8_t> SerializeProfile(const ProfileContent& content);

// Under the ProfileData lock.
[[nodiscard]] LoadResult LoadProfileFile(const std::filesystem::path& path, ProfileData& data, std::string* reason = nullptr);
// Under the ProfileData lock. The new content is written beside the file and replaces it in one step.
[[nodiscard]] bool SaveProfileFile(const std::filesystem::path& path, ProfileData& data);
// The working file is saved only when it already exists.
[[nodiscard]] bool SaveWorkingProfileFile(const std::filesystem::path& path, ProfileData& data);
// A 32832-byte file of the default block: no macros, no strings, the G-key tags of section 0.
[[nodiscard]] bool CreateDefaultProfileFile(const std::filesystem::path& path);

// Whole-file helpers. WriteFileReplacing writes a sibling file, flushes it to the disk and renames it over
// the target, so a crash leaves either the old or the new file (one file per side: *_win.cpp, *_posix.cpp).
[[nodiscard]] bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& out, bool* couldOpen = nullptr);
[[nodiscard]] bool WriteFileReplacing(const std::filesystem::path& path, std::span<const uint8_t> bytes);
// Creates the file with these bytes only when no file of that name exists: an existing file is never
// replaced. False when it existed or could not be written.
[[nodiscard]] bool WriteNewFile(const std::filesystem::path& path, std::span<const uint8_t> bytes);

}  // namespace kv
