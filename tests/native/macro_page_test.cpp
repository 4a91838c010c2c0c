// The macro page's editing rules: names of new macros, limits of delays and repeat counts, the order of
// pauses when actions are added, moves, deletion with its confirmation rule, undo and the memory measure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keys/assignment_table.h"
#include "macros/macro_page.h"
#include "macros/profile_data.h"

using namespace kv;

namespace {

constexpr KeyCode kA = 0x01E, kB = 0x030;

struct Page {
    int counter = 0;
    std::vector<unsigned> pauses;
    MacroPage page{counter, [this](unsigned ms) { pauses.push_back(ms); }};
};

MacroRecord Named(const char16_t* name, uint16_t id, int actions = 0) {
    MacroRecord m = NewMacro(name, id);
    m.isNew = 0;
    for (int i = 0; i < actions; ++i) m.actions[static_cast<size_t>(i)] = MacroAction{10u * static_cast<uint32_t>(i), kA, 0};
    m.actionCount = static_cast<uint16_t>(actions);
    return m;
}

std::vector<uint32_t> Delays(const MacroPage& page) {
    std::vector<uint32_t> d;
    for (int i = 0; i < page.ActionCount(); ++i) d.push_back(page.Action(i)->delay);
    return d;
}

}  // namespace

TEST(MacroPageLimits, DelayInput) {
    struct Case {
        const wchar_t* text;
        uint32_t delay;
        bool over;
    } cases[] = {
        {L"1234", 1230, false}, {L"40000", 40000, false}, {L"40001", 40000, true}, {L"50000", 40000, true},
        {L"-1", 40000, true},   {L"0", 0, false},          {L"", 0, false},         {L"  90", 90, false},
        {L"9", 0, false},       {L"12ms", 10, false},      {L"99999999999999999999", 40000, true},
        {L"-0", 0, false},      {L"+70", 70, false},       {L"abc", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "input \"" << std::string(c.text, c.text + wcslen(c.text)) << "\"");
        const DelayInput in = ParseDelayInput(c.text);
        EXPECT_EQ(in.delay, c.delay);
        EXPECT_EQ(in.overLimit, c.over);
    }
}

TEST(MacroPageLimits, RepeatCount) {
    struct Case {
        const wchar_t* text;
        int repeat;
    } cases[] = {{L"0", 1}, {L"300", 255}, {L"-4", 1}, {L"", 1}, {L"1", 1}, {L"255", 255},
                 {L"256", 255}, {L"17", 17}, {L"x", 1}, {L"99999999999", 255}};
    for (const Case& c : cases) {
        EXPECT_EQ(ParseRepeatCount(c.text), c.repeat) << std::string(c.text, c.text + wcslen(c.text));
    }
    Page p;
    p.page.Fill({Named(u"a", 1)});
    p.page.Select(0);
    EXPECT_EQ(p.page.SetRepeat(L"300"), 255);
    EXPECT_EQ(p.page.CurrentMacro()->repeat, 255);
}

TEST(MacroPageControls, WhileRecordingOnlyTheRecordButtonTakesInput) {
    struct Case {
        bool recording, haveMacro;
        MacroPageControls enabled;  // add, delete, list, record, action edits, repeat
    } cases[] = {
        {false, false, {true, false, true, false, false, false}},
        {false, true, {true, true, true, true, true, true}},
        {true, true, {false, false, false, true, false, false}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EnabledControls(c.recording, c.haveMacro), c.enabled) << c.recording << c.haveMacro;
}

TEST(MacroPageNames, CounterStartsAgainOnAnEmptyListAndSkipsTakenNames) {
    Page p;
    p.page.Fill({});
    ASSERT_EQ(p.page.AddMacro(u"Macro"), 0);
    ASSERT_EQ(p.page.AddMacro(u"Macro"), 1);
    EXPECT_EQ(p.page.Items()[0].Name(), u"Macro1");
    EXPECT_EQ(p.page.Items()[1].Name(), u"Macro2");
    EXPECT_EQ(p.page.Items()[1].id, 2);
    EXPECT_EQ(p.page.Items()[1].isNew, 1);
    EXPECT_EQ(p.page.Items()[1].repeat, 1);
    EXPECT_EQ(p.page.Current(), 1);
    p.page.DeleteMacro();
    p.page.DeleteMacro();
    EXPECT_EQ(p.page.Current(), -1);
    ASSERT_EQ(p.page.AddMacro(u"Macro"), 0);
    EXPECT_EQ(p.page.Items()[0].Name(), u"Macro1");
    EXPECT_TRUE(p.pauses.empty());

    // "macro3" is listed (any case) while the counter stands at 2: the next name skips to 4 after a pause.
    Page q;
    q.page.Fill({Named(u"Jump", 1), Named(u"macro3", 2)});
    q.counter = 2;
    ASSERT_EQ(q.page.AddMacro(u"Macro"), 2);
    EXPECT_EQ(q.page.Items()[2].Name(), u"Macro4");
    EXPECT_EQ(q.pauses, std::vector<unsigned>{16});
    EXPECT_EQ(q.page.Items()[2].id, 3);  // the lowest free identifier
}

TEST(MacroPageNames, ANameBeginningWithTheCandidateCountsAsTaken) {
    Page p;
    p.page.Fill({Named(u"Macro10", 1)});
    ASSERT_TRUE(p.page.AddMacro(u"Macro"));  // counter 1: "Macro1" begins "Macro10"
    EXPECT_EQ(p.page.Items()[1].Name(), u"Macro2");
}

TEST(MacroPageNames, HundredMacrosAreTheLimit) {
    Page p;
    std::vector<MacroRecord> full;
    for (uint16_t i = 1; i <= 100; ++i) full.push_back(Named(u"m", i));
    p.page.Fill(full);
    EXPECT_FALSE(p.page.AddMacro(u"Macro").has_value());
    EXPECT_EQ(p.page.Items().size(), 100u);
}

TEST(MacroPageNames, TypingRenamesOrCreatesTheFirstMacro) {
    Page p;
    p.page.Fill({});
    EXPECT_FALSE(p.page.Rename(u""));
    EXPECT_TRUE(p.page.Items().empty());
    EXPECT_TRUE(p.page.Rename(u"Jump"));
    ASSERT_EQ(p.page.Items().size(), 1u);
    EXPECT_EQ(p.page.Current(), 0);
    EXPECT_EQ(p.page.Items()[0].id, 1);
    EXPECT_EQ(p.page.Items()[0].isNew, 1);
    EXPECT_FALSE(p.page.Rename(u"Jump twice"));
    EXPECT_EQ(p.page.Items()[0].Name(), u"Jump twice");
    // A name never spills beyond its 249 characters.
    const std::u16string longName(400, u'x');
    p.page.Rename(longName);
    EXPECT_EQ(p.page.Items()[0].Name().size(), kMacroNameMaxChars);
    EXPECT_EQ(p.page.Items()[0].repeat, 1);
    EXPECT_EQ(p.page.Items()[0].id, 1);
}

TEST(MacroPageActions, EachRowHoldsThePauseAfterIt) {
    Page p;
    p.page.Fill({Named(u"m", 1)});
    p.page.Select(0);
    // Added at the end: the row above takes the pause handed in, the new row the one it had.
    EXPECT_EQ(p.page.AddAction(-1, 100, kA, 0, false, true), 0);
    EXPECT_EQ(p.page.AddAction(0, 200, kA, 1, false, true), 1);
    EXPECT_EQ(p.page.AddAction(1, 300, kB, 7, false, true), 2);  // direction above 1 becomes a press
    EXPECT_EQ(Delays(p.page), (std::vector<uint32_t>{200, 300, 0}));
    EXPECT_EQ(p.page.Action(2)->direction, 0);
    // In the middle: after row 0, taking over row 0's pause.
    EXPECT_EQ(p.page.AddAction(0, 50, kB, 1, false, true), 1);
    EXPECT_EQ(Delays(p.page), (std::vector<uint32_t>{50, 200, 300, 0}));
    // A recorded action without recorded delays gets 50 ms.
    EXPECT_EQ(p.page.AddAction(3, 1234, kA, 0, true, false), 4);
    EXPECT_EQ(p.page.Action(3)->delay, 50u);
}

TEST(MacroPageActions, PausesLongerThanTheKeyboardPlaysAreCutToTheLongestACellTakes) {
    struct Case {
        uint32_t delay;
        bool recorded, recordDelays;
        uint32_t stored;  // the pause of the row the new action follows
    } cases[] = {
        {41000, true, true, 40000},       {40000, true, true, 40000},  {39999, true, true, 39999},
        {0xFFFFFFFFu, true, true, 40000}, {41000, true, false, 50},    {41000, false, true, 40000},
        {2, true, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.delay << (c.recorded ? " recorded" : " added")
                                        << (c.recordDelays ? " with delays" : ""));
        Page p;
        p.page.Fill({Named(u"m", 1, 1)});
        p.page.Select(0);
        ASSERT_EQ(p.page.AddAction(0, c.delay, kB, 0, c.recorded, c.recordDelays), 1);
        EXPECT_EQ(Delays(p.page), (std::vector<uint32_t>{c.stored, 0}));
    }
}

TEST(MacroPageActions, TheTwoThousandFirstActionIsDropped) {
    Page p;
    p.page.Fill({Named(u"m", 1, 2000)});
    p.page.Select(0);
    EXPECT_EQ(p.page.AddAction(-1, 10, kA, 0, false, true), -1);
    EXPECT_EQ(p.page.ActionCount(), 2000);
    Page none;
    none.page.Fill({});
    EXPECT_EQ(none.page.AddAction(-1, 10, kA, 0, false, true), -1);
}

TEST(MacroPageActions, MovesKeepTheRowsBytes) {
    struct Case {
        int row;
        MoveTarget target;
        int to;
        std::vector<uint32_t> order;  // the delays identify the rows: 0, 10, 20, 30
    } cases[] = {
        {2, MoveTarget::Top, 0, {20, 0, 10, 30}},   {2, MoveTarget::Up, 1, {0, 20, 10, 30}},
        {1, MoveTarget::Down, 2, {0, 20, 10, 30}},  {1, MoveTarget::Bottom, 3, {0, 20, 30, 10}},
        {0, MoveTarget::Top, -1, {0, 10, 20, 30}},  {3, MoveTarget::Down, -1, {0, 10, 20, 30}},
    };
    for (const Case& c : cases) {
        Page p;
        p.page.Fill({Named(u"m", 1, 4)});
        p.page.Select(0);
        EXPECT_EQ(p.page.MoveAction(c.row, c.target), c.to);
        EXPECT_EQ(Delays(p.page), c.order);
    }
}

TEST(MacroPageActions, CellEditsDeleteAndClear) {
    Page p;
    p.page.Fill({Named(u"m", 1, 3)});
    p.page.Select(0);
    EXPECT_TRUE(p.page.SetActionDelay(1, 1230));
    EXPECT_TRUE(p.page.SetActionKey(1, ListPositionOf(kB)));
    EXPECT_EQ(p.page.Action(1)->key, kB);
    EXPECT_FALSE(p.page.SetActionKey(1, kNoListPosition));
    EXPECT_TRUE(p.page.SetActionDirection(1, 1));
    EXPECT_FALSE(p.page.SetActionDirection(1, 2));
    EXPECT_EQ(*p.page.Action(1), (MacroAction{1230, kB, 1}));
    EXPECT_TRUE(p.page.DeleteAction(0));
    EXPECT_EQ(p.page.ActionCount(), 2);
    EXPECT_EQ(p.page.Action(0)->delay, 1230u);
    EXPECT_FALSE(p.page.DeleteAction(5));
    EXPECT_TRUE(p.page.ClearActions());
    EXPECT_FALSE(p.page.ClearActions());
    EXPECT_EQ(p.page.CurrentMacro()->actions[0], MacroAction{});  // no stale bytes behind the count
}

TEST(MacroPageUndo, TakesBackEditsInOrderAndOnlyForMacrosStillListed) {
    Page p;
    p.page.Fill({Named(u"a", 1, 3), Named(u"b", 2, 1)});
    p.page.Select(0);
    EXPECT_FALSE(p.page.CanUndo());
    p.page.DeleteAction(0);
    p.page.MoveAction(0, MoveTarget::Bottom);
    EXPECT_EQ(Delays(p.page), (std::vector<uint32_t>{20, 10}));
    p.page.Select(1);
    EXPECT_EQ(p.page.Undo(), 0);  // the macro the edit belongs to becomes current
    EXPECT_EQ(Delays(p.page), (std::vector<uint32_t>{10, 20}));
    EXPECT_EQ(p.page.Undo(), 0);
    EXPECT_EQ(Delays(p.page), (std::vector<uint32_t>{0, 10, 20}));
    EXPECT_FALSE(p.page.CanUndo());
    // A recording is one edit: marked once, then recorded actions add no further marks.
    p.page.MarkUndo();
    p.page.AddAction(-1, 5, kA, 0, true, true);
    p.page.AddAction(3, 5, kA, 1, true, true);
    EXPECT_EQ(p.page.Undo(), 0);
    EXPECT_EQ(p.page.ActionCount(), 3);
    // A deleted macro's identifier is handed out again: its saved lists go with it.
    p.page.Select(1);
    p.page.ClearActions();
    p.page.DeleteMacro();
    p.page.AddMacro(u"Macro");
    EXPECT_EQ(p.page.Items()[1].id, 2);
    EXPECT_EQ(p.page.Undo(), -1);
    EXPECT_EQ(p.page.Items()[1].actionCount, 0);
}

TEST(MacroPageDelete, AsksOnlyForAnAppliedMacroBoundToAKey) {
    ProfileContent content;
    KeySlot bound;
    bound.type = ASSIGN_MACRO;
    bound.value = 2;
    WriteSlot(content.Table(), 3, 0x1E, bound);  // any section counts
    Page p;
    p.page.Fill({Named(u"a", 1), Named(u"b", 2)});
    p.page.Select(0);
    EXPECT_FALSE(p.page.DeleteNeedsConfirmation(content.Table()));
    p.page.Select(1);
    EXPECT_TRUE(p.page.DeleteNeedsConfirmation(content.Table()));
    p.page.DeleteMacro();
    EXPECT_EQ(p.page.Current(), 0);
    p.page.AddMacro(u"Macro");  // new, and given the identifier 2 again: nothing is bound to it yet
    EXPECT_FALSE(p.page.DeleteNeedsConfirmation(content.Table()));
    p.page.MarkApplied();
    EXPECT_TRUE(p.page.DeleteNeedsConfirmation(content.Table()));
    EXPECT_FALSE(p.page.Modified());
}

TEST(MacroPageMemory, MeasuresAsTheWriteDoes) {
    std::vector<MacroRecord> macros = {Named(u"abc", 1, 0)};
    // One macro without actions: header 16, offset 2, entry 4, name 6.
    struct Case {
        std::size_t capacity;
        MacroMemoryUse::Fit fit;
    } cases[] = {{0, MacroMemoryUse::Fit::Unknown},
                 {28, MacroMemoryUse::Fit::Fits},
                 {27, MacroMemoryUse::Fit::NamesLeftOut},
                 {22, MacroMemoryUse::Fit::NamesLeftOut},
                 {21, MacroMemoryUse::Fit::TooLarge}};
    for (const Case& c : cases) {
        const MacroMemoryUse use = MeasureMacroMemory(macros, c.capacity);
        EXPECT_EQ(use.withNames, 28u);
        EXPECT_EQ(use.withoutNames, 22u);
        EXPECT_EQ(use.fit, c.fit) << c.capacity;
    }
}
