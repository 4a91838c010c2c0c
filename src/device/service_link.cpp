// Threads: the function table and the "CONS"/"CTRL" handles are written by the binding on the main window's
// thread before the first subscription exists (and by tests between cases); afterwards they are only read.
#include "device/service_link.h"

#include "device/bank_indicator.h"
#include "device/commands.h"
#include "device/exchange.h"
#include "device/request_id.h"
#include "device/service_notification.h"

namespace kv {
namespace {

HidServiceApi g_api;
uint32_t g_consHandle = 0;
uint32_t g_ctrlHandle = 0;

void Subscribe(const Selector& selector, uint32_t tag, uint32_t& handle) {
    if (g_api.DeleteRequestFromUnitId == nullptr || g_api.RequestAsyncRead == nullptr) return;
    const uint32_t id = CallRequestId(selector, &OnServiceNotification, tag);
    (void)g_api.DeleteRequestFromUnitId(handle);
    (void)g_api.RequestAsyncRead(selector.bytes, &OnServiceNotification, tag, id, &handle);
}

}  // namespace

const HidServiceApi& ServiceApi() { return g_api; }

bool IsServiceBound() { return g_api.Init != nullptr; }

void InstallServiceApi(const HidServiceApi& api) { g_api = api; }

void ResetServiceLink() {
    g_api = HidServiceApi{};
    g_consHandle = 0;
    g_ctrlHandle = 0;
    ResetBankIndicator();
    ResetExchangeSlot();
    ClearDeviceProfileCache();
}

void SubscribeConsumerEvents() { Subscribe(kConsumerSelector, kTagCons, g_consHandle); }

void SubscribeAnswers() { Subscribe(kVendorSelector, kTagCtrl, g_ctrlHandle); }

uint32_t ConsumerSubscriptionHandle() { return g_consHandle; }

uint32_t AnswerSubscriptionHandle() { return g_ctrlHandle; }

}  // namespace kv
