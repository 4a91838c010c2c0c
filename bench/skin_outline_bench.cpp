// How long the outline of a main-window-sized skinned window takes to compute from its mask: the runs of
// window pixels per row, and the same runs scaled to 150 % and 200 %. Prints figures; never fails.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "skin/mask_runs.h"

namespace {

// 1120 x 668 with corners rounded by 24 pixels and a notched bottom edge, like a real skin's mask.
std::vector<uint32_t> MakeMask(int w, int h) {
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h), 0x202020);
    const int r = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int cx = x < r ? r : (x >= w - r ? w - r - 1 : x);
            const int cy = y < r ? r : (y >= h - r ? h - r - 1 : y);
            const bool corner = (x - cx) * (x - cx) + (y - cy) * (y - cy) > r * r;
            const bool notch = y >= h - 8 && (x / 16) % 2 == 1;
            if (corner || notch) pixels[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] = 0xFFFFFF;
        }
    return pixels;
}

template <typename F>
double MillisecondsPerRun(int repeats, F&& f) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeats; ++i) f();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    return took.count() / repeats;
}

}  // namespace

int main() {
    constexpr int w = 1120, h = 668, repeats = 200;
    const std::vector<uint32_t> mask = MakeMask(w, h);
    size_t runs = 0;
    const double find = MillisecondsPerRun(repeats, [&] { runs = kv::skin::MaskRuns(mask.data(), w, h, w).size(); });
    const std::vector<kv::skin::ScaledBox> base = kv::skin::MaskRuns(mask.data(), w, h, w);
    size_t scaled144 = 0, scaled192 = 0;
    const double at144 = MillisecondsPerRun(repeats, [&] { scaled144 = kv::skin::ScaleRuns(base, 144).size(); });
    const double at192 = MillisecondsPerRun(repeats, [&] { scaled192 = kv::skin::ScaleRuns(base, 192).size(); });
    std::printf("mask %d x %d: %zu runs found in %.3f ms\n", w, h, runs, find);
    std::printf("scaled to 150 %%: %zu rectangles in %.3f ms; to 200 %%: %zu rectangles in %.3f ms\n", scaled144, at144,
                scaled192, at192);
    return 0;
}
