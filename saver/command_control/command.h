// `Command`: the saver's skinned push button, registered under the
// identifier "Tumbleview.Command".  A vertical two-colour gradient face, an
// eight-piece border cut from one of six state pictures and a centred
// caption; four visual states driven by the mouse, the focus and a 100 ms
// hover poll; one event, Click.
//
// The focused states outlast the window going inactive: only a focus
// change inside the window leaves them.  The caption is plain text.
//
// Geometry is in twips (15 per pixel) as in the control's design; the face
// is painted into a kept surface on each state change and shown from it.
// Every handler does nothing while the control's own enabled flag is false.
// Single-threaded: the GUI thread only.
#pragma once

#include <QImage>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

#include "property_bag.h"

class QLabel;
class QTimer;

namespace tumbleview {

class Command : public QWidget {
  Q_OBJECT

 public:
  static constexpr char kProgId[] = "Tumbleview.Command";

  // The six state pictures.
  enum class Skin { Normal, HighLight, Selected, HighLightSelect, Pressed, Disable };

  // Answers which widget is under the pointer right now (nullptr for none).
  using PointerProbe = std::function<QWidget*()>;

  explicit Command(QWidget* parent = nullptr);
  ~Command() override;

  // ---- Properties (each setter reports its name through propertyChanged).
  // The font, enabled and visible properties are named apart from
  // QWidget's own font, isEnabled and isVisible, which keep their Qt
  // meaning (the widget's, not the control's).

  // Caption text of LblMsg.
  QString caption() const;
  void setCaption(const QString& caption);
  // Font of LblMsg.
  QFont fontProperty() const;
  void setFontProperty(const QFont& font);
  // Caption colour, 0x00BBGGRR.  Reading it repaints the Normal face
  // (RefreshCaption).  A value with a non-zero high byte is refused: the
  // colour stays, the caption is refreshed and no change is reported.
  std::uint32_t fontColour();
  void setFontColour(std::uint32_t colour);
  // The control's enabled flag.  The first read of a never-initialised
  // instance makes it enabled; every read repaints (ApplyEnabled).
  bool enabledProperty();
  void setEnabledProperty(bool enabled);
  // 255 with an opaque face, 0 with a transparent one (only the caption
  // shows).  Setting any non-zero value makes the face opaque.
  std::uint8_t visibleProperty();
  void setVisibleProperty(std::uint8_t visible);

  // Sets ButtonState to 1 and starts the hover poll.  The host calls it
  // once after loading; until then the control never hovers.
  void Initialize();

  // The persisted property set: loading a stored instance, and saving one.
  // `ambientFont` is the host form's font (the default of "Font").  A
  // stored value that does not convert reads as its default.
  void ReadProperties(const PropertyBag& bag, const QFont& ambientFont);
  void WriteProperties(PropertyBag& bag, const QFont& ambientFont);

  // ---- State, for the host and for tests.
  std::uint8_t buttonState() const { return m_buttonState; }
  std::uint8_t firstRun() const { return m_firstRun; }
  bool leftDown() const { return m_leftDown != 0; }
  bool invertGradient() const { return m_invertGradient != 0; }
  bool enabledFlag() const { return m_enabled != 0; }
  // The skin of the last paint, and the kept surface it was painted into.
  Skin paintedSkin() const { return m_paintedSkin; }
  const QImage& surface() const { return m_surface; }
  QLabel* captionLabel() const { return m_lblMsg; }
  static const QImage& skinPicture(Skin skin);

  // Replaces the pointer probe of the hover poll (default: the widget
  // Qt finds at the cursor's screen position).
  void setPointerProbe(PointerProbe probe);

 signals:
  void Click();
  void propertyChanged(const QString& name);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void ApplyEnabled();
  void RefreshCaption();
  void PaintSkin(Skin skin);
  void PaintGradient();
  void MouseLeft();
  void mouseMoved();
  void pollMouse();  // TmrMouse tick
  bool setCaptionColour(std::uint32_t colour);
  void setOpaque(bool opaque);

  QLabel* m_lblMsg = nullptr;
  QTimer* m_tmrMouse = nullptr;
  QImage m_surface;
  PointerProbe m_pointerProbe;

  std::int16_t m_enabled = 0;  // -1 true, 0 false
  std::uint8_t m_buttonState = 0;
  std::uint8_t m_firstRun = 0;
  std::int16_t m_leftDown = 0;
  std::int16_t m_invertGradient = 0;
  bool m_opaque = true;
  Skin m_paintedSkin = Skin::Normal;
};

}  // namespace tumbleview
