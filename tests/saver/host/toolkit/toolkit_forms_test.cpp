// Forms, controls, helpers, program services, window search by title and
// the pointer, on a private Xvfb with no window manager.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QTest>
#include <QTimer>

#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "qt_forms.h"
#include "qt_helpers.h"
#include "qt_program.h"
#include "saver_state.h"
#include "temp_folder.h"
#include "toolkit_error.h"
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

// Every test needs the application; it lives until the process ends.
const QApplication& kApplication = test::application();

// Records its events in order.
class RecordingForm : public Form {
 public:
  explicit RecordingForm(std::vector<std::string>& events) : m_events(events) {}

 protected:
  void onLoad() override { m_events.push_back("load"); }
  void onResize() override { m_events.push_back("resize"); }
  void onQueryUnload() override { m_events.push_back("query-unload"); }
  void onUnload() override { m_events.push_back("unload"); }

 private:
  std::vector<std::string>& m_events;
};

TEST(Form, RunsItsHandlersInOrderKeepsItsSurfaceAndGoesAwayAfterUnload) {
  std::vector<std::string> events;
  QPointer<RecordingForm> form = new RecordingForm(events);
  form->setBackColor(QColor(1, 2, 3));
  EXPECT_EQ(Form::loadedCount(), 0);
  form->load();
  form->load();
  EXPECT_EQ(std::tuple(events.size(), Form::loadedCount(), form->isVisible()), std::tuple(1u, 1, false));
  form->resize(40, 30);  // never shown: the surface still follows the size
  form->surface().setPixel(5, 5, qRgb(250, 0, 0));
  form->resize(60, 50);
  const QImage& surface = form->surface();
  EXPECT_EQ(std::tuple(surface.size(), surface.pixel(5, 5), surface.pixel(55, 45)), std::tuple(QSize(60, 50), qRgb(250, 0, 0), qRgb(1, 2, 3)));

  form->showModeless();
  ASSERT_TRUE(waitUntil([&] { return form->isVisible(); }));
  form->resize(222, 111);
  ASSERT_TRUE(waitUntil([&] { return !events.empty() && events.back() == "resize"; }));
  events.clear();
  // A close request from outside unloads as unloading from code does; a
  // second unload does nothing.
  QCloseEvent close;
  QApplication::sendEvent(form, &close);
  form->unload();
  EXPECT_EQ(events, (std::vector<std::string>{"query-unload", "unload"}));
  EXPECT_EQ(Form::loadedCount(), 0);
  EXPECT_TRUE(waitUntil([&] { return form.isNull(); }));
}

TEST(Form, ShowModalAndTheMessageLoopReturnOnceUnloaded) {
  std::vector<std::string> events;
  QPointer<RecordingForm> modal = new RecordingForm(events);
  QTimer::singleShot(50, modal, [&] { modal->unload(); });
  modal->showModal();
  EXPECT_EQ(events.back(), "unload");

  QPointer<RecordingForm> first = new RecordingForm(events), second = new RecordingForm(events);
  first->showModeless();
  second->load();
  QTimer::singleShot(20, first, [&] { first->unload(); });
  QTimer::singleShot(60, second, [&] { second->unload(); });
  runUntilNoFormIsLoaded();
  EXPECT_EQ(Form::loadedCount(), 0);
  EXPECT_TRUE(second.isNull() || !second->isLoaded());
  runUntilNoFormIsLoaded();  // returns at once with nothing loaded
  ASSERT_TRUE(waitUntil([&] { return first.isNull() && second.isNull(); }));
}

TEST(Controls, ComboBoxKeepsItsTextWhenItemsAreAdded) {
  ComboBox box;
  box.setText("7");
  for (int i = 0; i <= 20; ++i) box.addItem(i == 0 ? QString() : QString::number(i));
  EXPECT_EQ(std::tuple(box.count(), box.text(), box.itemText(0)), std::tuple(21, "7", ""));
  box.setText("");
  box.addItem("21");
  EXPECT_EQ(box.text(), "");
}

TEST(Controls, GroupMembersShareOneHandlerThatGetsTheIndex) {
  QWidget window;
  ControlGroup<Label> labels;
  for (int index : {0, 1, 2, 9}) {
    labels.add(index, new Label(&window));
    labels[index].setGeometry(0, 20 * (index % 3), 100, 18);
  }
  std::vector<std::pair<int, int>> presses;  // index, button
  labels.connectEach(&Label::mouseDown,
                     [&](int index, const MouseEvent& event) { presses.emplace_back(index, event.button); });
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QTest::mousePress(&labels[2], Qt::RightButton, Qt::ShiftModifier, QPoint(3, 3));
  QTest::mousePress(&labels[9], Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
  EXPECT_EQ(presses, (std::vector<std::pair<int, int>>{{2, 2}, {9, 1}}));
  EXPECT_THROW(labels[5], ToolkitError);
}

TEST(Controls, LabelShowsMarkupAsTextAndClicksOnLeftRelease) {
  Label label;
  label.setCaption("<b>C:\\x</b>");
  label.resize(120, 20);
  EXPECT_EQ(label.textFormat(), Qt::PlainText);
  int clicks = 0;
  MouseEvent lastUp;
  QObject::connect(&label, &Label::clicked, [&] { ++clicks; });
  QObject::connect(&label, &Label::mouseUp, [&](const MouseEvent& event) { lastUp = event; });
  label.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&label));
  QTest::mouseClick(&label, Qt::LeftButton, Qt::ControlModifier, QPoint(10, 7));
  QTest::mouseClick(&label, Qt::RightButton, Qt::NoModifier, QPoint(10, 7));
  EXPECT_EQ(std::tuple(clicks, lastUp.button, lastUp.x, lastUp.y), std::tuple(1, 2, 10, 7));
}

TEST(Controls, TimerTicksOnlyWhileEnabledWithAnInterval) {
  Timer timer;
  int ticks = 0;
  QObject::connect(&timer, &Timer::tick, [&] { ++ticks; });
  timer.setEnabled(true);  // no interval yet: no ticks
  EXPECT_FALSE(waitUntil([&] { return ticks != 0; }, 30));
  timer.setInterval(5);
  ASSERT_TRUE(waitUntil([&] { return ticks >= 3; }));
  timer.setEnabled(false);
  const int stopped = ticks;
  EXPECT_FALSE(waitUntil([&] { return ticks != stopped; }, 50));
}

TEST(PictureBox, SizesItselfToAPictureAndStretchCopiesPartOfOne) {
  PictureBox box, preview;
  box.setBackColor(Qt::black);
  box.setAutoSize(true);
  QImage picture(30, 20, QImage::Format_RGB32);
  picture.fill(QColor(0, 200, 0));
  picture.setPixel(29, 19, qRgb(9, 9, 9));
  box.setPicture(picture);
  EXPECT_EQ(box.size(), QSize(30, 20));
  EXPECT_EQ(box.surface().pixel(29, 19), qRgb(9, 9, 9));

  preview.setBackColor(Qt::black);
  preview.resize(80, 80);
  preview.resize(80, 53);
  preview.paintPicture(box.picture(), QRect(0, 0, 80, 53), QRect(0, 0, 30, 20));
  EXPECT_EQ(preview.surface().size(), QSize(80, 53));
  EXPECT_EQ(std::tuple(preview.surface().pixel(0, 0), preview.surface().pixel(79, 52)), std::tuple(qRgb(0, 200, 0), qRgb(9, 9, 9)));
}

// Grids of the raised edge: L = Midlight, H = Light, S = Dark, D = Shadow,
// '.' = untouched.
TEST(DrawBoxEdge, DrawsTheRaisedEdgeWithDarkCornersAndAnUntouchedInside) {
  const QPalette p = QApplication::palette();
  const std::map<char, QRgb> colourOf = {
      {'L', p.color(QPalette::Midlight).rgb()}, {'H', p.color(QPalette::Light).rgb()},
      {'S', p.color(QPalette::Dark).rgb()},     {'D', p.color(QPalette::Shadow).rgb()}, {'.', qRgb(1, 2, 3)}};
  const std::vector<std::string> cases[] = {{"LLLLD", "LHHSD", "LH.SD", "LSSSD", "DDDDD"},
                                            {"LLLD", "LHSD", "LSSD", "DDDD"}};
  for (const auto& rows : cases) {
    const int size = static_cast<int>(rows.size());
    PictureBox box;
    box.setBackColor(QColor(1, 2, 3));
    box.resize(size, size);
    box.clearSurface();
    DrawBoxEdge(box, kEdgeRaised);
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        EXPECT_EQ(box.surface().pixel(x, y), colourOf.at(rows[y][x])) << size << " square, at " << x << "," << y;
      }
    }
  }
}

TEST(AnimateOpen, ZoomsFromTheCursorPointToTheWindowAndReturns) {
  // A clock that moves 50 ms at every reading: five frames, no waiting.
  auto fakeNow = std::chrono::steady_clock::time_point{};
  std::vector<QRect> frames;
  setZoomTiming({.frameInterval = std::chrono::milliseconds(0),
                 .now = [&] { return fakeNow += std::chrono::milliseconds(50); },
                 .onFrame = [&](const QRect& outline) { frames.push_back(outline); }});
  QWidget window;
  window.setGeometry(300, 200, 100, 80);
  CursorX = 10, CursorY = 20;
  AnimateOpen(&window);
  ASSERT_GE(frames.size(), 3u);
  EXPECT_EQ(frames.front(), zoomFrameRect(QRect(10, 20, 0, 0), window.frameGeometry(), 0.25));
  EXPECT_EQ(frames.back(), window.frameGeometry());

  frames.clear();
  AnimateClose(&window);
  EXPECT_EQ(frames.back(), QRect(10, 20, 0, 0));
  EXPECT_EQ(zoomFrameRect(QRect(0, 0, 0, 0), QRect(100, 50, 200, 100), 0.5), QRect(50, 25, 100, 50));
  // No overlay is left on the screen.
  for (QWidget* widget : QApplication::topLevelWidgets()) EXPECT_FALSE(widget != &window && widget->isVisible());
  setZoomTiming(ZoomTiming{});
}

TEST(Program, ScreenTwipsAndNestedPointerChanges) {
  EXPECT_EQ(screenSizePixels(), QSize(1024, 768));
  EXPECT_EQ(std::tuple(twipsPerPixelX(), twipsPerPixelY()), std::tuple(15.0, 15.0));
  setAppPointer(AppPointer::Hourglass);
  setAppPointer(AppPointer::Hourglass);
  ASSERT_TRUE(QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor);
  setAppPointer(AppPointer::Default);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(Program, StartsAProgramWithoutWaitingAndReapsIt) {
  const pid_t pid = startProgram("/bin/true");
  ASSERT_GT(pid, 0);
  // Reaped by the event loop: the process entry disappears, no zombie.
  EXPECT_TRUE(waitUntil([&] { return !std::filesystem::exists("/proc/" + std::to_string(pid)); }));
  EXPECT_TRUE(startedProgramHasEnded(pid));

  // A program that would run for a while ends with its process group.
  const test::TempFolder folder;
  test::writeBytes(folder / "Tumbleview.dll", "#!/bin/sh\nsleep 30\n");
  std::filesystem::permissions(folder / "Tumbleview.dll", std::filesystem::perms::owner_all);
  const pid_t sleeper = startProgram(folder / "Tumbleview.dll");
  EXPECT_FALSE(startedProgramHasEnded(sleeper));
  endStartedProgram(sleeper);
  EXPECT_TRUE(waitUntil([&] { return startedProgramHasEnded(sleeper); }));

  EXPECT_THROW(startProgram("/nonexistent/Tumbleview.dll"), ToolkitError);
  // The test program's own arguments, as GoogleTest received them.
  std::string expected;
  const std::vector<std::string> argv = ::testing::internal::GetArgvs();
  for (std::size_t i = 1; i < argv.size(); ++i) expected += (i > 1 ? " " : "") + argv[i];
  EXPECT_EQ(argumentText(), expected);
}

TEST(Program, EndProgramNowRunsNoExitHandlers) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // An exit handler that ran would change the status to 8.
  EXPECT_EXIT((std::atexit([] { _exit(8); }), endProgramNow(7)), ::testing::ExitedWithCode(7), "");
}

// Windows made by the test on a connection of its own, as another program
// would make them.
class OtherClient {
 public:
  bool ready() const { return m_client.ready(); }
  Display* display() const { return m_client.display(); }

  // A window inside `parent` (a top-level one without), named if a name is
  // given: in _NET_WM_NAME as UTF-8, or in WM_NAME as Latin-1.
  Window create(const std::string& name = "", Window parent = 0, bool utf8 = true) {
    const Window window = XCreateSimpleWindow(display(), parent ? parent : DefaultRootWindow(display()), 0, 0, 50, 40, 0, 0, 0);
    if (!name.empty()) setProperty(window, utf8 ? atom("_NET_WM_NAME") : XA_WM_NAME, utf8 ? atom("UTF8_STRING") : XA_STRING, name);
    XSync(display(), False);
    return window;
  }
  // Format 8 bytes, or format 32 longs.
  void setProperty(Window window, Atom property, Atom type, const std::string& bytes, int format = 8) {
    XChangeProperty(display(), window, property, type, format, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size() / (format == 32 ? sizeof(long) : 1)));
    XSync(display(), False);
  }
  Atom atom(const char* name) const { return XInternAtom(display(), name, False); }
  void destroy(Window window) {
    XDestroyWindow(display(), window);
    XSync(display(), False);
  }

 private:
  test::XlibClient m_client;
};

TEST(FindWindowByTitle, FindsAHiddenFormUntilItIsGone) {
  const std::string title = "<Tumbleview>の設定";
  EXPECT_EQ(findWindowByTitle(title), 0u);
  std::vector<std::string> events;
  QPointer<RecordingForm> form = new RecordingForm(events);
  form->setWindowTitle(QString::fromStdString(title));
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
  const Window utf8Only = other.create("Tumbleview_VC");
  const Window latin1Only = other.create("Caf\xe9", 0, false);  // "Café" in Latin-1
  XMapWindow(other.display(), latin1Only);
  const Window compound = other.create();
  char* list[] = {const_cast<char*>("<Tumbleview>の設定")};
  XTextProperty text{};
  ASSERT_EQ(Xutf8TextListToTextProperty(other.display(), list, 1, XCompoundTextStyle, &text), Success);
  other.setProperty(compound, XA_WM_NAME, text.encoding, std::string(reinterpret_cast<char*>(text.value), text.nitems));
  XFree(text.value);
  // A huge name from a hostile client is neither fetched whole nor matched.
  const Window huge = other.create("Tumbleview_VC" + std::string(4 << 20, 'x'));
  other.setProperty(huge, XA_WM_NAME, XA_STRING, "Tumbleview_VC" + std::string(4 << 20, 'x'));

  EXPECT_EQ(findWindowByTitle("Tumbleview_VC"), utf8Only);
  EXPECT_EQ(findWindowByTitle("Tumbleview_V"), 0u);  // no prefix matches
  EXPECT_EQ(findWindowByTitle("Café"), latin1Only);
  EXPECT_EQ(findWindowByTitle("<Tumbleview>の設定"), compound);
  other.destroy(utf8Only);
  EXPECT_EQ(findWindowByTitle("Tumbleview_VC"), 0u);

  // A reparenting window manager's frame, a wrapper and the client inside.
  const Window frame = other.create("frame");
  const Window client = other.create("Tumbleview_Main", other.create("", frame));
  const long normalState[2] = {1, 0};  // NormalState, no icon
  other.setProperty(client, other.atom("WM_STATE"), other.atom("WM_STATE"),
                    std::string(reinterpret_cast<const char*>(normalState), sizeof normalState), 32);
  // A child window of an application is no top-level window.
  other.create("Preview Window", other.create());

  EXPECT_EQ(findWindowByTitle("Tumbleview_Main"), client);
  EXPECT_EQ(findWindowByTitle("Preview Window"), 0u);
  other.destroy(frame);
  EXPECT_EQ(findWindowByTitle("Tumbleview_Main"), 0u);
}

TEST(WindowExtentOf, IsTheOuterSizeOrZeroForNoWindow) {
  OtherClient other;
  ASSERT_TRUE(other.ready());
  const Window window = XCreateSimpleWindow(other.display(), DefaultRootWindow(other.display()), 5, 5, 120, 90, 3, 0, 0);
  XSync(other.display(), False);
  EXPECT_EQ(std::tuple(windowExtentOf(window).width, windowExtentOf(window).height), std::tuple(126, 96));
  other.destroy(window);
  EXPECT_EQ(std::tuple(windowExtentOf(window).width, windowExtentOf(0).height), std::tuple(0, 0));
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
  const OtherClient other;
  ASSERT_TRUE(other.ready());
  XWarpPointer(other.display(), None, DefaultRootWindow(other.display()), 0, 0, 0, 0, 123, 45);
  XSync(other.display(), False);
  CursorX = CursorY = -1;
  recordCursorPosition();
  EXPECT_EQ(std::tuple(CursorX, CursorY), std::tuple(123, 45));
}

}  // namespace
}  // namespace tumbleview
