// The binding sequence over the in-process service, the routing of notifications, and the bank indicator.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "device/bank_indicator.h"
#include "device/device_events.h"
#include "device/exchange.h"
#include "device/hid_binding.h"
#include "device/request_id.h"
#include "device/service_link.h"
#include "device/service_notification.h"
#include "fake_hid_service.h"

namespace kv {
namespace {

using test::FakeHidService;

struct RecordingSink : DeviceEventSink {
    std::vector<int> initial;
    std::vector<uint32_t> states;
    std::vector<uint16_t> codes;
    void OnInitialPresence(int count) override { initial.push_back(count); }
    void OnPresenceChanged(uint32_t state) override { states.push_back(state); }
    void OnConsumerEvent(uint16_t code) override { codes.push_back(code); }
};

class HidBinding : public ::testing::Test {
protected:
    void SetUp() override { SetDeviceEventSink(&sink); }
    void TearDown() override { SetDeviceEventSink(nullptr); }

    BindResult Bind(const HidServiceApi& api) {
        return BindServiceApi(api, [this](const BindResult& r) { failures.push_back(r); });
    }

    FakeHidService fake;
    RecordingSink sink;
    std::vector<BindResult> failures;
};

TEST_F(HidBinding, SequenceSubscribesConsThenCtrlAndHandsOverThePresence) {
    fake.deviceCount = 2;
    const BindResult result = Bind(fake.Api());
    ASSERT_EQ(result.status, BindStatus::Bound);
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(result.deviceCount, 2);
    EXPECT_EQ(sink.initial, std::vector<int>{2});
    EXPECT_EQ(fake.InitCalls(), 1);

    const auto subs = fake.Subscriptions();
    ASSERT_EQ(subs.size(), 2u);
    EXPECT_EQ(subs[0].tag, kTagCons);
    EXPECT_EQ(subs[0].collection.usagePage, kConsumerCollection.usagePage);
    EXPECT_EQ(subs[0].collection.usage, kConsumerCollection.usage);
    EXPECT_EQ(subs[0].identifier, CallRequestId(kConsumerSelector, &OnServiceNotification, kTagCons));
    EXPECT_EQ(subs[1].tag, kTagCtrl);
    EXPECT_EQ(subs[1].collection.usagePage, kVendorCollection.usagePage);
    EXPECT_EQ(subs[1].identifier, CallRequestId(kVendorSelector, &OnServiceNotification, kTagCtrl));
    EXPECT_EQ(subs[0].callback, &OnServiceNotification);
    // Each subscription first cancels the request of its current handle (0 before the first).
    EXPECT_EQ(fake.DeletedHandles(), (std::vector<uint32_t>{0, 0}));
    EXPECT_EQ(fake.CountIdentifiers(), std::vector<uint32_t>{5290u});
    EXPECT_EQ(BankIndicatorReport(), kBankIndicatorStart);

    // Subscribing again cancels the current request and passes a pointer to the same handle.
    const uint32_t ctrlHandle = AnswerSubscriptionHandle();
    EXPECT_NE(ctrlHandle, 0u);
    SubscribeAnswers();
    const auto again = fake.Subscriptions();
    ASSERT_EQ(again.size(), 3u);
    EXPECT_EQ(fake.DeletedHandles().back(), ctrlHandle);
    EXPECT_EQ(again[2].handleBefore, ctrlHandle);
    EXPECT_EQ(again[2].handle, again[1].handle);
}

TEST_F(HidBinding, FailuresStopTheSequenceAndCallTheExitAction) {
    fake.initResult = 0;
    BindResult result = Bind(fake.Api());
    EXPECT_EQ(result.status, BindStatus::InitFailed);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].status, BindStatus::InitFailed);
    EXPECT_TRUE(fake.Subscriptions().empty());
    EXPECT_TRUE(sink.initial.empty());
    EXPECT_FALSE(IsServiceBound());
    EXPECT_EQ(IsDevicePresent(), 0);  // nothing usable is left behind

    HidServiceApi incomplete = fake.Api();
    incomplete.RequestStatusGet = nullptr;  // never called, but required
    fake.initResult = 1;
    result = Bind(incomplete);
    EXPECT_EQ(result.status, BindStatus::ExportMissing);
    EXPECT_EQ(result.detail, "RequestStatusGet");
    EXPECT_EQ(fake.InitCalls(), 1);  // Init is not reached
    EXPECT_EQ(DescribeBindResult(result), "the HID service library lacks the export RequestStatusGet");
}

TEST_F(HidBinding, TheProgramsFailureActionEndsTheProcessSilentlyWithCodeZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    HidServiceApi incomplete = fake.Api();
    incomplete.RequestStatusGet = nullptr;
    EXPECT_EXIT((void)BindServiceApi(incomplete), ::testing::ExitedWithCode(0), "^$");
    fake.initResult = -1;
    EXPECT_EXIT((void)BindServiceApi(fake.Api()), ::testing::ExitedWithCode(0), "^$");
}

TEST_F(HidBinding, ExportsAreResolvedByName) {
    std::map<std::string, ServiceProc> exports;
    const HidServiceApi api = fake.Api();
    exports["Init"] = reinterpret_cast<ServiceProc>(api.Init);
    HidServiceApi out;
    std::vector<std::string> asked;
    BindResult r = ResolveServiceExports(
        [&](const char* name) {
            asked.emplace_back(name);
            auto it = exports.find(name);
            return it == exports.end() ? nullptr : it->second;
        },
        out);
    EXPECT_EQ(r.status, BindStatus::ExportMissing);
    EXPECT_EQ(r.detail, "End");
    EXPECT_EQ(asked.size(), 12u);
    EXPECT_EQ(reinterpret_cast<void*>(out.Init), reinterpret_cast<void*>(api.Init));
    for (int i = 0; i < 12; ++i) EXPECT_EQ(asked[i], kServiceExportNames[i]);
}

TEST_F(HidBinding, NotificationsGoToTheAnswerPathOrTheSink) {
    ASSERT_EQ(Bind(fake.Api()).status, BindStatus::Bound);
    fake.DeliverStateChange(1);
    fake.DeliverStateChange(0);
    fake.DeliverConsumerCode(0x02FF);
    EXPECT_EQ(sink.states, (std::vector<uint32_t>{1, 0}));
    EXPECT_EQ(sink.codes, std::vector<uint16_t>{0x02FF});

    // A record of another kind, a state change on "CONS", or data without a record are ignored.
    const ServiceRequestRecord cons{kTagCons, 1, nullptr, nullptr};
    const ServiceNotification consState{kNotifyStateChange, 0, &cons};
    const ServiceRequestRecord ctrl{kTagCtrl, 1, nullptr, nullptr};
    const ServiceNotification other{7, 0, &ctrl};
    const ServiceNotification empty{kNotifyData, 0, nullptr};
    EXPECT_EQ(OnServiceNotification(&consState), 1);
    EXPECT_EQ(OnServiceNotification(&other), 1);
    EXPECT_EQ(OnServiceNotification(&empty), 1);
    EXPECT_EQ(OnServiceNotification(nullptr), 1);
    EXPECT_EQ(sink.states.size(), 2u);
    EXPECT_EQ(sink.codes.size(), 1u);
}

TEST_F(HidBinding, BankIndicatorTogglesAndRewritesThroughItsHandle) {
    ASSERT_EQ(Bind(fake.Api()).status, BindStatus::Bound);
    EXPECT_EQ(ToggleGKeyBank(), 1);
    EXPECT_EQ(ToggleGKeyBank(), 0);
    const auto writes = fake.StatusWrites();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].data, (std::vector<uint8_t>{0x05, 0x03}));
    EXPECT_EQ(writes[0].tag, kTagDel);
    EXPECT_EQ(writes[0].collection.usagePage, kIndicatorCollection.usagePage);
    EXPECT_EQ(writes[0].collection.usage, kIndicatorCollection.usage);
    EXPECT_EQ(writes[0].handleBefore, 0u);
    const uint8_t report[2] = {0x05, 0x03};
    EXPECT_EQ(writes[0].identifier, CallRequestId(kIndicatorSelector, &OnServiceNotification, kTagDel, report, 2));
    EXPECT_EQ(writes[1].data, (std::vector<uint8_t>{0x05, 0x02}));
    EXPECT_NE(writes[1].handleBefore, 0u);
    EXPECT_EQ(fake.DeletedHandles().back(), writes[1].handleBefore);
}

}  // namespace
}  // namespace kv
