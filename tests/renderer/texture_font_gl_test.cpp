#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "scene_test_support.h"
#include "texture_font.h"
#include "textures.h"

namespace tumbleview::testing {
namespace {

class TextureFontTest : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    m_sheet = m_folder / "sheet.bmp";
    WriteSolidBitmap(m_sheet, 64, 64, {10, 20, 30});
  }
  std::filesystem::path m_sheet;
};

struct FeedbackVertex {
  float x, y, s, t;
};

// Runs `draw` in feedback mode with window coordinates equal to object
// coordinates and returns the vertices of every polygon, split into groups
// at each glPassThrough marker.
template <typename Draw>
std::vector<std::vector<FeedbackVertex>> Feedback(Draw draw) {
  glViewport(0, 0, 1024, 768);
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

  // GL_3D_COLOR_TEXTURE in RGBA mode: x, y, z, r, g, b, a, s, t, r, q.
  constexpr int kVertexFloats = 11;
  std::vector<std::vector<FeedbackVertex>> groups(1);
  for (GLint i = 0; i < count;) {
    const GLint token = static_cast<GLint>(buffer[i++]);
    if (token == GL_PASS_THROUGH_TOKEN) {
      ++i;
      groups.emplace_back();
    } else if (token == GL_POLYGON_TOKEN) {
      const int n = static_cast<int>(buffer[i++]);
      for (int v = 0; v < n; ++v, i += kVertexFloats) {
        groups.back().push_back({buffer[i], buffer[i + 1], buffer[i + 7], buffer[i + 8]});
      }
    } else {
      ADD_FAILURE() << "unexpected feedback token " << token;
      break;
    }
  }
  return groups;
}

// Every expected corner appears among the vertices (a quad may come back
// as one polygon or as two triangles).
void ExpectCorners(const std::vector<FeedbackVertex>& vertices,
                   const std::array<FeedbackVertex, 4>& corners) {
  ASSERT_FALSE(vertices.empty());
  for (const FeedbackVertex& corner : corners) {
    bool found = false;
    for (const FeedbackVertex& v : vertices) {
      found = found || (std::abs(v.x - corner.x) < 1e-3f && std::abs(v.y - corner.y) < 1e-3f &&
                        std::abs(v.s - corner.s) < 1e-6f && std::abs(v.t - corner.t) < 1e-6f);
    }
    EXPECT_TRUE(found) << "no vertex at (" << corner.x << ", " << corner.y << ") with texture ("
                       << corner.s << ", " << corner.t << ")";
  }
}

// Glyph i is cell (i mod 16, i div 16) counted from the top-left of the
// sheet; calling a list twice sets the second glyph 11 units further right.
TEST_F(TextureFontTest, GlyphListsHoldTheirCellAndThePenAdvance) {
  int loadFailed = -1;
  TextureFont font(m_sheet.c_str(), loadFailed);
  ASSERT_EQ(loadFailed, 0);
  ASSERT_NE(font.ListBase(), 0u);

  struct Case {
    int glyph;
    float s0, s1, t0, t1;
  };
  for (const Case c : {Case{65, 0.0625f, 0.125f, 0.6875f, 0.75f}, Case{0, 0, 0.0625f, 0.9375f, 1},
                       Case{255, 0.9375f, 1, 0, 0.0625f}}) {
    SCOPED_TRACE(c.glyph);
    const auto groups = Feedback([&] {
      glCallList(font.ListBase() + c.glyph);
      glPassThrough(1.0f);
      glCallList(font.ListBase() + c.glyph);
    });
    ASSERT_EQ(groups.size(), 2u);
    for (int call = 0; call < 2; ++call) {
      const float x = 11.0f * call;
      ExpectCorners(groups[call], {{{x, 0, c.s0, c.t0},
                                    {x + 16, 0, c.s1, c.t0},
                                    {x + 16, 16, c.s1, c.t1},
                                    {x, 16, c.s0, c.t1}}});
    }
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_FLOAT_EQ(modelview[12], 22.0f) << "two pen advances of 11";
  }
}

TEST_F(TextureFontTest, OverlayReplacesProjectionWithoutGrowingTheStacks) {
  int loadFailed = -1;
  TextureFont font(m_sheet.c_str(), loadFailed);
  ASSERT_EQ(loadFailed, 0);
  for (int frame = 0; frame < 3; ++frame) font.BeginOverlay();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  GLint depth = 0;
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 1);
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 1);
  GLfloat projection[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  EXPECT_FLOAT_EQ(projection[0], 2.0f / 800.0f);
  EXPECT_FLOAT_EQ(projection[5], 2.0f / 600.0f);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), font.Texture());
}

TEST_F(TextureFontTest, MissingSheetReportsFailureAndMakesNoLists) {
  int loadFailed = 0;
  TextureFont font((m_folder / "absent.bmp").c_str(), loadFailed);
  EXPECT_EQ(loadFailed, 1);
  EXPECT_EQ(font.ListBase(), 0u);
  EXPECT_EQ(font.Texture(), 0u);
}

// A width of 3 makes rows of 9 bytes; read with the default 4-byte unpack
// alignment they would shear.  OpenGL implementations that take any size
// (Mesa does) keep the plain texture exactly as decoded.
TEST_F(TextureFontTest, TexturesKeepOddWidthRowsUnsheared) {
  const auto colour = [](int x, int y) {
    return Rgb{static_cast<std::uint8_t>(40 * x + 1), static_cast<std::uint8_t>(90 * y + 2),
               static_cast<std::uint8_t>(7 * x + 11 * y + 3)};
  };
  WriteBitmap(m_sheet, 3, 2, colour);

  GLuint plain = 0;
  ASSERT_TRUE(LoadPlainTexture(m_sheet.c_str(), plain));
  ASSERT_NE(plain, 0u);
  GLint width = 0;
  GLint height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  ASSERT_EQ(width, 3);
  ASSERT_EQ(height, 2);
  std::vector<std::uint8_t> rgb(3 * 2 * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      const std::uint8_t* p = &rgb[(y * 3 + x) * 3];
      EXPECT_EQ(p[0], colour(x, y).r);
      EXPECT_EQ(p[1], colour(x, y).g);
      EXPECT_EQ(p[2], colour(x, y).b);
    }
  }
  GLint wrap = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
  EXPECT_EQ(wrap, GL_CLAMP);

  // GLU scales the picture to power-of-two sides (3 x 2 to 4 x 2) and builds
  // the levels down to 1 x 1.
  GLuint mipmapped = 0;
  ASSERT_TRUE(LoadMipmappedTexture(m_sheet.c_str(), mipmapped));
  const std::array<std::array<GLint, 2>, 3> levels{{{4, 2}, {2, 1}, {1, 1}}};
  for (int level = 0; level < 3; ++level) {
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(width, levels[level][0]) << "level " << level;
    EXPECT_EQ(height, levels[level][1]) << "level " << level;
  }
  GLint filter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
  EXPECT_EQ(filter, GL_LINEAR_MIPMAP_NEAREST);

  GLuint untouched = 77;
  EXPECT_FALSE(LoadMipmappedTexture(nullptr, untouched));
  EXPECT_FALSE(LoadPlainTexture((m_folder / "absent.bmp").c_str(), untouched));
  EXPECT_EQ(untouched, 77u);

  glDeleteTextures(1, &plain);
  glDeleteTextures(1, &mipmapped);
}

}  // namespace
}  // namespace tumbleview::testing
