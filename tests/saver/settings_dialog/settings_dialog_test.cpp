// The settings dialog on a real X server, driven with the real pointer and
// keyboard and read back from the screen.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QComboBox>
#include <QFileDialog>
#include <QListView>
#include <QPainter>
#include <QPointer>
#include <QTest>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/stat.h>

#include <cmath>
#include <fstream>
#include <functional>

#include "assets.h"
#include "dialog_test_support.h"
#include "host_test_files.h"
#include "program_paths.h"
#include "qt_helpers.h"
#include "saver_state.h"
#include "settings_file.h"
#include "toolkit_test_support.h"
#include "tumbleview_p.h"
#include "x11_frame_extents.h"

namespace tumbleview {
namespace {

using dialog_test::screenArea;
using dialog_test::xdotool;
using test::WaitUntil;

QImage asset(const char* name) { return QImage(QString::fromLatin1(name)).convertToFormat(QImage::Format_RGB32); }

// Every pixel its own colour, so any wrong source pixel shows.
QImage patterned(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 64 + (y / 256) * 16));
  }
  return image;
}

QRect onScreen(const QWidget* control) { return QRect(control->mapToGlobal(QPoint(0, 0)), control->size()); }

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::Application();
    SetSaverFolderForTesting(m_folder.path());
    // Each zoom reads the clock three times: its start, a first frame at
    // its start rectangle, and a second frame already at its end.
    ZoomTiming timing;
    timing.duration = timing.frameInterval = std::chrono::milliseconds(1);
    timing.now = [this] { return std::chrono::steady_clock::time_point(std::chrono::milliseconds(m_clock++ % 3 / 2)); };
    timing.onFrame = [this](const QRect& outline) { m_zoom.push_back(outline); };
    SetZoomTiming(timing);
    Settings = {};
    Settings.PicDir = Settings.BgmDir = m_folder.path();
    ASSERT_TRUE(xdotool(QStringLiteral("mousemove --sync 40 50")));
  }
  void TearDown() override {
    if (m_dialog) m_dialog->unload();
    EXPECT_TRUE(WaitUntil([&] { return !m_dialog; }));
  }

  Tumbleview_P& open() {
    m_zoom.clear();
    m_dialog = new Tumbleview_P;
    m_dialog->showModeless();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(m_dialog));
    // Drawn once the gradient's top row shows.
    EXPECT_TRUE(WaitUntil([&] { return screenArea(onScreen(m_dialog)).pixel(3, 0) == qRgb(0, 0, 30); }));
    return *m_dialog;
  }

  bool press(const QWidget* control, int button) {
    const QPoint at = control->mapToGlobal(QPoint(control->width() / 2, control->height() / 2));
    return xdotool(QStringLiteral("mousemove %1 %2 click %3").arg(at.x()).arg(at.y()).arg(button));
  }

  // Presses `button` and runs `inside` once the chooser it opens is up
  // (the chooser's own event loop runs the test's steps), then waits for it
  // to go.
  void withChooser(Command* button, const std::function<void(QFileDialog&)>& inside) {
    bool done = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!chooser || !chooser->isActiveWindow()) return;
      poll.stop();
      inside(*chooser);
      done = true;
    });
    poll.start(10);
    ASSERT_TRUE(press(button, 1));
    ASSERT_TRUE(WaitUntil([&] { return done && !QApplication::activeModalWidget(); }));
  }

  std::string file(const std::string& name, const QImage& picture, const char* format = "BMP") {
    const std::string path = m_folder / name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    EXPECT_TRUE(picture.save(QString::fromStdString(path), format));
    return path;
  }

  host_test::TempFolder m_folder;
  QPointer<Tumbleview_P> m_dialog;
  std::vector<QRect> m_zoom;
  int m_clock = 0;
};

// ---- What the dialog draws ------------------------------------------------------

TEST_F(DialogTest, DrawsTheGradientTheTiledPanelsAndTheFourButtons) {
  Tumbleview_P& dialog = open();
  const QImage shot = screenArea(onScreen(&dialog));
  EXPECT_EQ(shot.pixel(3, 0), qRgb(0, 0, 30));
  EXPECT_EQ(shot.pixel(3, 189), qRgb(220, 220, 250));
  for (int y = 0; y < 379; ++y) {
    const int v = static_cast<int>(std::nearbyint(std::fabs(std::sin(y / (379 / 3.142))) * 220));
    ASSERT_EQ(shot.pixel(3, y), qRgb(v, v, v + 30)) << "row " << y;
  }
  // Where no control lies, each panel shows the tile from its client corner.
  const QImage tile = asset(assets::kTile);
  for (const auto& [panel, free] : {std::pair{dialog.Pic_B, QRect(190, 30, 75, 34)}, {dialog.Pic_C, QRect(240, 0, 115, 100)}}) {
    const QImage shown = screenArea(free.translated(panel->mapToGlobal(panel->contentsRect().topLeft())));
    for (int y = 0; y < free.height(); ++y) {
      for (int x = 0; x < free.width(); ++x) ASSERT_EQ(shown.pixel(x, y), tile.pixel(free.x() + x, (free.y() + y) % 21)) << x << "," << y;
    }
  }
  for (Command* button : {dialog.Cmd_Set, dialog.Cmd_Can, dialog.Cmd_Pic, dialog.Cmd_BGM}) {
    const QImage shown = screenArea(onScreen(button));
    for (int y : {0, 1, 2, 3}) {
      for (int x = 0; x < button->width(); ++x) ASSERT_EQ(shown.pixel(x, y), button->surface().pixel(x, y) | 0xFF000000u);
    }
  }
  EXPECT_EQ(dialog.Cmd_Pic->paintedSkin(), Command::Skin::Disable);
  EXPECT_EQ(dialog.Cmd_Set->paintedSkin(), Command::Skin::Normal);
}

// The longer side becomes 80, the corner stays at (272, 8); every fifth
// source pixel is shown, inside a raised edge.
TEST_F(DialogTest, PreviewIsTheStretchedPictureInARaisedEdge) {
  const QPalette colours = QApplication::palette();
  for (const QSize size : {QSize(400, 300), QSize(300, 400), QSize(400, 400)}) {
    SCOPED_TRACE(size.width());
    const QImage picture = patterned(size.width(), size.height());
    Settings.PicKind = 1;
    Settings.PicFile = file("p.bmp", picture);
    Tumbleview_P& dialog = open();
    const QSize shown = size / 5;
    EXPECT_EQ(dialog.Display->geometry(), QRect(dialog.Pic_B->contentsRect().topLeft() + QPoint(272, 8), shown));
    ASSERT_TRUE(WaitUntil([&] { return screenArea(onScreen(dialog.Display)).pixel(2, 2) == picture.pixel(10, 10); }));
    const QImage preview = screenArea(onScreen(dialog.Display));
    const int w = shown.width();
    const int h = shown.height();
    EXPECT_EQ(preview.pixel(0, 0), colours.color(QPalette::Midlight).rgb());
    EXPECT_EQ(preview.pixel(1, 1), colours.color(QPalette::Light).rgb());
    EXPECT_EQ(preview.pixel(w - 1, 0), colours.color(QPalette::Shadow).rgb());
    EXPECT_EQ(preview.pixel(w - 2, h - 2), colours.color(QPalette::Dark).rgb());
    for (int y = 2; y < h - 2; ++y) {
      for (int x = 2; x < w - 2; ++x) ASSERT_EQ(preview.pixel(x, y), picture.pixel(5 * x, 5 * y)) << x << "," << y;
    }
    dialog.unload();
    ASSERT_TRUE(WaitUntil([&] { return !m_dialog; }));
  }
}

// ---- Where it goes, how it opens and closes -----------------------------------------

// The window as the X server has it: its outer frame (the top-level
// ancestor), its own size and the size limits it gives the window manager.
struct XGeometry {
  QRect outer;
  QSize client, minimum, maximum;
};
XGeometry xGeometry(WId window) {
  Display* display = XOpenDisplay(nullptr);
  Window root = 0, parent = window, top = window, *children = nullptr;
  unsigned count = 0;
  while (parent != root && XQueryTree(display, top = parent, &root, &parent, &children, &count)) XFree(children);
  XWindowAttributes frame{}, client{};
  XGetWindowAttributes(display, top, &frame);
  XGetWindowAttributes(display, window, &client);
  XSizeHints hints{};
  long supplied = 0;
  XGetWMNormalHints(display, window, &hints, &supplied);
  XCloseDisplay(display);
  return {QRect(frame.x, frame.y, frame.width, frame.height), QSize(client.width, client.height),
          QSize(hints.min_width, hints.min_height), QSize(hints.max_width, hints.max_height)};
}

// Once the manager answers, not merely runs.
bool windowManagerReady() {
  QWidget probe;
  return expectedFrameExtents(probe.winId(), std::chrono::milliseconds(100)).top > 0;
}

TEST_F(DialogTest, OuterFrameLandsAtAThirdOfTheFreeHeightAndZoomsFromAndToThePointer) {
  QProcess openbox;
  for (const bool managed : {false, true}) {
    SCOPED_TRACE(managed ? "openbox" : "no window manager");
    if (managed) {
      openbox.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
      ASSERT_TRUE(WaitUntil(windowManagerReady, 10000));
    }
    Tumbleview_P& dialog = open();
    ASSERT_TRUE(WaitUntil([&] { return dialog.frameGeometry() == xGeometry(dialog.winId()).outer; }));
    const XGeometry x = xGeometry(dialog.winId());
    EXPECT_EQ(x.outer.topLeft(), QPoint((1024 - x.outer.width()) / 2, (768 - x.outer.height()) / 3));
    EXPECT_EQ(x.outer.width() > 391, managed);
    EXPECT_EQ(x.client, QSize(391, 379));
    EXPECT_EQ(x.minimum, QSize(391, 379));
    EXPECT_EQ(x.maximum, QSize(391, 379));
    ASSERT_FALSE(m_zoom.empty());
    EXPECT_EQ(m_zoom.front(), QRect(40, 50, 0, 0));
    if (!managed) {
      EXPECT_EQ(m_zoom.back(), x.outer);
    }
    m_zoom.clear();
    dialog.close();  // the close box
    ASSERT_TRUE(WaitUntil([&] { return !m_dialog; }));
    ASSERT_FALSE(m_zoom.empty());
    EXPECT_EQ(m_zoom.front(), x.outer);
    EXPECT_EQ(m_zoom.back(), QRect(40, 50, 0, 0));
    EXPECT_EQ(Form::loadedCount(), 0);
  }
}

// ---- Choices ------------------------------------------------------------------------

TEST_F(DialogTest, PressesWithAnyButtonOnMarksAndCaptionsSwitchOptionsAndKeepPaths) {
  Settings.BgmFile = "/music/song.mp3";
  Tumbleview_P& dialog = open();
  const QImage on = asset(assets::kOptionOn);
  const QImage off = asset(assets::kOptionOff);
  auto marksShow = [&](ControlGroup<ImageControl>& marks, int count, int selected) {
    for (int i = 0; i < count; ++i) {
      if (screenArea(QRect(marks[i].mapToGlobal(QPoint(0, 0)), QSize(12, 12))) != (i == selected ? on : off)) return false;
    }
    return true;
  };
  const struct { std::function<QWidget*()> control; int button, picKind, bgmKind; } presses[] = {
      {[&] { return &dialog.lbl_Sel[1]; }, 1, 1, 0}, {[&] { return &dialog.Img_Sel[0]; }, 3, 0, 0},
      {[&] { return &dialog.Img_Sel[1]; }, 2, 1, 0}, {[&] { return &dialog.lbl_BGM[1]; }, 2, 1, 1},
      {[&] { return &dialog.Img_BGM[2]; }, 3, 1, 2}, {[&] { return &dialog.lbl_BGM[0]; }, 1, 1, 0},
      {[&] { return &dialog.lbl_BGM[2]; }, 1, 1, 2}, {[&] { return &dialog.Img_BGM[2]; }, 1, 1, 2},
  };
  for (const auto& row : presses) {
    SCOPED_TRACE(row.control()->metaObject()->className() + std::to_string(row.button));
    ASSERT_TRUE(press(row.control(), row.button));
    ASSERT_TRUE(WaitUntil([&] { return Settings.PicKind == row.picKind && Settings.BgmKind == row.bgmKind; }));
    EXPECT_TRUE(WaitUntil([&] { return marksShow(dialog.Img_Sel, 2, row.picKind) && marksShow(dialog.Img_BGM, 3, row.bgmKind); }));
    EXPECT_EQ(dialog.Cmd_Pic->enabledFlag(), row.picKind == 1);
    EXPECT_EQ(dialog.Cmd_BGM->enabledFlag(), row.bgmKind == 2);
    EXPECT_EQ(dialog.BGM_Repeat->isEnabled(), row.bgmKind == 1);
  }
  EXPECT_EQ(dialog.lbl_Fname->caption(), QStringLiteral("/music/song.mp3"));
  EXPECT_EQ(Settings.BgmFile, "/music/song.mp3");
}

QStringList offered(QFileDialog& chooser) {
  auto* list = chooser.findChild<QListView*>(QStringLiteral("listView"));
  QStringList names;
  for (int row = 0; list && row < list->model()->rowCount(list->rootIndex()); ++row) {
    names << list->model()->index(row, 0, list->rootIndex()).data().toString();
  }
  names.sort();
  return names;
}

TEST_F(DialogTest, RealChoosersOfferTheirPatternsAndSetPathLabelFolderAndPreview) {
  const std::string photos = m_folder / "Photos";
  for (const char* name : {"Photos/holidayJPG", "Photos/CAT.JPG", "Photos/song.mp3", "Photos/tune.Wav", "song.mp3", "cover.jpg"}) {
    file(name, patterned(8, 8), "JPG");
  }
  const std::string cat = file("Photos/cat.jpg", patterned(400, 300), "JPG");
  const std::string tooLong = file(std::string(200, 'a') + "/" + std::string(60, 'b') + ".bmp", patterned(8, 8));
  Settings.PicKind = 1;
  Settings.BgmKind = 2;
  Tumbleview_P& dialog = open();
  const QString title = QString::fromUtf8("ﾌｧｲﾙを開く");

  withChooser(dialog.Cmd_Pic, [&](QFileDialog& chooser) {
    EXPECT_EQ(chooser.windowTitle(), title);
    EXPECT_EQ(chooser.directory().absolutePath().toStdString(), m_folder.path());
    EXPECT_EQ(chooser.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText(), QString::fromUtf8("画像ﾌｧｲﾙ (BMP JPG)"));
    EXPECT_TRUE(xdotool(QStringLiteral("type --delay 2 Photos/cat.jpg")) && xdotool(QStringLiteral("key Return")));
  });
  EXPECT_EQ(Settings.PicFile, cat);
  EXPECT_EQ(dialog.lbl_Pname->caption().toStdString(), cat);
  EXPECT_EQ(Settings.PicDir, photos);
  EXPECT_EQ(dialog.Display->size(), QSize(80, 60));

  // The next chooser opens there; cancelling it, or choosing a path the
  // settings file could not give back, changes nothing.
  for (const QStringList& keys : {QStringList{"key Escape"}, {"type --delay 2 " + QString::fromStdString(tooLong), "key Return"}}) {
    withChooser(dialog.Cmd_Pic, [&](QFileDialog& chooser) {
      EXPECT_EQ(chooser.directory().absolutePath().toStdString(), photos);
      EXPECT_TRUE(WaitUntil([&] { return offered(chooser) == QStringList({"CAT.JPG", "cat.jpg", "holidayJPG"}); }));
      for (const QString& key : keys) EXPECT_TRUE(xdotool(key));
    });
    EXPECT_EQ(Settings.PicFile, cat);
    EXPECT_EQ(dialog.lbl_Pname->caption().toStdString(), cat);
    EXPECT_EQ(Settings.PicDir, photos);
  }

  withChooser(dialog.Cmd_BGM, [&](QFileDialog& chooser) {
    EXPECT_EQ(chooser.windowTitle(), title);
    EXPECT_EQ(chooser.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText(), QString::fromUtf8("BGMﾌｧｲﾙ (MP3 WAV)"));
    const QStringList names = {"Photos", QString(200, u'a'), "song.mp3"};
    EXPECT_TRUE(WaitUntil([&] { return offered(chooser) == names; }));
    EXPECT_TRUE(xdotool(QStringLiteral("type --delay 2 Photos/tune.Wav")) && xdotool(QStringLiteral("key Return")));
  });
  EXPECT_EQ(Settings.BgmFile, photos + "/tune.Wav");
  EXPECT_EQ(dialog.lbl_Fname->caption().toStdString(), Settings.BgmFile);
  EXPECT_EQ(Settings.BgmDir, photos);
}

TEST_F(DialogTest, LinkOpensItsAddressOncePerClickAndTheDialogStaysOpen) {
  const std::string bin = m_folder / "bin";
  std::filesystem::create_directory(bin);
  host_test::WriteBytes(bin + "/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$*\" >> " + (m_folder / "opened") + "\n");
  std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);
  qputenv("PATH", QByteArray::fromStdString(bin + ":") + qgetenv("PATH"));
  Tumbleview_P& dialog = open();
  EXPECT_EQ(dialog.lbl_URL->cursor().hotSpot(), QPoint(12, 10));
  const std::string address = "file://" + PathInFolder(m_folder.path(), "README.md");
  EXPECT_EQ(dialog.lbl_URL->caption().toStdString(), address);
  ASSERT_TRUE(press(dialog.lbl_URL, 1));
  ASSERT_TRUE(WaitUntil([&] { return host_test::ReadBytes(m_folder / "opened") == address + "\n"; }));
  ASSERT_TRUE(press(dialog.lbl_URL, 1));
  EXPECT_TRUE(WaitUntil([&] { return host_test::ReadBytes(m_folder / "opened") == address + "\n" + address + "\n"; }));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// ---- Hand-edited settings ----------------------------------------------------------

TEST_F(DialogTest, HandEditedSettingsOpenAsDescribedWithoutHanging) {
  using dialog_test::settingsBytes;
  const std::string photo = m_folder / "photo.jpg";
  QImage big(8000, 6000, QImage::Format_RGB32);
  QPainter(&big).fillRect(big.rect(), QLinearGradient(0, 0, 8000, 6000));
  ASSERT_TRUE(big.save(QString::fromStdString(photo), "JPG", 50));
  const std::string fifo = m_folder / "fifo.jpg";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  host_test::WriteBytes(m_folder / "empty.jpg", "");
  host_test::WriteBytes(m_folder / "damaged.jpg", "\xFF\xD8\xFF\xE0" + std::string(400, '\x55'));
  // An empty settings text stands for a picture file chosen earlier.
  const struct { const char* name; std::string settings, picture; int picKind; QSize preview; } cases[] = {
      {"kinds out of range, track -3", settingsBytes("5", "", "-1", "-3"), "", 5, QSize(80, 80)},
      {"missing", settingsBytes("1", m_folder / "none.jpg", "0", "0"), "", 0, QSize(80, 80)},
      {"folder", settingsBytes("1", m_folder.path(), "0", "0"), "", 0, QSize(80, 80)},
      {"FIFO: the empty measuring box, scaled", "", fifo, 1, QSize(80, 74)},
      {"0 bytes", settingsBytes("1", m_folder / "empty.jpg", "0", "0"), "", 1, QSize(80, 74)},
      {"damaged", settingsBytes("1", m_folder / "damaged.jpg", "0", "0"), "", 1, QSize(80, 74)},
      {"8000 x 6000", settingsBytes("1", photo, "0", "0"), "", 1, QSize(80, 60)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    host_test::WriteBytes(SettingsFilePath(), c.settings);
    LoadSettings();
    if (c.settings.empty()) Settings.PicKind = 1, Settings.PicFile = c.picture;
    Tumbleview_P& dialog = open();
    EXPECT_EQ(Settings.PicKind, c.picKind);
    EXPECT_EQ(dialog.Cmd_Pic->enabledFlag(), c.picKind == 1);
    EXPECT_EQ(dialog.Display->size(), c.preview);
    if (c.picKind == 5) {
      dialog.Img_Sel.forEach([](int, ImageControl& mark) { EXPECT_TRUE(mark.picture().isNull()); });
      dialog.Img_BGM.forEach([&](int, ImageControl& mark) { EXPECT_EQ(mark.picture(), dialog.Img_Opt_Off->picture()); });
      EXPECT_FALSE(dialog.Cmd_BGM->enabledFlag());
      EXPECT_FALSE(dialog.BGM_Repeat->isEnabled());
      EXPECT_EQ(dialog.BGM_Repeat->text(), QStringLiteral("-3"));
      EXPECT_EQ(dialog.BGM_Repeat->count(), 21);
    }
    dialog.unload();
    ASSERT_TRUE(WaitUntil([&] { return !m_dialog; }));
  }
}

}  // namespace
}  // namespace tumbleview
