// The preview window inside a pane made by another client, on Xvfb.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <tuple>

#include "preview_window.h"
#include "saver_state.h"
#include "toolkit_test_support.h"
#include "x11_window_search.h"

// Xlib last: its macros (Bool, Status, None) break Qt headers.
#include <X11/Xlib.h>

#include "xlib_client.h"

namespace tumbleview {
namespace {

using test::waitUntil;

// A window's parent, and its place, size and map state in `a`.
struct Geometry {
  Window parent = None;
  XWindowAttributes a{};
  bool mapped() const { return a.map_state == IsViewable; }
};

Geometry query(Display* display, Window window) {
  Geometry result;
  Window root = None, *children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, window, &root, &result.parent, &children, &count) && children) XFree(children);
  XGetWindowAttributes(display, window, &result.a);
  return result;
}

class PreviewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::application();
    ASSERT_TRUE(m_client.ready());
    // A still whose left half is red and right half blue.
    QImage still(152, 112, QImage::Format_RGB32);
    still.fill(Qt::red);
    QPainter(&still).fillRect(76, 0, 76, 112, Qt::blue);
    m_stillPath = m_folder.filePath("preview.bmp");
    ASSERT_TRUE(still.save(m_stillPath, "BMP"));
  }

  Display* display() { return m_client.display(); }
  Window makePane(int width, int height) {
    const Window pane = XCreateSimpleWindow(display(), DefaultRootWindow(display()), 10, 10, width, height, 0, 0, 0);
    XMapWindow(display(), pane);
    XSync(display(), False);
    return pane;
  }
  void destroy(Window window) {
    XDestroyWindow(display(), window);
    XSync(display(), False);
  }

  test::XlibClient m_client;
  QTemporaryDir m_folder;
  QString m_stillPath;
};

TEST_F(PreviewWindowTest, BecomesAChildOfThePaneAndFillsIt) {
  const Window pane = makePane(200, 150);
  QPointer<PreviewWindow> preview = new PreviewWindow(m_stillPath);
  EXPECT_EQ(preview->windowTitle(), "Preview Window");
  ASSERT_TRUE(preview->showInPane(pane));
  const Window window = preview->winId();
  ASSERT_TRUE(waitUntil([&] {
    const Geometry g = query(display(), window);
    return g.parent == pane && g.a.x == 0 && g.a.y == 0 && g.a.width == 200 && g.a.height == 150 && g.mapped();
  }));
  EXPECT_EQ(preview->Img_Prev->geometry(), QRect(0, 0, 200, 150));
  // The still is stretched over the whole pane, whatever its aspect.
  const QImage shown = preview->grab().toImage();
  EXPECT_EQ(std::tuple(shown.pixel(5, 5), shown.pixel(195, 145)), std::tuple(qRgb(255, 0, 0), qRgb(0, 0, 255)));
  // A child window is never taken for a top-level one.
  EXPECT_EQ(findWindowByTitle("Preview Window"), 0u);

  preview->unload();
  EXPECT_EQ(LastApiResult, 1);
  EXPECT_TRUE(waitUntil([&] { return preview.isNull(); }));
  destroy(pane);
}

TEST_F(PreviewWindowTest, GoesAwayWithThePane) {
  const Window pane = makePane(120, 90);
  QPointer<PreviewWindow> preview = new PreviewWindow(m_stillPath);
  ASSERT_TRUE(preview->showInPane(pane));
  ASSERT_TRUE(waitUntil([&] { return query(display(), preview->winId()).mapped(); }));
  destroy(pane);
  EXPECT_TRUE(waitUntil([&] { return preview.isNull(); }));
  EXPECT_EQ(Form::loadedCount(), 0);
  runUntilNoFormIsLoaded();  // nothing left: the program can end
}

TEST_F(PreviewWindowTest, ShowsTheCompiledInStillAndRefusesAPaneThatDoesNotExist) {
  QPointer<PreviewWindow> preview = new PreviewWindow();
  EXPECT_EQ(preview->Img_Prev->picture().size(), QSize(152, 112));
  EXPECT_FALSE(preview->showInPane(0));
  const Window gone = makePane(10, 10);
  destroy(gone);
  EXPECT_FALSE(preview->showInPane(gone));
  EXPECT_FALSE(preview->isVisible());
  preview->unload();
  EXPECT_TRUE(waitUntil([&] { return preview.isNull(); }));
}

}  // namespace
}  // namespace tumbleview
