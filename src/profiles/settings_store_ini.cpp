#include <mutex>
#include <vector>

#include "profiles/profile_file.h"
#include "profiles/settings_store.h"

namespace kv {

namespace {

struct IniText {
    bool utf16 = true;
    std::vector<std::u16string> lines;
};

char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::u16string_view Trim(std::u16string_view s) {
    auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

IniText Load(const std::filesystem::path& file) {
    IniText t;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(file, bytes)) return t;
    std::u16string all;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            all.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    } else {
        t.utf16 = bytes.empty();
        for (uint8_t b : bytes) all.push_back(static_cast<char16_t>(b));
    }
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find(u'\n', start);
        if (end == std::u16string::npos) end = all.size();
        std::u16string line = all.substr(start, end - start);
        if (!line.empty() && line.back() == u'\r') line.pop_back();
        t.lines.push_back(std::move(line));
        start = end + 1;
    }
    while (!t.lines.empty() && t.lines.back().empty()) t.lines.pop_back();
    return t;
}

bool Store(const std::filesystem::path& file, const IniText& t) {
    std::vector<uint8_t> bytes;
    if (t.utf16) {
        bytes = {0xFF, 0xFE};
    }
    auto put = [&](char16_t c) {
        if (t.utf16) {
            bytes.push_back(static_cast<uint8_t>(c));
            bytes.push_back(static_cast<uint8_t>(c >> 8));
        } else {
            bytes.push_back(c < 0x100 ? static_cast<uint8_t>(c) : static_cast<uint8_t>('?'));
        }
    };
    for (const auto& line : t.lines) {
        for (char16_t c : line) put(c);
        put(u'\r');
        put(u'\n');
    }
    return WriteFileReplacing(file, bytes);
}

bool IsSection(std::u16string_view line, std::u16string_view* name) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != u'[') return false;
    const std::size_t close = line.find(u']');
    if (close == std::u16string_view::npos) return false;
    *name = Trim(line.substr(1, close - 1));
    return true;
}

// Index of the key's line within the section, or npos; sectionEnd gets the line after the section's last.
std::size_t FindKey(const IniText& t, std::u16string_view section, std::u16string_view key, std::size_t* sectionStart,
                    std::size_t* sectionEnd) {
    *sectionStart = std::u16string::npos;
    *sectionEnd = std::u16string::npos;
    for (std::size_t i = 0; i < t.lines.size(); ++i) {
        std::u16string_view name;
        if (!IsSection(t.lines[i], &name) || !SameName(name, section)) continue;
        *sectionStart = i;
        std::size_t j = i + 1;
        std::size_t lastContent = i;
        for (; j < t.lines.size(); ++j) {
            std::u16string_view other;
            if (IsSection(t.lines[j], &other)) break;
            const std::u16string_view line = t.lines[j];
            if (!Trim(line).empty()) lastContent = j;
            const std::size_t eq = line.find(u'=');
            if (eq != std::u16string_view::npos && SameName(Trim(line.substr(0, eq)), key)) {
                *sectionEnd = j + 1;
                return j;
            }
        }
        *sectionEnd = lastContent + 1;
        return std::u16string::npos;
    }
    return std::u16string::npos;
}

std::mutex& FileLock() {
    static std::mutex m;
    return m;
}

}  // namespace

std::u16string IniFileStore::Read(const std::filesystem::path& file, std::u16string_view section,
                                  std::u16string_view key, std::u16string_view fallback) {
    std::lock_guard<std::mutex> hold(FileLock());
    const IniText t = Load(file);
    std::size_t start = 0, end = 0;
    const std::size_t at = FindKey(t, section, key, &start, &end);
    if (at == std::u16string::npos) return std::u16string(fallback);
    const std::u16string_view line = t.lines[at];
    std::u16string_view value = Trim(line.substr(line.find(u'=') + 1));
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::u16string(value);
}

bool IniFileStore::Write(const std::filesystem::path& file, std::u16string_view section, std::u16string_view key,
                         std::u16string_view value) {
    std::lock_guard<std::mutex> hold(FileLock());
    IniText t = Load(file);
    std::u16string line(key);
    line += u'=';
    line += value;
    std::size_t start = 0, end = 0;
    const std::size_t at = FindKey(t, section, key, &start, &end);
    if (at != std::u16string::npos) {
        t.lines[at] = std::move(line);
    } else if (start != std::u16string::npos) {
        t.lines.insert(t.lines.begin() + static_cast<std::ptrdiff_t>(end), std::move(line));
    } else {
        std::u16string head = u"[";
        head += section;
        head += u"]";
        t.lines.push_back(std::move(head));
        t.lines.push_back(std::move(line));
    }
    return Store(file, t);
}

}  // namespace kv
