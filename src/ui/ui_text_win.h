// Texts shown by the main window, its notification-area icon and the About box: looked up by key in the
// language file each time they are shown.
#pragma once

#include <string>

namespace kv {

[[nodiscard]] std::wstring UiText(const char* key);
// The language index the window was last told about (MSG_LANGUAGE).
[[nodiscard]] int UiLanguageIndex();

}  // namespace kv
