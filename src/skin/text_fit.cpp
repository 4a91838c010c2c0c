#include "skin/text_fit.h"

#include <algorithm>

namespace kv::skin {

int SmallestTextHeight(int height) { return std::max(1, (height * kSmallestTextPercent + 99) / 100); }

int HeightToFit(int height, int width, int room) {
    if (height <= 0 || width <= room) return height;
    if (room <= 0) return SmallestTextHeight(height);
    // Widths grow about in proportion to the height; the drawing side measures again and steps down.
    const long long scaled = static_cast<long long>(height) * room / width;
    return std::max(SmallestTextHeight(height), static_cast<int>(scaled));
}

}  // namespace kv::skin
