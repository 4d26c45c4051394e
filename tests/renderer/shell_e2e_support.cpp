#include "shell_e2e_support.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tvtest {
namespace {

// Windows come and go while the tests look at them; a query about one that
// has just gone is an answer, not a failure.
int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> SolidBmp(int width, int height, std::uint32_t headerSize, std::uint8_t r, std::uint8_t g,
                                   std::uint8_t b) {
  const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(height);
  const std::uint32_t offset = 14 + headerSize;
  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  PutLe(out, offset + imageBytes, 4);
  PutLe(out, 0, 4);
  PutLe(out, offset, 4);
  PutLe(out, headerSize, 4);
  PutLe(out, static_cast<std::uint32_t>(width), 4);
  PutLe(out, static_cast<std::uint32_t>(height), 4);
  PutLe(out, 1, 2);   // planes
  PutLe(out, 24, 2);  // bits per pixel
  PutLe(out, 0, 4);   // uncompressed
  PutLe(out, imageBytes, 4);
  PutLe(out, 2835, 4);
  PutLe(out, 2835, 4);
  PutLe(out, 0, 4);
  PutLe(out, 0, 4);
  out.resize(offset, 0);  // the rest of a longer header: zeros
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      out.push_back(b);
      out.push_back(g);
      out.push_back(r);
    }
    out.resize(out.size() + (rowBytes - static_cast<std::uint32_t>(width) * 3), 0);
  }
  return out;
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, Seconds timeout) {
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(timeout);
  for (;;) {
    if (condition()) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

int Screenshot::Count(int x0, int y0, int x1, int y1, const std::function<bool(int, int, int)>& test) const {
  int count = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const std::uint32_t p = At(x, y);
      if (test(static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF), static_cast<int>(p & 0xFF))) {
        ++count;
      }
    }
  }
  return count;
}

int Screenshot::Difference(const Screenshot& other) const {
  if (other.pixels.size() != pixels.size()) return static_cast<int>(pixels.size());
  int count = 0;
  for (std::size_t i = 0; i < pixels.size(); ++i) count += pixels[i] != other.pixels[i];
  return count;
}

void Screenshot::SavePpm(const std::filesystem::path& path) const {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << width << ' ' << height << "\n255\n";
  for (std::uint32_t p : pixels) {
    const char rgb[3] = {static_cast<char>(p >> 16), static_cast<char>(p >> 8), static_cast<char>(p)};
    out.write(rgb, 3);
  }
}

XDisplay::XDisplay() {
  m_display = XOpenDisplay(nullptr);
  if (!m_display) throw std::runtime_error("cannot open the X display");
  XSetErrorHandler(IgnoreXErrors);
}

XDisplay::~XDisplay() {
  if (m_focusWindow) XDestroyWindow(m_display, m_focusWindow);
  XCloseDisplay(m_display);
}

Window XDisplay::Root() const { return DefaultRootWindow(m_display); }

std::pair<int, int> XDisplay::ScreenSize() const {
  XWindowAttributes attributes{};
  XGetWindowAttributes(m_display, Root(), &attributes);
  return {attributes.width, attributes.height};
}

std::vector<Window> XDisplay::FindByTitle(const std::string& title) const {
  const Atom netWmName = XInternAtom(m_display, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(m_display, "UTF8_STRING", False);
  std::vector<Window> found;
  std::vector<Window> pending{Root()};
  while (!pending.empty()) {
    const Window window = pending.back();
    pending.pop_back();
    bool matches = false;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(m_display, window, netWmName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
      matches = std::string(reinterpret_cast<char*>(data), count) == title;
      XFree(data);
    }
    char* name = nullptr;
    if (!matches && XFetchName(m_display, window, &name) && name) {
      matches = title == name;
      XFree(name);
    }
    if (matches) found.push_back(window);
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int childCount = 0;
    if (XQueryTree(m_display, window, &root, &parent, &children, &childCount)) {
      pending.insert(pending.end(), children, children + childCount);
      if (children) XFree(children);
    }
  }
  return found;
}

std::string XDisplay::WmClass(Window window) const {
  XClassHint hint{};
  if (!XGetClassHint(m_display, window, &hint)) return {};
  std::string text = std::string(hint.res_name ? hint.res_name : "") + "/" + (hint.res_class ? hint.res_class : "");
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return text;
}

std::optional<long> XDisplay::WmPid(Window window) const {
  const Atom pidAtom = XInternAtom(m_display, "_NET_WM_PID", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  std::optional<long> pid;
  if (XGetWindowProperty(m_display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                         &data) == Success &&
      data) {
    if (count == 1 && format == 32) pid = *reinterpret_cast<long*>(data);
    XFree(data);
  }
  return pid;
}

Window XDisplay::TransientFor(Window window) const {
  Window owner = 0;
  if (!XGetTransientForHint(m_display, window, &owner)) return 0;
  return owner;
}

Window XDisplay::Parent(Window window) const {
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(m_display, window, &root, &parent, &children, &count)) return 0;
  if (children) XFree(children);
  return parent;
}

Geometry XDisplay::GeometryOf(Window window) const {
  Geometry geometry;
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(m_display, window, &attributes)) return geometry;
  Window child = 0;
  XTranslateCoordinates(m_display, window, Root(), 0, 0, &geometry.x, &geometry.y, &child);
  geometry.width = attributes.width;
  geometry.height = attributes.height;
  return geometry;
}

bool XDisplay::Shown(Window window) const {
  XWindowAttributes attributes{};
  return XGetWindowAttributes(m_display, window, &attributes) && attributes.map_state == IsViewable;
}

Screenshot XDisplay::Capture() const {
  const auto [width, height] = ScreenSize();
  Screenshot shot;
  XImage* image = XGetImage(m_display, Root(), 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                            AllPlanes, ZPixmap);
  if (!image) return shot;
  shot.width = width;
  shot.height = height;
  shot.pixels.resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      shot.pixels[static_cast<std::size_t>(y) * width + x] = static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF;
    }
  }
  XDestroyImage(image);
  return shot;
}

void XDisplay::Key(unsigned long keysym, bool down) const {
  XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, keysym), down ? True : False, CurrentTime);
  XSync(m_display, False);
}

void XDisplay::Button(unsigned int button, bool down) const {
  XTestFakeButtonEvent(m_display, button, down ? True : False, CurrentTime);
  XSync(m_display, False);
}

void XDisplay::KeyBurst(unsigned long keysym) const {
  const KeyCode code = XKeysymToKeycode(m_display, keysym);
  // Both requests leave in one flush and the server handles them in one go,
  // so the client reads both events together.
  XGrabServer(m_display);
  XTestFakeKeyEvent(m_display, code, True, CurrentTime);
  XTestFakeKeyEvent(m_display, code, False, CurrentTime);
  XUngrabServer(m_display);
  XSync(m_display, False);
}

void XDisplay::SendKey(Window window, unsigned long keysym, bool down) const {
  XKeyEvent event{};
  event.type = down ? KeyPress : KeyRelease;
  event.display = m_display;
  event.window = window;
  event.root = Root();
  event.subwindow = None;
  event.time = CurrentTime;
  event.same_screen = True;
  event.keycode = XKeysymToKeycode(m_display, keysym);
  XSendEvent(m_display, window, True, down ? KeyPressMask : KeyReleaseMask, reinterpret_cast<XEvent*>(&event));
  XSync(m_display, False);
}

void XDisplay::RequestClose(Window window) const {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(m_display, window, False, NoEventMask, &event);
  XSync(m_display, False);
}

void XDisplay::Iconify(Window window) const {
  XIconifyWindow(m_display, window, DefaultScreen(m_display));
  XSync(m_display, False);
}

Window XDisplay::TakeFocus() {
  if (!m_focusWindow) {
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    m_focusWindow = XCreateWindow(m_display, Root(), 0, 0, 8, 8, 0, CopyFromParent, InputOutput, CopyFromParent,
                                  CWOverrideRedirect, &attributes);
    XMapRaised(m_display, m_focusWindow);
    XSync(m_display, False);
    WaitUntil([&] { return Shown(m_focusWindow); }, Seconds(5));
  }
  XSetInputFocus(m_display, m_focusWindow, RevertToParent, CurrentTime);
  XSync(m_display, False);
  return m_focusWindow;
}

Window XDisplay::Focus() const {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(m_display, &focus, &revert);
  return focus;
}

bool XDisplay::HasWindowManager() const {
  const Atom check = XInternAtom(m_display, "_NET_SUPPORTING_WM_CHECK", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  bool present = false;
  if (XGetWindowProperty(m_display, Root(), check, 0, 1, False, XA_WINDOW, &type, &format, &count, &after, &data) ==
          Success &&
      data) {
    present = count == 1;
    XFree(data);
  }
  return present;
}

bool XDisplay::PointerVisible() const {
  XFixesCursorImage* cursor = XFixesGetCursorImage(m_display);
  if (!cursor) return false;
  bool visible = false;
  for (int i = 0; i < cursor->width * cursor->height && !visible; ++i) visible = (cursor->pixels[i] >> 24) != 0;
  XFree(cursor);
  return visible;
}

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment,
                 const std::filesystem::path& outputFolder, const std::string& name)
    : m_stdout(outputFolder / (name + ".out")), m_stderr(outputFolder / (name + ".err")) {
  // The inherited environment, with the extra entries replacing any of the
  // same name.
  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry) {
    const std::string inherited(*entry);
    const std::string variable = inherited.substr(0, inherited.find('=') + 1);
    bool replaced = false;
    for (const std::string& extra : extraEnvironment) replaced = replaced || extra.rfind(variable, 0) == 0;
    if (!replaced) environment.push_back(inherited);
  }
  for (const std::string& extra : extraEnvironment) environment.push_back(extra);
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = argv;
  std::vector<char*> argp;
  for (std::string& arg : args) argp.push_back(arg.data());
  argp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, m_stdout.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, m_stderr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int error = posix_spawnp(&m_pid, argp[0], &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(error));
}

Process::~Process() {
  if (!m_status) {
    kill(m_pid, SIGKILL);
    int status = 0;
    waitpid(m_pid, &status, 0);
  }
}

bool Process::Running() { return !WaitExit(Seconds(0)).has_value(); }

std::optional<int> Process::WaitExit(Seconds timeout) {
  if (m_status) return m_status;
  WaitUntil(
      [&] {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) != m_pid) return false;
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        return true;
      },
      timeout);
  return m_status;
}

std::string Process::Stdout() const { return ReadFile(m_stdout); }
std::string Process::Stderr() const { return ReadFile(m_stderr); }

void WriteSolidBmp(const std::filesystem::path& path, int width, int height, std::uint8_t r, std::uint8_t g,
                   std::uint8_t b) {
  WriteBytes(path, SolidBmp(width, height, 40, r, g, b));
}

void WriteBmpWithHeaderSize(const std::filesystem::path& path, std::uint32_t headerSize) {
  WriteBytes(path, SolidBmp(16, 16, headerSize, 200, 100, 50));
}

}  // namespace tvtest
