// Forms, controls, helpers and program services on a private Xvfb.
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
#include <string>
#include <tuple>
#include <vector>

#include "host_test_files.h"
#include "qt_forms.h"
#include "qt_helpers.h"
#include "qt_program.h"
#include "saver_state.h"
#include "toolkit_error.h"
#include "toolkit_test_support.h"

namespace tumbleview {
namespace {

using test::waitUntil;

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
  test::application();
  std::vector<std::string> events;
  QPointer<RecordingForm> form = new RecordingForm(events);
  form->setBackColor(QColor(1, 2, 3));
  EXPECT_EQ(Form::loadedCount(), 0);
  form->load();
  form->load();
  EXPECT_EQ(events, (std::vector<std::string>{"load"}));
  EXPECT_EQ(Form::loadedCount(), 1);
  EXPECT_FALSE(form->isVisible());
  form->resize(40, 30);  // never shown: the surface still follows the size
  ASSERT_EQ(form->surface().size(), QSize(40, 30));
  form->surface().setPixel(5, 5, qRgb(250, 0, 0));
  form->resize(60, 50);
  EXPECT_EQ(form->surface().size(), QSize(60, 50));
  EXPECT_EQ(form->surface().pixel(5, 5), qRgb(250, 0, 0));
  EXPECT_EQ(form->surface().pixel(55, 45), qRgb(1, 2, 3));

  form->showModeless();
  ASSERT_TRUE(waitUntil([&] { return form->isVisible(); }));
  events.clear();
  form->resize(222, 111);
  ASSERT_TRUE(waitUntil([&] { return !events.empty() && events.back() == "resize"; }));

  // A close request from outside unloads as unloading from code does.
  QCloseEvent close;
  QApplication::sendEvent(form, &close);
  EXPECT_EQ(events[events.size() - 2], "query-unload");
  EXPECT_EQ(events.back(), "unload");
  EXPECT_EQ(Form::loadedCount(), 0);
  form->unload();  // a second unload does nothing
  EXPECT_EQ(events.back(), "unload");
  EXPECT_TRUE(waitUntil([&] { return form.isNull(); }));
}

TEST(Form, ShowModalAndTheMessageLoopReturnOnceUnloaded) {
  test::application();
  std::vector<std::string> events;
  QPointer<RecordingForm> modal = new RecordingForm(events);
  QTimer::singleShot(50, modal, [&] { modal->unload(); });
  modal->showModal();
  EXPECT_EQ(events.back(), "unload");

  QPointer<RecordingForm> first = new RecordingForm(events);
  QPointer<RecordingForm> second = new RecordingForm(events);
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
  test::application();
  ComboBox box;
  box.setText("7");
  for (int i = 0; i <= 20; ++i) box.addItem(i == 0 ? QString() : QString::number(i));
  EXPECT_EQ(box.count(), 21);
  EXPECT_EQ(box.text(), "7");
  EXPECT_EQ(box.itemText(0), "");
  box.setText("");
  box.addItem("21");
  EXPECT_EQ(box.text(), "");
}

TEST(Controls, GroupMembersShareOneHandlerThatGetsTheIndex) {
  test::application();
  QWidget window;
  ControlGroup<Label> labels;
  for (int index : {0, 1, 2, 9}) {
    auto* label = new Label(&window);
    label->setGeometry(0, 20 * (index % 3), 100, 18);
    labels.add(index, label);
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
  test::application();
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
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(std::tuple(lastUp.button, lastUp.x, lastUp.y), std::tuple(2, 10, 7));
}

TEST(Controls, TimerTicksOnlyWhileEnabledWithAnInterval) {
  test::application();
  Timer timer;
  int ticks = 0;
  QObject::connect(&timer, &Timer::tick, [&] { ++ticks; });
  timer.setEnabled(true);  // no interval yet: no ticks
  waitUntil([] { return false; }, 30);
  EXPECT_EQ(ticks, 0);
  timer.setInterval(5);
  ASSERT_TRUE(waitUntil([&] { return ticks >= 3; }));
  timer.setEnabled(false);
  const int stopped = ticks;
  waitUntil([] { return false; }, 50);
  EXPECT_EQ(ticks, stopped);
}

TEST(PictureBox, SizesItselfToAPictureAndStretchCopiesPartOfOne) {
  test::application();
  PictureBox box;
  box.setBackColor(Qt::black);
  box.setAutoSize(true);
  QImage picture(30, 20, QImage::Format_RGB32);
  picture.fill(QColor(0, 200, 0));
  picture.setPixel(29, 19, qRgb(9, 9, 9));
  box.setPicture(picture);
  EXPECT_EQ(box.size(), QSize(30, 20));
  EXPECT_EQ(box.surface().pixel(29, 19), qRgb(9, 9, 9));

  PictureBox preview;
  preview.setBackColor(Qt::black);
  preview.resize(80, 80);
  preview.resize(80, 53);
  preview.paintPicture(box.picture(), QRect(0, 0, 80, 53), QRect(0, 0, 30, 20));
  EXPECT_EQ(preview.surface().size(), QSize(80, 53));
  EXPECT_EQ(preview.surface().pixel(0, 0), qRgb(0, 200, 0));
  EXPECT_EQ(preview.surface().pixel(79, 52), qRgb(9, 9, 9));
}

// Grids of the raised edge: L = Midlight, H = Light, S = Dark, D = Shadow,
// '.' = untouched.
TEST(DrawBoxEdge, DrawsTheRaisedEdgeWithDarkCornersAndAnUntouchedInside) {
  test::application();
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
  test::application();
  // A clock that moves 50 ms at every reading: five frames, no waiting.
  auto fakeNow = std::chrono::steady_clock::time_point{};
  std::vector<QRect> frames;
  ZoomTiming timing;
  timing.frameInterval = std::chrono::milliseconds(0);
  timing.now = [&] { return fakeNow += std::chrono::milliseconds(50); };
  timing.onFrame = [&](const QRect& outline) { frames.push_back(outline); };
  setZoomTiming(timing);

  QWidget window;
  window.setGeometry(300, 200, 100, 80);
  CursorX = 10;
  CursorY = 20;
  AnimateOpen(&window);
  ASSERT_GE(frames.size(), 3u);
  EXPECT_EQ(frames.front(), zoomFrameRect(QRect(10, 20, 0, 0), window.frameGeometry(), 0.25));
  EXPECT_EQ(frames.back(), window.frameGeometry());

  frames.clear();
  AnimateClose(&window);
  EXPECT_EQ(frames.back(), QRect(10, 20, 0, 0));
  EXPECT_EQ(zoomFrameRect(QRect(0, 0, 0, 0), QRect(100, 50, 200, 100), 0.5), QRect(50, 25, 100, 50));
  // No overlay is left on the screen.
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    EXPECT_FALSE(widget != &window && widget->isVisible());
  }
  setZoomTiming(ZoomTiming{});
}

TEST(Program, ScreenTwipsAndNestedPointerChanges) {
  test::application();
  EXPECT_EQ(screenSizePixels(), QSize(1024, 768));
  EXPECT_DOUBLE_EQ(twipsPerPixelX(), 15.0);
  EXPECT_DOUBLE_EQ(twipsPerPixelY(), 15.0);
  setAppPointer(AppPointer::Hourglass);
  setAppPointer(AppPointer::Hourglass);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  setAppPointer(AppPointer::Default);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(Program, StartsAProgramWithoutWaitingAndReapsIt) {
  test::application();
  const pid_t pid = startProgram("/bin/true");
  ASSERT_GT(pid, 0);
  // Reaped by the event loop: the process entry disappears, no zombie.
  EXPECT_TRUE(waitUntil([&] { return !std::filesystem::exists("/proc/" + std::to_string(pid)); }));
  EXPECT_TRUE(startedProgramHasEnded(pid));

  // A program that would run for a while ends with its process group.
  host_test::TempFolder folder;
  const std::string script = folder / "Tumbleview.dll";
  host_test::writeBytes(script, "#!/bin/sh\nsleep 30\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  const pid_t sleeper = startProgram(script);
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
  EXPECT_EXIT(
      {
        std::atexit([] { _exit(8); });
        endProgramNow(7);
      },
      ::testing::ExitedWithCode(7), "");
}

}  // namespace
}  // namespace tumbleview
