#include "skin/language_file.h"

#include <fstream>
#include <iterator>

namespace kv {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendCodePoint(std::wstring& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(cp);
}

std::wstring DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::wstring out;
    out.reserve(bytes.size() / 2);
    const auto unit = [&](std::size_t i) -> char16_t {
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        return static_cast<char16_t>(lo | (hi << 8));
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
            const char16_t next = unit(i + 2);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                AppendCodePoint(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (next - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendCodePoint(out, u);  // a lone surrogate becomes U+FFFD
    }
    return out;
}

std::wstring DecodeUtf8(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        int extra = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if (b < 0x80) {
            out += static_cast<wchar_t>(b);
            ++i;
            continue;
        }
        if ((b & 0xE0) == 0xC0) {
            extra = 1;
            cp = b & 0x1F;
            minimum = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            cp = b & 0x0F;
            minimum = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            cp = b & 0x07;
            minimum = 0x10000;
        } else {
            AppendCodePoint(out, kReplacement);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        for (; j < bytes.size() && j <= i + static_cast<std::size_t>(extra); ++j) {
            const auto c = static_cast<unsigned char>(bytes[j]);
            if ((c & 0xC0) != 0x80) break;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (j != i + 1 + static_cast<std::size_t>(extra) || cp < minimum) {
            AppendCodePoint(out, kReplacement);
            i = j;  // skip the broken sequence's bytes up to the byte that broke it
            continue;
        }
        AppendCodePoint(out, cp);
        i = j;
    }
    return out;
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring_view Trim(std::wstring_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool SameName(std::wstring_view text, std::string_view name) {
    if (text.size() != name.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (FoldAscii(text[i]) != FoldAscii(static_cast<wchar_t>(static_cast<unsigned char>(name[i])))) return false;
    return true;
}

}  // namespace

std::wstring DecodeIniBytes(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') return DecodeUtf16(bytes.substr(2), false);
    if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') return DecodeUtf16(bytes.substr(2), true);
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return DecodeUtf8(bytes.substr(3));
    return DecodeUtf8(bytes);
}

std::optional<std::wstring> FindIniValue(std::wstring_view text, std::string_view section, std::string_view key) {
    bool inSection = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of(L"\r\n", pos);
        if (end == std::wstring_view::npos) end = text.size();
        const std::wstring_view line = Trim(text.substr(pos, end - pos));
        pos = end + 1;

        if (!line.empty() && line.front() == L'[') {
            const std::size_t close = line.find(L']');
            const std::wstring_view name = line.substr(1, close == std::wstring_view::npos ? line.npos : close - 1);
            inSection = SameName(Trim(name), section);
            continue;
        }
        if (!inSection) continue;
        const std::size_t equals = line.find(L'=');
        if (equals == std::wstring_view::npos || !SameName(Trim(line.substr(0, equals)), key)) continue;
        std::wstring_view value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return std::wstring(value);
    }
    return std::nullopt;
}

std::optional<std::wstring> ReadIniFileValue(const std::filesystem::path& file, std::string_view section,
                                             std::string_view key) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return FindIniValue(DecodeIniBytes(bytes), section, key);
}

}  // namespace kv
