// Every program and library that ships carries the product version in its version resource, the same
// number kvtool --version prints: in the development folder and in the distributable folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_session_win.h"
#include "kv_version.h"

namespace {

struct VersionInfo {
    bool found = false;
    DWORD fileMS = 0, fileLS = 0, productMS = 0, fileType = 0;
    std::wstring fileVersion, productVersion, productName, originalName;
};

std::wstring StringValue(const std::vector<BYTE>& data, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(data.data(), path.c_str(), &value, &length) || length == 0) return {};
    return static_cast<const wchar_t*>(value);
}

VersionInfo ReadVersionInfo(const std::wstring& file) {
    VersionInfo info;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
    if (size == 0) return info;
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return info;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || fixed == nullptr) return info;
    info.found = true;
    info.fileMS = fixed->dwFileVersionMS;
    info.fileLS = fixed->dwFileVersionLS;
    info.productMS = fixed->dwProductVersionMS;
    info.fileType = fixed->dwFileType;
    info.fileVersion = StringValue(data, L"FileVersion");
    info.productVersion = StringValue(data, L"ProductVersion");
    info.productName = StringValue(data, L"ProductName");
    info.originalName = StringValue(data, L"OriginalFilename");
    return info;
}

TEST(VersionInfo, EveryShippedBinaryCarriesTheProductVersion) {
    const struct {
        const wchar_t* name;
        DWORD type;
    } binaries[] = {
        {L"Kelvane.exe", VFT_APP},
        {L"Tirvane.exe", VFT_APP},
        {L"kvtool.exe", VFT_APP},
        {L"Quorvex.dll", VFT_DLL},
    };
    const std::wstring bin = kvtest::BinFolder();
    const std::wstring folders[] = {bin, bin.substr(0, bin.find_last_of(L"\\/")) + L"\\dist"};
    for (const std::wstring& folder : folders) {
        for (const auto& b : binaries) {
            const std::wstring file = folder + L"\\" + b.name;
            SCOPED_TRACE(std::string(file.begin(), file.end()));
            const VersionInfo info = ReadVersionInfo(file);
            ASSERT_TRUE(info.found);
            EXPECT_EQ(info.fileMS, static_cast<DWORD>(MAKELONG(KV_VERSION_MINOR, KV_VERSION_MAJOR)));
            EXPECT_EQ(info.fileLS, static_cast<DWORD>(MAKELONG(0, KV_VERSION_PATCH)));
            EXPECT_EQ(info.productMS, info.fileMS);
            EXPECT_EQ(info.fileType, b.type);
            EXPECT_EQ(info.fileVersion, KV_VERSION_W);
            EXPECT_EQ(info.productVersion, KV_VERSION_W);
            EXPECT_EQ(info.productName, L"Kelvane");
            EXPECT_EQ(info.originalName, b.name);
        }
    }
}

}  // namespace
