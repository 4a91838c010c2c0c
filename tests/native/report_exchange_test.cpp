// ExchangeReport, SendReportNoWait and IsDevicePresent over the in-process service: retries, echo and status
// checks, the answer path, and the busy slot's timings (real time, loose tolerances).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "device/commands.h"
#include "device/exchange.h"
#include "device/report.h"
#include "device/request_id.h"
#include "device/service_link.h"
#include "fake_hid_service.h"

namespace kv {
namespace {

using namespace std::chrono_literals;
using test::FakeAnswer;
using test::FakeHidService;
using test::Request;

class ReportExchange : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::BindFake(fake)); }

    // An answer echoing the request with the given status.
    static FakeAnswer Echo(const Report& request, uint8_t status = 0, std::chrono::milliseconds delay = 0ms) {
        std::vector<uint8_t> a(request.begin(), request.end());
        a[kStatusByte] = status;
        return FakeAnswer{a, delay};
    }

    FakeHidService fake;
};

TEST_F(ReportExchange, AbsentKeyboardReturnsZeroWithoutWriting) {
    fake.deviceCount = 0;
    Report request = Request(CMD_BEGIN);
    Report answer{};
    std::size_t received = 99;
    EXPECT_EQ(ExchangeReport(request.data(), 64, answer.data(), 64, &received), kResultNoDevice);
    EXPECT_EQ(received, 0u);
    EXPECT_TRUE(fake.Writes().empty());
    EXPECT_EQ(IsDevicePresent(), 0);
}

TEST_F(ReportExchange, ShortRequestIsPaddedAndIdentifiedOverAll64Bytes) {
    uint8_t request[10] = {4, 0, 0, CMD_READ_INFO, 44, 0, 0, 0, 0xAB, 0xCD};
    Report answer{};
    std::size_t received = 0;
    ASSERT_EQ(ExchangeReport(request, sizeof request, answer.data(), answer.size(), &received), kResultSuccess);
    EXPECT_EQ(received, 64u);
    const auto writes = fake.Writes();
    ASSERT_EQ(writes.size(), 1u);
    Report expected{};
    std::copy(request, request + 10, expected.begin());
    EXPECT_EQ(writes[0].report, expected);
    EXPECT_EQ(writes[0].length, 64u);
    EXPECT_EQ(writes[0].identifier, CallRequestId(kVendorSelector, nullptr, 0, expected.data(), 64));
    // The presence test before it carries the fixed identifier.
    EXPECT_EQ(fake.CountIdentifiers().back(), 5290u);
}

TEST_F(ReportExchange, LongAnswerIsCutToTheCapacity) {
    fake.responder = [](const Report& request, int) {
        std::vector<uint8_t> a(request.begin(), request.end());
        a.resize(100, 0xEE);
        return FakeAnswer{a, 0ms};
    };
    Report request = Request(CMD_BEGIN);
    uint8_t answer[80];
    std::memset(answer, 0x11, sizeof answer);
    std::size_t received = 0;
    ASSERT_EQ(ExchangeReport(request.data(), 64, answer, 70, &received), kResultSuccess);
    EXPECT_EQ(received, 70u);
    EXPECT_EQ(answer[69], 0xEE);
    EXPECT_EQ(answer[70], 0x11);  // nothing past the capacity
}

TEST_F(ReportExchange, WrongEchoIsResentAndGivesUpAfterThreeAttempts) {
    fake.responder = [](const Report& request, int) {
        Report other = request;
        other[kCommandByte] = CMD_READ_INFO;
        return Echo(other);
    };
    Report request = Request(CMD_BEGIN);
    Report answer{};
    std::size_t received = 0;
    EXPECT_EQ(ExchangeReport(request.data(), 64, answer.data(), 64, &received), kResultNoAnswer);
    EXPECT_EQ(received, 0u);
    EXPECT_EQ(fake.Writes().size(), 3u);

    // A wrong echo once, then the right one: one resend and success.
    fake.responder = [](const Report& request, int index) {
        Report r = request;
        if (index == 3) r[kCommandByte] = 0x55;
        return Echo(r);
    };
    EXPECT_EQ(ExchangeReport(request.data(), 64, answer.data(), 64, &received), kResultSuccess);
    EXPECT_EQ(fake.Writes().size(), 5u);
}

TEST_F(ReportExchange, FailureStatusIsRetriedAndTheThirdAnswerIsHandedBack) {
    fake.responder = [](const Report& request, int) { return Echo(request, 0xFE); };
    Report request = Request(CMD_WRITE_INFO, 44);
    Report answer{};
    std::size_t received = 0;
    EXPECT_EQ(ExchangeReport(request.data(), 64, answer.data(), 64, &received), kResultSuccess);
    EXPECT_EQ(received, 64u);
    EXPECT_EQ(answer[kStatusByte], 0xFE);
    const auto writes = fake.Writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[2].report, writes[0].report);  // the same report each time

    // Status 0xFF then success: the second attempt wins.
    fake.responder = [](const Report& request, int index) { return Echo(request, index == 3 ? 0xFF : 0); };
    EXPECT_EQ(ExchangeReport(request.data(), 64, answer.data(), 64, &received), kResultSuccess);
    EXPECT_EQ(answer[kStatusByte], 0);
}

TEST_F(ReportExchange, RefusedWriteReturnsMinusOneAtOnce) {
    fake.writeResult = 0;
    Report request = Request(CMD_BEGIN);
    Report answer{};
    std::size_t received = 0;
    EXPECT_EQ(ExchangeReport(request.data(), 64, answer.data(), 64, &received), kResultWriteRefused);
    EXPECT_EQ(fake.Writes().size(), 1u);
}

TEST_F(ReportExchange, ReportsWhileIdleChangeNothing) {
    Report request = Request(CMD_BEGIN);
    Report answer{};
    std::size_t received = 0;
    ASSERT_EQ(ExchangeReport(request.data(), 64, answer.data(), 64, &received), kResultSuccess);
    const Report kept = answer;

    // A stray report after the exchange returned: the buffer it used is not touched, and no signal is left
    // behind for the next exchange.
    std::vector<uint8_t> stray(64, 0x77);
    fake.DeliverOnCtrl(stray);
    EXPECT_EQ(answer, kept);

    fake.responder = [](const Report&, int) { return FakeAnswer{}; };
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(ExchangeReport(request.data(), 64, answer.data(), 64, &received), kResultNoAnswer);
    EXPECT_GE(std::chrono::steady_clock::now() - started, 2900ms);  // three full waits, nothing stale taken
    EXPECT_EQ(answer, kept);
}

TEST_F(ReportExchange, AnswerArrivingAfterTheExchangeGaveUpIsDropped) {
    // Every answer comes 1200 ms late: the exchange gives up, then the late answers arrive.
    fake.responder = [](const Report& request, int) { return Echo(request, 0, 1200ms); };
    Report request = Request(CMD_BEGIN);
    std::vector<uint8_t> answer(64, 0x33);
    std::size_t received = 0;
    const int result = ExchangeReport(request.data(), 64, answer.data(), 64, &received);
    // The second attempt may take the first attempt's late answer: it echoes the same command.
    EXPECT_TRUE(result == kResultSuccess || result == kResultNoAnswer) << result;
    const std::vector<uint8_t> returned = answer;
    std::this_thread::sleep_for(1500ms);  // every late answer has been delivered by now
    EXPECT_EQ(answer, returned);
}

// A chunked read whose first chunk was sent twice: the keyboard answers both sends, the first one 1200 ms
// late, while the second chunk waits for its own answer. The late answer repeats the first chunk's command
// and offset; taking it for the second chunk's would shift the data read.
TEST_F(ReportExchange, LateAnswerToAResentRequestIsNotTakenForTheNextChunk) {
    for (std::size_t i = 0; i < 200; ++i) fake.macros[i] = static_cast<uint8_t>(i * 7 + 3);
    fake.responder = [this](const Report& request, int index) {
        FakeAnswer a = fake.ModelAnswer(request);
        if (index == 0) a.delay = 1200ms;  // chunk 0, first send: answered after the answer wait
        if (index == 2) a.delay = 400ms;   // chunk 1, still waiting when that late answer comes
        return a;
    };
    std::vector<uint8_t> read(200);
    ASSERT_EQ(ReadMacroArea(read.data(), read.size()), kResultSuccess);
    EXPECT_EQ(read, std::vector<uint8_t>(fake.macros.begin(), fake.macros.begin() + 200));

    // The same request again (a new exchange) still takes its answer even while late answers are expected.
    ASSERT_EQ(ReadMacroArea(read.data(), 56), kResultSuccess);
    EXPECT_TRUE(std::equal(read.begin(), read.begin() + 56, fake.macros.begin()));
}

TEST_F(ReportExchange, SendReportNoWaitTouchesNeitherPresenceNorSlot) {
    const int countsBefore = fake.CountCalls();
    uint8_t report[3] = {4, 0, 0xEE};
    EXPECT_EQ(SendReportNoWait(report, sizeof report), 1);
    EXPECT_EQ(fake.CountCalls(), countsBefore);
    ASSERT_EQ(fake.Writes().size(), 1u);
    Report expected{};
    std::copy(report, report + 3, expected.begin());
    EXPECT_EQ(fake.Writes()[0].report, expected);
    EXPECT_EQ(fake.Writes()[0].identifier, CallRequestId(kVendorSelector, nullptr, 0, expected.data(), 64));
}

TEST_F(ReportExchange, RetryPauseIsAboutTenMilliseconds) {
    fake.responder = [](const Report& request, int index) { return Echo(request, index == 0 ? 0xFE : 0); };
    Report request = Request(CMD_BEGIN);
    Report answer{};
    std::size_t received = 0;
    ASSERT_EQ(ExchangeReport(request.data(), 64, answer.data(), 64, &received), kResultSuccess);
    const auto writes = fake.Writes();
    ASSERT_EQ(writes.size(), 2u);
    const auto gap = writes[1].at - writes[0].at;
    EXPECT_GE(gap, 10ms);
    EXPECT_LT(gap, 200ms);
}

TEST_F(ReportExchange, SecondCallerWaits1001MsWhileAnAttemptIsOutstanding) {
    // The first exchange's answer takes 400 ms; a second caller arriving meanwhile waits 1001 ms first.
    fake.responder = [](const Report& request, int index) { return Echo(request, 0, index == 0 ? 400ms : 0ms); };
    std::atomic<bool> firstSent{false};
    int firstResult = 0;
    std::thread first([&] {
        Report request = Request(CMD_BEGIN);
        Report answer{};
        std::size_t received = 0;
        firstSent = true;
        firstResult = ExchangeReport(request.data(), 64, answer.data(), 64, &received);
    });
    while (fake.Writes().empty()) std::this_thread::sleep_for(1ms);
    const auto secondStarted = std::chrono::steady_clock::now();
    Report request = Request(CMD_END);
    Report answer{};
    std::size_t received = 0;
    EXPECT_EQ(ExchangeReport(request.data(), 64, answer.data(), 64, &received), kResultSuccess);
    first.join();
    EXPECT_EQ(firstResult, kResultSuccess);

    const auto writes = fake.Writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[1].report[kCommandByte], CMD_END);
    EXPECT_GE(writes[1].at - secondStarted, 1001ms);
    EXPECT_LT(writes[1].at - secondStarted, 1500ms);
    EXPECT_EQ(answer[kCommandByte], CMD_END);  // each caller got its own answer
}

TEST_F(ReportExchange, AnotherCallerGetsInDuringTheRetryPause) {
    // The first exchange's first two attempts are answered with status 0xFE after 900 ms each. A second caller
    // arriving during the first attempt waits 1001 ms, then queues behind the second attempt and runs in the
    // 10 ms pause before the third.
    fake.responder = [](const Report& request, int index) {
        if (index < 2) return Echo(request, 0xFE, 900ms);
        return Echo(request);
    };
    std::thread first([] {
        Report request = Request(CMD_BEGIN);
        Report answer{};
        std::size_t received = 0;
        EXPECT_EQ(ExchangeReport(request.data(), 64, answer.data(), 64, &received), kResultSuccess);
        EXPECT_EQ(answer[kCommandByte], CMD_BEGIN);
    });
    while (fake.Writes().empty()) std::this_thread::sleep_for(1ms);
    Report request = Request(CMD_END);
    Report answer{};
    std::size_t received = 0;
    EXPECT_EQ(ExchangeReport(request.data(), 64, answer.data(), 64, &received), kResultSuccess);
    EXPECT_EQ(answer[kCommandByte], CMD_END);
    first.join();
    const auto writes = fake.Writes();
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[1].report[kCommandByte], CMD_BEGIN);
    EXPECT_EQ(writes[2].report[kCommandByte], CMD_END);
    EXPECT_EQ(writes[3].report[kCommandByte], CMD_BEGIN);
}

}  // namespace
}  // namespace kv
