#include "x11_frame_extents.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace tumbleview {
namespace {

// One 32-bit-format property of `window` as longs (Xlib's representation),
// or an empty vector.
std::vector<long> longProperty(Display* display, Window window, Atom name, Atom type) {
  Atom actualType = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  std::vector<long> values;
  if (XGetWindowProperty(display, window, name, 0, 1024, False, type, &actualType, &format, &count,
                         &remaining, &data) == Success &&
      data && actualType == type && format == 32) {
    const long* items = reinterpret_cast<const long*>(data);
    values.assign(items, items + count);
  }
  if (data) XFree(data);
  return values;
}

// A window manager that is running (its check window names itself) and
// lists `feature` among what it supports.
bool windowManagerSupports(Display* display, Atom feature) {
  const Window root = DefaultRootWindow(display);
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  const std::vector<long> fromRoot = longProperty(display, root, check, XA_WINDOW);
  if (fromRoot.empty()) return false;
  const std::vector<long> fromCheck =
      longProperty(display, static_cast<Window>(fromRoot.front()), check, XA_WINDOW);
  if (fromCheck.empty() || fromCheck.front() != fromRoot.front()) return false;
  const std::vector<long> supported =
      longProperty(display, root, XInternAtom(display, "_NET_SUPPORTED", False), XA_ATOM);
  return std::find(supported.begin(), supported.end(), static_cast<long>(feature)) !=
         supported.end();
}

// Properties that decide how a manager decorates a window.
constexpr const char* kDecorationProperties[] = {"_MOTIF_WM_HINTS", "_NET_WM_WINDOW_TYPE",
                                                 "_NET_WM_STATE", "WM_NORMAL_HINTS"};

void copyProperty(Display* display, Window from, Window to, Atom name) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, from, name, 0, 1024, False, AnyPropertyType, &type, &format,
                         &count, &remaining, &data) == Success &&
      data && type != None) {
    XChangeProperty(display, to, name, type, format, PropModeReplace, data,
                    static_cast<int>(count));
  }
  if (data) XFree(data);
}

// A hidden window of the same size and decoration hints as `window`; the
// connection's end destroys it.
Window standIn(Display* display, Window window) {
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, window, &attributes)) return None;
  const Window made =
      XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0,
                          std::max(attributes.width, 1), std::max(attributes.height, 1), 0, 0, 0);
  for (const char* name : kDecorationProperties) {
    copyProperty(display, window, made, XInternAtom(display, name, False));
  }
  return made;
}

std::optional<FrameExtents> currentExtents(Display* display, Window window, Atom extents) {
  const std::vector<long> values = longProperty(display, window, extents, XA_CARDINAL);
  if (values.size() != 4) return std::nullopt;
  return FrameExtents{static_cast<int>(values[0]), static_cast<int>(values[1]),
                      static_cast<int>(values[2]), static_cast<int>(values[3])};
}

}  // namespace

FrameExtents expectedFrameExtents(X11WindowId window, std::chrono::milliseconds timeout) {
  // A connection of our own: its event mask on the window and the events it
  // reads concern nobody else.
  const std::unique_ptr<X11Connection> connection = X11Connection::open();
  if (!connection || window == 0) return {};
  Display* display = connection->display();
  X11ErrorTrap trap(*connection);
  const Atom request = XInternAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
  const Atom extents = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
  if (!windowManagerSupports(display, request)) return {};

  const Window probe = standIn(display, window);
  if (probe == None || trap.sawError()) return {};
  XSelectInput(display, probe, PropertyChangeMask);
  XEvent message{};
  message.xclient.type = ClientMessage;
  message.xclient.window = probe;
  message.xclient.message_type = request;
  message.xclient.format = 32;
  XSendEvent(display, DefaultRootWindow(display), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &message);
  XFlush(display);

  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::optional<FrameExtents> answer;
  for (;;) {
    answer = currentExtents(display, probe, extents);
    if (answer || trap.sawError()) break;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    // Wake on any event of ours (the property change), not on a timer.
    pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
    if (XPending(display) == 0) ::poll(&descriptor, 1, static_cast<int>(left.count()));
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
    }
  }
  XDestroyWindow(display, probe);
  return answer.value_or(FrameExtents{});
}

}  // namespace tumbleview
