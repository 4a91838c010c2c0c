// A small, strict reader of the shipped language files for the tests: UTF-16LE with a byte-order mark,
// CRLF lines, [SECTION] headers, ";" comment lines and KEY=VALUE entries. Values are read the way the
// Windows profile functions return them: surrounding blanks removed, then one pair of matching quotes
// around the whole value removed (so a quoted value keeps its inner spaces). Everything the Windows
// reader would silently accept but that points at a broken file (duplicate keys, stray lines, a missing
// byte-order mark, bare LF, unpaired surrogates) is reported as a problem instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kvtest {

struct LanguageEntry {
    std::u16string key;
    std::u16string value;
    int line = 0;
};

struct LanguageSection {
    std::u16string name;
    std::vector<LanguageEntry> entries;

    const LanguageEntry* Find(const std::u16string& key) const;
};

struct LanguageFile {
    bool opened = false;
    std::vector<LanguageSection> sections;
    std::vector<std::string> problems;  // one line each, with the line number where there is one

    const LanguageSection* Section(const std::u16string& name) const;
    // The value of section/key, or nullptr when either is missing.
    const std::u16string* Value(const std::u16string& section, const std::u16string& key) const;
};

std::string ToUtf8(const std::u16string& text);
std::u16string FromUtf8(const std::string& text);
// ASCII case folding, as the profile functions compare section and key names.
bool SameName(const std::u16string& a, const std::u16string& b);

LanguageFile ParseLanguageFile(const std::vector<uint8_t>& bytes);
LanguageFile ReadLanguageFile(const std::string& path);

// ---------------------------------------------------------------------------------------------------

inline const LanguageEntry* LanguageSection::Find(const std::u16string& key) const {
    for (const LanguageEntry& e : entries)
        if (SameName(e.key, key)) return &e;
    return nullptr;
}

inline const LanguageSection* LanguageFile::Section(const std::u16string& name) const {
    for (const LanguageSection& s : sections)
        if (SameName(s.name, name)) return &s;
    return nullptr;
}

inline const std::u16string* LanguageFile::Value(const std::u16string& section, const std::u16string& key) const {
    const LanguageSection* s = Section(section);
    if (s == nullptr) return nullptr;
    const LanguageEntry* e = s->Find(key);
    return e == nullptr ? nullptr : &e->value;
}

inline bool SameName(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - u'a' + u'A');
        if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - u'a' + u'A');
        if (x != y) return false;
    }
    return true;
}

inline std::string ToUtf8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

inline std::u16string FromUtf8(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        uint32_t c = b;
        size_t n = 1;
        if (b >= 0xF0) {
            c = b & 0x07u;
            n = 4;
        } else if (b >= 0xE0) {
            c = b & 0x0Fu;
            n = 3;
        } else if (b >= 0xC0) {
            c = b & 0x1Fu;
            n = 2;
        }
        for (size_t k = 1; k < n && i + k < text.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
        i += n;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

namespace detail {

inline bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

inline std::u16string Trim(const std::u16string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

}  // namespace detail

inline LanguageFile ParseLanguageFile(const std::vector<uint8_t>& bytes) {
    LanguageFile file;
    file.opened = true;
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) {
        file.problems.push_back("no UTF-16LE byte-order mark (FF FE) at the start");
        return file;
    }
    if (bytes.size() % 2 != 0) file.problems.push_back("odd number of bytes after the byte-order mark");

    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                ++i;
                continue;
            }
            file.problems.push_back("unpaired high surrogate");
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            file.problems.push_back("unpaired low surrogate");
        } else if (c == 0xFEFF) {
            file.problems.push_back("second byte-order mark inside the text");
        } else if (c == 0) {
            file.problems.push_back("NUL character inside the text");
        }
    }

    LanguageSection* section = nullptr;
    int line_no = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        ++line_no;
        size_t end = text.find(u'\n', pos);
        const bool last = end == std::u16string::npos;
        if (last) end = text.size();
        std::u16string line = text.substr(pos, end - pos);
        pos = last ? text.size() : end + 1;
        const std::string where = "line " + std::to_string(line_no) + ": ";
        if (!line.empty() && line.back() == u'\r') {
            line.pop_back();
        } else if (!last) {
            file.problems.push_back(where + "ends with LF instead of CRLF");
        }

        const std::u16string t = detail::Trim(line);
        if (t.empty() || t[0] == u';') continue;
        if (t[0] == u'[') {
            const size_t close = t.find(u']');
            if (close == std::u16string::npos || close + 1 != t.size()) {
                file.problems.push_back(where + "malformed section header");
                continue;
            }
            const std::u16string name = detail::Trim(t.substr(1, close - 1));
            if (file.Section(name) != nullptr) file.problems.push_back(where + "section [" + ToUtf8(name) + "] repeated");
            file.sections.push_back(LanguageSection{name, {}});
            section = &file.sections.back();
            continue;
        }
        const size_t eq = t.find(u'=');
        if (eq == std::u16string::npos) {
            file.problems.push_back(where + "neither a section, a comment nor KEY=VALUE");
            continue;
        }
        if (section == nullptr) {
            file.problems.push_back(where + "entry before the first section");
            continue;
        }
        LanguageEntry entry;
        entry.key = detail::Trim(t.substr(0, eq));
        entry.value = detail::Trim(t.substr(eq + 1));
        entry.line = line_no;
        const std::u16string& v = entry.value;
        if (v.size() >= 2 && (v[0] == u'"' || v[0] == u'\'') && v.back() == v[0])
            entry.value = v.substr(1, v.size() - 2);
        if (entry.key.empty()) {
            file.problems.push_back(where + "empty key");
            continue;
        }
        if (section->Find(entry.key) != nullptr) {
            file.problems.push_back(where + "key " + ToUtf8(entry.key) + " repeated in [" + ToUtf8(section->name) + "]");
            continue;  // the profile functions return the first one
        }
        section->entries.push_back(entry);
    }
    return file;
}

inline LanguageFile ReadLanguageFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return LanguageFile{};
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return ParseLanguageFile(bytes);
}

}  // namespace kvtest
