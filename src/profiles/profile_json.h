// Profile data as readable JSON (kvtool dump and build, and the program's export and import as JSON): per
// profile the assigned keys by name with their assignment, the macros with their actions, the texts.
// Building from a dump gives the same file. Nothing here throws.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "macros/profile_data.h"

namespace kv {

[[nodiscard]] nlohmann::ordered_json ProfileToJson(const ProfileContent& content);
// False with a message naming the element (e.g. "macros[2].actions[0].delay: ...") when the JSON does not
// describe profile data.
[[nodiscard]] bool ProfileFromJson(const nlohmann::json& json, ProfileContent& out, std::string& error);

// The same from and to text: two-space indentation; a text that is not valid JSON is refused with the
// parser's message.
[[nodiscard]] std::string ProfileJsonText(const ProfileContent& content);
[[nodiscard]] bool ProfileFromJsonText(std::string_view text, ProfileContent& out, std::string& error);

}  // namespace kv
