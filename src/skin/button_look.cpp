#include "skin/button_look.h"

#include <cmath>

namespace kv::skin {

CaptionRect CentreRotatedCaption(CaptionRect rect, int textWidth, int textHeight, int escapement) {
    constexpr double kPi = 3.14159265358979323846;
    const double theta = escapement / 10.0 * kPi / 180.0;
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    const int wx = static_cast<int>(textWidth * c);
    const int wy = static_cast<int>(textWidth * s);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (wx < width) rect.left += (width - wx) / 2 - static_cast<int>(textHeight * s / 2);
    if (wy < height) rect.bottom += -(height - wy) / 2 + static_cast<int>(textHeight * c / 2);
    return rect;
}

}  // namespace kv::skin
