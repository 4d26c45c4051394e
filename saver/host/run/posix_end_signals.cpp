#include "posix_end_signals.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace tumbleview {
namespace {

int g_readEnd = -1;
volatile sig_atomic_t g_writeEnd = -1;

extern "C" void onEndSignal(int) {
  const int savedErrno = errno;
  const char byte = 1;
  // A full pipe already holds a pending request; nothing is lost.
  [[maybe_unused]] const ssize_t ignored = ::write(g_writeEnd, &byte, 1);
  errno = savedErrno;
}

}  // namespace

int installEndSignalPipe() {
  if (g_readEnd >= 0) return g_readEnd;
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  g_readEnd = ends[0];
  g_writeEnd = ends[1];
  struct sigaction action {};
  action.sa_handler = onEndSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(signal, &action, nullptr);
  return g_readEnd;
}

bool endSignalPending() { return waitForEndSignal(std::chrono::milliseconds(0)); }

bool waitForEndSignal(std::chrono::milliseconds timeout) {
  if (g_readEnd < 0) return false;
  pollfd watch{g_readEnd, POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&watch, 1, static_cast<int>(timeout.count()));
  } while (ready < 0 && errno == EINTR);
  return ready > 0 && (watch.revents & POLLIN) != 0;
}

}  // namespace tumbleview
