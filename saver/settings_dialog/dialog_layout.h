// The settings dialog's arithmetic: where it goes on the screen, its
// background gradient, where the panel tiles fall, the preview's size, and
// which chosen paths the settings file can give back.  Portable: no toolkit
// headers.  All positions and sizes are pixels.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tumbleview {

// Top-left corner of the dialog's outer frame: centred across the screen and
// at a third of the free height.  The divisions truncate towards zero, so a
// dialog larger than the screen lands at a small negative offset.
struct DialogPlacement {
  int left = 0;
  int top = 0;
};
DialogPlacement placeDialog(int screenWidth, int screenHeight, int outerWidth, int outerHeight);

// Grey level v of row `y` of a client area `clientHeight` rows high:
// |sin(y / (clientHeight / 3.142))| x 220, halves rounded to even.  The row
// is drawn in RGB (v, v, v + 30).  The divisor is 3.142, not pi, so the
// sine's argument runs from 0 to 3.142 over the height.
int gradientLevel(int y, int clientHeight);

// Where the tile goes, in laying order: column by column, top to bottom,
// each column running until a tile starts below the target's height and the
// columns until one starts right of its width; so the last tile of each
// column and the last column lie partly or wholly outside.  Empty for a tile
// without area.
struct TileOrigin {
  int x = 0;
  int y = 0;
};
std::vector<TileOrigin> tileOrigins(int targetWidth, int targetHeight, int tileWidth,
                                    int tileHeight);

// Size of the preview of a W x H picture inside an 80 x 80 box: the longer
// side becomes 80, the other keeps the aspect ratio (fractions kept).
struct PreviewExtent {
  double width = 0;
  double height = 0;
};
PreviewExtent previewExtent(int pictureWidth, int pictureHeight);

// Whole pixels for a measured extent, halves to even; nullopt when it does
// not fit in 16 bits (or is not a number).
std::optional<int> wholePixels(double extent);

// True when the settings file gives `path` (UTF-8) back whole: it reads at
// most 255 bytes of a value as it stands in code page 932, where a
// character that code page lacks counts with its UTF-8 length.
bool settingsFileHoldsPath(const std::string& path);

}  // namespace tumbleview
