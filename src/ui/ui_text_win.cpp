#include "ui/ui_text_win.h"

namespace kv {

// The language tables are not part of the program yet: every key reads as missing, which is what the
// window shows for a key the language file lacks.
std::wstring UiText(const char*) { return L"#Error"; }

int UiLanguageIndex() { return 0; }

}  // namespace kv
