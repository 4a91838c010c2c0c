// First-run seeding of the user folder U from the program's paths: the one seeding of the profile settings
// (EnsureUserFolder) on U and the template for profile number 3.
#pragma once

#include "app/program_paths.h"

namespace kv {

enum class SeedResult {
    AlreadyThere,  // U existed: nothing copied
    Seeded,        // U created and each missing profile file given the template
    Unknown,       // whether U exists could not be told, or U could not be made: nothing touched
};

// Failures to create the folder or a copy are not reported: they show up where the files are used.
SeedResult SeedUserFolder(const UserPaths& user, const ProgramPaths& program);

}  // namespace kv
