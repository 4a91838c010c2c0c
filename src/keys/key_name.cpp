#include "keys/key_name.h"

#include <algorithm>

#include "keys/unknown_key_format.h"

namespace kv {

std::size_t KeyName(KeyCode code, wchar_t* buffer, std::size_t capacity, const TextSource& texts) {
    if (buffer == nullptr || capacity == 0) return 0;
    const KeyEntry& entry = CatalogueEntry(KeyIndexOf(code));
    std::wstring text;
    if (entry.nameKey[0] != '\0') text = texts.Text(entry.nameKey);
    if (text.empty()) text = FormatKeyCodeText(texts.Text(kUnknownKeyTextKey), code);
    const std::size_t length = std::min(text.size(), capacity - 1);
    std::copy_n(text.data(), length, buffer);
    buffer[length] = L'\0';
    return length;
}

std::size_t KeyName(KeyCode code, wchar_t* buffer, std::size_t capacity) {
    return KeyName(code, buffer, capacity, CurrentLanguageTexts{});
}

std::wstring ListName(uint16_t listPosition, const TextSource& texts) {
    const KeyCode code = KeyCodeAtListPosition(listPosition);
    const KeyEntry& entry = CatalogueEntry(KeyIndexOf(code));
    if (entry.listPosition != listPosition || entry.nameKey[0] == '\0') return {};
    return texts.Text(entry.nameKey);
}

std::wstring ListName(uint16_t listPosition) { return ListName(listPosition, CurrentLanguageTexts{}); }

}  // namespace kv
