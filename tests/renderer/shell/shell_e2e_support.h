// Whole-program test support for the renderer: the real program started as a
// child process, watched and driven through a real X server (Xlib + XTest),
// screenshots of the root window. Every wait is bounded.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tvtest {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

// Polls `condition` every 20 ms until it holds or `timeout` has passed;
// returns whether it held.
bool waitUntil(const std::function<bool()>& condition, Seconds timeout);

// 0xRRGGBB pixels, top row first.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  // Pixels in [x0, x1) x [y0, y1) that satisfy `test`.
  int count(int x0, int y0, int x1, int y1, const std::function<bool(int r, int g, int b)>& test) const;
  // Pixels that differ between two shots of the same size.
  int difference(const Screenshot& other) const;
};

struct Geometry {
  int x = 0;  // of the window's top-left corner on the root window, pixels
  int y = 0;
  int width = 0;
  int height = 0;
};

// A connection to the test's X server ($DISPLAY).
class XDisplay {
 public:
  XDisplay();
  ~XDisplay();
  XDisplay(const XDisplay&) = delete;
  XDisplay& operator=(const XDisplay&) = delete;

  Display* get() const { return m_display; }
  Window rootWindow() const;
  std::pair<int, int> screenSize() const;  // of the root window, pixels

  // Every window anywhere in the tree, mapped or not, that `matches`.
  std::vector<Window> findWindows(const std::function<bool(Window)>& matches) const;
  // ... whose _NET_WM_NAME or WM_NAME is `title`.
  std::vector<Window> findByTitle(const std::string& title) const;
  // A property's value as bytes (format 32 items as Xlib hands them: longs),
  // empty when the window has none of that type.
  std::string property(Window window, const char* name, Atom type) const;
  // A property of one 32-bit item (a window, a number), or 0.
  long propertyLong(Window window, const char* name, Atom type) const;
  Window parent(Window window) const;
  Geometry geometryOf(Window window) const;
  bool shown(Window window) const;  // mapped and viewable
  Screenshot capture() const;

  // Input as from the keyboard and the mouse (XTest): goes to the focus.
  void key(unsigned long keysym, bool down) const;
  void button(unsigned int button, bool down) const;
  // Down and up, sent together so that they arrive in one burst.
  void keyBurst(unsigned long keysym) const;
  // A key-down sent straight to `window` (for a window without the focus).
  void sendKeyDown(Window window, unsigned long keysym) const;
  // The close request a window manager sends (WM_DELETE_WINDOW).
  void requestClose(Window window) const;
  // Asks the window manager to minimize `window`.
  void iconify(Window window) const;
  // Maps a small window of our own and gives it the keyboard focus.
  Window takeFocus();
  Window focus() const;
  bool hasWindowManager() const { return propertyLong(rootWindow(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW) != 0; }
  // Whether the pointer, where it is now, shows any visible pixel.
  bool pointerVisible() const;

 private:
  Display* m_display = nullptr;
  Window m_focusWindow = 0;
};

// A child process with its standard output and error in files, and the
// test's environment with `extraEnvironment` ("NAME=value") over it.
class Process {
 public:
  Process(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment,
          const std::filesystem::path& outputFolder, const std::string& name);
  ~Process();  // kills the process if it still runs
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return m_pid; }
  bool running() { return !waitExit(Seconds(0)).has_value(); }
  // The exit status, or nullopt when it did not end within `timeout`.
  // -signal when killed by a signal.
  std::optional<int> waitExit(Seconds timeout);
  std::string stdout() const;
  std::string stderr() const;

 private:
  pid_t m_pid = -1;
  std::optional<int> m_status;
  std::filesystem::path m_stdout;
  std::filesystem::path m_stderr;
};

// A bitmap of one colour, written as the saver writes the hand-off.
void writeSolidBmp(const std::filesystem::path& path, int width, int height, std::uint8_t r, std::uint8_t g,
                   std::uint8_t b);

}  // namespace tvtest
