// Transfers abandoned after a cancel the driver did not finish: kept, buffer and all, until the system
// completes them, then freed. A pipe read stands in for the driver's transfer that will not end.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "hid/pending_transfers_win.h"

namespace {

TEST(HidPendingTransfers, AnAbandonedTransferIsFreedOnlyOnceTheSystemCompletesIt) {
    const std::wstring name = L"\\\\.\\pipe\\kv-pending-" + std::to_wstring(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE, 1, 64,
                                     64, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    HANDLE client = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(client, INVALID_HANDLE_VALUE);

    auto transfer = std::make_unique<qvx::hid::WinTransfer>();
    ASSERT_NE(transfer->event, nullptr);
    transfer->ov.hEvent = transfer->event;
    transfer->buffer.assign(8, 0);
    qvx::hid::WinTransfer* raw = transfer.get();
    ASSERT_FALSE(ReadFile(server, raw->buffer.data(), 8, nullptr, &raw->ov));
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));

    qvx::hid::PendingTransfers pending;
    pending.Adopt(std::move(transfer));
    EXPECT_EQ(pending.Reap(), 1u);  // still in the system's hands: kept
    EXPECT_EQ(pending.Reap(), 1u);

    const char bytes[4] = {1, 2, 3, 4};
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(client, bytes, sizeof bytes, &written, nullptr));
    ASSERT_EQ(WaitForSingleObject(raw->event, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(raw->buffer[3], 4);  // the late completion wrote into the kept buffer
    EXPECT_EQ(pending.Reap(), 0u);

    CloseHandle(client);
    CloseHandle(server);
}

}  // namespace
