// Pictures: the stretch mapping, bitmap files from every image format, and
// loading real BMP and JPEG files.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <string>
#include <vector>

#include "qt_pictures.h"
#include "step_runner.h"
#include "temp_folder.h"
#include "toolkit_error.h"

namespace tumbleview {
namespace {

using test::readBytes;
using test::writeBytes;

// Every pixel a different colour, so any mix-up of rows, columns or
// channels shows.
QImage patterned(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 40 + 1, y * 50 + 2, x * 7 + y * 3 + 5));
  }
  return image;
}

TEST(StretchIndexMap, FollowsTheColourOnColourStretch) {
  const struct { int source, target; std::vector<int> expected; } cases[] = {
      {2, 5, {0, 0, 0, 1, 1}}, {3, 4, {0, 1, 1, 2}},    {5, 7, {0, 1, 1, 2, 3, 3, 4}},
      {4, 3, {0, 1, 3}},       {10, 4, {0, 3, 5, 8}},   {5, 2, {0, 3}},
      {2, 4, {0, 0, 1, 1}},    {4, 2, {0, 2}},          {3, 3, {0, 1, 2}},  {0, 3, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(stretchIndexMap(c.source, c.target), c.expected) << c.source << " -> " << c.target;
  }
}

TEST(StretchCopy, CopiesBlocksAndClipsToTheTarget) {
  const QImage source = patterned(4, 4);
  QImage enlarged(8, 8, QImage::Format_RGB32), shrunk(2, 2, QImage::Format_RGB32), small(3, 3, QImage::Format_RGB32);
  stretchCopy(enlarged, QRect(0, 0, 8, 8), source, QRect(0, 0, 2, 2));
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) ASSERT_EQ(enlarged.pixel(x, y), source.pixel(x / 4, y / 4)) << x << "," << y;
  }
  stretchCopy(shrunk, QRect(0, 0, 2, 2), source, QRect(0, 0, 4, 4));
  EXPECT_EQ(shrunk.pixel(1, 1), source.pixel(2, 2));
  // A target rectangle hanging off the image: only the inside is drawn.
  small.fill(Qt::black);
  stretchCopy(small, QRect(2, 2, 4, 4), source, QRect(0, 0, 4, 4));
  EXPECT_EQ(std::tuple(small.pixel(2, 2), small.pixel(1, 1)), std::tuple(source.pixel(0, 0), qRgb(0, 0, 0)));
}

// The writer itself is proved with the hand-off module; here, that every
// format a picture can come in arrives as its own pixels, and that a
// failure is a ToolkitError that leaves the old file.
TEST(SaveBitmapFile, WritesEveryImageFormatAsItsPixelsAndThrowsOnFailure) {
  test::TempFolder folder;
  const std::string path = folder / "out.bmp";
  const QImage original = patterned(3, 2);
  for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32,
                                      QImage::Format_RGB888, QImage::Format_RGB16}) {
    const QImage image = original.convertToFormat(format);
    saveBitmapFile(image, path);
    EXPECT_EQ(readBytes(path).size(), 54u + 12u * 2u);
    EXPECT_EQ(loadPictureFile(path), image.convertToFormat(QImage::Format_RGB32)) << format;
  }
  const std::string before = readBytes(path);
  EXPECT_THROW(saveBitmapFile(QImage(), path), ToolkitError);
  EXPECT_THROW(saveBitmapFile(original, folder / "missing/x.bmp"), ToolkitError);
  EXPECT_EQ(readBytes(path), before);
  EXPECT_EQ(test::entryCount(folder.path()), 1u);
}

TEST(LoadPictureFile, LoadsBmpAndJpegByContentAndRefusesTheRest) {
  test::TempFolder folder;
  const QImage image = patterned(5, 3);
  const std::string bmp = folder / "picture.bmp", jpeg = folder / "picture.bmp.txt", png = folder / "picture.png";
  saveBitmapFile(image, bmp);
  EXPECT_EQ(loadPictureFile(bmp), image);
  // A JPEG under a misleading name is still a JPEG.
  ASSERT_TRUE(patterned(16, 8).save(QString::fromStdString(jpeg), "JPEG"));
  EXPECT_EQ(loadPictureFile(jpeg).size(), QSize(16, 8));

  ASSERT_TRUE(image.save(QString::fromStdString(png), "PNG"));
  const std::string truncated = folder / "truncated.bmp", huge = folder / "huge.bmp", fifo = folder / "fifo.jpg";
  writeBytes(truncated, readBytes(bmp).substr(0, 30));
  // A 30000 x 30000 header in a 70-byte file: refused, nothing allocated.
  std::string hugeBytes = readBytes(bmp).substr(0, 70);
  for (std::size_t at : {18u, 22u}) hugeBytes.replace(at, 2, "\x30\x75");  // 30000
  writeBytes(huge, hugeBytes);
  // A FIFO would block a plain reader for ever.
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& refused : {png, truncated, huge, fifo, folder.path().string(), folder / "missing.jpg"}) {
    EXPECT_THROW(loadPictureFile(refused), ToolkitError) << refused;
  }
}

TEST(LoadPictureFile, GivesBlackNotLeftoverMemoryForMissingRows) {
  test::TempFolder folder;
  QImage white(8, 8, QImage::Format_RGB32);
  white.fill(Qt::white);
  const std::string whole = folder / "whole.bmp", cut = folder / "cut.bmp";
  saveBitmapFile(white, whole);
  // Half the rows cut off; rows are stored bottom first, so the top half
  // is missing.
  writeBytes(cut, readBytes(whole).substr(0, 54 + 4 * 8 * 3));
  QImage loaded;
  try {
    loaded = loadPictureFile(cut);
  } catch (const ToolkitError&) {
    GTEST_SKIP() << "this Qt refuses the cut file outright, which is fine too";
  }
  ASSERT_EQ(loaded.size(), QSize(8, 8));
  EXPECT_EQ(std::tuple(loaded.pixel(3, 7), loaded.pixel(3, 0)), std::tuple(qRgb(255, 255, 255), qRgb(0, 0, 0)));
}

TEST(LoadPictureFile, LoadsALargeCameraPhotoAtItsOwnSize) {
  test::TempFolder folder;
  const std::string path = folder / "photo.jpg";
  QImage photo(8000, 6000, QImage::Format_RGB32);
  photo.fill(QColor(200, 120, 40));
  ASSERT_TRUE(photo.save(QString::fromStdString(path), "JPEG", 50));
  const QImage loaded = loadPictureFile(path);
  EXPECT_EQ(loaded.size(), QSize(8000, 6000));
  EXPECT_NEAR(qRed(loaded.pixel(4000, 3000)), 200, 4);
}

TEST(RunSteps, SkipsAFailingStepAndRunsTheRest) {
  std::vector<int> ran;
  const int failed = runSteps({
      [&] { ran.push_back(1); },
      [&] { ran.push_back(2); throw ToolkitError("step two fails"); },
      [&] { ran.push_back(3); },
      [&] { throw std::out_of_range("so does step four"); },
      [&] { ran.push_back(5); },
  });
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 5}));
  EXPECT_EQ(failed, 2);
  EXPECT_TRUE(runStep([] {}));
  EXPECT_FALSE(runStep([] { throw ToolkitError("no"); }));
}

}  // namespace
}  // namespace tumbleview
