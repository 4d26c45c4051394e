// The Command button on a real X server: states driven by the real pointer
// (xdotool) and real focus, the painted face pixel by pixel, and the
// persisted property set.
#include <gtest/gtest.h>

#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <map>
#include <memory>
#include <vector>

#include "../xdotool.h"
#include "command.h"
#include "control_registry.h"
#include "pixel_stretch.h"
#include "property_bag.h"
#include "toolkit_test_support.h"

namespace {

using tumbleview::Command;
using tumbleview::test::xdotool;
using Skin = tumbleview::Command::Skin;

// (xdotool would wait for ever for a move to where the pointer already is.)
bool pointerTo(QPoint global) {
  return QCursor::pos() == global || xdotool(QStringLiteral("mousemove --sync %1 %2").arg(global.x()).arg(global.y()));
}

// Waits, bounded, for `condition`; a failure of the test if it never holds.
// (QTRY_* would not do: outside a QTest run a timeout only returns from the
// test, which then passes.)
#define WAIT_FOR(condition) ASSERT_TRUE(tumbleview::test::waitUntil([&] { return bool(condition); })) << #condition

// Counts the input events a widget has received, so that a test can wait
// until an action that changes no state has certainly arrived: presses
// (a double click's second one included), releases and keys released, and
// leavings; and where the last move arrived.
class EventLog : public QObject {
 public:
  explicit EventLog(QWidget* watched) { watched->installEventFilter(this); }
  int m_inputs = 0, m_leaves = 0;
  QPoint m_lastMove{-1, -1};

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    const QEvent::Type type = event->type();
    m_inputs += type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick || type == QEvent::MouseButtonRelease || type == QEvent::KeyRelease;
    m_leaves += type == QEvent::Leave;
    if (type == QEvent::MouseMove) m_lastMove = static_cast<QMouseEvent*>(event)->position().toPoint();
    return false;
  }
};

constexpr QRgb kFormColour = 0xFF208020;

QRgb gradientRow(int y, int h, bool inverted) {
  const int top = inverted ? 0xC6C5D7 : 0xFFFFFF, bottom = inverted ? 0xFFFFFF : 0xC6C5D7;
  auto blend = [&](int shift) { return ((top >> shift & 0xFF) * 256 * (h - y) + (bottom >> shift & 0xFF) * 256 * y) / h / 256; };
  return qRgb(blend(16), blend(8), blend(0));
}

// Corners 4 x 4 unstretched; the top and bottom edges 840 twips (56 px)
// stretched to 1635 (109 px), the sides 255 (17 px) to 300 (20 px); inside,
// the gradient from row 0 (top colour) to row 27 (bottom colour, never reached).
// (The stretch's mapping is pinned to pixel centres by its own test.)
void expectFace(const QImage& surface, const QImage& skin, bool inverted) {
  ASSERT_EQ(surface.size(), QSize(117, 28));
  const std::vector<int> across = tumbleview::stretchIndexMap(56, 109), down = tumbleview::stretchIndexMap(17, 20);
  auto sourceX = [&](int x) { return x < 4 ? x : x >= 113 ? x - 53 : 4 + across[std::size_t(x - 4)]; };
  auto sourceY = [&](int y) { return y < 4 ? y : y >= 24 ? y - 3 : 4 + down[std::size_t(y - 4)]; };
  for (int y = 0; y < 28; ++y) {
    for (int x = 0; x < 117; ++x) {
      const bool border = x < 4 || x >= 113 || y < 4 || y >= 24;
      const QRgb want = border ? skin.pixel(sourceX(x), sourceY(y)) : gradientRow(y, 27, inverted);
      ASSERT_EQ(surface.pixel(x, y) & 0xFFFFFF, want & 0xFFFFFF) << x << "," << y;
    }
  }
}

// One action of the user's, then the state and skin it must leave and the
// clicks it raised.  An action is a place to move the pointer to (see
// `run`), "focus", "unfocus", "elsewhere" and "back" (another window
// becomes active, then this one again), "cover" and "uncover" (that window
// moved over the button, then hidden), "disable", "ticks" (three hover
// polls), or xdotool's own, awaited until its presses, releases and keys
// have arrived.
struct Step { const char* action; int state; Skin skin; int clicks = 0; };

class CommandOnForm : public ::testing::Test {
 protected:
  // `initialize` does what the settings dialog does on load.
  void SetUp() override { setUpForm(true); }
  void setUpForm(bool initialize) {
    tumbleview::test::application();
    ASSERT_TRUE(pointerTo({2, 2}));
    m_elsewhere = std::make_unique<QWidget>();
    m_elsewhere->setGeometry(600, 400, 100, 100);
    m_elsewhere->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_elsewhere.get()));
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

  void run(std::initializer_list<Step> steps) {
    const QPoint centre = m_button->rect().center();
    // Button coordinates; "caption" is over the caption label, which counts
    // as the control.
    const std::map<std::string, QPoint> places = {
        {"centre", centre}, {"right", centre + QPoint(3, 0)}, {"caption", m_button->captionLabel()->geometry().topLeft() + QPoint(58, 6)},
        {"beside", m_button->mapFrom(m_form.get(), QPoint(20, 20))}, {"other", m_button->mapFrom(m_form.get(), m_other->pos() + QPoint(5, 5))}};
    for (const Step& step : steps) {
      SCOPED_TRACE(step.action);
      const QString action = QString::fromLatin1(step.action);
      const int clicks = m_clicks->count(), leaves = m_log->m_leaves, inputs = m_log->m_inputs;
      if (const auto place = places.find(step.action); place != places.end()) {
        // Off the button, unless held, wait for the leaving: a move back
        // merged with this one would reach no one.
        const bool on = m_button->rect().contains(place->second);
        const bool leaving = !on && m_button->underMouse() && QGuiApplication::mouseButtons() == Qt::NoButton;
        ASSERT_TRUE(pointerTo(m_button->mapToGlobal(place->second)));
        WAIT_FOR((!on || m_log->m_lastMove == place->second) && (!leaving || m_log->m_leaves > leaves));
      } else if (action == u"focus") {
        m_button->setFocus(Qt::TabFocusReason);
        WAIT_FOR(m_button->hasFocus());
      } else if (action == u"unfocus") {
        focusElsewhere();
      } else if (action == u"elsewhere" || action == u"back") {
        QWidget* active = (action == u"back" ? m_form : m_elsewhere).get();
        active->activateWindow();
        WAIT_FOR(active->isActiveWindow());
      } else if (action == u"cover") {
        m_elsewhere->setGeometry(QRect(m_button->mapToGlobal(centre) - QPoint(30, 30), QSize(60, 60)));
        m_elsewhere->raise();
      } else if (action == u"uncover") {
        m_elsewhere->hide();
      } else if (action == u"disable") {
        m_button->setEnabledProperty(false);
        EXPECT_FALSE(m_button->captionLabel()->isEnabled());
      } else if (action == u"ticks") {
        QSignalSpy ticks(m_button->findChild<QTimer*>(QStringLiteral("TmrMouse")), &QTimer::timeout);
        WAIT_FOR(ticks.count() >= 3);
      } else {
        // Every word but a button number or "key" is one input event; "click" is two.
        const QStringList words = action.split(u' ');
        const qsizetype expected = words.size() + words.count(QStringLiteral("click")) - words.count(QStringLiteral("key")) -
                                   words.count(QStringLiteral("1")) - words.count(QStringLiteral("3"));
        ASSERT_TRUE(xdotool(action));
        WAIT_FOR(m_log->m_inputs >= inputs + expected);
      }
      WAIT_FOR(m_button->buttonState() == step.state && m_clicks->count() == clicks + step.clicks)
          << ": state " << int(m_button->buttonState()) << ", clicks " << m_clicks->count() - clicks << ", step " << (&step - steps.begin());
      EXPECT_EQ(m_button->paintedSkin(), step.skin);
    }
  }
  void focusElsewhere() {
    m_other->setFocus();
    WAIT_FOR(m_other->hasFocus());
  }

  std::unique_ptr<QWidget> m_elsewhere, m_form;  // another window, to make active; the button's
  Command* m_button = nullptr;
  QLineEdit* m_other = nullptr;
  std::unique_ptr<EventLog> m_log;
  std::unique_ptr<QSignalSpy> m_clicks;
};

// ---- States ---------------------------------------------------------------------

// Over the parent form or another control the poll leaves the hover; over
// the caption several polls keep it.  Focus arriving while hovered shows
// Pressed; losing it while hovered goes to Normal until the next move.
// Only a left press shows Pressed, and gives the focus; any release over
// the button clicks once.  The second press of a double click is no
// mouse-down, each release a mouse-up.  A press dragged off raises nothing,
// even dragged back on (held down, 3 cannot go back to 4).  No key clicks;
// disabled, the button ignores pointer, focus and hover alike.  Another
// window becoming active (another program, or a file chooser opened from
// the button) leaves the focus inside this one: the button keeps its
// focused look, hovered or not.  A window opened over the button and
// closed again (the file chooser it opens) leaves the pointer over it
// without any move: it hovers again, and the next click clicks.  The faces
// at rest and hovered pixel by pixel (that the window shows them is checked
// in the settings dialog).
TEST_F(CommandOnForm, EveryPointerAndKeyboardActionMovesTheStateAndSkinAsDesigned) {
  expectFace(m_button->surface(), Command::skinPicture(Skin::Normal), false);
  run({{"centre", 2, Skin::HighLight}});
  expectFace(m_button->surface(), Command::skinPicture(Skin::HighLight), true);
  run({{"beside", 1, Skin::Normal}, {"caption", 2, Skin::HighLight}, {"ticks", 2, Skin::HighLight},
       {"other", 1, Skin::Normal}, {"caption", 2, Skin::HighLight}, {"ticks", 2, Skin::HighLight}, {"other", 1, Skin::Normal},
       {"centre", 2, Skin::HighLight}, {"focus", 4, Skin::Pressed}, {"unfocus", 1, Skin::Normal}, {"right", 2, Skin::HighLight},

       {"mousedown 3", 2, Skin::HighLight}, {"mouseup 3", 2, Skin::HighLight, 1}, {"beside", 1, Skin::Normal},
       {"centre", 2, Skin::HighLight}, {"mousedown 1", 4, Skin::Pressed}, {"mouseup 1", 4, Skin::HighLightSelect, 1},
       {"beside", 3, Skin::Selected}, {"elsewhere", 3, Skin::Selected}, {"back", 3, Skin::Selected},
       {"centre", 4, Skin::HighLightSelect}, {"elsewhere", 4, Skin::HighLightSelect}, {"back", 4, Skin::HighLightSelect},
       // One xdotool run, so that the second press comes well within the interval.
       {"mousedown 1 mouseup 1 mousedown 1", 4, Skin::HighLightSelect, 1}, {"mouseup 1", 4, Skin::HighLightSelect, 1},

       {"unfocus", 1, Skin::Normal}, {"beside", 1, Skin::Normal}, {"centre", 2, Skin::HighLight},
       {"cover", 1, Skin::Normal}, {"uncover", 2, Skin::HighLight}, {"mousedown 1", 4, Skin::Pressed}, {"beside", 3, Skin::Selected},
       {"mouseup 1", 3, Skin::Selected}, {"unfocus", 1, Skin::Normal}, {"centre", 2, Skin::HighLight}, {"mousedown 1", 4, Skin::Pressed},
       {"beside", 3, Skin::Selected}, {"right", 3, Skin::Selected}, {"mouseup 1", 3, Skin::Selected}, {"centre", 4, Skin::HighLightSelect},

       {"beside", 3, Skin::Selected}, {"key Return space KP_Enter", 3, Skin::Selected}, {"unfocus", 1, Skin::Normal},
       {"disable", 1, Skin::Disable}, {"centre", 1, Skin::Disable}, {"click 1", 1, Skin::Disable}, {"focus", 1, Skin::Disable},
       {"unfocus", 1, Skin::Disable}});
}

class UninitialisedCommandOnForm : public CommandOnForm {
  void SetUp() override { setUpForm(false); }
};

// Without Initialize nothing polls: the mouse only counts once the button
// has had the focus, and leaving is never noticed.
TEST_F(UninitialisedCommandOnForm, NeverHoversAndNeverNoticesLeaving) {
  run({{"centre", 0, Skin::Normal}, {"focus", 3, Skin::Selected}, {"right", 4, Skin::HighLightSelect}, {"beside", 4, Skin::HighLightSelect}});
}

// ---- Painting ---------------------------------------------------------------------


// The caption is centred and lifted by 20 twips: (420 - 195 - 20) / 2 =
// 102.5 twips = 6.8 px, where centred would be 7.5 px.  A transparent face
// leaves only the caption's ink.  A caption is text, never markup.
TEST_F(CommandOnForm, CaptionIsLiftedPlainTextATransparentFaceLeavesOnlyItAndAResizeRepaintsNormal) {
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

  // A resize repaints Normal without changing the state; pieces beyond 16 bits are skipped.
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

// A new instance is disabled until the first read of Enabled, which leaves
// a colour set meanwhile alone; the registry makes it by its identifier.
//
// Written with every value at its default, nothing is stored ("Command"
// included); read back, and from unreadable values, each takes its read
// default ("Command1" for the caption).  Changed values survive the text
// form, in order; only the face name is taken from the stored font.
TEST(CommandProperties, FirstReadOfEnabledEnablesDefaultsAreNotStoredAndChangedValuesSurviveTheTextForm) {
  tumbleview::test::application();
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

  const QFont ambient{QStringLiteral("IPAGothic"), 11};
  const auto load = [&](const std::string& text, const char* instance, Command& loaded) {
    const auto form = tumbleview::FormDefinition::parse(text);
    ASSERT_TRUE(form);
    loaded.ReadProperties(*form->find(instance), ambient);
  };
  Command original;
  ASSERT_TRUE(original.enabledProperty());
  original.setFontProperty(ambient);
  tumbleview::FormDefinition written;
  original.WriteProperties(written.instance("Cmd_Can"), ambient);
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
  original.WriteProperties(form.instance("Cmd_Set"), ambient);
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
