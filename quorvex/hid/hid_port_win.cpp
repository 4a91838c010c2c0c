// The HID layer on Windows: device interfaces of the HID class from SetupAPI, attributes and caps from the
// HID class driver, and overlapped reads and writes with bounded waits. Each top-level collection of the
// keyboard is its own device interface here, so a handle reads only its own collection's reports.
// Threads: any; a handle's read and write each have their own event, and the backend never runs two reads
// or two writes on one handle at once.
#include <windows.h>

#include <setupapi.h>
// The HID class driver's header declares plain C functions without saying so in some toolchains.
extern "C" {
#include <hidsdi.h>
}

#include <string>
#include <vector>

#include "hid/hid_port.h"

namespace qvx::hid {
namespace {

struct WinDevice {
    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE readEvent = nullptr;
    HANDLE writeEvent = nullptr;
};

std::string ToUtf8(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

std::wstring ToWide(const std::string& text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (n <= 1) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), n);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

// Attributes and caps need no access rights, so even collections the system holds exclusively (the
// keyboard's own boot keyboard collection) can be asked.
HANDLE OpenForQuery(const std::string& id) {
    const std::wstring path = ToWide(id);
    return CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

bool Enumerate(void*, std::vector<std::string>& ids) {
    ids.clear();
    GUID hidGuid;
    HidD_GetHidGuid(&hidGuid);
    HDEVINFO set = SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return false;
    SP_DEVICE_INTERFACE_DATA iface{};
    iface.cbSize = sizeof iface;
    std::vector<unsigned char> detail;
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, i, &iface); ++i) {
        DWORD needed = 0;
        SetupDiGetDeviceInterfaceDetailW(set, &iface, nullptr, 0, &needed, nullptr);
        if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
        detail.assign(needed, 0);
        auto* data = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detail.data());
        data->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!SetupDiGetDeviceInterfaceDetailW(set, &iface, data, needed, nullptr, nullptr)) continue;
        std::string id = ToUtf8(data->DevicePath);
        if (!id.empty()) ids.push_back(std::move(id));
    }
    SetupDiDestroyDeviceInfoList(set);
    return true;
}

bool Attributes(void*, const std::string& id, HidAttributes& out) {
    HANDLE h = OpenForQuery(id);
    if (h == INVALID_HANDLE_VALUE) return false;
    HIDD_ATTRIBUTES a{};
    a.Size = sizeof a;
    const bool ok = HidD_GetAttributes(h, &a) != FALSE;
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
    HIDP_CAPS caps{};
    if (ok) {
        ok = HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS;
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
    return true;
}

void CloseDevice(WinDevice* d) {
    if (d == nullptr) return;
    if (d->file != INVALID_HANDLE_VALUE) CloseHandle(d->file);
    if (d->readEvent != nullptr) CloseHandle(d->readEvent);
    if (d->writeEvent != nullptr) CloseHandle(d->writeEvent);
    delete d;
}

HidDevice Open(void*, const std::string& id) {
    const std::wstring path = ToWide(id);
    auto* d = new WinDevice;
    d->file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    d->readEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    d->writeEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (d->file == INVALID_HANDLE_VALUE || d->readEvent == nullptr || d->writeEvent == nullptr) {
        CloseDevice(d);
        return nullptr;
    }
    return d;
}

// Waits for an overlapped transfer; on time-out it is cancelled and waited for, so the buffer is never
// written after return. Returns the bytes moved, or -1 (failed), or -2 (timed out or cancelled).
long long Finish(HANDLE file, HANDLE event, OVERLAPPED& ov, BOOL started, int timeoutMs) {
    DWORD moved = 0;
    if (!started && GetLastError() != ERROR_IO_PENDING) {
        return GetLastError() == ERROR_OPERATION_ABORTED ? -2 : -1;
    }
    if (started) {
        if (!GetOverlappedResult(file, &ov, &moved, FALSE)) return -1;
        return moved;
    }
    const DWORD waited = WaitForSingleObject(event, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
    if (waited != WAIT_OBJECT_0) CancelIoEx(file, &ov);
    if (GetOverlappedResult(file, &ov, &moved, TRUE)) return moved;  // it may have completed meanwhile
    const DWORD error = GetLastError();
    return error == ERROR_OPERATION_ABORTED ? -2 : -1;
}

int Read(void*, HidDevice device, uint8_t* buffer, std::size_t capacity, int timeoutMs) {
    auto* d = static_cast<WinDevice*>(device);
    OVERLAPPED ov{};
    ov.hEvent = d->readEvent;
    ResetEvent(d->readEvent);
    const BOOL started = ReadFile(d->file, buffer, static_cast<DWORD>(capacity), nullptr, &ov);
    const long long n = Finish(d->file, d->readEvent, ov, started, timeoutMs);
    if (n == -2 || n == 0) return kIoTimedOut;
    return n < 0 ? kIoFailed : static_cast<int>(n);
}

int Write(void*, HidDevice device, const uint8_t* data, std::size_t length, int timeoutMs) {
    auto* d = static_cast<WinDevice*>(device);
    OVERLAPPED ov{};
    ov.hEvent = d->writeEvent;
    ResetEvent(d->writeEvent);
    const BOOL started = WriteFile(d->file, data, static_cast<DWORD>(length), nullptr, &ov);
    const long long n = Finish(d->file, d->writeEvent, ov, started, timeoutMs);
    return n < 0 ? kIoFailed : static_cast<int>(n);
}

int SetFeature(void*, HidDevice device, const uint8_t* data, std::size_t length) {
    auto* d = static_cast<WinDevice*>(device);
    std::vector<uint8_t> copy(data, data + length);  // the driver takes a non-const buffer
    return HidD_SetFeature(d->file, copy.data(), static_cast<ULONG>(copy.size())) ? static_cast<int>(length) : 0;
}

void Cancel(void*, HidDevice device) {
    auto* d = static_cast<WinDevice*>(device);
    CancelIoEx(d->file, nullptr);
}

void Close(void*, HidDevice device) { CloseDevice(static_cast<WinDevice*>(device)); }

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
    return port;
}

}  // namespace qvx::hid
