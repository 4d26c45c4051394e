// tumbleview_assetgen <folder>: draws the saver's embedded pictures and
// writes them into <folder> (normally saver/assets).  Exit status 0 when
// every file was written.
#include <QGuiApplication>

#include <cstdio>
#include <string>

#include "asset_pictures.h"
#include "preview_still.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  // Image plug-ins (JPEG) are found through the application object; no
  // window is ever shown, so the offscreen platform suffices.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString folder = QString::fromLocal8Bit(argv[1]);
  int failures = 0;
  for (const auto& picture : tumbleview::assets::drawStillAssets()) {
    if (!tumbleview::assets::writeAssetPicture(folder, picture)) {
      std::fprintf(stderr, "could not write %s\n", qPrintable(picture.fileName));
      ++failures;
    }
  }
  // The preview still shows the cube wearing the sample picture just written.
  std::string why;
  const QImage still = tumbleview::assets::renderPreviewStill(
      folder + QStringLiteral("/sample.bmp"), &why);
  if (still.isNull() ||
      !tumbleview::assets::writeAssetPicture(folder, {QStringLiteral("preview.jpg"), still})) {
    std::fprintf(stderr, "could not make preview.jpg: %s\n", why.c_str());
    ++failures;
  }
  return failures == 0 ? 0 : 1;
}
