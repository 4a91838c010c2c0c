// Open-to-shown time of the key assignment dialog with a full working data set: 100 macros of 2000
// actions each. Each round opens the dialog on a key and measures from the open call until the window is
// shown and painted, then closes it. As in the program, the window is built hidden beforehand (the main
// window does it once after its first showing); that build is timed on its own, and so is, for
// comparison, a first opening without it. Under Wine: `wine key_dialog_open_win_bench.exe [rounds]`.
//
// `--show key|macro|media|function|g9 [seconds]` leaves the dialog on screen on that page instead (for
// looking at it: screenshots in each language and density); `--language N` picks language 0-3.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "keys/assignment_table.h"
#include "keys/key_dialog_win.h"
#include "macros/macro_record.h"
#include "macros/profile_data.h"
#include "skin/ini_file.h"
#include "skin/language.h"
#include "skin/png_button.h"

using namespace kv;

namespace {

constexpr UINT kButtonA = 1058;
constexpr int kKeyA = 0x01E;

LRESULT CALLBACK PlainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class BenchHost : public MainWindowHost {
public:
    BenchHost() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KvBenchHost";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"KvBenchHost", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        (void)key_.Create(window_, static_cast<int>(kButtonA), L"A", RECT{0, 0, 10, 10});
        MoveWindow(window_, 60, 60, 40, 40, FALSE);
        ShowWindow(window_, SW_SHOWNOACTIVATE);
    }
    HWND Window() const override { return window_; }
    const CIniFile& MainLayout() const override { return layout_; }
    kv::skin::SkinSurface* SkinPicture(int) override { return nullptr; }
    void SetDirty(bool) override {}
    bool IsDirty() const override { return false; }
    bool ApplyNow() override { return true; }
    int Profile() const override { return 0; }
    int SelectProfile(int) override { return 1; }
    CPngButton* KeyButton(UINT id) override { return id == kButtonA ? &key_ : nullptr; }
    void RefreshKeyMarks() override {}
    void RestoreKeyLook(UINT) override {}
    void ShowKeyColours() override {}
    void ClearKeyColours() override {}
    void RedrawPicture() override {}
    void ShowReportRate(int) override {}
    void LightingReloaded() override {}
    std::size_t MacroCapacity() const override { return 255 * 128; }

private:
    HWND window_ = nullptr;
    CIniFile layout_;
    CPngButton key_;
};

void FillData(ProfileData& data) {
    data.content.macros.clear();
    for (uint16_t id = 1; id <= 100; ++id) {
        MacroRecord m = NewMacro(u"Macro" + std::u16string(1, static_cast<char16_t>(u'0' + id % 10)), id);
        m.isNew = 0;
        for (int i = 0; i < 2000; ++i)
            m.actions[static_cast<size_t>(i)] = MacroAction{10u * static_cast<uint32_t>(i % 7),
                                                             static_cast<uint16_t>(0x010 + i % 20), static_cast<uint16_t>(i % 2)};
        m.actionCount = 2000;
        data.content.macros.push_back(m);
    }
}

double Ms(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f) {
    return static_cast<double>(b.QuadPart - a.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    int rounds = 20;
    std::wstring show;
    int seconds = 0;
    int language = 0;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        if (a == L"--show" && i + 1 < argc) {
            show = argv[++i];
            if (i + 1 < argc && iswdigit(argv[i + 1][0])) seconds = _wtoi(argv[++i]);
        } else if (a == L"--language" && i + 1 < argc) {
            // The program's language setting, so key names follow too (the prefix's registry is changed).
            language = std::clamp(_wtoi(argv[++i]), 0, kLanguageCount - 1);
            const DWORD id = kLanguageIds[language];
            RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Halvorn", L"dwLanguageId", REG_DWORD, &id, sizeof(id));
        } else {
            rounds = std::max(1, _wtoi(argv[i]));
        }
    }
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    BenchHost host;
    ProfileData data;
    FillData(data);
    KeyDialogServices services;
    services.data = &data;
    services.deviceProfile = [] { return 0; };
    services.text = [language](const char* key) { return LookupText(key, language); };
    services.readRecordDelays = [] { return true; };
    services.writeRecordDelays = [](bool) {};
    services.openHelp = [](HWND) {};
    services.openOnScreenKeyboard = [](HWND) {};

    if (!show.empty()) {
        int keyIndex = kKeyA;
        UINT control = kButtonA;
        KeySlot slot;
        if (show == L"macro") slot = KeySlot{ASSIGN_MACRO, 1, 1};
        if (show == L"media") slot = KeySlot{ASSIGN_MEDIA, 0, 6};
        if (show == L"function") slot = KeySlot{ASSIGN_FUNCTION, 0, 2};
        if (show == L"key") slot = KeySlot{ASSIGN_KEY, 0, 0x02A};
        if (show == L"g9") {
            keyIndex = kGKeyFirstIndex + 8;
            control = kG9Control;
        }
        WriteSlot(data.content.Table(), 0, static_cast<size_t>(keyIndex), slot);
        services.shown = [seconds](Kelvane_DlgComposite& d) {
            if (seconds > 0) SetTimer(d.GetSafeHwnd(), 77, static_cast<UINT>(seconds) * 1000, [](HWND w, UINT, UINT_PTR, DWORD) {
                PostMessageW(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            });
        };
        auto part = MakeKeyAssignmentDialog(host, services);
        part->SetTarget(0, keyIndex, control);
        part->RunModal();
        return 0;
    }

    LARGE_INTEGER frequency, start, shownAt;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> keyPage, macroPage;
    services.shown = [&](Kelvane_DlgComposite& d) {
        QueryPerformanceCounter(&shownAt);
        PostMessageW(d.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    };
    // Without building ahead: the first opening builds the window itself.
    double coldFirst = 0;
    {
        auto cold = MakeKeyAssignmentDialog(host, services);
        cold->SetTarget(0, kKeyA, kButtonA);
        QueryPerformanceCounter(&start);
        cold->RunModal();
        coldFirst = Ms(start, shownAt, frequency);
    }
    // One part for the run, as the main window holds it, built ahead as the main window does.
    auto part = MakeKeyAssignmentDialog(host, services);
    LARGE_INTEGER prepared;
    QueryPerformanceCounter(&start);
    part->Prepare();
    QueryPerformanceCounter(&prepared);
    const double prepareMs = Ms(start, prepared, frequency);
    for (int pass = 0; pass < 2; ++pass) {
        // Pass 0 opens on a key page, pass 1 on a key bound to a macro of 2000 actions (its rows loaded).
        WriteSlot(data.content.Table(), 0, kKeyA, pass == 0 ? KeySlot{} : KeySlot{ASSIGN_MACRO, 1, 100});
        for (int r = 0; r < rounds; ++r) {
            part->SetTarget(0, kKeyA, kButtonA);
            QueryPerformanceCounter(&start);
            part->RunModal();
            (pass == 0 ? keyPage : macroPage).push_back(Ms(start, shownAt, frequency));
        }
    }
    // Besides the prose, one line per figure for scripts that collect them: "figure <name> <value>".
    auto report = [](const char* what, const char* figure, std::vector<double> v) {
        const double first = v.front();
        std::sort(v.begin(), v.end());
        std::printf("%-44s first %7.1f ms   median %7.1f ms   min %7.1f ms   max %7.1f ms   (%zu opens)\n", what, first,
                    v[v.size() / 2], v.front(), v.back(), v.size());
        std::printf("figure %s_first_ms %.1f\nfigure %s_median_ms %.1f\n", figure, first, figure, v[v.size() / 2]);
    };
    std::printf("key assignment dialog, open to shown, 100 macros x 2000 actions in the working data\n");
    report("opened on a key page", "key_page", keyPage);
    report("opened on a key bound to a 2000-action macro", "macro_page", macroPage);
    std::printf("%-44s %7.1f ms (once, after the main window's first showing)\n", "built ahead, hidden", prepareMs);
    std::printf("%-44s %7.1f ms (for comparison: the window built by the click)\n", "first opening without building ahead",
                coldFirst);
    // The slowest of the openings a user meets (every one, the first included).
    const double worst = std::max(*std::max_element(keyPage.begin(), keyPage.end()),
                                  *std::max_element(macroPage.begin(), macroPage.end()));
    std::printf("figure built_ahead_ms %.1f\nfigure cold_first_ms %.1f\nfigure worst_ms %.1f\n", prepareMs, coldFirst, worst);
    return 0;
}
