#include "macros/wide_text.h"

namespace kv {

std::wstring WideFromUtf16(std::u16string_view s) {
    std::wstring out;
    out.reserve(s.size());
    if constexpr (sizeof(wchar_t) == 2) {
        for (char16_t c : s) out.push_back(static_cast<wchar_t>(c));
    } else {
        for (std::size_t i = 0; i < s.size(); ++i) {
            const char32_t c = s[i];
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
                out.push_back(static_cast<wchar_t>(0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00)));
                ++i;
            } else {
                out.push_back(static_cast<wchar_t>(c));
            }
        }
    }
    return out;
}

std::u16string Utf16FromWide(std::wstring_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (wchar_t w : s) {
        const auto c = static_cast<unsigned long>(w);
        if (sizeof(wchar_t) > 2 && c >= 0x10000 && c <= 0x10FFFF) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

}  // namespace kv
