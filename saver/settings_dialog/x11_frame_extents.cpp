#include "x11_frame_extents.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

#include "x11_replies.h"

namespace tumbleview {
namespace {

// Properties that decide how a manager decorates a window.
constexpr const char* kDecorationProperties[] = {"_MOTIF_WM_HINTS", "_NET_WM_WINDOW_TYPE",
                                                 "_NET_WM_STATE", "WM_NORMAL_HINTS"};

// How often the answer is looked for while waiting.
constexpr std::chrono::milliseconds kPollInterval{2};

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
  const auto reply = replyOf<xcb_intern_atom_reply_t>(
      c, xcb_intern_atom_reply,
      xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name));
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The 32-bit items of a property of `window`, or none.
std::vector<std::uint32_t> property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name,
                                    xcb_atom_t type) {
  const auto reply = replyOf<xcb_get_property_reply_t>(
      c, xcb_get_property_reply, xcb_get_property(c, 0, window, name, type, 0, 1024));
  if (!reply || reply->type != type || reply->format != 32) return {};
  const auto* items = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
  return std::vector<std::uint32_t>(items, items + xcb_get_property_value_length(reply.get()) / 4);
}

// A window manager that is running (its check window names itself) and
// lists `feature` among what it supports.
bool windowManagerSupports(xcb_connection_t* c, xcb_window_t root, xcb_atom_t feature) {
  const xcb_atom_t check = atom(c, "_NET_SUPPORTING_WM_CHECK");
  const std::vector<std::uint32_t> fromRoot = property(c, root, check, XCB_ATOM_WINDOW);
  if (fromRoot.empty()) return false;
  const std::vector<std::uint32_t> fromCheck = property(c, fromRoot.front(), check, XCB_ATOM_WINDOW);
  if (fromCheck.empty() || fromCheck.front() != fromRoot.front()) return false;
  const std::vector<std::uint32_t> supported =
      property(c, root, atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
  return std::find(supported.begin(), supported.end(), feature) != supported.end();
}

// A hidden window of the same size and decoration hints as `window`.
std::optional<xcb_window_t> standIn(xcb_connection_t* c, xcb_window_t root, xcb_window_t window) {
  const auto geometry = replyOf<xcb_get_geometry_reply_t>(c, xcb_get_geometry_reply,
                                                          xcb_get_geometry(c, window));
  if (!geometry) return std::nullopt;
  const xcb_window_t made = xcb_generate_id(c);
  if (!succeeded(c, xcb_create_window_checked(
                        c, XCB_COPY_FROM_PARENT, made, root, 0, 0,
                        std::max<std::uint16_t>(geometry->width, 1),
                        std::max<std::uint16_t>(geometry->height, 1), 0,
                        XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr))) {
    return std::nullopt;
  }
  for (const char* name : kDecorationProperties) {
    const xcb_atom_t hint = atom(c, name);
    const auto value = replyOf<xcb_get_property_reply_t>(
        c, xcb_get_property_reply,
        xcb_get_property(c, 0, window, hint, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024));
    if (!value || value->type == XCB_ATOM_NONE) continue;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, made, hint, value->type, value->format,
                        static_cast<std::uint32_t>(xcb_get_property_value_length(value.get())) * 8 /
                            value->format,
                        xcb_get_property_value(value.get()));
  }
  return made;
}

}  // namespace

FrameExtents expectedFrameExtents(X11WindowId window, std::chrono::milliseconds timeout) {
  X11Connection* connection = X11Connection::shared();
  if (!connection || window == 0) return {};
  xcb_connection_t* c = connection->get();
  const auto root = static_cast<xcb_window_t>(connection->defaultRoot());
  const xcb_atom_t request = atom(c, "_NET_REQUEST_FRAME_EXTENTS");
  if (!windowManagerSupports(c, root, request)) return {};
  const std::optional<xcb_window_t> probe = standIn(c, root, static_cast<xcb_window_t>(window));
  if (!probe) return {};

  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = *probe;
  message.type = request;
  xcb_send_event(c, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(c);

  // The manager answers by setting a property on the stand-in.  The events
  // of this connection are Qt's to read, so the property is looked at
  // instead, every few milliseconds; managers answer within one or two.
  const xcb_atom_t extents = atom(c, "_NET_FRAME_EXTENTS");
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  FrameExtents answer;
  for (;;) {
    const std::vector<std::uint32_t> sides = property(c, *probe, extents, XCB_ATOM_CARDINAL);
    if (sides.size() == 4) {
      answer = {static_cast<int>(sides[0]), static_cast<int>(sides[1]),
                static_cast<int>(sides[2]), static_cast<int>(sides[3])};
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(kPollInterval);
  }
  xcb_destroy_window(c, *probe);
  xcb_flush(c);
  return answer;
}

}  // namespace tumbleview
