#include "app/user_folder_seed.h"

#include <filesystem>

#include "profiles/profile_settings.h"

namespace kv {
namespace {

// Paths are kept in Windows form; the native build reads the backslashes as folder separators.
std::filesystem::path OnDisk(std::wstring p) {
#ifndef _WIN32
    for (auto& c : p)
        if (c == L'\\') c = L'/';
#endif
    return std::filesystem::path(p);
}

}  // namespace

SeedResult SeedUserFolder(const UserPaths& user, const ProgramPaths& program) {
    if (user.folder.empty()) return SeedResult::Unknown;
    switch (EnsureUserFolder(OnDisk(user.folder), OnDisk(ProfileSettingsPath(program.templatePrefix, 3)))) {
        case UserFolderState::Existed: return SeedResult::AlreadyThere;
        case UserFolderState::Seeded: return SeedResult::Seeded;
        case UserFolderState::Unknown: break;
    }
    return SeedResult::Unknown;
}

}  // namespace kv
