// The hardware backend over a fake HID layer: which collections a selector finds, how output reports are
// sized, what a subscriber receives, how readers end, and how the backend follows the keyboard being
// plugged, unplugged, unplugged in the middle of a write, and its handles going stale. Included by the
// native suite and by the Windows suite (run under Wine), so both builds of the backend are checked.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "hid/collection_match.h"
#include "hid/hid_keyboard.h"
#include "hid/report_framing.h"
#include "support/fake_hid_port.h"

namespace hidtest {

using namespace std::chrono_literals;

struct Seen {
    uint32_t kind = 0;
    uint32_t tag = 0;
    uint32_t countOrState = 0;
    Bytes data;
    std::optional<uint16_t> usage;  // present when the record carries a consumer usage
};

// What the backend delivered to the subscribers' callback.
class Inbox {
public:
    static Inbox& Get() {
        static Inbox inbox;
        return inbox;
    }
    static int KV_SERVICE_CALL Callback(const kv::ServiceNotification* n) {
        Seen s;
        s.kind = n->kind;
        s.tag = n->request->tag;
        s.countOrState = n->request->countOrState;
        if (n->kind == kv::kNotifyData) {
            s.data.assign(n->request->data, n->request->data + n->request->countOrState);
            if (const uint16_t* u = kv::ConsumerUsagePointer(n->request->consumer); u != nullptr) s.usage = *u;
        }
        Inbox& inbox = Get();
        std::function<void(const Seen&)> hook;
        {
            std::lock_guard<std::mutex> lock(inbox.mu_);
            inbox.seen_.push_back(s);
            hook = inbox.hook_;
        }
        inbox.cv_.notify_all();
        if (hook) hook(s);
        return 1;
    }
    void Reset() {
        std::lock_guard<std::mutex> lock(mu_);
        seen_.clear();
        hook_ = nullptr;
    }
    // Runs on the library's thread inside the callback, after the notification is recorded.
    void SetHook(std::function<void(const Seen&)> hook) {
        std::lock_guard<std::mutex> lock(mu_);
        hook_ = std::move(hook);
    }
    // Takes the first notification of this kind and tag; nothing after the timeout.
    std::optional<Seen> Take(uint32_t kind, uint32_t tag, std::chrono::milliseconds timeout = 5000ms) {
        std::unique_lock<std::mutex> lock(mu_);
        std::optional<Seen> found;
        cv_.wait_for(lock, timeout, [&] {
            for (auto it = seen_.begin(); it != seen_.end(); ++it) {
                if (it->kind == kind && it->tag == tag) {
                    found = *it;
                    seen_.erase(it);
                    return true;
                }
            }
            return false;
        });
        return found;
    }
    std::size_t Count() {
        std::lock_guard<std::mutex> lock(mu_);
        return seen_.size();
    }

private:
    std::mutex mu_;
    std::condition_variable cv_;
    std::deque<Seen> seen_;
    std::function<void(const Seen&)> hook_;
};

inline qvx::hid::HidKeyboardTimings FastTimings() {
    qvx::hid::HidKeyboardTimings t;
    t.scanInterval = 20ms;
    t.backstopInterval = 20ms;  // the tests' fake system tells of changes, but not every test's change
    t.readTimeoutMs = 20;
    t.writeTimeoutMs = 200;
    t.retryDelay = 10ms;
    t.answerWaitMs = 200;
    return t;
}

inline Bytes Command(uint8_t code, std::size_t length = 64) {
    Bytes r(length, 0);
    r[0] = 0x04;
    if (length > 3) r[3] = code;
    return r;
}

// Polls a condition for up to five seconds.
template <typename P>
bool Eventually(P pred) {
    for (int i = 0; i < 500; ++i) {
        if (pred()) return true;
        std::this_thread::sleep_for(10ms);
    }
    return pred();
}

class HidKeyboardTest : public ::testing::Test {
protected:
    void SetUp() override { Inbox::Get().Reset(); }
    void TearDown() override {
        if (backend_) backend_->Stop();
        backend_.reset();
        EXPECT_FALSE(port_.UsedAfterClose());
        EXPECT_FALSE(port_.UsedAgainstItsAccess());
        Inbox::Get().Reset();
    }
    qvx::hid::HidKeyboard& Start(qvx::hid::HidKeyboardTimings timings = FastTimings()) {
        backend_ = std::make_unique<qvx::hid::HidKeyboard>(port_.Port(), timings);
        EXPECT_GT(backend_->Start(), 0);
        return *backend_;
    }
    uint32_t Subscribe(kv::CollectionUsage c, uint32_t tag) {
        const uint32_t h = backend_->Subscribe(c, &Inbox::Callback, tag);
        EXPECT_NE(h, 0u);
        return h;
    }

    FakeHidPort port_;
    std::unique_ptr<qvx::hid::HidKeyboard> backend_;
};

TEST(HidReportFraming, OutputReportsAreSizedToTheCollection) {
    struct Row {
        const char* what;
        Bytes in;
        std::size_t reportLength;
        qvx::hid::FrameStatus status;
        Bytes out;
    };
    const Row rows[] = {
        {"exact length", {4, 1, 2, 3}, 4, qvx::hid::FrameStatus::Ok, {4, 1, 2, 3}},
        {"short: zero padded", {4, 1}, 5, qvx::hid::FrameStatus::Ok, {4, 1, 0, 0, 0}},
        {"long with a zero tail: cut", {4, 1, 0, 0}, 2, qvx::hid::FrameStatus::Ok, {4, 1}},
        {"long with data beyond: refused", {4, 1, 0, 9}, 2, qvx::hid::FrameStatus::TooLong, {}},
        {"length not known: as given", {5, 3}, 0, qvx::hid::FrameStatus::Ok, {5, 3}},
        {"nothing to send", {}, 65, qvx::hid::FrameStatus::Empty, {}},
    };
    for (const Row& row : rows) {
        Bytes out{7, 7};
        EXPECT_EQ(qvx::hid::FrameOutputReport(row.in.data(), row.in.size(), row.reportLength, out), row.status)
            << row.what;
        EXPECT_EQ(out, row.out) << row.what;
    }
}

TEST(HidReportFraming, ConsumerUsageIsLittleEndianAfterTheReportId) {
    const uint8_t bank[] = {0x03, 0xFF, 0x02};
    uint16_t usage = 0;
    ASSERT_TRUE(qvx::hid::DecodeConsumerUsage(bank, sizeof bank, usage));
    EXPECT_EQ(usage, 0x02FF);
    EXPECT_FALSE(qvx::hid::DecodeConsumerUsage(bank, 2, usage));
}

// A listing opens only the keyboard's own interfaces: the path must name its vendor and product.
TEST(HidCollectionMatch, OnlyPathsNamingTheKeyboardAreOpened) {
    struct Row {
        const char* path;
        bool ours;
    };
    const Row rows[] = {
        {R"(\\?\hid#vid_0c45&pid_7a31&mi_01&col02#8&2a1b&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030})", true},
        {R"(\\?\HID#VID_0C45&PID_7A31&MI_02#8&1c0&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})", true},
        {R"(\\?\hid#vid_0c45&pid_7a32&mi_01#8&2a1b&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})", false},
        {R"(\\?\hid#vid_046d&pid_c077#7&3a&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})", false},
        {R"(\\?\hid#vid_10c45&pid_7a31#x)", false},
        {"", false},
    };
    for (const Row& row : rows) EXPECT_EQ(qvx::hid::PathNamesKeyboard(row.path), row.ours) << row.path;
}

TEST_F(HidKeyboardTest, SelectorsFindOnlyTheKeyboardsMatchingCollections) {
    port_.Add("mouse", 0x046D, 0xC077, 0x0001, 0x0002);
    port_.Add("other-vendor", 0x1234, 0x7A31, 0xFF1C, 0x0092);
    port_.Add("other-product", 0x0C45, 0x7A32, 0xFF1C, 0x0092);
    port_.Add("boot-keyboard", 0x0C45, 0x7A31, 0x0001, 0x0006);
    port_.Add("locked", 0x0C45, 0x7A31, 0xFF1C, 0x0092);
    port_.Change("locked", [](auto& c) { c.refuseQuery = true; });
    port_.AddKeyboard("kb1-");

    auto& hid = Start();
    EXPECT_EQ(hid.DeviceCount(kv::kVendorCollection), 1);
    EXPECT_EQ(hid.DeviceCount(kv::kConsumerCollection), 1);
    EXPECT_EQ(hid.DeviceCount(kv::kIndicatorCollection), 1);
    EXPECT_EQ(hid.DeviceCount({0x0001, 0x0002}), 0);  // the mouse is not the keyboard
    EXPECT_EQ(hid.DeviceCount({0xFF1C, 0}), 1);        // usage not asked: any usage of that page

    port_.AddKeyboard("kb2-");
    EXPECT_TRUE(Eventually([&] { return hid.DeviceCount(kv::kVendorCollection) == 2; }));
}

TEST_F(HidKeyboardTest, WritesAreFramedToTheCollectionAndRefusedCleanly) {
    port_.AddKeyboard("kb-");
    port_.Change("kb-vendor", [](auto& c) { c.caps.outputReportLength = 65; });
    auto& hid = Start();

    const Bytes request = Command(0x0A, 10);
    EXPECT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 10);
    auto written = port_.Get("kb-vendor").written;
    ASSERT_EQ(written.size(), 1u);
    Bytes expected = request;
    expected.resize(65, 0);
    EXPECT_EQ(written[0], expected);

    // A collection that takes 33 bytes cannot carry a 64-byte command with data at its end.
    port_.Change("kb-vendor", [](auto& c) { c.caps.outputReportLength = 33; });
    port_.SetPresent("kb-vendor", false);
    ASSERT_TRUE(Eventually([&] { return hid.DeviceCount(kv::kVendorCollection) == 0; }));
    port_.SetPresent("kb-vendor", true);
    ASSERT_TRUE(Eventually([&] { return hid.DeviceCount(kv::kVendorCollection) == 1; }));
    Bytes full = Command(0x0A);
    full[63] = 0x55;
    EXPECT_EQ(hid.WriteReport(kv::kVendorCollection, full.data(), full.size()), 0);
    EXPECT_EQ(port_.Get("kb-vendor").written.size(), 1u);

    // The bank indicator: two bytes on the indicator collection, a handle to cancel later.
    const Bytes indicator{0x05, 0x03};
    uint32_t handle = 0;
    EXPECT_EQ(hid.WriteStatus(kv::kIndicatorCollection, indicator.data(), indicator.size(), &handle), 2);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(port_.Get("kb-indicator").written, std::vector<Bytes>{indicator});
    uint8_t back[2] = {};
    EXPECT_EQ(hid.ReadStatus(kv::kIndicatorCollection, back, sizeof back), 2);
    EXPECT_EQ(back[1], 0x03);
    EXPECT_TRUE(hid.Cancel(handle));
    EXPECT_FALSE(hid.Cancel(handle));

    // Nothing to write to: an absent collection.
    EXPECT_EQ(hid.WriteReport({0x0001, 0x0002}, request.data(), request.size()), 0);
}

TEST_F(HidKeyboardTest, SubscribersReceiveReportsAndTheConsumerUsage) {
    port_.AddKeyboard("kb-");
    Start();
    Subscribe(kv::kConsumerCollection, kv::kTagCons);
    Subscribe(kv::kVendorCollection, kv::kTagCtrl);
    ASSERT_TRUE(port_.WaitOpenHandles("kb-consumer", 1));
    ASSERT_TRUE(port_.WaitOpenHandles("kb-vendor", 1));

    port_.Input("kb-consumer", {0x03, 0xFF, 0x02});
    auto event = Inbox::Get().Take(kv::kNotifyData, kv::kTagCons);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->countOrState, 3u);
    EXPECT_EQ(event->data, (Bytes{0x03, 0xFF, 0x02}));
    ASSERT_TRUE(event->usage);
    EXPECT_EQ(*event->usage, 0x02FF);

    const Bytes answer = Command(0x0A);
    port_.Input("kb-vendor", answer);
    event = Inbox::Get().Take(kv::kNotifyData, kv::kTagCtrl);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->data, answer);
    EXPECT_FALSE(event->usage);  // only the consumer collection carries a usage
}

TEST_F(HidKeyboardTest, ANodeSharedByCollectionsDeliversOnlyTheCollectionsOwnReports) {
    port_.AddKeyboard("kb-");
    port_.Change("kb-consumer", [](auto& c) { c.caps.inputReportIds = {0x03}; });
    Start();
    Subscribe(kv::kConsumerCollection, kv::kTagCons);
    ASSERT_TRUE(port_.WaitOpenHandles("kb-consumer", 1));
    port_.Input("kb-consumer", Command(0x0A));  // a vendor report on the same node
    port_.Input("kb-consumer", {0x03, 0x01, 0x04});
    auto event = Inbox::Get().Take(kv::kNotifyData, kv::kTagCons);
    ASSERT_TRUE(event);
    EXPECT_EQ(*event->usage, 0x0401);
    EXPECT_FALSE(Inbox::Get().Take(kv::kNotifyData, kv::kTagCons, 100ms));
}

TEST_F(HidKeyboardTest, CancellingEndsTheReaderAndClosesItsHandle) {
    port_.AddKeyboard("kb-");
    auto& hid = Start();
    const uint32_t cons = Subscribe(kv::kConsumerCollection, kv::kTagCons);
    ASSERT_TRUE(port_.WaitOpenHandles("kb-consumer", 1));

    EXPECT_TRUE(hid.Cancel(cons));
    EXPECT_TRUE(port_.WaitOpenHandles("kb-consumer", 0));
    port_.Input("kb-consumer", {0x03, 0xFF, 0x02});
    EXPECT_FALSE(Inbox::Get().Take(kv::kNotifyData, kv::kTagCons, 100ms));
    EXPECT_FALSE(hid.Cancel(cons));
    EXPECT_FALSE(hid.Cancel(0));
}

TEST_F(HidKeyboardTest, ASubscriberMayCancelItselfAndEndTheLibraryFromItsCallback) {
    port_.AddKeyboard("kb-");
    auto& hid = Start();
    std::atomic<uint32_t> cons{0};
    std::atomic<int> cancelled{-1};
    Inbox::Get().SetHook([&](const Seen& s) {
        if (s.tag == kv::kTagCons) cancelled = hid.Cancel(cons) ? 1 : 0;
    });
    cons = Subscribe(kv::kConsumerCollection, kv::kTagCons);
    ASSERT_TRUE(port_.WaitOpenHandles("kb-consumer", 1));
    port_.Input("kb-consumer", {0x03, 0xFF, 0x02});
    ASSERT_TRUE(Eventually([&] { return cancelled == 1; }));
    EXPECT_TRUE(port_.WaitOpenHandles("kb-consumer", 0));

    // End from inside a callback: the library stops without waiting for the thread it runs on.
    std::atomic<bool> ended{false};
    Inbox::Get().SetHook([&](const Seen& s) {
        if (s.tag == kv::kTagCtrl) {
            hid.Stop();
            ended = true;
        }
    });
    Subscribe(kv::kVendorCollection, kv::kTagCtrl);
    ASSERT_TRUE(port_.WaitOpenHandles("kb-vendor", 1));
    port_.Input("kb-vendor", Command(1));
    ASSERT_TRUE(Eventually([&] { return ended.load(); }));
    EXPECT_TRUE(port_.WaitOpenHandles("kb-vendor", 0));
    Inbox::Get().SetHook(nullptr);

    // Init after End starts afresh.
    EXPECT_GT(hid.Start(), 0);
    Subscribe(kv::kVendorCollection, kv::kTagCtrl);
    ASSERT_TRUE(port_.WaitOpenHandles("kb-vendor", 1));
}

TEST_F(HidKeyboardTest, EndStopsEveryReaderAndClosesEveryHandle) {
    port_.AddKeyboard("kb-");
    auto& hid = Start();
    Subscribe(kv::kConsumerCollection, kv::kTagCons);
    Subscribe(kv::kVendorCollection, kv::kTagCtrl);
    const Bytes request = Command(2);
    EXPECT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 64);
    ASSERT_TRUE(port_.WaitOpenHandles("kb-consumer", 1));
    ASSERT_TRUE(port_.WaitOpenHandles("kb-vendor", 2));  // the reader's and the writer's

    hid.Stop();
    EXPECT_EQ(port_.OpenHandles("kb-consumer"), 0);
    EXPECT_EQ(port_.OpenHandles("kb-vendor"), 0);
    EXPECT_EQ(hid.Subscribe(kv::kVendorCollection, &Inbox::Callback, kv::kTagCtrl), 0u);
    EXPECT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 0);
}

TEST_F(HidKeyboardTest, PlugAndUnplugReachTheVendorSubscribersAndReadersFollow) {
    auto& hid = Start();
    EXPECT_EQ(hid.DeviceCount(kv::kVendorCollection), 0);
    Subscribe(kv::kVendorCollection, kv::kTagCtrl);
    Subscribe(kv::kConsumerCollection, kv::kTagCons);

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        if (round == 0) port_.AddKeyboard("kb-");
        else port_.SetKeyboardPresent("kb-", true);
        auto state = Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl);
        ASSERT_TRUE(state);
        EXPECT_NE(state->countOrState, 0u);
        EXPECT_EQ(hid.DeviceCount(kv::kVendorCollection), 1);
        ASSERT_TRUE(port_.WaitOpenHandles("kb-consumer", 1));
        port_.Input("kb-consumer", {0x03, 0x10, 0x18});
        auto event = Inbox::Get().Take(kv::kNotifyData, kv::kTagCons);
        ASSERT_TRUE(event);
        EXPECT_EQ(*event->usage, 0x1810);

        port_.SetKeyboardPresent("kb-", false);
        state = Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl);
        ASSERT_TRUE(state);
        EXPECT_EQ(state->countOrState, 0u);
        EXPECT_EQ(hid.DeviceCount(kv::kVendorCollection), 0);
        EXPECT_TRUE(port_.WaitOpenHandles("kb-consumer", 0));
    }
    // Presence goes to the vendor collection's subscribers only.
    EXPECT_FALSE(Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCons, 50ms));
}

TEST_F(HidKeyboardTest, AKeyboardUnpluggedDuringAWriteFailsTheWriteAndIsReportedGone) {
    port_.AddKeyboard("kb-");
    auto timings = FastTimings();
    timings.scanInterval = 60s;  // only the failed write can make the backend look again
    timings.backstopInterval = 60s;
    auto& hid = Start(timings);
    Subscribe(kv::kVendorCollection, kv::kTagCtrl);

    port_.Change("kb-vendor", [](auto& c) { c.removeOnWrite = true; });
    port_.SetPresent("kb-consumer", false);
    port_.SetPresent("kb-indicator", false);
    const Bytes request = Command(3);
    EXPECT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 0);
    auto state = Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->countOrState, 0u);
    EXPECT_EQ(hid.DeviceCount(kv::kVendorCollection), 0);
    EXPECT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 0);
    EXPECT_TRUE(port_.Get("kb-vendor").written.empty());
}

TEST_F(HidKeyboardTest, StaleHandlesAreReopenedWithoutAPresenceChange) {
    port_.AddKeyboard("kb-");
    auto& hid = Start();
    Subscribe(kv::kVendorCollection, kv::kTagCtrl);
    const Bytes request = Command(4);
    ASSERT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 64);
    ASSERT_TRUE(port_.WaitOpenHandles("kb-vendor", 2));
    const int opens = port_.Get("kb-vendor").opens;

    // The computer slept: every handle open before fails, the keyboard is still there.
    port_.MakeStale("kb-vendor");
    EXPECT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 64);  // on a new handle
    EXPECT_EQ(port_.Get("kb-vendor").written.size(), 2u);
    EXPECT_TRUE(port_.WaitFor("kb-vendor", [&](const auto& c) { return c.opens >= opens + 2; }));
    ASSERT_TRUE(port_.WaitOpenHandles("kb-vendor", 2));
    port_.Input("kb-vendor", Command(4));
    EXPECT_TRUE(Inbox::Get().Take(kv::kNotifyData, kv::kTagCtrl));
    EXPECT_FALSE(Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl, 50ms));

    // Waking from sleep reopens every handle even when none has failed yet.
    const int before = port_.Get("kb-vendor").opens;
    hid.ReopenAll();
    EXPECT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 64);
    EXPECT_TRUE(port_.WaitFor("kb-vendor", [&](const auto& c) { return c.opens >= before + 2; }));
    EXPECT_TRUE(port_.WaitOpenHandles("kb-vendor", 2));
}

TEST_F(HidKeyboardTest, TheSystemsNotificationsAreFollowedAtOnceEvenAReplugBetweenListings) {
    port_.SetTelling(true);
    auto timings = FastTimings();
    timings.scanInterval = 60s;  // nothing but a notification (or a failed read) makes the backend look again
    timings.backstopInterval = 60s;
    auto& hid = Start(timings);
    Subscribe(kv::kVendorCollection, kv::kTagCtrl);
    port_.AddKeyboard("kb-");
    auto state = Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->countOrState, 1u);

    port_.SetKeyboardPresent("kb-", false);
    state = Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->countOrState, 0u);
    port_.SetKeyboardPresent("kb-", true);
    ASSERT_TRUE(Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl));
    ASSERT_TRUE(port_.WaitOpenHandles("kb-vendor", 1));

    // Gone and back before any listing (a USB reset): the program still hears it went and came back, so it
    // reads the keyboard again, and the reader is on a new handle.
    const int opens = port_.Get("kb-vendor").opens;
    port_.Replug("kb-");
    state = Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->countOrState, 0u);
    state = Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->countOrState, 1u);
    EXPECT_EQ(hid.DeviceCount(kv::kVendorCollection), 1);
    ASSERT_TRUE(port_.WaitFor("kb-vendor", [&](const auto& c) { return c.opens > opens; }));
    ASSERT_TRUE(port_.WaitOpenHandles("kb-vendor", 1));
    port_.Input("kb-vendor", Command(5));
    EXPECT_TRUE(Inbox::Get().Take(kv::kNotifyData, kv::kTagCtrl));
    const Bytes request = Command(5);
    EXPECT_GT(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 0);
}

TEST_F(HidKeyboardTest, TheResumeNotificationReopensEveryHandle) {
    port_.AddKeyboard("kb-");
    auto timings = FastTimings();
    timings.backstopInterval = 60s;
    auto& hid = Start(timings);
    Subscribe(kv::kConsumerCollection, kv::kTagCons);
    ASSERT_TRUE(port_.WaitOpenHandles("kb-consumer", 1));
    const int opens = port_.Get("kb-consumer").opens;

    ASSERT_TRUE(port_.Notify(qvx::hid::HidEvent::Suspend));
    ASSERT_TRUE(port_.Notify(qvx::hid::HidEvent::Resume));
    EXPECT_TRUE(port_.WaitFor("kb-consumer", [&](const auto& c) { return c.opens > opens; }));
    ASSERT_TRUE(port_.WaitOpenHandles("kb-consumer", 1));
    port_.Input("kb-consumer", {0x03, 0x01, 0x04});
    EXPECT_TRUE(Inbox::Get().Take(kv::kNotifyData, kv::kTagCons));
    EXPECT_EQ(hid.DeviceCount(kv::kVendorCollection), 1);
}

TEST_F(HidKeyboardTest, IdleReadersWaitWithoutAClockAndOnlyASystemWithoutNotificationsIsPolled) {
    port_.AddKeyboard("kb-");
    auto timings = FastTimings();  // a 20 ms read time-out and a 20 ms poll, were either used
    timings.backstopInterval = 60s;
    Start(timings);
    Subscribe(kv::kConsumerCollection, kv::kTagCons);
    Subscribe(kv::kVendorCollection, kv::kTagCtrl);
    ASSERT_TRUE(port_.WaitOpenHandles("kb-consumer", 1));
    ASSERT_TRUE(port_.WaitOpenHandles("kb-vendor", 1));
    ASSERT_TRUE(port_.WaitEveryReaderWaiting());  // counting starts once each reader is in its read
    auto before = port_.CallCounts();
    std::this_thread::sleep_for(300ms);
    auto after = port_.CallCounts();
    EXPECT_LE(after.reads - before.reads, 0);
    EXPECT_LE(after.enumerations - before.enumerations, 0);
    EXPECT_TRUE(port_.Watched());

    // A system that tells nothing is looked at every scan interval instead.
    backend_.reset();
    port_.SetWatchable(false);
    auto& hid = Start();
    EXPECT_FALSE(port_.Watched());
    port_.AddKeyboard("kb2-");
    EXPECT_TRUE(Eventually([&] { return hid.DeviceCount(kv::kVendorCollection) == 2; }));
}

TEST_F(HidKeyboardTest, DisablingTheDriverClosesEveryHandleAndEnablingItReopensThem) {
    port_.SetTelling(true);
    port_.AddKeyboard("kb-");
    auto& hid = Start();
    Subscribe(kv::kVendorCollection, kv::kTagCtrl);
    Subscribe(kv::kConsumerCollection, kv::kTagCons);
    const Bytes request = Command(6);
    ASSERT_GT(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 0);
    ASSERT_TRUE(port_.WaitOpenHandles("kb-vendor", 2));
    ASSERT_TRUE(port_.WaitOpenHandles("kb-consumer", 1));

    // The system asks first; a handle left open would make it ask the user for a restart.
    for (const char* part : {"vendor", "consumer", "indicator"})
        EXPECT_TRUE(port_.Disable(std::string("kb-") + part))
            << part << " reading " << port_.OpenHandlesByAccess(std::string("kb-") + part).first << " writing "
            << port_.OpenHandlesByAccess(std::string("kb-") + part).second;
    auto state = Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->countOrState, 0u);

    for (const char* part : {"vendor", "consumer", "indicator"}) port_.Enable(std::string("kb-") + part);
    state = Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->countOrState, 1u);
    // Events are read again (a report that meets a handle the backend is just replacing may be lost: the
    // keyboard went and came back, and is read again anyway).
    EXPECT_TRUE(Eventually([&] {
        port_.Input("kb-consumer", {0x03, 0x10, 0x18});
        return Inbox::Get().Take(kv::kNotifyData, kv::kTagCons, 50ms).has_value();
    }));
    EXPECT_GT(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 0);
    ASSERT_TRUE(port_.WaitOpenHandles("kb-consumer", 1));

    // Another program vetoed the removal: the handle is opened again at once.
    ASSERT_TRUE(port_.Notify(qvx::hid::HidEvent::QueryRemove, "kb-consumer"));
    EXPECT_EQ(port_.OpenHandles("kb-consumer"), 0);
    ASSERT_TRUE(port_.Notify(qvx::hid::HidEvent::QueryRemoveFailed, "kb-consumer"));
    EXPECT_TRUE(port_.WaitOpenHandles("kb-consumer", 1));
}

TEST_F(HidKeyboardTest, ReadersOpenOnlyForReadingAndWritersOnlyForWriting) {
    port_.AddKeyboard("kb-");
    auto& hid = Start();
    Subscribe(kv::kVendorCollection, kv::kTagCtrl);
    const Bytes request = Command(7);
    ASSERT_GT(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 0);
    ASSERT_TRUE(port_.WaitOpenHandles("kb-vendor", 2));
    EXPECT_EQ(port_.OpenHandlesByAccess("kb-vendor"), (std::pair<int, int>{1, 1}));

    // Another program shares the collection for reading only: the answers are still read, writes are
    // said to be held by another program.
    port_.Change("kb-vendor", [](auto& c) { c.writersRefused = true; });
    const int opens = port_.Get("kb-vendor").opens;
    ASSERT_TRUE(port_.Notify(qvx::hid::HidEvent::Resume));  // every handle opened anew
    EXPECT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), kv::kWriteHeldByOther);
    ASSERT_TRUE(port_.WaitFor("kb-vendor", [&](const auto& c) { return c.opens > opens; }));
    ASSERT_TRUE(port_.WaitOpenHandles("kb-vendor", 1));
    EXPECT_EQ(port_.OpenHandlesByAccess("kb-vendor"), (std::pair<int, int>{1, 0}));
    port_.Input("kb-vendor", Command(7));
    EXPECT_TRUE(Inbox::Get().Take(kv::kNotifyData, kv::kTagCtrl));
}

TEST_F(HidKeyboardTest, AKeyboardHeldByAnotherProgramIsSaidToBeSoAndLogged) {
    port_.AddKeyboard("kb-");
    port_.Change("kb-vendor", [](auto& c) { c.heldExclusively = true; });
    auto& hid = Start();
    (void)hid.SetVerbosity(1);
    Subscribe(kv::kVendorCollection, kv::kTagCtrl);

    EXPECT_EQ(hid.DeviceCount(kv::kVendorCollection), 1);  // it is there, only not ours to open
    const Bytes request = Command(8);
    EXPECT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), kv::kWriteHeldByOther);
    EXPECT_TRUE(port_.Get("kb-vendor").written.empty());
    EXPECT_TRUE(Eventually([&] { return port_.Logged("held by another program"); }));
    EXPECT_TRUE(port_.Logged("error 32"));  // the system's own code, from the port

    // The other program lets go: the reader gets its handle and writes go out.
    port_.Change("kb-vendor", [](auto& c) { c.heldExclusively = false; });
    EXPECT_GT(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 0);
    EXPECT_TRUE(port_.WaitOpenHandles("kb-vendor", 2));
}

TEST_F(HidKeyboardTest, TwoProgramsShareTheKeyboardAndAnswersToTheOtherAreNotPassedOn) {
    constexpr uint32_t kTagTool = 0x544F4F4C;
    port_.AddKeyboard("kb-");
    port_.Change("kb-vendor", [](auto& c) { c.echoWrites = true; });
    auto& program = Start();
    qvx::hid::HidKeyboard tool(port_.Port(), FastTimings());
    ASSERT_GT(tool.Start(), 0);
    Subscribe(kv::kVendorCollection, kv::kTagCtrl);
    ASSERT_NE(tool.Subscribe(kv::kVendorCollection, &Inbox::Callback, kTagTool), 0u);
    ASSERT_TRUE(port_.WaitOpenHandles("kb-vendor", 2));

    // While a third program has its command out, what the keyboard sends is that program's answer.
    port_.HoldExchange();
    port_.Input("kb-vendor", Command(0x33));
    EXPECT_FALSE(Inbox::Get().Take(kv::kNotifyData, kv::kTagCtrl, 100ms));
    EXPECT_FALSE(Inbox::Get().Take(kv::kNotifyData, kTagTool, 0ms));
    port_.ReleaseExchange();
    port_.Input("kb-vendor", Command(0x34));
    auto seen = Inbox::Get().Take(kv::kNotifyData, kv::kTagCtrl);
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->data.at(3), 0x34);

    // Both send at once: every command goes out and each program is given its own answer to every one.
    constexpr int kCommands = 20;
    auto send = [&](qvx::hid::HidKeyboard& hid, uint8_t code) {
        const Bytes request = Command(code);
        for (int i = 0; i < kCommands; ++i) EXPECT_GT(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 0);
    };
    std::thread programThread(send, std::ref(program), uint8_t{0x11});
    std::thread toolThread(send, std::ref(tool), uint8_t{0x22});
    programThread.join();
    toolThread.join();
    for (const auto& [tag, code] : {std::pair<uint32_t, uint8_t>{kv::kTagCtrl, 0x11}, {kTagTool, 0x22}}) {
        int own = 0;
        while (auto seen = Inbox::Get().Take(kv::kNotifyData, tag, 100ms)) own += seen->data.at(3) == code ? 1 : 0;
        EXPECT_EQ(own, kCommands) << std::hex << tag;
    }
    tool.Stop();
}

TEST_F(HidKeyboardTest, TheDebugLogNamesEachCollectionWithItsReportLengths) {
    port_.SetTelling(true);
    port_.AddKeyboard("kb-");
    port_.Add("mouse", 0x046D, 0xC077, 0x0001, 0x0002);
    auto& hid = Start();
    EXPECT_TRUE(port_.LogLines().empty());  // off until asked for
    EXPECT_EQ(hid.SetVerbosity(1), 0);
    EXPECT_TRUE(port_.Logged("usage page FF1C usage 0092, report bytes in 65 out 65 feature 65: kb-vendor"));
    EXPECT_TRUE(port_.Logged("usage page 000C usage 0001, report bytes in 3 out 0 feature 0: kb-consumer"));
    EXPECT_TRUE(port_.Logged("kb-indicator"));
    EXPECT_FALSE(port_.Logged("mouse"));  // only the keyboard's own collections

    // A collection that arrives later is logged as it is found.
    port_.Add("kb2-vendor", 0x0C45, 0x7A31, 0xFF1C, 0x0092, 33, 33);
    EXPECT_TRUE(Eventually([&] { return port_.Logged("report bytes in 33 out 33 feature 33: kb2-vendor"); }));
    EXPECT_EQ(hid.SetVerbosity(0), 1);
}

TEST(HidReportFraming, AReadIsSplitIntoReportsOfTheCollectionsLength) {
    struct Row {
        const char* what;
        std::size_t readLength;
        std::size_t reportLength;
        std::vector<std::size_t> reports;  // the lengths delivered, in order
    };
    const Row rows[] = {
        {"one report", 3, 3, {3}},
        {"three queued reports in one read", 9, 3, {3, 3, 3}},
        {"a report shorter than the longest (one at a time)", 2, 3, {2}},
        {"length not known: the whole read", 9, 0, {9}},
        {"a cut tail stays apart", 7, 3, {3, 3, 1}},
        {"nothing read", 0, 3, {}},
    };
    for (const Row& row : rows) {
        Bytes read(row.readLength);
        for (std::size_t i = 0; i < read.size(); ++i) read[i] = static_cast<uint8_t>(i);
        std::vector<std::size_t> lengths;
        std::size_t at = 0;
        qvx::hid::SplitInputReports(read.data(), read.size(), row.reportLength,
                                    [&](const uint8_t* report, std::size_t length) {
                                        EXPECT_EQ(report, read.data() + at) << row.what;
                                        at += length;
                                        lengths.push_back(length);
                                    });
        EXPECT_EQ(lengths, row.reports) << row.what;
    }
}

TEST(HidReportFraming, TheConsumerUsageComesFromTheDeclaredReportOnly) {
    struct Row {
        const char* what;
        std::vector<qvx::hid::HidValueField> declared;
        bool expected;
        bool described;  // the log gets what the collection declares
        Bytes report;
        std::optional<uint16_t> usage;
    };
    const Row rows[] = {
        {"nothing declared: any report", {}, false, false, {0x05, 0x10, 0x18}, 0x1810},
        {"one 16-bit value, its report", {{0x03, 0x0C, 16, 1}}, true, false, {0x03, 0x10, 0x18}, 0x1810},
        {"one 16-bit value, another report", {{0x03, 0x0C, 16, 1}}, true, false, {0x02, 0x10, 0x18}, std::nullopt},
        {"unnumbered reports", {{0x00, 0x0C, 16, 1}}, true, false, {0x00, 0xE9, 0x00}, 0x00E9},
        {"an 8-bit value: logged, read as before", {{0x03, 0x0C, 8, 2}}, false, true, {0x03, 0x10, 0x18}, 0x1810},
        {"two values: logged", {{0x03, 0x0C, 16, 1}, {0x04, 0x0C, 16, 1}}, false, true, {0x04, 1, 2}, 0x0201},
        {"too short", {{0x03, 0x0C, 16, 1}}, true, false, {0x03, 0x10}, std::nullopt},
    };
    for (const Row& row : rows) {
        qvx::hid::HidCaps caps;
        caps.inputValues = row.declared;
        const qvx::hid::ConsumerLayout layout = qvx::hid::DescribeConsumerLayout(caps);
        EXPECT_EQ(layout.expected, row.expected) << row.what;
        EXPECT_EQ(!layout.description.empty(), row.described) << row.what << ": " << layout.description;
        uint16_t usage = 0;
        const bool decoded = qvx::hid::DecodeConsumerReport(layout, row.report.data(), row.report.size(), usage);
        EXPECT_EQ(decoded ? std::optional<uint16_t>(usage) : std::nullopt, row.usage) << row.what;
    }
}

// The system hands over every report queued since the last read when the buffer holds them: a bank
// switch queued behind another event must still arrive, and arrive on its own.
TEST_F(HidKeyboardTest, ReportsQueuedTogetherAreEachDelivered) {
    port_.AddKeyboard("kb-");
    Start();
    Subscribe(kv::kConsumerCollection, kv::kTagCons);
    port_.InputMany("kb-consumer", {{0x03, 0x01, 0x04}, {0x03, 0xFF, 0x02}, {0x03, 0x10, 0x18}});
    for (uint16_t usage : {0x0401, 0x02FF, 0x1810}) {
        auto event = Inbox::Get().Take(kv::kNotifyData, kv::kTagCons);
        ASSERT_TRUE(event) << usage;
        EXPECT_EQ(event->countOrState, 3u);
        ASSERT_TRUE(event->usage);
        EXPECT_EQ(*event->usage, usage);
    }
}

// Reports reach only handles already open when they arrive: the first answer after subscribing, or after
// the keyboard is announced, must find the reader's handle open.
TEST_F(HidKeyboardTest, TheFirstAnswerAfterSubscribingOrAttachingIsNotLost) {
    port_.AddKeyboard("kb-");
    auto timings = FastTimings();
    timings.retryDelay = 30s;  // a reader that failed to open waits long, unless the keyboard comes back
    Start(timings);
    Subscribe(kv::kVendorCollection, kv::kTagCtrl);
    port_.Input("kb-vendor", Command(0x0A));  // at once, before any wait
    EXPECT_TRUE(Inbox::Get().Take(kv::kNotifyData, kv::kTagCtrl));

    // Plugged in: the answer sent as soon as the keyboard is announced is read.
    Inbox::Get().SetHook([&](const Seen& s) {
        if (s.kind == kv::kNotifyStateChange && s.countOrState != 0) port_.Input("kb-vendor", Command(0x0B));
    });
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        port_.SetKeyboardPresent("kb-", false);
        auto state = Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl);
        ASSERT_TRUE(state);
        ASSERT_EQ(state->countOrState, 0u);
        // The second time the reader has failed to open meanwhile and is waiting out its back-off.
        if (round == 1) {
            port_.Change("kb-vendor", [](auto& c) { c.refuseOpen = true; });
            port_.SetKeyboardPresent("kb-", true);
            state = Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl);
            ASSERT_TRUE(state);
            ASSERT_NE(state->countOrState, 0u);
            port_.SetKeyboardPresent("kb-", false);
            state = Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl);
            ASSERT_TRUE(state);
            ASSERT_EQ(state->countOrState, 0u);
            port_.Change("kb-vendor", [](auto& c) { c.refuseOpen = false; });
        }
        port_.SetKeyboardPresent("kb-", true);
        state = Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl);
        ASSERT_TRUE(state);
        ASSERT_NE(state->countOrState, 0u);
        auto answer = Inbox::Get().Take(kv::kNotifyData, kv::kTagCtrl);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->data, Command(0x0B));
    }
}

// Two keyboards, or the consumer collection on two interfaces: events are read from every one of them,
// and the vendor reader and writer sit on the same keyboard, whatever order the system lists them in.
TEST_F(HidKeyboardTest, EveryConsumerCollectionIsReadAndTheVendorPairStaysOnOneKeyboard) {
    port_.AddKeyboard("kb1-");
    port_.AddKeyboard("kb2-");
    port_.SetOrder({"kb2-vendor", "kb2-consumer", "kb2-indicator"});
    auto& hid = Start();
    EXPECT_EQ(hid.DeviceCount(kv::kConsumerCollection), 2);
    Subscribe(kv::kConsumerCollection, kv::kTagCons);
    Subscribe(kv::kVendorCollection, kv::kTagCtrl);
    port_.Input("kb2-consumer", {0x03, 0x01, 0x04});
    port_.Input("kb1-consumer", {0x03, 0xFF, 0x02});
    std::set<uint16_t> usages;
    for (int i = 0; i < 2; ++i) {
        auto event = Inbox::Get().Take(kv::kNotifyData, kv::kTagCons);
        ASSERT_TRUE(event && event->usage);
        usages.insert(*event->usage);
    }
    EXPECT_EQ(usages, (std::set<uint16_t>{0x0401, 0x02FF}));

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        if (round == 1) {  // the system now lists the other keyboard first
            port_.SetOrder({"kb1-vendor", "kb1-consumer", "kb1-indicator"});
            const int listings = port_.Listings();
            ASSERT_TRUE(port_.WaitListings(listings + 3));
        }
        const Bytes request = Command(0x0A);
        ASSERT_GT(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 0);
        // The writer's keyboard is the one whose answers are read.
        std::string written;
        for (const char* kb : {"kb1-", "kb2-"})
            if (port_.Get(std::string(kb) + "vendor").written.size() == static_cast<std::size_t>(round + 1))
                written = kb;
        ASSERT_FALSE(written.empty());
        EXPECT_EQ(written, "kb1-");  // the first in the order of ids, kept while present
        port_.Input(written + "vendor", Command(0x0A));
        EXPECT_TRUE(Inbox::Get().Take(kv::kNotifyData, kv::kTagCtrl));
    }
}

// Only a handle that went stale is reopened and the report sent again: a write that timed out may
// already be on the keyboard, and one the system refused would be refused again.
TEST_F(HidKeyboardTest, AFailedWriteIsSentAgainOnlyOnAStaleHandle) {
    using qvx::hid::HidFailure;
    struct Row {
        const char* what;
        HidFailure failure;
        uint32_t systemCode;
        bool timesOut;  // reaches the keyboard, then times out
        int result;     // of WriteReport
        int calls;      // writes the port saw
        int reopened;   // handles opened
    };
    const Row rows[] = {
        {"refused (wrong length)", HidFailure::Refused, 87, false, 0, 1, 0},
        {"timed out after reaching the keyboard", HidFailure::TimedOut, 1460, true, 0, 1, 0},
        {"unknown failure: reopened next time, not resent", HidFailure::Other, 31, false, 0, 1, 0},
        {"stale handle: resent on a new one", HidFailure::Gone, 6, false, 64, 2, 1},
    };
    port_.AddKeyboard("kb-");
    auto timings = FastTimings();
    timings.scanInterval = 60s;
    timings.backstopInterval = 60s;
    auto& hid = Start(timings);
    const Bytes request = Command(0x0C);
    ASSERT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 64);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const auto before = port_.Get("kb-vendor");
        port_.Change("kb-vendor", [&](auto& c) {
            if (row.timesOut) {
                c.timeOutWrites = 1;
            } else {
                c.failWrites = 1;
                c.writeFailure = qvx::hid::HidError{row.failure, row.systemCode, false};
            }
        });
        EXPECT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), row.result);
        const auto after = port_.Get("kb-vendor");
        EXPECT_EQ(after.writeCalls - before.writeCalls, row.calls);
        EXPECT_EQ(after.opens - before.opens, row.reopened);
        // The next write goes out once, on whatever handle is right.
        EXPECT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 64);
        EXPECT_EQ(port_.Get("kb-vendor").writeCalls - after.writeCalls, 1);
    }
}

// Wine finishes a write of a numbered report and counts one byte fewer than written: the report went out
// whole, so it is sent, once, on the same handle, and the log tells of the count without a system error.
TEST_F(HidKeyboardTest, AWriteTheSystemCountsShortIsSentOnceAndLoggedWithoutASystemError) {
    port_.AddKeyboard("kb-");
    port_.Change("kb-vendor", [](auto& c) { c.shortCount = 1; });
    port_.Change("kb-indicator", [](auto& c) { c.shortCount = 1; });
    auto& hid = Start();
    (void)hid.SetVerbosity(1);
    const Bytes request = Command(0x0B);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 64);
    const auto vendor = port_.Get("kb-vendor");
    EXPECT_EQ(vendor.writeCalls, 2);
    EXPECT_EQ(vendor.opens, 1);
    const Bytes indicator{0x05, 0x01};
    EXPECT_EQ(hid.WriteStatus(kv::kIndicatorCollection, indicator.data(), indicator.size(), nullptr), 2);
    EXPECT_EQ(port_.Get("kb-indicator").writeCalls, 1);
    EXPECT_TRUE(port_.Logged("the system counted 64 of the report's 65 bytes written"));
    for (const std::string& line : port_.LogLines()) EXPECT_EQ(line.find("system error 0"), std::string::npos) << line;
}

// Wine gives only a keyboard's first top-level collection an interface: the vendor collection alone is
// listed. Commands still work, a consumer subscription simply has nothing to read, and the log says why
// the keyboard's own events never come, again when the keyboard is plugged in again.
TEST_F(HidKeyboardTest, AKeyboardListedWithoutItsConsumerCollectionWorksAndTheLogSaysSo) {
    port_.Add("kb-vendor", 0x0C45, 0x7A31, 0xFF1C, 0x0092, 65, 65);
    auto& hid = Start();
    (void)hid.SetVerbosity(1);
    const char* note = "consumer-control collection is not listed";
    Subscribe(kv::kVendorCollection, kv::kTagCtrl);
    EXPECT_FALSE(port_.Logged(note));  // nobody asked for the events yet
    Subscribe(kv::kConsumerCollection, kv::kTagCons);
    EXPECT_TRUE(port_.Logged(note));
    const Bytes request = Command(0x0A);
    EXPECT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 64);

    const auto before = port_.LogLines().size();
    port_.SetPresent("kb-vendor", false);
    ASSERT_TRUE(Eventually([&] { return hid.DeviceCount(kv::kVendorCollection) == 0; }));
    port_.SetPresent("kb-vendor", true);
    auto attached = Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl);
    for (int i = 0; i < 2 && attached && attached->countOrState == 0; ++i)
        attached = Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl);
    ASSERT_TRUE(attached && attached->countOrState != 0);
    const auto lines = port_.LogLines();
    EXPECT_TRUE(std::any_of(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end(),
                            [&](const std::string& l) { return l.find(note) != std::string::npos; }));
    EXPECT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 64);
}

// Wine tells of no removal: the reader's read fails, and opening the path again fails because the system no
// longer knows it. That is the system's word, so the listing that misses the keyboard removes it at once
// instead of waiting for a second listing a while later.
TEST_F(HidKeyboardTest, AReaderThatCannotReopenAVanishedPathMakesTheMissingListingARemoval) {
    port_.AddKeyboard("kb-");
    auto timings = FastTimings();
    timings.scanInterval = 60s;
    timings.backstopInterval = 60s;
    timings.removalConfirmDelay = 60s;
    port_.SetWatchable(false);
    Start(timings);
    Subscribe(kv::kVendorCollection, kv::kTagCtrl);
    ASSERT_TRUE(port_.WaitEveryReaderWaiting());
    port_.SetKeyboardPresent("kb-", false);
    auto state = Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->countOrState, 0u);
}

// A write whose cancelled transfer never completes leaves its handle unusable: it is not sent again, and
// the next write goes out on a new handle.
TEST_F(HidKeyboardTest, AWriteWhoseCancelNeverCompletesIsNotResentAndItsHandleIsReplaced) {
    port_.AddKeyboard("kb-");
    auto& hid = Start();
    const Bytes request = Command(0x0D);
    ASSERT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 64);
    port_.Change("kb-vendor", [](auto& c) {
        c.timeOutWrites = 1;
        c.neverCompletes = true;
    });
    const int opens = port_.Get("kb-vendor").opens;
    EXPECT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 0);
    EXPECT_EQ(port_.PendingForever(), 1);
    EXPECT_EQ(port_.Get("kb-vendor").written.size(), 2u);
    EXPECT_EQ(port_.Get("kb-vendor").opens, opens);
    EXPECT_EQ(hid.WriteReport(kv::kVendorCollection, request.data(), request.size()), 64);
    EXPECT_EQ(port_.Get("kb-vendor").written.size(), 3u);
    EXPECT_EQ(port_.Get("kb-vendor").opens, opens + 1);
}

// A slow listing (drivers installing, docking, waking) must not hold up a write, even one that has to
// open its handle first.
TEST_F(HidKeyboardTest, AWriteDoesNotWaitForAListing) {
    port_.AddKeyboard("kb-");
    auto& hid = Start();
    port_.HoldListings(true);
    struct Release {
        FakeHidPort& port;
        ~Release() { port.HoldListings(false); }
    } release{port_};
    hid.RequestRescan();
    ASSERT_TRUE(port_.WaitListingHeld());
    std::atomic<int> result{-1};
    std::thread writer([&] {
        const Bytes request = Command(0x0E);
        result = hid.WriteReport(kv::kVendorCollection, request.data(), request.size());
    });
    const bool done = Eventually([&] { return result.load() >= 0; });
    port_.HoldListings(false);
    writer.join();
    EXPECT_TRUE(done);
    EXPECT_EQ(result.load(), 64);
}

// A collection that refuses to be asked (the system keeps it) is asked again less and less often.
TEST_F(HidKeyboardTest, ACollectionThatRefusesQueriesIsNotAskedAtEveryListing) {
    port_.Add("locked", 0x0C45, 0x7A31, 0x0001, 0x0006);
    port_.Change("locked", [](auto& c) { c.refuseQuery = true; });
    port_.AddKeyboard("kb-");
    Start();
    ASSERT_TRUE(port_.WaitListings(40));
    EXPECT_LE(port_.Get("locked").queries, 8);
    EXPECT_EQ(port_.Get("kb-vendor").queries, 1);
}

// Only a listing that ran to its end says what is there, and one that misses the keyboard once is a gap;
// removal takes a second listing without it a while later, or the system's word that it was removed.
TEST_F(HidKeyboardTest, AListingThatFailsOrMissesTheKeyboardOnceIsNotARemoval) {
    struct Row {
        const char* what;
        int fail;        // listings that fail part way
        int miss;        // listings in a row without the keyboard
        bool noticed;    // the system said it was removed
        bool removed;
    };
    const Row rows[] = {
        {"listings failing part way", 3, 0, false, false},
        {"one listing without the keyboard", 0, 1, false, false},
        {"listings without it for a while", 0, 1000, false, true},
        {"the removal notice and one listing without it", 0, 1, true, true},
    };
    port_.AddKeyboard("kb-");
    auto timings = FastTimings();
    timings.removalConfirmDelay = 100ms;
    timings.scanInterval = 30ms;
    timings.backstopInterval = 30ms;
    auto& hid = Start(timings);
    Subscribe(kv::kVendorCollection, kv::kTagCtrl);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        port_.HoldListings(true);
        ASSERT_TRUE(port_.WaitListingHeld());
        if (row.fail > 0) port_.FailListings(row.fail);
        if (row.miss > 0) port_.MissFromListings("kb-", row.miss);
        if (row.noticed) hid.NoteRemoval();
        const int listings = port_.Listings();
        port_.HoldListings(false);
        bool countDropped = false;
        for (int i = 0; i < 8; ++i) {
            ASSERT_TRUE(port_.WaitListings(listings + i + 1));
            if (hid.DeviceCount(kv::kVendorCollection) == 0) countDropped = true;
        }
        EXPECT_TRUE(row.removed || !countDropped);  // the count never said the keyboard was gone
        auto state = Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl, row.removed ? 5000ms : 100ms);
        EXPECT_EQ(state.has_value(), row.removed);
        if (row.removed) {
            EXPECT_EQ(state->countOrState, 0u);
            port_.MissFromListings("kb-", 0);
            state = Inbox::Get().Take(kv::kNotifyStateChange, kv::kTagCtrl);
            ASSERT_TRUE(state);
            EXPECT_NE(state->countOrState, 0u);
        }
        EXPECT_EQ(hid.DeviceCount(kv::kVendorCollection), 1);
    }
}

// The consumer collection says which report carries its 16-bit usage: other reports carry none.
TEST_F(HidKeyboardTest, OnlyTheDeclaredConsumerReportCarriesAUsage) {
    port_.AddKeyboard("kb-");
    Start();
    Subscribe(kv::kConsumerCollection, kv::kTagCons);
    port_.Input("kb-consumer", {0x02, 0xFF, 0x02});
    port_.Input("kb-consumer", {0x03, 0x10, 0x18});
    auto other = Inbox::Get().Take(kv::kNotifyData, kv::kTagCons);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->data, (Bytes{0x02, 0xFF, 0x02}));
    EXPECT_FALSE(other->usage);
    auto event = Inbox::Get().Take(kv::kNotifyData, kv::kTagCons);
    ASSERT_TRUE(event && event->usage);
    EXPECT_EQ(*event->usage, 0x1810);
}

}  // namespace hidtest
