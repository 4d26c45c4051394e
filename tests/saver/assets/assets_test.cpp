// The committed pictures are exactly what the generator draws, and the
// resource library carries them with the sizes and formats the saver uses.
#include <gtest/gtest.h>

#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <memory>

#include "asset_pictures.h"
#include "assets.h"

namespace {

// One application for the whole program, made before the first test.
class QtEnvironment : public ::testing::Environment {
  void SetUp() override { m_app = std::make_unique<QGuiApplication>(m_argc, m_argv); }
  void TearDown() override { m_app.reset(); }
  int m_argc = 1;
  char m_name[12] = "assets_test", *m_argv[2] = {m_name, nullptr};
  std::unique_ptr<QGuiApplication> m_app;
};
[[maybe_unused]] auto* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(Assets, GeneratorRewritesTheCommittedFilesExactly) {
  QTemporaryDir out;
  ASSERT_TRUE(out.isValid());
  QProcess generator;
  generator.start(QStringLiteral(TUMBLEVIEW_ASSETGEN), {out.path()});
  ASSERT_TRUE(generator.waitForFinished(60000));
  ASSERT_EQ(generator.exitStatus(), QProcess::NormalExit);
  ASSERT_EQ(generator.exitCode(), 0) << generator.readAllStandardError().toStdString();

  for (const auto& picture : tumbleview::assets::drawStillAssets()) {
    SCOPED_TRACE(picture.fileName.toStdString());
    const QString committed = QStringLiteral(TUMBLEVIEW_ASSETS_DIR "/") + picture.fileName;
    const QString fresh = out.filePath(picture.fileName);
    if (picture.fileName.endsWith(QLatin1String(".png"))) {
      // PNG bytes depend on the zlib build; the pixels must not.
      const QImage a = QImage(committed).convertToFormat(QImage::Format_ARGB32);
      const QImage b = QImage(fresh).convertToFormat(QImage::Format_ARGB32);
      ASSERT_FALSE(a.isNull());
      EXPECT_EQ(a, b);
    } else {
      const QByteArray a = readAll(committed);
      ASSERT_FALSE(a.isEmpty());
      EXPECT_TRUE(a == readAll(fresh)) << "run the regenerate_assets target and commit";
    }
  }

  // The preview still comes from the GL rasterizer, whose last bits differ
  // between Mesa drivers and CPUs (llvmpipe against softpipe: mean 0.3,
  // largest 10 per channel here), so it is compared within a tolerance.
  const QImage committed = QImage(QStringLiteral(TUMBLEVIEW_ASSETS_DIR "/preview.jpg"))
                               .convertToFormat(QImage::Format_RGB32);
  const QImage fresh =
      QImage(out.filePath(QStringLiteral("preview.jpg"))).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(committed.size(), QSize(152, 112));
  ASSERT_EQ(fresh.size(), committed.size());
  double total = 0;
  int largest = 0;
  for (int i = 0; i < 152 * 112 * 4; ++i) {
    if (i % 4 == 3) continue;  // the unused byte of each pixel
    const int d = std::abs(committed.constBits()[i] - fresh.constBits()[i]);
    total += d;
    largest = std::max(largest, d);
  }
  EXPECT_LT(total / (3.0 * 152 * 112), 2.0);
  EXPECT_LT(largest, 64);
}

// The still shows a lit object in the middle of a black background.
TEST(Assets, PreviewStillShowsTheCubeOnBlack) {
  const QImage still = QImage(QString::fromLatin1(tumbleview::assets::kPreview)).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(still.size(), QSize(152, 112));
  EXPECT_EQ(readAll(QString::fromLatin1(tumbleview::assets::kPreview)).left(3), QByteArray("\xFF\xD8\xFF"));
  const auto brightness = [&](int x, int y) { const QRgb p = still.pixel(x, y); return qRed(p) + qGreen(p) + qBlue(p); };
  EXPECT_LT(brightness(2, 2), 30);
  EXPECT_LT(brightness(149, 109), 30);
  int lit = 0;
  for (int y = 36; y < 76; ++y) {
    for (int x = 56; x < 96; ++x) lit += brightness(x, y) > 90 ? 1 : 0;
  }
  EXPECT_GT(lit, 40 * 40 / 2);
}

TEST(Assets, ResourcesHaveTheirSizesAndFormats) {
  using namespace tumbleview::assets;
  // bitmap24: a 24-bit BMP with a 40-byte header.
  const struct { const char* resource; int width, height; bool bitmap24; } table[] = {
      {kTile, 563, 21, true},          {kTitlePlate, 95, 22, true},        {kOptionOn, 12, 12, true},
      {kOptionOff, 12, 12, true},      {kIcon, 32, 32, false},             {kHandCursor, 32, 32, false},
      {kSkinNormal, 64, 25, true},     {kSkinHighLight, 64, 25, true},     {kSkinHighLightSelect, 64, 25, true},
      {kSkinSelected, 64, 25, true},   {kSkinPressed, 64, 25, true},       {kSkinDisable, 64, 25, true}};
  for (const auto& row : table) {
    SCOPED_TRACE(row.resource);
    const QImage image(QString::fromLatin1(row.resource));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(row.width, row.height));
    if (row.bitmap24) {
      const QByteArray bytes = readAll(QString::fromLatin1(row.resource));
      // "BM", then a 40-byte header (at 14) and 24 bits per pixel (at 28).
      EXPECT_EQ(bytes.left(2), QByteArray("BM"));
      EXPECT_EQ(bytes.mid(14, 4), QByteArray("\x28\0\0\0", 4));
      EXPECT_EQ(bytes.mid(28, 2), QByteArray("\x18\0", 2));
    }
  }
}

TEST(Assets, HighLightSkinsAreIdenticalAndTheOthersDiffer) {
  using namespace tumbleview::assets;
  const QImage highLight(QString::fromLatin1(kSkinHighLight));
  EXPECT_EQ(highLight, QImage(QString::fromLatin1(kSkinHighLightSelect)));
  const char* const distinct[] = {kSkinHighLight, kSkinNormal, kSkinSelected, kSkinPressed, kSkinDisable};
  for (std::size_t i = 0; i < std::size(distinct); ++i) {
    for (std::size_t j = i + 1; j < std::size(distinct); ++j) {
      EXPECT_NE(QImage(QString::fromLatin1(distinct[i])), QImage(QString::fromLatin1(distinct[j]))) << i << " " << j;
    }
  }
}

TEST(Assets, HandCursorIsTwoColourWithItsHotSpotOnTheFingertip) {
  using namespace tumbleview::assets;
  const QImage hand = QImage(QString::fromLatin1(kHandCursor)).convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < hand.height(); ++y) {
    for (int x = 0; x < hand.width(); ++x) {
      const QRgb p = hand.pixel(x, y);
      ASSERT_TRUE(qAlpha(p) == 0 || p == qRgba(0, 0, 0, 255) || p == qRgba(255, 255, 255, 255)) << x << "," << y;
    }
  }
  // The hot spot is the topmost opaque pixel: the tip of the index finger.
  EXPECT_EQ(hand.pixel(kHandCursorHotSpotX, kHandCursorHotSpotY), qRgba(0, 0, 0, 255));
  for (int y = 0; y < kHandCursorHotSpotY; ++y) {
    for (int x = 0; x < hand.width(); ++x) ASSERT_EQ(qAlpha(hand.pixel(x, y)), 0);
  }
  EXPECT_EQ(handCursor().hotSpot(), QPoint(12, 10));
}

}  // namespace
