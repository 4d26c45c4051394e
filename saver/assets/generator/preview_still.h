// The control panel's preview still: one frame of the renderer's own scene,
// drawn offscreen and scaled down.  The only part of the generator that
// needs OpenGL.
#pragma once

#include <QImage>
#include <QString>

#include <string>

namespace tumbleview::assets {

inline constexpr int kPreviewWidth = 152;
inline constexpr int kPreviewHeight = 112;

// Renders the cube with `picturePath` (a BMP the renderer can read) on its
// spheres at four times the preview size, at fixed angles and a fixed frame
// time, and scales it to 152 x 112 by averaging.  A null image on failure,
// with the reason in `why` when given.
QImage renderPreviewStill(const QString& picturePath, std::string* why = nullptr);

}  // namespace tumbleview::assets
