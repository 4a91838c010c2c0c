// Kelvane.exe end to end: a profile switch the keyboard does not take leaves the window on the profile the
// keyboard still uses: its buttons, the keys the picture marks and what the window writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/app_messages.h"
#include "app_session_win.h"
#include "device/commands.h"
#include "keys/assignment_store.h"
#include "keys/key_catalogue.h"
#include "profiles/profile_file.h"
#include "ui/resource_ids.h"

namespace kvtest {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kCommand = 3, kOffset = 5;

std::vector<std::vector<uint8_t>> Reports(const AppSession& s, uint8_t command) {
    std::vector<std::vector<uint8_t>> all, found;
    EXPECT_TRUE(s.Vk().Reports("vendor:", all));
    for (auto& r : all)
        if (r.size() > kOffset + 1 && r[kCommand] == command) found.push_back(std::move(r));
    return found;
}

TEST(AppProfileSwitch, AFailedSwitchLeavesTheWindowOnTheKeyboardsProfile) {
    AppSession s("switch-fails", /*attached=*/false);
    // The keyboard holds a key A that is switched off in profile 2 (index 1) only.
    kv::ProfileData held;
    ASSERT_TRUE(kv::StoreAssignment(held, 1, static_cast<unsigned>(kv::KeyIndexOf(0x01E)), kv::ASSIGN_DISABLED, 0, 0));
    const std::wstring file = s.ScratchFolder(L"data") + L"\\held.kvp";
    ASSERT_TRUE(kv::SaveProfileFile(std::filesystem::path(file), held));
    ASSERT_EQ(RunKvtool(L"restore \"" + file + L"\""), 0u);
    s.Launch(L"/Start");
    ASSERT_TRUE(s.WaitInitialised());
    ASSERT_TRUE(s.Vk().Attach());
    ASSERT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }, 20s));
    HWND main = s.MainWindow();
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(ID_TRAY_OPEN, 0), 0);
    ASSERT_TRUE(WaitFor([&] { return s.MainVisible(); }));
    const int keyA = kv::ControlOfPictureKey(0);
    const auto checked = [&](int id) { return SendDlgItemMessageW(main, id, BM_GETCHECK, 0, 0) == BST_CHECKED; };
    const auto click = [&](int id) {  // returns once the window has handled the click
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0, SMTO_NORMAL, 30000, &ignored);
    };
    ASSERT_TRUE(WaitFor([&] { return checked(IDC_PROFILE1); }));
    EXPECT_FALSE(checked(keyA));

    // The keyboard refuses the switch to profile 2 (every command answers status 0xFF and does nothing).
    ASSERT_TRUE(s.Vk().FailStatus(0xFF, qvx::ControlClient::kAlways));
    click(IDC_PROFILE2);
    ASSERT_TRUE(s.Vk().ClearFaults());
    std::vector<uint8_t> info;
    ASSERT_TRUE(s.Vk().Dump("info", info));
    ASSERT_EQ(info[kv::kInfoProfileOffset], 0);
    EXPECT_TRUE(checked(IDC_PROFILE1));
    EXPECT_FALSE(checked(IDC_PROFILE2));
    EXPECT_FALSE(checked(keyA)) << "the picture marks the keys of a profile the keyboard does not use";
    // What the window writes goes to the profile in use: the report rate at 0 x 42 + 15.
    ASSERT_TRUE(s.Vk().ClearLog());
    click(IDC_REPORT3);
    const auto rate = Reports(s, kv::CMD_WRITE_LIGHTING);
    ASSERT_EQ(rate.size(), 1u);
    EXPECT_EQ(rate[0][kOffset] | (rate[0][kOffset + 1] << 8), 15);

    // Answered, the same click switches, and the window follows.
    click(IDC_PROFILE2);
    ASSERT_TRUE(s.Vk().Dump("info", info));
    EXPECT_EQ(info[kv::kInfoProfileOffset], 1);
    EXPECT_TRUE(checked(IDC_PROFILE2));
    EXPECT_TRUE(checked(keyA));
}

}  // namespace
}  // namespace kvtest
