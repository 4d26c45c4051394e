// Owning XCB replies for the toolkit's X11 layer.  Include after Qt headers.
#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace tumbleview {

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <class ReplyType>
using Reply = std::unique_ptr<ReplyType, FreeReply>;

// The reply to `cookie`, or nullptr when the server answered with an error
// (typically: the window has gone).  The error is taken and freed here, so
// it never waits on the connection or reaches Qt's error log.
template <class ReplyType, class Cookie, class Fetch>
Reply<ReplyType> replyOf(xcb_connection_t* connection, Fetch fetch, Cookie cookie) {
  xcb_generic_error_t* error = nullptr;
  ReplyType* reply = fetch(connection, cookie, &error);
  std::free(error);
  return Reply<ReplyType>(reply);
}

// Whether a checked request without reply went through.
inline bool succeeded(xcb_connection_t* connection, xcb_void_cookie_t cookie) {
  xcb_generic_error_t* error = xcb_request_check(connection, cookie);
  std::free(error);
  return error == nullptr;
}

}  // namespace tumbleview
