// Requests to end the run from outside: SIGTERM, SIGHUP and SIGINT (the
// desktop session ending, a service manager, Ctrl+C in a terminal).  The
// handler only writes a byte into a pipe; the run reads it on its one
// thread and ends the same way as when the renderer has gone, so music
// never outlives the saver and the pointer always comes back.
#pragma once

#include <chrono>

namespace tumbleview {

// Installs the handlers (once) and returns the pipe's reading end, which
// becomes readable when a request has arrived.  -1 when no pipe could be
// made; the signals then keep their default action.
int installEndSignalPipe();

// True once a request has arrived (it stays pending; nothing is consumed).
bool endSignalPending();

// Waits up to `timeout` for a request; true when one is pending.
bool waitForEndSignal(std::chrono::milliseconds timeout);

}  // namespace tumbleview
