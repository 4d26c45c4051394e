#include "x11_instance_claim.h"

#include <X11/Xlib.h>

namespace tumbleview {
namespace {

constexpr const char* kClaimSelection = "_TUMBLEVIEW_SAVER_CLAIM";

Atom claimAtom(Display* display) { return XInternAtom(display, kClaimSelection, False); }

}  // namespace

bool takeInstanceClaim(X11Connection* connection) {
  if (!connection) return true;
  Display* display = connection->display();
  const Atom selection = claimAtom(display);
  // An unmapped window of our own to own the selection; it lives as long
  // as the connection, which lives as long as the process.
  const Window owner = XCreateWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0,
                                     InputOnly, CopyFromParent, 0, nullptr);
  // Held by the server, the look and the take are one step for every
  // other client: two copies cannot both see the selection free.
  XGrabServer(display);
  const bool free = XGetSelectionOwner(display, selection) == None;
  if (free) XSetSelectionOwner(display, selection, owner, CurrentTime);
  XUngrabServer(display);
  const bool ours = free && XGetSelectionOwner(display, selection) == owner;
  if (!ours) XDestroyWindow(display, owner);
  XSync(display, False);
  return ours;
}

bool instanceClaimIsHeld(X11Connection* connection) {
  if (!connection) return false;
  Display* display = connection->display();
  return XGetSelectionOwner(display, claimAtom(display)) != None;
}

}  // namespace tumbleview
