// The library calls the program's callback on its own thread, and the program calls back into the
// library from there (the bank switch writes the indicator report inside the callback). Neither that nor
// many callers at once while the keyboard comes and goes may deadlock or lose the library's footing.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "native/vk_harness.h"

namespace vktest {
namespace {

// What the bank switch does inside the callback: cancel the last indicator write, write the new report.
kv::HidServiceApi* gApi = nullptr;
uint32_t gIndicatorHandle = 0;
uint8_t gIndicator[2] = {0x05, 0x02};
std::atomic<int> gSwitches{0};

int KV_SERVICE_CALL SwitchingCallback(const kv::ServiceNotification* n) {
    if (n->kind == kv::kNotifyData && n->request->tag == kv::kTagCons) {
        const uint16_t* usage = kv::ConsumerUsagePointer(n->request->consumer);
        if (usage != nullptr && *usage == 0x02FF) {
            gIndicator[1] ^= 1;
            (void)gApi->DeleteRequestFromUnitId(gIndicatorHandle);
            (void)gApi->RequestStatusWrite(kIndicator.bytes, &SwitchingCallback, kv::kTagDel, gIndicator, 2,
                                           kv::CallRequestId(kIndicator, &SwitchingCallback, kv::kTagDel, gIndicator, 2),
                                           &gIndicatorHandle);
            ++gSwitches;
        }
    }
    return Inbox::Callback(n);
}

using ReentryTest = VirtualKeyboardTest;

TEST_F(ReentryTest, CallbackWritesTheBankIndicator) {
    gApi = &lib_.api;
    uint32_t handle = 0;
    (void)lib_.api.RequestAsyncRead(kConsumer.bytes, &SwitchingCallback, kv::kTagCons,
                                    kv::CallRequestId(kConsumer, &SwitchingCallback, kv::kTagCons), &handle);
    ASSERT_NE(handle, 0u);
    const int before = gSwitches;
    ASSERT_TRUE(Vk().SwitchBank());
    ASSERT_TRUE(Inbox::Get().Wait(kv::kNotifyData, kv::kTagCons));  // from SwitchingCallback, after its write
    ASSERT_TRUE(Inbox::Get().Wait(kv::kNotifyData, kv::kTagCons));  // from the harness's own subscription
    EXPECT_EQ(gSwitches, before + 1);
    std::vector<uint8_t> bank;
    ASSERT_TRUE(Vk().Dump("bank", bank));
    EXPECT_EQ(bank, (std::vector<uint8_t>{0x05, gIndicator[1]}));
    std::string mismatches;
    ASSERT_TRUE(Vk().StatusValue("request-id-mismatches", mismatches));
    EXPECT_EQ(mismatches, "0");
}

TEST_F(ReentryTest, ManyCallersWhileTheKeyboardComesAndGoes) {
    std::atomic<bool> done{false};
    std::thread flapper([&] {
        const qvx::ControlClient vk = Vk();
        for (int i = 0; i < 20; ++i) {
            (void)vk.Detach();
            (void)vk.SwitchBank();  // refused while detached
            (void)vk.Attach();
            (void)vk.SwitchBank();
            (void)vk.FailStatus(0xFE, 1);
        }
        done = true;
    });
    std::vector<std::thread> callers;
    std::atomic<int> sent{0};
    for (int t = 0; t < 4; ++t) {
        callers.emplace_back([&] {
            const Report r = MakeRequest(3, 44);
            while (!done) {
                if (Write(r) > 0) ++sent;
                (void)DeviceCount(kVendor);
            }
        });
    }
    flapper.join();
    for (auto& c : callers) c.join();
    EXPECT_GT(sent.load(), 0);
    // Still answering after all that.
    ASSERT_TRUE(Vk().ClearFaults());
    ASSERT_TRUE(Vk().Attach());
    Inbox::Get().Clear();
    auto answer = Exchange(MakeRequest(3, 44));
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)[3], 3);
}

}  // namespace
}  // namespace vktest

namespace vktest {
namespace {

std::atomic<int> g_throwingCalls{0};

int KV_SERVICE_CALL ThrowingCallback(const kv::ServiceNotification*) {
    ++g_throwingCalls;
    throw std::runtime_error("a subscriber that throws");
}

// A subscriber whose callback throws loses its notification; the library's thread, and with it every
// other subscriber and the process, goes on.
TEST_F(ReentryTest, ACallbackThatThrowsDoesNotEndTheLibrarysThread) {
    g_throwingCalls = 0;
    uint32_t handle = 0;
    const uint32_t id = kv::CallRequestId(kConsumer, &ThrowingCallback, 0x54485257);
    ASSERT_EQ(lib_.api.RequestAsyncRead(kConsumer.bytes, &ThrowingCallback, 0x54485257, id, &handle), 1);
    ASSERT_TRUE(Vk().SwitchBank());
    ASSERT_TRUE(Inbox::Get().Wait(kv::kNotifyData, kv::kTagCons, std::chrono::seconds(3)));
    ASSERT_TRUE(Vk().SwitchBank());
    EXPECT_TRUE(Inbox::Get().Wait(kv::kNotifyData, kv::kTagCons, std::chrono::seconds(3)));
    for (int i = 0; i < 300 && g_throwingCalls.load() < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(g_throwingCalls.load(), 2);
    EXPECT_TRUE(Exchange(MakeRequest(3, 1)).has_value());
}

}  // namespace
}  // namespace vktest
