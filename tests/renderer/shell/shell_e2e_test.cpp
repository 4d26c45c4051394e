// The renderer program on a 1024 x 768 X server: full screen, its window,
// its inputs and its exit statuses.
#include <X11/keysym.h>

#include <signal.h>

#include <algorithm>
#include <fstream>
#include <regex>

#include "shell_e2e_fixture.h"

namespace tvtest {
namespace {

bool Reddish(int r, int g, int b) { return r > 80 && r > 2 * g && r > 2 * b; }
bool Greenish(int r, int g, int b) { return g > 80 && g > 2 * r && g > 2 * b; }
bool Black(int r, int g, int b) { return r < 16 && g < 16 && b < 16; }
bool DarkBlue(int r, int g, int b) { return b > 60 && r < 40 && g < 40; }

// The number captured by `pattern` in the renderer's report, or -1.
long ReportValue(const std::string& report, const std::string& pattern) {
  std::smatch match;
  return std::regex_search(report, match, std::regex(pattern)) ? std::stol(match[1].str()) : -1;
}

TEST_F(RendererE2eTest, FullScreenWindowShowsTheTurningCubeInThePicturesColours) {
  const Window window = StartShowing(255, 0, 0);
  ASSERT_NE(window, 0u);
  EXPECT_EQ(m_x->Property(window, "WM_CLASS", XA_STRING), std::string("OpenGL\0OpenGL", 14));
  EXPECT_EQ(m_x->PropertyLong(window, "_NET_WM_PID", XA_CARDINAL), m_renderer->pid());
  const Geometry geometry = m_x->GeometryOf(window);
  EXPECT_EQ((std::vector{geometry.x, geometry.y, geometry.width, geometry.height}), (std::vector{0, 0, 1024, 768}));
  EXPECT_EQ(m_x->Focus(), window);
  EXPECT_FALSE(m_x->PointerVisible()) << "the pointer shows over the window";

  Screenshot shot;
  EXPECT_TRUE(WaitUntil(
      [&] {
        shot = m_x->Capture();
        return shot.Count(0, 0, 1024, 768, Reddish) > 5000;
      },
      kBound))
      << "too few pixels in the picture's colour";
  // No other colour, and the cube turns on black.
  EXPECT_LT(shot.Count(0, 0, 1024, 768, Greenish), 50);
  EXPECT_EQ(shot.Count(0, 0, 40, 40, Black), 1600);
  EXPECT_EQ(shot.Count(984, 728, 1024, 768, Black), 1600);
  EXPECT_TRUE(ScreenChangesFrom(shot)) << "the picture does not move";

  EXPECT_EQ(PressEscapeUntilEnd(), std::optional<int>(27));
  EXPECT_EQ(m_renderer->Stderr(), "");
  EXPECT_TRUE(m_x->PointerVisible()) << "the pointer stays hidden after the end";
}

// Whoever started the renderer may also end it with a signal: the run ends
// as on a close request, display mode restored.
TEST_F(RendererE2eTest, CloseRequestAndTerminationSignalEndWithStatusZero) {
  for (const bool bySignal : {false, true}) {
    SCOPED_TRACE(bySignal ? "SIGTERM" : "WM_DELETE_WINDOW");
    const Window window = StartShowing(0, 0, 255);
    ASSERT_NE(window, 0u);
    if (bySignal) {
      kill(m_renderer->pid(), SIGTERM);
    } else {
      m_x->RequestClose(window);
    }
    EXPECT_EQ(m_renderer->WaitExit(kBound), std::optional<int>(0));
  }
}

TEST_F(RendererE2eTest, EscapeInOneBurstOtherKeysAndMouseButtonsDoNotEnd) {
  const Window window = StartShowing(255, 255, 0);
  ASSERT_NE(window, 0u);
  m_x->KeyBurst(XK_Escape);
  for (unsigned long keysym : {XK_a, XK_Return, XK_space, XK_F1, XK_q, XK_BackSpace, XK_Tab, XK_Up}) {
    m_x->Key(keysym, true);
    m_x->Key(keysym, false);
  }
  for (unsigned int button : {1u, 2u, 3u, 4u, 5u}) {
    m_x->Button(button, true);
    m_x->Button(button, false);
  }
  EXPECT_TRUE(KeepsDrawing());
  EXPECT_TRUE(m_renderer->Running());
  // Had the burst or another key ended the run, the status would not be 0.
  EXPECT_EQ(CloseUntilEnd(window), std::optional<int>(0));
}

TEST_F(RendererE2eTest, WithoutPictureOrDisplayEndsAtOnceWithStatusZeroAndNoBox) {
  StartRenderer();
  EXPECT_EQ(m_renderer->WaitExit(kBound), std::optional<int>(0));
  // Every message box is also written to standard error.
  EXPECT_EQ(m_renderer->Stderr(), "");
  EXPECT_EQ(m_renderer->Stdout().find("first-frame"), std::string::npos);
  EXPECT_TRUE(m_x->FindByTitle(kErrorBoxTitle).empty());

  WriteSolidBmp(Picture(), 64, 64, 255, 0, 0);
  Process renderer({TUMBLEVIEW_RENDERER}, {"TUMBLEVIEW_DRIVE_C=" + m_drive.string(), "DISPLAY="}, m_drive, "nodisplay");
  EXPECT_EQ(renderer.WaitExit(kBound), std::optional<int>(0));
}

TEST_F(RendererE2eTest, DamagedPictureShowsOneErrorBoxThenEndsWithStatusZero) {
  const std::pair<std::uint32_t, std::string> rows[] = {
      {0, "Failed to open DIB file " + Picture().string() + "."},  // an empty file
      {124, "Unknown DIB file format."},
  };
  for (const auto& [headerSize, message] : rows) {
    SCOPED_TRACE(message);
    if (headerSize == 0) {
      std::ofstream empty(Picture(), std::ios::trunc);
    } else {
      WriteSolidBmp(Picture(), 16, 16, 200, 100, 50, headerSize);
    }
    StartRenderer();
    int boxes = 0;
    Window box = 0;
    // Dismiss every box that comes, until the program has ended.
    WaitUntil(
        [&] {
          for (Window found : m_x->FindByTitle(kErrorBoxTitle)) {
            if (found == box || !m_x->Shown(found)) continue;
            box = found;
            ++boxes;
            const std::vector<Window> owners = m_x->FindByTitle(kRenderWindowTitle);
            EXPECT_EQ(owners, std::vector<Window>{Window(m_x->PropertyLong(box, "WM_TRANSIENT_FOR", XA_WINDOW))}) << "box not owned by the window";
            EXPECT_TRUE(m_renderer->Running()) << "the box does not block";
            m_x->RequestClose(box);
          }
          return !m_renderer->Running();
        },
        2 * kBound);
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(m_renderer->WaitExit(Seconds(0)), std::optional<int>(0));
    EXPECT_NE(m_renderer->Stderr().find(message), std::string::npos) << m_renderer->Stderr();
  }
}

// With a window manager, which would minimize the window if asked to.
TEST_F(RendererE2eTest, LosingTheFocusWithoutMinimizingKeepsDrawing) {
  StartWindowManager();
  const Window window = StartShowing(255, 0, 255);
  ASSERT_NE(window, 0u);
  StealFocus();
  EXPECT_TRUE(KeepsDrawing());
  EXPECT_EQ(CloseUntilEnd(window), std::optional<int>(0));
  EXPECT_EQ(m_renderer->Stdout().find("active 0"), std::string::npos) << m_renderer->Stdout();
}

TEST_F(RendererE2eTest, MinimizedDrawsNothingAndEscapeStillEnds) {
  StartWindowManager();
  const Window window = StartShowing(0, 255, 255);
  ASSERT_NE(window, 0u);
  m_x->Iconify(window);
  long framesWhenMinimized = -1;
  ASSERT_TRUE(WaitUntil(
      [&] { return (framesWhenMinimized = ReportValue(m_renderer->Stdout(), "active 0 frames (\\d+)")) >= 0; }, kBound))
      << "drawing did not stop: " << m_renderer->Stdout();
  // The iconified window has no focus: the key goes to it directly.
  m_x->SendKeyDown(window, XK_Escape);
  EXPECT_EQ(m_renderer->WaitExit(kBound), std::optional<int>(27));
  const std::string report = m_renderer->Stdout();
  EXPECT_EQ(ReportValue(report, "\nframes (\\d+)"), framesWhenMinimized) << report;
  EXPECT_GT(ReportValue(report, "swaps (\\d+)"), framesWhenMinimized) << report;
}

TEST_F(RendererE2eTest, HoldingTOrHChangesThePictureOnlyWhileHeld) {
  ASSERT_NE(StartShowing(255, 255, 255), 0u);
  // H: the band from a tenth of the width to the right edge, 2/3 to 92.5 %
  // of the height from the bottom, darkened to 40 %.
  const auto bandBrightest = [&] {
    int brightest = 0;
    m_x->Capture().Count(103, 58, 1024, 256, [&](int r, int g, int b) {
      brightest = std::max({brightest, r, g, b});
      return false;
    });
    return brightest;
  };
  const std::pair<unsigned long, std::function<bool(bool)>> keys[] = {
      // T: the 256 x 256 render target at 10 pixels from the bottom-left
      // corner; its own corner is the sphere pass's dark blue.
      {XK_t, [&](bool held) { return m_x->Capture().Count(14, 738, 30, 754, held ? DarkBlue : Black) == 256; }},
      {XK_h, [&](bool held) { return held ? bandBrightest() <= 110 : bandBrightest() > 150; }},
  };
  for (const auto& [keysym, looksHeldRef] : keys) {
    SCOPED_TRACE(keysym == XK_t ? "T" : "H");
    const auto& looksHeld = looksHeldRef;  // lambdas cannot capture a structured binding in clang
    EXPECT_TRUE(WaitUntil([&] { return looksHeld(false); }, kBound)) << "before the key";
    m_x->Key(keysym, true);
    EXPECT_TRUE(WaitUntil([&] { return looksHeld(true); }, kBound)) << "while the key is held";
    m_x->Key(keysym, false);
    EXPECT_TRUE(WaitUntil([&] { return looksHeld(false); }, kBound)) << "after the key is released";
  }
  EXPECT_EQ(PressEscapeUntilEnd(), std::optional<int>(27));
}

}  // namespace
}  // namespace tvtest
