// The skin's scroll bar: where its thumb lies and which position a drag stands for.
#include <gtest/gtest.h>

#include <cstdlib>

#include "widgets/scroll_thumb.h"

using namespace kv::widgets;

TEST(ScrollThumb, ThePlaceFollowsThePositionAndThePageItsLength) {
    struct Case {
        ScrollState s;
        int track, minLength;
        ThumbPlace expected;
        const char* what;
    };
    const Case cases[] = {
        {{0, 99, 10, 0}, 200, 20, {0, 20}, "top: a tenth of the track"},
        {{0, 99, 10, 90}, 200, 20, {180, 20}, "last position: at the track's end"},
        {{0, 99, 10, 45}, 200, 20, {90, 20}, "half way"},
        {{0, 1999, 12, 0}, 200, 20, {0, 20}, "a long list: never shorter than the least length"},
        {{0, 1999, 12, 1988}, 200, 20, {180, 20}, "a long list's last page"},
        {{0, 9, 10, 0}, 200, 20, {0, 200}, "everything shown: the whole track"},
        {{0, 99, 10, 500}, 200, 20, {180, 20}, "a position past the end is held at the end"},
        {{0, 99, 10, -5}, 200, 20, {0, 20}, "and one before the start at the start"},
        {{0, 99, 10, 0}, 10, 20, {0, 10}, "a track shorter than the least thumb"},
        {{0, 99, 10, 0}, 0, 20, {0, 0}, "no track"},
        {{5, 104, 10, 50}, 200, 20, {90, 20}, "positions from a minimum other than 0"},
    };
    for (const Case& c : cases) EXPECT_EQ(ThumbOf(c.s, c.track, c.minLength), c.expected) << c.what;
}

TEST(ScrollThumb, ADragNeverJumpsAndReachesBothEnds) {
    for (const ScrollState base : {ScrollState{0, 99, 10, 0}, ScrollState{0, 1999, 12, 0}, ScrollState{0, 29, 25, 0}}) {
        const int track = 180, least = 16;
        const ThumbPlace thumb = ThumbOf(base, track, least);
        const int movable = track - thumb.length;
        const int last = LastScrollPosition(base);
        EXPECT_EQ(PositionAtThumb(base, track, least, -40), 0);
        EXPECT_EQ(PositionAtThumb(base, track, least, movable + 40), last);
        // Each pixel moves the position by at most its share of the range, never backwards; the thumb
        // drawn for the position a drag gives stays under the mouse.
        const int step = (last + movable - 1) / movable + 1;
        int previous = 0;
        for (int offset = 0; offset <= movable; ++offset) {
            ScrollState s = base;
            s.pos = PositionAtThumb(base, track, least, offset);
            EXPECT_GE(s.pos, previous);
            EXPECT_LE(s.pos - previous, step) << offset;
            EXPECT_LE(std::abs(ThumbOf(s, track, least).offset - offset), 1 + movable / std::max(1, last)) << offset;
            previous = s.pos;
        }
        EXPECT_EQ(previous, last);
    }
}
