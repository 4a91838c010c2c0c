#include "profile_test_host_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "app/program_paths.h"
#include "device/commands.h"
#include "device/hid_binding.h"
#include "keys/assignment_action_code.h"
#include "macros/keyboard_data_link.h"
#include "macros/profile_data.h"
#include "macros/profile_write.h"
#include "profiles/profile_window_win.h"

namespace kvtest {

namespace {

ProfileTestEnvironment g_environment;

std::wstring ExePath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// Binds the virtual keyboard once for the whole run, with a channel and state file of its own, and points
// the program's paths at the build's bin folder and a scratch user folder.
class BindEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        g_environment.scratch = std::filesystem::path(temp) / ("kv_profile_wintests_" + std::to_string(GetCurrentProcessId()));
        std::filesystem::create_directories(g_environment.scratch);
        g_environment.channel = "kv-profile-wintests-" + std::to_string(GetCurrentProcessId());
        SetEnvironmentVariableW(L"KELVANE_VK_STATE", (g_environment.scratch / "vk.state").wstring().c_str());
        SetEnvironmentVariableA("KELVANE_VK_CHANNEL", g_environment.channel.c_str());
        kv::SetProgramPaths(kv::ComputeProgramPaths(ExePath()));
        kv::SetUserPaths(kv::ComputeUserPaths((g_environment.scratch / "LocalAppData").wstring()));
        std::string failure;
        const kv::BindResult bound = kv::BindHidService([&failure](const kv::BindResult& r) { failure = kv::DescribeBindResult(r); });
        ASSERT_EQ(bound.status, kv::BindStatus::Bound) << failure;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(g_environment.scratch, ec);
    }
};

[[maybe_unused]] ::testing::Environment* const g_bind = ::testing::AddGlobalTestEnvironment(new BindEnvironment);

}  // namespace

const ProfileTestEnvironment& TestEnvironment() { return g_environment; }

qvx::ControlClient Keyboard() { return qvx::ControlClient(g_environment.channel); }

bool ScriptedDialogs::AskYesNo(HWND, const std::wstring& text) {
    asked.push_back(text);
    if (answers.empty()) return false;
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
}

kv::FileChoice ScriptedDialogs::ChooseFile(HWND, const kv::FileDialogRequest& request) {
    requests.push_back(request);
    if (files.empty()) return {};
    kv::FileChoice choice = files.front();
    files.pop_front();
    return choice;
}

TestHost::TestHost() {
    static const ATOM kClass = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KvProfileTestHost";
        return RegisterClassW(&wc);
    }();
    window_ = CreateWindowExW(0, MAKEINTATOM(kClass), L"host", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
}

TestHost::~TestHost() {
    if (window_) DestroyWindow(window_);
}

bool TestHost::ApplyNow() {
    ++applies;
    const kv::ProfileWriteOutcome out =
        kv::CreateSnapshotAndWrite(kv::TheProfileData(), kv::TheProfileDataSnapshot(), kv::CommandSetDataLink(),
                                   kv::ReadKeyboardMacroCapacity(), kv::KeyboardDefaultKeys(), std::nullopt);
    const bool ok = out.written && out.result == kv::kResultSuccess;
    if (ok) SetDirty(false);
    return ok;
}

void TestHost::RunKeyboardWork(const std::function<void()>& work) {
    ++keyboardWorks;
    std::thread worker(work);
    worker.join();
}

int TestHost::SelectProfile(int profile) {
    selected.push_back(profile);
    profile_ = profile;
    if (kv::GetDeviceProfile() == profile) return 1;
    return flows != nullptr ? flows->SwitchProfile(profile) : 0;
}

namespace {

struct Found {
    DWORD thread;
    HWND dialog = nullptr;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
    auto* found = reinterpret_cast<Found*>(param);
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    if (std::wstring(cls) == L"#32770" && IsWindowVisible(window)) {
        found->dialog = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

INT_PTR RunModalWith(kv::ModalDialogPart& dialog, const std::function<void(HWND)>& script) {
    const DWORD uiThread = GetCurrentThreadId();
    std::atomic<bool> done{false};
    std::thread driver([&] {
        Found found{uiThread};
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (found.dialog == nullptr && std::chrono::steady_clock::now() < limit) {
            EnumThreadWindows(uiThread, FindDialog, reinterpret_cast<LPARAM>(&found));
            if (found.dialog == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (found.dialog == nullptr) {
            ADD_FAILURE() << "the dialog did not show";
        } else {
            script(found.dialog);
            if (IsWindow(found.dialog)) PostMessageW(found.dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
        done = true;
    });
    const INT_PTR result = dialog.RunModal();
    driver.join();
    return result;
}

void Click(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::vector<uint8_t> Memory(const std::string& area) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(Keyboard().Dump(area, bytes)) << area;
    return bytes;
}

std::vector<uint8_t> VendorCommands() {
    std::vector<std::vector<uint8_t>> reports;
    EXPECT_TRUE(Keyboard().Reports("vendor:", reports));
    std::vector<uint8_t> out;
    for (const auto& r : reports) out.push_back(r.size() > 3 ? r[3] : 0);  // byte 3: the command code
    return out;
}

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace kvtest
