#include "skin/language_file.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kv {
namespace {

std::string Utf16(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t u : text) {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        bytes += bigEndian ? hi : lo;
        bytes += bigEndian ? lo : hi;
    }
    return bytes;
}

// U+4E2D, U+6587 and U+1F600 (a surrogate pair in UTF-16), in each encoding the reader takes.
const std::wstring kChinese = L"\u4e2d\u6587\U0001F600";

TEST(LanguageFile, Encodings) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"utf-16le", Utf16(u"[TEXT]\r\nK=\u4e2d\u6587\U0001F600\r\n", false)},
        {"utf-16be", Utf16(u"[TEXT]\r\nK=\u4e2d\u6587\U0001F600\r\n", true)},
        {"utf-8 bom", "\xEF\xBB\xBF[TEXT]\nK=\xE4\xB8\xAD\xE6\x96\x87\xF0\x9F\x98\x80\n"},
        {"utf-8", "[TEXT]\nK=\xE4\xB8\xAD\xE6\x96\x87\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases) EXPECT_EQ(FindIniValue(DecodeIniBytes(c.bytes), "TEXT", "K"), kChinese) << c.name;
}

TEST(LanguageFile, BrokenBytesDoNotStopTheReader) {
    struct Case {
        std::string bytes;
        std::wstring value;
    };
    const Case cases[] = {
        {"[T]\nK=a\xFF" "b\n", L"a\uFFFDb"},
        {"[T]\nK=a\xE4\xB8" "b\n", L"a\uFFFDb"},    // a sequence cut short
        {"[T]\nK=\xC0\xAF\n", L"\uFFFD"},            // an overlong form
        {"[T]\nK=\xED\xA0\x80\n", L"\uFFFD"},        // an encoded surrogate
        {"[T]\nK=\xE4", L"\uFFFD"},
        {Utf16(u"[T]\nK=a\xD800" u"b", false), L"a\uFFFDb"},  // a lone surrogate
        {Utf16(u"[T]\nK=ab", false) + "\x41", L"ab"},        // an odd trailing byte
    };
    for (const auto& c : cases) {
        const auto value = FindIniValue(DecodeIniBytes(c.bytes), "T", "K");
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(*value, c.value);
    }
}

TEST(LanguageFile, LookupRules) {
    const std::wstring text =
        L"; comment\n"
        L"top=outside\n"
        L"[ text ]\n"
        L"  Main_Caption  =  Kelvane  \n"
        L"EMPTY=\n"
        L"BLANKS=   \t\n"
        L"QUOTED=\" spaced \"\n"
        L"HALFQUOTE=\"open\n"
        L"EQUALS=a=b\n"
        L"NOEQUALS\n"
        L"DUP=first\n"
        L"DUP=second\n"
        L"[LIGHT]\n"
        L"Usb=Rate\n"
        L"[TEXT]\n"
        L"LATER=found\n";
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::wstring> value;
    };
    const Case cases[] = {
        {"TEXT", "MAIN_CAPTION", L"Kelvane"},  // case and blanks do not matter
        {"TEXT", "EMPTY", L""},
        {"TEXT", "BLANKS", L""},
        {"TEXT", "QUOTED", L" spaced "},
        {"TEXT", "HALFQUOTE", L"\"open"},
        {"TEXT", "EQUALS", L"a=b"},
        {"TEXT", "NOEQUALS", std::nullopt},
        {"TEXT", "DUP", L"first"},
        {"TEXT", "LATER", L"found"},
        {"TEXT", "Usb", std::nullopt},
        {"LIGHT", "USB", L"Rate"},
        {"TEXT", "top", std::nullopt},
        {"MODE", "1", std::nullopt},
        {"TEXT", "MISSING", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(FindIniValue(text, c.section, c.key), c.value) << c.key;
}

TEST(LanguageFile, ReadsFiles) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kv_language_file_test";
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = dir / "Lang0804.ini";
    {
        std::ofstream out(file, std::ios::binary);
        out << Utf16(u"[TEXT]\r\nMAIN_CAPTION=\u4e2d\u6587\r\n", false);
    }
    EXPECT_EQ(ReadIniFileValue(file, "TEXT", "MAIN_CAPTION"), L"\u4e2d\u6587");
    EXPECT_EQ(ReadIniFileValue(file, "TEXT", "OTHER"), std::nullopt);
    EXPECT_EQ(ReadIniFileValue(dir / "Lang0409.ini", "TEXT", "MAIN_CAPTION"), std::nullopt);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kv
