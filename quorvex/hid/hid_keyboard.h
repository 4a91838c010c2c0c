// The hardware backend: the keyboard's HID collections as the system shows them, behind the export layer.
// It finds collections by re-enumerating the system's HID collections (at Init, when the system tells of a
// collection arriving or going or of the computer resuming, at once after a failed read or write, and as a
// slow backstop; every second where the system tells nothing), runs readers on threads of their own (one per subscription, or
// for the consumer collection one per matching collection, so every interface's events are read), sends
// output reports with a bounded wait, and tells the vendor collection's subscribers when the keyboard
// comes and goes. A selector that names one collection (vendor, indicator) is bound to one of the matching
// collections, chosen in the order of their ids and kept while present, so the vendor reader and writer
// sit on the same keyboard. A collection missing from one listing is kept until a second listing in a row
// misses it too (or the system said it was removed): a short gap while the computer wakes changes nothing.
// All system calls go through a HidPort, so the whole of this runs against a fake in tests.
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
#include "hid/report_framing.h"

namespace qvx::hid {

struct HidKeyboardTimings {
    std::chrono::milliseconds scanInterval{1000};       // re-enumeration when the system sends no notifications
    std::chrono::milliseconds backstopInterval{60000};  // with notifications: a look in case one was lost
    int readTimeoutMs = 250;                       // a reader looks at its stop flag at least this often, where
                                                   // a cancel cannot end a read (elsewhere reads wait no clock)
    int writeTimeoutMs = 1000;                     // longest wait for one output report to leave
    int answerWaitMs = 1000;                       // longest hold of the exchange lock for a command's answer
    int removalCloseWaitMs = 2000;                 // query-remove: longest wait for our handles to close
    std::chrono::milliseconds retryDelay{250};     // pause before reopening a collection that failed
    std::chrono::milliseconds removalConfirmDelay{1000};  // the second look after a listing missed a collection
    std::chrono::milliseconds attachOpenWait{2000};  // longest wait, before saying "attached", for a vendor
                                                     // reader that is opening its handle itself
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
    // The system said one of the keyboard's collections was removed: the next listing without it is
    // believed at once instead of being confirmed by a second one. Asks for that listing.
    void NoteRemoval();
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
    // A handle opened for a reader by another thread (Subscribe, a scan), not yet taken by the reader.
    struct Handoff {
        HidDevice device = nullptr;
        std::string id;
        HidCaps caps;
        uint64_t generation = 0;
    };
    struct Reader {
        uint32_t handle = 0;
        kv::CollectionUsage collection{};
        kv::ServiceCallback callback = nullptr;
        uint32_t tag = 0;
        std::string boundId;  // a consumer reader reads this collection; empty: the one chosen for the selector
        std::thread thread;
        bool stop = false;
        bool exited = false;
        bool opening = false;        // a thread is opening a handle for it
        Handoff handed;              // opened for it, to be taken
        HidDevice device = nullptr;  // while open; only the reader closes it
        std::string openId;          // the collection of the open handle; cleared once it is closed
        bool heldLogged = false;     // "held by another program" said once per spell
        uint64_t readsStarted = 0;   // reads begun on the open handle
        uint64_t openedAtArrivals = 0;  // arrivals_ when the handle was taken: older ones predate a replug
    };
    struct Subscription {
        kv::CollectionUsage collection{};
        kv::ServiceCallback callback = nullptr;
        uint32_t tag = 0;
    };
    struct PresenceChange {
        bool attached = false;
        std::vector<std::pair<uint32_t, Subscription>> subscribers;
    };
    struct Refusal {
        uint64_t retryAtScan = 0;
        uint64_t delay = 1;  // scans; doubles while the collection keeps refusing
    };
    // An open for a reader, done outside mu_; a reader not yet started is started once it has its handle.
    struct PendingOpen {
        std::shared_ptr<Reader> reader;
        Handoff opened;
        bool started = false;
    };

    bool PortComplete() const;
    HidError PortError() const;
    PresenceChange Scan();                                           // mu_ not held
    void NoteMissingConsumer();  // mu_ held
    const Collection* FindPresent(kv::CollectionUsage wanted) const;  // mu_ held
    const Collection* Choose(kv::CollectionUsage wanted);            // mu_ held
    const Collection* TargetOf(const Reader& reader);                // mu_ held
    bool IsPresent(const std::string& id) const;                      // mu_ held
    std::chrono::milliseconds ConfirmDelay() const;
    static bool FansOut(kv::CollectionUsage collection);
    std::shared_ptr<Reader> NewReader(uint32_t handle, const Subscription& sub, const std::string& boundId);  // mu_ held
    void StartReader(const std::shared_ptr<Reader>& reader);         // mu_ held
    void OpenPending(std::vector<PendingOpen>& pending);             // mu_ not held
    void HandOver(std::vector<PendingOpen>& pending, std::vector<HidDevice>& unused);  // mu_ held
    // Opens with the port's access-limited open where it has one; why: kOpenFailed or kOpenHeldByOther.
    HidDevice OpenFor(const std::string& id, HidAccess access, int& why);
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
    void DeliverData(const Reader& reader, const ConsumerLayout& layout, const uint8_t* data, std::size_t length);
    void DeliverPresence(const PresenceChange& change);
    void Log(const std::string& line);
    void ThreadEnded();

    HidPort port_;
    const HidKeyboardTimings timings_;

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
    bool removalNoticed_ = false;  // the system said a collection was removed since the last listing
    bool watching_ = false;         // the system tells of arrivals, removals and resume
    std::set<std::string> removalNotified_;  // the keyboard's collections among them: a replug if listed again
    bool exchangeOpen_ = false;     // this program's command is out, its answer awaited
    bool exchangeAnswered_ = false;
    int exchangeWaiting_ = 0;       // vendor writes of this program waiting for the exchange lock
    std::condition_variable exchangeWake_;
    std::condition_variable handleClosed_;
    std::set<std::string> closedForRemoval_;  // query-removed: not opened again until it arrives anew
    bool confirmPending_ = false;  // a listing missed a collection: look again soon
    uint64_t arrivals_ = 0;        // listings that found a collection not present before
    uint64_t scans_ = 0;           // listings that succeeded
    uint64_t generation_ = 0;  // bumped by ReopenAll
    uint64_t session_ = 0;     // bumped by Stop: a scan thread of an earlier session ends
    std::thread scanThread_;
    std::map<std::string, Collection> known_;  // every present collection, queried once per appearance
    std::vector<Collection> present_;           // the keyboard's collections, in the order of their ids
    // Present collections the last listings did not show, with the time the first of them missed it.
    std::map<std::string, std::chrono::steady_clock::time_point> missed_;
    std::map<std::string, Refusal> refused_;    // listed collections whose attributes could not be read
    std::map<uint32_t, std::string> chosen_;    // by selector: the collection it is bound to
    std::map<std::string, std::shared_ptr<OpenDevice>> writers_;
    std::map<uint32_t, Subscription> subscriptions_;
    std::multimap<uint32_t, std::shared_ptr<Reader>> readers_;  // by subscription handle
    std::vector<std::shared_ptr<Reader>> retired_;  // cancelled, joined once they have ended
    std::set<uint32_t> writeHandles_;
    std::map<uint32_t, std::vector<uint8_t>> lastStatus_;  // by usage page << 16 | usage
    uint32_t nextHandle_ = 1;
    std::atomic<int> verbosity_{0};
    uint32_t idMismatches_ = 0;
};

}  // namespace qvx::hid
