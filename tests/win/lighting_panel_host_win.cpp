#include "lighting_panel_host_win.h"

#include "app/app_messages.h"
#include "app/current_profile.h"
#include "keys/key_catalogue.h"
#include "skin/placement.h"

namespace lightingtest {
namespace {

std::wstring KeyLayoutName(UINT id) {
    if (id == kv::kFnButtonControl) return L"KEY_FN";
    const kv::PictureControl c = kv::PictureKeyOfControl(static_cast<int>(id));
    if (c.kind == kv::PictureControl::kGButton) return L"FUNC_G" + std::to_wstring(c.position + 1);
    wchar_t name[16];
    swprintf(name, 16, L"KEY_%03X", kv::KeyIndexOf(kv::PictureKeyCode(c.position)));
    return name;
}

}  // namespace

PanelHost::PanelHost()
    : CBaseDialog(0, nullptr, kv::skin::ProgramDirectory() + L"Skins\\Main.ini", kv::skin::ProgramDirectory() + L"Skins\\") {}

PanelHost::~PanelHost() {
    panel_.reset();
    keys_.clear();
    if (m_hWnd != nullptr) DestroyWindow(m_hWnd);
}

kv::skin::SkinSurface* PanelHost::SkinPicture(int index) {
    return index >= 0 && index < 4 ? &surfaces_[index] : nullptr;
}

BOOL PanelHost::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    const wchar_t* pictures[4] = {L"Skins\\main_normal.jpg", L"Skins\\main_over.jpg", L"Skins\\main_down.jpg", L"Skins\\main_disable.jpg"};
    for (int i = 0; i < 4; ++i) kv::skin::RenderImageToSurface(surfaces_[i], kv::skin::LoadSkinImage(pictures[i]), m_hWnd);
    std::vector<UINT> ids;
    for (int i = 0; i < kv::kPictureKeyCount; ++i) ids.push_back(static_cast<UINT>(kv::ControlOfPictureKey(i)));
    for (int g = 0; g < kv::kGButtonCount; ++g) ids.push_back(static_cast<UINT>(kv::ControlOfGButton(g)));
    ids.push_back(static_cast<UINT>(kv::kFnButtonControl));
    for (UINT id : ids) {
        auto b = std::make_unique<CPngButton>();
        (void)b->Create(m_hWnd, static_cast<int>(id), L"", RECT{1, 1, 2, 2});
        kv::skin::PlaceButton(*b, Layout(), L"BUTTONINFO", KeyLayoutName(id).c_str(),
                              {&surfaces_[0], &surfaces_[1], &surfaces_[2], &surfaces_[0], &surfaces_[3]});
        keys_[id] = std::move(b);
    }
    panel_ = std::make_unique<kv::CLightingPanel>(*this);
    panel_->Create();
    return TRUE;
}

INT_PTR PanelHost::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            const UINT id = LOWORD(wParam);
            if (panel_ && panel_->OnCommand(id, HIWORD(wParam))) return TRUE;
            if (keys_.count(id) != 0 && panel_ && panel_->PerKeyEdit()) {
                panel_->PaintKey(id);
                return TRUE;
            }
            break;
        }
        case kv::MSG_SLIDER:
            if (panel_) panel_->OnSlider(wParam, lParam);
            return TRUE;
        case WM_TIMER:
            if (wParam == kv::TIMER_PREVIEW && panel_) {  // as the main window does
                KillTimer(m_hWnd, kv::TIMER_PREVIEW);
                if (panel_->PerKeyEdit()) panel_->PreviewStep();
                return TRUE;
            }
            break;
        case WM_SHOWWINDOW:
            if (panel_) panel_->WindowShown(wParam != 0);
            break;
        default: break;
    }
    return CBaseDialog::DialogProc(message, wParam, lParam);
}

int PanelHost::SelectProfile(int profile) {
    ++selections_;
    if (refuseSelect) return 0;
    profile_ = profile;
    kv::SetCurrentProfile(profile);
    panel_->Reload(profile);
    panel_->ProfileChanged(profile);
    panel_->Refresh();
    if (panel_->PerKeyEdit()) panel_->EndPerKeyEdit();
    return 1;
}

CPngButton* PanelHost::KeyButton(UINT controlId) {
    const auto it = keys_.find(controlId);
    return it == keys_.end() ? nullptr : it->second.get();
}

void PanelHost::ShowKeyColours() {
    for (auto& [id, button] : keys_) {
        COLORREF colour = 0;
        if (panel_->KeyColour(id, colour)) button->SetFrame(colour, true);
    }
}

void PanelHost::ClearKeyColours() {
    for (auto& [id, button] : keys_) {
        button->SetChecked(false, false);
        button->SetFrame(0, false);
    }
}

void PanelHost::RedrawPicture() {
    for (auto& [id, button] : keys_) button->Redraw();
}

}  // namespace lightingtest
