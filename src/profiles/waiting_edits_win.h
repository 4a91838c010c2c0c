// Key and macro edits that wait to be applied, when something happens around them: the keyboard is attached
// again (a USB reset, a resume, a replugged cable), the program ends, the session ends, the program starts
// again. They are never replaced or dropped without the user's word. Main window's thread only.
#pragma once

#include <windows.h>

#include "profiles/user_dialogs_win.h"
#include "ui/main_window_parts_win.h"

namespace kv {

// At an attach (MSG_PROFILE): true when edits wait, the window's own or those kept from the last run, and
// the keyboard's key tables and macros must not replace them; kept edits become the working data and the
// window's (host.SetDirty(true)). The user is told once, by a balloon over the notification-area icon, until
// the edits are applied or dropped.
[[nodiscard]] bool KeepWaitingEditsOnAttach(MainWindowHost& host);

// The program or the session ends with edits waiting: they are kept in the working file for the next start.
void KeepEditsForNextStart();

// The edits were applied or dropped: nothing is kept any more, and edits that wait later are told of again.
void EditsSettled();

// The user exits with edits waiting: Apply (IDYES), drop them (IDNO) or stay (IDCANCEL).
[[nodiscard]] int AskBeforeExit(HWND owner, UserDialogs& dialogs = SystemDialogs());

}  // namespace kv
