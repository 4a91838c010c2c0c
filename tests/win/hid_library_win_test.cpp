// The distributable folder's Quorvex.dll under Wine: the real library (no trace of the virtual keyboard)
// beside the programs, exactly the twelve exports, and a clean run over the system's HID stack when no
// keyboard is there (Wine lists no HID collection of ours).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "device/hid_service.h"
#include "device/request_id.h"

namespace {

std::filesystem::path DistFolder() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path().parent_path() / L"dist";
}

std::string FileText(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <typename F>
F Bind(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

int KV_SERVICE_CALL Ignore(const kv::ServiceNotification*) { return 1; }

TEST(HidLibraryWin, TheDistributableFolderHoldsTheProgramsAndTheRealLibrary) {
    const std::filesystem::path dist = DistFolder();
    for (const wchar_t* name : {L"Kelvane.exe", L"Tirvane.exe", L"kvtool.exe", L"Quorvex.dll", L"Lang0409.ini"})
        EXPECT_TRUE(std::filesystem::exists(dist / name)) << std::filesystem::path(name).string();
    EXPECT_TRUE(std::filesystem::is_directory(dist / L"Skins"));
    const std::string marker = "KELVANE_VK_";  // the virtual keyboard's settings variables
    EXPECT_NE(FileText(dist.parent_path() / L"bin" / L"Quorvex.dll").find(marker), std::string::npos);
    EXPECT_EQ(FileText(dist / L"Quorvex.dll").find(marker), std::string::npos);
}

TEST(HidLibraryWin, TheProgramThatShipsTakesNoUserFolderFromOutside) {
    // The end-to-end tests give each run a user folder of its own through a test build of the program (in
    // bin/); the program in dist/ runs elevated and must have no such door.
    const std::string variable = "KELVANE_TEST_LOCAL_APPDATA";
    std::string wide;
    for (char c : variable) wide += std::string{c, '\0'};
    const std::string shipped = FileText(DistFolder() / L"Kelvane.exe");
    const std::string testBuild = FileText(DistFolder().parent_path() / L"bin" / L"Kelvane.exe");
    ASSERT_FALSE(shipped.empty());
    EXPECT_EQ(shipped.find(wide), std::string::npos);
    EXPECT_EQ(shipped.find(variable), std::string::npos);
    EXPECT_NE(testBuild.find(wide), std::string::npos);
}

TEST(HidLibraryWin, RunsOverTheSystemsHidStackWithoutAKeyboard) {
    HMODULE module = LoadLibraryW((DistFolder() / L"Quorvex.dll").c_str());
    ASSERT_NE(module, nullptr);
    for (const char* name : kv::kServiceExportNames) EXPECT_NE(GetProcAddress(module, name), nullptr) << name;

    auto init = Bind<kv::FnInit>(module, "Init");
    auto end = Bind<kv::FnEnd>(module, "End");
    auto count = Bind<kv::FnRequestGetDeviceCount>(module, "RequestGetDeviceCount");
    auto writeOne = Bind<kv::FnRequestWriteOne>(module, "RequestWriteOne");
    auto statusWrite = Bind<kv::FnRequestStatusWrite>(module, "RequestStatusWrite");
    auto asyncRead = Bind<kv::FnRequestAsyncRead>(module, "RequestAsyncRead");
    auto cancel = Bind<kv::FnDeleteRequestFromUnitId>(module, "DeleteRequestFromUnitId");
    ASSERT_GT(init(0), 0);

    const kv::Selector vendor = kv::MakeSelector(kv::kVendorCollection);
    const kv::Selector indicator = kv::MakeSelector(kv::kIndicatorCollection);
    EXPECT_EQ(count(vendor.bytes, nullptr, 0, kv::CallRequestId(vendor, nullptr, 0), 0), 0);
    uint8_t report[64] = {0x04};
    EXPECT_EQ(writeOne(vendor.bytes, nullptr, 0, report, 64, kv::CallRequestId(vendor, nullptr, 0, report, 64), 0), 0);
    const uint8_t bank[2] = {0x05, 0x03};
    uint32_t del = 0;
    EXPECT_EQ(statusWrite(indicator.bytes, &Ignore, kv::kTagDel, bank, 2,
                          kv::CallRequestId(indicator, &Ignore, kv::kTagDel, bank, 2), &del),
              0);
    uint32_t ctrl = 0;
    asyncRead(vendor.bytes, &Ignore, kv::kTagCtrl, kv::CallRequestId(vendor, &Ignore, kv::kTagCtrl), &ctrl);
    EXPECT_NE(ctrl, 0u);
    EXPECT_EQ(cancel(ctrl), 1);
    EXPECT_EQ(end(), 1);
    FreeLibrary(module);
}

}  // namespace
