// The virtual keyboard through the library's twelve exports, loaded with dlopen as the program loads it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "native/vk_harness.h"

namespace vktest {
namespace {

constexpr uint8_t kReadInfo = 3, kWriteInfo = 4, kReadLighting = 5, kWriteLighting = 6, kReadKeyTable = 7,
                  kWriteKeyTable = 8, kReadDefault = 15, kBegin = 1, kEnd = 2;

using ExportsTest = VirtualKeyboardTest;

TEST_F(ExportsTest, ExportsExactlyTheTwelveNames) {
    // Every name binds (SetUp); a name outside the twelve does not leak out of the library.
    EXPECT_EQ(dlsym(lib_.handle, "_ZN3qvx13CreateBackendEv"), nullptr);
    EXPECT_EQ(dlsym(lib_.handle, "_ZN2kv13MakeRequestIdEjPKvm"), nullptr);
}

TEST_F(ExportsTest, AnswersOnTheCtrlSubscription) {
    // The single-report write says 1 for a sent report: the firmware update compares it with 1.
    EXPECT_EQ(Write(MakeRequest(kReadInfo, 44)), 1);
    ASSERT_TRUE(Inbox::Get().Wait(kv::kNotifyData, kv::kTagCtrl));
    auto answer = Exchange(MakeRequest(kReadInfo, 44));
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)[0], 4);
    EXPECT_EQ((*answer)[3], kReadInfo);
    EXPECT_EQ((*answer)[7], 0);
    EXPECT_EQ((*answer)[8 + 8], 0x03);  // firmware 0x0103, little-endian
    EXPECT_EQ((*answer)[8 + 9], 0x01);
    EXPECT_EQ((*answer)[8 + 11], 255);  // macro capacity
    EXPECT_EQ((*answer)[8 + 12], 1);    // first offered effect
}

TEST_F(ExportsTest, DeviceCountPerSelector) {
    EXPECT_EQ(DeviceCount(kVendor), 1);
    EXPECT_EQ(DeviceCount(kConsumer), 1);
    EXPECT_EQ(DeviceCount(kIndicator), 1);
    const kv::Selector unknown = kv::MakeSelector({0x0001, 0x0006});
    EXPECT_EQ(DeviceCount(unknown), 0);
    kv::Selector otherProduct = kVendor;
    otherProduct.bytes[6] ^= 0xFF;
    EXPECT_EQ(DeviceCount(otherProduct), 0);

    ASSERT_TRUE(Vk().Detach());
    EXPECT_EQ(DeviceCount(kVendor), 0);
    EXPECT_EQ(DeviceCount(kConsumer), 0);
    EXPECT_EQ(DeviceCount(kIndicator), 0);
}

TEST_F(ExportsTest, AttachAndDetachReachEverySubscriber) {
    ASSERT_TRUE(Vk().Detach());
    for (uint32_t tag : {kv::kTagCtrl, kv::kTagCons}) {
        auto e = Inbox::Get().Wait(kv::kNotifyStateChange, tag);
        ASSERT_TRUE(e) << std::hex << tag;
        EXPECT_EQ(e->countOrState, 0u);
    }
    EXPECT_EQ(Write(MakeRequest(kReadInfo, 44)), 0) << "a detached keyboard takes no writes";

    ASSERT_TRUE(Vk().Attach());
    auto e = Inbox::Get().Wait(kv::kNotifyStateChange, kv::kTagCtrl);
    ASSERT_TRUE(e);
    EXPECT_NE(e->countOrState, 0u);
    EXPECT_TRUE(Exchange(MakeRequest(kReadInfo, 44)));
}

TEST_F(ExportsTest, ConsumerEventsCarryTheirUsage) {
    const qvx::ControlClient vk = Vk();
    ASSERT_TRUE(vk.SwitchBank());
    ASSERT_TRUE(vk.LightingChanged());
    ASSERT_TRUE(vk.Busy(true));
    ASSERT_TRUE(vk.Busy(false));
    ASSERT_TRUE(vk.Consumer(0x1801));
    for (uint16_t expected : {0x02FF, 0x0401, 0x1811, 0x1810, 0x1801}) {
        auto e = Inbox::Get().Wait(kv::kNotifyData, kv::kTagCons);
        ASSERT_TRUE(e);
        ASSERT_TRUE(e->usage);
        EXPECT_EQ(*e->usage, expected);
    }
    EXPECT_FALSE(Inbox::Get().Wait(kv::kNotifyData, kv::kTagCtrl, std::chrono::milliseconds(50)))
        << "consumer events stay off the vendor subscription";
}

TEST_F(ExportsTest, BankIndicatorIsStoredLoggedAndReadBack) {
    const uint8_t report[2] = {0x05, 0x03};
    uint32_t handle = 0;
    const uint32_t id = kv::CallRequestId(kIndicator, &Inbox::Callback, kv::kTagDel, report, 2);
    EXPECT_GT(lib_.api.RequestStatusWrite(kIndicator.bytes, &Inbox::Callback, kv::kTagDel, report, 2, id, &handle), 0);
    EXPECT_NE(handle, 0u);

    uint8_t back[2] = {};
    EXPECT_EQ(lib_.api.RequestStatusGet(kIndicator.bytes, nullptr, 0, back, 2, kv::CallRequestId(kIndicator, nullptr, 0),
                                        nullptr),
              2);
    EXPECT_EQ(back[1], 0x03);

    std::vector<uint8_t> bank;
    ASSERT_TRUE(Vk().Dump("bank", bank));
    EXPECT_EQ(bank, (std::vector<uint8_t>{0x05, 0x03}));
    std::vector<std::vector<uint8_t>> written;
    ASSERT_TRUE(Vk().Reports("indicator:", written));
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0], (std::vector<uint8_t>{0x05, 0x03}));
}

TEST_F(ExportsTest, CancelledSubscriptionHearsNothingMore) {
    EXPECT_EQ(lib_.api.DeleteRequestFromUnitId(consHandle_), 1);
    ASSERT_TRUE(Vk().SwitchBank());
    EXPECT_FALSE(Inbox::Get().Wait(kv::kNotifyData, kv::kTagCons, std::chrono::milliseconds(200)));
    // Resubscribing brings events back, under a new handle.
    const uint32_t old = consHandle_;
    Subscribe(kConsumer, kv::kTagCons, consHandle_);
    EXPECT_NE(consHandle_, old);
    ASSERT_TRUE(Vk().SwitchBank());
    EXPECT_TRUE(Inbox::Get().Wait(kv::kNotifyData, kv::kTagCons));
}

TEST_F(ExportsTest, RequestIdMismatchesAreCountedNotRefused) {
    const Report r = MakeRequest(kReadInfo, 44);
    const uint32_t wrong = kv::CallRequestId(kVendor, nullptr, 0, r.data(), r.size()) + 1;
    EXPECT_GT(lib_.api.RequestWriteOne(kVendor.bytes, nullptr, 0, r.data(), 64, wrong, 0), 0);
    EXPECT_TRUE(Inbox::Get().Wait(kv::kNotifyData, kv::kTagCtrl));
    std::string count;
    ASSERT_TRUE(Vk().StatusValue("request-id-mismatches", count));
    EXPECT_EQ(count, "1");
    // The correct identifiers of SetUp's subscriptions and of a normal exchange count nothing.
    ASSERT_TRUE(Exchange(r));
    ASSERT_TRUE(Vk().StatusValue("request-id-mismatches", count));
    EXPECT_EQ(count, "1");
}

TEST_F(ExportsTest, BootModeDetachesTheKeyboard) {
    Report boot{};
    boot[0] = 4;
    boot[3] = 0xEE;
    boot[4] = 0xEE;  // no checksum
    EXPECT_GT(Write(boot), 0);
    auto e = Inbox::Get().Wait(kv::kNotifyStateChange, kv::kTagCtrl);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->countOrState, 0u);
    EXPECT_FALSE(Inbox::Get().Wait(kv::kNotifyData, kv::kTagCtrl, std::chrono::milliseconds(100)));
    EXPECT_EQ(DeviceCount(kVendor), 0);
    std::string mode;
    ASSERT_TRUE(Vk().StatusValue("boot-mode", mode));
    EXPECT_EQ(mode, "yes");

    ASSERT_TRUE(Vk().Attach());
    EXPECT_EQ(DeviceCount(kVendor), 1);
    ASSERT_TRUE(Vk().StatusValue("boot-mode", mode));
    EXPECT_EQ(mode, "no");
}

TEST_F(ExportsTest, MemoryPersistsAcrossInitAndEnd) {
    const std::vector<uint8_t> colour = {0x00, 0x7E, 0xFF};
    ASSERT_EQ((*Exchange(MakeRequest(kBegin)))[7], 0);
    ASSERT_EQ((*Exchange(MakeRequest(kWriteLighting, 3, 2 * 42 + 5, colour)))[7], 0);
    ASSERT_EQ((*Exchange(MakeRequest(kEnd)))[7], 0);
    std::vector<uint8_t> info(44);
    auto a = Exchange(MakeRequest(kReadInfo, 44));
    ASSERT_TRUE(a);
    std::copy(a->begin() + 8, a->begin() + 52, info.begin());
    info[10] = 2;
    ASSERT_EQ((*Exchange(MakeRequest(kWriteInfo, 44, 0, info)))[7], 0);
    Stop();
    ASSERT_TRUE(std::filesystem::exists(StatePath()));
    EXPECT_FALSE(std::filesystem::exists(StatePath() + ".tmp"));

    Start();
    auto lighting = Exchange(MakeRequest(kReadLighting, 56, 84));
    ASSERT_TRUE(lighting);
    EXPECT_EQ((*lighting)[7], 0) << "a 56-byte read of profile 2's record runs past the area and still answers";
    EXPECT_EQ(std::vector<uint8_t>(lighting->begin() + 13, lighting->begin() + 16), colour);
    EXPECT_EQ((*Exchange(MakeRequest(kReadInfo, 44)))[8 + 10], 2);
}

TEST_F(ExportsTest, DamagedStateFileFallsBackToFactoryMemory) {
    ASSERT_TRUE(Vk().SetProfile(1));
    ASSERT_TRUE(Vk().Save());
    Stop();
    {
        std::FILE* f = std::fopen(StatePath().c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        std::fseek(f, 40, SEEK_SET);
        std::fputc(0x5A, f);
        std::fclose(f);
    }
    Start();
    EXPECT_EQ((*Exchange(MakeRequest(kReadInfo, 44)))[8 + 10], 0);

    Stop();
    std::filesystem::resize_file(StatePath(), 100);
    Start();
    EXPECT_EQ((*Exchange(MakeRequest(kReadInfo, 44)))[8 + 10], 0);
}

// Faults injected over the control channel, each seen through the exports as the program would see it.
TEST_F(ExportsTest, Faults) {
    const qvx::ControlClient vk = Vk();
    const Report readDefault = MakeRequest(kReadDefault, 56, 0);

    ASSERT_TRUE(vk.DropAnswers(1));
    EXPECT_FALSE(Exchange(readDefault, std::chrono::milliseconds(300))) << "dropped";
    EXPECT_TRUE(Exchange(readDefault)) << "only one answer dropped";

    ASSERT_TRUE(vk.WrongEcho(1));
    auto a = Exchange(readDefault);
    ASSERT_TRUE(a);
    EXPECT_NE((*a)[3], kReadDefault);
    EXPECT_EQ((*Exchange(readDefault))[3], kReadDefault);

    ASSERT_TRUE(vk.FailStatus(0xFE, 2));
    const std::vector<uint8_t> code = {0x02, 0x02, 0x04};
    const Report write = MakeRequest(kWriteKeyTable, 3, 0, code);
    EXPECT_EQ((*Exchange(write))[7], 0xFE);
    EXPECT_EQ((*Exchange(write))[7], 0xFE);
    std::vector<uint8_t> table;
    ASSERT_TRUE(vk.Dump("keytable 0", table));
    EXPECT_NE(std::vector<uint8_t>(table.begin(), table.begin() + 3), code) << "a refused command changes nothing";
    EXPECT_EQ((*Exchange(write))[7], 0);
    ASSERT_TRUE(vk.Dump("keytable 0", table));
    EXPECT_EQ(std::vector<uint8_t>(table.begin(), table.begin() + 3), code);

    ASSERT_TRUE(vk.RefuseWrites(2));
    EXPECT_EQ(Write(readDefault), 0);
    EXPECT_EQ(Write(readDefault), 0);
    EXPECT_GT(Write(readDefault), 0);
    EXPECT_TRUE(Inbox::Get().Wait(kv::kNotifyData, kv::kTagCtrl));

    ASSERT_TRUE(vk.SendStray(2));
    for (int i = 0; i < 2; ++i) {
        auto stray = Inbox::Get().Wait(kv::kNotifyData, kv::kTagCtrl);
        ASSERT_TRUE(stray);
        EXPECT_EQ(stray->data.size(), 64u);
        EXPECT_EQ(stray->data[3], 0);
    }

    ASSERT_TRUE(vk.DelayAnswers(150));
    EXPECT_FALSE(Exchange(readDefault, std::chrono::milliseconds(20))) << "not yet";
    EXPECT_TRUE(Inbox::Get().Wait(kv::kNotifyData, kv::kTagCtrl)) << "late but there";

    ASSERT_TRUE(vk.ClearFaults());
    ASSERT_TRUE(vk.DropAnswers(qvx::ControlClient::kAlways));
    EXPECT_FALSE(Exchange(readDefault, std::chrono::milliseconds(100)));
    EXPECT_FALSE(Exchange(readDefault, std::chrono::milliseconds(100)));
    ASSERT_TRUE(vk.ClearFaults());
    EXPECT_TRUE(Exchange(readDefault));
}

// With 1 ms per report and direction, a write returns once its report has left and the answer comes one
// bus time after the command arrived: never sooner, whoever's thread runs the command. Commands written at
// once from several threads run in the order they were sent, and their answers come back in that order.
TEST_F(ExportsTest, TimingModelNeverAnswersEarlyAndKeepsTheSendOrder) {
    using Clock = std::chrono::steady_clock;
    const qvx::ControlClient vk = Vk();
    ASSERT_TRUE(vk.SetUsbMicros(1000));
    const Report readDefault = MakeRequest(kReadDefault, 56, 0);
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        ASSERT_GT(Write(readDefault), 0);
        EXPECT_GE(Clock::now() - start, std::chrono::microseconds(1000)) << "the write returned before the report left";
        ASSERT_TRUE(Inbox::Get().Wait(kv::kNotifyData, kv::kTagCtrl));
        EXPECT_GE(Clock::now() - start, std::chrono::microseconds(2000)) << "answered sooner than the bus allows";
    }

    ASSERT_TRUE(vk.ClearLog());
    constexpr int kWriters = 4;
    std::vector<std::thread> writers;
    for (int i = 0; i < kWriters; ++i)
        writers.emplace_back([this, i] {
            const std::vector<uint8_t> code = {0x02, 0x02, static_cast<uint8_t>(0x10 + i)};
            EXPECT_GT(Write(MakeRequest(kWriteKeyTable, 3, static_cast<uint16_t>(3 * i), code)), 0);
        });
    for (std::thread& t : writers) t.join();
    std::vector<uint8_t> answered;
    for (int i = 0; i < kWriters; ++i) {
        auto a = Inbox::Get().Wait(kv::kNotifyData, kv::kTagCtrl);
        ASSERT_TRUE(a);
        EXPECT_EQ(a->data[7], 0);
        answered.push_back(a->data[5]);  // the answer echoes the offset
    }
    std::vector<std::vector<uint8_t>> sent;
    ASSERT_TRUE(vk.Reports("vendor", sent));
    ASSERT_EQ(sent.size(), static_cast<std::size_t>(kWriters));
    std::vector<uint8_t> sentOrder;
    for (const auto& r : sent) sentOrder.push_back(r[5]);
    EXPECT_EQ(answered, sentOrder) << "answers come in the order the commands were sent";
    std::vector<uint8_t> table;
    ASSERT_TRUE(vk.Dump("keytable 0", table));
    for (int i = 0; i < kWriters; ++i) EXPECT_EQ(table[3 * i + 2], 0x10 + i) << "every command ran";
    ASSERT_TRUE(vk.SetUsbMicros(0));
}

TEST_F(ExportsTest, ControlChannelRejectsBadCommands) {
    const qvx::ControlClient vk = Vk();
    for (const char* line : {"frobnicate", "fault status 12 1", "set profile 3", "set capacity 256", "dump keytable 3",
                             "busy maybe", "consumer 0x10000", ""}) {
        const qvx::ControlReply reply = vk.Command(line);
        EXPECT_TRUE(reply.delivered) << line;
        EXPECT_FALSE(reply.ok) << line;
        EXPECT_FALSE(reply.error.empty()) << line;
    }
    EXPECT_FALSE(qvx::ControlClient(channel_ + "-nobody").Command("status").delivered);
}

TEST_F(ExportsTest, ConfigurationChangesShowInTheInformationBlock) {
    const qvx::ControlClient vk = Vk();
    ASSERT_TRUE(vk.SetFirmware(0x0099));
    ASSERT_TRUE(vk.SetCapacity(4));
    ASSERT_TRUE(vk.SetEffects({1, 2, 20}));
    ASSERT_TRUE(vk.SetProfile(1));
    auto a = Exchange(MakeRequest(kReadInfo, 44));
    ASSERT_TRUE(a);
    EXPECT_EQ((*a)[8 + 8], 0x99);
    EXPECT_EQ((*a)[8 + 9], 0x00);
    EXPECT_EQ((*a)[8 + 10], 1);
    EXPECT_EQ((*a)[8 + 11], 4);
    EXPECT_EQ(std::vector<uint8_t>(a->begin() + 20, a->begin() + 24), (std::vector<uint8_t>{1, 2, 20, 0}));
    // The macro area shrank to 4 × 128 bytes.
    EXPECT_EQ((*Exchange(MakeRequest(9, 16, 512 - 16)))[7], 0);
    EXPECT_EQ((*Exchange(MakeRequest(9, 16, 512)))[7], 0xFF);

    ASSERT_TRUE(vk.Reset());
    EXPECT_EQ((*Exchange(MakeRequest(kReadInfo, 44)))[8 + 8], 0x03);
}

TEST_F(ExportsTest, KeyTablesStartAsCopiesOfTheDefault) {
    std::vector<uint8_t> def, tables;
    ASSERT_TRUE(Vk().Dump("default", def));
    ASSERT_TRUE(Vk().Dump("keytables", tables));
    ASSERT_EQ(def.size(), 378u);
    ASSERT_EQ(tables.size(), 3 * 378u);
    for (int p = 0; p < 3; ++p) EXPECT_TRUE(std::equal(def.begin(), def.end(), tables.begin() + p * 378)) << p;
    auto a = Exchange(MakeRequest(kReadKeyTable, 56, 2 * 378 + 336));
    ASSERT_TRUE(a);
    EXPECT_TRUE(std::equal(def.begin() + 336, def.end(), a->begin() + 8));

    ASSERT_TRUE(Vk().SetMatrix("builtin"));
    ASSERT_TRUE(Vk().Dump("default", def));
    EXPECT_EQ(std::vector<uint8_t>(def.begin(), def.begin() + 3), (std::vector<uint8_t>{0x05, 0x00, 0x00}));
}

// The kvsim command: its exit code tells the keyboard's answer (0 done, 1 refused, 2 nobody listens).
TEST_F(ExportsTest, KvsimCommandLine) {
    const std::string kvsim = (ExecutableFolder() / "kvsim").string();
    auto run = [&](const std::string& args) {
        const int status = std::system((kvsim + " --channel " + args + " >/dev/null 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run(channel_ + " detach"), 0);
    EXPECT_EQ(DeviceCount(kVendor), 0);
    EXPECT_EQ(run(channel_ + " set profile 9"), 1);
    EXPECT_EQ(run(channel_ + "-nobody status"), 2);
    const std::string script = (dir_ / "commands.txt").string();
    {
        std::FILE* f = std::fopen(script.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("# a person's list of commands\nattach\nset profile 2\n", f);
        std::fclose(f);
    }
    EXPECT_EQ(run(channel_ + " - <" + script), 0);
    EXPECT_EQ(DeviceCount(kVendor), 1);
    std::string profile;
    ASSERT_TRUE(Vk().StatusValue("profile", profile));
    EXPECT_EQ(profile, "2");
}

class DetachedStartTest : public VirtualKeyboardTest {
    void ConfigureEnvironment() override { setenv("KELVANE_VK_ATTACHED", "0", 1); }
};

TEST_F(DetachedStartTest, StartsDetachedWhenAsked) {
    EXPECT_EQ(DeviceCount(kVendor), 0);
    EXPECT_EQ(Write(MakeRequest(kReadInfo, 44)), 0);
    ASSERT_TRUE(Vk().Attach());
    EXPECT_EQ(DeviceCount(kVendor), 1);
}

}  // namespace
}  // namespace vktest
