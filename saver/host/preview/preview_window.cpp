#include "preview_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QImage>

#include "assets.h"
#include "saver_state.h"
#include "x11_window_search.h"

namespace tumbleview {
namespace {

// The size the still has in the window's definition, before the pane's
// size is known.
constexpr int kStillWidth = 152;
constexpr int kStillHeight = 112;

}  // namespace

PreviewWindow::PreviewWindow(const QString& stillPath)
    : Form(nullptr), Img_Prev(new ImageControl(this)) {
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
  setWindowTitle(QString::fromLatin1(kPreviewCaption));
  setBackColor(Qt::black);
  resize(kStillWidth, kStillHeight);
  Img_Prev->setStretch(true);
  Img_Prev->setGeometry(0, 0, kStillWidth, kStillHeight);
  Img_Prev->setPicture(
      QImage(stillPath.isEmpty() ? QString::fromLatin1(assets::kPreview) : stillPath));
}

bool PreviewWindow::showInPane(X11WindowId pane) {
  load();
  const WindowExtent extent = windowExtentOf(pane);
  if (!setForeignParent(pane)) return false;
  resize(extent.width, extent.height);
  Img_Prev->setGeometry(0, 0, extent.width, extent.height);
  showModeless();
  return true;
}

void PreviewWindow::onUnload() {
  // The close request goes to the window itself; it arrives after the
  // unload and finds nothing left to do.
  QCoreApplication::postEvent(this, new QCloseEvent());
  LastApiResult = 1;
}

}  // namespace tumbleview
