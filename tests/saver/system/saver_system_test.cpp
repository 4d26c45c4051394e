// Tumbleview.scr and Tumbleview.dll together, started as a user starts
// them, on a private 1024 x 768 X server; SDL's disk driver records the music.
// Qt before Xlib, whose macros break Qt's headers.
#include "preview_window.h"
#include "saver_window.h"
#include "tumbleview_p.h"

#include <X11/Xatom.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <thread>

#include "bmp_test_writer.h"
#include "music_test_support.h"
#include "saver_system_support.h"
#include "temp_folder.h"

namespace tvtest {
namespace {

namespace fs = std::filesystem;
using namespace tumbleview::test;
using tumbleview::kRendererWindowTitle;

constexpr unsigned long kEscape = 0xff1b;

bool reddish(int r, int g, int b) { return r > 80 && r > 2 * g && r > 2 * b; }
bool greenish(int r, int g, int b) { return g > 80 && g > 2 * r && g > 2 * b; }
bool bluish(int r, int g, int b) { return b > 80 && b > 2 * r && b > 2 * g; }

// Cases print, and are named, by their names.
template <class Case>
std::string caseName(const ::testing::TestParamInfo<Case>& test) { return test.param.name; }
template <class Case>
  requires requires(Case c) { c.name; }
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

// --- A run: its picture, its music, its end on Escape ------------------------

enum class Heard { Nothing, Loops, Restarts, ChosenTrack };

void expectMusic(Heard heard, const std::vector<std::int16_t>& music) {
  const auto bursts = [&](double apart) {
    int count = 0;
    for (auto at = firstLoudFrame(music); at >= 0; at = firstLoudFrame(music, at + std::lround(apart * 44100))) ++count;
    return count;
  };
  // Tenths of a second of track 1 (1320 Hz) and of track 2 (880 Hz): a gap
  // or a blend with track 3 (660 Hz) only ever measures lower.
  int first = 0, second = 0;
  for (std::size_t at = 0; 2 * (at + 4410) <= music.size(); at += 4410) {
    const double frequency = measureFrequency(music, at, 4410);
    first += frequency > 1100;
    second += std::abs(frequency - 880) < 40;
  }
  switch (heard) {
    case Heard::Nothing: EXPECT_EQ(firstLoudFrame(music), -1); break;
    case Heard::Loops: EXPECT_GE(bursts(0.2), 6); break;     // 0.15 s of tone every 0.3 s
    case Heard::Restarts: EXPECT_GE(bursts(0.5), 2); break;  // 0.3 s, started again within a second
    case Heard::ChosenTrack: EXPECT_TRUE(first == 0 && second >= 10) << first << " " << second; break;  // track 2 over and over
  }
}

struct RunCase {
  const char* name;
  std::vector<std::string> arguments;  // with none, the pointer is left alone
  std::function<fs::path(const fs::path& folder)> picture;  // none: the desktop
  QSize handoffSize;
  bool (*onScreen)(int r, int g, int b);
  const char* music;  // a file name, or "cd" for track 2 of a disc
  Heard heard;
};

// Left and right halves of two colours.
fs::path jpeg(const fs::path& folder, QSize size, QColor left, QColor right) {
  QImage picture(size, QImage::Format_RGB32);
  picture.fill(left);
  for (int y = 0; y < size.height(); ++y) std::fill_n(reinterpret_cast<QRgb*>(picture.scanLine(y)) + size.width() / 2, size.width() / 2, right.rgb());
  picture.save(QString::fromStdString((folder / "picture.jpg").string()), "JPEG", 95);
  return folder / "picture.jpg";
}

class Run : public SaverSystem, public ::testing::WithParamInterface<RunCase> {};

TEST_P(Run, HandsOverThePictureAndPlaysTheMusicUntilEscape) {
  const RunCase& c = GetParam();
  const fs::path folder = m_install.root();
  Screenshot desktop;
  if (!c.picture) {
    solidWindow(300, 200, 200, 120, 0x20C060);
    desktop = m_x.capture();
  }
  const fs::path song = folder / c.music;
  const bool cd = c.music == std::string("cd");
  std::vector<std::string> environment;
  if (cd) {
    insertDisc(folder.string(), {{1320, 75}, {880, 38}, {660, 150}});
    environment.push_back("TUMBLEVIEW_CDROM=" + (folder / "disc.cue").string());
  } else if (song.extension() == ".Mp3") {
    ASSERT_TRUE(writeMp3(song.string(), 440, 0.3));
  } else {  // 0.15 s of tone and as long a silence
    std::vector<std::int16_t> samples = tone(440, 6615);
    samples.resize(samples.size() * 2);
    writeWave(song.string(), samples);
  }
  const fs::path picture = c.picture ? c.picture(folder) : fs::path();
  auto saver = run({c.picture ? 1 : 0, picture, cd ? 1 : 2, 2, song}, c.arguments, environment);
  ASSERT_NE(rendererShown(*saver), 0u) << saver->stdout();

  // The picture at its own size (the desktop as it was: no renderer in it),
  // or scaled down with each place keeping its colour.
  const QImage handed = handoff();
  ASSERT_EQ(handed.size(), c.handoffSize);
  QImage expected(QString::fromStdString(picture.string()));
  if (!c.picture) expected = QImage(reinterpret_cast<const uchar*>(desktop.pixels.data()), 1024, 768, QImage::Format_RGB32);
  if (expected.isNull()) {  // Display's empty image
    expected = QImage(32, 32, QImage::Format_RGB32);
    expected.fill(Qt::black);
  }
  const bool scaled = expected.size() != c.handoffSize;
  expected = expected.scaled(c.handoffSize).convertToFormat(QImage::Format_RGB32);
  int differing = 0;
  for (int y = 0; y < handed.height(); y += 3) {
    for (int x = 0; x < handed.width(); x += 3) {
      const QRgb a = handed.pixel(x, y), b = expected.pixel(x, y);
      differing += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b)) > 24;
    }
  }
  EXPECT_LE(differing, scaled ? c.handoffSize.height() : 0);  // scaled, the halves blend where they meet

  EXPECT_TRUE(!c.onScreen || waitUntil([&] { return m_x.capture().count(0, 0, 1024, 768, c.onScreen) > 2000; }, kSaverBound));
  const auto music = [&] { return readCapture(m_install.musicCapture().string()); };
  if (c.heard == Heard::Nothing) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // silence cannot be waited for
  } else {
    EXPECT_TRUE(waitUntil([&] { return music().size() >= 2 * 44100 * 26 / 10; }, kSaverBound));
  }
  EXPECT_EQ(escape(*saver), 0);
  // The pointer is hidden and given back only by a run with a switch.
  EXPECT_EQ(has(*saver, "pointer -1") && has(*saver, "pointer 0"), !c.arguments.empty()) << saver->stdout();
  EXPECT_EQ(has(*saver, "pointer"), !c.arguments.empty());
  expectMusic(c.heard, music());
}

INSTANTIATE_TEST_SUITE_P(
    Saver, Run,
    ::testing::Values(
        RunCase{"JpegWithWave", {"/s"}, [](auto f) { return jpeg(f, {160, 120}, Qt::red, Qt::red); }, {160, 120},
                reddish, "loop.WAV", Heard::Loops},
        RunCase{"FourBitBmpWithMp3", {"-s"},
                [](auto f) {
                  Picture picture{96, 64, {}};
                  for (int i = 0; i < 96 * 64; ++i) picture.pixels.push_back(i % 96 < 48 ? Rgb8{0, 200, 0} : Rgb8{0, 0, 220});
                  writeFile(f / "picture.bmp", encodePicture(picture, Storage::kInfo4));
                  return f / "picture.bmp";
                },
                {96, 64}, bluish, "song.Mp3", Heard::Restarts},
        RunCase{"PanoramaScaledToTheRenderersLimits", {"/S"},
                [](auto f) { return jpeg(f, {20000, 1000}, Qt::green, Qt::blue); }, {16384, 819}, greenish, "loop.wave",
                Heard::Nothing},
        RunCase{"DamagedPictureHandsOverAnEmptyImage", {},
                [](auto f) {
                  writeFile(f / "bad.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F'});
                  return f / "bad.jpg";
                },
                {32, 32}, nullptr, "loop", Heard::Nothing},
        RunCase{"DesktopWithCdTrack", {"/s"}, nullptr, {1024, 768}, nullptr, "cd", Heard::ChosenTrack}),
    caseName<RunCase>);

// --- Dispatch on the command line --------------------------------------------

// Runs with "/s", "-s", "/S" and none are in the table above.
enum class Outcome { EndsAtOnce, ShowsDialog, ShowsPreview };

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
  auto saver = run({}, arguments);
  const char* title = c.outcome == Outcome::ShowsDialog ? tumbleview::kSettingsDialogCaption : tumbleview::kPreviewCaption;
  std::vector<Window> shown;
  const auto showsOne = [&] { return (shown = m_x.findByTitle(title)).size() == 1 && m_x.shown(shown.front()); };
  ASSERT_TRUE(c.outcome == Outcome::EndsAtOnce || waitUntil(showsOne, kSaverBound));
  if (c.outcome == Outcome::ShowsDialog) {
    EXPECT_EQ(m_x.propertyLong(shown.front(), "WM_TRANSIENT_FOR", XA_WINDOW), 0) << "the dialog has an owner";
    m_x.requestClose(shown.front());
  } else if (c.outcome == Outcome::ShowsPreview) {
    EXPECT_EQ(m_x.parent(shown.front()), pane);
    EXPECT_EQ(m_x.geometryOf(shown.front()), (std::array{40, 30, 200, 150}));
    XDestroyWindow(m_x.get(), pane);
    XSync(m_x.get(), False);
  }
  EXPECT_EQ(saver->waitExit(kSaverBound), 0);
  EXPECT_TRUE(c.outcome != Outcome::EndsAtOnce || !has(*saver, "saver picture")) << "a run started";
}

INSTANTIATE_TEST_SUITE_P(
    Saver, Dispatch,
    ::testing::Values(DispatchCase{"SAlone", {"S"}, Outcome::EndsAtOnce},
                      DispatchCase{"OtherSwitch", {"/a"}, Outcome::EndsAtOnce},
                      // Nothing to show in, and nothing that would ever end it.
                      DispatchCase{"PreviewWithoutPane", {"/p", "0"}, Outcome::EndsAtOnce},
                      DispatchCase{"Settings", {"/c"}, Outcome::ShowsDialog},
                      DispatchCase{"SettingsWithOwner", {"/c:1234"}, Outcome::ShowsDialog},
                      DispatchCase{"PreviewSeparate", {"/p", "{pane}"}, Outcome::ShowsPreview},
                      // Read from the fourth character: the 7 is not part of the id.
                      DispatchCase{"PreviewJoined", {"/p7{pane}"}, Outcome::ShowsPreview}),
    caseName<DispatchCase>);

// A second start while a run or the dialog is there ends at once; so do all
// but one of several starts in the same instant.
TEST_F(SaverSystem, OneRunOrDialogAtATime) {
  auto first = run({});
  ASSERT_NE(rendererShown(*first), 0u);
  EXPECT_EQ(m_install.start({"/s"})->waitExit(kSaverBound), 0);
  EXPECT_EQ(m_x.findByTitle(tumbleview::kSaverCaption).size(), 1u);
  EXPECT_EQ(escape(*first), 0);

  auto dialog = m_install.start({"/c"});
  ASSERT_TRUE(waitUntil([&] { return m_x.findByTitle(tumbleview::kSettingsDialogCaption).size() == 1; }, kSaverBound));
  EXPECT_EQ(m_install.start({"/p", std::to_string(solidWindow(0, 0, 100, 100, 0))})->waitExit(kSaverBound), 0);
  EXPECT_TRUE(m_x.findByTitle(tumbleview::kPreviewCaption).empty());
  m_x.requestClose(m_x.findByTitle(tumbleview::kSettingsDialogCaption).front());
  EXPECT_EQ(dialog->waitExit(kSaverBound), 0);

  // Five starts, held by a server grab at their first word with the X
  // server and let go together, search before any of them has a window;
  // settings of nearly the largest size read take them a while after.
  const fs::path settings = m_install.programs() / "Tumbleview.ini";
  std::vector<std::uint8_t> slow(1000000, '\n');
  const std::vector<std::uint8_t> choices = readFile(settings);
  slow.insert(slow.end(), choices.begin(), choices.end());
  writeFile(settings, slow);
  XGrabServer(m_x.get());
  XSync(m_x.get(), False);
  std::vector<std::unique_ptr<Process>> together;
  for (int i = 0; i < 5; ++i) together.push_back(m_install.start({"/s"}));
  const auto connecting = [](pid_t pid) {
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", fs::directory_options::skip_permission_denied)) {
      if (fs::read_symlink(fd).string().starts_with("socket:")) return true;
    }
    return false;
  };
  waitUntil([&] { return std::all_of(together.begin(), together.end(), [&](auto& s) { return connecting(s->pid()); }); }, kSaverBound);
  XUngrabServer(m_x.get());
  XSync(m_x.get(), False);
  const auto ended = [&] { return std::count_if(together.begin(), together.end(), [](auto& s) { return !s->running(); }); };
  EXPECT_TRUE(waitUntil([&] { return ended() == 4; }, kSaverBound)) << "more than one run started";
  EXPECT_TRUE(waitUntil([&] { return m_x.findByTitle(kRendererWindowTitle).size() == 1; }, kSaverBound));
  m_x.key(kEscape, true);
  EXPECT_TRUE(waitUntil([&] { return ended() == 5; }, kSaverBound));
  m_x.key(kEscape, false);
}

// --- Faults ----------------------------------------------------------------------

enum class Fault {
  RendererMissing, RendererWithoutWindow, FolderReadOnly, FolderOpen, FolderLinked,  // the renderer never shows
  PictureFifo, Terminated, HungUp, RendererKilled
};
const char* const kFaultNames[] = {"RendererMissing", "RendererWithoutWindow", "HandoffFolderReadOnly",
                                   "HandoffFolderOpenToOthers", "HandoffFolderIsALink", "PictureIsAFifo",
                                   "SigtermMidRun", "SighupMidRun", "RendererKilled"};

// Ended, or ended and waiting to be reaped.
bool ended(const std::string& pid) {
  std::string stat;
  std::getline(std::ifstream("/proc/" + pid + "/stat"), stat);
  return stat.empty() || stat[stat.rfind(')') + 2] == 'Z';
}

class FaultRun : public SaverSystem, public ::testing::WithParamInterface<int> {};

// Whatever goes wrong, the run ends with status 0 and the pointer given
// back, nothing of it stays running and nothing is written outside its folder.
TEST_P(FaultRun, EndsCleanly) {
  const auto fault = static_cast<Fault>(GetParam());
  const fs::path drive = m_install.drive(), elsewhere = m_install.root() / "elsewhere";
  fs::create_directory(elsewhere);
  fs::permissions(elsewhere, fs::perms::owner_all);
  fs::path picture = m_install.root() / "fifo.jpg";
  mkfifo(picture.c_str(), 0600);
  std::vector<std::string> environment;
  if (fault == Fault::RendererMissing) fs::remove(m_install.programs() / "Tumbleview.dll");
  const fs::path stuck = m_install.root() / "stuck.pid";
  if (fault == Fault::RendererWithoutWindow) {  // a stand-in that only sleeps (not written through the link)
    fs::remove(m_install.programs() / "Tumbleview.dll");
    std::ofstream(m_install.programs() / "Tumbleview.dll") << "#!/bin/sh\necho $$ > " << stuck << "\nexec sleep 100\n";
    fs::permissions(m_install.programs() / "Tumbleview.dll", fs::perms::owner_all);
  }
  if (fault == Fault::FolderReadOnly) fs::permissions(drive, fs::perms::owner_read | fs::perms::owner_exec);
  if (fault == Fault::FolderOpen) fs::permissions(drive, fs::perms::all);
  if (fault == Fault::FolderLinked) {
    fs::create_directory_symlink(elsewhere, m_install.root() / "link");
    environment.push_back("TUMBLEVIEW_DRIVE_C=" + (m_install.root() / "link").string());
  }
  m_install.choose({1, picture, 0, 0, ""});
  // Root's file permission override must not reach the saver.
  auto saver = m_install.start({"/s"}, environment,
                               geteuid() == 0 ? std::vector<std::string>{"setpriv", "--bounding-set=-dac_override,-dac_read_search,-fowner"}
                                              : std::vector<std::string>{});
  const bool rendererRuns = fault >= Fault::PictureFifo;
  if (rendererRuns) {
    const Window renderer = rendererShown(*saver);
    ASSERT_NE(renderer, 0u) << saver->stdout();
    if (fault == Fault::Terminated || fault == Fault::HungUp) kill(saver->pid(), fault == Fault::HungUp ? SIGHUP : SIGTERM);
    if (fault == Fault::RendererKilled) kill(static_cast<pid_t>(m_x.propertyLong(renderer, "_NET_WM_PID", XA_CARDINAL)), SIGKILL);
  }
  // A FIFO is no usable picture file: the desktop is handed over instead.
  if (rendererRuns) {
    EXPECT_EQ(handoff().size(), QSize(1024, 768));
  }
  if (fault > Fault::PictureFifo) {
    EXPECT_EQ(saver->waitExit(kSaverBound), 0) << "the saver did not end";
  }
  // Asked to end, the saver leaves the renderer to its user.
  EXPECT_EQ(rendererRuns ? escape(*saver) : saver->waitExit(kSaverBound), 0);
  EXPECT_TRUE(has(*saver, "pointer 0")) << saver->stdout();
  if (fault == Fault::RendererWithoutWindow) {
    std::string pid;
    std::getline(std::ifstream(stuck), pid);
    EXPECT_TRUE(waitUntil([&] { return ended(pid); }, kSaverBound)) << "a renderer that never showed its window runs on";
  }
  EXPECT_EQ(fs::is_empty(drive), fault == Fault::FolderReadOnly || fault == Fault::FolderOpen || fault == Fault::FolderLinked);
  EXPECT_TRUE(fs::is_empty(elsewhere));
}

INSTANTIATE_TEST_SUITE_P(Saver, FaultRun, ::testing::Range(0, 9),
                         [](const ::testing::TestParamInfo<int>& test) { return std::string(kFaultNames[test.param]); });

}  // namespace
}  // namespace tvtest
