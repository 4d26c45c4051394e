// The scene on a real OpenGL implementation (Mesa through OSMesa): what the
// frames show, how the angles advance, the font's glyph lists, the textures,
// and what construction makes and destruction frees.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bitmap_file_writer.h"
#include "bmp_test_writer.h"
#include "frame_timer.h"
#include "offscreen_gl.h"
#include "render_app.h"
#include "shell_state.h"
#include "temp_folder.h"
#include "texture_font.h"
#include "textures.h"

namespace tumbleview {
namespace {

using Rgb = test::Rgb8;

// An expected colour, channels 0..255, not yet rounded.
struct Colour {
  double r, g, b;
};
Colour scaled(Rgb c, double factor) { return {c.r * factor, c.g * factor, c.b * factor}; }

// Writes the picture as the saver writes the hand-off; `pixel(x, row)` gives
// the colour, rows counted from the bottom.
template <typename PixelFn>
void writePicture(const std::filesystem::path& path, int width, int height, PixelFn pixel) {
  std::vector<std::uint32_t> xrgb;  // top row first
  for (int row = height - 1; row >= 0; --row) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixel(x, row);
      xrgb.push_back(std::uint32_t{c.r} << 16 | std::uint32_t{c.g} << 8 | c.b);
    }
  }
  ASSERT_TRUE(writeBitmapFile(path, {width, height, reinterpret_cast<const std::uint8_t*>(xrgb.data()), width * 4}));
}

// A performance counter that only moves when the test says so; 1024 ticks
// per second, so whole seconds are exact in single precision.
FrameClocks manualClocks(const std::shared_ptr<std::int64_t>& ticks) {
  return {[] { return std::int64_t{1024}; }, [ticks] { return *ticks; }, [ticks] { return std::uint32_t(*ticks); }};
}

// The first `count` texels of a texture's image, bottom row first; by
// default the render target's (the default texture object).
std::vector<Rgb> texels(GLuint texture = 0, std::size_t count = renderTargetSize * renderTargetSize) {
  std::vector<Rgb> rgb(count);
  static_assert(sizeof(Rgb) == 3);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return rgb;
}

// Every test gets a fresh 1024 x 768 offscreen context, a private temporary
// folder holding a 64 x 64 orange picture, and the shell values and angles
// of a fresh process.
class SceneTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 1024;
  static constexpr int kHeight = 768;
  static constexpr Rgb kOrange{255, 128, 0};

  void SetUp() override {
    shellState() = ShellState{};
    pitch = yaw = 0.0f;
    writePicture(m_picture, 64, 64, [](int, int) { return kOrange; });
    std::string why;
    m_gl = createOffscreenGl(kWidth, kHeight, &why);
    if (!m_gl) GTEST_SKIP() << "no offscreen OpenGL context: " << why;
  }

  // The colour of pixel (x, y) of an RGBA read-back.
  static Rgb at(const std::vector<std::uint8_t>& rgba, int x, int y) {
    const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * kWidth + x) * 4];
    return {p[0], p[1], p[2]};
  }

  // Counts the pixels of a w x h area where `actual(x, y)` is more than one
  // step away from `expected(x, y)` in any channel; reports the first.
  template <typename Actual, typename Expected>
  static int countMismatches(int w, int h, Actual actual, Expected expected) {
    int count = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const Rgb a = actual(x, y);
        const Colour e = expected(x, y);
        const bool near = std::abs(a.r - e.r) <= 1.0 && std::abs(a.g - e.g) <= 1.0 && std::abs(a.b - e.b) <= 1.0;
        if (!near && count++ == 0) {
          ADD_FAILURE() << "first mismatch at (" << x << ", " << y << "): " << int(a.r) << "," << int(a.g) << ","
                        << int(a.b) << " instead of " << e.r << "," << e.g << "," << e.b;
        }
      }
    }
    return count;
  }

  const test::TempFolder m_temp;
  const std::filesystem::path& m_folder = m_temp.path();
  const std::filesystem::path m_picture = m_folder / "Tumbleview.bmp";
  std::unique_ptr<OffscreenGl> m_gl;
};

// The sphere pass of the first frame replaces the dark blue background with
// the opaque orange picture; every later frame blends it onto the blue with
// (source alpha, one minus source colour), which keeps 40 % of the blue
// under orange: 0.4 * 255 = 102.  White light keeps the picture's hue on the
// cube: the middle of the screen is the middle of the sphere on a face.  T
// shows the copied image pixel for pixel, 10 pixels from the bottom-left
// corner (checked in the first frame, the one drawn without blending).  The
// scene frees its picture texture, glyph texture and 256 glyph lists, and
// shows the pointer once, at the end.
TEST_F(SceneTest, FirstFrameIsOpaqueLaterFramesBlendedInThePicturesColoursAndAllIsFreed) {
  int pointerShown = 0;
  shellState().showPointer = [&] { ++pointerShown; };
  auto app = std::make_unique<RenderApp>(m_picture);
  ASSERT_EQ(shellState().loadFailed, 0);
  const GLuint names[3] = {app->textures()[0], app->font()->texture(), app->font()->listBase()};
  ASSERT_TRUE(glIsTexture(names[0]) && glIsTexture(names[1]) && glIsList(names[2]) && glIsList(names[2] + 255));
  EXPECT_EQ(app->textures()[1], 0u) << "the render target is the default texture object";
  shellState().keyDown[kVkT] = 1;
  app->DrawFrame();
  const std::vector<Rgb> copied = texels();
  EXPECT_GT(copied[128 * renderTargetSize + 128].r, 100);
  EXPECT_LE(copied[128 * renderTargetSize + 128].b, 2) << "first frame: sphere drawn opaque over the blue";
  const std::vector<std::uint8_t> screen = m_gl->readPixels();
  const Rgb middle = at(screen, kWidth / 2, kHeight / 2);
  ASSERT_GT(middle.r, 60);
  EXPECT_NEAR(static_cast<double>(middle.g) / middle.r, 128.0 / 255.0, 0.03);
  EXPECT_LE(middle.b, 2);
  EXPECT_EQ(at(screen, kWidth - 5, kHeight - 5), (Rgb{0, 0, 0}));
  EXPECT_EQ(countMismatches(
                renderTargetSize, renderTargetSize, [&](int x, int y) { return at(screen, 10 + x, 10 + y); },
                [&](int x, int y) { return scaled(copied[y * renderTargetSize + x], 1.0); }),
            0);
  EXPECT_NEAR(at(screen, 20, 20).b, 102, 2) << "the blue background of the sphere pass";
  EXPECT_EQ(at(screen, 5, 5).b, 0) << "outside the preview the screen stays black";
  EXPECT_EQ(at(screen, 270, 20).b, 0) << "outside the preview the screen stays black";

  app->DrawFrame();
  const Rgb second = texels()[128 * renderTargetSize + 128];
  EXPECT_GT(second.r, 100);
  EXPECT_NEAR(second.b, 102, 3) << "later frames: sphere blended onto the blue";
  // The overlay replaces the matrices instead of pushing copies nobody pops.
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  app.reset();
  EXPECT_FALSE(glIsTexture(names[0]) || glIsTexture(names[1]) || glIsList(names[2]) || glIsList(names[2] + 255));
  EXPECT_EQ(pointerShown, 1);
}

// H darkens the band (80..800, 400..555) of the 800 x 600 overlay, whatever
// the screen size, to 40 % of what lies behind it, and nothing else: first
// in the frame, where the cube lies behind part of it, then over a uniformly
// lit screen, where every edge of the band shows.
class DarkPanelTest : public SceneTest, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(DarkPanelTest, HoldingHDarkensExactlyTheBandTo40Percent) {
  const auto [screenWidth, screenHeight] = GetParam();
  shellState().screenWidth = screenWidth;
  shellState().screenHeight = screenHeight;
  const auto inBand = [&, width = screenWidth, height = screenHeight](int x, int y) {
    const double cx = x + 0.5, cy = y + 0.5;
    return cx >= width * 0.1 && cx < width && cy >= height * 400.0 / 600.0 && cy < height * 555.0 / 600.0;
  };
  // A clock never advanced: after frame 1 the angles stay put.
  RenderApp app(m_picture, manualClocks(std::make_shared<std::int64_t>(0)));
  ASSERT_EQ(shellState().loadFailed, 0);
  app.DrawFrame();
  app.DrawFrame();
  const std::vector<std::uint8_t> plain = m_gl->readPixels();
  shellState().keyDown[kVkH] = 1;
  app.DrawFrame();
  const std::vector<std::uint8_t> dark = m_gl->readPixels();
  int litInBand = 0;
  EXPECT_EQ(countMismatches(kWidth, kHeight, [&](int x, int y) { return at(dark, x, y); },
                            [&](int x, int y) {
                              litInBand += inBand(x, y) && at(plain, x, y).r > 20;
                              return scaled(at(plain, x, y), inBand(x, y) ? 0.4 : 1.0);
                            }),
            0);
  EXPECT_GT(litInBand, 1000) << "the cube must reach into the band for this to mean anything";

  glClearColor(200 / 255.0f, 200 / 255.0f, 200 / 255.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  app.font()->BeginOverlay();
  app.font()->drawDarkPanel();
  const std::vector<std::uint8_t> uniform = m_gl->readPixels();
  EXPECT_EQ(countMismatches(kWidth, kHeight, [&](int x, int y) { return at(uniform, x, y); },
                            [&](int x, int y) { return scaled({200, 200, 200}, inBand(x, y) ? 0.4 : 1.0); }),
            0);
}

INSTANTIATE_TEST_SUITE_P(ScreenSizes, DarkPanelTest, ::testing::Values(std::pair{1024, 768}, std::pair{640, 480}));

// Frame 1 uses the starting rate of 200 frames per second and measures the
// time since construction; frame 2 advances by that time at 5 and 9 degrees
// per second, wrapping strictly above 360, once.
TEST_F(SceneTest, AnglesAdvanceByTheMeasuredTime) {
  struct Case {
    const char* what;
    float startPitch, startYaw;
    std::int64_t ticks;  // 1024 per second
    float pitch, yaw;
  };
  const Case cases[] = {
      {"two seconds", 0, 0, 2048, 10, 18},
      {"exactly 360 stays", 355, 351, 1024, 360, 360},
      {"above 360 wraps", 358, 355, 1024, 3, 4},
      {"a long stall wraps only once", 0, 0, 128 * 1024, 280, 792},
      {"no time measured adds nothing", 100, 200, 0, 100, 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    pitch = yaw = 0.0f;
    const auto ticks = std::make_shared<std::int64_t>(0);
    RenderApp app(m_picture, manualClocks(ticks));
    ASSERT_EQ(shellState().loadFailed, 0);
    *ticks += c.ticks;
    app.DrawFrame();
    EXPECT_FLOAT_EQ(pitch, 5.0f / 200.0f);
    EXPECT_FLOAT_EQ(yaw, 9.0f / 200.0f);
    pitch = c.startPitch, yaw = c.startYaw;
    app.DrawFrame();
    EXPECT_FLOAT_EQ(pitch, c.pitch);
    EXPECT_FLOAT_EQ(yaw, c.yaw);
  }
}

// A missing picture makes nothing, silently, and a font whose file went
// missing reports it and makes no lists; the pointer is shown at the end.
TEST_F(SceneTest, MissingPictureMakesNothing) {
  int pointerShown = 0;
  shellState().showPointer = [&] { ++pointerShown; };
  const std::filesystem::path absent = m_folder / "absent.bmp";
  {
    RenderApp app(absent);
    EXPECT_EQ(shellState().loadFailed, 1);
    EXPECT_EQ(app.font(), nullptr);
    EXPECT_EQ(app.textures()[0], 0u);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST)) << "no GL set-up after a failed load";
    app.DrawFrame();  // must be harmless
  }
  EXPECT_EQ(pointerShown, 1);
  int loadFailed = 0;
  const TextureFont font(absent.c_str(), loadFailed);
  EXPECT_EQ(loadFailed, 1);
  EXPECT_EQ(font.listBase(), 0u);
  EXPECT_EQ(font.texture(), 0u);
}

// Glyph i is cell (i mod 16, i div 16) counted from the top left of the
// sheet; calling its list twice sets the second copy 11 units further right.
// Drawn in feedback mode with window coordinates equal to overlay units.
TEST_F(SceneTest, GlyphListsHoldTheirCellAndThePenAdvance) {
  int loadFailed = -1;
  const TextureFont font(m_picture.c_str(), loadFailed);
  ASSERT_EQ(loadFailed, 0);
  struct Case {
    int glyph;
    float s0, s1, t0, t1;
  };
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, kWidth, 0, kHeight, -1, 1);
  for (const Case c : {Case{65, 0.0625f, 0.125f, 0.6875f, 0.75f}, Case{0, 0, 0.0625f, 0.9375f, 1},
                       Case{255, 0.9375f, 1, 0, 0.0625f}}) {
    SCOPED_TRACE(c.glyph);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    std::vector<GLfloat> buffer(4096);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    glCallList(font.listBase() + c.glyph);
    glCallList(font.listBase() + c.glyph);
    const GLint count = glRenderMode(GL_RENDER);
    // x, y, s, t of every vertex of the polygons drawn (a quad may come back
    // as one polygon or as two triangles).
    std::vector<std::array<float, 4>> vertices;
    for (GLint i = 0; i < count;) {
      ASSERT_EQ(buffer[i++], GL_POLYGON_TOKEN);
      for (int n = static_cast<int>(buffer[i++]); n > 0; --n, i += 11) {  // x y z, r g b a, s t r q
        vertices.push_back({buffer[i], buffer[i + 1], buffer[i + 7], buffer[i + 8]});
      }
    }
    for (const float x : {0.0f, 11.0f}) {
      for (const std::array<float, 4> corner : {std::array{x, 0.0f, c.s0, c.t0}, {x + 16, 0, c.s1, c.t0},
                                                {x + 16, 16, c.s1, c.t1}, {x, 16, c.s0, c.t1}}) {
        EXPECT_TRUE(std::any_of(vertices.begin(), vertices.end(), [&](const std::array<float, 4>& v) {
          return std::abs(v[0] - corner[0]) < 1e-3f && std::abs(v[1] - corner[1]) < 1e-3f &&
                 std::abs(v[2] - corner[2]) < 1e-6f && std::abs(v[3] - corner[3]) < 1e-6f;
        })) << "no vertex (" << corner[0] << ", " << corner[1] << ") with texture (" << corner[2] << ", " << corner[3] << ")";
      }
    }
  }
}

// A width of 3 makes rows of 9 bytes, which the default 4-byte unpack
// alignment would shear.  Mesa takes any size, so the plain texture must be
// exactly the decoded picture; GLU scales the mipmapped one to 4 x 2.
TEST_F(SceneTest, TexturesKeepOddWidthRowsUnsheared) {
  const auto colour = [](int x, int y) {
    return Rgb{static_cast<std::uint8_t>(40 * x + 1), static_cast<std::uint8_t>(90 * y + 2),
               static_cast<std::uint8_t>(7 * x + 11 * y + 3)};
  };
  writePicture(m_picture, 3, 2, colour);
  GLuint textures[2] = {};
  ASSERT_TRUE(LoadPlainTexture(m_picture.c_str(), textures[0]));
  const std::vector<Rgb> plain = texels(textures[0], 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(plain[i], colour(i % 3, i / 3)) << "texel " << i;
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

}  // namespace
}  // namespace tumbleview
