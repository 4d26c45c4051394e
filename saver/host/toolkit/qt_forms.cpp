#include "qt_forms.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>
#include <vector>

#include "qt_pictures.h"
#include "x11_window_watch.h"

namespace tumbleview {
namespace {

int g_loadedForms = 0;
std::vector<QEventLoop*> g_waitsForLastForm;

void formLoaded() { ++g_loadedForms; }

void formGone() {
  if (--g_loadedForms == 0) {
    for (QEventLoop* loop : g_waitsForLastForm) loop->quit();
  }
}

int buttonCode(Qt::MouseButtons buttons) {
  int code = 0;
  if (buttons & Qt::LeftButton) code |= 1;
  if (buttons & Qt::RightButton) code |= 2;
  if (buttons & Qt::MiddleButton) code |= 4;
  return code;
}

int shiftCode(Qt::KeyboardModifiers modifiers) {
  int code = 0;
  if (modifiers & Qt::ShiftModifier) code |= 1;
  if (modifiers & Qt::ControlModifier) code |= 2;
  if (modifiers & Qt::AltModifier) code |= 4;
  return code;
}

MouseEvent toMouseEvent(const QMouseEvent& event, Qt::MouseButtons buttons) {
  const QPoint at = event.position().toPoint();
  return MouseEvent{buttonCode(buttons), shiftCode(event.modifiers()), at.x(), at.y()};
}

}  // namespace

// --- PersistentSurface -------------------------------------------------

void PersistentSurface::resize(const QSize& size, const QColor& fill) {
  if (m_image.size() == size) return;
  QImage resized(size.expandedTo(QSize(0, 0)), QImage::Format_RGB32);
  if (resized.isNull()) {
    m_image = QImage();
    return;
  }
  resized.fill(fill);
  if (!m_image.isNull()) {
    QPainter painter(&resized);
    painter.drawImage(0, 0, m_image);
  }
  m_image = std::move(resized);
}

void PersistentSurface::clear(const QColor& fill) {
  if (!m_image.isNull()) m_image.fill(fill);
}

// --- Form --------------------------------------------------------------

Form::Form(QWidget* parent) : QWidget(parent), m_backColor(palette().color(QPalette::Window)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

Form::~Form() {
  if (m_state == State::Loaded || m_state == State::Unloading) formGone();
  if (m_foreignParent) {
    // Our window belongs to the foreign one on the Qt side too; take it
    // back before the stand-in for the foreign window goes.
    if (QWindow* window = windowHandle()) window->setParent(nullptr);
    delete m_foreignParent;
  }
}

void Form::load() {
  if (m_state != State::Defined) return;
  m_state = State::Loaded;
  formLoaded();
  // A native window now, so that a hidden form can be found by its title.
  winId();
  onLoad();
}

void Form::showModeless() {
  load();
  if (m_state == State::Loaded) show();
}

void Form::showModal() {
  load();
  if (m_state != State::Loaded) return;
  QEventLoop loop;
  connect(this, &Form::unloaded, &loop, &QEventLoop::quit);
  setWindowModality(Qt::ApplicationModal);
  show();
  loop.exec(QEventLoop::DialogExec);
}

void Form::unload() {
  if (m_state != State::Loaded) return;
  m_state = State::Unloading;
  onQueryUnload();
  onUnload();
  hide();
  m_state = State::Unloaded;
  formGone();
  emit unloaded();
  deleteLater();
}

bool Form::setForeignParent(X11WindowId parent) {
  X11WindowWatch* watch = X11WindowWatch::watch(parent, this);
  if (!watch) return false;
  winId();
  QWindow* foreign = QWindow::fromWinId(parent);
  if (!foreign || !windowHandle()) {
    delete watch;
    delete foreign;
    return false;
  }
  m_foreignParent = foreign;
  windowHandle()->setParent(foreign);
  move(0, 0);
  m_parentWatch = watch;
  connect(watch, &X11WindowWatch::windowDestroyed, this, &Form::unload);
  return true;
}

void Form::setBackColor(const QColor& color) {
  m_backColor = color;
  QPalette colors = palette();
  colors.setColor(QPalette::Window, color);
  setPalette(colors);
}

QImage& Form::surface() {
  m_surface.resize(size(), m_backColor);
  return m_surface.image();
}

void Form::clearSurface() {
  surface();
  m_surface.clear(m_backColor);
  update();
}

int Form::loadedCount() { return g_loadedForms; }

void Form::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  m_surface.resize(size(), m_backColor);
  if (m_state == State::Loaded) onResize();
}

void Form::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, surface());
}

void Form::closeEvent(QCloseEvent* event) {
  // A close request from outside (window manager, close box) unloads, like
  // unloading from code; the widget itself goes later.
  event->ignore();
  unload();
}

void runUntilNoFormIsLoaded() {
  if (g_loadedForms == 0) return;
  QEventLoop loop;
  g_waitsForLastForm.push_back(&loop);
  loop.exec();
  g_waitsForLastForm.erase(std::find(g_waitsForLastForm.begin(), g_waitsForLastForm.end(), &loop));
}

// --- PictureBox --------------------------------------------------------

PictureBox::PictureBox(QWidget* parent)
    : QFrame(parent), m_backColor(palette().color(QPalette::Window)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFrameStyle(QFrame::NoFrame);
}

void PictureBox::setBackColor(const QColor& color) {
  m_backColor = color;
  update();
}

void PictureBox::setBorder(bool border) {
  setFrameStyle(border ? QFrame::Panel | QFrame::Sunken : QFrame::NoFrame);
  setLineWidth(border ? 2 : 0);
}

void PictureBox::setPicture(const QImage& picture) {
  m_picture = picture;
  if (m_autoSize && !picture.isNull()) {
    const int border = 2 * frameWidth();
    resize(picture.width() + border, picture.height() + border);
  }
  // Drawn into the surface when the surface is next used: a box that only
  // holds a large picture on its way elsewhere never makes a second copy.
  m_pendingFill = m_backColor;
  m_picturePending = true;
  update();
}

QImage& PictureBox::surface() {
  m_surface.resize(clientSize(), m_backColor);
  if (m_picturePending) {
    m_picturePending = false;
    m_surface.clear(m_pendingFill);
    if (!m_picture.isNull()) {
      QPainter painter(&m_surface.image());
      painter.drawImage(0, 0, m_picture);
    }
  }
  return m_surface.image();
}

void PictureBox::clearSurface() {
  surface();
  m_surface.clear(m_backColor);
  update();
}

void PictureBox::paintPicture(const QImage& picture, const QRect& targetRect,
                              const QRect& sourceRect) {
  stretchCopy(surface(), targetRect, picture, sourceRect);
  update();
}

void PictureBox::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  m_surface.resize(clientSize(), m_backColor);
}

void PictureBox::paintEvent(QPaintEvent* event) {
  {
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), surface());
  }
  QFrame::paintEvent(event);
}

// --- ImageControl ------------------------------------------------------

ImageControl::ImageControl(QWidget* parent) : QWidget(parent) {}

void ImageControl::setPicture(const QImage& picture) {
  m_picture = picture;
  update();
}

void ImageControl::setStretch(bool stretch) {
  m_stretch = stretch;
  update();
}

void ImageControl::paintEvent(QPaintEvent*) {
  if (m_picture.isNull()) return;
  QPainter painter(this);
  if (m_stretch) {
    painter.drawImage(rect(), m_picture);
  } else {
    painter.drawImage(0, 0, m_picture);
  }
}

void ImageControl::mousePressEvent(QMouseEvent* event) {
  emit mouseDown(toMouseEvent(*event, event->button()));
}

// --- Label -------------------------------------------------------------

Label::Label(QWidget* parent) : QLabel(parent) {
  // A file path such as "<b>x" must show as it is.
  setTextFormat(Qt::PlainText);
  setWordWrap(true);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setMouseTracking(true);
}

void Label::setForeColor(const QColor& color) {
  QPalette colors = palette();
  colors.setColor(QPalette::WindowText, color);
  setPalette(colors);
}

void Label::setBackColor(const QColor& color) {
  QPalette colors = palette();
  colors.setColor(QPalette::Window, color);
  setPalette(colors);
  setAutoFillBackground(true);
}

void Label::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) m_leftPressed = true;
  emit mouseDown(toMouseEvent(*event, event->button()));
}

void Label::mouseMoveEvent(QMouseEvent* event) {
  emit mouseMove(toMouseEvent(*event, event->buttons()));
}

void Label::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = event->button() == Qt::LeftButton && m_leftPressed &&
                     rect().contains(event->position().toPoint());
  if (event->button() == Qt::LeftButton) m_leftPressed = false;
  QPointer<Label> self(this);
  emit mouseUp(toMouseEvent(*event, event->button()));
  if (click && self) emit clicked();
}

// --- ComboBox ----------------------------------------------------------

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
}

void ComboBox::addItem(const QString& item) {
  const QString text = currentText();
  QComboBox::addItem(item);
  setEditText(text);
}

// --- Timer -------------------------------------------------------------

Timer::Timer(QObject* parent) : QObject(parent) {
  m_timer.setTimerType(Qt::PreciseTimer);
  connect(&m_timer, &QTimer::timeout, this, &Timer::tick);
}

void Timer::setInterval(int milliseconds) {
  m_interval = std::max(milliseconds, 0);
  apply();
}

void Timer::setEnabled(bool enabled) {
  m_enabled = enabled;
  apply();
}

void Timer::apply() {
  if (m_enabled && m_interval > 0) {
    m_timer.start(m_interval);
  } else {
    m_timer.stop();
  }
}

}  // namespace tumbleview
