#include "saver_window.h"

#include <QSocketNotifier>

#include "basic_conversions.h"
#include "command_line.h"
#include "handoff.h"
#include "posix_end_signals.h"
#include "program_paths.h"
#include "qt_handoff_picture.h"
#include "qt_pictures.h"
#include "qt_program.h"
#include "run_report.h"
#include "saver_state.h"
#include "step_runner.h"
#include "tumbleview_bgm.h"
#include "x11_daemon_screenshot.h"
#include "x11_instance_claim.h"
#include "x11_pointer.h"
#include "x11_window_search.h"

namespace tumbleview {
namespace {

constexpr int kTimer1Interval = 1000;
constexpr int kTimer2Interval = 200;
constexpr int kTimer3Interval = 50;

// Display's size in the window's definition, which its empty image keeps.
constexpr int kDisplayWidth = 32;
constexpr int kDisplayHeight = 32;

constexpr std::int16_t kPictureFromDesktop = 0;
constexpr std::int16_t kMusicFromCd = 1;
constexpr std::int16_t kMusicFromFile = 2;
constexpr const char* kWaveEnding = "WAV";
constexpr const char* kMp3Ending = "MP3";

// How often the wait for the renderer's window looks again.
constexpr std::chrono::milliseconds kRendererPollInterval{5};

Timer* makeTimer(QObject* owner, int interval, bool enabled) {
  auto* timer = new Timer(owner);
  timer->setInterval(interval);
  timer->setEnabled(enabled);
  return timer;
}

// The last three characters of the music file, upper-cased.
std::string musicEnding() { return toUpper(right(Settings.BgmFile, 3).value_or(std::string())); }

}  // namespace

SaverWindow::SaverWindow(std::string commandSwitch, std::optional<HackRequest> hack)
    : Form(nullptr),
      Display(new PictureBox(this)),
      Timer1(makeTimer(this, kTimer1Interval, false)),
      Timer2(makeTimer(this, kTimer2Interval, false)),
      Timer3(makeTimer(this, kTimer3Interval, true)),
      m_switch(std::move(commandSwitch)),
      m_hack(hack) {
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  if (!m_hack) setWindowTitle(QString::fromLatin1(kSaverCaption));
  Display->setBackColor(Qt::black);
  Display->setAutoSize(true);
  Display->setGeometry(0, 0, kDisplayWidth, kDisplayHeight);
  connect(Timer1, &Timer::tick, this, &SaverWindow::timer1Tick);
  connect(Timer2, &Timer::tick, this, &SaverWindow::timer2Tick);
  connect(Timer3, &Timer::tick, this, &SaverWindow::timer3Tick);
  if (const int endSignals = installEndSignalPipe(); endSignals >= 0) {
    m_endSignals = new QSocketNotifier(endSignals, QSocketNotifier::Read, this);
    connect(m_endSignals, &QSocketNotifier::activated, this, &SaverWindow::unload);
  }
}

void SaverWindow::onLoad() {
  runSteps({[&] { resize(desktopSizePixels()); }, [&] { preparePicture(); },
            [&] { startRenderer(); }});
  // A request to end that came in meanwhile ends the run before any music.
  if (endSignalPending()) {
    unload();
    return;
  }
  runStep([&] { startMusic(); });
}

void SaverWindow::preparePicture() {
  if (m_hack && Settings.PicKind == kPictureFromDesktop) {
    prepareDaemonPicture();
  } else if (Settings.PicKind != kPictureFromDesktop) {
    runStep([&] { Display->setPicture(loadPictureFile(Settings.PicFile)); });
    reportStage("picture");
    // The box holds the picture at its own size, exactly as loaded: hand
    // that over rather than a copy of it.
    writeHandoffPicture(Display->picture().isNull() ? Display->surface() : Display->picture());
  } else {
    // Before the renderer exists: its window must not be in the picture.
    runStep([&] { captureDesktopInto(surface()); });
    reportStage("picture");
    writeHandoffPicture(desktopOrStandIn(surface()));
  }
  reportStage("handoff");
}

void SaverWindow::prepareDaemonPicture() {
  X11Connection* display = X11Connection::shared();
  const QImage screenshot = daemonScreenshot(display, m_hack->window);
  reportStage("picture");
  if (!screenshot.isNull()) {
    writeHandoffPicture(screenshot);
  } else {
    // No picture from the daemon (none runs, it does not grab, or this is
    // a preview pane): the screen as it looks now, as in the /s run.
    runStep([&] { captureDesktopInto(surface()); });
    writeHandoffPicture(desktopOrStandIn(surface()));
  }
  reportStage("handoff");
}

void SaverWindow::startRenderer() {
  RendererPath = pathInFolder(saverFolder(), kRendererFileName);
  if (m_hack) {
    HackRequest target = *m_hack;
    if (target.window == 0 && X11Connection::shared()) {
      target.window = static_cast<std::uint32_t>(X11Connection::shared()->defaultRoot());
    }
    // No window to wait for: the renderer draws into one it does not own,
    // and the run follows its process instead.
    m_renderer = startProgram(RendererPath, rendererArgumentsFor(target));
    return;
  }
  m_renderer = startProgram(RendererPath);
  if (waitForRendererWindow() == RendererWait::TimedOut) {
    // Its window could still come later, and would then stay on the screen
    // unwatched after the run has ended: it is stopped instead.
    endStartedProgram(m_renderer);
  }
  reportStage("renderer-window");
}

SaverWindow::RendererWait SaverWindow::waitForRendererWindow() {
  const auto deadline = std::chrono::steady_clock::now() + kRendererWindowWait;
  for (;;) {
    if (rendererWindowExists()) return RendererWait::Shown;
    if (startedProgramHasEnded(m_renderer)) return RendererWait::Ended;
    if (std::chrono::steady_clock::now() >= deadline) return RendererWait::TimedOut;
    if (waitForEndSignal(kRendererPollInterval)) return RendererWait::EndRequested;
  }
}

void SaverWindow::startMusic() {
  // A preview pane stays silent: it runs while someone browses a daemon's
  // list of hacks, which music would only interrupt.
  if (m_hack && (m_hack->preview || !takeMusicClaim(X11Connection::shared()))) return;
  if (Settings.BgmKind == kMusicFromCd) {
    OpenCdAudio();
    Timer2->setEnabled(true);
  } else if (Settings.BgmKind == kMusicFromFile) {
    const std::string ending = musicEnding();
    if (ending == kWaveEnding) PlayWave();
    if (ending == kMp3Ending) {
      PlayMp3();
      Timer1->setEnabled(true);
    }
  }
}

void SaverWindow::timer1Tick() { RepeatMp3(); }

void SaverWindow::timer2Tick() {
  WatchCdAudio();
  Timer2->setEnabled(CdWatchActive != 0);
}

void SaverWindow::timer3Tick() {
  if (m_hack ? (m_renderer > 0 && !startedProgramHasEnded(m_renderer)) : rendererWindowExists()) return;
  Timer3->setEnabled(false);
  unload();
}

bool SaverWindow::rendererWindowExists() {
  // While the window found last still carries the title, a search would
  // find a window too; only when it has gone is the whole tree searched
  // (for another window of that title).  Watching stays cheap on a desktop
  // with hundreds of windows.
  if (m_rendererWindow != 0 && windowHasTitle(m_rendererWindow, kRendererWindowTitle)) return true;
  m_rendererWindow = findWindowByTitle(kRendererWindowTitle);
  return m_rendererWindow != 0;
}

void SaverWindow::onQueryUnload() {
  runSteps({
      [&] {
        // The daemon ends the hack, not the renderer: it must not outlive
        // the run, drawing into a window that is gone or reused.
        if (m_hack) endStartedProgram(m_renderer);
      },
      [&] {
        if (!Timer2->isEnabled()) return;
        Timer2->setEnabled(false);
        CloseCdAudio();
      },
      [&] {
        if (Settings.BgmKind != kMusicFromFile) return;
        const std::string ending = musicEnding();
        if (ending == kWaveEnding) StopWave();
        if (ending == kMp3Ending) StopMp3();
      },
      [&] {
        if (m_switch != kSwitchRun) return;
        CursorCount = showPointer(CursorCount != 0);
        reportPointerCount(CursorCount);
      },
  });
  // Outside the hack mode the renderer is not signalled; the hand-off file
  // stays in place.
  endProgramNow(0);
}

}  // namespace tumbleview
