// The language files beside the program, read the way the program reads them: through the Windows
// profile functions. Every entry must come back exactly as the test's own reader sees it, so the
// completeness checks of the native suite hold for what Windows shows, Chinese included.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "keys/key_name.h"
#include "skin/language.h"
#include "support/language_file_reader.h"

namespace {

const wchar_t* const kLanguageFiles[] = {L"Lang0409.ini", L"Lang0804.ini", L"Lang0404.ini", L"Lang040C.ini"};
constexpr DWORD kLookupBuffer = 260;

std::wstring ProgramDir() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

std::wstring Wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }
std::string Narrow(const std::wstring& s) { return kvtest::ToUtf8(std::u16string(s.begin(), s.end())); }

std::wstring Lookup(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
    wchar_t buffer[kLookupBuffer] = {};
    GetPrivateProfileStringW(section, key, L"#Error", buffer, kLookupBuffer, (ProgramDir() + file).c_str());
    return buffer;
}

TEST(LanguageFilesThroughWindows, EveryEntryReadsAsTheFileSays) {
    for (const wchar_t* name : kLanguageFiles) {
        const std::wstring path = ProgramDir() + name;
        const kvtest::LanguageFile file = kvtest::ReadLanguageFile(Narrow(path));
        ASSERT_TRUE(file.opened) << Narrow(name) << " is not beside the program";
        EXPECT_TRUE(file.problems.empty()) << Narrow(name);
        size_t checked = 0;
        for (const auto& section : file.sections) {
            for (const auto& entry : section.entries) {
                EXPECT_EQ(Lookup(name, Wide(section.name).c_str(), Wide(entry.key).c_str()), Wide(entry.value))
                    << Narrow(name) << " [" << kvtest::ToUtf8(section.name) << "] " << kvtest::ToUtf8(entry.key);
                ++checked;
            }
        }
        EXPECT_GT(checked, 250u) << Narrow(name);
    }
}

TEST(LanguageFilesThroughWindows, KnownTextsInEachLanguage) {
    const struct {
        const wchar_t* file;
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* expected;
    } cases[] = {
        {L"Lang0409.ini", L"TEXT", L"MENU_11", L"&Open"},
        {L"Lang0409.ini", L"LIGHT", L"Usb", L"Report Rate"},
        {L"Lang0409.ini", L"MODE", L"20", L"Custom"},
        {L"Lang0409.ini", L"TEXT", L"KEY_PROMPT_SET", L" \u2192 "},   // quoted: the blanks stay
        {L"Lang0409.ini", L"TEXT", L"IDS_KEYBOARD_QUOT", L"'"},
        {L"Lang0409.ini", L"TEXT", L"IDS_KEYBOARD_EQU", L"="},
        {L"Lang0409.ini", L"TEXT", L"MEDIA_NEXT_TRACK_5", L"Next Track"},  // names compare without case
        {L"Lang0804.ini", L"TEXT", L"MAIN_CAPTION", L"Kelvane \u6E38\u620F\u952E\u76D8"},
        {L"Lang0804.ini", L"LIGHT", L"Deng", L"\u706F\u5149"},
        {L"Lang0804.ini", L"MODE", L"5", L"\u547C\u5438"},
        {L"Lang0804.ini", L"TEXT", L"MACRO_ERR_MAX", L"\u6700\u591A\u53EA\u80FD\u521B\u5EFA %d \u4E2A\u5B8F\u3002"},
        {L"Lang0404.ini", L"TEXT", L"MENU_33", L"\u7D50\u675F(&X)"},
        {L"Lang0404.ini", L"LIGHT", L"Color", L"\u984F\u8272"},
        {L"Lang0404.ini", L"MODE", L"20", L"\u81EA\u8A02"},
        {L"Lang040C.ini", L"TEXT", L"IDS_KEYBOARD_ESC", L"\u00C9chap"},
        {L"Lang040C.ini", L"TEXT", L"MACRO_ACTION_CLEAR_CONFIRM", L"Supprimer toutes les actions de cette macro\u00A0?"},
        {L"Lang040C.ini", L"LIGHT", L"Deng", L"\u00C9clairage"},
        {L"Lang040C.ini", L"MODE", L"11", L"Arc-en-ciel"},
        {L"Lang0409.ini", L"TEXT", L"NO_SUCH_KEY", L"#Error"},
        {L"Lang0409.ini", L"MODE", L"19", L"#Error"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Lookup(c.file, c.section, c.key), c.expected)
            << Narrow(c.file) << " [" << Narrow(c.section) << "] " << Narrow(c.key);
}

// The program's own lookups on Windows (registry store, private-profile functions), in every language.
TEST(LanguageFilesThroughWindows, ProgramLookupsShowTheShippedTexts) {
    EXPECT_EQ(kv::LookupText("MAIN_CAPTION", 0), L"Kelvane Gaming Keyboard");
    EXPECT_EQ(kv::LookupText("MAIN_CAPTION", 1), L"Kelvane \u6E38\u620F\u952E\u76D8");
    EXPECT_EQ(kv::LookupText("MAIN_CAPTION", 2), L"Kelvane \u96FB\u7AF6\u9375\u76E4");
    EXPECT_EQ(kv::LookupText("MAIN_CAPTION", 3), L"Clavier gaming Kelvane");
    EXPECT_EQ(kv::LookupLightText("JColor", 1), L"\u5E95\u8272");
    EXPECT_EQ(kv::LookupModeText(1, 3), L"Vague");
    EXPECT_EQ(kv::LookupText("KEY_PROMPT_SET", 2), L" \u2192 ");
    // A key name and the format of a key without one, as the key pickers show them.
    const struct {
        int language;
        kv::KeyCode code;
        const wchar_t* name;
    } keys[] = {
        {0, 0x01E, L"A"},
        {1, 0x039, L"\u7A7A\u683C"},          // Space
        {2, 0x171, L"\u6ED1\u9F20\u5DE6\u9375"},  // left mouse button
        {3, 0x001, L"\u00C9chap"},
        {0, 0x064, L"Key 100"},                 // F13 has no name
        {1, 0x055, L"\u6309\u952E 85"},       // an empty row
    };
    for (const auto& k : keys) {
        struct Texts final : kv::TextSource {
            int language = 0;
            std::wstring Text(std::string_view key) const override { return kv::LookupText(key, language); }
        } texts;
        texts.language = k.language;
        wchar_t name[kv::kKeyNameCapacity];
        kv::KeyName(k.code, name, kv::kKeyNameCapacity, texts);
        EXPECT_EQ(std::wstring(name), k.name) << "language " << k.language << " code " << k.code;
    }
}

}  // namespace
