// CIniFile: one INI file read and written value by value through the platform's private-profile calls.
// Give it a full path: a bare file name is looked for in the Windows folder, not beside the program.
#pragma once

#include <windows.h>

#include <string>

#include "skin/skin_rect.h"

class CIniFile {
public:
    CIniFile() = default;
    explicit CIniFile(std::wstring path) : path_(std::move(path)) {}

    void SetPath(std::wstring path) { path_ = std::move(path); }
    const std::wstring& Path() const { return path_; }

    // The value (up to 2047 characters), or the default when the key is missing; empty means nothing.
    std::wstring ReadString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue) const;
    [[nodiscard]] bool WriteString(const wchar_t* section, const wchar_t* key, const wchar_t* value) const;

    // A layout rectangle "x,y,width,height"; a missing key or an unreadable value gives 1,1,1,1.
    kv::skin::SkinRect ReadRect(const wchar_t* section, const wchar_t* key) const;

private:
    std::wstring path_;
};
