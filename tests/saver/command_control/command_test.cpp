// The Command button on a real X server: states driven by the real pointer
// (xdotool) and real focus, the painted face pixel by pixel, and the
// persisted property set.
#include <gtest/gtest.h>

#include <QCursor>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

#include "command.h"
#include "control_registry.h"
#include "property_bag.h"
#include "toolkit_test_support.h"

namespace {

using tumbleview::Command;
using Skin = tumbleview::Command::Skin;

// The real pointer and keyboard of the test's X server: xdotool with
// space-separated arguments, bounded to ten seconds.
bool xdotool(const QString& arguments) {
  QProcess process;
  process.start(QStringLiteral("xdotool"), arguments.split(u' '));
  return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
// (xdotool would wait for ever for a move to where the pointer already is.)
bool pointerTo(QPoint global) {
  return QCursor::pos() == global || xdotool(QStringLiteral("mousemove --sync %1 %2").arg(global.x()).arg(global.y()));
}

// Waits, bounded, for `condition`; a failure of the test if it never holds.
// (QTRY_* would not do: outside a QTest run a timeout only returns from the
// test, which then passes.)
#define WAIT_FOR(condition) ASSERT_TRUE(tumbleview::test::waitUntil([&] { return bool(condition); })) << #condition

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
  // `initialize` does what the settings dialog does on load.
  void SetUp() override { setUpForm(true); }
  void setUpForm(bool initialize) {
    tumbleview::test::application();
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
    focusElsewhere();
    m_clicks = std::make_unique<QSignalSpy>(m_button, &Command::Click);
    ASSERT_TRUE(m_button->enabledProperty());
    if (initialize) m_button->Initialize();
  }
  void TearDown() override {
    m_clicks.reset();
    m_log.reset();
    m_form.reset();
  }

  // Moves the pointer and waits for `state`; then `skin` must show.
  void pointAt(QPoint global, int state, Skin skin) {
    ASSERT_TRUE(pointerTo(global));
    expectLook(state, skin);
  }
  void expectLook(int state, Skin skin) {
    WAIT_FOR(m_button->buttonState() == state);
    EXPECT_EQ(m_button->paintedSkin(), skin);
  }
  void hover() { pointAt(centre(), 2, Skin::HighLight); }
  void focusElsewhere() {
    m_other->setFocus();
    WAIT_FOR(m_other->hasFocus());
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

// Over the parent form or another control the poll leaves the hover; over
// the caption, which counts as the control, several polls keep it.  Focus
// arriving while hovered shows Pressed; losing it while hovered goes to
// Normal, not HighLight, until the next move.
TEST_F(CommandOnForm, HoverEntersAtOnceThePollLeavesAndLosingFocusGoesToNormal) {
  for (const QPoint away : {besideButton(), m_other->mapToGlobal(QPoint(5, 5))}) {
    hover();
    EXPECT_TRUE(m_button->invertGradient());
    pointAt(away, 1, Skin::Normal);
    EXPECT_FALSE(m_button->invertGradient());
    pointAt(m_button->captionLabel()->mapToGlobal(QPoint(58, 6)), 2, Skin::HighLight);
    QSignalSpy ticks(m_button->findChild<QTimer*>(QStringLiteral("TmrMouse")), &QTimer::timeout);
    WAIT_FOR(ticks.count() >= 3);
    EXPECT_EQ(m_button->buttonState(), 2);
    ASSERT_TRUE(pointerTo(away));
  }
  hover();
  m_button->setFocus(Qt::TabFocusReason);
  expectLook(4, Skin::Pressed);
  focusElsewhere();
  expectLook(1, Skin::Normal);
  pointAt(centre() + QPoint(2, 1), 2, Skin::HighLight);
}

// Left: Pressed while down (the focus that comes with the press makes it
// state 4), HighLightSelect after, Selected once left.  Right: no Pressed
// skin, no focus.  Either release clicks once.
TEST_F(CommandOnForm, ReleaseOfAnyButtonClicksOnceAndOnlyTheLeftShowsPressed) {
  const struct { int button, state; Skin down, up; int awayState; Skin away; } cases[] = {
      {3, 2, Skin::HighLight, Skin::HighLight, 1, Skin::Normal}, {1, 4, Skin::Pressed, Skin::HighLightSelect, 3, Skin::Selected}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    hover();
    const int presses = m_log->count(QEvent::MouseButtonPress);
    ASSERT_TRUE(xdotool(QStringLiteral("mousedown %1").arg(c.button)));
    WAIT_FOR(m_log->count(QEvent::MouseButtonPress) == presses + 1);
    expectLook(c.state, c.down);
    EXPECT_EQ(m_button->leftDown(), c.button == 1);
    ASSERT_TRUE(xdotool(QStringLiteral("mouseup %1").arg(c.button)));
    WAIT_FOR(m_clicks->count() == 1);
    expectLook(c.state, c.up);
    EXPECT_FALSE(m_button->leftDown());
    pointAt(besideButton(), c.awayState, c.away);
    m_clicks->clear();
  }
}

// The second press of a double click is no mouse-down (no Pressed skin);
// each release is a mouse-up, so a double click clicks twice.
TEST_F(CommandOnForm, DoubleClickRaisesClickForEachRelease) {
  hover();
  // One xdotool run, so the second press comes well within the interval.
  ASSERT_TRUE(xdotool(QStringLiteral("mousedown 1 mouseup 1 mousedown 1")));
  WAIT_FOR(m_log->count(QEvent::MouseButtonDblClick) == 1);
  EXPECT_EQ(m_clicks->count(), 1);
  EXPECT_EQ(m_button->paintedSkin(), Skin::HighLightSelect);
  EXPECT_FALSE(m_button->leftDown());
  ASSERT_TRUE(xdotool(QStringLiteral("mouseup 1")));
  WAIT_FOR(m_clicks->count() == 2);
}

// A press dragged off raises nothing on release, whether or not the pointer
// came back over the button while held (held down, 3 cannot go back to 4).
TEST_F(CommandOnForm, PressDraggedOffRaisesNothingEvenWhenDraggedBackOn) {
  for (const bool back : {false, true}) {
    SCOPED_TRACE(back ? "dragged back on" : "released outside");
    focusElsewhere();
    hover();
    ASSERT_TRUE(xdotool(QStringLiteral("mousedown 1")));
    WAIT_FOR(m_button->leftDown());
    pointAt(besideButton(), 3, Skin::Selected);
    if (back) {
      const QPoint on = m_button->rect().center() + QPoint(3, 0);
      ASSERT_TRUE(pointerTo(m_button->mapToGlobal(on)));
      WAIT_FOR(m_log->lastMove() == on);
    }
    ASSERT_TRUE(xdotool(QStringLiteral("mouseup 1")));
    WAIT_FOR(!m_button->leftDown());  // the release went to the control
    EXPECT_EQ(m_clicks->count(), 0);
    expectLook(3, Skin::Selected);
  }
  // The next move, with the button up, hovers again.
  pointAt(centre(), 4, Skin::HighLightSelect);
}

// No key clicks a focused button; a disabled one ignores pointer, focus and
// hover alike.
TEST_F(CommandOnForm, IgnoresKeysAndWhileDisabledEverything) {
  m_button->setFocus(Qt::TabFocusReason);
  expectLook(3, Skin::Selected);
  ASSERT_TRUE(xdotool(QStringLiteral("key Return space KP_Enter")));
  WAIT_FOR(m_log->count(QEvent::KeyRelease) == 3);
  focusElsewhere();
  m_button->setEnabledProperty(false);
  EXPECT_FALSE(m_button->captionLabel()->isEnabled());
  ASSERT_TRUE(pointerTo(centre()));
  ASSERT_TRUE(xdotool(QStringLiteral("mousedown 1 mouseup 1")));
  WAIT_FOR(m_log->count(QEvent::MouseButtonRelease) == 1);
  m_button->setFocus();
  WAIT_FOR(m_button->hasFocus());
  focusElsewhere();
  EXPECT_EQ(m_clicks->count(), 0);
  EXPECT_FALSE(m_button->leftDown());
  expectLook(1, Skin::Disable);
}

// Without Initialize nothing polls: the mouse only counts once the button
// has had the focus, and leaving is never noticed.
TEST_F(UninitialisedCommandOnForm, NeverHoversAndNeverNoticesLeaving) {
  ASSERT_TRUE(pointerTo(centre()));
  WAIT_FOR(m_log->count(QEvent::MouseMove) > 0);
  expectLook(0, Skin::Normal);
  m_button->setFocus(Qt::TabFocusReason);
  expectLook(3, Skin::Selected);
  pointAt(centre() + QPoint(4, 0), 4, Skin::HighLightSelect);
  ASSERT_TRUE(pointerTo(besideButton()));
  WAIT_FOR(m_log->count(QEvent::Leave) > 0);
  EXPECT_EQ(m_button->buttonState(), 4);
}

// Another window becoming active (another program, or a file chooser opened
// from the button) does not move the focus inside this one: the button
// keeps its focused look, hovered or not, and still has it when the window
// comes back.
TEST_F(CommandOnForm, KeepsItsFocusedLookWhileItsWindowIsInactive) {
  QWidget elsewhere;
  elsewhere.setGeometry(600, 400, 100, 100);
  elsewhere.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&elsewhere));
  m_button->setFocus(Qt::TabFocusReason);
  for (const auto& [state, skin] : {std::pair{3, Skin::Selected}, {4, Skin::HighLightSelect}}) {
    SCOPED_TRACE(state);
    pointAt(state == 4 ? centre() : besideButton(), state, skin);
    for (QWidget* active : {&elsewhere, m_form.get()}) {
      active->activateWindow();
      WAIT_FOR(active->isActiveWindow());
      EXPECT_EQ(m_button->buttonState(), state);
      EXPECT_EQ(m_button->paintedSkin(), skin);
    }
  }
}

// A window opened over the button and closed again (the file chooser it
// opens) leaves the pointer over it without any move: it hovers again, and
// the next click clicks.
TEST_F(CommandOnForm, HoversAgainWhenAWindowAboveItGoes) {
  hover();
  QWidget above;
  above.setGeometry(QRect(centre() - QPoint(30, 30), QSize(60, 60)));
  above.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&above));
  expectLook(1, Skin::Normal);
  above.hide();
  expectLook(2, Skin::HighLight);
  ASSERT_TRUE(xdotool(QStringLiteral("click 1")));
  WAIT_FOR(m_clicks->count() == 1);
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
  // (That the window shows the surface is checked in the settings dialog.)
  expectFace(m_button->surface(), Command::skinPicture(Skin::Normal), false);
  hover();
  expectFace(m_button->surface(), Command::skinPicture(Skin::HighLight), true);
}

// The caption is centred and lifted by 20 twips: (420 - 195 - 20) / 2 =
// 102.5 twips = 6.8 px, where centred would be 7.5 px.  A transparent face
// leaves only the caption's ink.  A caption is text, never markup.
TEST_F(CommandOnForm, CaptionIsLiftedPlainTextAndATransparentFaceLeavesOnlyIt) {
  m_button->setVisibleProperty(0);
  const QRect area = m_button->geometry();
  auto inkOf = [&](const char* caption) {
    m_button->setCaption(QString::fromLatin1(caption));
    const QImage form = m_form->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QRect ink;
    for (int y = area.top(); y <= area.bottom(); ++y) {
      for (int x = area.left(); x <= area.right(); ++x) ink |= form.pixel(x, y) != kFormColour ? QRect(x, y, 1, 1) : QRect();
    }
    return ink;
  };
  EXPECT_GT(inkOf("<b>x</b>").width(), 3 * inkOf("x").width());
  const QRect ink = inkOf("Command");
  EXPECT_EQ(m_button->captionLabel()->geometry(), QRect(0, 7, 117, 13));
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
  WAIT_FOR(m_button->buttonState() == 3);
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

class CommandProperties : public ::testing::Test {
 protected:
  void SetUp() override { tumbleview::test::application(); }
  const QFont m_ambient{QStringLiteral("IPAGothic"), 11};
};

// A new instance is disabled until the first read of Enabled, which leaves
// a colour set meanwhile alone; the registry makes it by its identifier.
TEST_F(CommandProperties, FirstReadOfEnabledEnablesANewInstanceAndTheRegistryMakesOne) {
  Command button;
  EXPECT_FALSE(button.enabledFlag());
  EXPECT_EQ(button.firstRun(), 0);
  button.setFontColour(0x0000FF);
  ASSERT_TRUE(button.enabledProperty());
  EXPECT_EQ(button.firstRun(), 1);
  EXPECT_TRUE(button.enabledFlag());
  EXPECT_EQ(button.paintedSkin(), Skin::Normal);
  EXPECT_EQ(button.fontColour(), 0x0000FFu);
  QWidget* made = tumbleview::createControl("Tumbleview.Command", &button);
  ASSERT_NE(qobject_cast<Command*>(made), nullptr);
  EXPECT_EQ(made->parent(), &button);
  EXPECT_EQ(tumbleview::createControl("Tumbleview.Nothing", &button), nullptr);
  EXPECT_FALSE(tumbleview::registerControl("Tumbleview.Command", [](QWidget*) { return nullptr; }));
}

// Written with every value at its default, nothing is stored ("Command"
// included); read back, and from unreadable values, each takes its read
// default ("Command1" for the caption).  Changed values survive the text
// form, in order; only the face name is taken from the stored font.
TEST_F(CommandProperties, DefaultsAreNotStoredAndChangedValuesSurviveTheTextForm) {
  const auto load = [&](const std::string& text, const char* instance, Command& loaded) {
    const auto form = tumbleview::FormDefinition::parse(text);
    ASSERT_TRUE(form);
    loaded.ReadProperties(*form->find(instance), m_ambient);
  };
  Command original;
  ASSERT_TRUE(original.enabledProperty());
  original.setFontProperty(m_ambient);
  tumbleview::FormDefinition written;
  original.WriteProperties(written.instance("Cmd_Can"), m_ambient);
  EXPECT_TRUE(written.find("Cmd_Can")->empty()) << written.serialize();
  for (const std::string& text : {written.serialize(), std::string("[Cmd_Can]\nEnabled=maybe\nFirstRun=300\nFontColour=abc\nVisible=2\nFont=\n")}) {
    Command loaded;
    load(text, "Cmd_Can", loaded);
    EXPECT_EQ(loaded.caption(), QStringLiteral("Command1"));
    EXPECT_TRUE(loaded.enabledFlag());
    EXPECT_EQ(loaded.firstRun(), 1);
    EXPECT_EQ(loaded.fontProperty().family(), QStringLiteral("IPAGothic"));
    EXPECT_EQ(loaded.fontColour(), 0u);
    EXPECT_EQ(loaded.visibleProperty(), 255);
  }

  original.setCaption(QStringLiteral("設定"));
  original.setFontColour(0xC08040);
  original.setFontColour(0x01000000);  // refused: not a plain colour
  original.setFontProperty(QFont(QStringLiteral("IPAPGothic"), 20));
  original.setVisibleProperty(0);
  original.setEnabledProperty(false);
  tumbleview::FormDefinition form;
  original.WriteProperties(form.instance("Cmd_Set"), m_ambient);
  std::vector<std::string> names;
  for (const auto& entry : form.find("Cmd_Set")->entries()) names.push_back(entry.first);
  EXPECT_EQ(names, (std::vector<std::string>{"Enabled", "Caption", "Font", "FontColour", "Visible"}));
  Command loaded;
  load(form.serialize(), "Cmd_Set", loaded);
  EXPECT_FALSE(loaded.enabledFlag());
  EXPECT_EQ(loaded.caption(), QStringLiteral("設定"));
  EXPECT_EQ(loaded.fontColour(), 0xC08040u);
  EXPECT_EQ(loaded.visibleProperty(), 0);
  EXPECT_EQ(loaded.fontProperty().family(), QStringLiteral("IPAPGothic"));
  EXPECT_DOUBLE_EQ(loaded.fontProperty().pointSizeF(), 9.75);
}

}  // namespace
