// The prompt text of a key button.
#include <gtest/gtest.h>

#include <map>

#include "keys/assignment_describe.h"
#include "keys/key_catalogue.h"

namespace kv {
namespace {

class MapTexts final : public TextSource {
public:
    std::map<std::string, std::wstring, std::less<>> texts;
    std::wstring Text(std::string_view key) const override {
        const auto it = texts.find(key);
        return it == texts.end() ? L"#Error" : it->second;
    }
};

TEST(DescribeAssignment, NamesTheKeyAndWhatItDoes) {
    MapTexts t;
    t.texts = {{"IDS_KEYBOARD_A", L"A"}, {"IDS_KEYBOARD_B", L"B"}, {"KEY_PROMPT_SET", L" set "}, {"KEY_PROMPT_SINGLE", L"(key "},
               {"KEY_PROMPT_MACRO", L"(macro "}, {"KEY_PROMPT_MEDIA", L"(media "}, {"KEY_PROMPT_FUNCTION", L"(function "},
               {"MEDIA_MUTE_8", L"Mute"}, {"FUNC_KEY_DESC11", L"Lock"}, {"UNKNOWN_KEY", L"Key %04X"}};
    ProfileData data;
    MacroRecord m = NewMacro(u"Combo", 6);
    data.content.macros.push_back(m);
    struct Case { int gButton; KeyCode key; KeySlot slot; const wchar_t* text; bool look; };
    const Case cases[] = {
        {-1, 0x01E, {}, L"A", false},
        {-1, 0x01E, {ASSIGN_KEY, 0, 0x030, 0, 0}, L"A set (key B)", true},
        {-1, 0x01E, {ASSIGN_MACRO, 1, 6, 0, 0}, L"A set (macro Combo)", true},
        {-1, 0x01E, {ASSIGN_MACRO, 1, 7, 0, 0}, L"A set (macro )", true},
        {-1, 0x01E, {ASSIGN_MEDIA, 0, 7, 0, 0}, L"A set (media Mute)", true},
        {-1, 0x01E, {ASSIGN_FUNCTION, 0, 10, 0, 0}, L"A set (function Lock)", true},
        {-1, 0x01E, {ASSIGN_FUNCTION, 0, 11, 0, 0}, L"A set (function )", true},
        {-1, 0x01E, {ASSIGN_DISABLED, 0, 0, 0, 0}, L"A set ", true},
        {-1, 0x01E, {ASSIGN_TEXT, 0, 0, 0, 0}, L"A set ", true},
        {-1, 0x01E, {42, 0, 0, 0, 0}, L"A set ", true},
        {2, 0x202, {}, L"G3", false},
        {8, 0x211, {ASSIGN_STOP_MACRO, 0x1309, 0, 0, 0}, L"G9 set ", true},
    };
    for (const auto& c : cases) {
        const AssignmentPrompt p = DescribeAssignment(c.gButton, c.key, c.slot, data, t);
        EXPECT_EQ(p.text, c.text) << c.slot.type;
        EXPECT_EQ(p.assignedLook, c.look) << c.slot.type;
    }
}

TEST(DescribeAssignment, LongPromptsAreCutToTheBuffer) {
    MapTexts t;
    t.texts = {{"IDS_KEYBOARD_A", std::wstring(200, L'a')}, {"KEY_PROMPT_SET", std::wstring(200, L's')},
               {"KEY_PROMPT_MACRO", L"("}};
    ProfileData data;
    data.content.macros.push_back(NewMacro(std::u16string(249, u'm'), 1));
    const AssignmentPrompt p = DescribeAssignment(-1, 0x01E, {ASSIGN_MACRO, 1, 1, 0, 0}, data, t);
    EXPECT_EQ(p.text.size(), kPromptCapacity - 1);
    EXPECT_EQ(p.text.substr(0, 200), std::wstring(200, L'a'));
    std::wstring pair(258, L'x');
    pair.push_back(static_cast<wchar_t>(0xD83D));
    pair.push_back(static_cast<wchar_t>(0xDE00));
    EXPECT_EQ(CutToCapacity(pair, 260).size(), sizeof(wchar_t) == 2 ? 258u : 259u);
}

}  // namespace
}  // namespace kv
