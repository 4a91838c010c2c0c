// The hardware backend's side of what the system tells: collections arriving and going, the system asking
// before it disables or updates the keyboard's driver (query-remove), and the computer's suspend and resume.
// Runs on the system's notification thread; takes mu_ and portMu_ like any caller, and never calls a
// subscriber (presence changes go out from the scan thread).
#include <algorithm>
#include <chrono>
#include <vector>

#include "hid/hid_keyboard.h"

namespace qvx::hid {

void HidKeyboard::SystemEventSink(void* self, HidEvent event, const std::string& id) {
    static_cast<HidKeyboard*>(self)->OnSystemEvent(event, id);
}

void HidKeyboard::OnSystemEvent(HidEvent event, const std::string& id) {
    switch (event) {
        case HidEvent::Arrival: {
            std::lock_guard<std::mutex> lock(mu_);
            // A collection closed for its removal is back (the driver enabled or updated): open it again.
            if (closedForRemoval_.erase(id) != 0) Log("arrived again, reopening: " + id);
            readerWake_.notify_all();
            break;
        }
        case HidEvent::Removal: {
            std::lock_guard<std::mutex> lock(mu_);
            removalNoticed_ = true;  // the next listing without it is believed at once
            // Still counted present (a listing missed it, a second is awaited) or known: it was ours.
            if (known_.count(id) != 0 || IsPresent(id)) {
                removalNotified_.insert(id);
                Log("removal notified: " + id);
            }
            break;
        }
        case HidEvent::QueryRemove:
            CloseForRemoval(id);
            return;  // the system removes it now, or says it failed; either is told on its own
        case HidEvent::QueryRemoveFailed: {
            std::lock_guard<std::mutex> lock(mu_);
            if (closedForRemoval_.erase(id) != 0) Log("removal did not happen, reopening: " + id);
            readerWake_.notify_all();
            break;
        }
        case HidEvent::Suspend:
            Log("the computer is going to sleep");
            return;
        case HidEvent::Resume:
            Log("the computer woke up: reopening every handle");
            ReopenAll();
            break;
    }
    RequestRescan();
}

void HidKeyboard::CancelReadersOf(const std::string& id) {
    for (auto& [handle, reader] : readers_)
        if (reader->device != nullptr && reader->openId == id) port_.cancel(port_.context, reader->device);
    for (auto& reader : retired_)
        if (reader->device != nullptr && reader->openId == id) port_.cancel(port_.context, reader->device);
}

// Every handle of ours on the collection is closed before the system goes on, or it would veto the removal
// and ask the user to restart. A write under way keeps its handle until it ends (within its time-out).
void HidKeyboard::CloseForRemoval(const std::string& id) {
    std::shared_ptr<OpenDevice> writer;
    std::weak_ptr<OpenDevice> lastWriter;
    {
        std::lock_guard<std::mutex> lock(mu_);
        closedForRemoval_.insert(id);
        auto it = writers_.find(id);
        if (it != writers_.end()) {
            writer = std::move(it->second);
            writers_.erase(it);
            lastWriter = writer;
        }
        CancelReadersOf(id);
        readerWake_.notify_all();
        Log("query-remove: closing every handle of " + id);
    }
    writer.reset();  // closes it, unless a write holds it still
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timings_.removalCloseWaitMs);
    for (;;) {
        std::vector<HidDevice> handed;  // opened for a reader that has not taken it yet: closed here
        {
            std::unique_lock<std::mutex> lock(mu_);
            bool busy = !lastWriter.expired();
            const auto look = [&](Reader& r) {
                if (r.handed.device != nullptr && r.handed.id == id) {
                    handed.push_back(r.handed.device);
                    r.handed = Handoff{};
                }
                busy = busy || r.openId == id || r.opening;
            };
            for (auto& [handle, reader] : readers_) look(*reader);
            for (auto& reader : retired_) look(*reader);
            CancelReadersOf(id);  // a handle taken meanwhile is ended too
            if (handed.empty()) {
                if (stopping_ || !busy) return;
                if (std::chrono::steady_clock::now() >= deadline) {
                    Log("query-remove: a handle of " + id + " is still open");
                    return;
                }
                // A write's handle gives no signal when it closes: look every few milliseconds.
                handleClosed_.wait_for(lock, std::chrono::milliseconds(10));
                continue;
            }
        }
        for (HidDevice device : handed) port_.close(port_.context, device);
    }
}

HidDevice HidKeyboard::OpenFor(const std::string& id, HidAccess access, int& why) {
    why = kOpenFailed;
    if (port_.openFor != nullptr) return port_.openFor(port_.context, id, access, &why);
    return port_.open(port_.context, id);
}

}  // namespace qvx::hid
