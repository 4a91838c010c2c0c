// Runs on the main window's thread.
#include "ui/keyboard_write_gate_win.h"

#include <string>

#include "macros/keyboard_data_link.h"
#include "macros/profile_data.h"
#include "profiles/keyboard_write_gate.h"
#include "ui/ui_text_win.h"

namespace kv {

bool AskReplaceUnreadKeyboard(HWND owner) {
    const int answer = MessageBoxW(owner, UiText(kMessageKeyboardUnread).c_str(), UiText("MAIN_CAPTION").c_str(),
                                   MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING);
    return answer == IDYES;
}

bool ConfirmKeyboardWrite(HWND owner) {
    const std::wstring prefix = UiText("MACRO_NEW_PREFIX");
    const std::u16string namePrefix(prefix.begin(), prefix.end());
    const KeyboardWriteGate gate =
        PrepareKeyboardWrite(CommandSetDataLink(), CurrentDefaultKeyTable(), namePrefix, TheProfileData());
    return gate == KeyboardWriteGate::Write || AskReplaceUnreadKeyboard(owner);
}

}  // namespace kv
