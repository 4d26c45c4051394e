#include "textures.h"

#include <GL/glu.h>

#include <cstdint>

#include "image_loading.h"

namespace tumbleview {
namespace {

// The decoder packs rows without padding; OpenGL must read them that way
// whatever the width.
void unpackTightRows() { glPixelStorei(GL_UNPACK_ALIGNMENT, 1); }

// OpenGL reads width * height * 3 bytes from the block without knowing its
// size; a record that promises more than it holds must never reach it.
// (Negative sides are refused by OpenGL itself before it reads anything.)
bool holdsItsPixels(const RgbImage& image) {
  const std::uint64_t width = image.width > 0 ? static_cast<std::uint64_t>(image.width) : 0;
  const std::uint64_t height = image.height > 0 ? static_cast<std::uint64_t>(image.height) : 0;
  return image.pixels.size() >= width * height * 3;
}

}  // namespace

bool LoadMipmappedTexture(const char* path, GLuint& slot) {
  const std::unique_ptr<RgbImage> image = LoadImageFile(path);
  if (!image || !holdsItsPixels(*image)) return false;

  glGenTextures(1, &slot);
  glBindTexture(GL_TEXTURE_2D, slot);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
  unpackTightRows();
  gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB8, image->width, image->height, GL_RGB,
                    GL_UNSIGNED_BYTE, image->pixels.data());
  return true;
}

bool LoadPlainTexture(const char* path, GLuint& slot) {
  const std::unique_ptr<RgbImage> image = LoadImageFile(path);
  if (!image || !holdsItsPixels(*image)) return false;

  glGenTextures(1, &slot);
  glBindTexture(GL_TEXTURE_2D, slot);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
  unpackTightRows();
  glTexImage2D(GL_TEXTURE_2D, 0, 3, image->width, image->height, 0, GL_RGB, GL_UNSIGNED_BYTE,
               image->pixels.data());
  return true;
}

}  // namespace tumbleview
