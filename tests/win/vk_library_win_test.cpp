// Quorvex.dll, the Windows build of the virtual keyboard: loaded from the test program's folder as the
// program loads it, with exactly the twelve exports, answering commands, driven over its named pipe.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "control_client.h"
#include "device/hid_service.h"
#include "device/request_id.h"

namespace {

struct Event {
    uint32_t kind;
    uint32_t tag;
    uint32_t countOrState;
    std::vector<uint8_t> data;
};

std::mutex gMu;
std::condition_variable gCv;
std::deque<Event> gEvents;

int KV_SERVICE_CALL Callback(const kv::ServiceNotification* n) {
    Event e{n->kind, n->request->tag, n->request->countOrState, {}};
    if (n->kind == kv::kNotifyData) e.data.assign(n->request->data, n->request->data + n->request->countOrState);
    std::lock_guard<std::mutex> lock(gMu);
    gEvents.push_back(std::move(e));
    gCv.notify_all();
    return 1;
}

std::optional<Event> WaitEvent(uint32_t kind, uint32_t tag) {
    std::unique_lock<std::mutex> lock(gMu);
    std::optional<Event> found;
    gCv.wait_for(lock, std::chrono::seconds(5), [&] {
        for (auto it = gEvents.begin(); it != gEvents.end(); ++it) {
            if (it->kind == kind && it->tag == tag) {
                found = std::move(*it);
                gEvents.erase(it);
                return true;
            }
        }
        return false;
    });
    return found;
}

std::filesystem::path ExeFolder() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path();
}

// The names in a loaded module's export table, read from its PE headers.
std::vector<std::string> ExportedNames(HMODULE module) {
    const auto* base = reinterpret_cast<const uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::vector<std::string> names;
    if (dir.VirtualAddress == 0) return names;
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    const auto* nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        names.emplace_back(reinterpret_cast<const char*>(base + nameRvas[i]));
    EXPECT_EQ(exports->NumberOfFunctions, exports->NumberOfNames) << "no exports by ordinal only";
    return names;
}

template <typename F>
F Bind(HMODULE module, const char* name) {
    // Through the generic function pointer type, which any function pointer converts to and from.
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

class QuorvexDll : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        const std::wstring unique = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        dir_ = std::filesystem::path(temp) / (L"kvwintest-" + unique);
        std::filesystem::create_directories(dir_);
        channel_ = "kvwintest-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter);
        SetEnvironmentVariableW(L"KELVANE_VK_STATE", (dir_ / L"vk.state").c_str());
        SetEnvironmentVariableW(L"KELVANE_VK_CHANNEL", std::wstring(channel_.begin(), channel_.end()).c_str());
        module_ = LoadLibraryW((ExeFolder() / L"Quorvex.dll").c_str());
        ASSERT_NE(module_, nullptr);
        for (int i = 0; i < 12; ++i) ASSERT_NE(GetProcAddress(module_, kv::kServiceExportNames[i]), nullptr);
        api_.Init = Bind<kv::FnInit>(module_, "Init");
        api_.End = Bind<kv::FnEnd>(module_, "End");
        api_.RequestGetDeviceCount =
            Bind<kv::FnRequestGetDeviceCount>(module_, "RequestGetDeviceCount");
        api_.RequestWriteOne = Bind<kv::FnRequestWriteOne>(module_, "RequestWriteOne");
        api_.RequestAsyncRead = Bind<kv::FnRequestAsyncRead>(module_, "RequestAsyncRead");
        api_.DeleteRequestFromUnitId =
            Bind<kv::FnDeleteRequestFromUnitId>(module_, "DeleteRequestFromUnitId");
        {
            std::lock_guard<std::mutex> lock(gMu);
            gEvents.clear();
        }
        ASSERT_GT(api_.Init(0), 0);
        const kv::Selector vendor = kv::MakeSelector(kv::kVendorCollection);
        (void)api_.RequestAsyncRead(vendor.bytes, &Callback, kv::kTagCtrl,
                                    kv::CallRequestId(vendor, &Callback, kv::kTagCtrl), &ctrl_);
    }
    void TearDown() override {
        if (api_.End != nullptr) (void)api_.End();
        if (module_ != nullptr) FreeLibrary(module_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    HMODULE module_ = nullptr;
    kv::HidServiceApi api_;
    uint32_t ctrl_ = 0;
    std::filesystem::path dir_;
    std::string channel_;
};

TEST_F(QuorvexDll, ExportsExactlyTheTwelveNames) {
    std::vector<std::string> names = ExportedNames(module_);
    std::vector<std::string> expected(std::begin(kv::kServiceExportNames), std::end(kv::kServiceExportNames));
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
}

TEST_F(QuorvexDll, AnswersACommand) {
    const kv::Selector vendor = kv::MakeSelector(kv::kVendorCollection);
    EXPECT_EQ(api_.RequestGetDeviceCount(vendor.bytes, nullptr, 0, kv::CallRequestId(vendor, nullptr, 0), 0), 1);
    std::array<uint8_t, 64> r{};
    r[0] = 4;
    r[3] = 3;  // read the information block
    r[4] = 44;
    unsigned sum = 0;
    for (int i = 3; i < 64; ++i) sum += r[i];
    r[1] = static_cast<uint8_t>(sum);
    r[2] = static_cast<uint8_t>(sum >> 8);
    ASSERT_GT(api_.RequestWriteOne(vendor.bytes, nullptr, 0, r.data(), 64,
                                   kv::CallRequestId(vendor, nullptr, 0, r.data(), 64), 0),
              0);
    auto answer = WaitEvent(kv::kNotifyData, kv::kTagCtrl);
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->data.size(), 64u);
    EXPECT_EQ(answer->data[3], 3);
    EXPECT_EQ(answer->data[7], 0);
    EXPECT_EQ(answer->data[8 + 8], 0x03);
    EXPECT_EQ(answer->data[8 + 9], 0x01);
}

TEST_F(QuorvexDll, NamedPipeControlChannel) {
    const qvx::ControlClient vk(channel_);
    ASSERT_TRUE(vk.Detach());
    auto e = WaitEvent(kv::kNotifyStateChange, kv::kTagCtrl);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->countOrState, 0u);
    ASSERT_TRUE(vk.Attach());
    std::vector<uint8_t> info;
    ASSERT_TRUE(vk.Dump("info", info));
    EXPECT_EQ(info.size(), 44u);
    EXPECT_FALSE(vk.Command("no-such-command").ok);

    // kvsim.exe reaches the same channel: exit code 0 when the keyboard carried the command out.
    const std::wstring line = L"kvsim.exe --channel " + std::wstring(channel_.begin(), channel_.end()) + L" detach";
    std::vector<wchar_t> cmd(line.begin(), line.end());
    cmd.push_back(L'\0');
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const std::wstring exe = (ExeFolder() / L"kvsim.exe").wstring();
    ASSERT_TRUE(CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 20000);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u);
    const kv::Selector vendor = kv::MakeSelector(kv::kVendorCollection);
    EXPECT_EQ(api_.RequestGetDeviceCount(vendor.bytes, nullptr, 0, kv::CallRequestId(vendor, nullptr, 0), 0), 0);
}

TEST_F(QuorvexDll, MemoryPersistsAcrossInitAndEnd) {
    const qvx::ControlClient vk(channel_);
    ASSERT_TRUE(vk.SetProfile(2));
    (void)api_.End();
    EXPECT_TRUE(std::filesystem::exists(dir_ / L"vk.state"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / L"vk.state.tmp"));
    ASSERT_GT(api_.Init(0), 0);
    std::string profile;
    ASSERT_TRUE(vk.StatusValue("profile", profile));
    EXPECT_EQ(profile, "2");
    // A second save replaces the file in place.
    ASSERT_TRUE(vk.SetProfile(1));
    ASSERT_TRUE(vk.Save());
    (void)api_.End();
    ASSERT_GT(api_.Init(0), 0);
    ASSERT_TRUE(vk.StatusValue("profile", profile));
    EXPECT_EQ(profile, "1");
}

}  // namespace
