#include "fake_hid_service.h"

#include <algorithm>
#include <cstring>

#include "device/commands.h"
#include "device/hid_binding.h"
#include "device/service_link.h"

namespace kv::test {
namespace {

FakeHidService* g_current = nullptr;

CollectionUsage UsageOf(const void* selector) {
    CollectionUsage u{};
    if (!ParseSelector(selector, u)) return CollectionUsage{0xFFFF, 0xFFFF};
    return u;
}

int KV_SERVICE_CALL FakeInit(int flags) { return g_current->OnInit(flags); }
int KV_SERVICE_CALL FakeEnd() { return 1; }
int KV_SERVICE_CALL FakeDebug(int) { return 1; }
int KV_SERVICE_CALL FakeGetDeviceCount(const void* s, ServiceCallback c, uint32_t t, uint32_t id, uint32_t) {
    return g_current->OnGetDeviceCount(s, c, t, id);
}
int KV_SERVICE_CALL FakeDeleteFromUnitId(uint32_t handle) { return g_current->OnDelete(handle); }
int KV_SERVICE_CALL FakeDeleteFromHandle(uint32_t) { return 1; }
int KV_SERVICE_CALL FakeRequestWrite(const void*, ServiceCallback, uint32_t, const void*, uint32_t, uint32_t, uint32_t*) {
    return 1;
}
int KV_SERVICE_CALL FakeWriteOne(const void* s, ServiceCallback c, uint32_t t, const void* d, uint32_t n, uint32_t id,
                                 uint32_t) {
    return g_current->OnWriteOne(s, c, t, d, n, id);
}
int KV_SERVICE_CALL FakeRequestStatusWrite(const void* s, ServiceCallback c, uint32_t t, const void* d, uint32_t n,
                                    uint32_t id, uint32_t* h) {
    return g_current->OnStatusWrite(s, c, t, d, n, id, h);
}
int KV_SERVICE_CALL FakeStatusGet(const void*, ServiceCallback, uint32_t, void*, uint32_t, uint32_t, uint32_t*) {
    return 1;
}
int KV_SERVICE_CALL FakeAsyncRead(const void* s, ServiceCallback c, uint32_t t, uint32_t id, uint32_t* h) {
    return g_current->OnAsyncRead(s, c, t, id, h);
}
int KV_SERVICE_CALL FakeSetFeature(const void*, ServiceCallback, uint32_t, const void*, uint32_t, uint32_t,
                                   uint32_t*) {
    return 1;
}

// Copies between an area and a buffer, never past either end.
void CopyOut(const std::vector<uint8_t>& area, std::size_t offset, uint8_t* out, std::size_t n) {
    if (offset >= area.size()) return;
    std::memcpy(out, area.data() + offset, std::min(n, area.size() - offset));
}
void CopyIn(std::vector<uint8_t>& area, std::size_t offset, const uint8_t* in, std::size_t n) {
    if (offset >= area.size()) return;
    std::memcpy(area.data() + offset, in, std::min(n, area.size() - offset));
}

}  // namespace

Report Request(uint8_t command, uint8_t length, uint32_t offset) { return MakeRequest(command, length, offset); }

bool BindFake(const FakeHidService& fake) {
    return BindServiceApi(fake.Api(), [](const BindResult&) {}).status == BindStatus::Bound;
}

int LengthOf(const Report& r) { return r[kLengthByte]; }
int OffsetOf(const Report& r) { return r[kOffsetByte] | (r[kOffsetByte + 1] << 8); }

FakeHidService::FakeHidService() {
    ResetServiceLink();
    g_current = this;
    responder = [this](const Report& request, int) { return ModelAnswer(request); };
}

FakeHidService::~FakeHidService() {
    for (auto& t : deliveries_) t.join();
    ResetServiceLink();
    g_current = nullptr;
}

HidServiceApi FakeHidService::Api() const {
    HidServiceApi api;
    api.Init = &FakeInit;
    api.End = &FakeEnd;
    api.Debug = &FakeDebug;
    api.RequestGetDeviceCount = &FakeGetDeviceCount;
    api.DeleteRequestFromUnitId = &FakeDeleteFromUnitId;
    api.DeleteRequestFromHandle = &FakeDeleteFromHandle;
    api.RequestWrite = &FakeRequestWrite;
    api.RequestWriteOne = &FakeWriteOne;
    api.RequestStatusWrite = &FakeRequestStatusWrite;
    api.RequestStatusGet = &FakeStatusGet;
    api.RequestAsyncRead = &FakeAsyncRead;
    api.RequestStatusSetFeature = &FakeSetFeature;
    return api;
}

FakeAnswer FakeHidService::ModelAnswer(const Report& request) {
    std::vector<uint8_t> a(kReportSize, 0);
    std::copy(request.begin(), request.begin() + kPayloadByte, a.begin());
    a[kStatusByte] = 0;
    const std::size_t length = request[kLengthByte];
    const std::size_t offset = request[kOffsetByte] | (request[kOffsetByte + 1] << 8);
    uint8_t* out = a.data() + kPayloadByte;
    const uint8_t* in = request.data() + kPayloadByte;
    switch (request[kCommandByte]) {
        case CMD_READ_INFO: CopyOut(info, 0, out, kInfoSize); break;
        case CMD_WRITE_INFO: CopyIn(info, 0, in, kInfoSize); break;
        case CMD_READ_LIGHTING: CopyOut(lighting, offset, out, kPayloadSize); break;
        case CMD_WRITE_LIGHTING: CopyIn(lighting, offset, in, length); break;
        case CMD_READ_KEYTABLE: CopyOut(keyTables, offset, out, length); break;
        case CMD_WRITE_KEYTABLE: CopyIn(keyTables, offset, in, length); break;
        case CMD_READ_MACROS: CopyOut(macros, offset, out, length); break;
        case CMD_WRITE_MACROS: CopyIn(macros, offset, in, length); break;
        case CMD_READ_DEFAULT_KEYTABLE: CopyOut(defaultKeyTable, offset, out, length); break;
        case CMD_WRITE_KEYCOLORS: CopyIn(keyColors, offset, in, length); break;
        default: break;
    }
    return FakeAnswer{std::move(a), std::chrono::milliseconds(0)};
}

int FakeHidService::OnInit(int) {
    std::lock_guard lock(mutex_);
    ++initCalls_;
    return initResult;
}

int FakeHidService::OnGetDeviceCount(const void*, ServiceCallback, uint32_t, uint32_t identifier) {
    std::lock_guard lock(mutex_);
    countIds_.push_back(identifier);
    return deviceCount;
}

int FakeHidService::OnDelete(uint32_t handle) {
    std::lock_guard lock(mutex_);
    deleted_.push_back(handle);
    return 1;
}

int FakeHidService::OnWriteOne(const void* selector, ServiceCallback callback, uint32_t tag, const void* data,
                               uint32_t length, uint32_t identifier) {
    FakeWrite w;
    std::memcpy(w.report.data(), data, std::min<std::size_t>(length, kReportSize));
    w.length = length;
    w.identifier = identifier;
    w.tag = tag;
    w.callbackPassed = callback != nullptr;
    w.collection = UsageOf(selector);
    w.at = std::chrono::steady_clock::now();
    int index = 0;
    {
        std::lock_guard lock(mutex_);
        index = static_cast<int>(writes_.size());
        writes_.push_back(w);
    }
    if (writeResult <= 0) return writeResult;
    // The boot-mode request gets no answer; everything else goes to the responder.
    if (w.report[kCommandByte] == CMD_ENTER_BOOT) return writeResult;
    FakeAnswer answer = responder(w.report, index);
    if (!answer.bytes) return writeResult;
    if (answer.delay.count() == 0) {
        DeliverOnCtrl(*answer.bytes);
    } else {
        std::lock_guard lock(mutex_);
        deliveries_.emplace_back([this, bytes = *answer.bytes, delay = answer.delay] {
            std::this_thread::sleep_for(delay);
            DeliverOnCtrl(bytes);
        });
    }
    return writeResult;
}

int FakeHidService::OnStatusWrite(const void* selector, ServiceCallback, uint32_t tag, const void* data,
                                  uint32_t length, uint32_t identifier, uint32_t* handle) {
    std::lock_guard lock(mutex_);
    const auto* b = static_cast<const uint8_t*>(data);
    statusWrites_.push_back(
        FakeStatusWrite{UsageOf(selector), tag, std::vector<uint8_t>(b, b + length), identifier, *handle});
    *handle = nextHandle_++;
    return 1;
}

int FakeHidService::OnAsyncRead(const void* selector, ServiceCallback callback, uint32_t tag, uint32_t identifier,
                                uint32_t* handle) {
    std::lock_guard lock(mutex_);
    subscriptions_.push_back(FakeSubscription{UsageOf(selector), tag, identifier, callback, *handle, handle});
    *handle = nextHandle_++;
    return 1;
}

ServiceCallback FakeHidService::CallbackFor(uint32_t tag) const {
    std::lock_guard lock(mutex_);
    for (auto it = subscriptions_.rbegin(); it != subscriptions_.rend(); ++it)
        if (it->tag == tag) return it->callback;
    return nullptr;
}

void FakeHidService::Deliver(uint32_t tag, uint32_t kind, uint32_t countOrState, const uint8_t* data,
                             const ConsumerInfo* consumer) {
    const ServiceCallback callback = CallbackFor(tag);
    if (callback == nullptr) return;
    const ServiceRequestRecord record{tag, countOrState, data, consumer};
    const ServiceNotification notification{kind, 0, &record};
    (void)callback(&notification);
}

void FakeHidService::DeliverOnCtrl(const std::vector<uint8_t>& bytes) {
    Deliver(kTagCtrl, kNotifyData, static_cast<uint32_t>(bytes.size()), bytes.data(), nullptr);
}

void FakeHidService::DeliverStateChange(uint32_t state) { Deliver(kTagCtrl, kNotifyStateChange, state, nullptr, nullptr); }

void FakeHidService::DeliverConsumerCode(uint16_t code) {
    ConsumerInfo info{};
    SetConsumerUsagePointer(info, &code);
    Deliver(kTagCons, kNotifyData, 2, nullptr, &info);
}

std::vector<FakeWrite> FakeHidService::Writes() const {
    std::lock_guard lock(mutex_);
    return writes_;
}
std::vector<FakeSubscription> FakeHidService::Subscriptions() const {
    std::lock_guard lock(mutex_);
    return subscriptions_;
}
std::vector<uint32_t> FakeHidService::DeletedHandles() const {
    std::lock_guard lock(mutex_);
    return deleted_;
}
std::vector<FakeStatusWrite> FakeHidService::StatusWrites() const {
    std::lock_guard lock(mutex_);
    return statusWrites_;
}
int FakeHidService::CountCalls() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(countIds_.size());
}
std::vector<uint32_t> FakeHidService::CountIdentifiers() const {
    std::lock_guard lock(mutex_);
    return countIds_;
}
int FakeHidService::InitCalls() const {
    std::lock_guard lock(mutex_);
    return initCalls_;
}
int FakeHidService::WritesOf(uint8_t command) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(writes_.begin(), writes_.end(),
                                          [command](const FakeWrite& w) { return w.report[kCommandByte] == command; }));
}

}  // namespace kv::test
