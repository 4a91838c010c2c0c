// Natively the HID service library is libquorvex.so beside the executable, opened by its full path so that
// neither the working directory nor the library search path can supply another one.
#include <dlfcn.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "device/hid_binding.h"

namespace kv {
namespace {

void* g_library = nullptr;

std::filesystem::path ExecutableFolder() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buffer.size())
            return std::filesystem::path(std::string(buffer.data(), static_cast<std::size_t>(n))).parent_path();
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::filesystem::path ServiceLibraryPath() {
    const std::filesystem::path folder = ExecutableFolder();
    if (folder.empty()) return {};
    return folder / "libquorvex.so";
}

BindResult BindHidService(const BindFailureAction& onFailure) {
    const std::filesystem::path path = ServiceLibraryPath();
    void* library = path.empty() ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        BindResult result{BindStatus::LibraryMissing, path.string(), 0};
        if (onFailure) onFailure(result);
        return result;
    }
    HidServiceApi api;
    const BindResult exports = ResolveServiceExports(
        [library](const char* name) { return reinterpret_cast<ServiceProc>(dlsym(library, name)); }, api);
    if (exports.status != BindStatus::Bound) {
        if (onFailure) onFailure(exports);
        return exports;
    }
    g_library = library;
    return BindServiceApi(api, onFailure);
}

std::filesystem::path BoundLibraryFile() {
    if (g_library == nullptr) return {};
    Dl_info info{};
    void* init = dlsym(g_library, "Init");
    if (init == nullptr || dladdr(init, &info) == 0 || info.dli_fname == nullptr) return {};
    return std::filesystem::path(info.dli_fname);
}

}  // namespace kv
