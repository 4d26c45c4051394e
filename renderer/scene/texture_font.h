// A bitmap font whose glyph sheet is a texture of 16 x 16 cells, and the
// 800 x 600 overlay coordinate system it draws in.
//
// Glyph i is display list listBase() + i: a 16 x 16 unit quad textured with
// cell (i mod 16, i div 16), row 0 at the top of the sheet, followed by a
// pen advance of 11 units along X.  Everything here needs the OpenGL
// context that was current at construction; the destructor must run in it.
#pragma once

#include <GL/gl.h>

namespace tumbleview {

class TextureFont {
 public:
  // Makes the glyph texture from the bitmap at `path` (LoadPlainTexture) and
  // the 256 glyph lists.  `loadFailed` becomes 0 on success and 1 when the
  // texture could not be made; a failed font makes no lists.
  TextureFont(const char* path, int& loadFailed);
  // Deletes the lists and the texture that construction made.
  ~TextureFont();

  TextureFont(const TextureFont&) = delete;
  TextureFont& operator=(const TextureFont&) = delete;

  // Switches to the overlay: blending on with (GL_SRC_ALPHA,
  // GL_ONE_MINUS_SRC_COLOR), the glyph texture bound, depth test off, the
  // projection replaced by an orthographic 800 x 600 box (origin at the
  // bottom left) and the matrix mode left at GL_MODELVIEW, whose matrix is
  // not changed.  Nothing of this is undone later; the matrices are replaced
  // rather than pushed, because nobody would ever pop them.
  void BeginOverlay();

  // In the overlay: darkens the band (80, 400)-(800, 555) to 40 % with a
  // black quad of alpha 0.6.  Resets the modelview matrix; leaves texturing
  // on, the current colour opaque white and the blend factors as
  // BeginOverlay set them.
  void drawDarkPanel();

  // 0 when construction failed.
  GLuint listBase() const { return m_listBase; }
  GLuint texture() const { return m_texture; }

 private:
  GLuint m_listBase = 0;
  GLuint m_texture = 0;
};

}  // namespace tumbleview
