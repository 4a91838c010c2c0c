// The profile flows of the main window: loading the keyboard's data when it is attached, switching the
// keyboard's profile with its refusal and its question about unapplied changes, and export and import of
// profile data (the profile data file or its JSON form) through the system's file dialogs.
// Main window's thread only.
#pragma once

#include <memory>

#include "profiles/user_dialogs_win.h"
#include "ui/main_window_parts_win.h"

namespace kv {

class ProfileFlows final : public ProfileFlowsPart {
public:
    // The key assignment dialog and the profile manager may be null (not part of the window).
    ProfileFlows(MainWindowHost& host, KeyAssignmentPart* keyDialog, ModalDialogPart* profileManager,
                 UserDialogs& dialogs = SystemDialogs());

    void LoadOnAttach() override;
    int SwitchProfile(int profile) override;
    void Import() override;
    void Export() override;

    // Imports the file as the menu's import does after its dialog.
    void ImportFile(const std::wstring& path);
    [[nodiscard]] bool QuestionOpen() const { return questionOpen_; }

private:
    MainWindowHost& host_;
    KeyAssignmentPart* keyDialog_;
    ModalDialogPart* profileManager_;
    UserDialogs& dialogs_;
    bool questionOpen_ = false;
};

// The window's profile flows; the key assignment dialog and the profile manager are taken from the parts
// made before them.
[[nodiscard]] std::unique_ptr<ProfileFlowsPart> MakeProfileFlows(MainWindowHost& host, const MainWindowParts& parts);

}  // namespace kv
