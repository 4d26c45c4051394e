#include "x11_daemon_screenshot.h"

#include <xcb/xcb.h>

#include <cstring>
#include <string_view>

#include "x11_replies.h"

namespace tumbleview {
namespace {

constexpr std::string_view kScreenshotProperty = "_SCREENSAVER_SCREENSHOT";

xcb_pixmap_t screenshotPixmap(xcb_connection_t* c, xcb_window_t window) {
  const auto atom = replyOf<xcb_intern_atom_reply_t>(
      c, xcb_intern_atom_reply,
      xcb_intern_atom(c, 1, static_cast<std::uint16_t>(kScreenshotProperty.size()), kScreenshotProperty.data()));
  if (!atom || atom->atom == XCB_ATOM_NONE) return XCB_PIXMAP_NONE;
  const auto property = replyOf<xcb_get_property_reply_t>(
      c, xcb_get_property_reply, xcb_get_property(c, 0, window, atom->atom, XCB_ATOM_PIXMAP, 0, 1));
  if (!property || property->format != 32 || xcb_get_property_value_length(property.get()) < 4) {
    return XCB_PIXMAP_NONE;
  }
  xcb_pixmap_t pixmap = XCB_PIXMAP_NONE;
  std::memcpy(&pixmap, xcb_get_property_value(property.get()), sizeof pixmap);
  return pixmap;
}

}  // namespace

QImage daemonScreenshot(X11Connection* connection, X11WindowId window) {
  if (!connection || window == 0) return {};
  xcb_connection_t* c = connection->get();
  const xcb_pixmap_t pixmap = screenshotPixmap(c, static_cast<xcb_window_t>(window));
  if (pixmap == XCB_PIXMAP_NONE) return {};
  const auto geometry = replyOf<xcb_get_geometry_reply_t>(c, xcb_get_geometry_reply, xcb_get_geometry(c, pixmap));
  if (!geometry || geometry->width == 0 || geometry->height == 0 ||
      (geometry->depth != 24 && geometry->depth != 32)) {
    return {};
  }
  const auto image = replyOf<xcb_get_image_reply_t>(
      c, xcb_get_image_reply,
      xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, 0, 0, geometry->width, geometry->height, ~0u));
  const int width = geometry->width;
  const int height = geometry->height;
  // True-colour pixels of depth 24 or 32 come as 32-bit words in the
  // server's byte order; the common little-endian X server gives Qt's RGB32.
  const xcb_setup_t* setup = xcb_get_setup(c);
  if (!image || setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST ||
      static_cast<std::size_t>(xcb_get_image_data_length(image.get())) <
          static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4) {
    return {};
  }
  QImage pixels(xcb_get_image_data(image.get()), width, height, width * 4, QImage::Format_RGB32);
  return pixels.copy();
}

}  // namespace tumbleview
