#include "x11_window_search.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>
#include <string>

namespace tumbleview {
namespace {

// Frames of window managers hold their client one or two levels down
// (some put a wrapper between); deeper windows are application children.
constexpr int kFrameDepth = 3;

struct Atoms {
  Atom netWmName = None;
  Atom utf8String = None;
  Atom wmState = None;
};

Atoms internAtoms(Display* display) {
  char netWmName[] = "_NET_WM_NAME";
  char utf8String[] = "UTF8_STRING";
  char wmState[] = "WM_STATE";
  char* names[] = {netWmName, utf8String, wmState};
  Atom atoms[3] = {None, None, None};
  XInternAtoms(display, names, 3, False, atoms);
  return {atoms[0], atoms[1], atoms[2]};
}

// Frees what Xlib allocated for us when the scope ends.
template <class T>
struct XFreeGuard {
  T* pointer = nullptr;
  ~XFreeGuard() {
    if (pointer) XFree(pointer);
  }
};

// True when the property holds exactly `expected` as 8-bit data of `type`.
// Reads one byte more than expected, so a longer value is never mistaken
// for an equal one and a huge value is never fetched whole.
bool propertyEquals(Display* display, Window window, Atom property, Atom type,
                    std::string_view expected) {
  Atom actualType = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long bytesAfter = 0;
  XFreeGuard<unsigned char> data;
  const long words = static_cast<long>(expected.size() / 4 + 1);
  if (XGetWindowProperty(display, window, property, 0, words, False, type, &actualType,
                         &format, &count, &bytesAfter, &data.pointer) != Success) {
    return false;
  }
  if (actualType != type || format != 8 || bytesAfter != 0) return false;
  return count == expected.size() &&
         (count == 0 || std::memcmp(data.pointer, expected.data(), count) == 0);
}

// WM_NAME may be Latin-1, UTF-8 or compound text; Xlib converts all of them.
bool wmNameEquals(Display* display, Window window, std::string_view expected) {
  XTextProperty text{};
  if (!XGetWMName(display, window, &text)) return false;
  XFreeGuard<unsigned char> value{text.value};
  char** list = nullptr;
  int count = 0;
  if (Xutf8TextPropertyToTextList(display, &text, &list, &count) < Success || !list) {
    // Not convertible: compare the raw bytes.
    return text.format == 8 && text.nitems == expected.size() &&
           std::memcmp(text.value, expected.data(), expected.size()) == 0;
  }
  std::string joined;
  for (int i = 0; i < count; ++i) joined += list[i];
  XFreeStringList(list);
  return joined == expected;
}

bool titleMatches(Display* display, const Atoms& atoms, Window window, std::string_view title) {
  if (atoms.netWmName != None && atoms.utf8String != None &&
      propertyEquals(display, window, atoms.netWmName, atoms.utf8String, title)) {
    return true;
  }
  return wmNameEquals(display, window, title);
}

bool hasWmState(Display* display, const Atoms& atoms, Window window) {
  if (atoms.wmState == None) return false;
  Atom actualType = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long bytesAfter = 0;
  XFreeGuard<unsigned char> data;
  if (XGetWindowProperty(display, window, atoms.wmState, 0, 0, False, AnyPropertyType,
                         &actualType, &format, &count, &bytesAfter, &data.pointer) != Success) {
    return false;
  }
  return actualType != None;
}

// Client windows (with WM_STATE) below `frame`, topmost first.
Window findClientInFrame(Display* display, const Atoms& atoms, Window frame,
                         std::string_view title, int depth) {
  if (depth == 0) return None;
  Window root = None;
  Window parent = None;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, frame, &root, &parent, &children, &count)) return None;
  XFreeGuard<Window> guard{children};
  for (unsigned int i = count; i-- > 0;) {
    const Window child = children[i];
    if (hasWmState(display, atoms, child)) {
      if (titleMatches(display, atoms, child, title)) return child;
    } else if (Window found = findClientInFrame(display, atoms, child, title, depth - 1)) {
      return found;
    }
  }
  return None;
}

}  // namespace

X11WindowId FindWindowByTitle(X11Connection& connection, std::string_view titleUtf8) {
  Display* display = connection.display();
  X11ErrorTrap trap(connection);
  const Atoms atoms = internAtoms(display);
  for (int screen = 0; screen < ScreenCount(display); ++screen) {
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, RootWindow(display, screen), &root, &parent, &children, &count)) {
      continue;
    }
    XFreeGuard<Window> guard{children};
    // XQueryTree lists children bottom to top; the topmost match wins.
    for (unsigned int i = count; i-- > 0;) {
      const Window window = children[i];
      trap.clear();
      if (titleMatches(display, atoms, window, titleUtf8) && !trap.sawError()) return window;
      if (hasWmState(display, atoms, window)) continue;  // a client itself, not a frame
      const Window client = findClientInFrame(display, atoms, window, titleUtf8, kFrameDepth);
      if (client != None && !trap.sawError()) return client;
    }
  }
  return 0;
}

X11WindowId FindWindowByTitle(std::string_view titleUtf8) {
  X11Connection* connection = X11Connection::shared();
  return connection ? FindWindowByTitle(*connection, titleUtf8) : 0;
}

WindowExtent WindowExtentOf(X11Connection& connection, X11WindowId window) {
  if (window == 0) return {};
  X11ErrorTrap trap(connection);
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(connection.display(), window, &attributes) || trap.sawError()) {
    return {};
  }
  return {attributes.width + 2 * attributes.border_width,
          attributes.height + 2 * attributes.border_width};
}

WindowExtent WindowExtentOf(X11WindowId window) {
  X11Connection* connection = X11Connection::shared();
  return connection ? WindowExtentOf(*connection, window) : WindowExtent{};
}

}  // namespace tumbleview
