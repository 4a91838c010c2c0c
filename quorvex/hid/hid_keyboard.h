// The hardware backend: the keyboard's HID collections as the system shows them, behind the export layer.
// It finds collections by re-enumerating the system's HID collections (at Init, when the system tells of a
// collection arriving or going or of the computer resuming, after a failed read or write, and as a slow
// backstop; every second where the system tells nothing), runs one reader per subscription on a thread of
// its own (a read waits without a clock where a cancel can end it), sends
// output reports with a bounded wait, and tells the vendor collection's subscribers when the keyboard
// comes and goes. All system calls go through a HidPort, so the whole of this runs against a fake in tests.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "backend.h"
#include "hid/hid_port.h"

namespace qvx::hid {

struct HidKeyboardTimings {
    std::chrono::milliseconds scanInterval{1000};       // re-enumeration when the system sends no notifications
    std::chrono::milliseconds backstopInterval{60000};  // with notifications: a look in case one was lost
    int readTimeoutMs = 250;                       // a reader looks at its stop flag at least this often, where
                                                   // a cancel cannot end a read
    int writeTimeoutMs = 1000;                     // longest wait for one output report to leave
    int answerWaitMs = 1000;                       // longest hold of the exchange lock for a command's answer
    int removalCloseWaitMs = 2000;                 // query-remove: longest wait for our handles to close
    std::chrono::milliseconds retryDelay{250};     // pause before reopening a collection that failed
};

class HidKeyboard final : public HidBackend {
public:
    explicit HidKeyboard(HidPort port, HidKeyboardTimings timings = {});
    ~HidKeyboard() override;
    HidKeyboard(const HidKeyboard&) = delete;
    HidKeyboard& operator=(const HidKeyboard&) = delete;

    int Start() override;
    void Stop() override;
    int DeviceCount(kv::CollectionUsage collection) override;
    uint32_t Subscribe(kv::CollectionUsage collection, kv::ServiceCallback callback, uint32_t tag) override;
    uint32_t NewHandle() override;
    bool Cancel(uint32_t handle) override;
    int WriteReport(kv::CollectionUsage collection, const uint8_t* data, std::size_t length) override;
    int WriteStatus(kv::CollectionUsage collection, const uint8_t* data, std::size_t length, uint32_t* handle) override;
    int ReadStatus(kv::CollectionUsage collection, uint8_t* data, std::size_t length) override;
    int SetFeature(kv::CollectionUsage collection, const uint8_t* data, std::size_t length) override;
    void NoteRequestIdMismatch(const char* call, uint32_t got, uint32_t expected) override;
    int SetVerbosity(int level) override;

    // Asks the scan thread to re-enumerate now instead of at the end of its interval.
    void RequestRescan();
    // Closes and reopens every handle (after the computer slept, the old ones may be stale).
    void ReopenAll();

    // What the system tells (hid_keyboard_events.cpp): a collection arriving or going, a query-remove
    // (every handle of the collection is closed before this returns, within removalCloseWaitMs), the
    // computer resuming (every handle is reopened).
    void OnSystemEvent(HidEvent event, const std::string& id);

private:
    struct Collection {
        std::string id;
        HidAttributes attributes;
        HidCaps caps;
    };
    struct OpenDevice;  // a shared write handle; closed when its last user lets go
    struct Reader {
        uint32_t handle = 0;
        kv::CollectionUsage collection{};
        kv::ServiceCallback callback = nullptr;
        uint32_t tag = 0;
        std::thread thread;
        bool stop = false;
        bool exited = false;
        HidDevice device = nullptr;  // while open; only the reader closes it
        std::string openId;          // the collection of the open handle; cleared once it is closed
        bool heldLogged = false;     // "held by another program" said once per spell
        uint64_t readsStarted = 0;   // reads begun on the open handle
    };
    struct PresenceChange {
        bool attached = false;
        bool replugged = false;  // gone and back between two listings: removed, then attached
        std::vector<std::shared_ptr<Reader>> subscribers;
    };

    bool PortComplete() const;
    PresenceChange Scan();                                           // mu_ not held
    const Collection* FindPresent(kv::CollectionUsage wanted) const;  // mu_ held
    bool IsPresent(const std::string& id) const;                      // mu_ held
    HidDevice OpenFor(const std::string& id, HidAccess access, int& why);  // portMu_ held
    static void SystemEventSink(void* self, HidEvent event, const std::string& id);
    void CloseForRemoval(const std::string& id);
    void CancelReadersOf(const std::string& id);  // mu_ held
    // Vendor reports: one command and its answer at a time among every program using the keyboard.
    bool TakeExchange(kv::CollectionUsage collection);
    void WaitForAnswerAndRelease(bool taken, bool sent);
    bool PassOnReport(const Reader& reader);  // after a report is read: false when it answers another program
    void NoteAnswer(const Reader& reader);
    void LogCollection(const Collection& c);
    std::shared_ptr<OpenDevice> Writer(kv::CollectionUsage collection, HidCaps& caps, int& why);
    void DropWriter(const std::shared_ptr<OpenDevice>& device);
    int SendOutput(kv::CollectionUsage collection, const uint8_t* data, std::size_t length, bool feature);
    void ScanLoop(uint64_t session);
    void ReaderLoop(const std::shared_ptr<Reader>& reader);
    void DeliverData(const Reader& reader, const uint8_t* data, std::size_t length);
    void DeliverPresence(const PresenceChange& change);
    void Log(const std::string& line);
    void ThreadEnded();

    HidPort port_;
    const HidKeyboardTimings timings_;

    std::mutex portMu_;  // serialises enumerate, attributes, caps, open and close on the port
    std::mutex scanMu_;  // one scan at a time

    mutable std::mutex mu_;  // guards every field below
    std::condition_variable scanWake_;
    std::condition_variable readerWake_;
    std::condition_variable threadsDone_;
    int liveThreads_ = 0;  // scan and reader threads not yet ended, joined or not
    bool running_ = false;
    bool stopping_ = false;
    bool rescanRequested_ = false;
    bool scanned_ = false;
    bool attached_ = false;
    bool watching_ = false;         // the system tells of arrivals, removals and resume
    bool removalNotified_ = false;  // the system said a collection of the keyboard went, since the last listing
    bool exchangeOpen_ = false;     // this program's command is out, its answer awaited
    bool exchangeAnswered_ = false;
    int exchangeWaiting_ = 0;       // vendor writes of this program waiting for the exchange lock
    std::condition_variable exchangeWake_;
    std::condition_variable handleClosed_;
    std::set<std::string> closedForRemoval_;  // query-removed: not opened again until it arrives anew
    uint64_t generation_ = 0;  // bumped by ReopenAll
    uint64_t session_ = 0;     // bumped by Stop: a scan thread of an earlier session ends
    std::thread scanThread_;
    std::map<std::string, Collection> known_;  // every present collection, queried once per appearance
    std::vector<Collection> present_;           // the keyboard's collections, in enumeration order
    std::map<std::string, std::shared_ptr<OpenDevice>> writers_;
    std::map<uint32_t, std::shared_ptr<Reader>> readers_;
    std::vector<std::shared_ptr<Reader>> retired_;  // cancelled, joined once they have ended
    std::set<uint32_t> writeHandles_;
    std::map<uint32_t, std::vector<uint8_t>> lastStatus_;  // by usage page << 16 | usage
    uint32_t nextHandle_ = 1;
    std::atomic<int> verbosity_{0};
    uint32_t idMismatches_ = 0;
};

}  // namespace qvx::hid
