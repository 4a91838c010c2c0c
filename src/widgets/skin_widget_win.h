// CSkinWidget: the base of the widget kit's self-drawn controls (picture buttons, bitmap sliders, colour
// buttons, labels). Each is a child window of one shared window class that paints itself over the part of
// its skinned dialog's background behind it, double-buffered, at the dialog's display density. Runs on its
// window's thread only.
#pragma once

#include <windows.h>

namespace kv::widgets {

class CSkinWidget {
public:
    CSkinWidget() = default;
    virtual ~CSkinWidget();
    CSkinWidget(const CSkinWidget&) = delete;
    CSkinWidget& operator=(const CSkinWidget&) = delete;

    // A hidden child of the parent with this control id; placed later (skin placement procedures).
    [[nodiscard]] bool Create(HWND parent, int id, DWORD extraStyle = 0);
    void Destroy();
    [[nodiscard]] HWND Handle() const { return hwnd_; }
    [[nodiscard]] int Id() const { return id_; }
    void Show(bool shown) const;
    void Redraw() const;
    // The density of the window the widget sits on (96 = no scaling).
    [[nodiscard]] int Dpi() const;

protected:
    // Paints the control's content into dc (its client rectangle, background already drawn).
    virtual void Paint(HDC dc, const RECT& rect) = 0;
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // A click reported to the parent as WM_COMMAND BN_CLICKED, as a push button does.
    void NotifyClicked() const;

    HWND hwnd_ = nullptr;
    int id_ = 0;
    bool hover_ = false;

private:
    static LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
    void OnPaint();
};

}  // namespace kv::widgets
