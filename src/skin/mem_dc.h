// CMyMemDC: double-buffered painting. Drawing goes to an off-screen bitmap of the rectangle's size whose
// origin lies at the rectangle's corner, so callers use the target's coordinates; the result reaches the
// target in one copy when the object ends. A printing target is drawn into directly.
#pragma once

#include <windows.h>

class CMyMemDC {
public:
    CMyMemDC(HDC target, const RECT& rect, bool copyTargetContent = false);
    ~CMyMemDC();
    CMyMemDC(const CMyMemDC&) = delete;
    CMyMemDC& operator=(const CMyMemDC&) = delete;

    HDC Dc() const { return dc_; }
    operator HDC() const { return dc_; }

private:
    HDC target_;
    RECT rect_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    bool direct_ = false;
};
