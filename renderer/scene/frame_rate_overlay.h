// The frame-rate display of the hack mode (the peers' "--fps"): the figure
// with one decimal, drawn in white seven-segment strokes at the bottom-left
// corner.  The scene's own font cannot serve: its glyph sheet is the user's
// picture.  Needs a current OpenGL context.
#pragma once

namespace tumbleview {

// Draws `framesPerSecond` into the back buffer over a view of `width` x
// `height` pixels.  Every piece of GL state it touches (attributes, both
// matrices) is put back, so the scene's next frame is drawn as without it.
void drawFrameRate(double framesPerSecond, int width, int height);

}  // namespace tumbleview
