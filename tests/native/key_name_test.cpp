#include "keys/key_name.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "keys/unknown_key_format.h"

namespace kv {
namespace {

// A language table in memory: a missing key gives "#Error", as the language file does.
class FakeTexts final : public TextSource {
public:
    explicit FakeTexts(std::map<std::string, std::wstring> texts) : texts_(std::move(texts)) {}
    std::wstring Text(std::string_view key) const override {
        const auto it = texts_.find(std::string(key));
        return it == texts_.end() ? L"#Error" : it->second;
    }

private:
    std::map<std::string, std::wstring> texts_;
};

std::wstring Name(KeyCode code, const TextSource& texts) {
    wchar_t buffer[kKeyNameCapacity];
    KeyName(code, buffer, kKeyNameCapacity, texts);
    return buffer;
}

TEST(KeyName, NameKeyThenUnknownKeyText) {
    const FakeTexts texts({{"IDS_KEYBOARD_A", L"A"},
                           {"IDS_KEYBOARD_ESC", L"\u00c9chap"},
                           {"IDS_KEYBOARD_B", L""},
                           {"UNKNOWN_KEY", L"Key %d"}});
    struct Case {
        KeyCode code;
        const wchar_t* name;
    };
    const Case cases[] = {
        {0x01E, L"A"},
        {0x001, L"\u00c9chap"},
        {0x055, L"Key 85"},   // an empty row
        {0x064, L"Key 100"},  // F13 has no name key
        {0x030, L"Key 48"},   // B: its text is empty
        {0x02E, L"#Error"},   // C: its key is missing from the table
    };
    for (const auto& c : cases) EXPECT_EQ(Name(c.code, texts), c.name) << std::hex << c.code;

    const FakeTexts noUnknown({});
    EXPECT_EQ(Name(0x055, noUnknown), L"#Error");
}

TEST(KeyName, CutToTheCallersBuffer) {
    const std::wstring longText(300, L'x');
    const FakeTexts texts({{"IDS_KEYBOARD_A", longText}, {"UNKNOWN_KEY", L"Key %d"}});

    wchar_t buffer[kKeyNameCapacity + 8];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_EQ(KeyName(0x01E, buffer, kKeyNameCapacity, texts), 259u);
    EXPECT_EQ(std::wstring(buffer), longText.substr(0, 259));
    EXPECT_EQ(buffer[kKeyNameCapacity], L'#');  // nothing written past the capacity

    struct Case {
        std::size_t capacity;
        const wchar_t* name;
    };
    const Case cases[] = {{1, L""}, {2, L"K"}, {6, L"Key 8"}, {7, L"Key 85"}, {8, L"Key 85"}};
    for (const auto& c : cases) {
        std::fill(std::begin(buffer), std::end(buffer), L'#');
        KeyName(0x055, buffer, c.capacity, texts);
        EXPECT_EQ(std::wstring(buffer), c.name) << c.capacity;
        EXPECT_EQ(buffer[c.capacity], L'#') << c.capacity;
    }
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_EQ(KeyName(0x055, buffer, 0, texts), 0u);
    EXPECT_EQ(buffer[0], L'#');
    EXPECT_EQ(KeyName(0x055, nullptr, 260, texts), 0u);
}

// The "UNKNOWN_KEY" text comes from a file anyone can edit: only the first integer directive takes the
// number, whatever else the text holds.
TEST(KeyName, UnknownKeyTextIsData) {
    struct Case {
        const wchar_t* format;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"Key %d", L"Key 85"},
        {L"Key %u", L"Key 85"},
        {L"Key %i", L"Key 85"},
        {L"0x%03X", L"0x055"},
        {L"%x", L"55"},
        {L"%#x", L"0x55"},
        {L"%#X", L"0X55"},
        {L"%o", L"125"},
        {L"%5d|", L"   85|"},
        {L"%-5d|", L"85   |"},
        {L"%05d", L"00085"},
        {L"%.4u", L"0085"},
        {L"%+d", L"+85"},
        {L"%hu %lu %lld", L"85 %lu %lld"},
        {L"%s", L"%s"},
        {L"%n%n%n", L"%n%n%n"},
        {L"%s %d", L"%s 85"},
        {L"%d %d %s", L"85 %d %s"},
        {L"%ls %p %c", L"%ls %p %c"},
        {L"%*d", L"%*d"},
        {L"100%%", L"100%"},
        {L"%%d", L"%d"},
        {L"%", L"%"},
        {L"50% %d", L"50% 85"},
        {L"", L""},
        {L"no number", L"no number"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatKeyCodeText(c.format, 0x055), c.expected) << c.format;
        const FakeTexts texts({{"UNKNOWN_KEY", c.format}});
        EXPECT_EQ(Name(0x055, texts), c.expected) << c.format;
    }
    // A huge width is bounded, and the name is still cut to the buffer.
    EXPECT_EQ(FormatKeyCodeText(L"%999999999999d", 85).size(), static_cast<std::size_t>(kMaxFormatWidth));
    EXPECT_EQ(FormatKeyCodeText(L"%.99999999999u", 85).size(), static_cast<std::size_t>(kMaxFormatWidth));
    const FakeTexts wide({{"UNKNOWN_KEY", L"%999999999d"}});
    EXPECT_EQ(Name(0x055, wide).size(), 259u);
    EXPECT_EQ(FormatKeyCodeText(L"%u", 0xFFFF), L"65535");
    EXPECT_EQ(FormatKeyCodeText(L"%d", 0), L"0");
}

TEST(KeyName, ListName) {
    const FakeTexts texts({{"IDS_KEYBOARD_A", L"A"},
                           {"IDS_KEYBOARD_RSHIFT", L"Right Shift"},
                           {"IDS_KEYBOARD_MOU_LEFT", L"Left Button"},
                           {"UNKNOWN_KEY", L"Key %d"}});
    struct Case {
        uint16_t position;
        const wchar_t* name;
    };
    const Case cases[] = {
        {0x00, L"A"},
        {0x67, L"Right Shift"},
        {0x6B, L"Left Button"},
        {0x01, L"#Error"},  // B is listed but the table lacks its key
        {0x6A, L""},        // no key at that position
        {0x8064, L""},      // F13 has no name key
        {kNoListPosition, L""},
    };
    for (const auto& c : cases) EXPECT_EQ(ListName(c.position, texts), c.name) << std::hex << c.position;
}

}  // namespace
}  // namespace kv
