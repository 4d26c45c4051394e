#include "x11_window_watch.h"

#include <QSocketNotifier>

#include <X11/Xlib.h>

namespace tumbleview {

X11WindowWatch* X11WindowWatch::watch(X11WindowId window, QObject* parent) {
  if (window == 0) return nullptr;
  std::unique_ptr<X11Connection> connection = X11Connection::open();
  if (!connection) return nullptr;
  {
    X11ErrorTrap trap(*connection);
    XWindowAttributes attributes{};
    const bool exists = XGetWindowAttributes(connection->display(), window, &attributes);
    if (!exists || trap.sawError()) return nullptr;
    XSelectInput(connection->display(), window, StructureNotifyMask);
    if (trap.sawError()) return nullptr;
  }
  return new X11WindowWatch(std::move(connection), window, parent);
}

X11WindowWatch::X11WindowWatch(std::unique_ptr<X11Connection> connection, X11WindowId window,
                               QObject* parent)
    : QObject(parent), m_connection(std::move(connection)), m_window(window) {
  m_notifier = new QSocketNotifier(ConnectionNumber(m_connection->display()),
                                   QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, &X11WindowWatch::drainEvents);
  // The destruction may already sit in Xlib's queue, read while setting up.
  QMetaObject::invokeMethod(this, &X11WindowWatch::drainEvents, Qt::QueuedConnection);
}

X11WindowWatch::~X11WindowWatch() = default;

void X11WindowWatch::drainEvents() {
  Display* display = m_connection->display();
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == DestroyNotify && event.xdestroywindow.window == m_window && !m_destroyed) {
      m_destroyed = true;
      m_notifier->setEnabled(false);
      emit windowDestroyed();
      return;
    }
  }
}

}  // namespace tumbleview
