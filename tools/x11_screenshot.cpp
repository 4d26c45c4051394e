// Saves the X root window as a PNG: x11_screenshot <out.png>
// Used by scripts/run.sh on a virtual display and by whole-program tests.
// Qt before Xlib: Xlib defines macros (Status, None) that break Qt headers.
#include <QImage>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s out.png\n", argv[0]);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "cannot open display\n");
    return 1;
  }
  const Window root = DefaultRootWindow(display);
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, root, &attributes);
  XImage* image = XGetImage(display, root, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
  if (!image) {
    std::fprintf(stderr, "cannot read the screen\n");
    XCloseDisplay(display);
    return 1;
  }
  QImage out(attributes.width, attributes.height, QImage::Format_RGB32);
  for (int y = 0; y < attributes.height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < attributes.width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      row[x] = qRgb((pixel & image->red_mask) >> 16, (pixel & image->green_mask) >> 8, pixel & image->blue_mask);
    }
  }
  XDestroyImage(image);
  XCloseDisplay(display);
  return out.save(argv[1], "PNG") ? 0 : 1;
}
