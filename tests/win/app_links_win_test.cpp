// Kelvane.exe end to end: the links of its windows reach the shell only as web addresses. The program runs
// with administrator rights and the skin's "Link" is a file anyone may edit.
#include <gtest/gtest.h>

#include <thread>

#include "app/single_instance_win.h"
#include "app_session_win.h"
#include "ui/resource_ids.h"

namespace kvtest {
namespace {

using namespace std::chrono_literals;

void CopyMatching(const std::wstring& from, const std::wstring& to, const std::wstring& pattern) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((from + L"\\" + pattern).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            CopyFileW((from + L"\\" + fd.cFileName).c_str(), (to + L"\\" + fd.cFileName).c_str(), FALSE);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

TEST(AppLinks, ASkinLinkThatIsNoWebAddressStartsNothing) {
    AppSession s("skin-link", /*attached=*/false);
    const std::wstring folder = s.ScratchFolder(L"program");
    CreateDirectoryW((folder + L"\\Skins").c_str(), nullptr);
    for (const wchar_t* pattern : {L"Kelvane.exe", L"Quorvex.dll", L"Lang*.ini", L"Tirvane.exe"})
        CopyMatching(BinFolder(), folder, pattern);
    CopyMatching(BinFolder() + L"\\Skins", folder + L"\\Skins", L"*");
    // A program planted as the skin's link (a copy of the daemon, which stays while the program runs).
    const std::wstring planted = folder + L"\\kv_link_target.exe";
    ASSERT_TRUE(CopyFileW((BinFolder() + L"\\Tirvane.exe").c_str(), planted.c_str(), FALSE));
    ASSERT_TRUE(WritePrivateProfileStringW(L"SCREEN", L"Link", planted.c_str(), (folder + L"\\Skins\\Main.ini").c_str()));

    s.Launch(L"", folder);
    ASSERT_TRUE(s.WaitInitialised());
    PostMessageW(s.MainWindow(), WM_COMMAND, MAKEWPARAM(IDC_TORVEL_LINK, BN_CLICKED), 0);
    ASSERT_TRUE(SettleWindow(s.MainWindow()));
    EXPECT_EQ(kv::FindRunningInstance(L"kv_link_target.exe"), 0u);
    EXPECT_NE(s.Pid(), 0u);  // and the program goes on
}

}  // namespace
}  // namespace kvtest
