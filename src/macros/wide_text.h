// UTF-16 (as files and the keyboard keep texts) to and from the program's wide text (UTF-16 on Windows,
// UTF-32 natively). Unpaired surrogates pass through unchanged.
#pragma once

#include <string>
#include <string_view>

namespace kv {

[[nodiscard]] std::wstring WideFromUtf16(std::u16string_view text);
[[nodiscard]] std::u16string Utf16FromWide(std::wstring_view text);

}  // namespace kv
