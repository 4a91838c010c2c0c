// First-run seeding of the user folder: when U does not exist, create it and give it the three profile
// settings files, each a byte-for-byte copy of the shipped template for profile number 3.
#pragma once

#include "app/program_paths.h"

namespace kv {

enum class SeedResult {
    AlreadyThere,  // U existed: nothing copied
    Seeded,        // U created (or creation attempted) and the three copies written
};

// Failures to create the folder or a copy are not reported: they show up where the files are used.
SeedResult SeedUserFolder(const UserPaths& user, const ProgramPaths& program);

}  // namespace kv
