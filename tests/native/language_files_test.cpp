// The four language files that ship beside the program: every key the program looks up is present and
// non-empty in every language, the files are well formed, and each translation formats like the English.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "keys/action_catalogue.h"
#include "keys/key_catalogue.h"
#include "keys/key_name.h"
#include "skin/language.h"
#include "skin/language_file.h"
#include "skin/language_store.h"
#include "skin/language_text_source.h"
#include "support/language_file_reader.h"

namespace {

namespace fs = std::filesystem;
using kvtest::FromUtf8;
using kvtest::LanguageFile;
using kvtest::ToUtf8;

const char* const kLanguageFiles[] = {"Lang0409.ini", "Lang0804.ini", "Lang0404.ini", "Lang040C.ini"};
constexpr size_t kLookupBuffer = 260;  // characters, terminator included
constexpr size_t kTrayTipMax = 127;

fs::path SourceDir() { return fs::path(KV_SOURCE_DIR); }
fs::path DistDir() { return SourceDir() / "resources" / "dist"; }

// One required (section, key) pair and where the requirement comes from.
struct Required {
    std::string section;
    std::string key;
    std::string origin;
    bool operator<(const Required& o) const { return std::tie(section, key) < std::tie(o.section, o.key); }
};

// tests/data/language_keys.txt: "[SECTION]" lines, then one key per line; "#" starts a comment line.
std::set<Required> ListedKeys() {
    std::set<Required> keys;
    std::ifstream in(SourceDir() / "tests" / "data" / "language_keys.txt");
    EXPECT_TRUE(in) << "tests/data/language_keys.txt is missing";
    std::string line, section;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            continue;
        }
        keys.insert({section, line, "language_keys.txt"});
    }
    return keys;
}

// The name keys the key and action catalogues hold, and the format for keys without a name.
std::set<Required> CatalogueKeys() {
    std::set<Required> keys;
    auto add = [&keys](const char* key, const char* origin) {
        if (key != nullptr && *key != '\0') keys.insert({"TEXT", key, origin});
    };
    for (int i = 0; i < kv::kCatalogueSize; ++i) add(kv::CatalogueEntry(i).nameKey, "the key catalogue");
    for (int i = 0; i < kv::MediaCount; ++i) add(kv::MediaNameKey(i), "the multimedia list");
    for (int i = 0; i < kv::FunctionCount; ++i) add(kv::FunctionNameKey(i), "the function list");
    for (int i = 0; i < kv::MouseCount; ++i) add(kv::MouseNameKey(i), "the mouse list");
    add(kv::kUnknownKeyTextKey, "key names");
    return keys;
}

// Literal keys handed to the lookups anywhere in the program's sources.
std::set<Required> KeysLookedUpInSources() {
    // LookupText("KEY", ...) or LookupText(store, "KEY", ...), likewise for the LIGHT and MODE lookups, and
    // texts.Text("KEY") of a text source (the TEXT section).
    static const std::regex call(
        R"re((?:\bLookup(Text|LightText|ModeText)\s*\(\s*(?:[A-Za-z_][\w.:>\-]*\s*,\s*)?|(?:\.|->)Text\s*\(\s*)(?:L|u8|u)?"([^"\\]*)")re");
    std::set<Required> keys;
    for (const auto& entry : fs::recursive_directory_iterator(SourceDir() / "src")) {
        const auto ext = entry.path().extension();
        if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        const std::string s = text.str();
        for (std::sregex_iterator m(s.begin(), s.end(), call), end; m != end; ++m) {
            const std::string kind = (*m)[1];
            const std::string section = kind == "LightText" ? "LIGHT" : kind == "ModeText" ? "MODE" : "TEXT";
            keys.insert({section, (*m)[2], fs::relative(entry.path(), SourceDir()).generic_string()});
        }
    }
    return keys;
}

// The printf directives of a text, in order ("%d", "%s", "%u", ...); "%%" is not a directive.
std::vector<std::string> Directives(const std::string& text) {
    static const std::regex directive(R"(%[-+ #0]*\d*(?:\.\d+)?(?:hh|h|ll|l|z|I64)?[a-zA-Z%])");
    std::vector<std::string> out;
    for (std::sregex_iterator m(text.begin(), text.end(), directive), end; m != end; ++m)
        if (m->str() != "%%") out.push_back(m->str());
    return out;
}

// The program's own lookups, reading the files of resources/dist.
class SourceTreeLanguageStore final : public kv::LanguageStore {
public:
    std::optional<uint32_t> ReadStoredLanguageId() override { return 1033; }
    void WriteStoredLanguageId(uint32_t) override {}
    uint32_t SystemLanguageId() override { return 1033; }
    fs::path ProgramDirectory() override { return DistDir(); }
    std::optional<std::wstring> ReadIniValue(const fs::path& file, std::string_view section,
                                             std::string_view key) override {
        return kv::ReadIniFileValue(file, section, key);
    }
};

class LanguageTexts final : public kv::TextSource {
public:
    explicit LanguageTexts(int index) : index_(index) {}
    std::wstring Text(std::string_view key) const override { return kv::LookupText(store_, key, index_); }

private:
    int index_;
    mutable SourceTreeLanguageStore store_;
};

// A wide string of the native build (one character per code point) as UTF-16.
std::u16string Utf16(const std::wstring& text) {
    std::u16string out;
    for (wchar_t w : text) {
        const auto c = static_cast<uint32_t>(w);
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

class LanguageFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const char* name : kLanguageFiles) files_[name] = kvtest::ReadLanguageFile((DistDir() / name).string());
    }
    static const LanguageFile& File(const std::string& name) { return files_.at(name); }
    static const LanguageFile& English() { return File("Lang0409.ini"); }

    static std::map<std::string, LanguageFile> files_;
};
std::map<std::string, LanguageFile> LanguageFiles::files_;

TEST_F(LanguageFiles, AreWellFormedUtf16WithByteOrderMark) {
    for (const char* name : kLanguageFiles) {
        const LanguageFile& f = File(name);
        ASSERT_TRUE(f.opened) << name << " is missing from resources/dist";
        for (const std::string& p : f.problems) ADD_FAILURE() << name << ": " << p;
        for (const char* section : {"TEXT", "LIGHT", "MODE"})
            EXPECT_NE(f.Section(FromUtf8(section)), nullptr) << name << " has no [" << section << "]";
    }
}

TEST_F(LanguageFiles, HoldEveryKeyTheProgramLooksUp) {
    std::set<Required> required = ListedKeys();
    ASSERT_GT(required.size(), 250u) << "the key list was not read";
    const std::set<Required> catalogue = CatalogueKeys();
    ASSERT_GT(catalogue.size(), 140u) << "the catalogues hold no name keys";
    required.insert(catalogue.begin(), catalogue.end());
    for (const Required& r : KeysLookedUpInSources()) required.insert(r);

    SourceTreeLanguageStore store;
    for (int index = 0; index < kv::kLanguageCount; ++index) {
        const std::string name = kv::LanguageFileName(index);
        const LanguageFile& f = File(name);
        for (const Required& r : required) {
            const std::u16string* value = f.Value(FromUtf8(r.section), FromUtf8(r.key));
            if (value == nullptr) {
                ADD_FAILURE() << name << " lacks [" << r.section << "] " << r.key << " (needed by " << r.origin << ")";
                continue;
            }
            if (value->empty()) ADD_FAILURE() << name << " has an empty [" << r.section << "] " << r.key;
            // The program's own lookup gives the same text.
            const std::wstring shown = r.section == "TEXT"    ? kv::LookupText(store, r.key, index)
                                       : r.section == "LIGHT" ? kv::LookupLightText(store, r.key, index)
                                                              : kv::LookupModeText(store, r.key, index);
            EXPECT_EQ(ToUtf8(Utf16(shown)), ToUtf8(*value)) << name << " [" << r.section << "] " << r.key;
        }
    }
}

TEST_F(LanguageFiles, NameEveryCatalogueKeyInEveryLanguage) {
    for (int index = 0; index < kv::kLanguageCount; ++index) {
        const LanguageTexts texts(index);
        for (int row = 0; row < kv::kCatalogueSize; ++row) {
            const kv::KeyCode code = kv::KeyCodeOfIndex(row);
            if (code == kv::kNoKey) continue;
            wchar_t name[kv::kKeyNameCapacity];
            kv::KeyName(code, name, kv::kKeyNameCapacity, texts);
            const std::string shown = ToUtf8(Utf16(name));
            EXPECT_FALSE(shown.empty()) << kv::LanguageFileName(index) << " key code " << code;
            EXPECT_EQ(shown.find("#Error"), std::string::npos) << kv::LanguageFileName(index) << " key code " << code;
        }
        // A key without a name shows its code through the "UNKNOWN_KEY" format (F13 is code 100).
        wchar_t f13[kv::kKeyNameCapacity];
        kv::KeyName(0x064, f13, kv::kKeyNameCapacity, texts);
        EXPECT_NE(ToUtf8(Utf16(f13)).find("100"), std::string::npos) << kv::LanguageFileName(index);
    }
}

TEST_F(LanguageFiles, TranslationsHaveExactlyTheEnglishKeys) {
    // A key only a translation has is a misspelling of one it lacks.
    for (const char* name : kLanguageFiles) {
        const LanguageFile& f = File(name);
        for (const auto& es : English().sections) {
            const auto* s = f.Section(es.name);
            if (s == nullptr) continue;  // reported above
            for (const auto& e : es.entries)
                EXPECT_NE(s->Find(e.key), nullptr) << name << " lacks [" << ToUtf8(es.name) << "] " << ToUtf8(e.key);
            for (const auto& e : s->entries)
                EXPECT_NE(es.Find(e.key), nullptr)
                    << name << " line " << e.line << ": [" << ToUtf8(es.name) << "] " << ToUtf8(e.key)
                    << " is not an English key";
        }
    }
}

TEST_F(LanguageFiles, FormatDirectivesMatchHowTheProgramFormats) {
    // The texts the program uses as a format, and the arguments it passes.
    const std::map<std::string, std::vector<std::string>> formats = {
        {"UNKNOWN_KEY", {"%u"}},                 // the key code
        {"MACRO_ERR_MAX", {"%d"}},               // the macro limit, 100
        {"MACRO_ACTION_ERR_DELAY_MAX", {"%d"}},  // the delay limit, 40000
        {"PROFILE_FORMAT_ERROR", {"%s"}},        // the file's path
        {"MACRO_MEMORY_USE", {"%d", "%d"}},      // bytes the macros take, the keyboard's capacity
        {"MACRO_MEMORY_USE_ONLY", {"%d"}},       // bytes the macros take
        {"MACRO_MEMORY_NO_NAMES", {"%d", "%d"}}, // bytes without names, the capacity
        {"MACRO_MEMORY_OVER", {"%d"}},           // bytes beyond the capacity
    };
    for (const char* name : kLanguageFiles) {
        const auto* text = File(name).Section(u"TEXT");
        ASSERT_NE(text, nullptr) << name;
        for (const auto& e : text->entries) {
            const std::string key = ToUtf8(e.key);
            const auto expected = formats.count(key) ? formats.at(key) : std::vector<std::string>{};
            EXPECT_EQ(Directives(ToUtf8(e.value)), expected) << name << " [TEXT] " << key << "=" << ToUtf8(e.value);
        }
        for (const char* section : {"LIGHT", "MODE"}) {
            const auto* s = File(name).Section(FromUtf8(section));
            if (s == nullptr) continue;
            for (const auto& e : s->entries)
                EXPECT_TRUE(Directives(ToUtf8(e.value)).empty()) << name << " [" << section << "] " << ToUtf8(e.key);
        }
    }
}

TEST_F(LanguageFiles, TextsFitWhereTheProgramPutsThem) {
    for (const char* name : kLanguageFiles) {
        const LanguageFile& f = File(name);
        for (const auto& s : f.sections)
            for (const auto& e : s.entries)
                EXPECT_LT(e.value.size(), kLookupBuffer)
                    << name << " [" << ToUtf8(s.name) << "] " << ToUtf8(e.key) << " would be cut";

        const std::u16string* tip = f.Value(u"TEXT", u"KEYBOARD_TRAY_DESC");
        if (tip != nullptr) {
            EXPECT_LE(tip->size(), kTrayTipMax) << name << ": the tray tip does not fit";
        }

        // Key button tooltips are "<key> <KEY_PROMPT_SET><KEY_PROMPT_...><target>)": the program adds the ")".
        for (const char16_t* key : {u"KEY_PROMPT_SINGLE", u"KEY_PROMPT_MACRO", u"KEY_PROMPT_MEDIA", u"KEY_PROMPT_FUNCTION"}) {
            const std::u16string* v = f.Value(u"TEXT", key);
            if (v != nullptr && !v->empty()) {
                EXPECT_EQ(v->back(), u'(') << name << " " << ToUtf8(key);
            }
        }
    }
}

TEST_F(LanguageFiles, RecordDelaySettingIsStoredUnderOneNameInEveryLanguage) {
    // The text names the stored setting; a per-language name would lose it when the language changes.
    const std::u16string* english = English().Value(u"TEXT", u"MACRO_ACTION_RECORD_DELAY");
    ASSERT_NE(english, nullptr);
    for (const char* name : kLanguageFiles) {
        const std::u16string* v = File(name).Value(u"TEXT", u"MACRO_ACTION_RECORD_DELAY");
        ASSERT_NE(v, nullptr) << name;
        EXPECT_EQ(*v, *english) << name;
    }
}

// The reader itself: the cases the shipped files rely on and the faults it must report.
TEST(LanguageFileReader, ReadsValuesAsTheWindowsProfileFunctionsDo) {
    auto bytes_of = [](const std::u16string& text) {
        std::vector<uint8_t> b = {0xFF, 0xFE};
        for (char16_t c : text) {
            b.push_back(static_cast<uint8_t>(c & 0xFF));
            b.push_back(static_cast<uint8_t>(c >> 8));
        }
        return b;
    };
    const LanguageFile f = kvtest::ParseLanguageFile(bytes_of(
        u"; comment\r\n[TEXT]\r\nA =  spaced  \r\nB=\" kept \"\r\nC=\"'\"\r\nD=\r\nE==\r\nF=\u706F\u5149\r\n"));
    EXPECT_TRUE(f.problems.empty());
    EXPECT_EQ(*f.Value(u"TEXT", u"A"), u"spaced");
    EXPECT_EQ(*f.Value(u"text", u"b"), u" kept ");
    EXPECT_EQ(*f.Value(u"TEXT", u"C"), u"'");
    EXPECT_EQ(*f.Value(u"TEXT", u"D"), u"");
    EXPECT_EQ(*f.Value(u"TEXT", u"E"), u"=");
    EXPECT_EQ(*f.Value(u"TEXT", u"F"), u"\u706F\u5149");

    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
    } faulty[] = {
        {"duplicate key", bytes_of(u"[TEXT]\r\nA=1\r\na=2\r\n")},
        {"bare LF", bytes_of(u"[TEXT]\nA=1\r\n")},
        {"stray line", bytes_of(u"[TEXT]\r\nA 1\r\n")},
        {"entry before a section", bytes_of(u"A=1\r\n[TEXT]\r\n")},
        {"unpaired surrogate", bytes_of(u"[TEXT]\r\nA=\xD800x\r\n")},
        {"no byte-order mark", {'[', 0, 'T', 0, ']', 0}},
    };
    for (const auto& c : faulty) EXPECT_FALSE(kvtest::ParseLanguageFile(c.bytes).problems.empty()) << c.what;
}

}  // namespace
