// Formats the "UNKNOWN_KEY" language text with a key code. The text comes from a file the user can edit,
// so it is treated as data: only the first integer directive (%d, %i, %u, %x, %X, %o, with flags, width,
// precision and length) takes the number, "%%" gives "%", and everything else, including %s, %n and any
// further directive, is copied as it stands.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

inline constexpr int kMaxFormatWidth = 260;  // longer widths or precisions are cut to this

[[nodiscard]] std::wstring FormatKeyCodeText(std::wstring_view format, uint16_t code);

}  // namespace kv
