// Binding the HID service library at start-up: load it from the program's own folder, resolve the twelve
// exports by name, Init(0), reset the bank indicator, subscribe "CONS", clear the exchange slot, subscribe
// "CTRL", then hand the keyboard's presence to the registered DeviceEventSink.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "device/hid_service.h"

namespace kv {

enum class BindStatus { Bound, LibraryMissing, ExportMissing, InitFailed };

struct BindResult {
    BindStatus status = BindStatus::Bound;
    std::string detail;   // the library's path, the missing export's name, or Init's result
    int deviceCount = 0;  // when bound: the vendor collection's device count
};

// What happens when the binding fails. The program ends silently with exit code 0 (EndProcessSilently);
// tools print the reason; tests record it. When the action returns, the binding returns the failure.
using BindFailureAction = std::function<void(const BindResult&)>;
[[noreturn]] void EndProcessSilently(const BindResult& result);

// One sentence naming the failure ("the HID service library ... lacks the export RequestStatusGet").
[[nodiscard]] std::string DescribeBindResult(const BindResult& result);

// An export's address as the platform returns it, or null.
using ServiceProc = void (*)();
using ExportLookup = std::function<ServiceProc(const char* name)>;

// Resolves the twelve exports in order; ExportMissing names the first one that is absent.
[[nodiscard]] BindResult ResolveServiceExports(const ExportLookup& lookup, HidServiceApi& api);

// Every step after resolving the exports: empties the profile cache, installs the table, Init(0), bank
// indicator, "CONS", exchange slot, "CTRL", device count to the sink. Tests bind an in-process table with it.
BindResult BindServiceApi(const HidServiceApi& api, const BindFailureAction& onFailure = EndProcessSilently);

// --- This platform's loader (hid_binding_win.cpp / hid_binding_posix.cpp) --------------------------------
// The full path of the library beside the running executable: "Quorvex.dll" on Windows, "libquorvex.so" natively.
[[nodiscard]] std::filesystem::path ServiceLibraryPath();
// The whole binding sequence, with the library loaded from ServiceLibraryPath() only. The library is never
// unloaded and End is never called: the process exit releases it.
BindResult BindHidService(const BindFailureAction& onFailure = EndProcessSilently);
// The file the system actually mapped for the bound library (empty when nothing is bound).
[[nodiscard]] std::filesystem::path BoundLibraryFile();

}  // namespace kv
