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
bool WaitUntil(const std::function<bool()>& condition, Seconds timeout);

// 0xRRGGBB pixels, top row first.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  // Pixels in [x0, x1) x [y0, y1) that satisfy `test`.
  int Count(int x0, int y0, int x1, int y1, const std::function<bool(int r, int g, int b)>& test) const;
  // Pixels that differ between two shots of the same size.
  int Difference(const Screenshot& other) const;
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
  Window Root() const;
  std::pair<int, int> ScreenSize() const;  // of the root window, pixels

  // Every window anywhere in the tree, mapped or not, that `matches`.
  std::vector<Window> FindWindows(const std::function<bool(Window)>& matches) const;
  // ... whose _NET_WM_NAME or WM_NAME is `title`.
  std::vector<Window> FindByTitle(const std::string& title) const;
  // A property's value as bytes (format 32 items as Xlib hands them: longs),
  // empty when the window has none of that type.
  std::string Property(Window window, const char* name, Atom type) const;
  // A property of one 32-bit item (a window, a number), or 0.
  long PropertyLong(Window window, const char* name, Atom type) const;
  Window Parent(Window window) const;
  Geometry GeometryOf(Window window) const;
  bool Shown(Window window) const;  // mapped and viewable
  Screenshot Capture() const;

  // Input as from the keyboard and the mouse (XTest): goes to the focus.
  void Key(unsigned long keysym, bool down) const;
  void Button(unsigned int button, bool down) const;
  // Down and up, sent together so that they arrive in one burst.
  void KeyBurst(unsigned long keysym) const;
  // A key-down sent straight to `window` (for a window without the focus).
  void SendKeyDown(Window window, unsigned long keysym) const;
  // The close request a window manager sends (WM_DELETE_WINDOW).
  void RequestClose(Window window) const;
  // Asks the window manager to minimize `window`.
  void Iconify(Window window) const;
  // Maps a small window of our own and gives it the keyboard focus.
  Window TakeFocus();
  Window Focus() const;
  bool HasWindowManager() const { return PropertyLong(Root(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW) != 0; }
  // Whether the pointer, where it is now, shows any visible pixel.
  bool PointerVisible() const;

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
  bool Running() { return !WaitExit(Seconds(0)).has_value(); }
  // The exit status, or nullopt when it did not end within `timeout`.
  // -signal when killed by a signal.
  std::optional<int> WaitExit(Seconds timeout);
  std::string Stdout() const;
  std::string Stderr() const;

 private:
  pid_t m_pid = -1;
  std::optional<int> m_status;
  std::filesystem::path m_stdout;
  std::filesystem::path m_stderr;
};

// An uncompressed 24-bit bitmap file of one colour whose header says it is
// `headerSize` bytes long.
void WriteSolidBmp(const std::filesystem::path& path, int width, int height, std::uint8_t r, std::uint8_t g,
                   std::uint8_t b, std::uint32_t headerSize = 40);

}  // namespace tvtest
