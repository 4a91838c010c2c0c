#include "device/device_workers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/app_messages.h"
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

    int ReadDefaultKeyTable(uint8_t out[kKeyTableSize]) override {
        Log("read-default");
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
    void ShowPrompt(const char* key) override { Log(std::string("prompt ") + key); }
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
    uint8_t table[kKeyTableSize];
    events_.CopyDefaultKeyTable(table);
    EXPECT_EQ(table[377], 377 & 0xFF);

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
    EXPECT_EQ(host_.Take(), (Log{"read-default", "prompt MAIN_DEFAULT_MATRIX_PROMPT", "read-info", "MSG_PROFILE",
                                 "tray 141", "MSG_OPEN"}));
    EXPECT_EQ(events_.MacroCapacity(), 0);
    uint8_t table[kKeyTableSize];
    events_.CopyDefaultKeyTable(table);
    EXPECT_EQ(table[377], 0);
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
