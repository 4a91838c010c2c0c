// The main window is the hub the child dialogs and the lighting panel plug into. Each part sees the window
// only through MainWindowHost, and the window sees each part only through its interface below, so a part
// can be built and tested without touching the window's logic. All of it runs on the main window's thread.
//
// A part that does not exist yet is a null pointer in MainWindowParts: its commands do nothing visible.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <memory>

namespace kv::skin {
class SkinSurface;
}
class CIniFile;
class CPngButton;

namespace kv {

// What the main window offers to the parts that plug into it.
class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;

    [[nodiscard]] virtual HWND Window() const = 0;
    // The window's layout file ("Skins\Main.ini") and its skin image set, for parts that place their own
    // controls on the window (the lighting panel).
    [[nodiscard]] virtual const CIniFile& MainLayout() const = 0;
    // The eleven full-window pictures: 0 normal, 1 hover, 2 pressed, 3 disabled, 4-7 the second set,
    // 8 arrow, 9 colour off, 10 colour on.
    [[nodiscard]] virtual kv::skin::SkinSurface* SkinPicture(int index) = 0;

    // Unsaved key or macro changes: mirrored by Apply's enabled state.
    virtual void SetDirty(bool dirty) = 0;
    [[nodiscard]] virtual bool IsDirty() const = 0;
    // Apply as the Apply button runs it (busy animation, write-out); true when everything was written.
    [[nodiscard]] virtual bool ApplyNow() = 0;
    // Runs work that writes to the keyboard as Apply does: on a thread of its own with the busy animation,
    // the window pumping its messages while every window that could start another write is disabled.
    virtual void RunKeyboardWork(const std::function<void()>& work) { work(); }

    // The profile the window shows and edits (0-2).
    [[nodiscard]] virtual int Profile() const = 0;
    // The main window's SelectProfile (profile buttons; the lighting panel when it opens): lighting reload,
    // panel refresh, then the profile switch of the profile flows; returns 0 when the switch was refused.
    virtual int SelectProfile(int profile) = 0;

    // Keyboard picture services.
    // The image button of a key, G-key or Fn control id (nullptr for any other id).
    [[nodiscard]] virtual CPngButton* KeyButton(UINT controlId) = 0;
    // Every key and G-key button's checked look and tooltip from the working data (after a load or store).
    virtual void RefreshKeyMarks() = 0;
    // The standard look of a key button again (the key assignment dialog closes).
    virtual void RestoreKeyLook(UINT controlId) = 0;
    virtual void ShowKeyColours() = 0;   // every key button framed in its LED's colour
    virtual void ClearKeyColours() = 0;  // frames off, checked flags off
    virtual void RedrawPicture() = 0;

    // The report-rate buttons' radio look (index 0-3), set by the lighting panel's refresh.
    virtual void ShowReportRate(int index) = 0;
    // Tray tooltip and the main window repaint after a lighting reload from the keyboard.
    virtual void LightingReloaded() = 0;

    // The keyboard's macro memory in bytes (information block byte 11 x 128), 0 while it is not known.
    [[nodiscard]] virtual std::size_t MacroCapacity() const { return 0; }
};

// Kelvane_DlgComposite: the key assignment dialog with its macro page.
class KeyAssignmentPart {
public:
    virtual ~KeyAssignmentPart() = default;
    virtual void SetMacroFlag(bool macroOnly) = 0;
    // imageSet 0: the standard look is restored from the first image set when the dialog ends.
    virtual void SetTarget(int imageSet, int keyIndex, UINT controlId) = 0;
    // Runs modally over the main window; returns when the dialog has ended and the key's look is restored.
    virtual INT_PTR RunModal() = 0;
    [[nodiscard]] virtual bool IsOpen() const = 0;
    [[nodiscard]] virtual int OpenCount() const = 0;  // the profile switch refuses while this is not 0
    virtual void Close() = 0;
    [[nodiscard]] virtual HWND Handle() const = 0;  // receives MSG_LANGUAGE while open
    // Builds the dialog's window hidden (controls, pictures, texts) ahead of the first opening; the main
    // window calls it once, after its first showing.
    virtual void Prepare() {}
};

// CKelvane_DlgProfile and CKelvane_DlgUpdate: modal dialogs.
class ModalDialogPart {
public:
    virtual ~ModalDialogPart() = default;
    virtual INT_PTR RunModal() = 0;
    [[nodiscard]] virtual bool IsOpen() const = 0;
    [[nodiscard]] virtual int OpenCount() const = 0;
    virtual void Close() = 0;
    [[nodiscard]] virtual HWND Handle() const = 0;
    // The profile manager: its Apply is enabled, so its list holds changes not applied yet.
    [[nodiscard]] virtual bool HasUnappliedChanges() const { return false; }
    // The profile manager: the keyboard switched to this profile with nothing unapplied; its row is marked.
    virtual void DeviceProfileChanged(int /*profile*/) {}
};

// Profile flows of the window: attach load, profile switch with its prompts, export and import.
class ProfileFlowsPart {
public:
    virtual ~ProfileFlowsPart() = default;
    // MSG_PROFILE: ensure the user folder, read the keyboard into the working file and load it; edits that
    // wait to be applied (the window's, or those kept from the last run) are kept instead.
    virtual void LoadOnAttach() = 0;
    // Switches the keyboard to the profile (may ask PROFILE_SELECT_PROMPT); 0 when refused or failed.
    virtual int SwitchProfile(int profile) = 0;
    virtual void Import() = 0;  // file menu 32776
    virtual void Export() = 0;  // file menu 32777
};

// The lighting panel on the main window.
class LightingPart {
public:
    virtual ~LightingPart() = default;
    // Start-up step 11: load its bitmaps, create and place its controls from the main layout.
    virtual void Create() = 0;
    // Its commands (1146, 1149, 1150, 1152, 1155, 1156, 1160, 1162, 1164, 1165, 1167, 1175, 1194-1198);
    // true when the id was the panel's.
    virtual bool OnCommand(UINT id, UINT notifyCode) = 0;
    virtual void OnSlider(WPARAM wParam, LPARAM lParam) = 0;  // MSG_SLIDER
    // Lighting state from the keyboard for the profile (information block, records, per-key flag).
    virtual void Reload(int profile) = 0;
    virtual void Refresh() = 0;  // controls from the loaded state
    // SelectProfile step 2-3 and the attach reload: user-mode list and colour set of the profile.
    virtual void ProfileChanged(int profile) = 0;
    [[nodiscard]] virtual bool PerKeyEdit() const = 0;
    virtual void EndPerKeyEdit() = 0;             // clears the flag and saves the per-key colours
    virtual void PaintKey(UINT controlId) = 0;    // key command while per-key edit is on
    virtual void RestoreDefaults() = 0;           // the restore-defaults command with per-key edit on
    // The preview: the window tells the panel when it is shown or hidden; the panel runs TIMER_PREVIEW only
    // while it is shown and a preview is on, and steps it here. The window kills TIMER_PREVIEW when it fires
    // and calls PreviewStep only while PerKeyEdit() is on; the panel arms it again (SetTimer on Window(),
    // 50 ms) for as long as the preview goes on, so a hidden window has no timer running.
    virtual void WindowShown(bool shown) = 0;
    virtual void PreviewStep() = 0;
    virtual void ApplyLanguage() = 0;
    // Colour of a key control in the current per-key map (ShowKeyColours); false when it has no LED.
    [[nodiscard]] virtual bool KeyColour(UINT controlId, COLORREF& colour) const = 0;
    // WM_CTLCOLORSTATIC of the window for one of the panel's labels: the brush (after setting the text
    // colour and mode on dc), or nullptr to let the window draw the label transparent over the skin.
    [[nodiscard]] virtual HBRUSH StaticColour(HDC /*dc*/, HWND /*control*/) { return nullptr; }
};

struct MainWindowParts {
    std::unique_ptr<KeyAssignmentPart> keyDialog;
    std::unique_ptr<ModalDialogPart> profileManager;
    std::unique_ptr<ModalDialogPart> updateDialog;
    std::unique_ptr<ProfileFlowsPart> profileFlows;
    std::unique_ptr<LightingPart> lighting;
};

// Builds every part that exists for the window (main_window_parts_win.cpp: one line per part).
MainWindowParts MakeMainWindowParts(MainWindowHost& host);

}  // namespace kv
