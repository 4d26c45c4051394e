#include "tumbleview_p.h"

#include <QApplication>
#include <QFont>
#include <QFontMetricsF>
#include <QIcon>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "assets.h"
#include "basic_conversions.h"
#include "dialog_layout.h"
#include "program_paths.h"
#include "property_bag.h"
#include "qt_helpers.h"
#include "qt_pictures.h"
#include "qt_program.h"
#include "saver_state.h"
#include "step_runner.h"
#include "toolkit_error.h"
#include "x11_frame_extents.h"
#include "x11_pointer.h"

#ifndef TUMBLEVIEW_VERSION
#define TUMBLEVIEW_VERSION ""
#endif

namespace tumbleview {
namespace {

constexpr int kClientWidth = 391;
constexpr int kClientHeight = 379;
const QColor kBackground(128, 128, 128);
const QColor kLinkColour(255, 255, 192);
const QColor kCreditColour(255, 255, 255);

// IPAPGothic: the proportional Japanese Gothic face Debian ships
// (fonts-ipafont-gothic) and the closest free match for the proportional
// Gothic face the layout was drawn with: the same style of kanji and
// half-width katakana at nearly the same widths.  9.75 points at 96 dots per
// inch are 13 pixels; pixels, because the whole layout is in pixels.
constexpr char kFontFace[] = "IPAPGothic";
constexpr int kFontPixels = 13;

// The Command buttons' stored properties, as the form definition keeps them.
constexpr char kCommandDefinitions[] =
    "[Cmd_Set]\nCaption=設定\n"
    "[Cmd_Can]\nCaption=ｷｬﾝｾﾙ\n"
    "[Cmd_BGM]\nCaption=...\n"
    "[Cmd_Pic]\nCaption=...\n";

constexpr char kTitleMusic[] = "BGM";
constexpr char kTrackCaption[] = "曲目をﾘﾋﾟｰﾄ";
constexpr char kMusicCd[] = "音楽CD";
constexpr char kMusicFile[] = "MP3、WAV";
constexpr char kMusicNone[] = "無し";
constexpr char kPictureFile[] = "画像ﾌｧｲﾙを指定";
constexpr char kTitlePicture[] = "画像の選択";
constexpr char kDesktopCapture[] = "ﾃﾞｽｸﾄｯﾌﾟ画面をｷｬﾌﾟﾁｬ";
constexpr char kCredit[] = "Tumbleview " TUMBLEVIEW_VERSION;

// The link opens the README that ships beside the programs.
constexpr char kReadmeName[] = "README.md";

// The track box shows the stored track with "###" and lists 0 to 20 with
// "##": both show 0 as an empty text.
constexpr char kTrackTextPattern[] = "###";
constexpr char kTrackListPattern[] = "##";
constexpr int kTrackListLast = 20;

// How long the placement waits for the window manager to say how wide its
// frame will be.
constexpr std::chrono::milliseconds kFrameExtentsWait{300};

QFont dialogFont() {
  QFont font(QString::fromLatin1(kFontFace));
  font.setPixelSize(kFontPixels);
  font.setWeight(QFont::Normal);
  return font;
}

QString qt(const std::string& text) { return QString::fromStdString(text); }

QImage resourcePicture(const char* name) {
  return QImage(QString::fromLatin1(name)).convertToFormat(QImage::Format_RGB32);
}

}  // namespace

template <class Control>
Control* Tumbleview_P::create(QWidget* container, int x, int y, int width, int height) {
  auto* control = new Control(container);
  const auto* frame = qobject_cast<QFrame*>(container);
  const QPoint origin = frame ? frame->contentsRect().topLeft() : QPoint();
  control->setGeometry(QRect(origin + QPoint(x, y), QSize(width, height)));
  control->lower();
  return control;
}

Command* Tumbleview_P::createCommand(QWidget* container, const char* name, int x, int y,
                                     int width, int height) {
  static const std::optional<FormDefinition> definitions =
      FormDefinition::parse(kCommandDefinitions);
  auto* button = create<Command>(container, x, y, width, height);
  button->setObjectName(QString::fromLatin1(name));
  if (const PropertyBag* stored = definitions ? definitions->find(name) : nullptr) {
    button->ReadProperties(*stored, font());
  }
  button->setFontProperty(font());
  return button;
}

Tumbleview_P::Tumbleview_P() : Form(nullptr) {
  // A fixed single border with a close box only.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowTitle(QString::fromUtf8(kSettingsDialogCaption));
  setWindowIcon(QIcon(QString::fromLatin1(assets::kIcon)));
  setFixedSize(kClientWidth, kClientHeight);
  setBackColor(kBackground);
  setFont(dialogFont());

  const QColor buttonFace = QApplication::palette().color(QPalette::Button);
  const QPalette system = QApplication::palette();
  // One-line captions.  IPAPGothic sets a few of them some pixels wider than
  // the face the layout was drawn with; their boxes grow to the right rather
  // than cut or wrap the caption out of sight.
  auto label = [&](QWidget* container, int x, int y, int width, int height, const char* caption,
                   Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop) {
    auto* made = create<Label>(container, x, y, width, height);
    made->setWordWrap(false);
    made->setCaption(QString::fromUtf8(caption));
    made->setAlignment(alignment);
    const double needed = QFontMetricsF(made->font()).horizontalAdvance(made->caption());
    made->resize(std::max(width, static_cast<int>(std::ceil(needed))), height);
    return made;
  };
  auto pictureBox = [&](QWidget* container, int x, int y, int width, int height) {
    auto* box = create<PictureBox>(container, x, y, width, height);
    box->setBackColor(buttonFace);
    return box;
  };
  auto pathLabel = [&](QWidget* container, int x, int y) {
    auto* made = create<Label>(container, x, y, 345, 33);
    made->setBackColor(system.color(QPalette::Base));
    made->setForeColor(system.color(QPalette::Text));
    return made;
  };
  const Qt::Alignment centred = Qt::AlignHCenter | Qt::AlignTop;
  const QImage titlePlate = resourcePicture(assets::kTitlePlate);

  Cmd_Set = createCommand(this, "Cmd_Set", 308, 332, 69, 29);
  Cmd_Can = createCommand(this, "Cmd_Can", 236, 332, 69, 29);
  Pic_Dummy = pictureBox(this, 504, 108, 57, 53);
  Pic_Dummy->hide();
  m_measured = QImage(Pic_Dummy->size(), QImage::Format_RGB32);
  m_measured.fill(buttonFace);
  Pic_C = pictureBox(this, 12, 168, 365, 153);
  Pic_C->setBorder(true);
  Cmd_BGM = createCommand(Pic_C, "Cmd_BGM", 120, 80, 29, 21);
  BGM_Repeat = create<ComboBox>(Pic_C, 120, 40, 41, 20);
  lbl.add(1, label(Pic_C, 8, 12, 95, 13, kTitleMusic, centred));
  Img_TT.add(1, create<ImageControl>(Pic_C, 8, 8, 95, 22));
  Img_BGM.add(0, create<ImageControl>(Pic_C, 36, 64, 13, 13));
  lbl.add(2, label(Pic_C, 164, 44, 66, 13, kTrackCaption));
  lbl_BGM.add(1, label(Pic_C, 52, 44, 43, 13, kMusicCd));
  lbl_BGM.add(2, label(Pic_C, 52, 84, 60, 13, kMusicFile));
  Img_BGM.add(1, create<ImageControl>(Pic_C, 36, 44, 13, 13));
  lbl_BGM.add(0, label(Pic_C, 52, 64, 23, 13, kMusicNone));
  Img_BGM.add(2, create<ImageControl>(Pic_C, 36, 84, 13, 13));
  lbl_Fname = pathLabel(Pic_C, 8, 104);
  Pic_Mbl = pictureBox(this, 500, 60, 563, 21);
  Pic_Mbl->setAutoSize(true);
  Pic_B = pictureBox(this, 12, 12, 365, 141);
  Pic_B->setBorder(true);
  Cmd_Pic = createCommand(Pic_B, "Cmd_Pic", 156, 68, 29, 21);
  Display = create<PictureBox>(Pic_B, 272, 8, 80, 80);
  lbl_Sel.add(1, label(Pic_B, 56, 72, 92, 13, kPictureFile));
  Img_Sel.add(1, create<ImageControl>(Pic_B, 40, 72, 13, 13));
  lbl_Pname = pathLabel(Pic_B, 8, 96);
  lbl.add(0, label(Pic_B, 8, 12, 95, 13, kTitlePicture, centred));
  Img_TT.add(0, create<ImageControl>(Pic_B, 8, 8, 95, 22));
  Img_Sel.add(0, create<ImageControl>(Pic_B, 40, 48, 13, 13));
  lbl_Sel.add(0, label(Pic_B, 56, 48, 125, 13, kDesktopCapture));
  Img_Opt_On = create<ImageControl>(this, 504, 88, 12, 12);
  Img_Opt_Off = create<ImageControl>(this, 520, 88, 12, 12);
  lbl_URL = create<Label>(this, 12, 348, 214, 13);
  // Beside the buttons, above the link.
  lbl.add(9, label(this, 12, 332, 214, 13, kCredit));

  Img_TT.forEach([&](int, ImageControl& plate) { plate.setPicture(titlePlate); });
  Pic_Mbl->setPicture(resourcePicture(assets::kTile));
  Display->setBackColor(Qt::black);
  Display->clearSurface();
  Img_Opt_On->setPicture(resourcePicture(assets::kOptionOn));
  Img_Opt_Off->setPicture(resourcePicture(assets::kOptionOff));

  lbl_URL->setWordWrap(false);
  lbl_URL->setForeColor(kLinkColour);
  QFont underlined = font();
  underlined.setUnderline(true);
  lbl_URL->setFont(underlined);
  lbl_URL->setCaption(
      QUrl::fromLocalFile(qt(pathInFolder(saverFolder(), kReadmeName))).toString());
  lbl[9].setForeColor(kCreditColour);

  connect(Cmd_Set, &Command::Click, this, &Tumbleview_P::saveAndEnd);
  connect(Cmd_Can, &Command::Click, this, &Tumbleview_P::cancelAndEnd);
  connect(Cmd_Pic, &Command::Click, this, &Tumbleview_P::choosePicture);
  connect(Cmd_BGM, &Command::Click, this, &Tumbleview_P::chooseMusic);
  const auto toPictureSource = [this](int index, const MouseEvent&) {
    pictureSourcePressed(index);
  };
  const auto toMusic = [this](int index, const MouseEvent&) { musicPressed(index); };
  Img_Sel.connectEach(&ImageControl::mouseDown, toPictureSource);
  lbl_Sel.connectEach(&Label::mouseDown, toPictureSource);
  Img_BGM.connectEach(&ImageControl::mouseDown, toMusic);
  lbl_BGM.connectEach(&Label::mouseDown, toMusic);
  connect(lbl_URL, &Label::clicked, this, &Tumbleview_P::openLink);
}

// ---- Load -----------------------------------------------------------------

void Tumbleview_P::onLoad() {
  runSteps({
      [&] { place(); },
      [&] { SetupCommandButtons(); },
      [&] { TileBackground(*Pic_B); },
      [&] { TileBackground(*Pic_C); },
      [&] { showPictureSource(Settings.PicKind); },
      [&] { lbl_Pname->setCaption(qt(Settings.PicFile)); },
      [&] {
        if (Settings.PicKind == kPictureFileKind) {
          Cmd_Pic->setEnabledProperty(true);
          ShowPicturePreview();
        } else {
          Cmd_Pic->setEnabledProperty(false);
        }
      },
      [&] { showMusicKind(Settings.BgmKind); },
      [&] { lbl_Fname->setCaption(qt(Settings.BgmFile)); },
      [&] { BGM_Repeat->setText(qt(formatDigits(Settings.BgmRepeat, kTrackTextPattern).value())); },
      [&] {
        for (int track = 0; track <= kTrackListLast; ++track) {
          BGM_Repeat->addItem(qt(formatDigits(track, kTrackListPattern).value()));
        }
      },
      [&] { lbl_URL->setCursor(assets::handCursor()); },
      [] { recordCursorPosition(); },
      [&] { AnimateOpen(this); },
  });
}

void Tumbleview_P::place() {
  const QSize screen = screenSizePixels();
  const FrameExtents frame = expectedFrameExtents(winId(), kFrameExtentsWait);
  const DialogPlacement at = placeDialog(screen.width(), screen.height(),
                                         width() + frame.left + frame.right,
                                         height() + frame.top + frame.bottom);
  // The client area goes inside the frame, so the frame's corner lands there.
  move(at.left + frame.left, at.top + frame.top);
}

void Tumbleview_P::SetupCommandButtons() {
  for (Command* button : findChildren<Command*>()) {
    runStep([&] { button->Initialize(); });
  }
}

// Picture-source marks: a kind without a member of its own leaves both
// marks as they were.
void Tumbleview_P::showPictureSource(int kind) {
  Img_Sel[kind].setPicture(Img_Opt_On->picture());
  Img_Sel[kind ^ 1].setPicture(Img_Opt_Off->picture());
}

// Music marks and controls: everything off first, so that a kind without a
// member leaves all three marks unselected and both controls disabled.
void Tumbleview_P::showMusicKind(int kind) {
  Img_BGM.forEach([&](int, ImageControl& mark) { mark.setPicture(Img_Opt_Off->picture()); });
  Cmd_BGM->setEnabledProperty(false);
  BGM_Repeat->setEnabled(false);
  Img_BGM[kind].setPicture(Img_Opt_On->picture());
  if (kind == kMusicCdKind) BGM_Repeat->setEnabled(true);
  if (kind == kMusicFileKind) Cmd_BGM->setEnabledProperty(true);
}

// ---- Drawing ----------------------------------------------------------------

void Tumbleview_P::onResize() {
  runStep([&] {
    QImage& surface = this->surface();
    const int clientWidth = width();
    const int clientHeight = height();
    // One line per row, 0 to the height inclusive; the last lies outside.
    for (int y = 0; y <= clientHeight && y < surface.height(); ++y) {
      const int v = gradientLevel(y, clientHeight);
      auto* row = reinterpret_cast<QRgb*>(surface.scanLine(y));
      std::fill(row, row + std::min(clientWidth, surface.width()), qRgb(v, v, v + 30));
    }
    refresh();
  });
}

void Tumbleview_P::TileBackground(PictureBox& panel) {
  const QImage& tile = Pic_Mbl->picture();
  const QSize tileSize = Pic_Mbl->clientSize();
  const QRect whole(QPoint(0, 0), tileSize);
  for (const TileOrigin origin :
       tileOrigins(panel.width(), panel.height(), tileSize.width(), tileSize.height())) {
    runStep([&] { panel.paintPicture(tile, QRect(QPoint(origin.x, origin.y), tileSize), whole); });
  }
}

void Tumbleview_P::ShowPicturePreview() {
  PreviewExtent extent;
  int width = 0;
  int height = 0;
  const auto whole = [](double pixels) {
    const std::optional<int> rounded = wholePixels(pixels);
    if (!rounded) throw ToolkitError("preview size beyond 16 bits");
    return *rounded;
  };
  runSteps({
      [&] {
        m_measured = loadPictureFile(lbl_Pname->caption().toStdString());
        Pic_Dummy->resize(m_measured.size());
      },
      [&] { extent = previewExtent(Pic_Dummy->width(), Pic_Dummy->height()); },
      [&] {
        width = whole(extent.width);
        height = whole(extent.height);
        Display->resize(width, height);
      },
      // Colour on colour: rows and columns are repeated or dropped, never
      // blended.
      [&] {
        Display->paintPicture(m_measured, QRect(0, 0, width, height),
                              QRect(QPoint(0, 0), Pic_Dummy->size()));
      },
      [&] { DrawBoxEdge(*Display, kEdgeRaised); },
      [&] { Display->refresh(); },
  });
}

void Tumbleview_P::onUnload() { AnimateClose(this); }

}  // namespace tumbleview
