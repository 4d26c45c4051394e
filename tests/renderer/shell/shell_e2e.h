// Whole-program tests of the renderer: the real program started as a child
// process, watched and driven through a real X server (Xlib + XTest), and
// screenshots of the root window.  Every wait is bounded.
#pragma once

// Before Xlib, whose macros (None, Bool) break it.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bitmap_file_writer.h"
#include "handoff.h"
#include "temp_folder.h"

namespace tvtest {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

// Generous bound on every wait: the machine may be loaded.
inline constexpr Seconds kBound{10};

// Polls `condition` every 20 ms until it holds or `timeout` has passed.
inline bool waitUntil(const std::function<bool()>& condition, Seconds timeout) {
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(timeout);
  while (!condition()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// 0xRRGGBB pixels, top row first.
struct Screenshot {
  int width = 0;
  std::vector<std::uint32_t> pixels;

  // Pixels in [x0, x1) x [y0, y1) that satisfy `test`.
  int count(int x0, int y0, int x1, int y1, bool (*test)(int r, int g, int b)) const {
    int count = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
        count += test(int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF));
      }
    }
    return count;
  }
  int difference(const Screenshot& other) const {
    if (other.pixels.size() != pixels.size()) return static_cast<int>(pixels.size());
    return static_cast<int>(std::inner_product(pixels.begin(), pixels.end(), other.pixels.begin(), std::size_t{0},
                                               std::plus<>(), std::not_equal_to<>()));
  }
};

// A connection to the test's X server ($DISPLAY).
class XDisplay {
 public:
  XDisplay() : m_display(XOpenDisplay(nullptr)) {
    if (!m_display) throw std::runtime_error("cannot open the X display");
    // Windows come and go while the tests look at them; a query about one
    // that has just gone is an answer, not a failure.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  }
  ~XDisplay() { XCloseDisplay(m_display); }  // which also destroys our windows
  XDisplay(const XDisplay&) = delete;
  XDisplay& operator=(const XDisplay&) = delete;

  Display* get() const { return m_display; }
  Window root() const { return DefaultRootWindow(m_display); }
  std::pair<int, int> screenSize() const {
    const std::array<int, 4> geometry = geometryOf(root());
    return {geometry[2], geometry[3]};
  }

  // A property's value as bytes (format 32 items as Xlib hands them: longs),
  // empty when the window has none of that type.
  std::string property(Window window, const char* name, Atom type) const {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(m_display, window, XInternAtom(m_display, name, False), 0, 1024, False, type, &actualType,
                           &format, &count, &after, &data) != Success || !data) {
      return {};
    }
    std::string bytes(reinterpret_cast<char*>(data), format == 32 ? count * sizeof(long) : count * (format / 8));
    XFree(data);
    return bytes;
  }
  // A property of one 32-bit item (a window, a number), or 0.
  long propertyLong(Window window, const char* name, Atom type) const {
    const std::string bytes = property(window, name, type);
    long value = 0;
    if (bytes.size() == sizeof value) std::memcpy(&value, bytes.data(), sizeof value);
    return value;
  }
  // The parent of `window` (0 for the root or on failure); its children
  // into `children` (none on failure).
  Window parent(Window window, std::vector<Window>* children = nullptr) const {
    Window root = 0, parent = 0, *list = nullptr;
    unsigned int count = 0;
    if (children) children->clear();
    if (!XQueryTree(m_display, window, &root, &parent, &list, &count)) return 0;
    if (children) children->assign(list, list + count);
    if (list) XFree(list);
    return parent;
  }
  // Every window anywhere in the tree, mapped or not, that `matches`.
  std::vector<Window> findWindows(const std::function<bool(Window)>& matches) const {
    std::vector<Window> found, pending{root()}, children;
    while (!pending.empty()) {
      const Window window = pending.back();
      pending.pop_back();
      if (matches(window)) found.push_back(window);
      parent(window, &children);
      pending.insert(pending.end(), children.begin(), children.end());
    }
    return found;
  }
  // ... whose _NET_WM_NAME or WM_NAME is `title`.
  std::vector<Window> findByTitle(const std::string& title) const {
    const Atom utf8 = XInternAtom(m_display, "UTF8_STRING", False);
    return findWindows([&](Window window) {
      return property(window, "_NET_WM_NAME", utf8) == title || property(window, "WM_NAME", XA_STRING) == title;
    });
  }
  // x, y of the top-left corner on the root window, width, height.
  std::array<int, 4> geometryOf(Window window) const {
    std::array<int, 4> geometry{};
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(m_display, window, &attributes)) return geometry;
    Window child = 0;
    XTranslateCoordinates(m_display, window, root(), 0, 0, &geometry[0], &geometry[1], &child);
    return {geometry[0], geometry[1], attributes.width, attributes.height};
  }
  bool shown(Window window) const {  // mapped and viewable
    XWindowAttributes attributes{};
    return XGetWindowAttributes(m_display, window, &attributes) && attributes.map_state == IsViewable;
  }
  Screenshot capture() const {
    const auto [width, height] = screenSize();
    Screenshot shot;
    XImage* image = XGetImage(m_display, root(), 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!image) return shot;
    shot.width = width;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) shot.pixels.push_back(std::uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF);
    }
    XDestroyImage(image);
    return shot;
  }

  // Input as from the keyboard and the mouse (XTest): goes to the focus.
  void key(unsigned long keysym, bool down) const {
    XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, keysym), down, CurrentTime);
    XSync(m_display, False);
  }
  // The close request a window manager sends (WM_DELETE_WINDOW).
  void requestClose(Window window) const {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
    XSendEvent(m_display, window, False, NoEventMask, &event);
    XSync(m_display, False);
  }

 private:
  Display* m_display;
};

// A child process with its standard output and error in files named after
// it in `folder`; `env NAME=value ... program` sets its environment.
class Process {
 public:
  Process(std::vector<std::string> argv, const std::filesystem::path& folder, const std::string& name)
      : m_stdout(folder / (name + ".out")), m_stderr(folder / (name + ".err")) {
    std::vector<char*> args;
    for (std::string& arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, m_stdout.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, m_stderr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int error = posix_spawnp(&m_pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(error));
  }
  ~Process() {
    if (!m_status) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return m_pid; }
  bool running() { return !waitExit(Seconds(0)).has_value(); }
  // The exit status (-signal when killed by one), or nullopt when it did not
  // end within `timeout`.
  std::optional<int> waitExit(Seconds timeout) {
    waitUntil([&] {
      int status = 0;
      if (!m_status && waitpid(m_pid, &status, WNOHANG) == m_pid) m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
      return m_status.has_value();
    }, timeout);
    return m_status;
  }
  std::string stdout() const { return tumbleview::test::readBytes(m_stdout); }
  std::string stderr() const { return tumbleview::test::readBytes(m_stderr); }

 private:
  pid_t m_pid = -1;
  std::optional<int> m_status;
  std::filesystem::path m_stdout;
  std::filesystem::path m_stderr;
};

// The renderer on the hand-off in `drive`, reporting its frames.
inline std::vector<std::string> rendererCommand(const std::filesystem::path& drive) {
  return {"env", "TUMBLEVIEW_DRIVE_C=" + drive.string(), "TUMBLEVIEW_FRAME_REPORT=1", TUMBLEVIEW_RENDERER};
}

// A bitmap of one colour, written as the saver writes the hand-off.
inline void writeSolidBmp(const std::filesystem::path& path, int width, int height, std::uint32_t rgb) {
  const std::vector<std::uint32_t> xrgb(static_cast<std::size_t>(width) * height, rgb);
  if (!tumbleview::writeBitmapFile(path, {width, height, reinterpret_cast<const std::uint8_t*>(xrgb.data()), width * 4})) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

// Openbox on the display, with its output in `folder`; null if it did not
// come up.
inline std::unique_ptr<Process> startOpenbox(const XDisplay& x, const std::filesystem::path& folder, Seconds timeout = kBound) {
  auto openbox = std::make_unique<Process>(std::vector<std::string>{"openbox", "--sm-disable"}, folder, "openbox");
  return waitUntil([&] { return x.propertyLong(x.root(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW) != 0; }, timeout) ? std::move(openbox) : nullptr;
}

// A private picture folder, the program started on it, and the checks every
// run ends with: no window of ours left, display size as before.
class RendererE2eTest : public ::testing::Test {
 protected:
  static constexpr const char* kRenderWindowTitle = tumbleview::kRendererWindowTitle;
  static constexpr const char* kErrorBoxTitle = "Error";

  void SetUp() override {
    m_x = std::make_unique<XDisplay>();
    m_initialSize = m_x->screenSize();
  }
  void TearDown() override {
    if (!m_x) return;  // no display: nothing was started
    if (m_renderer && m_renderer->running()) ADD_FAILURE() << "the renderer was still running at the end of the test";
    m_renderer.reset();
    EXPECT_TRUE(waitUntil([&] { return m_x->findByTitle(kRenderWindowTitle).empty(); }, kBound))
        << "a window titled " << kRenderWindowTitle << " is left";
    EXPECT_EQ(m_x->screenSize(), m_initialSize) << "the display size changed";
  }

  std::filesystem::path picturePath() const { return m_drive / tumbleview::kHandoffFileName; }
  void startRenderer() { m_renderer = std::make_unique<Process>(rendererCommand(m_drive), m_drive, "renderer"); }

  // Starts the renderer on a 64 x 64 picture of one colour; its window once
  // it is mapped and has presented a frame, or 0.
  Window startShowing(std::uint32_t rgb) {
    writeSolidBmp(picturePath(), 64, 64, rgb);
    startRenderer();
    Window window = 0;
    waitUntil([&] {
      const std::vector<Window> found = m_x->findByTitle(kRenderWindowTitle);
      if (found.size() == 1 && m_x->shown(found.front())) window = found.front();
      return window != 0 && m_renderer->stdout().find("first-frame") != std::string::npos;
    }, kBound);
    if (window == 0) ADD_FAILURE() << "no window titled " << kRenderWindowTitle << "; " << m_renderer->stderr();
    return window;
  }

  // True once the screen shows something else than `before`, by at least
  // 500 pixels.
  bool screenChangesFrom(const Screenshot& before) {
    return waitUntil([&] { return m_x->capture().difference(before) >= 500; }, kBound);
  }
  // Waits for the screen to change twice: frames are still being presented.
  bool keepsDrawing() { return screenChangesFrom(m_x->capture()) && screenChangesFrom(m_x->capture()); }

  void startWindowManager() { ASSERT_TRUE(m_windowManager = startOpenbox(*m_x, m_drive)) << "openbox did not start"; }

  // Escape pressed until the renderer ends; its exit status.
  std::optional<int> pressEscapeUntilEnd() {
    m_x->key(XK_Escape, true);
    const std::optional<int> status = m_renderer->waitExit(kBound);
    m_x->key(XK_Escape, false);
    return status;
  }

  const tumbleview::test::TempFolder m_temp;  // mode 0700
  const std::filesystem::path& m_drive = m_temp.path();
  std::unique_ptr<XDisplay> m_x;
  std::unique_ptr<Process> m_renderer;
  std::unique_ptr<Process> m_windowManager;
  std::pair<int, int> m_initialSize;
};

}  // namespace tvtest
