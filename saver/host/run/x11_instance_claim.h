// An atomic claim on the display for the one screen-saver run or settings
// dialog allowed at a time.
//
// The single-instance test searches for the windows of a running copy, and
// two copies started in the same instant can both search before either
// window exists.  The claim closes that gap: the first copy to take it
// owns an X selection until its process ends (the server lets go of it
// then, even after a crash), and every later copy sees it taken.
#pragma once

#include "x11_connection.h"

namespace tumbleview {

// Takes the claim; false when another process holds it.  Without an X
// server there is nothing to claim on and the answer is true.
bool takeInstanceClaim(X11Connection* connection);

// Whether anyone holds the claim, without taking it.
bool instanceClaimIsHeld(X11Connection* connection);

// The same kind of claim on the music of the hack mode: a daemon starts one
// hack per monitor, and only the first to take this plays the music.  False
// when another process holds it; true without an X server.
bool takeMusicClaim(X11Connection* connection);

}  // namespace tumbleview
