// Overlapped transfers the driver has not finished after they were cancelled: their OVERLAPPED, event and
// buffer must stay valid until the driver completes them, however late, so they are kept here and freed
// once complete. Any thread may add or reap; one lock guards the list.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace qvx::hid {

struct WinTransfer {
    OVERLAPPED ov{};
    HANDLE event = nullptr;  // manual reset, owned
    std::vector<uint8_t> buffer;
    WinTransfer();
    ~WinTransfer();
    WinTransfer(const WinTransfer&) = delete;
    WinTransfer& operator=(const WinTransfer&) = delete;
};

class PendingTransfers {
public:
    void Adopt(std::unique_ptr<WinTransfer> transfer);
    // Frees the transfers that have completed since; returns how many are still pending.
    std::size_t Reap();

private:
    std::mutex mu_;
    std::vector<std::unique_ptr<WinTransfer>> pending_;
};

}  // namespace qvx::hid
