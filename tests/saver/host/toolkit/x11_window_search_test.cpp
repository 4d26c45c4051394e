// Window search by title, the pointer counter and the pointer position, on
// a private Xvfb with no window manager.
#include <gtest/gtest.h>

#include <QString>

#include <memory>
#include <string>
#include <utility>

#include "qt_forms.h"
#include "saver_state.h"
#include "toolkit_test_support.h"
#include "x11_pointer.h"
#include "x11_window_search.h"

// Xlib last: its macros (Bool, Status, None) break Qt headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "xlib_client.h"

namespace tumbleview {
namespace {

using test::waitUntil;

// Windows made by the test on a connection of its own, as another program
// would make them.  The saver's side is Qt's connection, so the
// application comes first.
class OtherClient {
 public:
  OtherClient() { test::application(); }
  bool ready() const { return m_client.ready(); }
  Display* display() const { return m_client.display(); }

  Window create(Window parent, int width = 50, int height = 40) {
    const Window window = XCreateSimpleWindow(display(), parent, 0, 0, width, height, 0, 0, 0);
    XSync(display(), False);
    return window;
  }
  Window createTopLevel(int width = 50, int height = 40) {
    return create(DefaultRootWindow(display()), width, height);
  }
  // _NET_WM_NAME in UTF-8, or WM_NAME in Latin-1.
  void setName(Window window, const std::string& bytes, bool utf8 = true) {
    const Atom property = utf8 ? XInternAtom(display(), "_NET_WM_NAME", False) : XA_WM_NAME;
    const Atom type = utf8 ? XInternAtom(display(), "UTF8_STRING", False) : XA_STRING;
    XChangeProperty(display(), window, property, type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    XSync(display(), False);
  }
  void setCompoundTextWmName(Window window, const std::string& utf8) {
    char* list[] = {const_cast<char*>(utf8.c_str())};
    XTextProperty text{};
    ASSERT_EQ(Xutf8TextListToTextProperty(display(), list, 1, XCompoundTextStyle, &text), Success);
    XSetWMName(display(), window, &text);
    XFree(text.value);
    XSync(display(), False);
  }
  void markAsClient(Window window) {
    const Atom wmState = XInternAtom(display(), "WM_STATE", False);
    const long state[2] = {1, 0};  // NormalState, no icon
    XChangeProperty(display(), window, wmState, wmState, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(state), 2);
    XSync(display(), False);
  }
  void destroy(Window window) {
    XDestroyWindow(display(), window);
    XSync(display(), False);
  }

 private:
  test::XlibClient m_client;
};

class TitledForm : public Form {
 public:
  explicit TitledForm(const QString& title) { setWindowTitle(title); }
};

TEST(FindWindowByTitle, FindsAHiddenFormUntilItIsGone) {
  test::application();
  const std::string title = "<Tumbleview>の設定";
  EXPECT_EQ(findWindowByTitle(title), 0u);
  QPointer<TitledForm> form = new TitledForm(QString::fromStdString(title));
  form->load();  // loaded, never shown
  ASSERT_FALSE(form->isVisible());
  EXPECT_EQ(findWindowByTitle(title), form->winId());
  EXPECT_EQ(findWindowByTitle("<Tumbleview>の"), 0u);  // a prefix is not a match
  form->unload();
  ASSERT_TRUE(waitUntil([&] { return form.isNull(); }));
  EXPECT_TRUE(waitUntil([&] { return findWindowByTitle(title) == 0; }));
}

TEST(FindWindowByTitle, MatchesEitherNamePropertyOfClientsInsideFrames) {
  OtherClient other;
  ASSERT_TRUE(other.ready());
  const Window utf8Only = other.createTopLevel();
  other.setName(utf8Only, "Tumbleview_VC");
  const Window latin1Only = other.createTopLevel();
  other.setName(latin1Only, "Caf\xe9", false);  // "Café" in Latin-1
  XMapWindow(other.display(), latin1Only);

  const Window compound = other.createTopLevel();
  other.setCompoundTextWmName(compound, "<Tumbleview>の設定");
  // A huge name from a hostile client is neither fetched whole nor matched.
  const Window huge = other.createTopLevel();
  other.setName(huge, "Tumbleview_VC" + std::string(4 << 20, 'x'));
  other.setName(huge, "Tumbleview_VC" + std::string(4 << 20, 'x'), false);

  EXPECT_EQ(findWindowByTitle("Tumbleview_VC"), utf8Only);
  EXPECT_EQ(findWindowByTitle("Café"), latin1Only);
  EXPECT_EQ(findWindowByTitle("<Tumbleview>の設定"), compound);
  other.destroy(utf8Only);
  EXPECT_EQ(findWindowByTitle("Tumbleview_VC"), 0u);

  // A reparenting window manager's frame, a wrapper and the client inside.
  const Window frame = other.createTopLevel(200, 150);
  other.setName(frame, "frame");
  const Window wrapper = other.create(frame);
  const Window client = other.create(wrapper);
  other.setName(client, "Tumbleview_Main");
  other.markAsClient(client);
  // A child window of an application is no top-level window.
  const Window application = other.createTopLevel();
  const Window child = other.create(application);
  other.setName(child, "Preview Window");

  EXPECT_EQ(findWindowByTitle("Tumbleview_Main"), client);
  EXPECT_EQ(findWindowByTitle("Preview Window"), 0u);
  other.destroy(frame);
  EXPECT_EQ(findWindowByTitle("Tumbleview_Main"), 0u);
}

TEST(WindowExtentOf, IsTheOuterSizeOrZeroForNoWindow) {
  OtherClient other;
  ASSERT_TRUE(other.ready());
  const Window window =
      XCreateSimpleWindow(other.display(), DefaultRootWindow(other.display()), 5, 5, 120, 90, 3, 0, 0);
  XSync(other.display(), False);
  EXPECT_EQ(std::pair(windowExtentOf(window).width, windowExtentOf(window).height), std::pair(126, 96));
  other.destroy(window);
  EXPECT_EQ(windowExtentOf(window).width, 0);
  EXPECT_EQ(windowExtentOf(0).height, 0);
}

TEST(PointerDisplayCounter, CountsLikeShowCursorAndHidesBelowZero) {
  std::unique_ptr<X11Connection> connection = X11Connection::open();
  ASSERT_TRUE(connection);
  PointerDisplayCounter counter(connection.get());
  const struct { bool show; int count; bool hidden; } steps[] = {
      {false, -1, true}, {false, -2, true}, {true, -1, true}, {true, 0, false},
      {true, 1, false},  {false, 0, false}, {false, -1, true}, {true, 0, false},
  };
  for (const auto& step : steps) {
    EXPECT_EQ(counter.change(step.show), step.count);
    EXPECT_EQ(counter.pointerHidden(), step.hidden) << step.count;
  }
  EXPECT_FALSE(counter.serverRefused());
}

TEST(RecordCursorPosition, StoresThePointerPosition) {
  OtherClient other;
  ASSERT_TRUE(other.ready());
  XWarpPointer(other.display(), None, DefaultRootWindow(other.display()), 0, 0, 0, 0, 123, 45);
  XSync(other.display(), False);
  CursorX = -1;
  CursorY = -1;
  recordCursorPosition();
  EXPECT_EQ(CursorX, 123);
  EXPECT_EQ(CursorY, 45);
}

}  // namespace
}  // namespace tumbleview
