#include "qt_handoff_picture.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <cstdlib>

#include "assets.h"
#include "handoff.h"
#include "picture_fit.h"
#include "toolkit_error.h"

namespace tumbleview {

QSize desktopSizePixels() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->virtualGeometry().size() : QSize(0, 0);
}

void captureDesktopInto(QImage& image) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen || image.isNull()) throw ToolkitError("no screen to capture");
  const QPixmap desktop = screen->grabWindow(0, 0, 0, image.width(), image.height());
  if (desktop.isNull()) throw ToolkitError("the desktop could not be read");
  QPainter painter(&image);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawPixmap(0, 0, desktop);
}

namespace {

bool isFlat(const QImage& image) {
  const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
  const QRgb first = pixels.pixel(0, 0);
  for (int y = 0; y < pixels.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
    for (int x = 0; x < pixels.width(); ++x) {
      if (row[x] != first) return false;
    }
  }
  return true;
}

}  // namespace

QImage desktopOrStandIn(const QImage& capture) {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (!wayland || *wayland == '\0' || capture.isNull() || !isFlat(capture)) return capture;
  const QImage still(QString::fromLatin1(assets::kPreview));
  return still.isNull() ? capture : still;
}

void writeHandoffPicture(const QImage& picture) {
  if (picture.isNull()) throw ToolkitError("no picture to hand over");
  const PictureSize fitted = fitWithin({picture.width(), picture.height()}, rendererLimits());
  QImage pixels = picture;
  if (fitted.width != picture.width() || fitted.height != picture.height()) {
    pixels = picture.scaled(fitted.width, fitted.height, Qt::IgnoreAspectRatio,
                            Qt::SmoothTransformation);
  }
  if (pixels.format() != QImage::Format_RGB32 && pixels.format() != QImage::Format_ARGB32) {
    pixels = pixels.convertToFormat(QImage::Format_RGB32);
  }
  const Xrgb32Rows rows{pixels.width(), pixels.height(), pixels.constBits(), pixels.bytesPerLine()};
  if (!writeHandoffBitmap(rows)) throw ToolkitError("the hand-off bitmap could not be written");
}

}  // namespace tumbleview
