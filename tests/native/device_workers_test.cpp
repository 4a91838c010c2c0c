#include "device/device_workers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/app_messages.h"
#include "keys/assignment_action_code.h"
#include "ui/tray_picture.h"

namespace kv {
namespace {

// Records what the workers ask of the keyboard and the window, in order.
class RecordingHost : public DeviceEventHost {
public:
    int defaultTableResult = kResultSuccess;
    int infoResult = kResultSuccess;
    uint8_t capacityUnits = 40;
    std::atomic<bool> initialised{true};
    int initialiseAfterSleeps = 0;  // the window becomes initialised after this many sleeps
    int sleeps = 0;
    std::function<void()> duringRead;    // runs inside each default key table read
    std::function<void()> duringPrompt;  // runs inside each message box (a user who has not clicked yet)

    int ReadDefaultKeyTable(uint8_t out[kKeyTableSize]) override {
        Log("read-default");
        if (duringRead) duringRead();
        for (std::size_t i = 0; i < kKeyTableSize; ++i) out[i] = static_cast<uint8_t>(i);
        return defaultTableResult;
    }
    int ReadInfo(uint8_t out[kInfoSize]) override {
        Log("read-info");
        out[kInfoCapacityOffset] = capacityUnits;
        return infoResult;
    }
    void ClearDeviceProfileCache() override { Log("clear-cache"); }
    int ToggleGKeyBank() override {
        bank ^= 1;
        Log("indicator bank " + std::to_string(bank));
        return bank;
    }
    int bank = 0;
    void ShowPrompt(const char* key) override {
        Log(std::string("prompt ") + key);
        if (duringPrompt) duringPrompt();
    }
    void SendProfile() override { Log("MSG_PROFILE"); }
    void SendDetached() override { Log("MSG_DETACHED"); }
    void HideMainWindow() override { Log("hide"); }
    bool IsWindowInitialised() override { return initialised; }
    void SetTrayPicture(int mode, unsigned picture) override {
        std::lock_guard<std::mutex> lock(m_);
        if (tray_.Set(mode, picture)) log_.push_back("tray " + std::to_string(tray_.Current()));
    }
    void PostOpen() override { Log("MSG_OPEN"); }
    void ShowGKeyBank(int bank) override { Log("MSG_BANK " + std::to_string(bank)); }
    void StartLightingReloadTimer() override { Log("reload-timer"); }
    void Sleep(unsigned) override {
        if (++sleeps == initialiseAfterSleeps) initialised = true;
    }

    std::vector<std::string> Take() {
        std::lock_guard<std::mutex> lock(m_);
        auto out = std::move(log_);
        log_.clear();
        return out;
    }
    unsigned Tray() {
        std::lock_guard<std::mutex> lock(m_);
        return tray_.Current();
    }

private:
    void Log(std::string s) {
        std::lock_guard<std::mutex> lock(m_);
        log_.push_back(std::move(s));
    }
    std::mutex m_;
    std::vector<std::string> log_;
    TrayPictureState tray_;
};

using Log = std::vector<std::string>;

class DeviceWorkersTest : public ::testing::Test {
protected:
    void SetUp() override { SetCurrentDefaultKeyTable(BuiltInDefaultKeyTable()); }
    void TearDown() override { SetCurrentDefaultKeyTable(BuiltInDefaultKeyTable()); }
    void Attach(uint32_t state) {
        events_.OnPresenceChanged(state);
        events_.WaitIdle();
    }
    void Event(uint16_t code) {
        events_.OnConsumerEvent(code);
        events_.WaitIdle();
    }
    RecordingHost host_;
    DeviceWorkers events_{host_};
};

TEST_F(DeviceWorkersTest, FirstAttachReadsTheKeyboardThenOpensTheWindowOnce) {
    Attach(1);
    EXPECT_EQ(host_.Take(), (Log{"read-default", "read-info", "MSG_PROFILE", "tray 141", "MSG_OPEN"}));
    EXPECT_TRUE(events_.IsAttached());
    EXPECT_TRUE(events_.FirstAttachHandled());
    EXPECT_EQ(events_.MacroCapacity(), 40 * 128);
    EXPECT_EQ(CurrentDefaultKeyTable()[377], 377 & 0xFF);  // the keyboard's table is the one in use

    // The same state again does nothing at all.
    Attach(1);
    EXPECT_TRUE(host_.Take().empty());
}

TEST_F(DeviceWorkersTest, AttachNotificationsInQuickSuccessionActOnce) {
    events_.OnPresenceChanged(1);
    events_.OnPresenceChanged(1);
    events_.WaitIdle();
    const Log log = host_.Take();
    EXPECT_EQ(std::count(log.begin(), log.end(), "MSG_PROFILE"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "MSG_OPEN"), 1);
}

TEST_F(DeviceWorkersTest, StartSwitchOrAnAbsentFirstStateUsesUpTheOpenOffer) {
    events_.MarkFirstAttachHandled();
    Attach(1);
    EXPECT_EQ(host_.Take(), (Log{"read-default", "read-info", "MSG_PROFILE", "tray 141"}));

    RecordingHost host2;
    DeviceWorkers fresh(host2);
    fresh.OnInitialPresence(0);  // the binding found no keyboard: the same state as at start, nothing to do
    fresh.WaitIdle();
    EXPECT_TRUE(host2.Take().empty());
    EXPECT_TRUE(fresh.FirstAttachHandled());  // so a later attach does not open the window
    fresh.OnPresenceChanged(1);
    fresh.WaitIdle();
    EXPECT_EQ(host2.Take(), (Log{"read-default", "read-info", "MSG_PROFILE", "tray 141"}));
}

TEST_F(DeviceWorkersTest, DetachEmptiesTheCacheClosesDialogsAndHides) {
    Attach(1);
    host_.Take();
    Attach(0);
    EXPECT_EQ(host_.Take(), (Log{"clear-cache", "MSG_DETACHED", "hide", "tray 128"}));
    EXPECT_FALSE(events_.IsAttached());
    // A re-attach reloads but never opens the window again in this run.
    Attach(1);
    EXPECT_EQ(host_.Take(), (Log{"read-default", "read-info", "MSG_PROFILE", "tray 141"}));
}

TEST_F(DeviceWorkersTest, UnreadableKeyboardKeepsPreviousDataAndGoesOn) {
    host_.defaultTableResult = kResultNoAnswer;
    host_.infoResult = kResultStatusFE;
    Attach(1);
    Log log = host_.Take();
    // The message box has a thread of its own: the attach handling does not wait for it.
    const auto prompt = std::find(log.begin(), log.end(), "prompt MAIN_DEFAULT_MATRIX_PROMPT");
    ASSERT_NE(prompt, log.end());
    log.erase(prompt);
    EXPECT_EQ(log, (Log{"read-default", "read-info", "MSG_PROFILE", "tray 141", "MSG_OPEN"}));
    EXPECT_EQ(events_.MacroCapacity(), 0);
    // Never read: the built-in table stands in, never a table of zeros that would tie every position to no key.
    EXPECT_EQ(CurrentDefaultKeyTable(), BuiltInDefaultKeyTable());
}

TEST_F(DeviceWorkersTest, OnlyASuccessfulReadReplacesTheDefaultKeyTable) {
    Attach(1);
    const KeyTableBlock read = CurrentDefaultKeyTable();
    EXPECT_EQ(read[377], 377 & 0xFF);
    Attach(0);
    host_.defaultTableResult = kResultNoAnswer;
    Attach(1);
    EXPECT_EQ(CurrentDefaultKeyTable(), read);  // the failed read left the keyboard's table in place
}

// The keyboard comes and goes faster than its attach handling runs: whatever the order of the threads, the
// program ends in the state of the last notification (picture, attach state, last window message).
TEST_F(DeviceWorkersTest, RandomInterleavingsEndInTheStateOfTheLastNotification) {
    std::mt19937 random(20261210);
    host_.duringRead = [&] {
        thread_local std::mt19937 r(std::hash<std::thread::id>()(std::this_thread::get_id()));
        std::this_thread::sleep_for(std::chrono::microseconds(r() % 400));
    };
    for (int round = 0; round < 60; ++round) {
        const int count = 1 + static_cast<int>(random() % 8);
        uint32_t last = 0;
        for (int i = 0; i < count; ++i) {
            last = random() % 2;
            events_.OnPresenceChanged(last);
            if (random() % 2) std::this_thread::sleep_for(std::chrono::microseconds(random() % 300));
        }
        events_.WaitIdle();
        ASSERT_EQ(events_.IsAttached(), last != 0) << "round " << round;
        ASSERT_EQ(host_.Tray(), last != 0 ? kIconAttached : kIconNoKeyboard) << "round " << round;
        const Log log = host_.Take();
        const auto message = std::find_if(log.rbegin(), log.rend(), [](const std::string& e) {
            return e == "MSG_PROFILE" || e == "MSG_DETACHED";
        });
        if (message != log.rend()) {
            EXPECT_EQ(*message, last != 0 ? "MSG_PROFILE" : "MSG_DETACHED") << "round " << round;
        }
    }
}

TEST_F(DeviceWorkersTest, ADetachNeverWaitsForTheUnreadableTablePrompt) {
    std::mutex m;
    std::condition_variable cv;
    bool clicked = false;
    host_.defaultTableResult = kResultNoAnswer;
    host_.duringPrompt = [&] {  // the user has not clicked OK yet
        std::unique_lock<std::mutex> lock(m);
        cv.wait(lock, [&] { return clicked; });
    };
    auto settled = [&](bool attached) {
        for (int i = 0; i < 500; ++i) {
            if (events_.IsAttached() == attached && host_.Tray() == (attached ? kIconAttached : kIconNoKeyboard))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    };
    std::mt19937 random(7);
    bool reached = settled(false);
    for (int round = 0; round < 20 && reached; ++round) {
        const int count = 1 + static_cast<int>(random() % 6);
        uint32_t last = 0;
        for (int i = 0; i < count; ++i) events_.OnPresenceChanged(last = random() % 2);
        reached = settled(last != 0);
        EXPECT_TRUE(reached) << "round " << round << ": the state waited for the open message box";
    }
    {
        std::lock_guard<std::mutex> lock(m);
        clicked = true;
    }
    cv.notify_all();
    events_.WaitIdle();
    const Log log = host_.Take();
    EXPECT_EQ(std::count(log.begin(), log.end(), "prompt MAIN_DEFAULT_MATRIX_PROMPT"), 1);  // one box at a time
}

TEST_F(DeviceWorkersTest, ANotificationBeforeTheCountIsHandledIsNewerThanTheCount) {
    // The binding read the count (attached), then the keyboard was pulled out before the count reached the
    // workers: the program must end detached.
    events_.OnPresenceChanged(1);
    events_.OnPresenceChanged(0);
    events_.OnInitialPresence(1);
    events_.WaitIdle();
    EXPECT_FALSE(events_.IsAttached());
    EXPECT_EQ(host_.Tray(), kIconNoKeyboard);
}

TEST_F(DeviceWorkersTest, AttachWorkerWaitsForTheWindow) {
    host_.initialised = false;
    host_.initialiseAfterSleeps = 3;
    Attach(1);
    EXPECT_EQ(host_.sleeps, 3);
    EXPECT_EQ(host_.Tray(), kIconAttached);
}

TEST_F(DeviceWorkersTest, BankSwitchWritesTheIndicatorThenTellsTheWindow) {
    Event(kEventBankSwitch);
    Event(kEventBankSwitch);
    EXPECT_EQ(host_.Take(), (Log{"indicator bank 1", "MSG_BANK 1", "indicator bank 0", "MSG_BANK 0"}));
}

TEST_F(DeviceWorkersTest, OtherEventCodesChangeNothing) {
    for (uint16_t code : {0x1801, 0x1802, 0x1803, 0x1804, 0x0000, 0x02FE, 0xFFFF}) Event(code);
    EXPECT_TRUE(host_.Take().empty());
    Event(kEventLightingChanged);
    EXPECT_EQ(host_.Take(), (Log{"reload-timer"}));
}

TEST_F(DeviceWorkersTest, BusyPictureReturnsToTheAttachPicture) {
    struct Step {
        std::function<void()> act;
        unsigned tray;
    };
    auto attach = [this](uint32_t s) { return [this, s] { Attach(s); }; };
    auto code = [this](uint16_t c) { return [this, c] { Event(c); }; };
    const Step steps[] = {
        {code(kEventBusyBegin), kIconBusy},   {code(kEventBusyEnd), kIconNoKeyboard},
        {attach(1), kIconAttached},           {code(kEventBusyBegin), kIconBusy},
        {code(kEventBusyEnd), kIconAttached}, {code(kEventBusyBegin), kIconBusy},
        {attach(0), kIconNoKeyboard},         {code(kEventBusyEnd), kIconNoKeyboard},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        steps[i].act();
        EXPECT_EQ(host_.Tray(), steps[i].tray) << "step " << i;
    }
}

TEST(TrayPicture, ChangesOnlyWhenThePictureDiffers) {
    TrayPictureState t;
    EXPECT_FALSE(t.Set(0, kIconNoKeyboard));
    EXPECT_TRUE(t.Set(0, kIconAttached));
    EXPECT_TRUE(t.Set(1, 0));
    EXPECT_FALSE(t.Set(1, 0));
    EXPECT_TRUE(t.Set(0, 0));
    EXPECT_EQ(t.Current(), kIconAttached);
}

}  // namespace
}  // namespace kv
