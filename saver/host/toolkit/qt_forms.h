// The saver's windows and controls over Qt Widgets.
//
// A window ("form") is a Form subclass whose constructor is its definition:
// it builds the child controls.  load() creates the native window, still
// hidden (so the window can be found by its title), and runs the load
// handler once; showModeless()/showModal() show it; unload() (or a close
// request from the window manager) runs the query-unload handler, then the
// unload handler, hides the window and deletes it once control returns to
// the event loop.  Handlers run on the one GUI thread and never overlap.
//
// Forms and picture boxes keep a persistent drawing surface: a QImage of
// their client size that handlers draw into and that paintEvent copies to
// the screen, so drawings survive without a paint handler.
//
// All positions and sizes are pixels.  Operations that can fail throw
// ToolkitError (toolkit_error.h).
#pragma once

#include <QColor>
#include <QComboBox>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <map>
#include <string>
#include <type_traits>

#include "toolkit_error.h"
#include "x11_connection.h"

class QWindow;

namespace tumbleview {

// A mouse event as the saver's handlers see it.
struct MouseEvent {
  int button = 0;  // the button concerned: 1 left, 2 right, 4 middle (0 for none)
  int shift = 0;   // keys held: 1 shift, 2 control, 4 alt
  int x = 0;       // pixels, relative to the control
  int y = 0;
};

// An image that keeps its content when its size changes: the part that
// still fits stays, new area takes the fill colour.
class PersistentSurface {
 public:
  void resize(const QSize& size, const QColor& fill);
  void clear(const QColor& fill);
  QImage& image() { return m_image; }
  const QImage& image() const { return m_image; }

 private:
  QImage m_image;
};

class Form : public QWidget {
  Q_OBJECT

 public:
  explicit Form(QWidget* parent = nullptr);
  ~Form() override;

  // Creates the native window without showing it, then runs onLoad().
  // Calling it again does nothing.
  void load();
  bool isLoaded() const { return m_state == State::Loaded; }

  // Loads the form if needed and shows it.
  void showModeless();
  // Loads the form if needed, shows it application-modal and returns once
  // it has been unloaded (at once if the load handler unloaded it).
  void showModal();

  // Query-unload handler, unload handler, then hidden and deleted later.
  // Does nothing when the form is not loaded or already unloading.
  void unload();

  // Makes the form a child window of a foreign X window (which need not
  // belong to this process) at (0, 0); the form keeps its size.  Returns
  // false, changing nothing, when that window does not exist.  When the
  // foreign window is destroyed, the form unloads.
  bool setForeignParent(X11WindowId parent);

  QColor backColor() const { return m_backColor; }
  void setBackColor(const QColor& color);

  // The persistent surface, client size; draw into it, then refresh().
  QImage& surface();
  void clearSurface();
  void refresh() { update(); }

  // How many forms are loaded in the process right now.
  static int loadedCount();

 signals:
  void unloaded();

 protected:
  virtual void onLoad() {}
  virtual void onResize() {}
  virtual void onQueryUnload() {}
  virtual void onUnload() {}

  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  enum class State { Defined, Loaded, Unloading, Unloaded };
  State m_state = State::Defined;
  QColor m_backColor;
  PersistentSurface m_surface;
  QWindow* m_foreignParent = nullptr;
  QObject* m_parentWatch = nullptr;
};

// Runs the event loop until no form is loaded any more; returns at once when
// none is.  The program's life in preview and run mode.
void runUntilNoFormIsLoaded();

// A picture box: a persistent surface (of the client area, inside the
// border if it has one) and a picture.
class PictureBox : public QFrame {
  Q_OBJECT

 public:
  explicit PictureBox(QWidget* parent = nullptr);

  QColor backColor() const { return m_backColor; }
  void setBackColor(const QColor& color);
  // A two-pixel sunken border; the client area is inside it.
  void setBorder(bool border);
  // When on, the box takes the size of each picture given to it.
  void setAutoSize(bool autoSize) { m_autoSize = autoSize; }

  // Clears the surface to the back colour and draws `picture` at (0, 0)
  // (when the surface is next used); with auto-size on, the box first takes
  // the picture's size (plus border).
  void setPicture(const QImage& picture);
  const QImage& picture() const { return m_picture; }

  // The persistent surface, client size; draw into it, then refresh().
  QImage& surface();
  void clearSurface();
  void refresh() { update(); }
  QSize clientSize() const { return contentsRect().size(); }

  // Copies `sourceRect` of `picture` into `targetRect` of the surface,
  // stretched without blending (stretchCopy in qt_pictures.h).
  void paintPicture(const QImage& picture, const QRect& targetRect, const QRect& sourceRect);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor m_backColor;
  bool m_autoSize = false;
  QImage m_picture;
  bool m_picturePending = false;
  QColor m_pendingFill;
  PersistentSurface m_surface;
};

// An image control: shows a picture at its own size from the top-left
// corner (clipped), or stretched over the whole control.
class ImageControl : public QWidget {
  Q_OBJECT

 public:
  explicit ImageControl(QWidget* parent = nullptr);

  void setPicture(const QImage& picture);
  const QImage& picture() const { return m_picture; }
  void setStretch(bool stretch);
  bool stretch() const { return m_stretch; }

 signals:
  void mouseDown(const tumbleview::MouseEvent& event);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QImage m_picture;
  bool m_stretch = false;
};

// A label: plain text (never markup), word-wrapped in its box, transparent
// unless given a back colour.  Mouse moves are reported without a button
// held, too.
class Label : public QLabel {
  Q_OBJECT

 public:
  explicit Label(QWidget* parent = nullptr);

  void setCaption(const QString& caption) { setText(caption); }
  QString caption() const { return text(); }
  void setForeColor(const QColor& color);
  void setBackColor(const QColor& color);

 signals:
  void mouseDown(const tumbleview::MouseEvent& event);
  void mouseMove(const tumbleview::MouseEvent& event);
  void mouseUp(const tumbleview::MouseEvent& event);
  // A left-button press and release both on the label.
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool m_leftPressed = false;
};

// A combo box with an editable text and an item list.  Adding items never
// changes the text (Qt would otherwise put the first item into it).
class ComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit ComboBox(QWidget* parent = nullptr);

  QString text() const { return currentText(); }
  void setText(const QString& text) { setEditText(text); }
  void addItem(const QString& item);
};

// A timer on the GUI thread: ticks every interval milliseconds while it is
// enabled and the interval is above 0.  Enabling it, or changing the
// interval while it is enabled, starts a fresh interval.
class Timer : public QObject {
  Q_OBJECT

 public:
  explicit Timer(QObject* parent = nullptr);

  int interval() const { return m_interval; }
  void setInterval(int milliseconds);
  bool isEnabled() const { return m_enabled; }
  void setEnabled(bool enabled);

 signals:
  void tick();

 private:
  void apply();

  QTimer m_timer;
  int m_interval = 0;
  bool m_enabled = false;
};

// Like controls addressed by index, sharing handlers.  Indices need not be
// contiguous.  Asking for an index that has no member throws ToolkitError.
template <class Control>
class ControlGroup {
 public:
  void add(int index, Control* control) { m_members[index] = control; }

  Control& operator[](int index) const {
    const auto found = m_members.find(index);
    if (found == m_members.end() || !found->second) {
      throw ToolkitError("no member " + std::to_string(index) + " in the control group");
    }
    return *found->second;
  }

  // Connects `signal` of every member to `handler`, which receives the
  // member's index first and then the signal's arguments.
  template <class... Args>
  void connectEach(void (Control::*signal)(Args...),
                   std::type_identity_t<std::function<void(int, Args...)>> handler) {
    for (const auto& [index, control] : m_members) {
      QObject::connect(control, signal, control,
                       [index = index, handler](Args... args) { handler(index, args...); });
    }
  }

  template <class Function>
  void forEach(Function function) const {
    for (const auto& [index, control] : m_members) function(index, *control);
  }

 private:
  std::map<int, QPointer<Control>> m_members;
};

}  // namespace tumbleview
