// Where the virtual keyboard keeps its memory between runs, and how the file is read and written.
#pragma once

#include <filesystem>
#include <string>

#include "virtual/keyboard_memory.h"

namespace qvx {

// KELVANE_VK_STATE when set; otherwise "virtual-keyboard.state" in the user's data folder
// (%LOCALAPPDATA%\Kelvane on Windows, $XDG_DATA_HOME/kelvane or ~/.local/share/kelvane natively).
[[nodiscard]] std::filesystem::path StatePath();

// False when the file is missing, short or damaged; out is then left as it was.
[[nodiscard]] bool LoadState(const std::filesystem::path& path, KeyboardMemory& out, std::string& note);

// Writes a temporary file beside the target and renames it over the target, so a crash leaves either
// the old or the new state, never a half-written one.
[[nodiscard]] bool SaveState(const std::filesystem::path& path, const KeyboardMemory& memory, std::string& error);

}  // namespace qvx
