// kvtool.exe as a user runs it on Windows: it binds Quorvex.dll from its own folder (the virtual keyboard),
// prints the information block, and names the result code when the keyboard is missing.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

fs::path ExecutableFolder() {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    return fs::path(std::wstring(buffer, n)).parent_path();
}

struct ToolRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;  // stdout and stderr together
};

class KvtoolOnWindows : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(temp) / (L"kv_kvtool_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                                 fs::path(info->name()).wstring());
        fs::create_directories(dir_);
        const std::wstring channel = L"kv-kvtool-" + std::to_wstring(GetCurrentProcessId());
        SetEnvironmentVariableW(L"KELVANE_VK_STATE", (dir_ / L"vk.state").c_str());
        SetEnvironmentVariableW(L"KELVANE_VK_CHANNEL", channel.c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"KELVANE_VK_ATTACHED", nullptr);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    ToolRun Run(const std::wstring& arguments) {
        ToolRun run;
        const fs::path outputFile = dir_ / (L"output" + std::to_wstring(++runs_) + L".txt");
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE out = CreateFileW(outputFile.c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (out == INVALID_HANDLE_VALUE) {
            ADD_FAILURE() << "cannot create the output file";
            return run;
        }
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = out;
        si.hStdError = out;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        PROCESS_INFORMATION pi{};
        std::wstring commandLine = L"\"" + (ExecutableFolder() / L"kvtool.exe").wstring() + L"\" " + arguments;
        const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                            nullptr, dir_.c_str(), &si, &pi);
        CloseHandle(out);
        if (!started) {
            ADD_FAILURE() << "cannot start kvtool.exe: " << GetLastError();
            return run;
        }
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
        GetExitCodeProcess(pi.hProcess, &run.exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        std::ifstream in(outputFile, std::ios::binary);
        run.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        // The C runtime writes text mode: CR LF line ends.
        std::erase(run.output, '\r');
        return run;
    }

    fs::path dir_;
    int runs_ = 0;
};

TEST_F(KvtoolOnWindows, InfoAndKeyTableFromTheVirtualKeyboard) {
    ToolRun run = Run(L"info");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("firmware        V0103\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("macro capacity  32640 bytes\n"), std::string::npos) << run.output;

    run = Run(L"keytable 2");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 24) << run.output;
}

TEST_F(KvtoolOnWindows, MissingKeyboardIsNamedWithItsResultCode) {
    SetEnvironmentVariableW(L"KELVANE_VK_ATTACHED", L"0");
    const ToolRun run = Run(L"info");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.output, "kvtool: keyboard not present (result 0)\n");
}

}  // namespace
