// An auto-reset event: Set wakes one waiter (or the next one to wait) and the signal is used up by that wait.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kv {

class AutoResetEvent {
public:
    void Set();
    void Reset();
    // True when the event was signalled within the timeout; the signal is consumed.
    [[nodiscard]] bool WaitFor(std::chrono::milliseconds timeout);

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
};

}  // namespace kv
