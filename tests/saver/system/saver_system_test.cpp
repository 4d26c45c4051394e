// Tumbleview.scr and Tumbleview.dll together, started as a user starts
// them, on a private 1024 x 768 X server with SDL's disk audio driver.
#include <QImage>

#include <X11/Xatom.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <thread>

#include "bmp_test_writer.h"
#include "handoff.h"
#include "music_test_support.h"
#include "preview_window.h"
#include "saver_system_support.h"
#include "saver_window.h"
#include "temp_folder.h"
#include "tumbleview_p.h"

namespace tvtest {
namespace {

namespace fs = std::filesystem;
using namespace tumbleview::test;
using tumbleview::kRendererWindowTitle;

constexpr Seconds kBound{20};
constexpr unsigned long kEscape = 0xff1b;
constexpr std::uintmax_t kBytesPerSecond = 44100 * 4;

bool reddish(int r, int g, int b) { return r > 80 && r > 2 * g && r > 2 * b; }
bool greenish(int r, int g, int b) { return g > 80 && g > 2 * r && g > 2 * b; }
bool bluish(int r, int g, int b) { return b > 80 && b > 2 * r && b > 2 * g; }

template <class Case>
std::string caseName(const ::testing::TestParamInfo<Case>& test) {
  return test.param.name;
}

// Cases print as their names (CTest lists every case by how it prints).
struct PictureCase;
struct MusicCase;
struct DispatchCase;
struct FaultCase;
template <class Case>
  requires std::is_same_v<Case, PictureCase> || std::is_same_v<Case, MusicCase> ||
           std::is_same_v<Case, DispatchCase> || std::is_same_v<Case, FaultCase>
void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

bool has(const Process& process, const std::string& text) {
  return process.stdout().find(text) != std::string::npos;
}

// Loud bursts in the capture, each taken to last `length` seconds at most.
int bursts(const std::vector<std::int16_t>& music, double length) {
  int count = 0;
  for (std::ptrdiff_t at = FirstLoudFrame(music); at >= 0; at = FirstLoudFrame(music, at + static_cast<std::ptrdiff_t>(length * 44100))) ++count;
  return count;
}

class SaverSystem : public ::testing::Test {
 protected:
  void TearDown() override {
    const bool ended = waitUntil([&] { return m_install.runningPrograms().empty(); }, kBound);
    EXPECT_TRUE(ended) << "programs of the saver still run";
    for (pid_t pid : m_install.runningPrograms()) kill(pid, SIGKILL);
    EXPECT_TRUE(m_x.findByTitle(kRendererWindowTitle).empty());
  }

  std::unique_ptr<Process> run(const SaverChoices& choices, std::vector<std::string> arguments = {"/s"},
                               const std::vector<std::string>& environment = {}) {
    m_install.choose(choices);
    return m_install.start(arguments, environment);
  }

  // The renderer's window once it is shown and has presented a frame; 0 when not.
  Window rendererShown(const Process& saver) {
    Window window = 0;
    waitUntil(
        [&] {
          const std::vector<Window> found = m_x.findByTitle(kRendererWindowTitle);
          window = found.size() == 1 && m_x.shown(found.front()) ? found.front() : 0;
          return window != 0 && has(saver, "first-frame");
        },
        kBound);
    return window;
  }

  // Escape, held until the renderer's window has gone; the saver's exit status.
  std::optional<int> escape(Process& saver) {
    m_x.key(kEscape, true);
    waitUntil([&] { return m_x.findByTitle(kRendererWindowTitle).empty(); }, kBound);
    m_x.key(kEscape, false);
    return saver.waitExit(kBound);
  }

  std::vector<std::int16_t> music() const { return ReadCapture(m_install.musicCapture().string()); }
  bool musicLasts(double seconds) const {
    return waitUntil([&] {
      std::error_code none;
      return fs::file_size(m_install.musicCapture(), none) >= seconds * kBytesPerSecond && !none;
    }, kBound);
  }

  // A window of one colour, mapped without a window manager's say.
  Window solidWindow(int x, int y, int width, int height, unsigned long rgb) {
    Display* display = m_x.get();
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = rgb;
    const Window window = XCreateWindow(display, m_x.rootWindow(), x, y, width, height, 0, CopyFromParent, InputOutput,
                                        CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    XMapRaised(display, window);
    XSync(display, False);
    waitUntil([&] { return m_x.shown(window); }, kBound);
    return window;
  }

  XDisplay m_x;
  SaverInstall m_install;
};

// --- Picture files --------------------------------------------------------

struct PictureCase {
  const char* name;
  std::function<fs::path(const fs::path& folder)> write;
  QSize handoffSize;
  bool (*onScreen)(int r, int g, int b);
  const char* music;  // file name, or empty for no music
};

fs::path jpeg(const fs::path& folder, QSize size, QColor left, QColor right) {
  QImage picture(size, QImage::Format_RGB32);
  picture.fill(left);
  for (int y = 0; y < size.height(); ++y) {
    for (int x = size.width() / 2; x < size.width(); ++x) picture.setPixelColor(x, y, right);
  }
  const fs::path path = folder / "picture.jpg";
  picture.save(QString::fromStdString(path.string()), "JPEG", 95);
  return path;
}

fs::path fourBitBmp(const fs::path& folder) {
  Picture picture{96, 64, {}};
  for (int i = 0; i < 96 * 64; ++i) picture.pixels.push_back(i % 96 < 48 ? Rgb8{0, 200, 0} : Rgb8{0, 0, 220});
  const fs::path path = folder / "picture.bmp";
  writeFile(path, encodePicture(picture, Storage::kInfo4));
  return path;
}

class PictureRun : public SaverSystem, public ::testing::WithParamInterface<PictureCase> {};

TEST_P(PictureRun, HandsOverThePictureShowsItWithMusicAndEndsOnEscape) {
  const PictureCase& c = GetParam();
  const fs::path picture = c.write(m_install.root());
  const fs::path song = m_install.root() / (*c.music ? c.music : "none");
  if (song.extension() == ".wav") WriteWave(song.string(), Tone(440, 4410));
  if (song.extension() == ".mp3") {
    ASSERT_TRUE(WriteMp3(song.string(), 440, 0.3));
  }
  auto saver = run({1, picture, *c.music ? 2 : 0, 0, song});
  ASSERT_NE(rendererShown(*saver), 0u) << saver->stdout();
  EXPECT_TRUE(has(*saver, "pointer -1"));

  const QImage original(QString::fromStdString(picture.string()));
  const QImage handoff(QString::fromStdString(m_install.handoff().string()));
  ASSERT_EQ(handoff.size(), c.handoffSize);
  EXPECT_EQ(handoff.depth(), 32);  // 24-bit file, read as RGB32
  // Where the picture keeps its size every pixel is the picture's; a scaled
  // one keeps the colour of each place.
  const QImage expected = original.size() == c.handoffSize ? original.convertToFormat(QImage::Format_RGB32)
                                                           : original.scaled(c.handoffSize).convertToFormat(QImage::Format_RGB32);
  const auto apart = [](QRgb a, QRgb b) {
    return qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b)) > 24;
  };
  int differing = 0;
  for (int y = 0; y < c.handoffSize.height(); y += 7) {
    for (int x = 0; x < c.handoffSize.width(); x += 7) differing += apart(expected.pixel(x, y), handoff.pixel(x, y));
  }
  // A scaled picture may blend the columns where its halves meet.
  EXPECT_LE(differing, original.size() == c.handoffSize ? 0 : c.handoffSize.height() / 7 * 2);

  EXPECT_TRUE(waitUntil([&] { return m_x.capture().count(0, 0, 1024, 768, c.onScreen) > 2000; }, kBound))
      << "the cube does not show the picture's colours";
  if (*c.music) {
    EXPECT_TRUE(waitUntil([&] { return FirstLoudFrame(music()) >= 0; }, kBound)) << "no music";
  }
  EXPECT_EQ(escape(*saver), 0);
  EXPECT_TRUE(has(*saver, "pointer 0"));
  if (!*c.music) {
    EXPECT_EQ(FirstLoudFrame(music()), -1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Saver, PictureRun,
    ::testing::Values(
        PictureCase{"Jpeg", [](const fs::path& f) { return jpeg(f, {160, 120}, Qt::red, Qt::red); }, {160, 120}, reddish,
                    "song.wav"},
        PictureCase{"FourBitBmp", fourBitBmp, {96, 64}, bluish, "song.mp3"},
        PictureCase{"PanoramaBeyondTheRenderersLimits",
                    [](const fs::path& f) { return jpeg(f, {20000, 1000}, Qt::green, Qt::blue); }, {16384, 819},
                    greenish, ""}),
    caseName<PictureCase>);

TEST_F(SaverSystem, DesktopCaptureHoldsTheScreenAsItWasBeforeTheRenderer) {
  solidWindow(300, 200, 200, 120, 0x20C060);
  const Screenshot before = m_x.capture();
  ASSERT_EQ(before.count(300, 200, 500, 320, [](int r, int g, int b) { return r == 0x20 && g == 0xC0 && b == 0x60; }),
            200 * 120);
  auto saver = run(SaverChoices{});
  ASSERT_NE(rendererShown(*saver), 0u) << saver->stdout();
  const QImage handoff = QImage(QString::fromStdString(m_install.handoff().string())).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(handoff.size(), QSize(1024, 768));
  // The same pixels as the screen before: the renderer's window is not in it.
  int differing = 0;
  for (int y = 0; y < 768; ++y) {
    for (int x = 0; x < 1024; ++x) differing += (handoff.pixel(x, y) & 0xFFFFFF) != before.pixels[y * 1024 + x];
  }
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(escape(*saver), 0);
}

// --- Music ----------------------------------------------------------------

enum class Heard { Loops, Restarts, Nothing, ChosenTrackRepeats };

struct MusicCase {
  const char* name;
  const char* file;  // "" for the CD
  Heard heard;
};

class MusicRun : public SaverSystem, public ::testing::WithParamInterface<MusicCase> {};

TEST_P(MusicRun, PlaysByKindAndEnding) {
  const MusicCase& c = GetParam();
  const fs::path song = m_install.root() / c.file;
  std::vector<std::string> environment;
  if (c.heard == Heard::ChosenTrackRepeats) {
    const std::string disc = WriteDiscImage(m_install.root().string(), {{440, 75}, {880, 38}, {660, 150}});
    environment.push_back("TUMBLEVIEW_CDROM=" + disc);
  } else if (c.heard == Heard::Restarts) {
    ASSERT_TRUE(WriteMp3(song.string(), 440, 0.3));
  } else {
    std::vector<std::int16_t> samples = Tone(440, 6615);  // 0.15 s of tone, 0.15 s of silence
    samples.resize(samples.size() * 2);
    WriteWave(song.string(), samples);
  }
  auto saver = run({0, "", c.heard == Heard::ChosenTrackRepeats ? 1 : 2, 2, *c.file ? song.string() : ""}, {"/s"},
                   environment);
  ASSERT_NE(rendererShown(*saver), 0u) << saver->stdout();
  if (c.heard == Heard::Nothing) {
    // Nothing can be waited for: silence takes its time to show.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  } else {
    EXPECT_TRUE(musicLasts(2.6));
  }
  EXPECT_EQ(escape(*saver), 0);
  const std::vector<std::int16_t> heard = music();
  switch (c.heard) {
    case Heard::Loops: EXPECT_GE(bursts(heard, 0.2), 6); break;
    case Heard::Restarts: EXPECT_GE(bursts(heard, 0.5), 2); break;
    case Heard::Nothing: EXPECT_EQ(FirstLoudFrame(heard), -1); break;
    case Heard::ChosenTrackRepeats: {
      // Track 2 (880 Hz, half a second) from the start, again and again;
      // track 3 only for the moments before a poll brings it back; never track 1.
      ASSERT_GE(FirstLoudFrame(heard), 0);
      std::map<int, int> tenths;
      for (std::size_t at = static_cast<std::size_t>(FirstLoudFrame(heard)); 2 * (at + 4410) <= heard.size(); at += 4410) {
        tenths[static_cast<int>(std::lround(MeasureFrequency(heard, at, 4410) / 110.0)) * 110]++;
      }
      EXPECT_NEAR(MeasureFrequency(heard, static_cast<std::size_t>(FirstLoudFrame(heard)), 2000), 880, 40);
      EXPECT_EQ(tenths[440], 0);
      EXPECT_GE(tenths[880], 10) << "the chosen track did not repeat";
      break;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Saver, MusicRun,
                         ::testing::Values(MusicCase{"WaveUpperCase", "loop.WAV", Heard::Loops},
                                           MusicCase{"Mp3MixedCase", "song.Mp3", Heard::Restarts},
                                           MusicCase{"WaveExtension", "loop.wave", Heard::Nothing},
                                           MusicCase{"NoExtension", "loop", Heard::Nothing},
                                           MusicCase{"CdTrack", "", Heard::ChosenTrackRepeats}),
                         caseName<MusicCase>);

// --- Dispatch -------------------------------------------------------------

enum class Outcome { Runs, RunsPointerUntouched, EndsAtOnce, ShowsDialog, ShowsPreview };

struct DispatchCase {
  const char* name;
  std::vector<std::string> arguments;  // "{pane}" stands for the test's pane window
  Outcome outcome;
};

class Dispatch : public SaverSystem, public ::testing::WithParamInterface<DispatchCase> {};

TEST_P(Dispatch, SwitchChoosesTheMode) {
  const DispatchCase& c = GetParam();
  const Window pane = c.outcome == Outcome::ShowsPreview ? solidWindow(40, 30, 200, 150, 0x808080) : 0;
  std::vector<std::string> arguments = c.arguments;
  for (std::string& argument : arguments) {
    if (const auto at = argument.find("{pane}"); at != std::string::npos) argument.replace(at, 6, std::to_string(pane));
  }
  auto saver = run(SaverChoices{}, arguments);
  switch (c.outcome) {
    case Outcome::Runs:
    case Outcome::RunsPointerUntouched:
      ASSERT_NE(rendererShown(*saver), 0u) << saver->stdout();
      EXPECT_EQ(escape(*saver), 0);
      if (c.outcome == Outcome::Runs) {
        EXPECT_TRUE(has(*saver, "pointer -1") && has(*saver, "pointer 0"));
      } else {
        EXPECT_FALSE(has(*saver, "pointer"));
      }
      break;
    case Outcome::EndsAtOnce:
      EXPECT_EQ(saver->waitExit(kBound), 0);
      EXPECT_FALSE(has(*saver, "saver picture"));
      break;
    case Outcome::ShowsDialog: {
      std::vector<Window> dialog;
      ASSERT_TRUE(waitUntil([&] {
        dialog = m_x.findByTitle(tumbleview::kSettingsDialogCaption);
        return dialog.size() == 1 && m_x.shown(dialog.front());
      }, kBound));
      EXPECT_EQ(m_x.propertyLong(dialog.front(), "WM_TRANSIENT_FOR", XA_WINDOW), 0) << "the dialog has an owner";
      m_x.requestClose(dialog.front());
      EXPECT_EQ(saver->waitExit(kBound), 0);
      break;
    }
    case Outcome::ShowsPreview: {
      std::vector<Window> preview;
      ASSERT_TRUE(waitUntil([&] {
        preview = m_x.findByTitle(tumbleview::kPreviewCaption);
        return preview.size() == 1 && m_x.shown(preview.front());
      }, kBound));
      EXPECT_EQ(m_x.parent(preview.front()), pane);
      const Geometry filled = m_x.geometryOf(preview.front());
      EXPECT_EQ((std::vector{filled.x, filled.y, filled.width, filled.height}), (std::vector{40, 30, 200, 150}));
      XDestroyWindow(m_x.get(), pane);
      XSync(m_x.get(), False);
      EXPECT_EQ(saver->waitExit(kBound), 0);
      break;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Saver, Dispatch,
    ::testing::Values(DispatchCase{"SlashS", {"/s"}, Outcome::Runs}, DispatchCase{"DashS", {"-s"}, Outcome::Runs},
                      DispatchCase{"UpperS", {"/S"}, Outcome::Runs},
                      DispatchCase{"NoArguments", {}, Outcome::RunsPointerUntouched},
                      DispatchCase{"SAlone", {"S"}, Outcome::EndsAtOnce},
                      DispatchCase{"OtherSwitch", {"/a"}, Outcome::EndsAtOnce},
                      DispatchCase{"Settings", {"/c"}, Outcome::ShowsDialog},
                      DispatchCase{"SettingsWithOwner", {"/c:1234"}, Outcome::ShowsDialog},
                      DispatchCase{"PreviewSeparate", {"/p", "{pane}"}, Outcome::ShowsPreview},
                      // Read from the fourth character: the 7 is not part of the id.
                      DispatchCase{"PreviewJoined", {"/p7{pane}"}, Outcome::ShowsPreview}),
    caseName<DispatchCase>);

// A second start while a run or the dialog is there ends at once; so do all
// but one of several starts in the same instant.
TEST_F(SaverSystem, OneRunOrDialogAtATime) {
  auto first = run(SaverChoices{});
  ASSERT_NE(rendererShown(*first), 0u);
  EXPECT_EQ(m_install.start({"/s"})->waitExit(kBound), 0);
  EXPECT_EQ(m_x.findByTitle(tumbleview::kSaverCaption).size(), 1u);
  EXPECT_EQ(escape(*first), 0);

  auto dialog = m_install.start({"/c"});
  ASSERT_TRUE(waitUntil([&] { return m_x.findByTitle(tumbleview::kSettingsDialogCaption).size() == 1; }, kBound));
  const Window pane = solidWindow(0, 0, 100, 100, 0);
  EXPECT_EQ(m_install.start({"/p", std::to_string(pane)})->waitExit(kBound), 0);
  EXPECT_TRUE(m_x.findByTitle(tumbleview::kPreviewCaption).empty());
  m_x.requestClose(m_x.findByTitle(tumbleview::kSettingsDialogCaption).front());
  EXPECT_EQ(dialog->waitExit(kBound), 0);

  std::vector<std::unique_ptr<Process>> together;
  for (int i = 0; i < 3; ++i) together.push_back(m_install.start({"/s"}));
  const auto ended = [&] {
    return std::count_if(together.begin(), together.end(), [](auto& saver) { return !saver->running(); });
  };
  EXPECT_TRUE(waitUntil([&] { return ended() == 2; }, kBound)) << "more than one run started";
  EXPECT_TRUE(waitUntil([&] { return m_x.findByTitle(kRendererWindowTitle).size() == 1; }, kBound));
  m_x.key(kEscape, true);
  EXPECT_TRUE(waitUntil([&] { return ended() == 3; }, kBound));
  m_x.key(kEscape, false);
}

// --- Faults ---------------------------------------------------------------

enum class Fault { RendererMissing, FolderReadOnly, FolderOpen, FolderLinked, DamagedPicture, PictureFifo };

struct FaultCase {
  const char* name;
  Fault fault;
};

class FaultRun : public SaverSystem, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultRun, EndsCleanlyWithNothingWrittenAstray) {
  const Fault fault = GetParam().fault;
  const fs::path drive = m_install.drive();
  const fs::path elsewhere = m_install.root() / "elsewhere";
  fs::create_directory(elsewhere);
  fs::permissions(elsewhere, fs::perms::owner_all);
  fs::path picture = m_install.root() / "picture.jpg";
  writeFile(picture, {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 2, 3});
  std::vector<std::string> environment;
  switch (fault) {
    case Fault::RendererMissing: fs::remove(m_install.programs() / "Tumbleview.dll"); break;
    case Fault::FolderReadOnly: fs::permissions(drive, fs::perms::owner_read | fs::perms::owner_exec); break;
    case Fault::FolderOpen: fs::permissions(drive, fs::perms::owner_all | fs::perms::group_all | fs::perms::others_all); break;
    case Fault::FolderLinked: environment.push_back("TUMBLEVIEW_DRIVE_C=" + (m_install.root() / "link").string());
      fs::create_directory_symlink(elsewhere, m_install.root() / "link"); break;
    case Fault::DamagedPicture: break;
    case Fault::PictureFifo: picture = m_install.root() / "fifo.jpg"; mkfifo(picture.c_str(), 0600); break;
  }
  const bool showsPicture = fault == Fault::DamagedPicture || fault == Fault::PictureFifo;
  m_install.choose({1, picture, 0, 0, ""});
  // Root's file permission override must not reach the saver.
  const std::vector<std::string> asUser = geteuid() == 0 ? std::vector<std::string>{"setpriv", "--bounding-set=-dac_override,-dac_read_search,-fowner"} : std::vector<std::string>{};
  auto saver = m_install.start({"/s"}, environment, asUser);
  if (showsPicture) {
    ASSERT_NE(rendererShown(*saver), 0u) << saver->stdout();
    const QImage handoff(QString::fromStdString(m_install.handoff().string()));
    // A damaged picture leaves Display empty, and its empty image goes over;
    // a FIFO is no usable file, so the desktop is taken instead.
    EXPECT_EQ(handoff.size(), fault == Fault::PictureFifo ? QSize(1024, 768) : QSize(32, 32));
    EXPECT_EQ(escape(*saver), 0);
  } else {
    EXPECT_EQ(saver->waitExit(kBound), 0);
    EXPECT_EQ(fs::is_empty(drive), fault != Fault::RendererMissing);
  }
  EXPECT_TRUE(fs::is_empty(elsewhere));
  EXPECT_TRUE(has(*saver, "pointer 0"));
}

INSTANTIATE_TEST_SUITE_P(Saver, FaultRun,
                         ::testing::Values(FaultCase{"RendererMissing", Fault::RendererMissing},
                                           FaultCase{"HandoffFolderReadOnly", Fault::FolderReadOnly},
                                           FaultCase{"HandoffFolderOpenToOthers", Fault::FolderOpen},
                                           FaultCase{"HandoffFolderIsALink", Fault::FolderLinked},
                                           FaultCase{"DamagedPicture", Fault::DamagedPicture},
                                           FaultCase{"PictureIsAFifo", Fault::PictureFifo}),
                         caseName<FaultCase>);

// Asked to end from outside (the session ending), the run stops its music
// and gives the pointer back; the renderer goes on until it is ended itself.
// A renderer that is killed ends the run as if it had ended.
TEST_F(SaverSystem, SignalsEndTheRunAndAKilledRendererToo) {
  const fs::path song = m_install.root() / "song.mp3";
  ASSERT_TRUE(WriteMp3(song.string(), 440, 0.3));
  for (int signal : {SIGTERM, SIGHUP, SIGKILL}) {
    SCOPED_TRACE(signal);
    fs::remove(m_install.musicCapture());
    auto saver = run({0, "", 2, 0, song.string()});
    const Window renderer = rendererShown(*saver);
    ASSERT_NE(renderer, 0u);
    ASSERT_TRUE(waitUntil([&] { return FirstLoudFrame(music()) >= 0; }, kBound));
    const auto rendererPid = static_cast<pid_t>(m_x.propertyLong(renderer, "_NET_WM_PID", XA_CARDINAL));
    kill(signal == SIGKILL ? rendererPid : saver->pid(), signal);
    EXPECT_EQ(saver->waitExit(kBound), 0);
    EXPECT_TRUE(has(*saver, "pointer 0"));
    if (signal != SIGKILL) {
      EXPECT_EQ(escape(*saver), 0);
    }
    ASSERT_TRUE(waitUntil([&] { return m_install.runningPrograms().empty(); }, kBound));
  }
}

}  // namespace
}  // namespace tvtest
