// The question in front of Apply's write-out: while the working data did not come from the keyboard, the
// keyboard is read again first, and only when it still cannot be read does the user decide whether to
// replace every key assignment and macro it holds.
#pragma once

#include <windows.h>

namespace kv {

// On the main window's thread, before the keys and macros are written. True: write; false: the user said
// No (the default), nothing may be written and the changes stay unapplied.
[[nodiscard]] bool ConfirmKeyboardWrite(HWND owner);

// The question alone ("MAIN_KEYBOARD_UNREAD_PROMPT", Yes/No, No preselected); true for Yes.
[[nodiscard]] bool AskReplaceUnreadKeyboard(HWND owner);

}  // namespace kv
