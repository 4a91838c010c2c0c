// The outline of a skinned window: every pixel of the mask picture that is not exactly white belongs to
// the window. Each maximal run of such pixels in a row is one rectangle of the window's region.
#pragma once

#include <cstdint>
#include <vector>

#include "skin/dpi_scale.h"

namespace kv::skin {

// Pixels as 0x00RRGGBB (the top byte is ignored), rows top to bottom, strideInPixels >= width.
std::vector<ScaledBox> MaskRuns(const uint32_t* pixels, int width, int height, int strideInPixels);

// The runs at another density: edges scaled, runs that shrink to nothing dropped. The order (rows top
// to bottom, runs left to right) is kept, which is the order a region's rectangle list must have.
std::vector<ScaledBox> ScaleRuns(const std::vector<ScaledBox>& runs, int dpi);

}  // namespace kv::skin
