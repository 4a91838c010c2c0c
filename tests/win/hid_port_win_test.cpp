// The Windows HID layer's transfers, with a named pipe standing in for the keyboard's collection (the
// layer opens any path): reads and writes that time out are cancelled and reported as time-outs, never
// as failures, a cancel ends a read that waits on no clock, and the system's error comes back through
// lastError. A driver that never finishes a cancelled transfer cannot be made here; the fake layer's
// cases and the pending-transfer test cover that.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "hid/hid_port.h"

namespace {

using qvx::hid::HidFailure;

class HidPortWinTest : public ::testing::Test {
protected:
    void SetUp() override {
        name_ = "\\\\.\\pipe\\kv-hidport-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(GetTickCount64());
        const std::wstring wide(name_.begin(), name_.end());
        // Small buffers, so a long write has to wait for a reader that never comes.
        server_ = CreateNamedPipeW(wide.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 16, 16, 0,
                                   nullptr);
        ASSERT_NE(server_, INVALID_HANDLE_VALUE);
        port_ = qvx::hid::SystemHidPort();
        device_ = port_.open(port_.context, name_);
        ASSERT_NE(device_, nullptr);
    }
    void TearDown() override {
        if (device_ != nullptr) port_.close(port_.context, device_);
        if (server_ != INVALID_HANDLE_VALUE) CloseHandle(server_);
    }
    qvx::hid::HidError Error() { return port_.lastError(port_.context); }

    std::string name_;
    HANDLE server_ = INVALID_HANDLE_VALUE;
    qvx::hid::HidPort port_;
    qvx::hid::HidDevice device_ = nullptr;
};

TEST_F(HidPortWinTest, ReadsTimeOutAreWokenAndReadWhatArrives) {
    uint8_t buffer[8] = {};
    EXPECT_EQ(port_.read(port_.context, device_, buffer, sizeof buffer, 50), qvx::hid::kIoTimedOut);
    EXPECT_EQ(Error().failure, HidFailure::TimedOut);
    EXPECT_FALSE(Error().handleDead);

    const uint8_t report[3] = {0x03, 0xFF, 0x02};
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(server_, report, sizeof report, &written, nullptr));
    EXPECT_EQ(port_.read(port_.context, device_, buffer, sizeof buffer, 1000), 3);
    EXPECT_EQ(buffer[1], 0xFF);

    // A cancel, even one that comes before the read starts, ends a read that waits on no clock.
    port_.cancel(port_.context, device_);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port_.read(port_.context, device_, buffer, sizeof buffer, -1), qvx::hid::kIoTimedOut);
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        port_.cancel(port_.context, device_);
    });
    EXPECT_EQ(port_.read(port_.context, device_, buffer, sizeof buffer, -1), qvx::hid::kIoTimedOut);
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    // The handle still works after its reads were cancelled.
    ASSERT_TRUE(WriteFile(server_, report, sizeof report, &written, nullptr));
    EXPECT_EQ(port_.read(port_.context, device_, buffer, sizeof buffer, 1000), 3);
}

TEST_F(HidPortWinTest, AWriteThatCannotLeaveTimesOutInsteadOfFailing) {
    // Far more than the pipe holds, with nobody reading: the write stays pending until its time-out.
    const std::vector<uint8_t> big(1 << 20, 0x55);
    const int n = port_.write(port_.context, device_, big.data(), big.size(), 50);
    EXPECT_LT(n, static_cast<int>(big.size()));
    EXPECT_EQ(Error().failure, HidFailure::TimedOut) << Error().systemCode;
}

TEST(HidPortWin, AMissingCollectionSaysItIsGone) {
    const qvx::hid::HidPort port = qvx::hid::SystemHidPort();
    EXPECT_EQ(port.open(port.context, "\\\\?\\hid#vid_0c45&pid_7a31#no-such-interface"), nullptr);
    EXPECT_EQ(port.lastError(port.context).failure, HidFailure::Gone) << port.lastError(port.context).systemCode;
}

}  // namespace
