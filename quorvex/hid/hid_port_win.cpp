// The HID layer on Windows: device interfaces of the HID class from SetupAPI, attributes and caps from the
// HID class driver, and overlapped reads and writes with bounded waits. Each top-level collection of the
// keyboard is its own device interface here, so a handle reads only its own collection's reports.
// Only interfaces whose path names the keyboard's vendor and product, and that are active, are listed:
// nothing else is ever opened. A transfer that times out (or a read that is woken) is cancelled and
// waited for a short while; if the driver still has not finished it, its OVERLAPPED and buffer go to
// gPending, which frees them once the driver lets go, and the handle is dead from then on.
// Threads: any; a handle's read and write each have their own transfer, the backend never runs two reads
// or two writes on one handle at once, and Cancel (another thread) only signals the handle's wake event.
// The reason for a failure is kept per thread for lastError. Notifications, the exchange lock and the log
// are hid_system_win.cpp's.
#include <windows.h>

#include <setupapi.h>
// The HID class driver's header declares plain C functions without saying so in some toolchains.
extern "C" {
#include <hidsdi.h>
}

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "hid/collection_match.h"
#include "hid/hid_port.h"
#include "hid/hid_system_win.h"
#include "hid/pending_transfers_win.h"

namespace qvx::hid {
namespace {

constexpr DWORD kCancelWaitMs = 500;  // longest wait for the driver to finish a cancelled transfer
constexpr DWORD kErrorNoSuchDevice = 433;  // ERROR_NO_SUCH_DEVICE, missing from some SDK headers

PendingTransfers gPending;

struct WinDevice {
    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE wake = nullptr;  // auto reset: Cancel sets it, a waiting read ends
    std::unique_ptr<WinTransfer> read = std::make_unique<WinTransfer>();
    std::unique_ptr<WinTransfer> write = std::make_unique<WinTransfer>();
    std::atomic<bool> dead{false};  // a cancelled transfer is still pending: nothing more goes through it
    void* watch = nullptr;          // its query-remove registration
};

HidError& ThreadError() {
    thread_local HidError error;
    return error;
}

// What the system's error says about the call, for the backend's choice to reopen, wait or give up.
HidFailure Classify(DWORD code, HidFailure otherwise) {
    switch (code) {
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_INVALID_HANDLE:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case kErrorNoSuchDevice:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_DEVICE_REMOVED:
            return HidFailure::Gone;
        case ERROR_INVALID_PARAMETER:
        case ERROR_INVALID_USER_BUFFER:
        case ERROR_INVALID_FUNCTION:
        case ERROR_NOT_SUPPORTED:
        case ERROR_INSUFFICIENT_BUFFER:
        case ERROR_BAD_LENGTH:
        case ERROR_ACCESS_DENIED:
            return HidFailure::Refused;
        case ERROR_SHARING_VIOLATION:
            return HidFailure::SharingViolation;
        case ERROR_OPERATION_ABORTED:
        case ERROR_TIMEOUT:
        case WAIT_TIMEOUT:
            return HidFailure::TimedOut;
        default:
            return otherwise;
    }
}

void Note(DWORD code, HidFailure otherwise = HidFailure::Other, bool dead = false) {
    ThreadError() = HidError{Classify(code, otherwise), static_cast<uint32_t>(code), dead};
}

// Attributes and caps need no access rights, so even collections the system holds exclusively (the
// keyboard's own boot keyboard collection) can be asked.
HANDLE OpenForQuery(const std::string& id) {
    const std::wstring path = win::Widen(id);
    const HANDLE h =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) Note(GetLastError());
    return h;
}

// Only a listing that ends with ERROR_NO_MORE_ITEMS is complete; any other error (a device going away in
// the middle, the system busy while waking) fails the whole listing, and the backend keeps what it knew.
bool Enumerate(void*, std::vector<std::string>& ids) {
    ids.clear();
    GUID hidGuid;
    HidD_GetHidGuid(&hidGuid);
    HDEVINFO set = SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) {
        Note(GetLastError());
        return false;
    }
    SP_DEVICE_INTERFACE_DATA iface{};
    iface.cbSize = sizeof iface;
    std::vector<unsigned char> detail;
    bool complete = false;
    for (DWORD i = 0;; ++i) {
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, i, &iface)) {
            const DWORD error = GetLastError();
            complete = error == ERROR_NO_MORE_ITEMS;
            if (!complete) Note(error);
            break;
        }
        if ((iface.Flags & SPINT_ACTIVE) == 0) continue;  // disabled or being removed: not opened
        DWORD needed = 0;
        if (!SetupDiGetDeviceInterfaceDetailW(set, &iface, nullptr, 0, &needed, nullptr) &&
            GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            Note(GetLastError());
            break;
        }
        if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
        detail.assign(needed, 0);
        auto* data = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detail.data());
        data->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!SetupDiGetDeviceInterfaceDetailW(set, &iface, data, needed, nullptr, nullptr)) {
            Note(GetLastError());
            break;
        }
        std::string id = win::CanonicalId(data->DevicePath);
        if (!id.empty() && PathNamesKeyboard(id)) ids.push_back(std::move(id));
    }
    SetupDiDestroyDeviceInfoList(set);
    if (!complete) ids.clear();
    return complete;
}

bool Attributes(void*, const std::string& id, HidAttributes& out) {
    HANDLE h = OpenForQuery(id);
    if (h == INVALID_HANDLE_VALUE) return false;
    HIDD_ATTRIBUTES a{};
    a.Size = sizeof a;
    const bool ok = HidD_GetAttributes(h, &a) != FALSE;
    if (!ok) Note(GetLastError());
    CloseHandle(h);
    if (!ok) return false;
    out.vendorId = a.VendorID;
    out.productId = a.ProductID;
    out.version = a.VersionNumber;
    return true;
}

bool Caps(void*, const std::string& id, HidCaps& out) {
    HANDLE h = OpenForQuery(id);
    if (h == INVALID_HANDLE_VALUE) return false;
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    bool ok = HidD_GetPreparsedData(h, &preparsed) != FALSE;
    if (!ok) Note(GetLastError());
    HIDP_CAPS caps{};
    std::vector<HIDP_VALUE_CAPS> values;
    std::vector<HIDP_BUTTON_CAPS> buttons;
    if (ok) {
        ok = HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS;
        if (ok && caps.NumberInputValueCaps > 0) {
            values.resize(caps.NumberInputValueCaps);
            USHORT count = caps.NumberInputValueCaps;
            if (HidP_GetValueCaps(HidP_Input, values.data(), &count, preparsed) == HIDP_STATUS_SUCCESS)
                values.resize(count);
            else
                values.clear();
        }
        if (ok && caps.NumberInputButtonCaps > 0) {
            buttons.resize(caps.NumberInputButtonCaps);
            USHORT count = caps.NumberInputButtonCaps;
            if (HidP_GetButtonCaps(HidP_Input, buttons.data(), &count, preparsed) == HIDP_STATUS_SUCCESS)
                buttons.resize(count);
            else
                buttons.clear();
        }
        if (!ok) Note(ERROR_INVALID_DATA);
        HidD_FreePreparsedData(preparsed);
    }
    CloseHandle(h);
    if (!ok) return false;
    out.usagePage = caps.UsagePage;
    out.usage = caps.Usage;
    out.inputReportLength = caps.InputReportByteLength;
    out.outputReportLength = caps.OutputReportByteLength;
    out.featureReportLength = caps.FeatureReportByteLength;
    out.inputReportIds.clear();
    out.inputValues.clear();
    for (const HIDP_VALUE_CAPS& v : values)
        out.inputValues.push_back(HidValueField{v.ReportID, v.UsagePage, v.BitSize, v.ReportCount});
    // A usage array (a consumer collection often declares its usage so) is a button capability without a
    // size; when it is the collection's only field, it fills its report after the id.
    for (const HIDP_BUTTON_CAPS& b : buttons)
        if (!b.IsAlias && (b.BitField & 0x02) == 0) out.inputValues.push_back(HidValueField{b.ReportID, b.UsagePage, 0, 1});
    if (values.empty() && out.inputValues.size() == 1 && caps.InputReportByteLength > 1)
        out.inputValues.front().bitSize = static_cast<uint16_t>((caps.InputReportByteLength - 1) * 8);
    return true;
}

void CloseDevice(WinDevice* d) {
    if (d == nullptr) return;
    win::UnwatchHandle(d->watch);
    if (d->file != INVALID_HANDLE_VALUE) CloseHandle(d->file);
    if (d->wake != nullptr) CloseHandle(d->wake);
    delete d;  // its transfers are not pending: each call waited for its own, or handed it to gPending
}

// Never exclusive: other programs (kvtool beside the program) open the same collections. A sharing
// violation means another program holds it without sharing.
HidDevice OpenWith(const std::string& id, DWORD access, int* why) {
    (void)gPending.Reap();
    *why = kOpenFailed;
    const std::wstring path = win::Widen(id);
    auto* d = new WinDevice;
    d->file = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OVERLAPPED, nullptr);
    if (d->file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        Note(error);
        if (error == ERROR_SHARING_VIOLATION) *why = kOpenHeldByOther;
        win::LogSystemError(std::string("opening ") + id +
                                (access == GENERIC_READ ? " for reading" : access == GENERIC_WRITE ? " for writing" : ""),
                            error);
    }
    d->wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (d->file == INVALID_HANDLE_VALUE || d->wake == nullptr || d->read->event == nullptr ||
        d->write->event == nullptr) {
        if (d->file != INVALID_HANDLE_VALUE) Note(ERROR_NOT_ENOUGH_MEMORY);
        CloseDevice(d);
        return nullptr;
    }
    d->watch = win::WatchHandle(d->file, id);
    *why = 0;
    return d;
}

HidDevice Open(void*, const std::string& id) {
    int why = 0;
    return OpenWith(id, GENERIC_READ | GENERIC_WRITE, &why);
}

HidDevice OpenFor(void*, const std::string& id, HidAccess access, int* why) {
    return OpenWith(id, access == HidAccess::Read ? GENERIC_READ : GENERIC_WRITE, why);
}

void Flush(void*, HidDevice device) { (void)HidD_FlushQueue(static_cast<WinDevice*>(device)->file); }

// One overlapped transfer on the handle: bytes moved, kIoTimedOut (time-out, or a read woken by Cancel),
// or kIoFailed. The transfer's own buffer is what the system reads into or writes from, so the caller's
// buffer is never touched after return, even when the driver finishes the transfer late.
int Transfer(WinDevice* d, std::unique_ptr<WinTransfer>& slot, bool reading, uint8_t* readBuffer,
             const uint8_t* data, std::size_t length, int timeoutMs) {
    if (d->dead || slot == nullptr) {
        Note(ERROR_INVALID_HANDLE);
        return kIoFailed;
    }
    WinTransfer& t = *slot;
    ResetEvent(t.event);
    t.ov = OVERLAPPED{};
    t.ov.hEvent = t.event;
    if (reading) t.buffer.assign(length, 0);
    else t.buffer.assign(data, data + length);
    const BOOL started = reading ? ReadFile(d->file, t.buffer.data(), static_cast<DWORD>(length), nullptr, &t.ov)
                                 : WriteFile(d->file, t.buffer.data(), static_cast<DWORD>(length), nullptr, &t.ov);
    if (!started && GetLastError() != ERROR_IO_PENDING) {
        const DWORD error = GetLastError();
        Note(error);
        return error == ERROR_OPERATION_ABORTED ? kIoTimedOut : kIoFailed;
    }
    const HANDLE waits[2] = {t.event, d->wake};
    const DWORD waited = WaitForMultipleObjects(reading ? 2 : 1, waits, FALSE,
                                                timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
    if (waited != WAIT_OBJECT_0) {
        CancelIoEx(d->file, &t.ov);
        if (WaitForSingleObject(t.event, kCancelWaitMs) != WAIT_OBJECT_0) {
            // The driver keeps the cancelled transfer: it may still write into its buffer or OVERLAPPED.
            gPending.Adopt(std::move(slot));
            d->dead = true;
            Note(ERROR_TIMEOUT, HidFailure::TimedOut, true);
            return kIoTimedOut;
        }
    }
    DWORD moved = 0;
    if (GetOverlappedResult(d->file, &t.ov, &moved, FALSE)) {  // it may have completed meanwhile
        if (reading) {
            if (moved > 0) std::memcpy(readBuffer, t.buffer.data(), std::min<std::size_t>(moved, t.buffer.size()));
            if (moved == 0) Note(ERROR_TIMEOUT, HidFailure::TimedOut);
            return static_cast<int>(moved);
        }
        // A finished write sent the whole report; the count is passed on as the system gave it (Wine counts
        // one byte fewer for a numbered report), or the report's length when the system gave none.
        return moved > 0 ? static_cast<int>(moved) : static_cast<int>(length);
    }
    const DWORD error = GetLastError();
    if (error == ERROR_OPERATION_ABORTED) {
        Note(waited == WAIT_TIMEOUT ? ERROR_TIMEOUT : error, HidFailure::TimedOut);
        return kIoTimedOut;
    }
    Note(error);
    return kIoFailed;
}

int Read(void*, HidDevice device, uint8_t* buffer, std::size_t capacity, int timeoutMs) {
    auto* d = static_cast<WinDevice*>(device);
    return Transfer(d, d->read, true, buffer, nullptr, capacity, timeoutMs);
}

int Write(void*, HidDevice device, const uint8_t* data, std::size_t length, int timeoutMs) {
    auto* d = static_cast<WinDevice*>(device);
    return Transfer(d, d->write, false, nullptr, data, length, timeoutMs);
}

int SetFeature(void*, HidDevice device, const uint8_t* data, std::size_t length) {
    auto* d = static_cast<WinDevice*>(device);
    std::vector<uint8_t> copy(data, data + length);  // the driver takes a non-const buffer
    if (HidD_SetFeature(d->file, copy.data(), static_cast<ULONG>(copy.size()))) return static_cast<int>(length);
    Note(GetLastError());
    return 0;
}

// The wake event stays set until a read takes it, so a cancel that comes just before the read starts still
// ends that read.
void Cancel(void*, HidDevice device) { SetEvent(static_cast<WinDevice*>(device)->wake); }

void Close(void*, HidDevice device) {
    CloseDevice(static_cast<WinDevice*>(device));
    (void)gPending.Reap();
}

HidError LastError(void*) { return ThreadError(); }

}  // namespace

HidPort SystemHidPort() {
    HidPort port;
    port.enumerate = &Enumerate;
    port.attributes = &Attributes;
    port.caps = &Caps;
    port.open = &Open;
    port.read = &Read;
    port.write = &Write;
    port.setFeature = &SetFeature;
    port.cancel = &Cancel;
    port.close = &Close;
    port.lastError = &LastError;
    port.cancelEndsRead = true;
    port.openFor = &OpenFor;
    port.flush = &Flush;
    port.watch = [](void*, HidEventSink sink, void* sinkContext) { return win::WatchSystem(sink, sinkContext); };
    port.unwatch = [](void*) { win::UnwatchSystem(); };
    port.lockExchange = [](void*, int timeoutMs) { return win::LockExchange(timeoutMs); };
    port.unlockExchange = [](void*) { win::UnlockExchange(); };
    port.setLogLevel = [](void*, int level) { win::SetLogLevel(level); };
    port.log = [](void*, const std::string& line) { win::LogLine(line); };
    return port;
}

}  // namespace qvx::hid
