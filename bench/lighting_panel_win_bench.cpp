// The lighting preview's whole 50 ms step on the real skinned keyboard picture (115 image buttons repainting
// their frames), and the CPU the window's thread uses while the panel is closed and the window hidden.
// Windows build, run under Wine on a display. Prints figures; never fails.
#include <chrono>
#include <cstdio>
#include <vector>

#include "lighting/lighting_preview.h"
#include <windows.h>

#include <map>
#include <memory>

#include "keys/key_catalogue.h"
#include "skin/base_dialog.h"
#include "skin/placement.h"
#include "skin/png_button.h"
#include "skin/skin_image.h"

namespace {

using Clock = std::chrono::steady_clock;

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

// The keyboard picture of the main window's skin: 105 keys, nine G-keys and Fn as image buttons.
class Picture : public CBaseDialog {
public:
    Picture() : CBaseDialog(0, nullptr, kv::skin::ProgramDirectory() + L"Skins\\Main.ini", kv::skin::ProgramDirectory() + L"Skins\\") {}
    std::vector<std::unique_ptr<CPngButton>> buttons;

protected:
    BOOL OnInitDialog() override {
        CBaseDialog::OnInitDialog();
        kv::skin::RenderImageToSurface(normal_, kv::skin::LoadSkinImage(L"Skins\\main_normal.jpg"), m_hWnd);
        for (int i = 0; i < kv::kPictureKeyCount + kv::kGButtonCount; ++i) {
            const bool key = i < kv::kPictureKeyCount;
            const int id = key ? kv::ControlOfPictureKey(i) : kv::ControlOfGButton(i - kv::kPictureKeyCount);
            wchar_t name[16];
            if (key)
                swprintf(name, 16, L"KEY_%03X", kv::KeyIndexOf(kv::PictureKeyCode(i)));
            else
                swprintf(name, 16, L"FUNC_G%d", i - kv::kPictureKeyCount + 1);
            auto b = std::make_unique<CPngButton>();
            (void)b->Create(m_hWnd, id, L"", RECT{1, 1, 2, 2});
            kv::skin::PlaceButton(*b, Layout(), L"BUTTONINFO", name, {&normal_, &normal_, &normal_, &normal_, &normal_});
            buttons.push_back(std::move(b));
        }
        return TRUE;
    }

private:
    kv::skin::SkinSurface normal_;
};

double ThreadCpuMs() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto ms = [](FILETIME f) { return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 10000.0; };
    return ms(kernel) + ms(user);
}

void WindowSteps() {
    Picture picture;
    if (!picture.Create()) {
        std::printf("no window (no display?)\n");
        return;
    }
    ShowWindow(picture.GetSafeHwnd(), SW_SHOW);
    std::vector<kv::PreviewCell> cells = kv::LightingPreview::LedGridCells();
    cells.resize(picture.buttons.size());
    kv::LightingPreview preview(cells);
    std::vector<uint32_t> colours;
    std::vector<COLORREF> shown(picture.buttons.size(), CLR_INVALID);
    for (const bool batched : {false, true}) {
    std::printf("whole preview step on the keyboard picture (repaint of the keys whose colour changed), %s:\n",
                batched ? "frames set quietly, one repaint of the picture" : "each key repainted at once");
    for (int effect : {1, 4, 5, 10, 13, 18}) {
        preview.Reset();
        constexpr int kSteps = 40;
        const double cpu0 = ThreadCpuMs();
        const auto start = Clock::now();
        int repainted = 0;
        for (int i = 0; i < kSteps; ++i) {
            (void)preview.Step({effect, true, 0x00FF80, 255}, colours);
            for (std::size_t k = 0; k < picture.buttons.size(); ++k) {
                if (shown[k] == colours[k]) continue;
                shown[k] = colours[k];
                HWND b = picture.buttons[k]->GetSafeHwnd();
                if (batched) SendMessageW(b, WM_SETREDRAW, FALSE, 0);
                picture.buttons[k]->SetFrame(colours[k], true);
                if (batched) {
                    SendMessageW(b, WM_SETREDRAW, TRUE, 0);
                    InvalidateRect(b, nullptr, FALSE);
                }
                ++repainted;
            }
            if (batched) RedrawWindow(picture.GetSafeHwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        }
        std::printf("  effect %2d  %7.2f ms per step (wall), %7.2f ms CPU, %5.1f keys repainted per step\n", effect,
                    Micros(Clock::now() - start) / 1000.0 / kSteps, (ThreadCpuMs() - cpu0) / kSteps,
                    static_cast<double>(repainted) / kSteps);
    }
    }
    // Idle: the panel closed, nothing runs; the window's thread only waits for messages for ten seconds.
    ShowWindow(picture.GetSafeHwnd(), SW_HIDE);
    const double cpu0 = ThreadCpuMs();
    const auto end = Clock::now() + std::chrono::seconds(10);
    int wakeUps = 0;
    while (Clock::now() < end) {
        const DWORD left = static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, left, QS_ALLINPUT) == WAIT_OBJECT_0) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                ++wakeUps;
                DispatchMessageW(&msg);
            }
        }
    }
    std::printf("idle with the panel closed: %.2f ms CPU in 10 s on the window's thread, %d messages\n",
                ThreadCpuMs() - cpu0, wakeUps);
}

}  // namespace

int main() {
    SetProcessDPIAware();
    WindowSteps();
    return 0;
}
