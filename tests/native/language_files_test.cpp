// The four language files that ship beside the program: every key the program looks up is present and
// non-empty in every language, the files are well formed, and each translation formats like the English.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

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

// Literal keys handed to the lookups anywhere in the program's sources.
std::set<Required> KeysLookedUpInSources() {
    static const std::regex call(R"re(\bLookup(Text|LightText|ModeText)\s*\(\s*(?:L|u8|u)?"([^"\\]*)")re");
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
            const std::string section = kind == "Text" ? "TEXT" : kind == "LightText" ? "LIGHT" : "MODE";
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
    for (const Required& r : KeysLookedUpInSources()) required.insert(r);

    for (const char* name : kLanguageFiles) {
        const LanguageFile& f = File(name);
        for (const Required& r : required) {
            const std::u16string* value = f.Value(FromUtf8(r.section), FromUtf8(r.key));
            if (value == nullptr) {
                ADD_FAILURE() << name << " lacks [" << r.section << "] " << r.key << " (needed by " << r.origin << ")";
            } else if (value->empty()) {
                ADD_FAILURE() << name << " has an empty [" << r.section << "] " << r.key;
            }
        }
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
