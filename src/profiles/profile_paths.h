// Where the working profile data file lives: "$Profile0" in the user folder.
#pragma once

#include <filesystem>

namespace kv {

// The user folder is seeded first (EnsureUserFolder) whenever the path is formed, as the program does.
[[nodiscard]] std::filesystem::path WorkingProfilePath(const std::filesystem::path& userFolder,
                                                       const std::filesystem::path& templatePath);
// The path alone, without touching the disk.
[[nodiscard]] std::filesystem::path WorkingProfileFileName(const std::filesystem::path& userFolder);

}  // namespace kv
