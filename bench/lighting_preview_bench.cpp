// The lighting preview's colours per 50 ms step for each effect (the portable part; the whole step with the
// repaint of the keyboard picture is bench/lighting_panel_bench_win.cpp). Prints figures; never fails.
#include <chrono>
#include <cstdio>
#include <vector>

#include "lighting/lighting_preview.h"


namespace {

using Clock = std::chrono::steady_clock;

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

void PortableSteps() {
    kv::LightingPreview preview(kv::LightingPreview::LedGridCells());
    std::vector<uint32_t> colours;
    std::printf("preview colours per step (115 keys), portable part:\n");
    for (int effect : {1, 2, 3, 4, 5, 10, 11, 12, 13, 14, 15, 16, 18}) {
        preview.Reset();
        constexpr int kSteps = 20000;
        const auto start = Clock::now();
        for (int i = 0; i < kSteps; ++i) (void)preview.Step({effect, i % 2 == 0, 0x00FF80, 255}, colours);
        std::printf("  effect %2d  %7.2f us\n", effect, Micros(Clock::now() - start) / kSteps);
    }
}


}  // namespace

int main() {
    PortableSteps();
    return 0;
}
