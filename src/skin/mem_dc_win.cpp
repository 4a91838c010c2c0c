#include "skin/mem_dc.h"

namespace {

bool IsPrinting(HDC dc) {
    return GetDeviceCaps(dc, TECHNOLOGY) == DT_RASPRINTER || GetObjectType(dc) == OBJ_ENHMETADC;
}

}  // namespace

CMyMemDC::CMyMemDC(HDC target, const RECT& rect, bool copyTargetContent) : target_(target), rect_(rect) {
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    if (IsPrinting(target) || w <= 0 || h <= 0) {
        direct_ = true;
        dc_ = target;
        return;
    }
    dc_ = CreateCompatibleDC(target);
    bitmap_ = dc_ ? CreateCompatibleBitmap(target, w, h) : nullptr;
    if (!bitmap_) {
        if (dc_) DeleteDC(dc_);
        direct_ = true;
        dc_ = target;
        return;
    }
    oldBitmap_ = SelectObject(dc_, bitmap_);
    SetWindowOrgEx(dc_, rect.left, rect.top, nullptr);
    if (copyTargetContent) BitBlt(dc_, rect.left, rect.top, w, h, target, rect.left, rect.top, SRCCOPY);
}

CMyMemDC::~CMyMemDC() {
    if (direct_) return;
    BitBlt(target_, rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top, dc_, rect_.left,
           rect_.top, SRCCOPY);
    SelectObject(dc_, oldBitmap_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}
