#include "skin/mask_runs.h"

#include <cstddef>

namespace kv::skin {

std::vector<ScaledBox> MaskRuns(const uint32_t* pixels, int width, int height, int strideInPixels) {
    std::vector<ScaledBox> runs;
    if (pixels == nullptr || width <= 0 || height <= 0 || strideInPixels < width) return runs;
    constexpr uint32_t kWhite = 0xFFFFFF;
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = pixels + static_cast<size_t>(y) * static_cast<size_t>(strideInPixels);
        int x = 0;
        while (x < width) {
            while (x < width && (row[x] & 0xFFFFFF) == kWhite) ++x;
            if (x == width) break;
            const int start = x;
            while (x < width && (row[x] & 0xFFFFFF) != kWhite) ++x;
            runs.push_back({start, y, x, y + 1});
        }
    }
    return runs;
}

std::vector<ScaledBox> ScaleRuns(const std::vector<ScaledBox>& runs, int dpi) {
    std::vector<ScaledBox> out;
    out.reserve(runs.size());
    for (const ScaledBox& r : runs) {
        const ScaledBox s{ScaleToDpi(r.left, dpi), ScaleToDpi(r.top, dpi), ScaleToDpi(r.right, dpi),
                          ScaleToDpi(r.bottom, dpi)};
        if (s.right > s.left && s.bottom > s.top) out.push_back(s);
    }
    return out;
}

}  // namespace kv::skin
