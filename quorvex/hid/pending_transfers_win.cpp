#include "hid/pending_transfers_win.h"

#include <algorithm>

namespace qvx::hid {

WinTransfer::WinTransfer() : event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

WinTransfer::~WinTransfer() {
    if (event != nullptr) CloseHandle(event);
}

void PendingTransfers::Adopt(std::unique_ptr<WinTransfer> transfer) {
    std::lock_guard<std::mutex> lock(mu_);
    pending_.push_back(std::move(transfer));
}

std::size_t PendingTransfers::Reap() {
    std::lock_guard<std::mutex> lock(mu_);
    pending_.erase(std::remove_if(pending_.begin(), pending_.end(),
                                  [](const std::unique_ptr<WinTransfer>& t) { return HasOverlappedIoCompleted(&t->ov); }),
                   pending_.end());
    return pending_.size();
}

}  // namespace qvx::hid
