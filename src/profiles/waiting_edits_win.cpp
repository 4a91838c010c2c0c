// Runs on the main window's thread; the working data is taken under its lock by the core functions.
#include "profiles/waiting_edits_win.h"

#include <string>

#include "macros/keyboard_data_link.h"
#include "macros/profile_data.h"
#include "profiles/kept_edits.h"
#include "profiles/profile_window_win.h"
#include "ui/tray_icon_win.h"

namespace kv {

namespace {

bool g_told = false;  // the user heard that edits wait, since they last settled

}  // namespace

bool KeepWaitingEditsOnAttach(MainWindowHost& host) {
    if (!host.IsDirty()) {
        const std::wstring prefix = Text("MACRO_NEW_PREFIX");
        if (!TakeUpKeptEdits(WorkingFile(), CommandSetDataLink(), KeyboardDefaultKeys(),
                             std::u16string(prefix.begin(), prefix.end()), TheProfileData()))
            return false;
        host.SetDirty(true);
    }
    if (!g_told) {
        ProgramTrayIcon().ShowNotice(Text("MAIN_EDITS_WAIT_NOTICE"));
        g_told = true;
    }
    return true;
}

void KeepEditsForNextStart() { (void)KeepEdits(WorkingFile(), TheProfileData()); }

void EditsSettled() {
    ForgetKeptEdits(WorkingFile());
    g_told = false;
}

int AskBeforeExit(HWND owner, UserDialogs& dialogs) {
    return dialogs.AskYesNoCancel(owner, Text("MAIN_EXIT_UNAPPLIED_PROMPT"));
}

}  // namespace kv
