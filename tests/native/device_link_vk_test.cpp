// The device link against the virtual keyboard: libquorvex.so bound from the test program's folder exactly as
// the program binds it, each test with its own keyboard state file and control channel.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "app/current_profile.h"
#include "control_client.h"
#include "device/bank_indicator.h"
#include "device/commands.h"
#include "device/keyboard_bracket.h"
#include "device/device_events.h"
#include "device/exchange.h"
#include "device/hid_binding.h"
#include "device/service_link.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using qvx::ControlClient;

struct PresenceSink : DeviceEventSink {
    std::mutex mutex;
    std::vector<uint32_t> states;
    std::vector<uint16_t> codes;
    void OnPresenceChanged(uint32_t state) override {
        std::lock_guard lock(mutex);
        states.push_back(state);
    }
    void OnConsumerEvent(uint16_t code) override {
        std::lock_guard lock(mutex);
        codes.push_back(code);
    }
    template <typename T>
    bool WaitFor(std::vector<T>& list, T value) {
        for (int i = 0; i < 300; ++i) {
            {
                std::lock_guard lock(mutex);
                if (std::find(list.begin(), list.end(), value) != list.end()) return true;
            }
            usleep(10000);
        }
        return false;
    }
};

class DeviceLinkOnVirtualKeyboard : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kv-link-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        static std::atomic<int> counter{0};
        channel_ = "kv-link-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        setenv("KELVANE_VK_STATE", (folder_ / "vk.state").c_str(), 1);
        setenv("KELVANE_VK_CHANNEL", channel_.c_str(), 1);
        unsetenv("KELVANE_VK_USB_US");
        ResetServiceLink();
        SetDeviceEventSink(&sink_);
        const BindResult bound = BindHidService([](const BindResult& r) { ADD_FAILURE() << DescribeBindResult(r); });
        ASSERT_EQ(bound.status, BindStatus::Bound);
        EXPECT_EQ(bound.deviceCount, 1);
        vk_ = ControlClient(channel_);
        ASSERT_TRUE(vk_.ClearLog());
    }
    void TearDown() override {
        CloseKeyboardBracket();  // a case that sent a begin alone leaves no bracket to the next
        // Tests share one process: stop the keyboard so that the next test starts its own.
        if (IsServiceBound()) (void)ServiceApi().End();
        SetDeviceEventSink(nullptr);
        ResetServiceLink();
        SetCurrentProfile(0);
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    std::vector<std::vector<uint8_t>> VendorReports() {
        std::vector<std::vector<uint8_t>> reports;
        EXPECT_TRUE(vk_.Reports("vendor:", reports));
        return reports;
    }
    std::vector<uint8_t> Dump(const std::string& area) {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(vk_.Dump(area, bytes)) << area;
        return bytes;
    }
    void ExpectNoIdentifierMismatch() {
        std::string mismatches;
        ASSERT_TRUE(vk_.StatusValue("request-id-mismatches", mismatches));
        EXPECT_EQ(mismatches, "0");
    }

    fs::path folder_;
    std::string channel_;
    ControlClient vk_{"unused"};
    PresenceSink sink_;
};

TEST_F(DeviceLinkOnVirtualKeyboard, EveryAreaIsWrittenAndReadBack) {
    uint8_t info[kInfoSize] = {};
    ASSERT_EQ(ReadInfo(info), kResultSuccess);
    EXPECT_EQ(std::vector<uint8_t>(info, info + kInfoSize), Dump("info"));

    ASSERT_EQ(SendBegin(), kResultSuccess);
    for (unsigned p = 0; p < 3; ++p) {
        uint8_t table[kKeyTableSize];
        std::iota(table, table + kKeyTableSize, static_cast<uint8_t>(p * 40));
        ASSERT_EQ(WriteKeyTable(table, p), kResultSuccess);
        uint8_t back[kKeyTableSize] = {};
        ASSERT_EQ(ReadKeyTable(back, p), kResultSuccess);
        EXPECT_TRUE(std::equal(table, table + kKeyTableSize, back)) << "profile " << p;
        EXPECT_EQ(std::vector<uint8_t>(table, table + kKeyTableSize), Dump("keytable " + std::to_string(p)));
    }

    const std::size_t capacity = info[kInfoCapacityOffset] * 128u;
    ASSERT_GE(capacity, 1000u);
    std::vector<uint8_t> macros(1000);
    for (std::size_t i = 0; i < macros.size(); ++i) macros[i] = static_cast<uint8_t>(i * 13 + 1);
    ASSERT_EQ(WriteMacroArea(macros.data(), macros.size()), kResultSuccess);
    std::vector<uint8_t> macrosBack(macros.size());
    ASSERT_EQ(ReadMacroArea(macrosBack.data(), macrosBack.size()), kResultSuccess);
    EXPECT_EQ(macrosBack, macros);
    EXPECT_EQ(Dump("macros 1000"), macros);

    const uint8_t field[3] = {0x11, 0x22, 0x33};
    ASSERT_EQ(WriteLighting(field, 3, 42 + 4), kResultSuccess);
    uint8_t record[kPayloadSize] = {};
    ASSERT_EQ(ReadLighting(record, 56, 42), kResultSuccess);
    EXPECT_EQ(record[4], 0x11);
    EXPECT_EQ(record[6], 0x33);

    SetCurrentProfile(1);
    ASSERT_EQ(WriteKeyColors(field, 3, 5), kResultSuccess);
    const std::vector<uint8_t> colours = Dump("colors 1");
    ASSERT_GE(colours.size(), 18u);
    EXPECT_EQ(colours[15], 0x11);
    EXPECT_EQ(colours[17], 0x33);
    ASSERT_EQ(SendEnd(), kResultSuccess);

    uint8_t defaults[kKeyTableSize] = {};
    ASSERT_EQ(ReadDefaultKeyTable(defaults), kResultSuccess);
    EXPECT_EQ(std::vector<uint8_t>(defaults, defaults + kKeyTableSize), Dump("default"));

    ExpectNoIdentifierMismatch();
}

TEST_F(DeviceLinkOnVirtualKeyboard, ProfileSwitchWritesTheInformationBlock) {
    ASSERT_TRUE(vk_.SetProfile(0));
    EXPECT_EQ(GetDeviceProfile(), 0);
    EXPECT_EQ(WriteDeviceProfile(2), kResultSuccess);
    EXPECT_EQ(Dump("info")[kInfoProfileOffset], 2);
    EXPECT_EQ(GetDeviceProfile(), 2);
}

// A write bracket on one thread while two others read: their reports wait until its end, and what it
// wrote stays written.
TEST_F(DeviceLinkOnVirtualKeyboard, OtherThreadsNeverReachTheKeyboardInsideABracket) {
    ASSERT_TRUE(vk_.DelayAnswers(40));  // a write long enough for the readers to come in the middle
    std::array<std::array<uint8_t, kKeyTableSize>, 3> tables{};
    for (unsigned p = 0; p < 3; ++p) std::iota(tables[p].begin(), tables[p].end(), static_cast<uint8_t>(p * 50 + 7));
    std::vector<uint8_t> macros(1000);
    std::iota(macros.begin(), macros.end(), uint8_t{3});
    std::atomic<bool> begun{false};
    int results = 0;
    std::thread writer([&] {
        results += SendBegin() == kResultSuccess;
        begun.store(true);
        for (unsigned p = 0; p < 3; ++p) results += WriteKeyTable(tables[p].data(), p) == kResultSuccess;
        results += WriteMacroArea(macros.data(), macros.size()) == kResultSuccess;
        results += SendEnd() == kResultSuccess;
    });
    while (!begun.load()) std::this_thread::yield();
    int infoResult = 0;
    std::thread reader([&] {
        uint8_t record[kPayloadSize] = {};
        infoResult = ReadLighting(record, 42, 0);
    });
    uint8_t info[kInfoSize] = {};
    EXPECT_EQ(ReadInfo(info), kResultSuccess);
    reader.join();
    writer.join();
    ASSERT_TRUE(vk_.DelayAnswers(0));
    EXPECT_EQ(infoResult, kResultSuccess);
    EXPECT_EQ(results, 6);

    std::vector<uint8_t> commands;
    for (const auto& r : VendorReports())
        if (r.size() > 3) commands.push_back(r[3]);
    const auto begin = std::find(commands.begin(), commands.end(), CMD_BEGIN);
    const auto end = std::find(begin, commands.end(), CMD_END);
    ASSERT_NE(end, commands.end());
    EXPECT_TRUE(std::all_of(begin + 1, end, [](uint8_t c) { return c == CMD_WRITE_KEYTABLE || c == CMD_WRITE_MACROS; }));
    EXPECT_EQ(std::count(commands.begin(), commands.end(), CMD_READ_INFO), 1);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), CMD_READ_LIGHTING), 1);
    for (unsigned p = 0; p < 3; ++p)
        EXPECT_EQ(Dump("keytable " + std::to_string(p)), std::vector<uint8_t>(tables[p].begin(), tables[p].end()));
    EXPECT_EQ(Dump("macros 1000"), macros);
    EXPECT_FALSE(KeyboardBracketOpen());
}

TEST_F(DeviceLinkOnVirtualKeyboard, LostAnswersAndWrongEchoesAreRetried) {
    uint8_t info[kInfoSize] = {};
    ASSERT_TRUE(vk_.DropAnswers(1));
    EXPECT_EQ(ReadInfo(info), kResultSuccess);
    EXPECT_EQ(VendorReports().size(), 2u);

    ASSERT_TRUE(vk_.ClearLog());
    ASSERT_TRUE(vk_.WrongEcho(2));
    EXPECT_EQ(ReadInfo(info), kResultSuccess);
    EXPECT_EQ(VendorReports().size(), 3u);

    ASSERT_TRUE(vk_.ClearLog());
    ASSERT_TRUE(vk_.DropAnswers(ControlClient::kAlways));
    EXPECT_EQ(SendBegin(), kResultNoAnswer);
    EXPECT_EQ(VendorReports().size(), 3u);
    ASSERT_TRUE(vk_.ClearFaults());
    EXPECT_EQ(SendBegin(), kResultSuccess);
}

TEST_F(DeviceLinkOnVirtualKeyboard, FailureStatusesStopTheTransfer) {
    ASSERT_TRUE(vk_.FailStatus(0xFF, 1));
    EXPECT_EQ(SendBegin(), kResultSuccess);  // the resend is answered normally

    ASSERT_TRUE(vk_.ClearLog());
    ASSERT_TRUE(vk_.FailStatus(0xFE, ControlClient::kAlways));
    uint8_t table[kKeyTableSize] = {};
    EXPECT_EQ(WriteKeyTable(table, 0), kResultStatusFE);
    const auto sent = VendorReports();
    ASSERT_EQ(sent.size(), 3u);  // the first chunk three times, nothing after
    EXPECT_EQ(sent[0], sent[2]);

    ASSERT_TRUE(vk_.ClearFaults());
    ASSERT_TRUE(vk_.FailStatus(0xFF, ControlClient::kAlways));
    EXPECT_EQ(SendEnd(), kResultStatusFF);
    ASSERT_TRUE(vk_.ClearFaults());
    ASSERT_TRUE(vk_.RefuseWrites(1));
    EXPECT_EQ(SendBegin(), kResultWriteRefused);
}

TEST_F(DeviceLinkOnVirtualKeyboard, AbsentKeyboardSendsNothingAndPresenceReachesTheSink) {
    ASSERT_TRUE(vk_.Detach());
    EXPECT_TRUE(sink_.WaitFor(sink_.states, 0u));
    EXPECT_EQ(IsDevicePresent(), 0);
    uint8_t info[kInfoSize] = {};
    EXPECT_EQ(ReadInfo(info), kResultNoDevice);
    EXPECT_TRUE(VendorReports().empty());

    ASSERT_TRUE(vk_.Attach());
    EXPECT_TRUE(sink_.WaitFor(sink_.states, 1u));
    EXPECT_GT(IsDevicePresent(), 0);
    EXPECT_EQ(ReadInfo(info), kResultSuccess);
}

TEST_F(DeviceLinkOnVirtualKeyboard, StrayReportsWhileIdleDoNotDisturbTheNextExchange) {
    ASSERT_TRUE(vk_.SendStray(3));
    usleep(50000);
    uint8_t info[kInfoSize] = {};
    EXPECT_EQ(ReadInfo(info), kResultSuccess);
    EXPECT_EQ(std::vector<uint8_t>(info, info + kInfoSize), Dump("info"));
    EXPECT_TRUE(sink_.codes.empty());
}

TEST_F(DeviceLinkOnVirtualKeyboard, ConsumerEventsBankIndicatorAndBootMode) {
    ASSERT_TRUE(vk_.SwitchBank());
    EXPECT_TRUE(sink_.WaitFor(sink_.codes, uint16_t{0x02FF}));
    EXPECT_EQ(ToggleGKeyBank(), 1);
    std::vector<std::vector<uint8_t>> indicator;
    for (int i = 0; i < 100 && indicator.empty(); ++i) {
        ASSERT_TRUE(vk_.Reports("indicator:", indicator));
        if (indicator.empty()) usleep(10000);
    }
    ASSERT_EQ(indicator.size(), 1u);
    EXPECT_EQ(indicator[0], (std::vector<uint8_t>{0x05, 0x03}));

    EXPECT_GT(EnterBootMode(), 0);
    const auto sent = VendorReports();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back()[3], 0xEE);
    EXPECT_EQ(sent.back()[1], 0);
    EXPECT_EQ(sent.back()[2], 0);
    ExpectNoIdentifierMismatch();
}

// kvtool as a user runs it: the library beside it, a message naming the result when the keyboard is missing.
TEST_F(DeviceLinkOnVirtualKeyboard, KvtoolPrintsTheInformationBlockAndKeyTables) {
    const fs::path tool = fs::read_symlink("/proc/self/exe").parent_path() / "kvtool";
    ASSERT_TRUE(fs::exists(tool));
    auto run = [&](const std::string& args, std::string& out) {
        const std::string command = tool.string() + " " + args + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        out.clear();
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
        const int status = pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    // kvtool starts its own library instance on the same keyboard state; stop ours first.
    (void)ServiceApi().End();
    ResetServiceLink();

    std::string out;
    ASSERT_EQ(run("info", out), 0) << out;
    EXPECT_NE(out.find("firmware        V0103\n"), std::string::npos) << out;
    EXPECT_NE(out.find("macro capacity  32640 bytes\n"), std::string::npos) << out;
    EXPECT_NE(out.find("effects         1 2 3"), std::string::npos) << out;

    ASSERT_EQ(run("keytable 1", out), 0) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 24);  // 378 bytes, 16 to a line
    EXPECT_NE(out.find("\n0170: "), std::string::npos) << out;  // the last line holds bytes 0x170..0x179

    EXPECT_EQ(run("keytable 3", out), 2);
    EXPECT_EQ(run("frobnicate", out), 2);

    setenv("KELVANE_VK_ATTACHED", "0", 1);
    EXPECT_EQ(run("info", out), 1);
    unsetenv("KELVANE_VK_ATTACHED");
    EXPECT_EQ(out, "kvtool: keyboard not present (result 0)\n");
}

}  // namespace
}  // namespace kv
