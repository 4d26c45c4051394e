// The saver's embedded pictures, compiled in as Qt resources under
// ":/tumbleview/".  The files are drawn by the generator in generator/ and
// committed; `cmake --build <dir> --target regenerate_assets` rewrites them.
#pragma once

class QCursor;

namespace tumbleview::assets {

// Settings dialog panel texture: 563 x 21, 24-bit BMP.
inline constexpr char kTile[] = ":/tumbleview/tile.bmp";
// Plate behind a section title: 95 x 22, 24-bit BMP.
inline constexpr char kTitlePlate[] = ":/tumbleview/title_plate.bmp";
// Option marks, selected and unselected: 12 x 12, 24-bit BMP.
inline constexpr char kOptionOn[] = ":/tumbleview/opt_on.bmp";
inline constexpr char kOptionOff[] = ":/tumbleview/opt_off.bmp";
// Window icon: 32 x 32 PNG with alpha.
inline constexpr char kIcon[] = ":/tumbleview/icon.png";
// Two-colour hand cursor: 32 x 32 PNG, black, white and transparent.
inline constexpr char kHandCursor[] = ":/tumbleview/hand_cursor.png";
// Pixel of the hand cursor that points (the tip of the index finger).
inline constexpr int kHandCursorHotSpotX = 12;
inline constexpr int kHandCursorHotSpotY = 10;

// The Command button's six state pictures: 64 x 25, 24-bit BMP.  Only the
// outer 4-pixel ring of each is ever drawn.
inline constexpr char kSkinNormal[] = ":/tumbleview/skin_normal.bmp";
inline constexpr char kSkinHighLight[] = ":/tumbleview/skin_highlight.bmp";
inline constexpr char kSkinHighLightSelect[] = ":/tumbleview/skin_highlightselect.bmp";
inline constexpr char kSkinSelected[] = ":/tumbleview/skin_selected.bmp";
inline constexpr char kSkinPressed[] = ":/tumbleview/skin_pressed.bmp";
inline constexpr char kSkinDisable[] = ":/tumbleview/skin_disable.bmp";

// The control panel's preview still: 152 x 112 JPEG of the turning cube.
inline constexpr char kPreview[] = ":/tumbleview/preview.jpg";

// The hand cursor with its hot spot.  Needs a QGuiApplication.
QCursor handCursor();

}  // namespace tumbleview::assets
