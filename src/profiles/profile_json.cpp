#include "profiles/profile_json.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "keys/action_catalogue.h"
#include "keys/key_catalogue.h"
#include "profiles/profile_file_format.h"

namespace kv {

namespace {

using ojson = nlohmann::ordered_json;

constexpr const char* kTypeNames[] = {"default", "disabled", "key", "program", "macro", "stop macro", "text", "media", "function"};
constexpr const char* kFormatName = "kelvane profile data";

// UTF-16 to UTF-8; false when the text holds an unpaired surrogate (it is then kept as code units).
bool Utf8FromUtf16(std::u16string_view s, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00) {
            if (i + 1 >= s.size() || s[i + 1] < 0xDC00 || s[i + 1] >= 0xE000) return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        } else if (c >= 0xDC00 && c < 0xE000) {
            return false;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return true;
}

// UTF-8 (already checked by the JSON parser) to UTF-16.
std::u16string Utf16FromUtf8(const std::string& s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        char32_t c;
        std::size_t n;
        if (b < 0x80) c = b, n = 1;
        else if (b < 0xE0) c = b & 0x1F, n = 2;
        else if (b < 0xF0) c = b & 0x0F, n = 3;
        else c = b & 0x07, n = 4;
        for (std::size_t k = 1; k < n && i + k < s.size(); ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        i += n;
        if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

// A whole number that fits T. A fraction, a negative number or one too large is refused, never cut to fit
// (a conversion of an out-of-range number would also be undefined).
template <typename T>
T WholeNumber(const nlohmann::json& j, const char* name) {
    constexpr uint64_t kMax = std::numeric_limits<T>::max();
    if (j.is_number_unsigned()) {
        const uint64_t v = j.get<uint64_t>();
        if (v <= kMax) return static_cast<T>(v);
    } else if (j.is_number_integer()) {
        const int64_t v = j.get<int64_t>();
        if (v >= 0 && static_cast<uint64_t>(v) <= kMax) return static_cast<T>(v);
    }
    throw std::out_of_range(std::string("\"") + name + "\" must be a whole number 0.." + std::to_string(kMax));
}

template <typename T>
T WholeNumberAt(const nlohmann::json& object, const char* name) {
    return WholeNumber<T>(object.at(name), name);
}

// The member when it is there, else the fallback.
template <typename T>
T WholeNumberOr(const nlohmann::json& object, const char* name, T fallback) {
    if (!object.is_object()) throw std::invalid_argument("expected an object");
    const auto it = object.find(name);
    return it == object.end() ? fallback : WholeNumber<T>(*it, name);
}

// A text as a JSON string, or as an array of UTF-16 code units when it is not valid UTF-16.
ojson TextValue(std::u16string_view text) {
    std::string utf8;
    if (Utf8FromUtf16(text, utf8)) return utf8;
    ojson units = ojson::array();
    for (char16_t c : text) units.push_back(static_cast<unsigned>(c));
    return units;
}

std::u16string TextFrom(const nlohmann::json& j) {
    if (j.is_string()) return Utf16FromUtf8(j.get<std::string>());
    std::u16string s;
    for (const auto& u : j) s.push_back(static_cast<char16_t>(WholeNumber<uint16_t>(u, "text")));
    return s;
}

std::string Hex(const uint8_t* p, std::size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s.push_back(digits[p[i] >> 4]);
        s.push_back(digits[p[i] & 15]);
    }
    return s;
}

bool FromHex(const std::string& s, uint8_t* out, std::size_t n) {
    if (s.size() != 2 * n) return false;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < n; ++i) {
        const int hi = nibble(s[2 * i]), lo = nibble(s[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    return true;
}

std::string Narrow(const wchar_t* w) {
    std::string s;
    for (; *w; ++w) s.push_back(*w < 0x80 ? static_cast<char>(*w) : '?');
    return s;
}

// Readable name of a key code: the catalogue's English label, "G<button> bank <n>" for a G-key.
std::string KeyLabel(unsigned code) {
    if (code == 0) return "none";
    if (IsGKeyCode(static_cast<KeyCode>(code))) {
        const int slot = GSlotOfCode(static_cast<KeyCode>(code));
        return "G" + std::to_string(slot % 9 + 1) + " bank " + std::to_string(slot / 9 + 1);
    }
    const int index = KeyIndexOf(static_cast<KeyCode>(code));
    if (code <= 0xFFFF && index >= 0 && index < kCatalogueSize) {
        const KeyEntry& e = CatalogueEntry(index);
        if (e.label[0] != L'\0') return Narrow(e.label);
    }
    char buf[24];
    std::snprintf(buf, sizeof buf, "code 0x%X", code);
    return buf;
}

std::string KeyLabelOfIndex(std::size_t index) {
    if (index >= kGKeyFirstIndex) return IsGKeyIndex(index) ? KeyLabel(static_cast<unsigned>(index + 0x100)) : "slot " + std::to_string(index);
    return KeyLabel(KeyCodeOfIndex(static_cast<int>(index)));
}

std::string MacroNameOf(const ProfileContent& c, uint32_t id) {
    for (const MacroRecord& m : c.macros) {
        std::string s;
        if (m.id == id && Utf8FromUtf16(m.Name(), s)) return s;
    }
    return "";
}

ojson SlotJson(const ProfileContent& c, std::size_t section, std::size_t k, const KeySlot& s) {
    ojson j;
    j["index"] = k;
    j["key"] = KeyLabelOfIndex(k);
    if (s.type < std::size(kTypeNames)) j["type"] = kTypeNames[s.type];
    else j["type"] = s.type;
    j["tag"] = s.tag;
    if (!TypeHasText(s.type)) j["value"] = s.value;
    switch (s.type) {
        case ASSIGN_KEY: j["target"] = KeyLabel(s.value); break;
        case ASSIGN_MACRO: j["macro"] = MacroNameOf(c, s.value); break;
        case ASSIGN_MEDIA: j["media"] = s.value < static_cast<uint32_t>(MediaCount) ? KeyLabel(MediaKeyCode(static_cast<int>(s.value))) : "none"; break;
        case ASSIGN_FUNCTION: j["function"] = s.value < static_cast<uint32_t>(FunctionCount) ? FunctionNameKey(static_cast<int>(s.value)) : "none"; break;
        default: break;
    }
    if (TypeHasText(s.type)) {
        const TextEntry& e = c.texts[SlotNumber(section, k)];
        if (e.present) j["text"] = TextValue(e.text);
    }
    if (s.lighting != 0) j["lighting"] = s.lighting;
    if (s.reserved != 0) j["reserved"] = s.reserved;
    return j;
}

// The readable fields of a macro; `exact` tells whether they give back the record byte for byte.
MacroRecord MacroFromReadable(const nlohmann::json& j);

ojson MacroJson(const MacroRecord& m) {
    ojson j;
    j["id"] = m.id;
    j["name"] = TextValue(m.Name());
    j["repeat"] = m.repeat;
    j["playMode"] = m.playMode;
    if (m.isNew != 0) j["new"] = m.isNew;
    ojson actions = ojson::array();
    const std::size_t count = std::min<std::size_t>(m.actionCount, kMacroMaxActions);
    for (std::size_t i = 0; i < count; ++i) {
        const MacroAction& a = m.actions[i];
        ojson aj;
        aj["key"] = KeyLabel(a.key);
        aj["code"] = a.key;
        if (a.direction <= 1) aj["direction"] = a.direction == 0 ? "press" : "release";
        else aj["direction"] = a.direction;
        aj["delay"] = a.delay;
        actions.push_back(std::move(aj));
    }
    j["actions"] = std::move(actions);
    if (MacroFromReadable(nlohmann::json::parse(j.dump())) != m) {
        // Bytes the readable fields do not carry (reserved bytes, units after the name's terminator,
        // actions beyond the count): the whole record goes along.
        uint8_t bytes[kMacroRecordSize];
        EncodeMacroRecord(m, bytes);
        j["record"] = Hex(bytes, kMacroRecordSize);
    }
    return j;
}

MacroRecord MacroFromReadable(const nlohmann::json& j) {
    MacroRecord m;
    m.id = WholeNumberAt<uint16_t>(j, "id");
    m.SetName(TextFrom(j.at("name")));
    m.repeat = WholeNumberAt<uint8_t>(j, "repeat");
    m.playMode = WholeNumberOr(j, "playMode", uint16_t{0});
    m.isNew = WholeNumberOr(j, "new", uint16_t{0});
    const auto& actions = j.at("actions");
    if (actions.size() > kMacroMaxActions) throw std::out_of_range("more than 2000 actions");
    m.actionCount = static_cast<uint16_t>(actions.size());
    for (std::size_t i = 0; i < actions.size(); ++i) {
        const auto& a = actions[i];
        m.actions[i].key = WholeNumberAt<uint16_t>(a, "code");
        m.actions[i].delay = WholeNumberAt<uint32_t>(a, "delay");
        const auto& d = a.at("direction");
        if (d.is_string()) {
            const std::string s = d.get<std::string>();
            if (s != "press" && s != "release") throw std::invalid_argument("direction is \"press\", \"release\" or a number");
            m.actions[i].direction = s == "press" ? 0 : 1;
        } else {
            m.actions[i].direction = WholeNumber<uint16_t>(d, "direction");
        }
    }
    return m;
}

}  // namespace

ojson ProfileToJson(const ProfileContent& c) {
    ojson j;
    j["format"] = kFormatName;
    j["identification"] = Hex(c.table.data() + kIdentificationOffset, kIdentificationSize);
    ojson profiles = ojson::array();
    for (std::size_t section = 0; section < kSectionCount; ++section) {
        ojson keys = ojson::array();
        for (std::size_t k = 0; k < kSlotsPerSection; ++k) {
            const KeySlot s = ReadSlot(c.Table(), section, k);
            if (s != KeySlot{}) keys.push_back(SlotJson(c, section, k, s));
        }
        ojson p;
        p["profile"] = section;
        p["keys"] = std::move(keys);
        profiles.push_back(std::move(p));
    }
    j["profiles"] = std::move(profiles);
    ojson macros = ojson::array();
    for (const MacroRecord& m : c.macros) macros.push_back(MacroJson(m));
    j["macros"] = std::move(macros);
    return j;
}

bool ProfileFromJson(const nlohmann::json& j, ProfileContent& out, std::string& error) {
    std::string where = "top level";
    try {
        if (!j.is_object()) throw std::invalid_argument("expected an object");
        if (j.value("format", std::string{}) != kFormatName) throw std::invalid_argument(std::string("\"format\" must be \"") + kFormatName + "\"");
        ProfileContent c;
        where = "identification";
        if (!FromHex(j.at("identification").get<std::string>(), c.table.data() + kIdentificationOffset, kIdentificationSize))
            throw std::invalid_argument("expected 64 hexadecimal digits");
        std::fill(c.table.begin() + static_cast<std::ptrdiff_t>(kTableHeaderSize), c.table.end(), uint8_t{0});
        const auto& profiles = j.at("profiles");
        if (!profiles.is_array() || profiles.size() != kSectionCount) throw std::invalid_argument("\"profiles\" must list 4 sections");
        for (std::size_t section = 0; section < kSectionCount; ++section) {
            const auto& keys = profiles[section].at("keys");
            for (std::size_t i = 0; i < keys.size(); ++i) {
                where = "profiles[" + std::to_string(section) + "].keys[" + std::to_string(i) + "]";
                const auto& kj = keys[i];
                const std::size_t k = WholeNumberAt<std::size_t>(kj, "index");
                if (k >= kSlotsPerSection) throw std::out_of_range("index must be 0..511");
                KeySlot s;
                const auto& t = kj.at("type");
                if (t.is_string()) {
                    const auto name = t.get<std::string>();
                    const auto found = std::find(std::begin(kTypeNames), std::end(kTypeNames), name);
                    if (found == std::end(kTypeNames)) throw std::invalid_argument("unknown type \"" + name + "\"");
                    s.type = static_cast<uint16_t>(found - std::begin(kTypeNames));
                } else {
                    s.type = WholeNumber<uint16_t>(t, "type");
                }
                s.tag = WholeNumberOr(kj, "tag", uint16_t{0});
                s.value = TypeHasText(s.type) ? 0 : WholeNumberAt<uint32_t>(kj, "value");
                s.lighting = WholeNumberOr(kj, "lighting", uint32_t{0});
                s.reserved = WholeNumberOr(kj, "reserved", uint32_t{0});
                WriteSlot(c.Table(), section, k, s);
                if (TypeHasText(s.type)) c.SetText(SlotNumber(section, k), kj.contains("text") ? TextFrom(kj.at("text")) : u"");
            }
        }
        const auto& macros = j.at("macros");
        if (macros.size() > kMaxMacros) throw std::out_of_range("more than 100 macros");
        for (std::size_t i = 0; i < macros.size(); ++i) {
            where = "macros[" + std::to_string(i) + "]";
            if (macros[i].contains("record")) {
                uint8_t bytes[kMacroRecordSize];
                if (!FromHex(macros[i].at("record").get<std::string>(), bytes, kMacroRecordSize))
                    throw std::invalid_argument("\"record\" must be 33024 hexadecimal digits");
                MacroRecord m;
                DecodeMacroRecord(bytes, m);
                c.macros.push_back(m);
            } else {
                c.macros.push_back(MacroFromReadable(macros[i]));
            }
        }
        WriteFileHeader(c.table.data(), static_cast<uint16_t>(c.macros.size()), c.textTotal);
        out = std::move(c);
        return true;
    } catch (const std::exception& e) {
        error = where + ": " + e.what();
        return false;
    }
}

std::string ProfileJsonText(const ProfileContent& content) {
    return ProfileToJson(content).dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool ProfileFromJsonText(std::string_view text, ProfileContent& out, std::string& error) {
    const nlohmann::json json = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
    if (json.is_discarded()) {
        error = "the text is not valid JSON";
        return false;
    }
    return ProfileFromJson(json, out, error);
}

}  // namespace kv
