// The settings dialog on a real X server, driven with the real pointer and
// keyboard and read back from the screen; and every way out of it.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>
#include <QListView>
#include <QPointer>
#include <QScreen>
#include <QTest>

#include <sys/stat.h>

#include <cmath>
#include <functional>
#include <tuple>

#include "../xdotool.h"
#include "assets.h"
#include "temp_folder.h"
#include "program_paths.h"
#include "qt_helpers.h"
#include "saver_state.h"
#include "toolkit_test_support.h"
#include "tumbleview_p.h"
#include "x11_frame_extents.h"

#include "xlib_client.h"  // after Qt: Xlib's macros break Qt's headers

namespace tumbleview {
namespace {

using test::waitUntil;
using test::xdotool;

QImage asset(const char* name) { return QImage(QString::fromLatin1(name)).convertToFormat(QImage::Format_RGB32); }

// What the X server shows of `control`, or of `area` inside it.
QImage shown(const QWidget* control, QRect area = {}) {
  if (area.isNull()) area = control->rect();
  const QPoint at = control->mapToGlobal(area.topLeft());
  return QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), area.width(), area.height()).toImage().convertToFormat(QImage::Format_RGB32);
}

// Every pixel its own colour, so any wrong source pixel shows.
QImage patterned(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x % 256, y % 256, x / 256 * 64 + y / 256 * 16));
  }
  return image;
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::application();
    setSaverFolderForTesting(m_folder.path());
    // Each zoom reads the clock three times: at its start, for a first frame
    // at its start rectangle, and for a last one at its end rectangle.
    ZoomTiming timing;
    timing.duration = timing.frameInterval = std::chrono::milliseconds(1);
    timing.now = [this] { return std::chrono::steady_clock::time_point(std::chrono::milliseconds(m_clock++ % 3 / 2)); };
    timing.onFrame = [this](const QRect& outline) { m_zoom.push_back(outline); };
    setZoomTiming(timing);
    Settings = {};
    Settings.PicDir = Settings.BgmDir = m_folder.path();
    ASSERT_TRUE(xdotool(QStringLiteral("mousemove --sync 40 50")));
  }
  void TearDown() override { close(); }

  Tumbleview_P& open() {
    m_zoom.clear();
    m_dialog = new Tumbleview_P;
    m_dialog->showModeless();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(m_dialog));
    EXPECT_TRUE(waitUntil([&] { return shown(m_dialog, QRect(3, 0, 1, 1)).pixel(0, 0) == qRgb(0, 0, 30); }));
    return *m_dialog;
  }
  void close() {
    if (m_dialog) m_dialog->close();  // as the close box does
    EXPECT_TRUE(waitUntil([&] { return !m_dialog; }));
  }

  bool press(const QWidget* control, int button) {
    const QPoint at = control->mapToGlobal(control->rect().center());
    return xdotool(QStringLiteral("mousemove %1 %2 click %3").arg(at.x()).arg(at.y()).arg(button));
  }

  // Presses `button`, runs `inside` in the event loop of the chooser it
  // opens, and waits for the chooser to go.
  void withChooser(Command* button, const QString& filter, const QStringList& offered, const QStringList& keys) {
    bool done = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!chooser || !chooser->isActiveWindow()) return;
      poll.stop();
      auto* list = chooser->findChild<QListView*>(QStringLiteral("listView"));
      EXPECT_EQ(chooser->windowTitle(), QString::fromUtf8("ﾌｧｲﾙを開く"));
      EXPECT_EQ(chooser->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText(), filter);
      EXPECT_TRUE(waitUntil([&] {
        QStringList names;
        for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row) names << list->model()->index(row, 0, list->rootIndex()).data().toString();
        names.sort();
        return names == offered;
      })) << "in " << chooser->directory().absolutePath().toStdString();
      for (const QString& key : keys) EXPECT_TRUE(xdotool(key));
      QTimer::singleShot(5000, chooser, &QDialog::reject);  // a failing step must not hang the test
      done = true;
    });
    poll.start(10);
    ASSERT_TRUE(press(button, 1));
    ASSERT_TRUE(waitUntil([&] { return done && !QApplication::activeModalWidget(); }));
  }

  std::string file(const std::string& name, const QImage& picture, const char* format = "BMP") {
    const std::string path = m_folder / name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    EXPECT_TRUE(picture.save(QString::fromStdString(path), format));
    return path;
  }

  test::TempFolder m_folder;
  QPointer<Tumbleview_P> m_dialog;
  std::vector<QRect> m_zoom;
  int m_clock = 0;
};

// The window's outer frame as the X server has it: its top-level ancestor.
QRect outerFrame(WId window) {
  const test::XlibClient client;
  Display* display = client.display();
  Window root = 0, parent = window, top = window, *children = nullptr;
  unsigned count = 0;
  while (parent != root && XQueryTree(display, top = parent, &root, &parent, &children, &count)) XFree(children);
  XWindowAttributes frame{};
  XGetWindowAttributes(display, top, &frame);
  return QRect(frame.x, frame.y, frame.width, frame.height);
}

TEST_F(DialogTest, OuterFrameLandsAtAThirdOfTheFreeHeightAndZoomsFromAndToThePointer) {
  QProcess openbox;
  for (const bool managed : {false, true}) {
    SCOPED_TRACE(managed ? "openbox" : "no window manager");
    if (managed) {
      openbox.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
      QWidget probe;  // ready once it answers, not merely running
      ASSERT_TRUE(waitUntil([&] { return expectedFrameExtents(probe.winId(), std::chrono::milliseconds(100)).top > 0; }, 10000));
    }
    Tumbleview_P& dialog = open();
    ASSERT_TRUE(waitUntil([&] { return (outerFrame(dialog.winId()).width() > 391) == managed; }));
    const QRect outer = outerFrame(dialog.winId());
    EXPECT_EQ(outer.topLeft(), QPoint((1024 - outer.width()) / 2, (768 - outer.height()) / 3));
    EXPECT_EQ(m_zoom.front(), QRect(40, 50, 0, 0));
    if (managed) {  // not resizable
      ASSERT_TRUE(xdotool(QStringLiteral("windowsize %1 500 500").arg(dialog.winId())));
      ASSERT_FALSE(waitUntil([&] { return dialog.size() != QSize(391, 379); }, 500));
    }
    m_zoom.clear();
    close();
    ASSERT_EQ(m_zoom.size(), 2u);
    EXPECT_EQ(m_zoom.back(), QRect(40, 50, 0, 0));
    if (!managed) {
      EXPECT_EQ(m_zoom.front(), outer);
    }
    EXPECT_EQ(Form::loadedCount(), 0);
  }
}

TEST_F(DialogTest, DrawsTheGradientAndTiledPanelsAndEveryPressSwitchesOptionsMarksAndButtons) {
  Settings.PicKind = 5;  // a hand-edited file: no option of either kind
  Settings.BgmKind = 3;
  Settings.BgmRepeat = -3;
  Settings.BgmFile = "/music/song.mp3";
  Tumbleview_P& dialog = open();
  const QImage window = shown(&dialog);
  for (int y = 0; y < 379; ++y) {
    const int v = static_cast<int>(std::nearbyint(std::fabs(std::sin(y / (379 / 3.142))) * 220));
    ASSERT_EQ(window.pixel(3, y), qRgb(v, v, v + 30)) << "row " << y;
  }
  EXPECT_EQ(window.pixel(3, 189), qRgb(220, 220, 250));
  // Where no control lies, each panel shows the tile laid from its client corner.
  const QImage tile = asset(assets::kTile);
  for (const auto& [panel, free] : {std::pair{dialog.Pic_B, QRect(192, 32, 75, 34)}, {dialog.Pic_C, QRect(242, 2, 115, 100)}}) {
    const QImage shot = shown(panel, free);
    for (int y = 0; y < free.height(); ++y) {
      for (int x = 0; x < free.width(); ++x) ASSERT_EQ(shot.pixel(x, y), tile.pixel(free.x() - 2 + x, (free.y() - 2 + y) % 21)) << x << "," << y;
    }
  }
  for (Command* b : {dialog.Cmd_Set, dialog.Cmd_Can, dialog.Cmd_Pic, dialog.Cmd_BGM}) EXPECT_EQ(shown(b, QRect(0, 0, b->width(), 4)), b->surface().copy(0, 0, b->width(), 4));
  EXPECT_EQ(dialog.BGM_Repeat->text(), QStringLiteral("-3"));
  EXPECT_EQ(dialog.BGM_Repeat->count(), 21);

  const QImage on = asset(assets::kOptionOn), off = asset(assets::kOptionOff);
  auto marksShow = [&](ControlGroup<ImageControl>& marks, int count, int selected) {
    for (int i = 0; i < count; ++i) {
      if (selected < 0 ? !marks[i].picture().isNull() : shown(&marks[i], QRect(0, 0, 12, 12)) != (i == selected ? on : off)) return false;
    }
    return true;
  };
  // As opened: no picture mark, music marks all off.
  const struct { QWidget* control; int button, picKind, bgmKind; } presses[] = {
      {nullptr, 0, -1, 3}, {&dialog.lbl_Sel[1], 1, 1, 3}, {&dialog.Img_Sel[0], 3, 0, 3}, {&dialog.Img_Sel[1], 2, 1, 3},
      {&dialog.lbl_BGM[1], 2, 1, 1}, {&dialog.Img_BGM[2], 3, 1, 2}, {&dialog.lbl_BGM[0], 1, 1, 0},
      {&dialog.lbl_BGM[2], 1, 1, 2}, {&dialog.Img_BGM[2], 1, 1, 2}};
  for (const auto& row : presses) {
    SCOPED_TRACE(std::to_string(&row - presses));
    if (row.control) {
      ASSERT_TRUE(press(row.control, row.button));
      ASSERT_TRUE(waitUntil([&] { return Settings.PicKind == row.picKind && Settings.BgmKind == row.bgmKind; }));
    }
    EXPECT_TRUE(waitUntil([&] { return marksShow(dialog.Img_Sel, 2, row.picKind) && marksShow(dialog.Img_BGM, 3, row.bgmKind); }));
    EXPECT_EQ(dialog.Cmd_Pic->paintedSkin() == Command::Skin::Disable, row.picKind != 1);
    EXPECT_EQ(dialog.Cmd_BGM->paintedSkin() == Command::Skin::Disable, row.bgmKind != 2);
    EXPECT_EQ(dialog.BGM_Repeat->isEnabled(), row.bgmKind == 1);
  }
  EXPECT_EQ(dialog.lbl_Fname->caption(), QStringLiteral("/music/song.mp3"));
  EXPECT_EQ(Settings.BgmFile, "/music/song.mp3");
}

// The longer side becomes 80 and the corner stays; every fifth source pixel
// shows inside a raised edge.  A file that does not load shows the empty
// 57 x 53 measuring box instead.
TEST_F(DialogTest, PreviewIsThePictureStretchedIntoARaisedEdge) {
  const QPalette colours = QApplication::palette();
  test::writeBytes(m_folder / "damaged.jpg", "\xFF\xD8\xFF\xE0" + std::string(400, '\x55'));
  for (const QSize size : {QSize(400, 300), QSize(300, 400), QSize(400, 400), QSize()}) {
    SCOPED_TRACE(size.width());
    QImage picture = size.isEmpty() ? QImage(57, 53, QImage::Format_RGB32) : patterned(size.width(), size.height());
    if (size.isEmpty()) picture.fill(colours.color(QPalette::Button));
    Settings.PicKind = 1;
    Settings.PicFile = size.isEmpty() ? m_folder / "damaged.jpg" : file("p.bmp", picture);
    Tumbleview_P& dialog = open();
    const int w = size.isEmpty() ? 80 : size.width() / 5, h = size.isEmpty() ? 74 : size.height() / 5;
    EXPECT_EQ(dialog.Display->geometry(), QRect(dialog.Pic_B->contentsRect().topLeft() + QPoint(272, 8), QSize(w, h)));
    ASSERT_TRUE(waitUntil([&] { return shown(dialog.Display).pixel(2, 2) == picture.pixel(2 * picture.width() / w, 2 * picture.height() / h); }));
    const QImage preview = shown(dialog.Display);
    for (const auto& [x, y, role] : {std::tuple{0, 0, QPalette::Midlight}, {1, 1, QPalette::Light}, {w - 1, 0, QPalette::Shadow}, {w - 2, h - 2, QPalette::Dark}}) {
      EXPECT_EQ(preview.pixel(x, y), colours.color(role).rgb()) << x << "," << y;
    }
    for (int y = 2; !size.isEmpty() && y < h - 2; ++y) {
      for (int x = 2; x < w - 2; ++x) ASSERT_EQ(preview.pixel(x, y), picture.pixel(5 * x, 5 * y)) << x << "," << y;
    }
    close();
  }
}

TEST_F(DialogTest, RealChoosersOfferTheirPatternsAndSetPathLabelFolderAndPreviewAndTheLinkOpensItsAddress) {
  const std::string photos = m_folder / "Photos";
  for (const char* name : {"Photos/holidayJPG", "Photos/CAT.JPG", "Photos/song.mp3", "Photos/tune.Wav", "song.mp3", "cover.jpg"}) {
    file(name, patterned(8, 8), "JPG");
  }
  const std::string cat = file("Photos/cat.jpg", patterned(400, 300), "JPG");
  const std::string tooLong = file(std::string(200, 'a') + "/" + std::string(60, 'b') + ".bmp", patterned(8, 8));
  const QString pictures = QString::fromUtf8("画像ﾌｧｲﾙ (BMP JPG)");
  const QStringList folders = {"Photos", QString(200, u'a')};  // sorted as QStringList sorts
  Settings.PicKind = 1;
  Settings.BgmKind = 2;
  Tumbleview_P& dialog = open();
  // Chosen, then cancelled, then a path the settings file could not give
  // back whole: only the first changes anything, and the next chooser opens
  // where it chose.
  withChooser(dialog.Cmd_Pic, pictures, folders + QStringList{"cover.jpg"}, {"type --delay 2 Photos/cat.jpg", "key Return"});
  withChooser(dialog.Cmd_Pic, pictures, {"CAT.JPG", "cat.jpg", "holidayJPG"}, {"key Escape"});
  withChooser(dialog.Cmd_Pic, pictures, {"CAT.JPG", "cat.jpg", "holidayJPG"}, {QString::fromStdString("type --delay 2 " + tooLong), "key Return"});
  EXPECT_EQ(Settings.PicFile, cat);
  EXPECT_EQ(dialog.lbl_Pname->caption().toStdString(), cat);
  EXPECT_EQ(Settings.PicDir, photos);
  EXPECT_EQ(dialog.Display->size(), QSize(80, 60));

  withChooser(dialog.Cmd_BGM, QString::fromUtf8("BGMﾌｧｲﾙ (MP3 WAV)"), folders + QStringList{"song.mp3"}, {"type --delay 2 Photos/tune.Wav", "key Return"});
  EXPECT_EQ(Settings.BgmFile, photos + "/tune.Wav");
  EXPECT_EQ(dialog.lbl_Fname->caption().toStdString(), Settings.BgmFile);
  EXPECT_EQ(Settings.BgmDir, photos);

  // The link opens its address once per click, and the dialog stays open.
  const std::string opener = m_folder / "xdg-open", opened = m_folder / "opened";
  test::writeBytes(opener, "#!/bin/sh\nprintf '%s\\n' \"$*\" >> " + opened + "\n");
  std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
  qputenv("PATH", QByteArray::fromStdString(m_folder.path().string() + ":") + qgetenv("PATH"));
  EXPECT_EQ(dialog.lbl_URL->cursor().hotSpot(), QPoint(12, 10));
  const std::string address = "file://" + pathInFolder(m_folder.path(), "README.md") + "\n";
  for (const std::string& expected : {address, address + address}) {
    ASSERT_TRUE(press(dialog.lbl_URL, 1));
    ASSERT_TRUE(waitUntil([&] { return test::readBytes(opened) == expected; }));
  }
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}


// ---- The ways out, in a process of its own (dialog_runner) driven from
// outside: what reaches the settings file, byte for byte, and how the
// program ends.

// The five keys as they stand in code page 932.
const std::string kPicKind = "\x89\xE6\x91\x9C\x8B\xE6\x95\xAA", kPicFile = "\x89\xE6\x91\x9C\xCC\xA7\xB2\xD9",
                  kBgmKind = "BGM\x8B\xE6\x95\xAA", kBgmRepeat = "BGM\xD8\xCB\xDF\xB0\xC4", kBgmFile = "BGM\xCC\xA7\xB2\xD9";

std::string settings(const std::string& picKind, const std::string& picFile, const std::string& bgmKind,
                     const std::string& bgmRepeat, const std::string& last = "") {
  return "[Section]\r\n" + kPicKind + "=" + picKind + "\r\n" + kPicFile + "=" + picFile + "\r\n" + kBgmKind + "=" +
         bgmKind + "\r\n" + kBgmRepeat + "=" + bgmRepeat + "\r\n" + last;
}

bool waitPatiently(const std::function<bool()>& condition) { return waitUntil(condition, 10000); }

// The first visible window titled exactly `title`, or "".
QString visibleWindow(const char* title) {
  QString window;
  xdotool("search --onlyvisible --name ^" + QString::fromUtf8(title) + "$", &window);
  return window;
}

void requestClose(const QString& window) {
  const tumbleview::test::XlibClient client;
  Display* display = client.display();
  XEvent message{.xclient = {ClientMessage, 0, False, display, window.toULong(), XInternAtom(display, "WM_PROTOCOLS", False), 32, {}}};
  message.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  XSendEvent(display, message.xclient.window, False, NoEventMask, &message);
}

// Each way out from a settings file: a few steps, each "track <text>"
// (typed into the emptied track box), "none" (the music option 無し),
// "choose <path>" (with the picture chooser), "cancel", "close" (the close
// box) or "set"; then the file's bytes, and whether the entry came back.
TEST(DialogExitTest, EveryWayOutLeavesTheFileAsDescribedAndEndsTheProgram) {
  test::TempFolder folder;
  const std::string ini = folder / "Tumbleview.ini", picture = folder / "p.bmp", other = folder / "q.bmp";
  const std::string photo = folder / "photo.jpg", fifo = folder / "fifo.jpg", empty = folder / "empty.jpg";
  for (const std::string& bitmap : {picture, other}) test::writeBytes(bitmap, "BM");
  test::writeBytes(empty, "");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  QImage big(8000, 6000, QImage::Format_RGB32);
  big.fill(Qt::darkCyan);
  ASSERT_TRUE(big.save(QString::fromStdString(photo), "JPG", 10));
  const std::string mine = "; mine\r\n[Other]\r\nx=1\r\n[Section]\r\n" + kBgmFile + "=\r\n" + kBgmRepeat + "=7\r\n" + kPicKind + "=1\r\n" +
                           kPicFile + "=" + picture + "\r\n" + kBgmKind + "=1\r\n[Tail]\r\ny=2\r\n";
  const std::string track = settings("0", "", "1", "7"), kept = settings("1", picture, "0", "3");
  const std::string end = kBgmFile + "=\r\n";
  struct Way { std::string name, before; QStringList steps; std::string after; bool returns = false, readOnly = false; };
  std::vector<Way> ways = {
      {"fresh file", "", {"set"}, settings(" 0", "", " 0", " 0", end)},
      {"keys in place, other lines kept", mine, {"track -4", "set"}, "; mine\r\n[Other]\r\nx=1\r\n[Section]\r\n" + kBgmFile + "=\r\n" + kBgmRepeat +
           "=-4\r\n" + kPicKind + "= 1\r\n" + kPicFile + "=" + picture + "\r\n" + kBgmKind + "= 1\r\n[Tail]\r\ny=2\r\n"},
      {"disabled track box", track, {"track 9", "none", "set"}, settings(" 0", "", " 0", " 9", end)},
      {"kinds out of range", settings("5", "", "-1", "-3"), {"set"}, settings(" 5", "", "-1", "-3", end)},
      {"FIFO", settings("1", fifo, "0", "0"), {"set"}, settings(" 0", "", " 0", " 0", end)},
      {"0 bytes", settings("1", empty, "0", "0"), {"set"}, settings(" 1", empty, " 0", " 0", end)},
      {"8000 x 6000 photo", settings("1", photo, "0", "0"), {"set"}, settings(" 1", photo, " 0", " 0", end)},
      {"cancel after choosing", kept, {"choose " + QString::fromStdString(other), "cancel"}, kept},
      {"close box", kept, {"close"}, kept, true},
      {"read-only file in a read-only folder", kept, {"set"}, kept, false, true},
  };
  // A track that is no number stores 0; one beyond 16 bits keeps the old.
  for (const auto& [typed, stored] : {std::pair{"", " 0"}, {"12", " 12"}, {"2.5", " 2"}, {"3.5", " 4"}, {"abc", " 0"}, {"40000", " 7"}}) {
    ways.push_back({"track " + std::string(typed), track, {"track " + QString::fromLatin1(typed), "set"}, settings(" 0", "", " 1", stored, end)});
  }
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    std::filesystem::remove(ini);
    if (!way.before.empty()) test::writeBytes(ini, way.before);
    if (way.readOnly) {
      std::filesystem::permissions(ini, std::filesystem::perms::owner_read);
      std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    }
    // The dialog records the pointer when it opens, and zooms back there.
    ASSERT_TRUE(xdotool(QStringLiteral("mousemove 30 40")));
    QProcess runner;
    runner.start(QStringLiteral(TUMBLEVIEW_DIALOG_RUNNER), {QString::fromStdString(folder.path())});
    QString window;
    ASSERT_TRUE(waitPatiently([&] { return !(window = visibleWindow("<Tumbleview>の設定")).isEmpty(); }));
    auto click = [&](int x, int y) { return xdotool(QStringLiteral("mousemove --window %1 %2 %3 click 1").arg(window).arg(x).arg(y)); };
    for (const QString& step : way.steps) {
      const QString argument = step.section(u' ', 1);
      if (step.startsWith(u't')) {
        ASSERT_TRUE(click(144, 220) && xdotool(QStringLiteral("key ctrl+a BackSpace")));
        ASSERT_TRUE(argument.isEmpty() || xdotool("type -- " + argument));
      } else if (step == u"none") {
        ASSERT_TRUE(click(74, 240));
      } else if (step.startsWith(u"ch")) {
        // Typed once the chooser has the keyboard.
        ASSERT_TRUE(click(184, 92) && waitPatiently([&] {
          const QString chooser = visibleWindow("ﾌｧｲﾙを開く");
          QString focused;
          return !chooser.isEmpty() && xdotool(QStringLiteral("getwindowfocus"), &focused) && focused == chooser;
        }));
        ASSERT_TRUE(xdotool("type -- " + argument) && xdotool(QStringLiteral("key Return")));
        ASSERT_TRUE(waitPatiently([&] { return visibleWindow("ﾌｧｲﾙを開く").isEmpty(); }));
      } else if (step == u"close") {
        requestClose(window);
      } else {
        ASSERT_TRUE(step == u"set" ? click(342, 346) : click(270, 346));
      }
    }
    ASSERT_TRUE(runner.waitForFinished(10000)) << runner.readAllStandardOutput().toStdString() << runner.readAllStandardError().toStdString();
    EXPECT_EQ(runner.exitCode(), 0);
    const QString out = QString::fromUtf8(runner.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("zoom 30 40 0 0\n"))) << "no closing zoom back to the pointer";
    EXPECT_EQ(out.contains(QStringLiteral("returned")), way.returns);
    EXPECT_EQ(test::readBytes(ini), way.after);
    std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_all);
    std::filesystem::permissions(ini, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  }
}

}  // namespace
}  // namespace tumbleview
