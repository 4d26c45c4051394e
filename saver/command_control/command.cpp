#include "command.h"

#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <cmath>
#include <limits>

#include "assets.h"
#include "basic_conversions.h"
#include "gdi_drawing.h"
#include "step_runner.h"
#include "toolkit_error.h"
#include "twips.h"

namespace tumbleview {
namespace {

// LblMsg's design caption; a stored instance without a caption reads back
// with kCaptionReadDefault instead.
constexpr char kDesignCaption[] = "Command";
constexpr char kCaptionReadDefault[] = "Command1";
// Japanese proportional Gothic face of the control's design font.
constexpr char kDesignFontFace[] = "IPAPGothic";
constexpr double kDesignFontPoints = 9.75;

// Names of the persisted properties, which are also the names that
// propertyChanged reports.
constexpr char kEnabled[] = "Enabled";
constexpr char kCaption[] = "Caption";
constexpr char kFont[] = "Font";
constexpr char kFirstRun[] = "FirstRun";
constexpr char kFontColour[] = "FontColour";
constexpr char kVisible[] = "Visible";

constexpr int kHoverPollMilliseconds = 100;

// Design geometry in twips.
constexpr int kDesignWidth = 1755;
constexpr int kDesignHeight = 420;
constexpr int kLabelLeft = 0;
constexpr int kLabelTop = 90;
constexpr int kLabelWidth = 1635;
constexpr int kLabelHeight = 195;
constexpr int kCaptionLift = 20;

// Face colours as colour texts: six hex digits, red, green, blue.
constexpr char kFaceWhite[] = "&HFFFFFF";
constexpr char kFaceTint[] = "&HC6C5D7";

// Each two-digit group of the colour text becomes the high byte of its
// 16-bit channel.
gdi::TriVertex faceColour(std::string_view text) {
  auto group = [&](std::size_t at) {
    const auto value = parseLeadingNumber(std::string("&H") + std::string(text.substr(at, 2)));
    return static_cast<std::uint16_t>(static_cast<int>(value.value_or(0)) << 8);
  };
  gdi::TriVertex v;
  v.red = group(2);
  v.green = group(4);
  v.blue = group(6);
  return v;
}

int need(std::optional<std::int16_t> value) {
  if (!value) throw ToolkitError("16-bit overflow");
  return *value;
}

gdi::Surface surfaceOf(QImage& image) {
  if (image.isNull()) throw ToolkitError("no drawing surface");
  return {reinterpret_cast<std::uint32_t*>(image.bits()), image.width(), image.height(),
          image.bytesPerLine() / 4};
}

QColor fromOleColour(std::uint32_t colour) {
  return QColor(int(colour & 0xFF), int(colour >> 8 & 0xFF), int(colour >> 16 & 0xFF));
}

std::uint32_t toOleColour(const QColor& colour) {
  return std::uint32_t(colour.red()) | std::uint32_t(colour.green()) << 8 |
         std::uint32_t(colour.blue()) << 16;
}

// A boolean as stored: "-1" or "0"; "True" and "False" are read as well.
std::optional<bool> booleanFromText(const std::string& text) {
  const std::string upper = toUpper(text);
  if (upper == "TRUE") return true;
  if (upper == "FALSE") return false;
  const auto number = toInt16Rounded(std::string_view(text));
  if (!number) return std::nullopt;
  return *number != 0;
}

std::optional<std::int64_t> wholeNumberFromText(const std::string& text, std::int64_t low,
                                                std::int64_t high) {
  const auto number = parseNumberText(text);
  if (!number || !std::isfinite(*number)) return std::nullopt;
  const double rounded = std::nearbyint(*number);
  if (rounded < double(low) || rounded > double(high)) return std::nullopt;
  return static_cast<std::int64_t>(rounded);
}

QString qtText(const std::string& text) { return QString::fromStdString(text); }
std::string stdText(const QString& text) { return text.toStdString(); }

// Another window taking the keyboard (another program, or a chooser opened
// from the button) or a popup opening leaves the focus where it is inside
// this window: the button keeps its focused state until the focus moves.
bool focusStaysInTheWindow(const QFocusEvent& event) {
  return event.reason() == Qt::ActiveWindowFocusReason || event.reason() == Qt::PopupFocusReason;
}

}  // namespace

const QImage& Command::skinPicture(Skin skin) {
  static const std::array<QImage, 6> pictures = [] {
    auto load = [](const char* resource) {
      return QImage(QString::fromLatin1(resource)).convertToFormat(QImage::Format_RGB32);
    };
    return std::array<QImage, 6>{
        load(assets::kSkinNormal),   load(assets::kSkinHighLight),
        load(assets::kSkinSelected), load(assets::kSkinHighLightSelect),
        load(assets::kSkinPressed),  load(assets::kSkinDisable)};
  }();
  return pictures[static_cast<std::size_t>(skin)];
}

Command::Command(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  // Focus comes from the keyboard or from a left-button press (see
  // mousePressEvent); other buttons leave it where it is.
  setFocusPolicy(Qt::TabFocus);
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  resize(twipsToPixels(kDesignWidth), twipsToPixels(kDesignHeight));
  m_surface = QImage(size(), QImage::Format_RGB32);
  m_surface.fill(palette().color(QPalette::Button));

  m_lblMsg = new QLabel(QString::fromLatin1(kDesignCaption), this);
  m_lblMsg->setObjectName(QStringLiteral("LblMsg"));
  // A caption is shown as written: "<b>x</b>" is eight characters.
  m_lblMsg->setTextFormat(Qt::PlainText);
  m_lblMsg->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  m_lblMsg->setGeometry(twipsToPixels(kLabelLeft), twipsToPixels(kLabelTop),
                        twipsToPixels(kLabelWidth), twipsToPixels(kLabelHeight));
  // The caption is part of the control: its presses, moves and releases
  // are the control's, and the hover poll finds the control under it.
  m_lblMsg->setAttribute(Qt::WA_TransparentForMouseEvents, true);
  QFont font(QString::fromLatin1(kDesignFontFace));
  font.setPointSizeF(kDesignFontPoints);
  font.setWeight(QFont::Normal);
  m_lblMsg->setFont(font);
  setCaptionColour(0);

  m_tmrMouse = new QTimer(this);
  m_tmrMouse->setObjectName(QStringLiteral("TmrMouse"));
  m_tmrMouse->setInterval(kHoverPollMilliseconds);
  connect(m_tmrMouse, &QTimer::timeout, this, &Command::pollMouse);
  m_pointerProbe = [] { return QApplication::widgetAt(QCursor::pos()); };
}

Command::~Command() = default;

// ---- Properties ---------------------------------------------------------------

QString Command::caption() const { return m_lblMsg->text(); }

void Command::setCaption(const QString& caption) {
  m_lblMsg->setText(caption);
  emit propertyChanged(QString::fromLatin1(kCaption));
}

QFont Command::fontProperty() const { return m_lblMsg->font(); }

void Command::setFontProperty(const QFont& font) {
  m_lblMsg->setFont(font);
  emit propertyChanged(QString::fromLatin1(kFont));
}

std::uint32_t Command::fontColour() {
  const std::uint32_t colour =
      toOleColour(m_lblMsg->palette().color(QPalette::Active, QPalette::WindowText));
  RefreshCaption();
  return colour;
}

void Command::setFontColour(std::uint32_t colour) {
  if (!setCaptionColour(colour)) {
    RefreshCaption();
    return;
  }
  RefreshCaption();
  emit propertyChanged(QString::fromLatin1(kFontColour));
}

bool Command::enabledProperty() {
  if (m_firstRun == 0) {
    RefreshCaption();
    m_firstRun = 1;
    m_enabled = -1;
  }
  const bool enabled = m_enabled != 0;
  ApplyEnabled();
  return enabled;
}

void Command::setEnabledProperty(bool enabled) {
  m_enabled = enabled ? -1 : 0;
  emit propertyChanged(QString::fromLatin1(kEnabled));
  ApplyEnabled();
}

std::uint8_t Command::visibleProperty() {
  if (!m_opaque) return 0;
  RefreshCaption();
  return 255;
}

void Command::setVisibleProperty(std::uint8_t visible) {
  if (visible == 0) {
    setOpaque(false);
  } else {
    setOpaque(true);
    RefreshCaption();
  }
  emit propertyChanged(QString::fromLatin1(kVisible));
}

void Command::Initialize() {
  m_buttonState = 1;
  m_tmrMouse->start();
}

// ---- Persistence ----------------------------------------------------------------

void Command::ReadProperties(const PropertyBag& bag, const QFont& ambientFont) {
  m_enabled = booleanFromText(bag.read(kEnabled, "True")).value_or(true) ? -1 : 0;

  m_lblMsg->setText(qtText(bag.read(kCaption, kCaptionReadDefault)));

  // Only the face name comes from the stored font; size, weight and the
  // rest stay the caption label's own.
  QFont stored = ambientFont;
  if (const auto text = bag.find(kFont); text && !stored.fromString(qtText(*text))) {
    stored = ambientFont;
  }
  QFont captionFont = m_lblMsg->font();
  captionFont.setFamily(stored.family());
  m_lblMsg->setFont(captionFont);

  m_firstRun = static_cast<std::uint8_t>(
      wholeNumberFromText(bag.read(kFirstRun, "1"), 0, 255).value_or(1));

  const auto colour = wholeNumberFromText(bag.read(kFontColour, "0"),
                                          std::numeric_limits<std::int32_t>::min(),
                                          std::numeric_limits<std::int32_t>::max());
  setCaptionColour(static_cast<std::uint32_t>(colour.value_or(0)));

  const auto style = wholeNumberFromText(bag.read(kVisible, "1"), 0, 1);
  setOpaque(style.value_or(1) != 0);

  RefreshCaption();
}

void Command::WriteProperties(PropertyBag& bag, const QFont& ambientFont) {
  bag.write(kEnabled, m_enabled != 0 ? "-1" : "0", "-1");
  bag.write(kCaption, stdText(m_lblMsg->text()), kDesignCaption);
  bag.write(kFirstRun, std::to_string(m_firstRun), "1");
  bag.write(kFont, stdText(m_lblMsg->font().toString()), stdText(ambientFont.toString()));
  const std::uint32_t colour =
      toOleColour(m_lblMsg->palette().color(QPalette::Active, QPalette::WindowText));
  bag.write(kFontColour, std::to_string(static_cast<std::int32_t>(colour)), "0");
  bag.write(kVisible, m_opaque ? "1" : "0", "1");
  RefreshCaption();
}

// ---- Operations ---------------------------------------------------------------

bool Command::setCaptionColour(std::uint32_t colour) {
  // Only plain 0x00BBGGRR colours exist here.
  if (colour > 0xFFFFFFu) return false;
  QPalette palette = m_lblMsg->palette();
  // The disabled group keeps the style's grey, so a disabled caption shows
  // greyed whatever its colour.
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::WindowText, fromOleColour(colour));
  }
  m_lblMsg->setPalette(palette);
  return true;
}

void Command::setOpaque(bool opaque) {
  m_opaque = opaque;
  setAttribute(Qt::WA_OpaquePaintEvent, opaque);
  update();
}

void Command::ApplyEnabled() {
  const bool enabled = m_enabled != 0;
  runSteps({
      [&] { PaintSkin(enabled ? Skin::Normal : Skin::Disable); },
      [&] { m_lblMsg->setEnabled(enabled); },
  });
}

void Command::RefreshCaption() {
  if (m_enabled == 0) return;
  const Step steps[] = {
      [&] { m_lblMsg->setEnabled(true); },
      [&] {
        if (m_firstRun == 0) setCaptionColour(0);
      },
      [&] { PaintSkin(Skin::Normal); },
  };
  for (const Step& step : steps) {
    if (!runStep(step)) setCaptionColour(0);
  }
}

void Command::PaintSkin(Skin skin) {
  m_paintedSkin = skin;
  if (m_buttonState == 1 || m_buttonState == 3) m_invertGradient = 0;
  if (m_buttonState == 2) m_invertGradient = -1;

  const double w = pixelsToTwips(width());
  const double h = pixelsToTwips(height());
  const auto wLess120 = toInt16Rounded(w - 120);
  const auto hLess120 = toInt16Rounded(h - 120);
  const auto wLess60 = toInt16Rounded(w - 60);
  const auto hLess60 = toInt16Rounded(h - 60);
  const QImage& picture = skinPicture(skin);

  // One border piece: destination and source rectangles in twips.
  auto piece = [&](int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh) {
    const gdi::ConstSurface source{reinterpret_cast<const std::uint32_t*>(picture.constBits()),
                                   picture.width(), picture.height(),
                                   picture.bytesPerLine() / 4};
    if (!gdi::stretchBltColorOnColor(
            surfaceOf(m_surface),
            {twipsToPixels(dx), twipsToPixels(dy), twipsToPixels(dw), twipsToPixels(dh)}, source,
            {twipsToPixels(sx), twipsToPixels(sy), twipsToPixels(sw), twipsToPixels(sh)})) {
      throw ToolkitError("empty border piece");
    }
  };

  runSteps({
      [&] {
        surfaceOf(m_surface);
        m_surface.fill(palette().color(QPalette::Button));
      },
      [&] { PaintGradient(); },
      // The eight border pieces of the 960 x 375 twip picture, 60 twips
      // wide; the centre is never drawn.
      [&] { piece(1, 1, 60, 60, 0, 0, 60, 60); },
      [&] { piece(60, 1, need(wLess120), 60, 60, 1, 840, 60); },
      [&] { piece(need(wLess60), 1, 60, 60, 900, 1, 60, 60); },
      [&] { piece(need(wLess60), 60, 60, need(hLess120), 900, 60, 60, 255); },
      [&] { piece(need(wLess60), need(hLess60), 60, 60, 900, 315, 60, 60); },
      [&] { piece(60, need(hLess60), need(wLess120), 60, 60, 315, 840, 60); },
      [&] { piece(1, need(hLess60), 60, 60, 0, 315, 60, 60); },
      [&] { piece(1, 60, 60, need(hLess120), 1, 60, 60, 255); },
      [&] { update(); },
      // Centred, and lifted 20 twips above the middle.
      [&] {
        const double labelHeight = pixelsToTwips(m_lblMsg->height());
        m_lblMsg->setGeometry(0, twipsToPixels((h - labelHeight - kCaptionLift) / 2), width(),
                              m_lblMsg->height());
      },
  });
}

void Command::PaintGradient() {
  gdi::TriVertex vertices[2];
  const gdi::TriVertex white = faceColour(kFaceWhite);
  const gdi::TriVertex tint = faceColour(kFaceTint);
  runSteps({
      [&] {
        vertices[0] = m_invertGradient ? tint : white;
        vertices[1] = m_invertGradient ? white : tint;
      },
      [&] {
        vertices[0].x = 0;
        vertices[0].y = 0;
        vertices[1].x = m_surface.width() - 1;
        vertices[1].y = m_surface.height() - 1;
      },
      [&] {
        // The mesh names vertex 1 first; the higher vertex gives the top
        // colour all the same, so the normal face is white at the top.
        if (!gdi::gradientFillRectV(surfaceOf(m_surface), vertices, {1, 0})) {
          throw ToolkitError("gradient fill failed");
        }
      },
      [&] { update(); },
  });
}

void Command::MouseLeft() {
  if (m_buttonState == 2) {
    m_buttonState = 1;
    PaintSkin(Skin::Normal);
  } else if (m_buttonState == 4) {
    m_buttonState = 3;
    PaintSkin(Skin::Selected);
  }
}

void Command::pollMouse() {
  if (m_enabled == 0) return;
  QWidget* under = m_pointerProbe ? m_pointerProbe() : nullptr;
  if (under != this && under != m_lblMsg) MouseLeft();
}

void Command::setPointerProbe(PointerProbe probe) { m_pointerProbe = std::move(probe); }

// ---- Events -----------------------------------------------------------------------

void Command::paintEvent(QPaintEvent*) {
  // A transparent control shows nothing of its own; the caption label,
  // a child, still paints itself over the parent.
  if (!m_opaque) return;
  QPainter painter(this);
  painter.drawImage(0, 0, m_surface);
}

void Command::resizeEvent(QResizeEvent*) {
  m_surface = QImage(size(), QImage::Format_RGB32);
  if (!m_surface.isNull()) m_surface.fill(palette().color(QPalette::Button));
  ApplyEnabled();
}

void Command::mousePressEvent(QMouseEvent* event) {
  if (m_enabled == 0) return;
  if (event->button() != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  m_leftDown = -1;
  PaintSkin(Skin::Pressed);
}

void Command::mouseDoubleClickEvent(QMouseEvent*) {
  // The second press of a double click is no mouse-down to the control;
  // its release still is a mouse-up.
}

void Command::mouseMoveEvent(QMouseEvent*) { mouseMoved(); }

// The pointer coming to lie over the button without moving (a window above
// it went away, such as the file chooser it opened) is a mouse move too, as
// it is on the platform the button comes from; without it a button left in
// state 3 would swallow the next click.
void Command::enterEvent(QEnterEvent*) { mouseMoved(); }

void Command::mouseMoved() {
  if (m_enabled == 0) return;
  if (m_buttonState == 1) {
    m_buttonState = 2;
    PaintSkin(Skin::HighLight);
  } else if (m_buttonState == 3 && m_leftDown == 0) {
    m_buttonState = 4;
    PaintSkin(Skin::HighLightSelect);
  }
}

void Command::mouseReleaseEvent(QMouseEvent* event) {
  if (m_enabled == 0) return;
  if (event->button() == Qt::LeftButton) {
    m_leftDown = 0;
    if (m_buttonState == 2) PaintSkin(Skin::Normal);
    if (m_buttonState == 4) PaintSkin(Skin::HighLightSelect);
  }
  if (m_buttonState != 3 && m_enabled != 0) emit Click();
}

void Command::focusInEvent(QFocusEvent* event) {
  if (m_enabled == 0) return;
  if (focusStaysInTheWindow(*event) && (m_buttonState == 3 || m_buttonState == 4)) return;
  if (m_buttonState != 2) {
    m_buttonState = 3;
    PaintSkin(Skin::Selected);
  } else {
    m_buttonState = 4;
    PaintSkin(Skin::Pressed);
  }
}

void Command::focusOutEvent(QFocusEvent* event) {
  if (m_enabled == 0) return;
  if (focusStaysInTheWindow(*event)) return;
  if (m_buttonState != 1) {
    m_buttonState = 1;
    PaintSkin(Skin::Normal);
  }
}

}  // namespace tumbleview
