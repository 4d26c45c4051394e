// The saver writes the hand-off bitmap with Qt, so whatever Qt's writer
// produces must decode to exactly the pixels it was given.
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>

#include "bmp_decoder.h"
#include "image_loading.h"

namespace tumbleview {
namespace {

struct QtFormat {
  QImage::Format format;
  int colours;      // colour-table size for the indexed formats
  int expectedBpp;  // what Qt's writer stores: short tables go to 4 bits
};

constexpr QtFormat kFormats[] = {
    {QImage::Format_RGB32, 0, 24},     {QImage::Format_ARGB32, 0, 24},    {QImage::Format_Indexed8, 3, 4},
    {QImage::Format_Indexed8, 16, 4},  {QImage::Format_Indexed8, 200, 8}, {QImage::Format_Grayscale8, 0, 8},
    {QImage::Format_Mono, 2, 1},
};

QRgb colourAt(int i) {
  return qRgb((i * 67 + 13) & 0xFF, (i * 151 + 7) & 0xFF, (i * 29 + 200) & 0xFF);
}

QImage makeImage(const QtFormat& format, int width, int height) {
  QImage image(width, height, format.format);
  if (format.colours > 0) {
    QList<QRgb> table;
    for (int i = 0; i < format.colours; ++i) table.push_back(colourAt(i));
    image.setColorTable(table);
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int i = x * 5 + y * 3 + x * y;
      const bool grey = format.format == QImage::Format_Grayscale8;
      image.setPixel(x, y, format.colours > 0 ? static_cast<uint>(i % format.colours)
                           : grey             ? qRgb(i * 37 & 0xFF, i * 37 & 0xFF, i * 37 & 0xFF)
                                              : colourAt(i));
    }
  }
  return image;
}

// RgbImage bytes of `image`: bottom row first.
PixelBytes expectedRgb(const QImage& image) {
  PixelBytes out;
  for (int y = image.height() - 1; y >= 0; --y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      out.insert(out.end(), {static_cast<std::uint8_t>(qRed(pixel)), static_cast<std::uint8_t>(qGreen(pixel)),
                             static_cast<std::uint8_t>(qBlue(pixel))});
    }
  }
  return out;
}

std::span<const std::uint8_t> span(const QByteArray& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())};
}

TEST(BmpQtRoundTrip, QtWrittenBitmapsDecodeToTheSourcePixels) {
  for (const QtFormat& format : kFormats) {
    for (int width : {1, 2, 3, 4, 5, 7, 8, 9}) {
      for (int height : {1, 2, 3}) {
        SCOPED_TRACE(std::to_string(format.format) + "/" + std::to_string(format.colours) + " " + std::to_string(width) + "x" +
                     std::to_string(height));
        const QImage image = makeImage(format, width, height);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
        ASSERT_TRUE(image.save(&buffer, "BMP"));
        ASSERT_GE(bytes.size(), 30);
        EXPECT_EQ(static_cast<unsigned char>(bytes[28]), format.expectedBpp);

        const DibDecodeResult result = decodeDib(span(bytes));
        ASSERT_EQ(result.status, DibStatus::kOk);
        EXPECT_EQ(result.image.width, width);
        EXPECT_EQ(result.image.height, height);
        EXPECT_EQ(result.image.pixels, expectedRgb(image));
      }
    }
  }
}

TEST(BmpQtRoundTrip, QtSavedFileLoadsThroughLoadImageFile) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString path = folder.filePath("Tumbleview.bmp");
  const QImage image = makeImage(kFormats[0], 33, 17);
  ASSERT_TRUE(image.save(path));
  const auto loaded = LoadImageFile(path.toLocal8Bit().constData());
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->width, 33);
  EXPECT_EQ(loaded->height, 17);
  EXPECT_EQ(loaded->pixels, expectedRgb(image));
}

}  // namespace
}  // namespace tumbleview
