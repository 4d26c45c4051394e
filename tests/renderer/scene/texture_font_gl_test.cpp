#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "scene_test_support.h"
#include "texture_font.h"
#include "textures.h"

namespace tumbleview::testing {
namespace {

using TextureFontTest = GlTest;

struct FeedbackVertex {
  float x, y, s, t;
};

// Runs `draw` in feedback mode with window coordinates equal to object
// coordinates; returns the polygon vertices, a new group at each
// glPassThrough marker.
template <typename Draw>
std::vector<std::vector<FeedbackVertex>> feedback(Draw draw) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 1024, 0, 768, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  std::vector<GLfloat> buffer(4096);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint count = glRenderMode(GL_RENDER);

  constexpr int kVertexFloats = 11;  // x y z, r g b a, s t r q
  std::vector<std::vector<FeedbackVertex>> groups(1);
  for (GLint i = 0; i < count;) {
    const GLint token = static_cast<GLint>(buffer[i++]);
    if (token == GL_PASS_THROUGH_TOKEN) {
      ++i;
      groups.emplace_back();
      continue;
    }
    EXPECT_EQ(token, GL_POLYGON_TOKEN);
    const int n = static_cast<int>(buffer[i++]);
    for (int v = 0; v < n; ++v, i += kVertexFloats) {
      groups.back().push_back({buffer[i], buffer[i + 1], buffer[i + 7], buffer[i + 8]});
    }
  }
  return groups;
}

// Glyph i is cell (i mod 16, i div 16) counted from the top left of the
// sheet; calling its list twice sets the second copy 11 units further right.
TEST_F(TextureFontTest, GlyphListsHoldTheirCellAndThePenAdvance) {
  int loadFailed = -1;
  TextureFont font(m_picture.c_str(), loadFailed);
  ASSERT_EQ(loadFailed, 0);
  struct Case {
    int glyph;
    float s0, s1, t0, t1;
  };
  for (const Case c : {Case{65, 0.0625f, 0.125f, 0.6875f, 0.75f}, Case{0, 0, 0.0625f, 0.9375f, 1},
                       Case{255, 0.9375f, 1, 0, 0.0625f}}) {
    SCOPED_TRACE(c.glyph);
    const auto groups = feedback([&] {
      glCallList(font.listBase() + c.glyph);
      glPassThrough(1.0f);
      glCallList(font.listBase() + c.glyph);
    });
    ASSERT_EQ(groups.size(), 2u);
    for (int call = 0; call < 2; ++call) {
      const float x = 11.0f * call;
      // A quad may come back as one polygon or as two triangles.
      for (const FeedbackVertex& corner : {FeedbackVertex{x, 0, c.s0, c.t0}, {x + 16, 0, c.s1, c.t0},
                                           {x + 16, 16, c.s1, c.t1}, {x, 16, c.s0, c.t1}}) {
        bool found = false;
        for (const FeedbackVertex& v : groups[call]) {
          found = found || (std::abs(v.x - corner.x) < 1e-3f && std::abs(v.y - corner.y) < 1e-3f &&
                            std::abs(v.s - corner.s) < 1e-6f && std::abs(v.t - corner.t) < 1e-6f);
        }
        EXPECT_TRUE(found) << "call " << call << ": no vertex (" << corner.x << ", " << corner.y
                           << ") with texture (" << corner.s << ", " << corner.t << ")";
      }
    }
  }
}

// A width of 3 makes rows of 9 bytes, which the default 4-byte unpack
// alignment would shear.  Mesa takes any size, so the plain texture must be
// exactly the decoded picture; GLU scales the mipmapped one to 4 x 2.
TEST_F(TextureFontTest, TexturesKeepOddWidthRowsUnsheared) {
  const auto colour = [](int x, int y) {
    return Rgb{static_cast<std::uint8_t>(40 * x + 1), static_cast<std::uint8_t>(90 * y + 2),
               static_cast<std::uint8_t>(7 * x + 11 * y + 3)};
  };
  writePicture(m_picture, 3, 2, colour);
  GLuint textures[2] = {};
  ASSERT_TRUE(LoadPlainTexture(m_picture.c_str(), textures[0]));
  std::array<Rgb, 6> texels{};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  for (int i = 0; i < 6; ++i) EXPECT_EQ(texels[i], colour(i % 3, i / 3)) << "texel " << i;
  GLint value = 0;
  const auto parameter = [&](GLenum name) { return glGetTexParameteriv(GL_TEXTURE_2D, name, &value), value; };
  const auto width = [&](int level) { return glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &value), value; };
  EXPECT_EQ(parameter(GL_TEXTURE_WRAP_S), GL_CLAMP);

  ASSERT_TRUE(LoadMipmappedTexture(m_picture.c_str(), textures[1]));
  EXPECT_EQ(width(0), 4);
  EXPECT_EQ(width(2), 1) << "levels down to 1 x 1";
  EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_NEAREST);
  glDeleteTextures(2, textures);
}

TEST_F(TextureFontTest, MissingFileFailsWithoutMakingAnything) {
  GLuint untouched = 77;
  EXPECT_FALSE(LoadMipmappedTexture(nullptr, untouched));
  EXPECT_FALSE(LoadPlainTexture((m_folder / "absent.bmp").c_str(), untouched));
  EXPECT_EQ(untouched, 77u);
  int loadFailed = 0;
  TextureFont font((m_folder / "absent.bmp").c_str(), loadFailed);
  EXPECT_EQ(loadFailed, 1);
  EXPECT_EQ(font.listBase(), 0u);
  EXPECT_EQ(font.texture(), 0u);
}

}  // namespace
}  // namespace tumbleview::testing
