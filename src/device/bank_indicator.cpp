// Threads: ToggleGKeyBank runs on the HID service's thread (bank switch events), ResetBankIndicator on the
// binding's thread; g_mutex guards the report and its handle.
#include "device/bank_indicator.h"

#include <mutex>

#include "device/request_id.h"
#include "device/service_link.h"
#include "device/service_notification.h"

namespace kv {
namespace {
std::mutex g_mutex;
std::array<uint8_t, 2> g_report = kBankIndicatorStart;
uint32_t g_handle = 0;
}  // namespace

void ResetBankIndicator() {
    std::lock_guard lock(g_mutex);
    g_report = kBankIndicatorStart;
    g_handle = 0;
}

std::array<uint8_t, 2> BankIndicatorReport() {
    std::lock_guard lock(g_mutex);
    return g_report;
}

int CurrentGKeyBank() {
    std::lock_guard lock(g_mutex);
    return g_report[1] & 1;
}

int ToggleGKeyBank() {
    std::lock_guard lock(g_mutex);
    g_report[1] ^= 1;
    const HidServiceApi& api = ServiceApi();
    if (api.DeleteRequestFromUnitId != nullptr && api.RequestStatusWrite != nullptr) {
        const uint32_t id =
            CallRequestId(kIndicatorSelector, &OnServiceNotification, kTagDel, g_report.data(), g_report.size());
        (void)api.DeleteRequestFromUnitId(g_handle);
        (void)api.RequestStatusWrite(kIndicatorSelector.bytes, &OnServiceNotification, kTagDel, g_report.data(),
                                     static_cast<uint32_t>(g_report.size()), id, &g_handle);
    }
    return g_report[1] & 1;
}

}  // namespace kv
