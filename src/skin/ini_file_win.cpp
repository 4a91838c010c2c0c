#include "skin/ini_file.h"

#include <iterator>

std::wstring CIniFile::ReadString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue) const {
    wchar_t buffer[2048];
    const DWORD n = GetPrivateProfileStringW(section, key, defaultValue ? defaultValue : L"", buffer,
                                             static_cast<DWORD>(std::size(buffer)), path_.c_str());
    return std::wstring(buffer, n);
}

bool CIniFile::WriteString(const wchar_t* section, const wchar_t* key, const wchar_t* value) const {
    return WritePrivateProfileStringW(section, key, value, path_.c_str()) != FALSE;
}

kv::skin::SkinRect CIniFile::ReadRect(const wchar_t* section, const wchar_t* key) const {
    wchar_t buffer[260];
    const DWORD n = GetPrivateProfileStringW(section, key, kv::skin::kDefaultSkinRectText, buffer,
                                             static_cast<DWORD>(std::size(buffer)), path_.c_str());
    return kv::skin::ParseSkinRect(std::wstring_view(buffer, n));
}
