// Whole-program test support for the renderer: the real program started as a
// child process, watched and driven through a real X server (Xlib + XTest),
// screenshots of the root window, a real window manager where one is needed.
// Every wait is bounded.
#pragma once

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

  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  // Pixels in [x0, x1) x [y0, y1) that satisfy `test`.
  int Count(int x0, int y0, int x1, int y1, const std::function<bool(int r, int g, int b)>& test) const;
  // Pixels that differ between two shots of the same size.
  int Difference(const Screenshot& other) const;
  void SavePpm(const std::filesystem::path& path) const;
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
  // Root window size in pixels.
  std::pair<int, int> ScreenSize() const;

  // Every window anywhere in the tree whose _NET_WM_NAME or WM_NAME is
  // `title`, mapped or not.
  std::vector<Window> FindByTitle(const std::string& title) const;
  std::string WmClass(Window window) const;  // "name/class"
  std::optional<long> WmPid(Window window) const;
  Window TransientFor(Window window) const;
  Window Parent(Window window) const;
  Geometry GeometryOf(Window window) const;
  bool Shown(Window window) const;  // mapped and viewable
  Screenshot Capture() const;

  // Input as from the keyboard and the mouse (XTest): goes to the focus.
  void Key(unsigned long keysym, bool down) const;
  void Button(unsigned int button, bool down) const;
  // Escape down and up, sent together so that they arrive in one burst.
  void KeyBurst(unsigned long keysym) const;
  // A key event sent straight to `window` (for a window without the focus).
  void SendKey(Window window, unsigned long keysym, bool down) const;
  // The close request a window manager sends (WM_DELETE_WINDOW).
  void RequestClose(Window window) const;
  // Asks the window manager to minimize `window`.
  void Iconify(Window window) const;
  // Maps a small window of our own and gives it the keyboard focus.
  Window TakeFocus();
  Window Focus() const;
  bool HasWindowManager() const;
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
  bool Running();
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

// An uncompressed 24-bit bitmap file of one colour.
void WriteSolidBmp(const std::filesystem::path& path, int width, int height, std::uint8_t r, std::uint8_t g,
                   std::uint8_t b);
// A bitmap file whose header says it is `headerSize` bytes long.
void WriteBmpWithHeaderSize(const std::filesystem::path& path, std::uint32_t headerSize);

}  // namespace tvtest
