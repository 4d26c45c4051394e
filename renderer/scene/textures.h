// The two textures made from the hand-off bitmap: the mipmapped picture that
// wraps the sphere and the single-level glyph sheet of the font.
//
// Both need a current OpenGL context.  Both read the file anew through
// LoadImageFile (image_loading.h): a null path or a file that cannot be
// opened fails silently; a damaged file fails with the decoder's message.
// On success a new texture name is written into `slot` and left bound as
// the 2D texture; the caller owns it (glDeleteTextures).  On failure `slot`
// is left untouched.  Both leave GL_UNPACK_ALIGNMENT at 1.
#pragma once

#include <GL/gl.h>

namespace tumbleview {

// Picture texture: linear magnification, GL_LINEAR_MIPMAP_NEAREST
// minification, repeat wrapping, the whole mipmap chain built by GLU as
// GL_RGB8 (GLU scales any size to power-of-two sides).  True when the image
// was decoded and handed to GLU; GLU's own result is not consulted.
bool LoadMipmappedTexture(const char* path, GLuint& slot);

// Glyph-sheet texture: linear filters, GL_CLAMP in S and T, level 0 only,
// the image as it is.  An implementation that refuses the size (OpenGL 1.1
// with sides that are not powers of two) leaves the texture without an
// image; that still counts as success.
bool LoadPlainTexture(const char* path, GLuint& slot);

}  // namespace tumbleview
