#include "widgets/scaled_picture_win.h"

namespace kv::widgets {

ScaledPicture& ScaledPicture::operator=(ScaledPicture&& other) noexcept {
    if (this != &other) {
        Release();
        picture_ = std::move(other.picture_);
        bitmap_ = other.bitmap_;
        dpi_ = other.dpi_;
        other.bitmap_ = nullptr;
        other.dpi_ = 0;
    }
    return *this;
}

ScaledPicture ScaledPicture::Load(const std::wstring& path) { return ScaledPicture(skin::DecodePictureFile(path)); }

void ScaledPicture::Release() {
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    bitmap_ = nullptr;
    dpi_ = 0;
}

void ScaledPicture::Draw(HDC dc, int x, int y, int dpi) {
    if (picture_ == nullptr) return;
    if (bitmap_ == nullptr || dpi_ != dpi) {
        Release();
        bitmap_ = skin::RenderPicture(*picture_, dpi);
        dpi_ = dpi;
        if (bitmap_ == nullptr) return;
    }
    BITMAP info{};
    GetObjectW(bitmap_, sizeof info, &info);
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, bitmap_);
    BitBlt(dc, x, y, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
}

}  // namespace kv::widgets
