// A stand-in main window for the lighting panel's tests: the skinned window of "Skins\Main.ini" with the
// keyboard picture's 115 image buttons and what MainWindowHost offers, dispatching the panel's commands,
// slider messages, key clicks and preview timer the way the main window does.
#pragma once

#include <windows.h>

#include <map>
#include <memory>

#include "lighting/lighting_panel_win.h"
#include "skin/base_dialog.h"
#include "skin/png_button.h"
#include "skin/skin_image.h"
#include "ui/main_window_parts_win.h"

namespace lightingtest {

class PanelHost : public CBaseDialog, public kv::MainWindowHost {
public:
    PanelHost();
    ~PanelHost() override;

    [[nodiscard]] kv::CLightingPanel& Panel() { return *panel_; }
    [[nodiscard]] int ReportRateShown() const { return reportRate_; }
    [[nodiscard]] int Selections() const { return selections_; }
    bool refuseSelect = false;

    // MainWindowHost
    [[nodiscard]] HWND Window() const override { return m_hWnd; }
    [[nodiscard]] const CIniFile& MainLayout() const override { return Layout(); }
    [[nodiscard]] kv::skin::SkinSurface* SkinPicture(int index) override;
    void SetDirty(bool dirty) override { dirty_ = dirty; }
    [[nodiscard]] bool IsDirty() const override { return dirty_; }
    [[nodiscard]] bool ApplyNow() override { return true; }
    [[nodiscard]] int Profile() const override { return profile_; }
    int SelectProfile(int profile) override;
    [[nodiscard]] CPngButton* KeyButton(UINT controlId) override;
    void RefreshKeyMarks() override {}
    void RestoreKeyLook(UINT) override {}
    void ShowKeyColours() override;
    void ClearKeyColours() override;
    void RedrawPicture() override;
    void ShowReportRate(int index) override { reportRate_ = index; }
    void LightingReloaded() override {}

protected:
    BOOL OnInitDialog() override;
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    kv::skin::SkinSurface surfaces_[4];
    std::map<UINT, std::unique_ptr<CPngButton>> keys_;
    std::unique_ptr<kv::CLightingPanel> panel_;
    bool dirty_ = false;
    int profile_ = 0;
    int reportRate_ = -1;
    int selections_ = 0;
};

}  // namespace lightingtest
