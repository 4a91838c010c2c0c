// How small a one-line caption may be drawn so that it fits its box: a translation longer than the box
// is drawn in a smaller font before anything of it is cut, down to a floor under which the text would
// no longer read as the same caption; what still does not fit is then ellipsised as before.
#pragma once

namespace kv::skin {

inline constexpr int kSmallestTextPercent = 75;  // of the skin's size

// The font height (pixels) to try first for a line `width` pixels wide at `height` in a box `room`
// pixels wide: `height` when it fits, else the height scaled by room / width, never below the floor.
[[nodiscard]] int HeightToFit(int height, int width, int room);
// The floor for a font of that height.
[[nodiscard]] int SmallestTextHeight(int height);

}  // namespace kv::skin
