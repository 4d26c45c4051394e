#include "x11_instance_claim.h"

#include <xcb/xcb.h>

#include <string_view>

#include "x11_replies.h"

namespace tumbleview {
namespace {

constexpr std::string_view kClaimSelection = "_TUMBLEVIEW_SAVER_CLAIM";
constexpr std::string_view kMusicClaimSelection = "_TUMBLEVIEW_MUSIC_CLAIM";

xcb_atom_t claimAtom(xcb_connection_t* c, std::string_view name = kClaimSelection) {
  const auto reply = replyOf<xcb_intern_atom_reply_t>(
      c, xcb_intern_atom_reply,
      xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data()));
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

xcb_window_t ownerOf(xcb_connection_t* c, xcb_atom_t selection) {
  const auto reply = replyOf<xcb_get_selection_owner_reply_t>(
      c, xcb_get_selection_owner_reply, xcb_get_selection_owner(c, selection));
  return reply ? reply->owner : xcb_window_t{XCB_WINDOW_NONE};
}

bool takeClaim(X11Connection* connection, std::string_view name) {
  if (!connection) return true;
  xcb_connection_t* c = connection->get();
  const xcb_atom_t selection = claimAtom(c, name);
  if (selection == XCB_ATOM_NONE) return true;
  // An unmapped window of our own owns the selection; it lives as long as
  // the connection, which lives as long as the process.
  const xcb_window_t owner = xcb_generate_id(c);
  xcb_create_window(c, 0, owner, static_cast<xcb_window_t>(connection->defaultRoot()), 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
  // With the server held, the look and the take are one step for every
  // other client: two copies cannot both see the selection free.
  xcb_grab_server(c);
  const bool free = ownerOf(c, selection) == XCB_WINDOW_NONE;
  if (free) xcb_set_selection_owner(c, owner, selection, XCB_CURRENT_TIME);
  xcb_ungrab_server(c);
  const bool ours = free && ownerOf(c, selection) == owner;
  if (!ours) xcb_destroy_window(c, owner);
  xcb_flush(c);
  return ours;
}

}  // namespace

bool takeInstanceClaim(X11Connection* connection) { return takeClaim(connection, kClaimSelection); }

bool takeMusicClaim(X11Connection* connection) { return takeClaim(connection, kMusicClaimSelection); }

bool instanceClaimIsHeld(X11Connection* connection) {
  if (!connection) return false;
  xcb_connection_t* c = connection->get();
  const xcb_atom_t selection = claimAtom(c);
  return selection != XCB_ATOM_NONE && ownerOf(c, selection) != XCB_WINDOW_NONE;
}

}  // namespace tumbleview
