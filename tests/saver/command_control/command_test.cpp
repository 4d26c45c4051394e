// The Command button on a real X server: states driven by the real pointer
// (xdotool) and real focus, the painted face pixel by pixel, and the
// persisted property set.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>
#include <vector>

#include "assets.h"
#include "command.h"
#include "control_registry.h"
#include "property_bag.h"

namespace {

using tumbleview::Command;
using Skin = tumbleview::Command::Skin;

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { m_app = std::make_unique<QApplication>(m_argc, m_argv); }
  void TearDown() override { m_app.reset(); }

 private:
  int m_argc = 1;
  char m_name[13] = "command_test";
  char* m_argv[2] = {m_name, nullptr};
  std::unique_ptr<QApplication> m_app;
};
[[maybe_unused]] auto* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// The real pointer and keyboard of the test's X server: xdotool with
// space-separated arguments, bounded to ten seconds.
bool xdotool(const QString& arguments) {
  QProcess process;
  process.start(QStringLiteral("xdotool"), arguments.split(u' '));
  return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
bool pointerTo(QPoint global) { return xdotool(QStringLiteral("mousemove --sync %1 %2").arg(global.x()).arg(global.y())); }
bool buttonDown(int button) { return xdotool(QStringLiteral("mousedown %1").arg(button)); }
bool buttonUp(int button) { return xdotool(QStringLiteral("mouseup %1").arg(button)); }
bool key(const char* name) { return xdotool(QStringLiteral("key ") + QLatin1String(name)); }

// Counts the input events a widget has received, so that a test can wait
// until an action that changes no state has certainly arrived.
class EventLog : public QObject {
 public:
  explicit EventLog(QWidget* watched) { watched->installEventFilter(this); }
  int count(QEvent::Type type) const { return m_counts.value(type); }
  QPoint lastMove() const { return m_lastMove; }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    ++m_counts[event->type()];
    if (event->type() == QEvent::MouseMove) m_lastMove = static_cast<QMouseEvent*>(event)->position().toPoint();
    return false;
  }

 private:
  QHash<int, int> m_counts;
  QPoint m_lastMove{-1, -1};
};

constexpr QRgb kFormColour = 0xFF208020;

class CommandOnForm : public ::testing::Test {
 protected:
  void SetUp() override { setUpForm(true); }

  // `initialize` does what the settings dialog does on load.
  void setUpForm(bool initialize) {
    ASSERT_TRUE(pointerTo({2, 2}));
    m_form = std::make_unique<QWidget>();
    m_form->setGeometry(100, 100, 320, 200);
    QPalette palette = m_form->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(kFormColour));
    m_form->setPalette(palette);
    m_form->setAutoFillBackground(true);
    m_button = new Command(m_form.get());
    m_button->move(40, 60);  // 117 x 28 pixels: its design size
    m_other = new QLineEdit(m_form.get());
    m_other->setGeometry(200, 150, 100, 24);
    m_log = std::make_unique<EventLog>(m_button);
    m_form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
    m_form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
    m_other->setFocus();
    QTRY_VERIFY(m_other->hasFocus());
    m_clicks = std::make_unique<QSignalSpy>(m_button, &Command::Click);
    ASSERT_TRUE(m_button->enabledProperty());
    if (initialize) m_button->Initialize();
  }

  void TearDown() override {
    m_clicks.reset();
    m_log.reset();
    m_form.reset();
  }

  void hover() {
    ASSERT_TRUE(pointerTo(centre()));
    QTRY_COMPARE(m_button->buttonState(), 2);
  }

  QPoint centre() const { return m_button->mapToGlobal(m_button->rect().center()); }
  QPoint besideButton() const { return m_form->mapToGlobal(QPoint(20, 20)); }

  std::unique_ptr<QWidget> m_form;
  Command* m_button = nullptr;
  QLineEdit* m_other = nullptr;
  std::unique_ptr<EventLog> m_log;
  std::unique_ptr<QSignalSpy> m_clicks;
};

class UninitialisedCommandOnForm : public CommandOnForm {
  void SetUp() override { setUpForm(false); }
};

// ---- States ---------------------------------------------------------------------

TEST_F(CommandOnForm, HoverEntersAtOnceAndThePollLeavesWithinItsInterval) {
  const auto* poll = m_button->findChild<QTimer*>(QStringLiteral("TmrMouse"));
  ASSERT_NE(poll, nullptr);
  EXPECT_TRUE(poll->isActive());
  EXPECT_EQ(poll->interval(), 100);

  hover();
  EXPECT_EQ(m_button->paintedSkin(), Skin::HighLight);
  EXPECT_TRUE(m_button->invertGradient());

  // Over the parent form itself.
  ASSERT_TRUE(pointerTo(besideButton()));
  QTRY_COMPARE_WITH_TIMEOUT(m_button->buttonState(), 1, 2000);
  EXPECT_EQ(m_button->paintedSkin(), Skin::Normal);
  EXPECT_FALSE(m_button->invertGradient());

  // Over the caption, which counts as the control (several polls run and
  // the hover stays), then over another control, then outside every window.
  ASSERT_TRUE(pointerTo(m_button->captionLabel()->mapToGlobal(QPoint(58, 6))));
  QTRY_COMPARE(m_button->buttonState(), 2);
  QSignalSpy ticks(poll, &QTimer::timeout);
  QTRY_VERIFY(ticks.count() >= 3);
  EXPECT_EQ(m_button->buttonState(), 2);
  ASSERT_TRUE(pointerTo(m_other->mapToGlobal(QPoint(5, 5))));
  QTRY_COMPARE_WITH_TIMEOUT(m_button->buttonState(), 1, 2000);
  hover();
  ASSERT_TRUE(pointerTo({2, 2}));
  QTRY_COMPARE_WITH_TIMEOUT(m_button->buttonState(), 1, 2000);
}

TEST_F(CommandOnForm, ClickRaisesClickOnceAndShowsPressedThenHighLightSelect) {
  hover();
  ASSERT_TRUE(buttonDown(1));
  QTRY_VERIFY(m_button->leftDown());
  EXPECT_TRUE(m_button->hasFocus());
  EXPECT_EQ(m_button->buttonState(), 4);  // the focus that came with the press
  EXPECT_EQ(m_button->paintedSkin(), Skin::Pressed);
  ASSERT_TRUE(buttonUp(1));
  QTRY_COMPARE(m_clicks->count(), 1);
  EXPECT_FALSE(m_button->leftDown());
  EXPECT_EQ(m_button->buttonState(), 4);
  EXPECT_EQ(m_button->paintedSkin(), Skin::HighLightSelect);
  // Leaving afterwards keeps the focus: Selected.
  ASSERT_TRUE(pointerTo(besideButton()));
  QTRY_COMPARE(m_button->buttonState(), 3);
  EXPECT_EQ(m_button->paintedSkin(), Skin::Selected);
  EXPECT_EQ(m_clicks->count(), 1);
}

// The second press of a double click is no mouse-down (no Pressed skin);
// each release is a mouse-up, so a double click clicks twice.
TEST_F(CommandOnForm, DoubleClickRaisesClickForEachRelease) {
  hover();
  // One xdotool run, so the second press comes well within the interval.
  ASSERT_TRUE(xdotool(QStringLiteral("mousedown 1 mouseup 1 mousedown 1")));
  QTRY_COMPARE(m_log->count(QEvent::MouseButtonDblClick), 1);
  EXPECT_EQ(m_clicks->count(), 1);
  EXPECT_EQ(m_button->paintedSkin(), Skin::HighLightSelect);
  EXPECT_FALSE(m_button->leftDown());
  ASSERT_TRUE(buttonUp(1));
  QTRY_COMPARE(m_clicks->count(), 2);
}

// A press dragged off raises nothing on release, whether or not the pointer
// came back over the button while held.
TEST_F(CommandOnForm, PressDraggedOffRaisesNothingEvenWhenDraggedBackOn) {
  for (const bool back : {false, true}) {
    SCOPED_TRACE(back ? "dragged back on" : "released outside");
    m_other->setFocus();
    QTRY_COMPARE(m_button->buttonState(), 1);
    hover();
    ASSERT_TRUE(buttonDown(1));
    QTRY_VERIFY(m_button->leftDown());
    ASSERT_TRUE(pointerTo(besideButton()));
    QTRY_COMPARE_WITH_TIMEOUT(m_button->buttonState(), 3, 2000);
    EXPECT_EQ(m_button->paintedSkin(), Skin::Selected);
    if (back) {
      const QPoint on = m_button->rect().center() + QPoint(3, 0);
      ASSERT_TRUE(pointerTo(m_button->mapToGlobal(on)));
      QTRY_COMPARE(m_log->lastMove(), on);
      EXPECT_EQ(m_button->buttonState(), 3);  // held down: no way back to 4
    }
    ASSERT_TRUE(buttonUp(1));
    QTRY_VERIFY(!m_button->leftDown());  // the release went to the control
    EXPECT_EQ(m_clicks->count(), 0);
    EXPECT_EQ(m_button->buttonState(), 3);
    EXPECT_EQ(m_button->paintedSkin(), Skin::Selected);
  }
  // The next move, with the button up, hovers again.
  ASSERT_TRUE(pointerTo(centre()));
  QTRY_COMPARE(m_button->buttonState(), 4);
  EXPECT_EQ(m_button->paintedSkin(), Skin::HighLightSelect);
}

TEST_F(CommandOnForm, RightButtonReleaseClicksWithoutThePressedSkin) {
  hover();
  ASSERT_TRUE(buttonDown(3));
  QTRY_COMPARE(m_log->count(QEvent::MouseButtonPress), 1);
  EXPECT_EQ(m_button->paintedSkin(), Skin::HighLight);
  EXPECT_FALSE(m_button->leftDown());
  EXPECT_FALSE(m_button->hasFocus());
  ASSERT_TRUE(buttonUp(3));
  QTRY_COMPARE(m_clicks->count(), 1);
  EXPECT_EQ(m_button->paintedSkin(), Skin::HighLight);
  EXPECT_EQ(m_button->buttonState(), 2);
}

TEST_F(CommandOnForm, DisabledIgnoresPointerFocusAndHover) {
  m_button->setEnabledProperty(false);
  EXPECT_EQ(m_button->paintedSkin(), Skin::Disable);
  EXPECT_FALSE(m_button->captionLabel()->isEnabled());
  ASSERT_TRUE(pointerTo(centre()));
  QTRY_VERIFY(m_log->count(QEvent::MouseMove) > 0);
  ASSERT_TRUE(buttonDown(1));
  ASSERT_TRUE(buttonUp(1));
  QTRY_COMPARE(m_log->count(QEvent::MouseButtonRelease), 1);
  m_button->setFocus();
  QTRY_VERIFY(m_button->hasFocus());
  m_other->setFocus();
  QTRY_VERIFY(m_other->hasFocus());
  EXPECT_EQ(m_clicks->count(), 0);
  EXPECT_EQ(m_button->buttonState(), 1);
  EXPECT_FALSE(m_button->leftDown());
  EXPECT_EQ(m_button->paintedSkin(), Skin::Disable);
}

TEST_F(CommandOnForm, EnterAndSpaceOnAFocusedButtonRaiseNothing) {
  m_button->setFocus(Qt::TabFocusReason);
  QTRY_COMPARE(m_button->buttonState(), 3);
  EXPECT_EQ(m_button->paintedSkin(), Skin::Selected);
  for (const char* name : {"Return", "space", "KP_Enter"}) ASSERT_TRUE(key(name));
  QTRY_COMPARE(m_log->count(QEvent::KeyRelease), 3);
  EXPECT_EQ(m_clicks->count(), 0);
  EXPECT_EQ(m_button->buttonState(), 3);
}

TEST_F(UninitialisedCommandOnForm, NeverHoversAndNeverNoticesLeaving) {
  ASSERT_TRUE(pointerTo(centre()));
  QTRY_VERIFY(m_log->count(QEvent::MouseMove) > 0);
  EXPECT_EQ(m_button->buttonState(), 0);
  EXPECT_EQ(m_button->paintedSkin(), Skin::Normal);
  EXPECT_FALSE(m_button->findChild<QTimer*>(QStringLiteral("TmrMouse"))->isActive());

  // Focused, it follows the table...
  m_button->setFocus(Qt::TabFocusReason);
  QTRY_COMPARE(m_button->buttonState(), 3);
  ASSERT_TRUE(pointerTo(centre() + QPoint(4, 0)));
  QTRY_COMPARE(m_button->buttonState(), 4);
  // ...but nothing polls, so leaving goes unnoticed.
  ASSERT_TRUE(pointerTo(besideButton()));
  QTRY_VERIFY(m_log->count(QEvent::Leave) > 0);
  EXPECT_EQ(m_button->buttonState(), 4);
}

TEST_F(CommandOnForm, LosingFocusWhileHoveredGoesToNormalNotHighLight) {
  hover();
  m_button->setFocus(Qt::TabFocusReason);
  QTRY_COMPARE(m_button->buttonState(), 4);
  EXPECT_EQ(m_button->paintedSkin(), Skin::Pressed);  // focus arriving in state 2
  m_other->setFocus();
  QTRY_COMPARE(m_button->buttonState(), 1);
  EXPECT_EQ(m_button->paintedSkin(), Skin::Normal);
  ASSERT_TRUE(pointerTo(centre() + QPoint(2, 1)));
  QTRY_COMPARE(m_button->buttonState(), 2);
  EXPECT_EQ(m_button->paintedSkin(), Skin::HighLight);
}

// ---- Painting ---------------------------------------------------------------------

// Source column (or row) shown by each destination pixel of an enlarged
// piece: the source pixel under the destination pixel's centre, a centre on
// a boundary counting to the earlier one.  Written independently of the
// control's own walk.
int enlargedSource(int d, int sourceLength, int destinationLength) {
  return ((2 * d + 1) * sourceLength + 2 * destinationLength - 1) / (2 * destinationLength) - 1;
}

QRgb gradientRow(int y, int h, bool inverted) {
  const QRgb top = inverted ? 0xC6C5D7 : 0xFFFFFF;
  const QRgb bottom = inverted ? 0xFFFFFF : 0xC6C5D7;
  auto blend = [&](int shift) {
    return ((int(top >> shift & 0xFF) << 8) * (h - y) + (int(bottom >> shift & 0xFF) << 8) * y) / h / 256;
  };
  return qRgb(blend(16), blend(8), blend(0));
}

// Corners 4 x 4 unstretched; the top and bottom edges 840 twips (56 px)
// stretched to 1635 (109 px), the sides 255 (17 px) to 300 (20 px); inside,
// the gradient from row 0 (top colour) to row 27 (bottom colour, never reached).
void expectFace(const QImage& surface, const QImage& skin, bool inverted) {
  ASSERT_EQ(surface.size(), QSize(117, 28));
  auto sourceX = [](int x) { return x < 4 ? x : x >= 113 ? x - 53 : 4 + enlargedSource(x - 4, 56, 109); };
  auto sourceY = [](int y) { return y < 4 ? y : y >= 24 ? y - 3 : 4 + enlargedSource(y - 4, 17, 20); };
  for (int y = 0; y < 28; ++y) {
    for (int x = 0; x < 117; ++x) {
      const bool border = x < 4 || x >= 113 || y < 4 || y >= 24;
      const QRgb want = border ? skin.pixel(sourceX(x), sourceY(y)) : gradientRow(y, 27, inverted);
      ASSERT_EQ(surface.pixel(x, y) & 0xFFFFFF, want & 0xFFFFFF) << x << "," << y;
    }
  }
}

TEST_F(CommandOnForm, NormalAndHoveredFacesAtTheDesignSize) {
  expectFace(m_button->surface(), Command::skinPicture(Skin::Normal), false);
  // The window shows the surface: compare the border rows of a real grab.
  const QImage shown = m_button->grab().toImage().convertToFormat(QImage::Format_RGB32);
  for (int y : {0, 1, 2, 3, 24, 25, 26, 27}) {
    for (int x = 0; x < 117; ++x) ASSERT_EQ(shown.pixel(x, y), m_button->surface().pixel(x, y));
  }
  hover();
  expectFace(m_button->surface(), Command::skinPicture(Skin::HighLight), true);
}

// The caption is centred and lifted by 20 twips: (420 - 195 - 20) / 2 =
// 102.5 twips = 6.8 px, where centred would be 7.5 px.  A transparent face
// leaves only the caption's ink.
TEST_F(CommandOnForm, CaptionIsLiftedAndATransparentFaceLeavesOnlyIt) {
  m_button->setCaption(QStringLiteral("Command"));
  EXPECT_EQ(m_button->captionLabel()->geometry(), QRect(0, 7, 117, 13));
  m_button->setVisibleProperty(0);
  EXPECT_EQ(m_button->visibleProperty(), 0);
  const QImage form = m_form->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QRect area = m_button->geometry();
  QRect ink;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) ink |= form.pixel(x, y) != kFormColour ? QRect(x, y, 1, 1) : QRect();
  }
  ASSERT_FALSE(ink.isEmpty());
  const QRect label = m_button->captionLabel()->geometry().translated(area.topLeft());
  EXPECT_TRUE(label.contains(ink)) << "ink " << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
  EXPECT_NEAR(ink.center().x() + 0.5, area.left() + 58.5, 1.5);

  m_button->setVisibleProperty(7);
  EXPECT_EQ(m_button->visibleProperty(), 255);
  EXPECT_EQ(m_button->paintedSkin(), Skin::Normal);
  const QImage opaque = m_form->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(opaque.pixel(area.left() + 1, area.top() + 1) & 0xFFFFFF, m_button->surface().pixel(1, 1) & 0xFFFFFF);
}

TEST_F(CommandOnForm, ResizeRepaintsNormalWithoutChangingTheStateAndSkipsPiecesBeyondSixteenBits) {
  m_button->setFocus(Qt::TabFocusReason);
  QTRY_COMPARE(m_button->buttonState(), 3);
  m_button->resize(69, 29);
  EXPECT_EQ(m_button->paintedSkin(), Skin::Normal);
  EXPECT_EQ(m_button->buttonState(), 3);
  EXPECT_EQ(m_button->surface().size(), QSize(69, 29));
  // 1035 x 435 twips: the right edge starts at 975 twips = 65 px.
  const QImage& skin = Command::skinPicture(Skin::Normal);
  EXPECT_EQ(m_button->surface().pixel(65, 0), skin.pixel(60, 0));
  EXPECT_EQ(m_button->surface().pixel(68, 28), skin.pixel(63, 24));

  // 2200 px = 33000 twips: W - 60 and W - 120 no longer fit in 16 bits.
  m_button->resize(2200, 28);
  const QImage& surface = m_button->surface();
  EXPECT_EQ(surface.pixel(0, 0), skin.pixel(0, 0));              // top-left corner
  EXPECT_EQ(surface.pixel(1, 10), skin.pixel(1, 8));              // left edge
  EXPECT_NE(surface.pixel(2199, 0) & 0xFFFFFF, skin.pixel(63, 0) & 0xFFFFFF);  // no right corner
  EXPECT_EQ(surface.pixel(100, 1) & 0xFFFFFF, gradientRow(1, 27, false) & 0xFFFFFF);  // no top edge
}

// ---- Properties and persistence ------------------------------------------------------

TEST(CommandProperties, FirstReadOfEnabledEnablesANewInstanceWithoutTouchingItsColour) {
  Command button;
  EXPECT_FALSE(button.enabledFlag());
  EXPECT_EQ(button.firstRun(), 0);
  button.setFontColour(0x0000FF);  // red; the refresh does nothing while disabled
  ASSERT_TRUE(button.enabledProperty());
  EXPECT_EQ(button.firstRun(), 1);
  EXPECT_TRUE(button.enabledFlag());
  EXPECT_EQ(button.paintedSkin(), Skin::Normal);
  EXPECT_EQ(button.fontColour(), 0x0000FFu);

  button.setEnabledProperty(false);
  EXPECT_FALSE(button.enabledProperty());  // no second first run
  EXPECT_EQ(button.paintedSkin(), Skin::Disable);
}

TEST(CommandProperties, IsMadeByItsIdentifier) {
  QWidget host;
  QWidget* made = tumbleview::createControl("Tumbleview.Command", &host);
  ASSERT_NE(qobject_cast<Command*>(made), nullptr);
  EXPECT_EQ(made->parent(), &host);
  EXPECT_EQ(tumbleview::createControl("Tumbleview.Nothing", &host), nullptr);
  EXPECT_FALSE(tumbleview::registerControl("Tumbleview.Command", [](QWidget*) { return nullptr; }));
}

void expectReadDefaults(Command& loaded) {
  EXPECT_EQ(loaded.caption(), QStringLiteral("Command1"));
  EXPECT_TRUE(loaded.enabledFlag());
  EXPECT_EQ(loaded.firstRun(), 1);
  EXPECT_EQ(loaded.fontProperty().family(), QStringLiteral("IPAGothic"));
  EXPECT_EQ(loaded.fontColour(), 0u);
  EXPECT_EQ(loaded.visibleProperty(), 255);
}

TEST(CommandPersistence, DefaultsAreNotStoredAndUnreadableValuesReadAsTheReadDefaults) {
  const QFont ambient(QStringLiteral("IPAGothic"), 11);
  Command original;
  ASSERT_TRUE(original.enabledProperty());
  original.setFontProperty(ambient);
  tumbleview::PropertyBag bag;
  original.WriteProperties(bag, ambient);
  EXPECT_TRUE(bag.empty()) << bag.entries().front().first;  // "Command" included
  Command loaded;
  loaded.ReadProperties(bag, ambient);
  expectReadDefaults(loaded);

  const auto form = tumbleview::FormDefinition::parse(
      "[Cmd_Can]\nEnabled=maybe\nFirstRun=300\nFontColour=abc\nVisible=2\nFont=\n");
  ASSERT_TRUE(form);
  Command unreadable;
  unreadable.ReadProperties(*form->find("Cmd_Can"), ambient);
  expectReadDefaults(unreadable);
}

TEST(CommandPersistence, SettersReportAndChangedValuesSurviveTheTextFormInOrder) {
  const QFont ambient(QStringLiteral("IPAGothic"), 11);
  Command original;
  ASSERT_TRUE(original.enabledProperty());
  QSignalSpy changes(&original, &Command::propertyChanged);
  original.setCaption(QStringLiteral("設定"));
  original.setFontColour(0xC08040);
  original.setFontColour(0x01000000);  // refused: not a plain colour, no report
  original.setFontProperty(QFont(QStringLiteral("IPAPGothic"), 20));
  original.setVisibleProperty(0);
  original.setEnabledProperty(false);
  QStringList reported;
  for (const auto& call : changes) reported << call.at(0).toString();
  EXPECT_EQ(reported, (QStringList{"Caption", "FontColour", "Font", "Visible", "Enabled"}));

  tumbleview::FormDefinition form;
  original.WriteProperties(form.instance("Cmd_Set"), ambient);
  const auto reread = tumbleview::FormDefinition::parse(form.serialize());
  ASSERT_TRUE(reread);
  const tumbleview::PropertyBag& bag = *reread->find("Cmd_Set");
  std::vector<std::string> names;
  for (const auto& entry : bag.entries()) names.push_back(entry.first);
  EXPECT_EQ(names, (std::vector<std::string>{"Enabled", "Caption", "Font", "FontColour", "Visible"}));

  Command loaded;
  loaded.ReadProperties(bag, ambient);
  EXPECT_FALSE(loaded.enabledFlag());
  EXPECT_EQ(loaded.caption(), QStringLiteral("設定"));
  EXPECT_EQ(loaded.fontColour(), 0xC08040u);
  EXPECT_EQ(loaded.visibleProperty(), 0);
  // Only the face name is taken from the stored font.
  EXPECT_EQ(loaded.fontProperty().family(), QStringLiteral("IPAPGothic"));
  EXPECT_DOUBLE_EQ(loaded.fontProperty().pointSizeF(), 9.75);
}

}  // namespace
