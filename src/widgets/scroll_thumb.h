// Where the thumb of a scroll bar lies in its track, and which position a dragged thumb stands for: the
// geometry of the skin's own scroll bar, from the same numbers a window keeps for the system's bar.
#pragma once

namespace kv::widgets {

// What a window's scroll state says (the fields of SCROLLINFO): positions min..max, page of them shown.
struct ScrollState {
    int min = 0;
    int max = 0;
    int page = 0;
    int pos = 0;
    friend bool operator==(const ScrollState&, const ScrollState&) = default;
};

struct ThumbPlace {
    int offset = 0;  // from the track's start, pixels
    int length = 0;
    friend bool operator==(const ThumbPlace&, const ThumbPlace&) = default;
};

// The last position the window can scroll to (a page before the end).
[[nodiscard]] int LastScrollPosition(const ScrollState& s);
// The thumb in a track of `track` pixels, at least `minLength` long (never longer than the track).
[[nodiscard]] ThumbPlace ThumbOf(const ScrollState& s, int track, int minLength);
// The position a thumb dragged to `offset` stands for, within min..LastScrollPosition.
[[nodiscard]] int PositionAtThumb(const ScrollState& s, int track, int minLength, int offset);

}  // namespace kv::widgets
