#include "device/hid_binding.h"

#include <cstdlib>

#include "device/bank_indicator.h"
#include "device/commands.h"
#include "device/device_events.h"
#include "device/exchange.h"
#include "device/service_link.h"

namespace kv {
namespace {

template <typename Fn>
void Resolve(const ExportLookup& lookup, const char* name, Fn& out) {
    out = reinterpret_cast<Fn>(lookup(name));
}

BindResult Fail(BindStatus status, std::string detail, const BindFailureAction& onFailure) {
    BindResult result{status, std::move(detail), 0};
    if (onFailure) onFailure(result);
    return result;
}

// The name of the first null pointer of the table, in the order of kServiceExportNames.
const char* FirstMissingExport(const HidServiceApi& a) {
    const bool present[12] = {
        a.Init != nullptr,
        a.End != nullptr,
        a.Debug != nullptr,
        a.RequestGetDeviceCount != nullptr,
        a.DeleteRequestFromUnitId != nullptr,
        a.DeleteRequestFromHandle != nullptr,
        a.RequestWrite != nullptr,
        a.RequestWriteOne != nullptr,
        a.RequestStatusWrite != nullptr,
        a.RequestStatusGet != nullptr,
        a.RequestAsyncRead != nullptr,
        a.RequestStatusSetFeature != nullptr,
    };
    for (int i = 0; i < 12; ++i)
        if (!present[i]) return kServiceExportNames[i];
    return nullptr;
}

}  // namespace

void EndProcessSilently(const BindResult&) { std::exit(0); }

std::string DescribeBindResult(const BindResult& result) {
    switch (result.status) {
        case BindStatus::Bound: return "the HID service library is bound";
        case BindStatus::LibraryMissing: return "cannot load the HID service library " + result.detail;
        case BindStatus::ExportMissing: return "the HID service library lacks the export " + result.detail;
        case BindStatus::InitFailed: return "the HID service library's Init failed (result " + result.detail + ")";
    }
    return "unknown binding failure";
}

BindResult ResolveServiceExports(const ExportLookup& lookup, HidServiceApi& api) {
    Resolve(lookup, "Init", api.Init);
    Resolve(lookup, "End", api.End);
    Resolve(lookup, "Debug", api.Debug);
    Resolve(lookup, "RequestGetDeviceCount", api.RequestGetDeviceCount);
    Resolve(lookup, "DeleteRequestFromUnitId", api.DeleteRequestFromUnitId);
    Resolve(lookup, "DeleteRequestFromHandle", api.DeleteRequestFromHandle);
    Resolve(lookup, "RequestWrite", api.RequestWrite);
    Resolve(lookup, "RequestWriteOne", api.RequestWriteOne);
    Resolve(lookup, "RequestStatusWrite", api.RequestStatusWrite);
    Resolve(lookup, "RequestStatusGet", api.RequestStatusGet);
    Resolve(lookup, "RequestAsyncRead", api.RequestAsyncRead);
    Resolve(lookup, "RequestStatusSetFeature", api.RequestStatusSetFeature);
    if (const char* missing = FirstMissingExport(api)) return BindResult{BindStatus::ExportMissing, missing, 0};
    return BindResult{};
}

BindResult BindServiceApi(const HidServiceApi& api, const BindFailureAction& onFailure) {
    ClearDeviceProfileCache();
    // A table handed in directly must be as complete as a library would have to be.
    if (const char* missing = FirstMissingExport(api)) return Fail(BindStatus::ExportMissing, missing, onFailure);
    const HidServiceApi& all = api;

    InstallServiceApi(all);
    const int init = all.Init(0);
    if (init <= 0) {
        InstallServiceApi(HidServiceApi{});
        return Fail(BindStatus::InitFailed, std::to_string(init), onFailure);
    }
    ResetBankIndicator();
    SubscribeConsumerEvents();
    // The answer path can run as soon as "CTRL" is subscribed: the slot is ready before.
    ResetExchangeSlot();
    SubscribeAnswers();
    const int count = IsDevicePresent();
    CurrentDeviceEventSink().OnInitialPresence(count);
    return BindResult{BindStatus::Bound, {}, count};
}

}  // namespace kv
