// CLightingPanel: the lighting controls of the main window. It edits the current profile's lighting record
// (each change is written to the keyboard at once), the per-key colours of the custom effect, and shows a
// preview of the selected effect on the window's keyboard picture. It creates and places its own controls
// from "Skins\Main.ini" and sees the window only through MainWindowHost.
//
// Everything runs on the main window's thread: the commands, the slider messages and the preview timer
// (TIMER_PREVIEW on the main window, running only while the panel is open, the window is shown and the
// selected effect moves).
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "lighting/key_colour_map.h"
#include "lighting/lighting_preview.h"
#include "lighting/lighting_session.h"
#include "profiles/profile_settings.h"
#include "ui/main_window_parts_win.h"
#include "widgets/bitmap_slider_win.h"
#include "widgets/colour_button_win.h"
#include "widgets/skin_combo_win.h"
#include "widgets/picture_button_win.h"
#include "widgets/text_label_win.h"

namespace kv {

std::unique_ptr<LightingPart> MakeLightingPanel(MainWindowHost& host);

// The window property on the main window that is set while the preview's timer runs, for tools and tests
// that look at the program from outside.
inline constexpr wchar_t kPreviewRunningProperty[] = L"Kelvane.PreviewRunning";

class CLightingPanel final : public LightingPart {
public:
    explicit CLightingPanel(MainWindowHost& host);
    ~CLightingPanel() override;

    void Create() override;
    bool OnCommand(UINT id, UINT notifyCode) override;
    void OnSlider(WPARAM wParam, LPARAM lParam) override;
    void Reload(int profile) override;
    void Refresh() override;
    void ProfileChanged(int profile) override;
    [[nodiscard]] bool PerKeyEdit() const override { return open_; }
    void EndPerKeyEdit() override;
    void PaintKey(UINT controlId) override;
    void RestoreDefaults() override;
    void WindowShown(bool shown) override;
    void PreviewStep() override;
    void ApplyLanguage() override;
    [[nodiscard]] bool KeyColour(UINT controlId, COLORREF& colour) const override;

    // The colour picker the colour buttons open (the system's by default; tests give their own).
    using ColourPicker = std::function<bool(HWND owner, uint32_t& colour)>;
    void SetColourPicker(ColourPicker picker) { picker_ = std::move(picker); }
    [[nodiscard]] const LightingSession& Session() const { return session_; }
    [[nodiscard]] const KeyColourMap& ColourMap() const { return map_; }
    [[nodiscard]] bool PreviewRunning() const { return timerRunning_; }
    [[nodiscard]] HWND Control(int id) const;

private:
    void CreateControls();
    void PlaceControls();
    void Open();
    void Close();
    void ShowControls();
    void ShowDirectionLook();
    void ShowColourLooks();
    void ShowSetControls();
    void MakeFont(const std::wstring& sample);
    void FillEffectList();
    void FillSetList();
    void CommitSetName();
    bool PickColour(uint32_t& colour);
    void ShowPerKeyColours();
    void UpdatePreviewTimer();
    void RestartPreview();
    [[nodiscard]] bool PreviewMoves() const;
    void ClearPreviewFrames();
    [[nodiscard]] int EffectNumber() const { return session_.Working().effect; }
    [[nodiscard]] bool PerKeySelected() const { return EffectNumber() == kPerKeyEffect; }
    void WriteOpenFlag(bool open);
    [[nodiscard]] bool ReadOpenFlag();

    MainWindowHost& host_;
    ProfileSettings settings_;
    LightingSession session_;
    KeyColourMap map_;
    LightingPreview preview_;
    std::vector<UINT> previewControls_;      // the key button of each preview cell
    std::vector<COLORREF> shownFrames_;      // what each key button shows, to repaint only changes
    std::vector<uint32_t> frameColours_;
    ColourPicker picker_;

    widgets::CPictureButton panelSwitch_;
    widgets::CTextLabel title_;
    widgets::CTextLabel brightnessLabel_, speedLabel_, directionLabel_;
    widgets::CBitmapSlider brightness_, speed_;
    widgets::CPictureButton directionFirst_, directionSecond_;
    widgets::CTextLabel mainColourLabel_, mainMultiLabel_, pairColourLabel_, pairMultiLabel_;
    widgets::CColourButton mainColour_, pairColour_;
    widgets::CPictureButton mainMulti_, pairMulti_;
    std::array<widgets::CPictureButton, 4> choice_;
    widgets::CTextLabel paintLabel_, baseLabel_, toolLabel_;
    widgets::CColourButton paintColour_, baseColour_;
    widgets::CPictureButton toolPaint_, toolFollow_;
    widgets::CSkinCombo effectList_, setList_;

    bool created_ = false;
    bool setUnread_ = false;  // a profile change found no effect list: its colour set waits for a read
    bool open_ = false;
    bool windowShown_ = false;
    bool timerRunning_ = false;
    bool setNameEdited_ = false;
    int setListSelection_ = -1;
    int directionLook_ = -1;  // the effect whose direction pictures are loaded
};

}  // namespace kv
