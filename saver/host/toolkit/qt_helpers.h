// Helpers shared by the saver's windows: the zoom animations that open and
// close the settings dialog, and the 3-D edge painter.
#pragma once

#include <QRect>

#include <chrono>
#include <functional>

class QWidget;

namespace tumbleview {

class PictureBox;

// Draws a caption-coloured outline rectangle that zooms from the zero-size
// rectangle at (CursorX, CursorY) to the window's rectangle on the screen
// (frame included).  Synchronous: returns when the zoom is over.  The
// outline lives in a frameless overlay that takes no input and no focus,
// and is gone afterwards.  A null window does nothing.
void AnimateOpen(QWidget* window);

// The same zoom backwards: from the window's rectangle to (CursorX, CursorY).
void AnimateClose(QWidget* window);

// How the zoom runs; tests shorten it and watch its frames.
struct ZoomTiming {
  std::chrono::milliseconds duration{200};
  std::chrono::milliseconds frameInterval{15};
  std::function<std::chrono::steady_clock::time_point()> now = [] {
    return std::chrono::steady_clock::now();
  };
  std::function<void(const QRect&)> onFrame;  // each outline rectangle drawn
};
void setZoomTiming(ZoomTiming timing);

// The outline rectangle at `progress` (0 = from, 1 = to) of the zoom.
QRect zoomFrameRect(const QRect& from, const QRect& to, double progress);

// The zoom itself, in screen pixels.
void animateZoom(const QRect& from, const QRect& to);

// Edge styles: outer and inner, raised and sunken borders.
inline constexpr int kBdrRaisedOuter = 0x1;
inline constexpr int kBdrSunkenOuter = 0x2;
inline constexpr int kBdrRaisedInner = 0x4;
inline constexpr int kBdrSunkenInner = 0x8;
inline constexpr int kEdgeRaised = kBdrRaisedOuter | kBdrRaisedInner;  // 5

// Draws a one-pixel outer and/or inner border around the whole client area
// of `box`'s persistent surface, in the system's 3-D colours (the
// application palette): raised = light top and left (Midlight outer, Light
// inner), dark bottom and right (Shadow outer, Dark inner); the bottom and
// right lines are drawn last, so they own the top-right and bottom-left
// corners.  The interior is untouched.  Then the box repaints.
void DrawBoxEdge(PictureBox& box, int edge);

}  // namespace tumbleview
