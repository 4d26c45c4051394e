#include "qt_program.h"

#include <QCursor>
#include <QGuiApplication>
#include <QObject>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

#include "toolkit_error.h"

extern char** environ;

namespace tumbleview {
namespace {

constexpr int kReapIntervalMs = 100;

// Programs started and not yet known to have ended, and those that have.
struct StartedPrograms {
  std::set<pid_t> running;
  std::set<pid_t> ended;
  QPointer<QTimer> reaper;  // goes with the application object
};

StartedPrograms& startedPrograms() {
  static StartedPrograms programs;
  return programs;
}

bool reap(pid_t pid) {
  StartedPrograms& programs = startedPrograms();
  if (programs.ended.count(pid)) return true;
  if (!programs.running.count(pid)) return true;  // not ours: nothing to wait for
  int status = 0;
  pid_t result;
  do {
    result = ::waitpid(pid, &status, WNOHANG);
  } while (result < 0 && errno == EINTR);
  if (result == 0) return false;
  programs.running.erase(pid);
  programs.ended.insert(pid);
  return true;
}

void reapAll() {
  StartedPrograms& programs = startedPrograms();
  const std::set<pid_t> running = programs.running;
  for (pid_t pid : running) reap(pid);
  if (programs.running.empty() && programs.reaper) programs.reaper->stop();
}

void startReaper() {
  StartedPrograms& programs = startedPrograms();
  if (!QCoreApplication::instance()) return;  // startedProgramHasEnded still reaps
  if (!programs.reaper) {
    programs.reaper = new QTimer(QCoreApplication::instance());
    QObject::connect(programs.reaper, &QTimer::timeout, &reapAll);
  }
  programs.reaper->start(kReapIntervalMs);
}

// posix_spawn's attribute and file-action records, destroyed on every path.
struct SpawnSetup {
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_t actions;
  SpawnSetup() {
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_init(&actions);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
};

}  // namespace

std::string argumentText() {
  // The kernel's copy: Qt removes the options it understands from argv.
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::size_t programEnd = all.find('\0');
  if (programEnd == std::string::npos || programEnd + 1 >= all.size()) return {};
  std::string arguments = all.substr(programEnd + 1);
  if (!arguments.empty() && arguments.back() == '\0') arguments.pop_back();
  std::replace(arguments.begin(), arguments.end(), '\0', ' ');
  return arguments;
}

void endProgramNow(int status) { ::_exit(status); }

pid_t startProgram(const std::filesystem::path& path, const std::vector<std::string>& arguments) {
  SpawnSetup setup;
  sigset_t none;
  sigset_t all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setflags(&setup.attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawnattr_setpgroup(&setup.attributes, 0);
  posix_spawnattr_setsigmask(&setup.attributes, &none);
  posix_spawnattr_setsigdefault(&setup.attributes, &all);
  posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3);

  const std::string file = path.string();
  std::vector<char*> argv = {const_cast<char*>(file.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int error = ::posix_spawn(&pid, file.c_str(), &setup.actions, &setup.attributes, argv.data(),
                                  environ);
  if (error != 0) throw ToolkitError("cannot start " + file + ": " + std::strerror(error));
  startedPrograms().running.insert(pid);
  startReaper();
  return pid;
}

bool startedProgramHasEnded(pid_t pid) { return reap(pid); }

void endStartedProgram(pid_t pid) {
  if (pid > 0 && !startedProgramHasEnded(pid)) ::kill(-pid, SIGTERM);
}

QSize screenSizePixels() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().size() : QSize(0, 0);
}

namespace {
constexpr double kTwipsPerInch = 1440.0;
constexpr double kDefaultDotsPerInch = 96.0;

double twipsPerPixel(double dotsPerInch) {
  return kTwipsPerInch / (dotsPerInch > 0 ? dotsPerInch : kDefaultDotsPerInch);
}
}  // namespace

double twipsPerPixelX() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return twipsPerPixel(screen ? screen->logicalDotsPerInchX() : kDefaultDotsPerInch);
}

double twipsPerPixelY() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return twipsPerPixel(screen ? screen->logicalDotsPerInchY() : kDefaultDotsPerInch);
}

void setAppPointer(AppPointer pointer) {
  // At most one override of ours is in place, however often this is called.
  static bool overridden = false;
  if (pointer == AppPointer::Hourglass && !overridden) {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    overridden = true;
  } else if (pointer == AppPointer::Default && overridden) {
    QGuiApplication::restoreOverrideCursor();
    overridden = false;
  }
}

}  // namespace tumbleview
