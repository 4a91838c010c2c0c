// A stand-in for the main window for the profile flows and the profile and update dialogs: a plain window
// with the host's services, the virtual keyboard bound in this process (its own channel and state file),
// scripted message boxes and file dialogs, and a way to press a modal dialog's buttons from outside.
#pragma once

#include <windows.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "control_client.h"
#include "profiles/user_dialogs_win.h"
#include "skin/ini_file.h"
#include "ui/main_window_parts_win.h"

namespace kvtest {

// The test process's virtual keyboard and folders (set up once, in main).
struct ProfileTestEnvironment {
    std::filesystem::path scratch;  // removed at the end
    std::string channel;
};
[[nodiscard]] const ProfileTestEnvironment& TestEnvironment();
[[nodiscard]] qvx::ControlClient Keyboard();

// Message boxes and file dialogs answered from a script; what was shown is recorded.
class ScriptedDialogs final : public kv::UserDialogs {
public:
    std::vector<std::wstring> told;
    std::vector<std::wstring> asked;
    std::deque<bool> answers;                 // for AskYesNo; No when empty
    std::deque<kv::FileChoice> files;         // for ChooseFile; cancelled when empty
    std::vector<kv::FileDialogRequest> requests;

    bool AskYesNo(HWND, const std::wstring& text) override;
    void Tell(HWND, const std::wstring& text) override { told.push_back(text); }
    kv::FileChoice ChooseFile(HWND, const kv::FileDialogRequest& request) override;
};

class TestHost final : public kv::MainWindowHost {
public:
    TestHost();
    ~TestHost() override;

    HWND Window() const override { return window_; }
    const CIniFile& MainLayout() const override { return layout_; }
    kv::skin::SkinSurface* SkinPicture(int) override { return nullptr; }
    void SetDirty(bool dirty) override { dirty_ = dirty; }
    bool IsDirty() const override { return dirty_; }
    // Writes every profile and the macros, as the window's Apply does with its busy animation.
    bool ApplyNow() override;
    // Runs the work on a thread of its own, as the window does, and counts it.
    void RunKeyboardWork(const std::function<void()>& work) override;
    int Profile() const override { return profile_; }
    int SelectProfile(int profile) override;
    CPngButton* KeyButton(UINT) override { return nullptr; }
    void RefreshKeyMarks() override { ++keyMarkRefreshes; }
    void RestoreKeyLook(UINT) override {}
    void ShowKeyColours() override {}
    void ClearKeyColours() override {}
    void RedrawPicture() override {}
    void ShowReportRate(int) override {}
    void LightingReloaded() override {}

    kv::ProfileFlowsPart* flows = nullptr;  // SelectProfile's switch
    int keyMarkRefreshes = 0;
    int applies = 0;
    int keyboardWorks = 0;
    std::vector<int> selected;

private:
    HWND window_ = nullptr;
    CIniFile layout_;
    bool dirty_ = false;
    int profile_ = 0;
};

// A key assignment dialog that is only open or not.
class OpenKeyDialog final : public kv::KeyAssignmentPart {
public:
    int open = 0;
    void SetMacroFlag(bool) override {}
    void SetTarget(int, int, UINT) override {}
    INT_PTR RunModal() override { return IDCANCEL; }
    bool IsOpen() const override { return open > 0; }
    int OpenCount() const override { return open; }
    void Close() override { open = 0; }
    HWND Handle() const override { return nullptr; }
};

// Runs the dialog modally while another thread waits for it to show and runs the script against it (the
// script's SendMessage calls are handled inside the modal loop). Returns the dialog's result; the script
// ends the dialog itself, or it is closed when the script returns.
INT_PTR RunModalWith(kv::ModalDialogPart& dialog, const std::function<void(HWND)>& script);
// Presses a button of a dialog from outside, as a click would.
void Click(HWND dialog, int id);

// The keyboard's memory areas and log.
[[nodiscard]] std::vector<uint8_t> Memory(const std::string& area);
// The command codes of the reports the keyboard received since its log was cleared.
[[nodiscard]] std::vector<uint8_t> VendorCommands();
[[nodiscard]] std::vector<uint8_t> FileBytes(const std::filesystem::path& path);

}  // namespace kvtest
