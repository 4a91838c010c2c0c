// The Windows binding in a child process: the library comes from the program's own folder only, and a library
// that lacks an export (even one never called) ends the process with exit code 0 before any window exists.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
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

struct ProbeRun {
    DWORD exitCode = 0xFFFFFFFF;
    bool reported = false;  // the probe got past the binding and created its window
    fs::path boundLibrary;
};

enum class Library { None, Complete, Incomplete };

class BindingChild : public ::testing::Test {
protected:
    void SetUp() override {
        probe_ = ExecutableFolder() / L"probe";
        wchar_t temp[MAX_PATH];
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::path(temp) / (L"kv_binding_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                                  fs::path(info->name()).wstring());
        fs::remove_all(root_);
        fs::create_directories(root_ / L"app");
        fs::create_directories(root_ / L"cwd");
        fs::copy_file(probe_ / L"kv_bind_probe.exe", root_ / L"app" / L"kv_bind_probe.exe");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    void Place(Library library, const fs::path& folder) {
        if (library == Library::None) return;
        const wchar_t* source = library == Library::Complete ? L"kv_probe_service.dll" : L"kv_probe_incomplete.dll";
        fs::copy_file(probe_ / source, folder / L"Quorvex.dll", fs::copy_options::overwrite_existing);
    }

    // Runs the probe from app\ with cwd\ as its working directory.
    // extra: a bare library name the probe asks the system for after binding.
    ProbeRun Run(Library besideProgram, Library inWorkingDirectory, const std::wstring& extra = L"") {
        Place(besideProgram, root_ / L"app");
        Place(inWorkingDirectory, root_ / L"cwd");
        const fs::path report = root_ / L"report.txt";
        std::wstring commandLine = L"\"" + (root_ / L"app" / L"kv_bind_probe.exe").wstring() + L"\" \"" +
                                   report.wstring() + L"\"" + (extra.empty() ? L"" : L" " + extra);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        ProbeRun run;
        const std::wstring cwd = (root_ / L"cwd").wstring();
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                            cwd.c_str(), &si, &pi)) {
            ADD_FAILURE() << "cannot start the probe: " << GetLastError();
            return run;
        }
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
        GetExitCodeProcess(pi.hProcess, &run.exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        if (fs::exists(report)) {
            run.reported = true;
            std::ifstream in(report, std::ios::binary);
            const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            std::wstring name(raw.size() / sizeof(wchar_t), L'\0');
            std::memcpy(name.data(), raw.data(), name.size() * sizeof(wchar_t));
            run.boundLibrary = name;
        }
        return run;
    }

    fs::path probe_;
    fs::path root_;
};

TEST_F(BindingChild, LibraryBesideTheProgramIsBoundNotTheOneInTheWorkingDirectory) {
    const ProbeRun run = Run(Library::Complete, Library::Incomplete);
    EXPECT_EQ(run.exitCode, 42u);
    ASSERT_TRUE(run.reported);
    EXPECT_TRUE(fs::equivalent(run.boundLibrary, root_ / L"app" / L"Quorvex.dll")) << run.boundLibrary;
}

TEST_F(BindingChild, LibraryOnlyInTheWorkingDirectoryIsNeverLoaded) {
    const ProbeRun run = Run(Library::None, Library::Complete);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.reported);
}

TEST_F(BindingChild, NoLibraryIsTakenFromTheWorkingDirectoryOrThePathOnceStarted) {
    // A library planted in the working directory and in a folder of PATH, under a name nothing else provides.
    fs::create_directories(root_ / L"onpath");
    for (const fs::path& folder : {root_ / L"cwd", root_ / L"onpath"})
        fs::copy_file(probe_ / L"kv_probe_service.dll", folder / L"kv_planted.dll");
    wchar_t saved[32768] = {};
    const DWORD n = GetEnvironmentVariableW(L"PATH", saved, 32768);
    const std::wstring path = (root_ / L"onpath").wstring() + L";" + std::wstring(saved, n < 32768 ? n : 0);
    SetEnvironmentVariableW(L"PATH", path.c_str());
    const ProbeRun run = Run(Library::Complete, Library::None, L"kv_planted.dll");
    SetEnvironmentVariableW(L"PATH", saved);
    EXPECT_EQ(run.exitCode, 42u) << "43: the planted library was loaded";
    EXPECT_TRUE(run.reported);
}

TEST_F(BindingChild, LibraryLackingAnExportEndsTheProcessWithCodeZero) {
    const ProbeRun run = Run(Library::Incomplete, Library::Complete);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.reported);  // it ended before creating its window
}

}  // namespace
