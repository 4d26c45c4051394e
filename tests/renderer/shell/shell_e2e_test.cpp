// The renderer program on a 1024 x 768 X server: full screen, its window,
// its inputs and its exit statuses.
#include "shell_e2e.h"  // first: it puts GoogleTest before Xlib

#include <X11/extensions/Xfixes.h>

#include <algorithm>
#include <regex>

namespace tvtest {
namespace {

bool reddish(int r, int g, int b) { return r > 80 && r > 2 * g && r > 2 * b; }
bool greenish(int r, int g, int b) { return g > 80 && g > 2 * r && g > 2 * b; }
bool black(int r, int g, int b) { return r < 16 && g < 16 && b < 16; }

// Whether the pointer, where it is now, shows any visible pixel.
bool pointerVisible(Display* display) {
  XFixesCursorImage* cursor = XFixesGetCursorImage(display);
  const bool visible = cursor && std::any_of(cursor->pixels, cursor->pixels + cursor->width * cursor->height,
                                             [](unsigned long pixel) { return (pixel >> 24) != 0; });
  if (cursor) XFree(cursor);
  return visible;
}

Window focusOf(Display* display) {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display, &focus, &revert);
  return focus;
}

// The number captured by `pattern` in the renderer's report, or -1.
long reportValue(const std::string& report, const std::string& pattern) {
  std::smatch match;
  return std::regex_search(report, match, std::regex(pattern)) ? std::stol(match[1].str()) : -1;
}

TEST_F(RendererE2eTest, FullScreenWindowShowsTheTurningCubeAndOnlyEscapeAtAnEmptyQueueEnds) {
  const Window window = startShowing(0xFF0000);
  ASSERT_NE(window, 0u);
  Display* const d = m_x->get();
  EXPECT_EQ(m_x->property(window, "WM_CLASS", XA_STRING), std::string("OpenGL\0OpenGL", 14));
  EXPECT_EQ(m_x->propertyLong(window, "_NET_WM_PID", XA_CARDINAL), m_renderer->pid());
  EXPECT_EQ(m_x->geometryOf(window), (std::array{0, 0, 1024, 768}));
  EXPECT_EQ(focusOf(d), window);
  EXPECT_FALSE(pointerVisible(d)) << "the pointer shows over the window";

  Screenshot shot;
  EXPECT_TRUE(waitUntil([&] { return (shot = m_x->capture()).count(0, 0, 1024, 768, reddish) > 5000; }, kBound))
      << "too few pixels in the picture's colour";
  // No other colour, and the cube turns on black.
  EXPECT_LT(shot.count(0, 0, 1024, 768, greenish), 50);
  EXPECT_EQ(shot.count(0, 0, 40, 40, black) + shot.count(984, 728, 1024, 768, black), 3200);
  EXPECT_TRUE(screenChangesFrom(shot)) << "the picture does not move";

  // Escape down and up in one burst (the server handles both in one go, so
  // the program reads them together), other keys and the mouse buttons do
  // not end the run.
  XGrabServer(d);
  for (const Bool down : {True, False}) XTestFakeKeyEvent(d, XKeysymToKeycode(d, XK_Escape), down, CurrentTime);
  XUngrabServer(d);
  XSync(d, False);
  for (unsigned long keysym : {XK_a, XK_Return, XK_space, XK_F1, XK_q, XK_BackSpace, XK_Tab, XK_Up}) {
    m_x->key(keysym, true);
    m_x->key(keysym, false);
  }
  for (unsigned int button = 1; button <= 5; ++button) {
    for (const Bool down : {True, False}) XTestFakeButtonEvent(d, button, down, CurrentTime);
  }
  XSync(d, False);
  EXPECT_TRUE(keepsDrawing());
  ASSERT_TRUE(m_renderer->running());
  EXPECT_EQ(pressEscapeUntilEnd(), std::optional<int>(27));
  EXPECT_EQ(m_renderer->stderr(), "");
  EXPECT_TRUE(pointerVisible(d)) << "the pointer stays hidden after the end";
}

// Whoever started the renderer may also end it with a signal: the run ends
// as on a close request, display mode restored.
TEST_F(RendererE2eTest, CloseRequestAndTerminationSignalEndWithStatusZero) {
  for (const bool bySignal : {false, true}) {
    SCOPED_TRACE(bySignal ? "SIGTERM" : "WM_DELETE_WINDOW");
    const Window window = startShowing(0x0000FF);
    ASSERT_NE(window, 0u);
    bySignal ? void(kill(m_renderer->pid(), SIGTERM)) : m_x->requestClose(window);
    EXPECT_EQ(m_renderer->waitExit(kBound), std::optional<int>(0));
  }
}

TEST_F(RendererE2eTest, WithoutPictureOrDisplayEndsAtOnceWithStatusZeroAndNoBox) {
  startRenderer();
  EXPECT_EQ(m_renderer->waitExit(kBound), std::optional<int>(0));
  // Every message box is also written to standard error.
  EXPECT_EQ(m_renderer->stderr(), "");
  EXPECT_EQ(m_renderer->stdout().find("first-frame"), std::string::npos);
  EXPECT_TRUE(m_x->findByTitle(kErrorBoxTitle).empty());

  writeSolidBmp(picturePath(), 64, 64, 0xFF0000);
  std::vector<std::string> command = rendererCommand(m_drive);
  command.insert(command.begin() + 1, "DISPLAY=");
  EXPECT_EQ(Process(command, m_drive, "nodisplay").waitExit(kBound), std::optional<int>(0));
}

// An empty file: the loader's message (image_loading_test has the others).
TEST_F(RendererE2eTest, DamagedPictureShowsOneErrorBoxThenEndsWithStatusZero) {
  std::ofstream(picturePath(), std::ios::trunc).close();
  startRenderer();
  Window box = 0;
  ASSERT_TRUE(waitUntil(
      [&] {
        const std::vector<Window> found = m_x->findByTitle(kErrorBoxTitle);
        return found.size() == 1 && m_x->shown(box = found.front());
      },
      kBound));
  EXPECT_EQ(m_x->findByTitle(kRenderWindowTitle),
            std::vector<Window>{Window(m_x->propertyLong(box, "WM_TRANSIENT_FOR", XA_WINDOW))})
      << "box not owned by the window";
  EXPECT_TRUE(m_renderer->running()) << "the box does not block";
  m_x->requestClose(box);
  // A second box would hold the program up.
  EXPECT_EQ(m_renderer->waitExit(kBound), std::optional<int>(0));
  const std::string message = "Failed to open DIB file " + picturePath().string() + ".";
  EXPECT_NE(m_renderer->stderr().find(message), std::string::npos) << m_renderer->stderr();
}

// With a window manager: losing the focus keeps the drawing going, being
// minimized stops it, and Escape still reaches the minimized window.
TEST_F(RendererE2eTest, LosingTheFocusKeepsDrawingMinimizedDrawsNothingAndEscapeStillEnds) {
  startWindowManager();
  const Window window = startShowing(0xFF00FF);
  ASSERT_NE(window, 0u);
  // SDL takes note of focus changes some 200 ms after they happen, and one
  // before it has noted its own would go unseen.  Nothing outside shows
  // that moment, so this waits a fixed while.
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  Display* const d = m_x->get();
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  const Window mine = XCreateWindow(d, m_x->root(), 0, 0, 8, 8, 0, CopyFromParent, InputOutput, CopyFromParent,
                                    CWOverrideRedirect, &attributes);
  XMapRaised(d, mine);
  XSync(d, False);
  waitUntil([&] { return m_x->shown(mine); }, kBound);
  XSetInputFocus(d, mine, RevertToParent, CurrentTime);
  XSync(d, False);
  EXPECT_EQ(focusOf(d), mine);
  EXPECT_TRUE(keepsDrawing());
  EXPECT_EQ(m_renderer->stdout().find("active 0"), std::string::npos) << m_renderer->stdout();
  XIconifyWindow(d, window, DefaultScreen(d));
  XSync(d, False);
  long framesWhenMinimized = -1;
  ASSERT_TRUE(waitUntil(
      [&] { return (framesWhenMinimized = reportValue(m_renderer->stdout(), "active 0 frames (\\d+)")) >= 0; }, kBound))
      << "drawing did not stop: " << m_renderer->stdout();
  // The iconified window has no focus: the key goes to it directly.
  XEvent escape{};
  escape.xkey = {KeyPress, 0, False, d, window, m_x->root(), 0, CurrentTime, 0, 0, 0, 0, 0, XKeysymToKeycode(d, XK_Escape), True};
  XSendEvent(d, window, True, KeyPressMask, &escape);
  XSync(d, False);
  EXPECT_EQ(m_renderer->waitExit(kBound), std::optional<int>(27));
  const std::string report = m_renderer->stdout();
  EXPECT_EQ(reportValue(report, "\nframes (\\d+)"), framesWhenMinimized) << report;
  EXPECT_GT(reportValue(report, "swaps (\\d+)"), framesWhenMinimized) << report;
}

}  // namespace
}  // namespace tvtest
