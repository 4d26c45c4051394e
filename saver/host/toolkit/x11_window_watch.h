// Notice of a foreign X window's destruction, delivered on the GUI thread.
#pragma once

#include <QObject>

#include <memory>

#include "x11_connection.h"

class QSocketNotifier;

namespace tumbleview {

class X11WindowWatch : public QObject {
  Q_OBJECT

 public:
  // Starts watching `window` on a connection of its own; nullptr when there
  // is no X server or the window does not exist.
  static X11WindowWatch* watch(X11WindowId window, QObject* parent = nullptr);
  ~X11WindowWatch() override;

 signals:
  // Emitted once, when the window has been destroyed.
  void windowDestroyed();

 private:
  X11WindowWatch(std::unique_ptr<X11Connection> connection, X11WindowId window, QObject* parent);
  void drainEvents();

  std::unique_ptr<X11Connection> m_connection;
  X11WindowId m_window;
  QSocketNotifier* m_notifier = nullptr;
  bool m_destroyed = false;
};

}  // namespace tumbleview
