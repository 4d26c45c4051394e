// The renderer program on a 1024 x 768 X server: full screen, its window,
// its inputs and its exit statuses.
#include <X11/keysym.h>

#include <signal.h>

#include <cstdio>
#include <regex>

#include "shell_e2e_fixture.h"

namespace tvtest {
namespace {

bool Reddish(int r, int g, int b) { return r > 80 && r > 2 * g && r > 2 * b; }
bool Greenish(int r, int g, int b) { return g > 80 && g > 2 * r && g > 2 * b; }
bool Black(int r, int g, int b) { return r < 16 && g < 16 && b < 16; }
bool DarkBlue(int r, int g, int b) { return b > 60 && r < 40 && g < 40; }
int Brightness(int r, int g, int b) { return std::max(r, std::max(g, b)); }

// The number after `key` in the renderer's report, or -1.
long ReportValue(const std::string& report, const std::string& pattern) {
  std::smatch match;
  if (!std::regex_search(report, match, std::regex(pattern))) return -1;
  return std::stol(match[1].str());
}

TEST_F(RendererE2eTest, FullScreenWindowTitledAndClassedForTheSaver) {
  WriteSolidBmp(Picture(), 64, 64, 255, 0, 0);
  StartRenderer();
  const Window window = WaitForRenderWindow();
  ASSERT_NE(window, 0u) << "no window titled " << kRenderWindowTitle << "; stderr: " << m_renderer->Stderr();
  EXPECT_EQ(m_x->WmClass(window), "OpenGL/OpenGL");
  EXPECT_EQ(m_x->WmPid(window), std::optional<long>(m_renderer->pid()));
  const Geometry geometry = m_x->GeometryOf(window);
  EXPECT_EQ(geometry.x, 0);
  EXPECT_EQ(geometry.y, 0);
  EXPECT_EQ(geometry.width, 1024);
  EXPECT_EQ(geometry.height, 768);
  EXPECT_EQ(m_x->Focus(), window);
  EXPECT_FALSE(m_x->PointerVisible()) << "the pointer shows over the window";
  EXPECT_EQ(PressEscapeUntilEnd(), std::optional<int>(27));
  EXPECT_EQ(m_renderer->Stderr(), "");
  EXPECT_TRUE(m_x->PointerVisible()) << "the pointer stays hidden after the end";
}

TEST_F(RendererE2eTest, TurningCubeShowsThePicturesColours) {
  struct Row {
    const char* name;
    std::uint8_t r, g, b;
    bool (*own)(int, int, int);
    bool (*other)(int, int, int);
  };
  const Row rows[] = {{"red", 255, 0, 0, Reddish, Greenish}, {"green", 0, 255, 0, Greenish, Reddish}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteSolidBmp(Picture(), 128, 64, row.r, row.g, row.b);
    StartRenderer();
    ASSERT_NE(WaitForRenderWindow(), 0u) << m_renderer->Stderr();
    Screenshot shot;
    const bool coloured = WaitUntil(
        [&] {
          shot = m_x->Capture();
          return shot.Count(0, 0, 1024, 768, row.own) > 5000;
        },
        kChangeBound);
    if (!coloured) shot.SavePpm(std::string("/tmp/tv-shell-e2e-") + row.name + ".ppm");
    EXPECT_TRUE(coloured) << "too few pixels in the picture's colour";
    EXPECT_LT(shot.Count(0, 0, 1024, 768, row.other), 50);
    // The cube turns on black: the corners stay black.
    EXPECT_EQ(shot.Count(0, 0, 40, 40, Black), 1600);
    EXPECT_EQ(shot.Count(984, 728, 1024, 768, Black), 1600);
    EXPECT_TRUE(ScreenChangesFrom(shot)) << "the picture does not move";
    EXPECT_EQ(PressEscapeUntilEnd(), std::optional<int>(27));
  }
}

TEST_F(RendererE2eTest, CloseRequestEndsWithStatusZero) {
  WriteSolidBmp(Picture(), 64, 64, 0, 0, 255);
  StartRenderer();
  const Window window = WaitForRenderWindow();
  ASSERT_NE(window, 0u) << m_renderer->Stderr();
  m_x->RequestClose(window);
  EXPECT_EQ(m_renderer->WaitExit(kEndBound), std::optional<int>(0));
}

// Whoever started the renderer may end it with a signal: the run ends as on a
// close request, display mode restored.
TEST_F(RendererE2eTest, TerminationSignalEndsLikeACloseRequest) {
  WriteSolidBmp(Picture(), 64, 64, 0, 0, 255);
  StartRenderer();
  ASSERT_NE(WaitForRenderWindow(), 0u) << m_renderer->Stderr();
  kill(m_renderer->pid(), SIGTERM);
  EXPECT_EQ(m_renderer->WaitExit(kEndBound), std::optional<int>(0));
}

TEST_F(RendererE2eTest, EscapePressedAndReleasedInOneBurstDoesNotEnd) {
  WriteSolidBmp(Picture(), 64, 64, 255, 255, 0);
  StartRenderer();
  const Window window = WaitForRenderWindow();
  ASSERT_NE(window, 0u) << m_renderer->Stderr();
  m_x->KeyBurst(XK_Escape);
  EXPECT_TRUE(KeepsDrawing());
  EXPECT_TRUE(m_renderer->Running());
  // Had the burst ended the run, the status would be 27.
  m_x->RequestClose(window);
  EXPECT_EQ(m_renderer->WaitExit(kEndBound), std::optional<int>(0));
}

TEST_F(RendererE2eTest, OtherKeysAndMouseButtonsDoNotEnd) {
  WriteSolidBmp(Picture(), 64, 64, 255, 255, 255);
  StartRenderer();
  ASSERT_NE(WaitForRenderWindow(), 0u) << m_renderer->Stderr();
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
  EXPECT_EQ(PressEscapeUntilEnd(), std::optional<int>(27));
}

TEST_F(RendererE2eTest, WithoutPictureEndsAtOnceWithStatusZeroAndNoBox) {
  StartRenderer();
  EXPECT_EQ(m_renderer->WaitExit(kEndBound), std::optional<int>(0));
  // Every message box is also written to standard error.
  EXPECT_EQ(m_renderer->Stderr(), "");
  EXPECT_EQ(m_renderer->Stdout().find("first-frame"), std::string::npos);
  EXPECT_TRUE(m_x->FindByTitle(kErrorBoxTitle).empty());
}

TEST_F(RendererE2eTest, WithoutDisplayEndsAtOnceWithStatusZero) {
  WriteSolidBmp(Picture(), 64, 64, 255, 0, 0);
  Process renderer({TUMBLEVIEW_RENDERER}, {"TUMBLEVIEW_DRIVE_C=" + m_drive.string(), "DISPLAY="}, m_drive, "renderer");
  EXPECT_EQ(renderer.WaitExit(kEndBound), std::optional<int>(0));
}

TEST_F(RendererE2eTest, DamagedPictureShowsOneErrorBoxThenEndsWithStatusZero) {
  struct Row {
    const char* name;
    bool empty;
    std::string message;
  };
  const Row rows[] = {
      {"empty file", true, "Failed to open DIB file " + Picture().string() + "."},
      {"124-byte header", false, "Unknown DIB file format."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.empty) {
      WriteSolidBmp(Picture(), 1, 1, 0, 0, 0);
      std::filesystem::resize_file(Picture(), 0);
    } else {
      WriteBmpWithHeaderSize(Picture(), 124);
    }
    StartRenderer();
    int boxes = 0;
    Window box = 0;
    std::optional<int> status;
    // Dismiss every box that comes, until the program has ended.
    WaitUntil(
        [&] {
          for (Window found : m_x->FindByTitle(kErrorBoxTitle)) {
            if (found == box || !m_x->Shown(found)) continue;
            box = found;
            ++boxes;
            const std::vector<Window> owners = m_x->FindByTitle(kRenderWindowTitle);
            EXPECT_EQ(owners.size(), 1u);
            if (owners.size() == 1) {
              EXPECT_EQ(m_x->TransientFor(box), owners.front()) << "box not owned by the window";
            }
            EXPECT_TRUE(m_renderer->Running()) << "the box does not block";
            m_x->RequestClose(box);
          }
          status = m_renderer->WaitExit(Seconds(0));
          return status.has_value();
        },
        kStartBound + kEndBound);
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(status, std::optional<int>(0));
    EXPECT_NE(m_renderer->Stderr().find(row.message), std::string::npos) << m_renderer->Stderr();
  }
}

TEST_F(RendererE2eTest, LosingTheFocusWithoutMinimizingKeepsDrawing) {
  // With a window manager, which would minimize the window if asked to.
  StartWindowManager();
  WriteSolidBmp(Picture(), 64, 64, 255, 0, 255);
  StartRenderer();
  const Window window = WaitForRenderWindow();
  ASSERT_NE(window, 0u) << m_renderer->Stderr();
  StealFocus();
  EXPECT_TRUE(KeepsDrawing());
  m_x->RequestClose(window);
  EXPECT_EQ(m_renderer->WaitExit(kEndBound), std::optional<int>(0));
  EXPECT_EQ(m_renderer->Stdout().find("active 0"), std::string::npos) << m_renderer->Stdout();
}

TEST_F(RendererE2eTest, MinimizedDrawsNothingAndEscapeStillEnds) {
  StartWindowManager();
  WriteSolidBmp(Picture(), 64, 64, 0, 255, 255);
  StartRenderer();
  const Window window = WaitForRenderWindow();
  ASSERT_NE(window, 0u) << m_renderer->Stderr();
  m_x->Iconify(window);
  long framesWhenMinimized = -1;
  ASSERT_TRUE(WaitUntil(
      [&] {
        framesWhenMinimized = ReportValue(m_renderer->Stdout(), "active 0 frames (\\d+)");
        return framesWhenMinimized >= 0;
      },
      kChangeBound))
      << "drawing did not stop: " << m_renderer->Stdout();
  // The iconified window has no focus: the key goes to it directly.
  m_x->SendKey(window, XK_Escape, true);
  EXPECT_EQ(m_renderer->WaitExit(kEndBound), std::optional<int>(27));
  const std::string report = m_renderer->Stdout();
  EXPECT_EQ(ReportValue(report, "\nframes (\\d+)"), framesWhenMinimized) << report;
  EXPECT_GT(ReportValue(report, "swaps (\\d+)"), framesWhenMinimized) << report;
}

TEST_F(RendererE2eTest, HoldingTOrHChangesThePictureOnlyWhileHeld) {
  WriteSolidBmp(Picture(), 64, 64, 255, 255, 255);
  StartRenderer();
  ASSERT_NE(WaitForRenderWindow(), 0u) << m_renderer->Stderr();

  // T: the 256 x 256 render target at 10 pixels from the bottom-left corner;
  // its own corner is the sphere pass's dark blue.
  const auto previewCorner = [&](bool (*test)(int, int, int)) {
    return WaitUntil([&] { return m_x->Capture().Count(14, 738, 30, 754, test) == 256; }, kChangeBound);
  };
  EXPECT_TRUE(previewCorner(Black));
  m_x->Key(XK_t, true);
  EXPECT_TRUE(previewCorner(DarkBlue)) << "no preview while T is held";
  m_x->Key(XK_t, false);
  EXPECT_TRUE(previewCorner(Black)) << "preview stays after T is released";

  // H: the band from a tenth of the width to the right edge, 2/3 to 92.5 %
  // of the height from the bottom, darkened to 40 %.
  const auto bandBrightest = [&] {
    const Screenshot shot = m_x->Capture();
    int brightest = 0;
    shot.Count(103, 58, 1024, 256, [&](int r, int g, int b) {
      brightest = std::max(brightest, Brightness(r, g, b));
      return false;
    });
    return brightest;
  };
  EXPECT_TRUE(WaitUntil([&] { return bandBrightest() > 150; }, kChangeBound)) << "cube not seen in the band";
  m_x->Key(XK_h, true);
  EXPECT_TRUE(WaitUntil([&] { return bandBrightest() <= 110; }, kChangeBound)) << "no dark panel while H is held";
  m_x->Key(XK_h, false);
  EXPECT_TRUE(WaitUntil([&] { return bandBrightest() > 150; }, kChangeBound)) << "panel stays after H is released";

  EXPECT_EQ(PressEscapeUntilEnd(), std::optional<int>(27));
}

}  // namespace
}  // namespace tvtest
