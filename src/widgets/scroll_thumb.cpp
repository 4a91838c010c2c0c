#include "widgets/scroll_thumb.h"

#include <algorithm>

namespace kv::widgets {
namespace {

long long Span(const ScrollState& s) { return std::max(1LL, static_cast<long long>(s.max) - s.min + 1); }

}  // namespace

int LastScrollPosition(const ScrollState& s) {
    const long long last = static_cast<long long>(s.max) - std::max(1, s.page) + 1;
    return static_cast<int>(std::max<long long>(s.min, last));
}

ThumbPlace ThumbOf(const ScrollState& s, int track, int minLength) {
    if (track <= 0) return {};
    const long long span = Span(s);
    const int page = std::max(1, s.page);
    if (page >= span) return {0, track};
    const int length = std::clamp(static_cast<int>(track * static_cast<long long>(page) / span), std::min(minLength, track), track);
    const int movable = track - length;
    const int last = LastScrollPosition(s);
    if (last <= s.min || movable <= 0) return {0, length};
    const long long from = std::clamp(s.pos, s.min, last) - static_cast<long long>(s.min);
    // Rounded to the nearest pixel, so the thumb reaches the track's end at the last position.
    const int offset = static_cast<int>((from * movable + (last - s.min) / 2) / (last - s.min));
    return {offset, length};
}

int PositionAtThumb(const ScrollState& s, int track, int minLength, int offset) {
    const ThumbPlace thumb = ThumbOf(s, track, minLength);
    const int movable = track - thumb.length;
    const int last = LastScrollPosition(s);
    if (movable <= 0 || last <= s.min) return s.min;
    const long long at = std::clamp(offset, 0, movable);
    return s.min + static_cast<int>((at * (last - s.min) + movable / 2) / movable);
}

}  // namespace kv::widgets
