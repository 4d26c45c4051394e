// Time from start to the settings dialog fully drawn, with a small picture
// and with an 8000 x 6000 JPEG as the picture file, and the peak memory of
// each.  Each case runs in a fresh process (this program started again with
// the case's arguments), so start-up and peak memory are its own.
// Targets on the reference machine: under 150 ms small, under 1 s big.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "program_paths.h"
#include "qt_helpers.h"
#include "settings_file.h"
#include "tumbleview_p.h"

namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point kProcessStart = Clock::now();

double millisecondsSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

// Counts paints of the window itself; the widgets inside it are painted in
// the same pass, before it is flushed to the screen.
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    paints += event->type() == QEvent::Paint;
    return false;
  }
};

// One case, in this process: the settings file in `folder` names `picture`.
void runCase(const std::string& folder, const std::string& picture, bool zoom) {
  tumbleview::setSaverFolderForTesting(folder);
  tumbleview::ZoomTiming timing;
  if (!zoom) timing.duration = std::chrono::milliseconds(0);
  tumbleview::setZoomTiming(timing);
  tumbleview::WriteIni(tumbleview::kSettingsSection, tumbleview::kKeyPicKind, "1", tumbleview::settingsFilePath());
  tumbleview::WriteIni(tumbleview::kSettingsSection, tumbleview::kKeyPicFile, picture, tumbleview::settingsFilePath());
  const Clock::time_point loading = Clock::now();
  tumbleview::LoadSettings();
  tumbleview::Tumbleview_P dialog;
  PaintCounter counter;
  dialog.installEventFilter(&counter);
  dialog.showModeless();
  const double shown = millisecondsSince(loading);
  while (counter.paints == 0) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  QCoreApplication::processEvents();
  const double drawn = millisecondsSince(loading), sinceStart = millisecondsSince(kProcessStart);
  // The high-water mark of this program image (getrusage would count the
  // parent's memory from before the exec).
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line) && line.rfind("VmHWM:", 0) != 0) {
  }
  std::printf("  %-20s %s  loaded and shown %6.1f ms  drawn %6.1f ms  process start to drawn %6.1f ms  peak %6.1f MB\n",
              std::filesystem::path(picture).filename().c_str(), zoom ? "200 ms zoom" : "no zoom    ", shown, drawn,
              sinceStart, std::atof(line.c_str() + 6) / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc == 4) {
    runCase(argv[1], argv[2], std::string(argv[3]) == "zoom");
    return 0;
  }
  char pattern[] = "/tmp/tv-dialog-bench-XXXXXX";
  const std::string folder = mkdtemp(pattern);
  std::printf("settings dialog, from loading the settings to fully drawn (%s)\n", folder.c_str());
  std::fflush(stdout);  // before the cases' own lines
  for (const auto& [name, size] : {std::pair{"small.jpg", QSize(640, 480)}, {"8000x6000.jpg", QSize(8000, 6000)}}) {
    const QString path = QString::fromStdString(folder + "/" + name);
    QImage picture(size, QImage::Format_RGB32);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setStops({{0, Qt::darkBlue}, {1, Qt::yellow}});
    QPainter(&picture).fillRect(picture.rect(), gradient);
    picture.save(path, "JPG", 90);
    for (const char* zoom : {"none", "zoom"}) {
      for (int run = 0; run < 3; ++run) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        child.start(QCoreApplication::applicationFilePath(), {QString::fromStdString(folder), path, QString::fromLatin1(zoom)});
        child.waitForFinished(60000);
      }
    }
  }
  std::filesystem::remove_all(folder);
  return 0;
}
