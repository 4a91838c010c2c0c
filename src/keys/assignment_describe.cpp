#include "keys/assignment_describe.h"

#include <vector>

#include "keys/action_catalogue.h"
#include "keys/key_name.h"
#include "macros/wide_text.h"

namespace kv {

namespace {

std::wstring NameOf(KeyCode code, const TextSource& texts) {
    std::vector<wchar_t> buf(kPromptCapacity, L'\0');
    const std::size_t n = KeyName(code, buf.data(), buf.size(), texts);
    return std::wstring(buf.data(), n);
}

std::wstring MacroNameOf(const ProfileData& data, uint32_t id) {
    std::lock_guard<std::mutex> hold(data.lock);
    for (const MacroRecord& m : data.content.macros)
        if (m.id == id) return WideFromUtf16(m.Name());
    return {};
}

}  // namespace

std::wstring CutToCapacity(std::wstring text, std::size_t capacity) {
    if (capacity == 0) return {};
    if (text.size() <= capacity - 1) return text;
    std::size_t keep = capacity - 1;
    if constexpr (sizeof(wchar_t) == 2) {
        const auto last = static_cast<unsigned>(text[keep - 1]);
        if (keep > 0 && last >= 0xD800 && last < 0xDC00) --keep;  // never leave half a pair
    }
    text.resize(keep);
    return text;
}

AssignmentPrompt DescribeAssignment(int gButton, KeyCode key, const KeySlot& slot, const ProfileData& data,
                                    const TextSource& texts) {
    AssignmentPrompt p;
    p.text = gButton >= 0 ? L"G" + std::to_wstring(gButton + 1) : NameOf(key, texts);
    if (slot.type == ASSIGN_DEFAULT) {
        p.text = CutToCapacity(std::move(p.text), kPromptCapacity);
        return p;
    }
    p.assignedLook = true;
    p.text += texts.Text("KEY_PROMPT_SET");
    switch (slot.type) {
        case ASSIGN_KEY:
            p.text += texts.Text("KEY_PROMPT_SINGLE");
            p.text += NameOf(static_cast<KeyCode>(slot.value), texts);
            p.text += L")";
            break;
        case ASSIGN_MACRO:
            p.text += texts.Text("KEY_PROMPT_MACRO");
            p.text += MacroNameOf(data, slot.value);
            p.text += L")";
            break;
        case ASSIGN_MEDIA:
            p.text += texts.Text("KEY_PROMPT_MEDIA");
            if (slot.value < static_cast<uint32_t>(MediaCount)) p.text += NameOf(MediaKeyCode(static_cast<int>(slot.value)), texts);
            p.text += L")";
            break;
        case ASSIGN_FUNCTION:
            p.text += texts.Text("KEY_PROMPT_FUNCTION");
            if (slot.value < static_cast<uint32_t>(FunctionCount)) p.text += texts.Text(FunctionNameKey(static_cast<int>(slot.value)));
            p.text += L")";
            break;
        default:
            break;
    }
    p.text = CutToCapacity(std::move(p.text), kPromptCapacity);
    return p;
}

}  // namespace kv
