// Draws the saver's embedded pictures from their described looks.  Pure and
// deterministic: the same build gives the same pixels on every run (no
// fonts, no system colours, a fixed-seed generator for the brushed texture).
#pragma once

#include <QImage>
#include <QString>

#include <vector>

namespace tumbleview::assets {

QImage drawTile();             // 563 x 21 light grey brushed texture
QImage drawTitlePlate();       // 95 x 22 grey plate with rounded ends
QImage drawOptionOn();         // 12 x 12 square filled with blue
QImage drawOptionOff();        // 12 x 12 empty grey square
QImage drawIcon();             // 32 x 32 cube, with alpha
QImage drawHandCursor();       // 32 x 32 black and white hand, with alpha
QImage drawSample();           // 512 x 384 colourful test picture

// The Command button's six state pictures, 64 x 25.
enum class SkinLook { Normal, HighLight, Selected, Pressed, Disable };
QImage drawSkin(SkinLook look);

// One output of the generator: the file name inside saver/assets and the
// picture.  Pictures without alpha are written as 24-bit BMP.
struct AssetPicture {
  QString fileName;
  QImage image;
};

// Every picture that needs no renderer, in a fixed order.
std::vector<AssetPicture> drawStillAssets();

// Writes one picture by the format its file name ends in (.bmp: 24-bit with
// a 40-byte header; .png; .jpg at quality 90).  Writes a temporary file
// beside the target and renames it into place; false if anything failed,
// leaving any older file untouched.
bool writeAssetPicture(const QString& folder, const AssetPicture& picture);

}  // namespace tumbleview::assets
