// How long one window search by title takes on a busy desktop: the saver
// repeats it every 50 ms while the renderer runs.  Prints figures; no
// pass/fail threshold.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "x11_window_search.h"

// Xlib last: its macros break C++ headers that use the same names.
#include <X11/Xlib.h>

#include "xlib_client.h"

int main() {
  using namespace tumbleview;
  const test::XlibClient other;
  std::unique_ptr<X11Connection> saver = X11Connection::open();
  if (!other.ready() || !saver) return std::fprintf(stderr, "no X server\n"), 1;
  Display* display = other.display();
  // 200 plain top-level windows and 100 clients inside frames, all named.
  const Atom wmState = XInternAtom(display, "WM_STATE", False);
  const long state[2] = {1, 0};
  for (int i = 0; i < 300; ++i) {
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
    if (i >= 200) {
      window = XCreateSimpleWindow(display, window, 0, 0, 10, 10, 0, 0, 0);
      XChangeProperty(display, window, wmState, wmState, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(state), 2);
    }
    XStoreName(display, window, ("window " + std::to_string(i)).c_str());
  }
  XSync(display, False);

  constexpr int kSearches = 100;
  const auto start = std::chrono::steady_clock::now();
  X11WindowId found = 0;
  for (int i = 0; i < kSearches; ++i) found |= findWindowByTitle(*saver, "Tumbleview_VC");
  const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
  std::printf("FindWindowByTitle, 300 windows (100 framed), no match: %.3f ms per search\n",
              elapsed.count() / kSearches);
  return found == 0 ? 0 : 1;
}
