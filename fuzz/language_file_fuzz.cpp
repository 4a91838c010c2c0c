// Fuzz target: reading language files (any bytes as UTF-16 either way round or UTF-8, with or without a byte
// order mark) and looking texts up. The decoded text holds only code points, a found value lies within one
// line, and the text re-encoded as UTF-16LE with its mark decodes to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "skin/language_file.h"

namespace {


std::string Utf16le(std::wstring_view text) {
    std::string out = "\xFF\xFE";
    auto unit = [&](uint32_t u) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    };
    for (wchar_t c : text) {
        const auto cp = static_cast<uint32_t>(c);
        if (cp >= 0x10000) {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::wstring text = kv::DecodeIniBytes(bytes);
    for (wchar_t c : text) {
        const auto cp = static_cast<uint32_t>(c);
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) std::abort();
    }
    static const char* const kLookups[][2] = {
        {"TEXT", "MAIN_CAPTION"}, {"text", "main_caption"}, {"LIGHT", "LIGHT_EFFECT_1"}, {"MODE", "1"}, {"TEXT", ""},
    };
    for (const auto& l : kLookups) {
        const auto value = kv::FindIniValue(text, l[0], l[1]);
        if (value && value->find_first_of(L"\r\n") != std::wstring::npos) std::abort();  // one line's value
        if (kv::FindIniValue(kv::DecodeIniBytes(Utf16le(text)), l[0], l[1]) != value) std::abort();
    }
    if (kv::DecodeIniBytes(Utf16le(text)) != text) std::abort();
    return 0;
}
