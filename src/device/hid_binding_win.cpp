// On Windows the HID service library is "Quorvex.dll" in the program's own folder. The program runs with
// administrator rights, so it is loaded by its full path, and the library's own dependencies are looked for
// only in its folder and in System32: the working directory and the search path never supply a library.
#include <windows.h>

#include <string>
#include <vector>

#include "device/hid_binding.h"

namespace kv {
namespace {

HMODULE g_library = nullptr;

std::filesystem::path ModuleFile(HMODULE module) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return std::filesystem::path(std::wstring(buffer.data(), n));
        buffer.resize(buffer.size() * 2);
    }
}

std::string Utf8(const std::filesystem::path& path) {
    const std::wstring& w = path.native();
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

std::filesystem::path ServiceLibraryPath() {
    const std::filesystem::path exe = ModuleFile(nullptr);
    if (exe.empty()) return {};
    return exe.parent_path() / L"Quorvex.dll";
}

BindResult BindHidService(const BindFailureAction& onFailure) {
    const std::filesystem::path path = ServiceLibraryPath();
    HMODULE library = nullptr;
    if (!path.empty() && path.is_absolute())
        library = LoadLibraryExW(path.c_str(), nullptr,
                                 LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (library == nullptr) {
        BindResult result{BindStatus::LibraryMissing, Utf8(path), 0};
        if (onFailure) onFailure(result);
        return result;
    }
    HidServiceApi api;
    const BindResult exports = ResolveServiceExports(
        [library](const char* name) { return reinterpret_cast<ServiceProc>(GetProcAddress(library, name)); },
        api);
    if (exports.status != BindStatus::Bound) {
        if (onFailure) onFailure(exports);
        return exports;
    }
    g_library = library;
    return BindServiceApi(api, onFailure);
}

std::filesystem::path BoundLibraryFile() {
    if (g_library == nullptr) return {};
    return ModuleFile(g_library);
}

}  // namespace kv
