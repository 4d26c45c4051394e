#include "shell_e2e_support.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "bitmap_file_writer.h"

extern char** environ;

namespace tvtest {
namespace {

// Windows come and go while the tests look at them; a query about one that
// has just gone is an answer, not a failure.
int ignoreXErrors(Display*, XErrorEvent*) { return 0; }

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The parent of `window` (0 for the root or on failure); its children into
// `children` (none on failure).
Window queryTree(Display* display, Window window, std::vector<Window>& children) {
  Window root = 0;
  Window parent = 0;
  Window* list = nullptr;
  unsigned int count = 0;
  children.clear();
  if (!XQueryTree(display, window, &root, &parent, &list, &count)) return 0;
  children.assign(list, list + count);
  if (list) XFree(list);
  return parent;
}

}  // namespace

bool waitUntil(const std::function<bool()>& condition, Seconds timeout) {
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(timeout);
  for (;;) {
    if (condition()) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

int Screenshot::count(int x0, int y0, int x1, int y1, const std::function<bool(int, int, int)>& test) const {
  int count = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
      count += test(static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF), static_cast<int>(p & 0xFF));
    }
  }
  return count;
}

int Screenshot::difference(const Screenshot& other) const {
  if (other.pixels.size() != pixels.size()) return static_cast<int>(pixels.size());
  int count = 0;
  for (std::size_t i = 0; i < pixels.size(); ++i) count += pixels[i] != other.pixels[i];
  return count;
}

XDisplay::XDisplay() {
  m_display = XOpenDisplay(nullptr);
  if (!m_display) throw std::runtime_error("cannot open the X display");
  XSetErrorHandler(ignoreXErrors);
}

XDisplay::~XDisplay() {
  if (m_focusWindow) XDestroyWindow(m_display, m_focusWindow);
  XCloseDisplay(m_display);
}

Window XDisplay::rootWindow() const { return DefaultRootWindow(m_display); }

std::pair<int, int> XDisplay::screenSize() const {
  const Geometry root = geometryOf(rootWindow());
  return {root.width, root.height};
}

std::string XDisplay::property(Window window, const char* name, Atom type) const {
  Atom actualType = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(m_display, window, XInternAtom(m_display, name, False), 0, 1024, False, type, &actualType,
                         &format, &count, &after, &data) != Success || !data) {
    return {};
  }
  std::string bytes(reinterpret_cast<char*>(data), format == 32 ? count * sizeof(long) : count * (format / 8));
  XFree(data);
  return bytes;
}

std::vector<Window> XDisplay::findWindows(const std::function<bool(Window)>& matches) const {
  std::vector<Window> found;
  std::vector<Window> pending{rootWindow()};
  std::vector<Window> children;
  while (!pending.empty()) {
    const Window window = pending.back();
    pending.pop_back();
    if (matches(window)) found.push_back(window);
    queryTree(m_display, window, children);
    pending.insert(pending.end(), children.begin(), children.end());
  }
  return found;
}

std::vector<Window> XDisplay::findByTitle(const std::string& title) const {
  const Atom utf8 = XInternAtom(m_display, "UTF8_STRING", False);
  return findWindows([&](Window window) {
    return property(window, "_NET_WM_NAME", utf8) == title || property(window, "WM_NAME", XA_STRING) == title;
  });
}

long XDisplay::propertyLong(Window window, const char* name, Atom type) const {
  const std::string bytes = property(window, name, type);
  long value = 0;
  if (bytes.size() != sizeof value) return 0;
  std::memcpy(&value, bytes.data(), sizeof value);
  return value;
}

Window XDisplay::parent(Window window) const {
  std::vector<Window> children;
  return queryTree(m_display, window, children);
}

Geometry XDisplay::geometryOf(Window window) const {
  Geometry geometry;
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(m_display, window, &attributes)) return geometry;
  Window child = 0;
  XTranslateCoordinates(m_display, window, rootWindow(), 0, 0, &geometry.x, &geometry.y, &child);
  geometry.width = attributes.width;
  geometry.height = attributes.height;
  return geometry;
}

bool XDisplay::shown(Window window) const {
  XWindowAttributes attributes{};
  return XGetWindowAttributes(m_display, window, &attributes) && attributes.map_state == IsViewable;
}

Screenshot XDisplay::capture() const {
  const auto [width, height] = screenSize();
  Screenshot shot;
  XImage* image = XGetImage(m_display, rootWindow(), 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                            AllPlanes, ZPixmap);
  if (!image) return shot;
  shot.width = width;
  shot.height = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) shot.pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
  }
  XDestroyImage(image);
  return shot;
}

void XDisplay::key(unsigned long keysym, bool down) const {
  XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, keysym), down, CurrentTime);
  XSync(m_display, False);
}

void XDisplay::button(unsigned int button, bool down) const {
  XTestFakeButtonEvent(m_display, button, down, CurrentTime);
  XSync(m_display, False);
}

void XDisplay::keyBurst(unsigned long keysym) const {
  // Both requests leave in one flush and the server handles them in one go,
  // so the client reads both events together.
  XGrabServer(m_display);
  XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, keysym), True, CurrentTime);
  XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, keysym), False, CurrentTime);
  XUngrabServer(m_display);
  XSync(m_display, False);
}

void XDisplay::sendKeyDown(Window window, unsigned long keysym) const {
  XEvent event{};
  event.xkey.type = KeyPress;
  event.xkey.display = m_display;
  event.xkey.window = window;
  event.xkey.root = rootWindow();
  event.xkey.same_screen = True;
  event.xkey.keycode = XKeysymToKeycode(m_display, keysym);
  XSendEvent(m_display, window, True, KeyPressMask, &event);
  XSync(m_display, False);
}

void XDisplay::requestClose(Window window) const {
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

void XDisplay::iconify(Window window) const {
  XIconifyWindow(m_display, window, DefaultScreen(m_display));
  XSync(m_display, False);
}

Window XDisplay::takeFocus() {
  if (!m_focusWindow) {
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    m_focusWindow = XCreateWindow(m_display, rootWindow(), 0, 0, 8, 8, 0, CopyFromParent, InputOutput, CopyFromParent,
                                  CWOverrideRedirect, &attributes);
    XMapRaised(m_display, m_focusWindow);
    XSync(m_display, False);
    waitUntil([&] { return shown(m_focusWindow); }, Seconds(5));
  }
  XSetInputFocus(m_display, m_focusWindow, RevertToParent, CurrentTime);
  XSync(m_display, False);
  return m_focusWindow;
}

Window XDisplay::focus() const {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(m_display, &focus, &revert);
  return focus;
}

bool XDisplay::pointerVisible() const {
  XFixesCursorImage* cursor = XFixesGetCursorImage(m_display);
  if (!cursor) return false;
  const bool visible = std::any_of(cursor->pixels, cursor->pixels + cursor->width * cursor->height,
                                   [](unsigned long pixel) { return (pixel >> 24) != 0; });
  XFree(cursor);
  return visible;
}

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment,
                 const std::filesystem::path& outputFolder, const std::string& name)
    : m_stdout(outputFolder / (name + ".out")), m_stderr(outputFolder / (name + ".err")) {
  std::vector<std::string> environment = extraEnvironment;
  for (char** entry = environ; *entry; ++entry) {
    const std::string inherited(*entry);
    const std::string variable = inherited.substr(0, inherited.find('=') + 1);
    if (std::none_of(extraEnvironment.begin(), extraEnvironment.end(),
                     [&](const std::string& extra) { return extra.starts_with(variable); })) {
      environment.push_back(inherited);
    }
  }
  std::vector<std::string> args = argv;
  std::vector<char*> envp;
  std::vector<char*> argp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  for (std::string& arg : args) argp.push_back(arg.data());
  envp.push_back(nullptr);
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
    waitpid(m_pid, nullptr, 0);
  }
}

std::optional<int> Process::waitExit(Seconds timeout) {
  waitUntil(
      [&] {
        int status = 0;
        if (m_status || waitpid(m_pid, &status, WNOHANG) != m_pid) return m_status.has_value();
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        return true;
      },
      timeout);
  return m_status;
}

std::string Process::stdout() const { return readFile(m_stdout); }
std::string Process::stderr() const { return readFile(m_stderr); }

void writeSolidBmp(const std::filesystem::path& path, int width, int height, std::uint8_t r, std::uint8_t g,
                   std::uint8_t b) {
  const std::vector<std::uint32_t> xrgb(static_cast<std::size_t>(width) * height,
                                        std::uint32_t{r} << 16 | std::uint32_t{g} << 8 | b);
  if (!tumbleview::writeBitmapFile(path, {width, height, reinterpret_cast<const std::uint8_t*>(xrgb.data()), width * 4})) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

}  // namespace tvtest
