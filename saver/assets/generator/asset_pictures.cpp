#include "asset_pictures.h"

#include <QDir>
#include <QImageWriter>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

namespace tumbleview::assets {
namespace {

// 96 dots per inch, written into every bitmap header.
constexpr int kDotsPerMeter = 3780;

constexpr QRgb hex(std::uint32_t rgb) {
  return qRgb(int(rgb >> 16) & 0xFF, int(rgb >> 8) & 0xFF, int(rgb) & 0xFF);
}

// a where weight is 0, b where weight equals total; rounded to nearest.
QRgb mix(QRgb a, QRgb b, int weight, int total) {
  auto channel = [&](int ca, int cb) {
    return (ca * (total - weight) + cb * weight + total / 2) / total;
  };
  return qRgb(channel(qRed(a), qRed(b)), channel(qGreen(a), qGreen(b)),
              channel(qBlue(a), qBlue(b)));
}

int clampByte(int v) { return std::clamp(v, 0, 255); }

QImage blankImage(int width, int height, QImage::Format format) {
  QImage image(width, height, format);
  image.setDotsPerMeterX(kDotsPerMeter);
  image.setDotsPerMeterY(kDotsPerMeter);
  image.fill(0);
  return image;
}

// How much of pixel (x, y) a shape covers, in sixteenths: 4 x 4 samples at
// fixed positions, so edges are smooth and still bit-for-bit repeatable.
template <typename Inside>
int coverage16(int x, int y, Inside inside) {
  int hits = 0;
  for (int j = 0; j < 4; ++j) {
    for (int i = 0; i < 4; ++i) {
      if (inside(x + (i + 0.5) / 4.0, y + (j + 0.5) / 4.0)) ++hits;
    }
  }
  return hits;
}

// Fixed-seed generator with a fully specified sequence (the standard
// distributions are not specified bit for bit, so they are not used).
class Lcg {
 public:
  explicit Lcg(std::uint64_t seed) : m_state(seed) {}
  int range(int low, int high) {
    m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
    const auto bits = static_cast<std::uint32_t>(m_state >> 33);
    return low + static_cast<int>(bits % static_cast<std::uint32_t>(high - low + 1));
  }

 private:
  std::uint64_t m_state;
};

// The panel grey the small pictures sit on, close to the tile's average, so
// that their square corners blend into the tiled panels.
constexpr QRgb kPanelGrey = hex(0xCBCBCE);

struct Point {
  double x;
  double y;
};

// Convex polygon given counter-clockwise or clockwise.
bool insideConvex(const std::vector<Point>& polygon, double x, double y) {
  int sign = 0;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const Point& a = polygon[i];
    const Point& b = polygon[(i + 1) % polygon.size()];
    const double cross = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
    const int s = cross > 0 ? 1 : (cross < 0 ? -1 : 0);
    if (s == 0) continue;
    if (sign == 0) sign = s;
    if (s != sign) return false;
  }
  return true;
}

// ---- Skins -----------------------------------------------------------------

constexpr int kSkinWidth = 64;
constexpr int kSkinHeight = 25;

enum class Side { Top, Bottom, Left, Right };

// Which edge a ring pixel belongs to; bottom and right own the corners they
// share with top and left, as a raised bevel is painted.
Side sideOf(int x, int y, int layer) {
  if (y == kSkinHeight - 1 - layer) return Side::Bottom;
  if (x == kSkinWidth - 1 - layer) return Side::Right;
  if (y == layer) return Side::Top;
  return Side::Left;
}

int layerOf(int x, int y) {
  return std::min({x, y, kSkinWidth - 1 - x, kSkinHeight - 1 - y});
}

// Light beige halo, lighter at the top than at the bottom.
QRgb halo(int y) { return mix(hex(0xFAFAF6), hex(0xE2DECB), y, kSkinHeight - 1); }

// Rounds the corners of a one-pixel frame drawn on ring `layer`: the corner
// pixel becomes a blend of the frame and what lies outside it, and the
// pixel diagonally inside takes a little of the frame colour.
void roundFrameCorners(QImage& image, int layer, QRgb frame) {
  const int right = kSkinWidth - 1 - layer;
  const int bottom = kSkinHeight - 1 - layer;
  const std::array<std::array<int, 4>, 4> corners = {{
      {layer, layer, -1, -1},
      {right, layer, 1, -1},
      {layer, bottom, -1, 1},
      {right, bottom, 1, 1},
  }};
  for (const auto& c : corners) {
    const int x = c[0];
    const int y = c[1];
    const QRgb outside = image.pixel(x + c[2], y + c[3]);
    image.setPixel(x, y, mix(outside, frame, 2, 5));
    const QRgb inside = image.pixel(x - c[2], y - c[3]);
    image.setPixel(x - c[2], y - c[3], mix(inside, frame, 1, 3));
  }
}

QRgb bevelRing(Side side, int layer) {
  const bool outer = layer == 2;
  switch (side) {
    case Side::Top:
    case Side::Left:
      return outer ? hex(0xFEFEFE) : hex(0xF3F3EE);
    case Side::Bottom:
    case Side::Right:
      return outer ? hex(0xD6D0C5) : hex(0xE2DFD6);
  }
  return 0;
}

QRgb amberRing(Side side, int layer) {
  const bool outer = layer == 2;
  switch (side) {
    case Side::Top:
      return outer ? hex(0xFFF0CF) : hex(0xFDD889);
    case Side::Left:
    case Side::Right:
      return hex(0xFCCA69);
    case Side::Bottom:
      return outer ? hex(0xE59700) : hex(0xF8B330);
  }
  return 0;
}

QRgb blueRing(Side side, int layer) {
  const bool outer = layer == 2;
  switch (side) {
    case Side::Top:
      return outer ? hex(0xCEE7FF) : hex(0xBCD9FB);
    case Side::Left:
    case Side::Right:
      return hex(0xA9C5EF);
    case Side::Bottom:
      return outer ? hex(0x6982EE) : hex(0x8AA2F0);
  }
  return 0;
}

QRgb skinPixel(SkinLook look, int x, int y) {
  const int layer = layerOf(x, y);
  constexpr QRgb kFrameBlue = hex(0x003C74);
  constexpr QRgb kFlatBeige = hex(0xECE9D8);
  switch (look) {
    case SkinLook::Normal:
    case SkinLook::HighLight:
    case SkinLook::Selected: {
      if (layer == 0) return halo(y);
      if (layer == 1) return kFrameBlue;
      if (layer <= 3) {
        const Side side = sideOf(x, y, layer);
        if (look == SkinLook::HighLight) return amberRing(side, layer);
        if (look == SkinLook::Selected) return blueRing(side, layer);
        return bevelRing(side, layer);
      }
      // Centre: never shown; a plain face keeps the picture readable.
      return mix(hex(0xFFFFFF), hex(0xECEBE6), y - 4, kSkinHeight - 9);
    }
    case SkinLook::Pressed:
      if (layer == 0) return kFlatBeige;
      if (layer == 1) return halo(y);
      if (layer == 2) return kFrameBlue;
      if (layer == 3) return mix(hex(0xD1CCC1), hex(0xF2F1EE), y - 3, kSkinHeight - 7);
      return hex(0xE6E4DA);
    case SkinLook::Disable:
      if (layer == 0) return kFlatBeige;
      if (layer == 1) return hex(0xC9C7BA);
      return hex(0xF5F4EA);
  }
  return 0;
}

// ---- Hand cursor -------------------------------------------------------------

// X black outline, o white, . transparent.  The index fingertip's top-left
// pixel is the hot spot (12, 10).
constexpr std::array<const char*, 32> kHandRows = {{
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "............XX..................",
    "...........XooX.................",
    "...........XooX.................",
    "...........XooX.................",
    "...........XooX.................",
    "...........XooXXX...............",
    "...........XooXooXXX............",
    "...........XooXooXooX...........",
    "...........XooXooXooXXX.........",
    "......XX...XooXooXooXooX........",
    ".....XooX..XooXooXooXooX........",
    ".....XoooX.XoooooooooooX........",
    "......XoooXXoooooooooooX........",
    ".......XoooooooooooooooX........",
    "........XooooooooooooooX........",
    "........XoooooooooooooX.........",
    ".........XooooooooooooX.........",
    "..........XooooooooooX..........",
    "..........XooooooooooX..........",
    "..........XXXXXXXXXXXX..........",
    "................................",
    "................................",
}};

}  // namespace

QImage drawTile() {
  constexpr int kWidth = 563;
  constexpr int kHeight = 21;
  constexpr int kBlurRadius = 5;
  QImage image = blankImage(kWidth, kHeight, QImage::Format_RGB32);
  Lcg random(0x54756D626C65ULL);
  std::vector<int> noise(kWidth);
  std::vector<int> blurred(kWidth);
  for (int y = 0; y < kHeight; ++y) {
    const int rowShift = random.range(-5, 5);
    for (int& n : noise) n = random.range(-40, 40);
    // Blurring along the row only, wrapping at the ends, turns the noise
    // into horizontal streaks that also join up where tiles meet.
    for (int pass = 0; pass < 2; ++pass) {
      for (int x = 0; x < kWidth; ++x) {
        int sum = 0;
        for (int k = -kBlurRadius; k <= kBlurRadius; ++k) {
          sum += noise[(x + k + kWidth) % kWidth];
        }
        blurred[x] = sum / (2 * kBlurRadius + 1);
      }
      noise = blurred;
    }
    for (int x = 0; x < kWidth; ++x) {
      const int v = 203 + rowShift + 2 * noise[x] + random.range(-3, 3);
      image.setPixel(x, y, qRgb(clampByte(v), clampByte(v), clampByte(v + 3)));
    }
  }
  return image;
}

QImage drawTitlePlate() {
  constexpr int kWidth = 95;
  constexpr int kHeight = 22;
  constexpr double kRadius = 10.5;
  constexpr double kOutline = 1.0;
  const double centreY = kHeight / 2.0;
  const double leftX = 0.5 + kRadius;
  const double rightX = kWidth - 0.5 - kRadius;
  auto distance = [&](double x, double y) {
    const double dx = x - std::clamp(x, leftX, rightX);
    const double dy = y - centreY;
    return dx * dx + dy * dy;
  };
  QImage image = blankImage(kWidth, kHeight, QImage::Format_RGB32);
  for (int y = 0; y < kHeight; ++y) {
    // Lit from above: a light band near the top, darker towards the bottom.
    const QRgb fill = y < kHeight / 2 ? mix(hex(0xC4C4C8), hex(0x9C9CA2), y, kHeight / 2)
                                      : mix(hex(0x92929A), hex(0x76767E), y - kHeight / 2,
                                            kHeight / 2);
    for (int x = 0; x < kWidth; ++x) {
      const int outer = coverage16(x, y, [&](double px, double py) {
        return distance(px, py) <= kRadius * kRadius;
      });
      const int inner = coverage16(x, y, [&](double px, double py) {
        const double r = kRadius - kOutline;
        return distance(px, py) <= r * r;
      });
      QRgb c = mix(kPanelGrey, hex(0x5A5A60), outer, 16);
      c = mix(c, fill, inner, 16);
      image.setPixel(x, y, c);
    }
  }
  return image;
}

QImage drawOptionOn() {
  QImage image = blankImage(12, 12, QImage::Format_RGB32);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      const bool border = x == 0 || y == 0 || x == 11 || y == 11;
      QRgb c = border ? hex(0x1F3F8F) : mix(hex(0x4A90E8), hex(0x1E5CC8), y - 1, 9);
      if (!border && y == 1) c = hex(0x8CC0F8);
      image.setPixel(x, y, c);
    }
  }
  return image;
}

QImage drawOptionOff() {
  QImage image = blankImage(12, 12, QImage::Format_RGB32);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      const bool border = x == 0 || y == 0 || x == 11 || y == 11;
      image.setPixel(x, y, border ? hex(0x808084) : kPanelGrey);
    }
  }
  return image;
}

QImage drawIcon() {
  constexpr int kSize = 32;
  // An upright cube seen from above: top, left and right faces.
  const std::vector<Point> top = {{16, 2}, {29, 8.5}, {16, 15}, {3, 8.5}};
  const std::vector<Point> left = {{3, 8.5}, {16, 15}, {16, 30}, {3, 23.5}};
  const std::vector<Point> right = {{16, 15}, {29, 8.5}, {29, 23.5}, {16, 30}};
  QImage image = blankImage(kSize, kSize, QImage::Format_ARGB32);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      int covered = 0;
      int red = 0;
      int green = 0;
      int blue = 0;
      for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) {
          const double px = x + (i + 0.5) / 4.0;
          const double py = y + (j + 0.5) / 4.0;
          QRgb c;
          if (insideConvex(top, px, py)) {
            c = hex(0xA8D0F4);
          } else if (insideConvex(left, px, py)) {
            c = mix(hex(0x4A86D6), hex(0x2F64B0), int(py), kSize);
          } else if (insideConvex(right, px, py)) {
            c = mix(hex(0x2A5AA6), hex(0x173E7E), int(py), kSize);
          } else {
            continue;
          }
          // A bright lit spot on each face stands for the picture sphere.
          const double sx = px - (insideConvex(top, px, py) ? 16.0 : (px < 16 ? 9.5 : 22.5));
          const double sy = py - (insideConvex(top, px, py) ? 8.5 : 19.5);
          if (sx * sx + sy * sy < 9.0) c = mix(c, hex(0xFFFFFF), 3, 5);
          ++covered;
          red += qRed(c);
          green += qGreen(c);
          blue += qBlue(c);
        }
      }
      if (covered == 0) continue;
      image.setPixel(x, y, qRgba(red / covered, green / covered, blue / covered,
                                 (covered * 255 + 8) / 16));
    }
  }
  return image;
}

QImage drawHandCursor() {
  QImage image = blankImage(32, 32, QImage::Format_ARGB32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const char c = kHandRows[static_cast<std::size_t>(y)][x];
      if (c == 'X') image.setPixel(x, y, qRgba(0, 0, 0, 255));
      if (c == 'o') image.setPixel(x, y, qRgba(255, 255, 255, 255));
    }
  }
  image.setText(QStringLiteral("HotSpotX"), QStringLiteral("12"));
  image.setText(QStringLiteral("HotSpotY"), QStringLiteral("10"));
  return image;
}

QImage drawSkin(SkinLook look) {
  QImage image = blankImage(kSkinWidth, kSkinHeight, QImage::Format_RGB32);
  for (int y = 0; y < kSkinHeight; ++y) {
    for (int x = 0; x < kSkinWidth; ++x) image.setPixel(x, y, skinPixel(look, x, y));
  }
  switch (look) {
    case SkinLook::Normal:
    case SkinLook::HighLight:
    case SkinLook::Selected:
      roundFrameCorners(image, 1, hex(0x003C74));
      break;
    case SkinLook::Pressed:
      roundFrameCorners(image, 2, hex(0x003C74));
      break;
    case SkinLook::Disable:
      roundFrameCorners(image, 1, hex(0xC9C7BA));
      break;
  }
  return image;
}

QImage drawSample() {
  constexpr int kWidth = 512;
  constexpr int kHeight = 384;
  QImage image = blankImage(kWidth, kHeight, QImage::Format_RGB32);
  constexpr std::array<QRgb, 8> kBars = {hex(0xFFFFFF), hex(0xFFFF00), hex(0x00FFFF),
                                         hex(0x00FF00), hex(0xFF00FF), hex(0xFF0000),
                                         hex(0x0000FF), hex(0x000000)};
  // Hue around the colour wheel in six integer ramps.
  auto hue = [](int h) {  // h in 0..1535
    const int part = h / 256;
    const int f = h % 256;
    switch (part) {
      case 0: return qRgb(255, f, 0);
      case 1: return qRgb(255 - f, 255, 0);
      case 2: return qRgb(0, 255, f);
      case 3: return qRgb(0, 255 - f, 255);
      case 4: return qRgb(f, 0, 255);
      default: return qRgb(255, 0, 255 - f);
    }
  };
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      QRgb c;
      if (y < 96) {
        c = kBars[static_cast<std::size_t>(x / 64)];
      } else if (y < 288) {
        // Hue across, fading to black downwards; a checkered disc in the
        // middle and a yellow triangle in the top-left corner show
        // orientation and scaling at a glance.
        c = mix(hue(x * 1536 / kWidth), hex(0x000000), y - 96, 256);
        const int dx = x - kWidth / 2;
        const int dy = y - 192;
        const int r2 = dx * dx + dy * dy;
        if (r2 <= 80 * 80) c = ((x / 16 + y / 16) % 2) ? hex(0xF0F0F0) : hex(0x202020);
        if (r2 > 80 * 80 && r2 <= 84 * 84) c = hex(0xFFFFFF);
        if (x - 8 < 40 - (y - 104) && x >= 8 && y >= 104) c = hex(0xFFE000);
      } else if (y < 336) {
        const int v = x * 256 / kWidth;
        c = qRgb(v, v, v);
      } else {
        const int v = (x % (kWidth / 3 + 1)) * 255 / (kWidth / 3);
        const int third = x * 3 / kWidth;
        c = third == 0 ? qRgb(v, 0, 0) : (third == 1 ? qRgb(0, v, 0) : qRgb(0, 0, v));
      }
      image.setPixel(x, y, c);
    }
  }
  return image;
}

std::vector<AssetPicture> drawStillAssets() {
  const QImage highLight = drawSkin(SkinLook::HighLight);
  return {
      {QStringLiteral("tile.bmp"), drawTile()},
      {QStringLiteral("title_plate.bmp"), drawTitlePlate()},
      {QStringLiteral("opt_on.bmp"), drawOptionOn()},
      {QStringLiteral("opt_off.bmp"), drawOptionOff()},
      {QStringLiteral("icon.png"), drawIcon()},
      {QStringLiteral("hand_cursor.png"), drawHandCursor()},
      {QStringLiteral("skin_normal.bmp"), drawSkin(SkinLook::Normal)},
      {QStringLiteral("skin_highlight.bmp"), highLight},
      // HighLightSelect shows the same picture as HighLight.
      {QStringLiteral("skin_highlightselect.bmp"), highLight},
      {QStringLiteral("skin_selected.bmp"), drawSkin(SkinLook::Selected)},
      {QStringLiteral("skin_pressed.bmp"), drawSkin(SkinLook::Pressed)},
      {QStringLiteral("skin_disable.bmp"), drawSkin(SkinLook::Disable)},
      {QStringLiteral("sample.bmp"), drawSample()},
  };
}

bool writeAssetPicture(const QString& folder, const AssetPicture& picture) {
  QSaveFile file(QDir(folder).filePath(picture.fileName));
  if (!file.open(QIODevice::WriteOnly)) return false;
  const QString suffix = picture.fileName.section(QLatin1Char('.'), -1).toLower();
  QImageWriter writer(&file, suffix.toLatin1());
  if (suffix == QLatin1String("jpg")) writer.setQuality(90);
  QImage image = picture.image;
  // The bitmap writer drops alpha; converting first keeps the pixels that
  // are written independent of how the picture was drawn.
  if (suffix == QLatin1String("bmp")) image = image.convertToFormat(QImage::Format_RGB32);
  if (!writer.write(image)) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace tumbleview::assets
