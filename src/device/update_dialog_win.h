// CKelvane_DlgUpdate: the firmware update dialog, modal over the main window (command 32780, the file
// menu's "Firmware update…"), skinned from "Skins\UpdateDlg.ini". It chooses the updater program, backs the
// profile data up, puts the keyboard into its boot loader and starts the updater. Its texts come from the
// language file. Main window's thread only.
#pragma once

#include <memory>

#include "device/firmware_update.h"
#include "profiles/user_dialogs_win.h"
#include "ui/main_window_parts_win.h"

namespace kv {

class UpdateDialogWindow;

class CKelvane_DlgUpdate final : public ModalDialogPart {
public:
    // launch: the boot request and the updater's start; null for the keyboard and the system's shell.
    explicit CKelvane_DlgUpdate(MainWindowHost& host, UserDialogs& dialogs = SystemDialogs(),
                                UpdaterLaunch* launch = nullptr);
    ~CKelvane_DlgUpdate() override;

    INT_PTR RunModal() override;
    [[nodiscard]] bool IsOpen() const override;
    [[nodiscard]] int OpenCount() const override { return IsOpen() ? 1 : 0; }
    void Close() override;
    [[nodiscard]] HWND Handle() const override;

private:
    MainWindowHost& host_;
    UserDialogs& dialogs_;
    UpdaterLaunch* launch_;
    std::unique_ptr<UpdateDialogWindow> window_;  // exists while the dialog runs
};

[[nodiscard]] std::unique_ptr<ModalDialogPart> MakeUpdateDialog(MainWindowHost& host);

}  // namespace kv
