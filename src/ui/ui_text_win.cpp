#include "ui/ui_text_win.h"

#include "skin/language.h"

namespace kv {

std::wstring UiText(const char* key) { return LookupText(key, GetLanguageIndex()); }

int UiLanguageIndex() { return GetLanguageIndex(); }

}  // namespace kv
