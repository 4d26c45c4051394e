// Notice of a foreign X window's destruction, delivered on the GUI thread.
//
// Watches on the saver's one connection (Qt's): the window's
// StructureNotify events are selected there, and Qt hands every event of
// its connection to the application's native event filters first.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include "x11_connection.h"

namespace tumbleview {

class X11WindowWatch : public QObject, public QAbstractNativeEventFilter {
  Q_OBJECT

 public:
  // Starts watching `window`; nullptr when there is no X connection or the
  // window does not exist.
  static X11WindowWatch* watch(X11WindowId window, QObject* parent = nullptr);
  ~X11WindowWatch() override;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 signals:
  // Emitted once, when the window has been destroyed.
  void windowDestroyed();

 private:
  X11WindowWatch(X11WindowId window, QObject* parent);

  X11WindowId m_window;
  bool m_destroyed = false;
};

}  // namespace tumbleview
