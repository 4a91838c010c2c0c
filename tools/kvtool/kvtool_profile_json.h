// Profile data as readable JSON for kvtool dump and build: per profile the assigned keys by name with
// their assignment, the macros with their actions, the texts. Building from a dump gives the same file.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "macros/profile_data.h"

namespace kv::tool {

[[nodiscard]] nlohmann::ordered_json ProfileToJson(const ProfileContent& content);
// False with a message naming the element (e.g. "macros[2].actions[0].delay: ...") when the JSON does not
// describe profile data.
[[nodiscard]] bool ProfileFromJson(const nlohmann::json& json, ProfileContent& out, std::string& error);

}  // namespace kv::tool
