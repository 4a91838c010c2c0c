#include "hid/hidapi_layer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "device/hid_service.h"
#include "hid/report_descriptor.h"

namespace qvx::hid {
namespace {

HidError& ThreadError() {
    thread_local HidError error;
    return error;
}

// hidapi passes the system's errno on from the failed call.
void NoteFailure(HidFailure when, int code) {
    HidFailure f = when;
    switch (code) {
        case ENODEV: case ENXIO: case ENOENT: case EBADF: case ESHUTDOWN: f = HidFailure::Gone; break;
        case EINVAL: case EMSGSIZE: case EFAULT: case EACCES: case EPERM: f = HidFailure::Refused; break;
        case EBUSY: f = HidFailure::SharingViolation; break;
        case ETIMEDOUT: f = HidFailure::TimedOut; break;
        default: break;
    }
    ThreadError() = HidError{f, static_cast<uint32_t>(code), false};
}

std::string CollectionId(const char* path, unsigned short usagePage, unsigned short usage) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "|%04X:%04X", usagePage, usage);
    return std::string(path) + suffix;
}

// Report ids and lengths of the entry's collection from its node's descriptor. Without a readable
// descriptor the lengths stay 0 (reports go out as given) and every report read counts as the collection's.
void DescribeFrom(const std::vector<DescribedCollection>& node, HidCaps& caps) {
    for (const DescribedCollection& c : node) {
        if (c.usagePage != caps.usagePage || c.usage != caps.usage) continue;
        caps.inputReportLength = c.inputReportLength;
        caps.outputReportLength = c.outputReportLength;
        caps.featureReportLength = c.featureReportLength;
        caps.inputValues.clear();
        for (const DescribedField& f : c.inputFields)
            caps.inputValues.push_back(HidValueField{f.reportId, f.usagePage, f.bitSize, f.reportCount});
        if (node.size() > 1) {
            caps.inputReportIds = c.inputReportIds;
            // A node shared with other collections whose reports are all numbered: a collection without
            // input reports of its own gets none (no numbered report has id 0).
            if (caps.inputReportIds.empty()) caps.inputReportIds.push_back(0);
        }
        return;
    }
}

}  // namespace

bool ReadHidrawDescriptor(const char* path, std::vector<uint8_t>& out) {
    out.clear();
    if (path == nullptr) return false;
    const std::filesystem::path node = std::filesystem::path(path).filename();
    std::ifstream in(std::filesystem::path("/sys/class/hidraw") / node / "device" / "report_descriptor",
                     std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !out.empty();
}

HidPort HidapiLayer::Port() {
    HidPort port;
    port.context = this;
    port.enumerate = &HidapiLayer::Enumerate;
    port.attributes = &HidapiLayer::Attributes;
    port.caps = &HidapiLayer::Caps;
    port.open = &HidapiLayer::Open;
    port.read = &HidapiLayer::Read;
    port.write = &HidapiLayer::Write;
    port.setFeature = &HidapiLayer::SetFeature;
    port.cancel = &HidapiLayer::Cancel;
    port.close = &HidapiLayer::Close;
    port.lastError = &HidapiLayer::LastError;
    return port;
}

std::string HidapiLayer::PathOf(const std::string& id) {
    const std::size_t bar = id.rfind('|');
    return bar == std::string::npos ? id : id.substr(0, bar);
}

bool HidapiLayer::Enumerate(void* context, std::vector<std::string>& ids) {
    auto* self = static_cast<HidapiLayer*>(context);
    ids.clear();
    std::lock_guard<std::mutex> calls(self->callMu_);
    // Only this keyboard's collections: nothing else is opened or even looked at.
    hid_device_info* list = self->calls_.enumerate(kv::kVendorId, kv::kProductId);
    std::map<std::string, Entry> entries;
    std::map<std::string, std::vector<DescribedCollection>> nodes;  // each node's descriptor, read once
    for (const hid_device_info* d = list; d != nullptr; d = d->next) {
        if (d->path == nullptr) continue;
        Entry e;
        e.path = d->path;
        e.attributes.vendorId = d->vendor_id;
        e.attributes.productId = d->product_id;
        e.attributes.version = d->release_number;
        e.caps.usagePage = d->usage_page;
        e.caps.usage = d->usage;
        auto node = nodes.find(e.path);
        if (node == nodes.end()) {
            std::vector<uint8_t> descriptor;
            std::vector<DescribedCollection> described;
            if (self->calls_.readDescriptor != nullptr && self->calls_.readDescriptor(d->path, descriptor))
                (void)ParseReportDescriptor(descriptor.data(), descriptor.size(), described);
            node = nodes.emplace(e.path, std::move(described)).first;
        }
        DescribeFrom(node->second, e.caps);
        std::string id = CollectionId(d->path, d->usage_page, d->usage);
        if (entries.emplace(id, std::move(e)).second) ids.push_back(std::move(id));
    }
    if (list != nullptr) self->calls_.freeEnumeration(list);
    // Some hidapi versions list a hidraw node once, under its first collection only: the node's other
    // collections come from its descriptor, with the node's attributes.
    for (const auto& [path, described] : nodes) {
        const auto first =
            std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.second.path == path; });
        if (first == entries.end()) continue;
        const HidAttributes attributes = first->second.attributes;
        for (const DescribedCollection& c : described) {
            std::string id = CollectionId(path.c_str(), c.usagePage, c.usage);
            if (entries.count(id) != 0) continue;
            Entry e;
            e.path = path;
            e.attributes = attributes;
            e.caps.usagePage = c.usagePage;
            e.caps.usage = c.usage;
            DescribeFrom(described, e.caps);
            entries.emplace(id, std::move(e));
            ids.push_back(std::move(id));
        }
    }
    std::lock_guard<std::mutex> lock(self->mu_);
    self->entries_ = std::move(entries);
    return true;  // an empty list is a keyboard that is not there
}

bool HidapiLayer::Attributes(void* context, const std::string& id, HidAttributes& out) {
    auto* self = static_cast<HidapiLayer*>(context);
    std::lock_guard<std::mutex> lock(self->mu_);
    auto it = self->entries_.find(id);
    if (it == self->entries_.end()) return false;
    out = it->second.attributes;
    return true;
}

bool HidapiLayer::Caps(void* context, const std::string& id, HidCaps& out) {
    auto* self = static_cast<HidapiLayer*>(context);
    std::lock_guard<std::mutex> lock(self->mu_);
    auto it = self->entries_.find(id);
    if (it == self->entries_.end()) return false;
    out = it->second.caps;
    return true;
}

HidDevice HidapiLayer::Open(void* context, const std::string& id) {
    auto* self = static_cast<HidapiLayer*>(context);
    std::lock_guard<std::mutex> calls(self->callMu_);
    errno = 0;
    hid_device* device = self->calls_.openPath(PathOf(id).c_str());
    if (device == nullptr) NoteFailure(HidFailure::Other, errno);
    return device;
}

int HidapiLayer::Read(void* context, HidDevice device, uint8_t* buffer, std::size_t capacity, int timeoutMs) {
    auto* self = static_cast<HidapiLayer*>(context);
    errno = 0;
    const int n = self->calls_.readTimeout(static_cast<hid_device*>(device), buffer, capacity, timeoutMs);
    if (n < 0) {
        NoteFailure(HidFailure::Gone, errno);  // hidraw fails a read when the device has gone
        return kIoFailed;
    }
    if (n == 0) ThreadError() = HidError{HidFailure::TimedOut, 0, false};
    return n;
}

// hidraw's write returns when the report has gone to the device or the kernel gave up on it.
int HidapiLayer::Write(void* context, HidDevice device, const uint8_t* data, std::size_t length, int /*timeoutMs*/) {
    auto* self = static_cast<HidapiLayer*>(context);
    errno = 0;
    const int n = self->calls_.write(static_cast<hid_device*>(device), data, length);
    if (n < 0) NoteFailure(HidFailure::Other, errno);
    return n < 0 ? kIoFailed : n;
}

int HidapiLayer::SetFeature(void* context, HidDevice device, const uint8_t* data, std::size_t length) {
    auto* self = static_cast<HidapiLayer*>(context);
    errno = 0;
    const int n = self->calls_.sendFeatureReport(static_cast<hid_device*>(device), data, length);
    if (n <= 0) NoteFailure(HidFailure::Other, errno);
    return n;
}

// hidapi cannot interrupt a read; readers wait in short slices instead.
void HidapiLayer::Cancel(void* /*context*/, HidDevice /*device*/) {}

void HidapiLayer::Close(void* context, HidDevice device) {
    auto* self = static_cast<HidapiLayer*>(context);
    std::lock_guard<std::mutex> calls(self->callMu_);
    if (device != nullptr) self->calls_.close(static_cast<hid_device*>(device));
}

HidError HidapiLayer::LastError(void*) { return ThreadError(); }

HidPort SystemHidPort() {
    // hid_init is not thread-safe: it runs once, here, before any thread uses hidapi.
    static HidapiLayer* layer = [] {
        (void)hid_init();
        HidapiCalls calls;
        calls.enumerate = &hid_enumerate;
        calls.freeEnumeration = &hid_free_enumeration;
        calls.openPath = &hid_open_path;
        calls.readTimeout = &hid_read_timeout;
        calls.write = &hid_write;
        calls.sendFeatureReport = &hid_send_feature_report;
        calls.close = &hid_close;
        calls.readDescriptor = &ReadHidrawDescriptor;
        return new HidapiLayer(calls);  // lives as long as the process: readers may run until exit
    }();
    return layer->Port();
}

}  // namespace qvx::hid
