// Shared by the toolkit's GUI tests: one QApplication per test program and
// a bounded wait that keeps the event loop running.
#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace tumbleview::test {

inline QApplication& application() {
  static int argc = 1;
  static char name[] = "toolkit_test";
  static char* argv[] = {name, nullptr};
  // Kept until the process ends; reachable, so no leak report.
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

// Processes events until `condition` holds or `timeoutMs` has passed;
// returns the condition's last value.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000) {
  application();
  QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return condition();
    // A short nested loop, so waiting does not spin the processor.
    QEventLoop loop;
    QTimer::singleShot(5, &loop, &QEventLoop::quit);
    loop.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  return true;
}

}  // namespace tumbleview::test
