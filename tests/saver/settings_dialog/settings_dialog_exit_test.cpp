// The ways out of the settings dialog, in a process of its own
// (dialog_runner) driven from outside with the real pointer and keyboard:
// what reaches the settings file, byte for byte, and how the program ends.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QThread>

#include <sys/stat.h>

#include "dialog_test_support.h"
#include "host_test_files.h"

#include "xlib_client.h"  // after Qt: Xlib's macros break Qt's headers

namespace {

using dialog_test::xdotool;

// The five keys as they stand in code page 932.
const std::string kPicKind = "\x89\xE6\x91\x9C\x8B\xE6\x95\xAA", kPicFile = "\x89\xE6\x91\x9C\xCC\xA7\xB2\xD9",
                  kBgmKind = "BGM\x8B\xE6\x95\xAA", kBgmRepeat = "BGM\xD8\xCB\xDF\xB0\xC4", kBgmFile = "BGM\xCC\xA7\xB2\xD9";

std::string settings(const std::string& picKind, const std::string& picFile, const std::string& bgmKind,
                     const std::string& bgmRepeat, const std::string& last = "") {
  return "[Section]\r\n" + kPicKind + "=" + picKind + "\r\n" + kPicFile + "=" + picFile + "\r\n" + kBgmKind + "=" +
         bgmKind + "\r\n" + kBgmRepeat + "=" + bgmRepeat + "\r\n" + last;
}

bool waitUntil(const std::function<bool()>& condition) {
  QElapsedTimer clock;
  clock.start();
  while (!condition() && !clock.hasExpired(10000)) QThread::msleep(20);
  return condition();
}

// What xdotool answers, first line.
QString xdotoolAnswer(const QStringList& arguments) {
  QProcess query;
  query.start(QStringLiteral("xdotool"), arguments);
  query.waitForFinished(10000);
  return QString::fromUtf8(query.readAllStandardOutput()).section(u'\n', 0, 0);
}
// The first visible window titled exactly `title`, or "".
QString visibleWindow(const char* title) {
  return xdotoolAnswer({"search", "--onlyvisible", "--name", "^" + QString::fromUtf8(title) + "$"});
}

void requestClose(const QString& window) {
  const tumbleview::test::XlibClient client;
  Display* display = client.display();
  XEvent message{};
  message.xclient.type = ClientMessage;
  message.xclient.window = window.toULong();
  message.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  message.xclient.format = 32;
  message.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  XSendEvent(display, message.xclient.window, False, NoEventMask, &message);
}

// Each way out from a settings file: a few steps, each "track <text>"
// (typed into the emptied track box), "none" (the music option 無し),
// "choose <path>" (with the picture chooser), "cancel", "close" (the close
// box) or "set"; then the file's bytes, and whether the entry came back.
TEST(DialogExitTest, EveryWayOutLeavesTheFileAsDescribedAndEndsTheProgram) {
  host_test::TempFolder folder;
  const std::string ini = folder / "Tumbleview.ini", picture = folder / "p.bmp", other = folder / "q.bmp";
  const std::string photo = folder / "photo.jpg", fifo = folder / "fifo.jpg", empty = folder / "empty.jpg";
  host_test::writeBytes(picture, "BM");
  host_test::writeBytes(other, "BM");
  host_test::writeBytes(empty, "");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  QImage big(8000, 6000, QImage::Format_RGB32);
  big.fill(Qt::darkCyan);
  ASSERT_TRUE(big.save(QString::fromStdString(photo), "JPG", 10));
  const std::string mine = "; mine\r\n[Other]\r\nx=1\r\n[Section]\r\n" + kBgmFile + "=\r\n" + kBgmRepeat + "=7\r\n" + kPicKind + "=1\r\n" +
                           kPicFile + "=" + picture + "\r\n" + kBgmKind + "=1\r\n[Tail]\r\ny=2\r\n";
  const std::string track = settings("0", "", "1", "7"), kept = settings("1", picture, "0", "3");
  const std::string end = kBgmFile + "=\r\n";
  const struct { const char* name; std::string before; QStringList steps; std::string after; bool returns = false, readOnly = false; } ways[] = {
      {"fresh file", "", {"set"}, settings(" 0", "", " 0", " 0", end)},
      {"keys in place, other lines kept", mine, {"track -4", "set"}, "; mine\r\n[Other]\r\nx=1\r\n[Section]\r\n" + kBgmFile + "=\r\n" + kBgmRepeat +
           "=-4\r\n" + kPicKind + "= 1\r\n" + kPicFile + "=" + picture + "\r\n" + kBgmKind + "= 1\r\n[Tail]\r\ny=2\r\n"},
      {"empty track", track, {"track", "set"}, settings(" 0", "", " 1", " 0", end)},
      {"track 12", track, {"track 12", "set"}, settings(" 0", "", " 1", " 12", end)},
      {"track 2.5", track, {"track 2.5", "set"}, settings(" 0", "", " 1", " 2", end)},
      {"track 3.5", track, {"track 3.5", "set"}, settings(" 0", "", " 1", " 4", end)},
      {"track of letters", track, {"track abc", "set"}, settings(" 0", "", " 1", " 0", end)},
      {"track 40000 keeps the old", track, {"track 40000", "set"}, settings(" 0", "", " 1", " 7", end)},
      {"disabled track box", track, {"track 9", "none", "set"}, settings(" 0", "", " 0", " 9", end)},
      {"kinds out of range", settings("5", "", "-1", "-3"), {"set"}, settings(" 5", "", "-1", "-3", end)},
      {"FIFO", settings("1", fifo, "0", "0"), {"set"}, settings(" 0", "", " 0", " 0", end)},
      {"0 bytes", settings("1", empty, "0", "0"), {"set"}, settings(" 1", empty, " 0", " 0", end)},
      {"8000 x 6000 photo", settings("1", photo, "0", "0"), {"set"}, settings(" 1", photo, " 0", " 0", end)},
      {"cancel after choosing", kept, {"choose " + QString::fromStdString(other), "cancel"}, kept},
      {"close box", kept, {"close"}, kept, true},
      {"read-only file in a read-only folder", kept, {"set"}, kept, false, true},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    std::filesystem::remove(ini);
    if (!way.before.empty()) host_test::writeBytes(ini, way.before);
    if (way.readOnly) {
      std::filesystem::permissions(ini, std::filesystem::perms::owner_read);
      std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    }
    // The dialog records the pointer when it opens, and zooms back there.
    ASSERT_TRUE(xdotool(QStringLiteral("mousemove 30 40")));
    QProcess runner;
    runner.start(QStringLiteral(TUMBLEVIEW_DIALOG_RUNNER), {QString::fromStdString(folder.path())});
    QString window;
    ASSERT_TRUE(waitUntil([&] { return !(window = visibleWindow("<Tumbleview>の設定")).isEmpty(); }));
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
        ASSERT_TRUE(click(184, 92) && waitUntil([&] {
          const QString chooser = visibleWindow("ﾌｧｲﾙを開く");
          return !chooser.isEmpty() && xdotoolAnswer({"getwindowfocus"}) == chooser;
        }));
        ASSERT_TRUE(xdotool("type -- " + argument) && xdotool(QStringLiteral("key Return")));
        ASSERT_TRUE(waitUntil([&] { return visibleWindow("ﾌｧｲﾙを開く").isEmpty(); }));
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
    EXPECT_EQ(host_test::readBytes(ini), way.after);
    std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_all);
    std::filesystem::permissions(ini, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  }
}

}  // namespace
