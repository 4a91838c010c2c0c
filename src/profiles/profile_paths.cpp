#include "profiles/profile_paths.h"

#include "profiles/profile_settings.h"

namespace kv {

std::filesystem::path WorkingProfileFileName(const std::filesystem::path& userFolder) {
    return userFolder / "$Profile0";
}

std::filesystem::path WorkingProfilePath(const std::filesystem::path& userFolder, const std::filesystem::path& templatePath) {
    EnsureUserFolder(userFolder, templatePath);
    return WorkingProfileFileName(userFolder);
}

}  // namespace kv
