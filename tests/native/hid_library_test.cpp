// The distributable folder's libquorvex.so: the real library (no trace of the virtual keyboard), beside
// kvtool and the files that ship, with exactly the twelve exports, and calm when no keyboard is there.
#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "device/hid_service.h"
#include "device/request_id.h"

namespace {

std::filesystem::path BuildFolder() {
    char path[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    return std::filesystem::path(std::string(path, static_cast<std::size_t>(n))).parent_path().parent_path();
}

std::string FileText(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int KV_SERVICE_CALL Ignore(const kv::ServiceNotification*) { return 1; }

TEST(HidLibrary, TheDistributableFolderHoldsTheRealLibraryBesideKvtool) {
    const std::filesystem::path dist = BuildFolder() / "dist";
    EXPECT_TRUE(std::filesystem::exists(dist / "kvtool"));
    EXPECT_TRUE(std::filesystem::exists(dist / "Lang0409.ini"));
    EXPECT_TRUE(std::filesystem::is_directory(dist / "Skins"));
    // The virtual keyboard reads its settings from KELVANE_VK_* variables; the real library has none.
    const std::string marker = "KELVANE_VK_";
    EXPECT_NE(FileText(BuildFolder() / "bin" / "libquorvex.so").find(marker), std::string::npos);
    EXPECT_EQ(FileText(dist / "libquorvex.so").find(marker), std::string::npos);
}

TEST(HidLibrary, ExportsTheTwelveCallsAndAnswersWithoutAKeyboard) {
    void* lib = dlopen((BuildFolder() / "dist" / "libquorvex.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    for (const char* name : kv::kServiceExportNames) EXPECT_NE(dlsym(lib, name), nullptr) << name;
    EXPECT_EQ(dlsym(lib, "_ZN3qvx13CreateBackendEv"), nullptr);  // nothing else leaves the library

    auto init = reinterpret_cast<kv::FnInit>(dlsym(lib, "Init"));
    auto end = reinterpret_cast<kv::FnEnd>(dlsym(lib, "End"));
    auto count = reinterpret_cast<kv::FnRequestGetDeviceCount>(dlsym(lib, "RequestGetDeviceCount"));
    auto writeOne = reinterpret_cast<kv::FnRequestWriteOne>(dlsym(lib, "RequestWriteOne"));
    auto asyncRead = reinterpret_cast<kv::FnRequestAsyncRead>(dlsym(lib, "RequestAsyncRead"));
    auto cancel = reinterpret_cast<kv::FnDeleteRequestFromUnitId>(dlsym(lib, "DeleteRequestFromUnitId"));
    ASSERT_TRUE(init && end && count && writeOne && asyncRead && cancel);

    ASSERT_GT(init(0), 0);
    const kv::Selector vendor = kv::MakeSelector(kv::kVendorCollection);
    const int present = count(vendor.bytes, nullptr, 0, kv::CallRequestId(vendor, nullptr, 0, nullptr, 0), 0);
    EXPECT_GE(present, 0);
    if (present == 0) {  // the usual case on a build machine: a command has nowhere to go
        uint8_t report[64] = {0x04};
        EXPECT_EQ(writeOne(vendor.bytes, nullptr, 0, report, 64,
                           kv::CallRequestId(vendor, nullptr, 0, report, sizeof report), 0),
                  0);
    }
    uint32_t handle = 0;
    asyncRead(vendor.bytes, &Ignore, kv::kTagCtrl, kv::CallRequestId(vendor, &Ignore, kv::kTagCtrl, nullptr, 0),
              &handle);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(cancel(handle), 1);
    EXPECT_EQ(end(), 1);
}

}  // namespace
