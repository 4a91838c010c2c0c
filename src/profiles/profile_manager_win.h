// CKelvane_DlgProfile: the profile manager, modal over the main window (its button 1005), skinned from
// "Skins\Profile.ini". A list of profile data files (the keyboard's three profiles first, then files the
// user added or loaded), the marked row being the profile the keyboard uses; Apply stores the list in the
// framework's settings, switches the keyboard to the marked profile and reads the keyboard into the working
// file. Its texts come from the language file. Main window's thread only.
#pragma once

#include <memory>

#include "profiles/profile_list.h"
#include "profiles/user_dialogs_win.h"
#include "ui/main_window_parts_win.h"

namespace kv {

class ProfileManagerWindow;

class CKelvane_DlgProfile final : public ModalDialogPart {
public:
    // store: where the list is kept; null for the framework's per-user settings, section "PROFILES".
    explicit CKelvane_DlgProfile(MainWindowHost& host, UserDialogs& dialogs = SystemDialogs(),
                                 ProfileListStore* store = nullptr);
    ~CKelvane_DlgProfile() override;

    INT_PTR RunModal() override;
    [[nodiscard]] bool IsOpen() const override;
    [[nodiscard]] int OpenCount() const override;
    void Close() override;
    [[nodiscard]] HWND Handle() const override;
    [[nodiscard]] bool HasUnappliedChanges() const override;
    void DeviceProfileChanged(int profile) override;

private:
    MainWindowHost& host_;
    UserDialogs& dialogs_;
    ProfileListStore& store_;
    std::unique_ptr<ProfileManagerWindow> window_;  // exists while the dialog runs
};

[[nodiscard]] std::unique_ptr<ModalDialogPart> MakeProfileManagerDialog(MainWindowHost& host);

}  // namespace kv
