#include "qt_helpers.h"

#include <QApplication>
#include <QEventLoop>
#include <QPainter>
#include <QPalette>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>

#include "qt_forms.h"
#include "saver_state.h"

namespace tumbleview {
namespace {

constexpr int kOutlineWidth = 2;

ZoomTiming& zoomTiming() {
  static ZoomTiming timing;
  return timing;
}

QRect cursorPoint() { return QRect(QPoint(CursorX, CursorY), QSize(0, 0)); }

int interpolate(int from, int to, double progress) {
  return from + static_cast<int>(std::lround((to - from) * progress));
}

// The overlay that carries the outline: only its outline is part of the
// window (a shape mask), so no compositor is needed for the rest of the
// screen to show through.
class ZoomOverlay : public QWidget {
 public:
  ZoomOverlay()
      : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                             Qt::X11BypassWindowManagerHint | Qt::WindowTransparentForInput |
                             Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

  void place(const QRect& outline) {
    const QRect area(outline.topLeft(), outline.size().expandedTo(QSize(1, 1)));
    setGeometry(area);
    const QRect local(QPoint(0, 0), area.size());
    setMask(QRegion(local).subtracted(
        QRegion(local.adjusted(kOutlineWidth, kOutlineWidth, -kOutlineWidth, -kOutlineWidth))));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), QApplication::palette().color(QPalette::Highlight));
  }
};

}  // namespace

void setZoomTiming(ZoomTiming timing) { zoomTiming() = std::move(timing); }

QRect zoomFrameRect(const QRect& from, const QRect& to, double progress) {
  progress = std::clamp(progress, 0.0, 1.0);
  const int left = interpolate(from.left(), to.left(), progress);
  const int top = interpolate(from.top(), to.top(), progress);
  const int width = interpolate(from.width(), to.width(), progress);
  const int height = interpolate(from.height(), to.height(), progress);
  return QRect(left, top, width, height);
}

void animateZoom(const QRect& from, const QRect& to) {
  const ZoomTiming& timing = zoomTiming();
  ZoomOverlay overlay;
  const auto start = timing.now();
  for (;;) {
    const auto elapsed = timing.now() - start;
    const double progress =
        timing.duration.count() <= 0
            ? 1.0
            : std::chrono::duration<double>(elapsed) / std::chrono::duration<double>(timing.duration);
    const QRect outline = zoomFrameRect(from, to, progress);
    overlay.place(outline);
    overlay.show();
    overlay.repaint();
    if (timing.onFrame) timing.onFrame(outline);
    if (progress >= 1.0) break;
    // The user cannot act during the zoom; window-system events still flow.
    QEventLoop wait;
    QTimer::singleShot(timing.frameInterval, &wait, &QEventLoop::quit);
    wait.exec(QEventLoop::ExcludeUserInputEvents);
  }
}

void AnimateOpen(QWidget* window) {
  if (!window) return;
  animateZoom(cursorPoint(), window->frameGeometry());
}

void AnimateClose(QWidget* window) {
  if (!window) return;
  animateZoom(window->frameGeometry(), cursorPoint());
}

void DrawBoxEdge(PictureBox& box, int edge) {
  QImage& surface = box.surface();
  const QPalette colors = QApplication::palette();
  struct Ring {
    int raised;
    int sunken;
    QColor raisedLight, raisedDark, sunkenLight, sunkenDark;
  };
  const Ring rings[] = {
      {kBdrRaisedOuter, kBdrSunkenOuter, colors.color(QPalette::Midlight),
       colors.color(QPalette::Shadow), colors.color(QPalette::Dark), colors.color(QPalette::Light)},
      {kBdrRaisedInner, kBdrSunkenInner, colors.color(QPalette::Light),
       colors.color(QPalette::Dark), colors.color(QPalette::Shadow),
       colors.color(QPalette::Midlight)},
  };
  QPainter painter(&surface);
  QRect ring(0, 0, surface.width(), surface.height());
  for (const Ring& colours : rings) {
    if (ring.width() <= 0 || ring.height() <= 0) break;
    if (edge & (colours.raised | colours.sunken)) {
      const bool raised = (edge & colours.raised) != 0;
      const QColor topLeft = raised ? colours.raisedLight : colours.sunkenLight;
      const QColor bottomRight = raised ? colours.raisedDark : colours.sunkenDark;
      // Rows and columns as one-pixel rectangles: exact, no pen rules.
      painter.fillRect(QRect(ring.left(), ring.top(), ring.width(), 1), topLeft);
      painter.fillRect(QRect(ring.left(), ring.top(), 1, ring.height()), topLeft);
      painter.fillRect(QRect(ring.left(), ring.bottom(), ring.width(), 1), bottomRight);
      painter.fillRect(QRect(ring.right(), ring.top(), 1, ring.height()), bottomRight);
    }
    ring.adjust(1, 1, -1, -1);
  }
  painter.end();
  box.refresh();
}

}  // namespace tumbleview
