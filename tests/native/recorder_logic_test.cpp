// The recorder's rule for each keystroke its hooks see, fed with synthesised hook arguments and times.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "macros/macro_page.h"
#include "macros/recorder_logic.h"

using namespace kv;

namespace {

constexpr uint32_t kPress = 0x00000001, kRepeat = 0x40000001, kRelease = 0xC0000001;
constexpr uint8_t kVkShift = 0x10;

uint32_t Key(uint32_t scan, uint32_t state, bool extended = false) {
    return (scan << 16) | state | (extended ? 1u << 24 : 0);
}

// Feeds the outcomes into a macro page the way the dialog does: each action after the selected (last) row.
struct Recording {
    int counter = 0;
    MacroPage page{counter, [](unsigned) {}};
    RecorderLogic recorder;
    bool delays = true;
    Recording() {
        page.Fill({});
        page.AddMacro(u"Macro");
        recorder.Start(1000);
    }
    bool Feed(const RecordOutcome& out) {
        for (int i = 0; i < out.count; ++i)
            page.AddAction(page.ActionCount() - 1, out.actions[i].delay, out.actions[i].key, out.actions[i].direction,
                           true, delays);
        return out.swallow;
    }
    std::vector<MacroAction> Rows() const {
        std::vector<MacroAction> rows;
        for (int i = 0; i < page.ActionCount(); ++i) rows.push_back(*page.Action(i));
        return rows;
    }
};

}  // namespace

TEST(Recorder, APressedThenBGivesFourRowsEachWithThePauseToTheNext) {
    Recording r;
    EXPECT_TRUE(r.Feed(r.recorder.OnKeyboard(0, 'A', Key(0x1E, kPress), 1100)));
    r.Feed(r.recorder.OnKeyboard(0, 'A', Key(0x1E, kRelease), 1180));
    r.Feed(r.recorder.OnKeyboard(0, 'B', Key(0x30, kPress), 1500));
    r.Feed(r.recorder.OnKeyboard(0, 'B', Key(0x30, kRelease), 1620));
    EXPECT_EQ(r.Rows(), (std::vector<MacroAction>{{80, 0x01E, 0}, {320, 0x01E, 1}, {120, 0x030, 0}, {0, 0x030, 1}}));
}

TEST(Recorder, WithoutRecordedDelaysEveryPauseIs50) {
    Recording r;
    r.delays = false;
    r.Feed(r.recorder.OnKeyboard(0, 'A', Key(0x1E, kPress), 1100));
    r.Feed(r.recorder.OnKeyboard(0, 'A', Key(0x1E, kRelease), 3180));
    r.Feed(r.recorder.OnKeyboard(0, 'B', Key(0x30, kPress), 3500));
    r.Feed(r.recorder.OnKeyboard(0, 'B', Key(0x30, kRelease), 9620));
    const auto rows = r.Rows();
    ASSERT_EQ(rows.size(), 4u);
    for (size_t i = 0; i + 1 < rows.size(); ++i) EXPECT_EQ(rows[i].delay, 50u) << i;
    EXPECT_EQ(rows.back().delay, 0u);  // the pause after the last action
}

TEST(Recorder, AHeldKeyRecordsOncePressedAndOnceReleased) {
    Recording r;
    r.Feed(r.recorder.OnKeyboard(0, 'A', Key(0x1E, kPress), 1100));
    for (int t = 1600; t < 3100; t += 33) EXPECT_TRUE(r.Feed(r.recorder.OnKeyboard(0, 'A', Key(0x1E, kRepeat), t)));
    r.Feed(r.recorder.OnKeyboard(0, 'A', Key(0x1E, kRelease), 3100));
    EXPECT_EQ(r.Rows(), (std::vector<MacroAction>{{2000, 0x01E, 0}, {0, 0x01E, 1}}));
}

TEST(Recorder, PrintScreenReleaseRecordsAPressAheadOfIt) {
    Recording r;
    r.Feed(r.recorder.OnKeyboard(0, 'A', Key(0x1E, kPress), 1100));
    const RecordOutcome out = r.recorder.OnKeyboard(0, 0x2C, Key(0x37, kRelease, true), 1400);
    ASSERT_EQ(out.count, 2);
    EXPECT_EQ(out.actions[0].key, 0x137);
    EXPECT_EQ(out.actions[0].direction, 0);
    EXPECT_EQ(out.actions[0].delay, 2u);
    EXPECT_EQ(out.actions[1].direction, 1);
    EXPECT_EQ(out.actions[1].delay, 300u);
}

TEST(Recorder, MultimediaKeysAndOtherHookCodesPassOn) {
    Recording r;
    const RecordOutcome volume = r.recorder.OnKeyboard(0, 0xAF, Key(0x30, kPress, true), 1100);
    EXPECT_FALSE(volume.swallow);
    EXPECT_EQ(volume.count, 0);
    EXPECT_FALSE(r.recorder.OnKeyboard(3, 'A', Key(0x1E, kPress), 1100).swallow);
    EXPECT_TRUE(r.recorder.Stop(1100).empty());
    EXPECT_FALSE(r.recorder.OnKeyboard(0, 'A', Key(0x1E, kPress), 1100).swallow);
    EXPECT_EQ(r.page.ActionCount(), 0);
}

TEST(Recorder, WindowsKeysThroughTheLowLevelHook) {
    Recording r;
    constexpr uint32_t kDown = 0x0100, kUp = 0x0101, kSysDown = 0x0104;
    EXPECT_TRUE(r.Feed(r.recorder.OnLowLevel(0, kDown, 0x5B, 1100)));
    EXPECT_TRUE(r.Feed(r.recorder.OnLowLevel(0, kDown, 0x5B, 1150)));  // held: swallowed, not recorded
    EXPECT_TRUE(r.Feed(r.recorder.OnLowLevel(0, kUp, 0x5B, 1300)));
    r.Feed(r.recorder.OnLowLevel(0, kSysDown, 0x5C, 1400));
    EXPECT_FALSE(r.recorder.OnLowLevel(0, kDown, 0x41, 1500).swallow);  // not its key
    EXPECT_EQ(r.Rows(), (std::vector<MacroAction>{{200, 0x15B, 0}, {100, 0x15B, 1}, {0, 0x15C, 0}}));
}

TEST(Recorder, KeysStillHeldWhenRecordingStopsAreReleasedLastPressedFirst) {
    constexpr uint32_t kDown = 0x0100, kUp = 0x0101;
    const uint32_t shift = Key(0x2A, kPress), shiftUp = Key(0x2A, kRelease);
    struct Case {
        const char* what;
        std::function<void(RecorderLogic&)> keys;  // from 1000 on; the recording stops at 2000
        std::vector<RecordedAction> releases;
    } cases[] = {
        {"nothing held", [](RecorderLogic& r) {
             (void)r.OnKeyboard(0, 'A', Key(0x1E, kPress), 1100);
             (void)r.OnKeyboard(0, 'A', Key(0x1E, kRelease), 1200);
         }, {}},
        {"Shift and A held", [&](RecorderLogic& r) {
             (void)r.OnKeyboard(0, kVkShift, shift, 1100);
             (void)r.OnKeyboard(0, 'A', Key(0x1E, kPress), 1300);
             (void)r.OnKeyboard(0, 'A', Key(0x1E, kRepeat), 1500);
         }, {{700, 0x01E, 1}, {0, 0x02A, 1}}},
        {"A released, Shift held", [&](RecorderLogic& r) {
             (void)r.OnKeyboard(0, kVkShift, shift, 1100);
             (void)r.OnKeyboard(0, 'A', Key(0x1E, kPress), 1300);
             (void)r.OnKeyboard(0, 'A', Key(0x1E, kRelease), 1400);
         }, {{600, 0x02A, 1}}},
        {"Shift released before recording began", [&](RecorderLogic& r) {
             (void)r.OnKeyboard(0, kVkShift, shiftUp, 1100);
         }, {}},
        {"Print Screen is pressed and released at once", [](RecorderLogic& r) {
             (void)r.OnKeyboard(0, 0x2C, Key(0x37, kRelease, true), 1100);
         }, {}},
        {"left Windows key held", [&](RecorderLogic& r) {
             (void)r.OnLowLevel(0, kDown, 0x5B, 1100);
             (void)r.OnLowLevel(0, kDown, 0x5B, 1200);
         }, {{900, 0x15B, 1}}},
        {"right Windows key pressed and released", [&](RecorderLogic& r) {
             (void)r.OnLowLevel(0, kDown, 0x5C, 1100);
             (void)r.OnLowLevel(0, kUp, 0x5C, 1200);
         }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecorderLogic r;
        r.Start(1000);
        c.keys(r);
        const std::vector<RecordedAction> releases = r.Stop(2000);
        ASSERT_EQ(releases.size(), c.releases.size());
        for (size_t i = 0; i < releases.size(); ++i) {
            EXPECT_EQ(releases[i].delay, c.releases[i].delay) << i;
            EXPECT_EQ(releases[i].key, c.releases[i].key) << i;
            EXPECT_EQ(releases[i].direction, 1) << i;
        }
        EXPECT_FALSE(r.Recording());
        EXPECT_TRUE(r.Stop(2100).empty());  // once
    }
}

TEST(Recorder, ReleasesAtTheStopGoIntoTheMacroAfterTheLastRow) {
    Recording r;
    r.Feed(r.recorder.OnKeyboard(0, 'A', Key(0x1E, kPress), 1100));
    r.Feed(r.recorder.OnKeyboard(0, 'B', Key(0x30, kPress), 1300));
    for (const RecordedAction& a : r.recorder.Stop(1700))
        r.page.AddAction(r.page.ActionCount() - 1, a.delay, a.key, a.direction, true, r.delays);
    EXPECT_EQ(r.Rows(), (std::vector<MacroAction>{{200, 0x01E, 0}, {400, 0x030, 0}, {0, 0x030, 1}, {0, 0x01E, 1}}));
}
