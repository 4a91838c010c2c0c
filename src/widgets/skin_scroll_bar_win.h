// CSkinScrollBar: the skin's slim vertical scroll bar, laid over a window's own one (a list's): a dark
// track and a rounded thumb, grey, lighter under the mouse, orange while dragged; no arrows. The window
// keeps its scroll state: the bar reads it, draws it, and scrolls the window as the system's bar would
// (pages through WM_VSCROLL, a dragged thumb through the window's own call). It sits above the window
// in the parent's z-order and the window clips it out, so the system's light bar is never seen.
//
// Usage: bar.Attach(list, [&](int position) { ...scroll the list so that position is at the top... });
// then bar.Sync() after anything that may move, show, hide or scroll the window. Runs on the window's
// thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>

#include "widgets/scroll_thumb.h"
#include "widgets/skin_widget_win.h"

namespace kv::widgets {

// Where the thumb goes in a strip (pixels from the strip's top, its end excluded), and how it looks.
struct ThumbLook {
    int thumbTop = 0;
    int thumbBottom = 0;
    int trackTop = 0;  // the part above is the continuation of a list's column header
    bool hover = false;
    bool dragging = false;
    int dpi = 96;
};
// Paints a vertical scroll bar strip in the skin's look: the track in the list's colour, the thumb.
void PaintScrollStrip(HDC dc, const RECT& strip, const ThumbLook& look);
// The window's own vertical bar when its style has one and the system shows it (`bar` filled in).
[[nodiscard]] bool ShownVerticalBar(HWND window, SCROLLBARINFO& bar);

class CSkinScrollBar : public CSkinWidget {
public:
    using ScrollTo = std::function<void(int position)>;

    // Creates the bar beside the target, in the target's parent; false when it cannot.
    [[nodiscard]] bool Attach(HWND target, ScrollTo scrollTo);
    // Follows the target's own bar: where it is, whether it shows, and its thumb. `shown` says whether the
    // target is being shown or hidden when its style does not say it yet (a window told to show or hide
    // while its parent is hidden may only change its style, and that without a message).
    void Sync(std::optional<bool> shown = std::nullopt);
    // The track starts this many pixels down (beside a list's column header).
    void SetTrackTop(int pixels);
    [[nodiscard]] bool IsDragging() const { return dragging_; }

protected:
    void Paint(HDC dc, const RECT& rect) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    [[nodiscard]] ScrollState State() const;
    [[nodiscard]] int LeastThumb() const;
    [[nodiscard]] int Track() const;
    void PageTowards(int y);
    void EndPress();

    HWND target_ = nullptr;
    ScrollTo scrollTo_;
    ScrollState drawn_{};
    RECT placed_{};
    bool shown_ = false;
    bool dragging_ = false;
    int trackTop_ = 0;
    int grab_ = 0;           // where in the thumb the drag took it
    int pagingAt_ = -1;      // the pressed point of the track while it pages, -1 when not
};

}  // namespace kv::widgets
