#include <GL/gl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "render_app.h"
#include "scene_test_support.h"
#include "shell_state.h"

namespace tumbleview::testing {
namespace {

// The render target's current image (the default texture object), bottom
// row first.
std::vector<Rgb> renderTarget() {
  std::vector<Rgb> rgb(renderTargetSize * renderTargetSize);
  static_assert(sizeof(Rgb) == 3);
  glBindTexture(GL_TEXTURE_2D, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return rgb;
}
Rgb renderTargetMiddle() { return renderTarget()[128 * renderTargetSize + 128]; }

using RenderAppTest = GlTest;

// The sphere pass of the first frame replaces the dark blue background with
// the opaque orange picture; every later frame blends it onto the blue with
// (source alpha, one minus source colour), which keeps 40 % of the blue
// under orange: 0.4 * 255 = 102.
TEST_F(RenderAppTest, FirstFrameIsOpaqueAndDepthTestedLaterFramesBlended) {
  RenderApp app(m_picture);
  ASSERT_EQ(shellState().loadFailed, 0);
  EXPECT_NE(app.textures()[0], 0u);
  EXPECT_EQ(app.textures()[1], 0u) << "the render target is the default texture object";
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(glInt(GL_DEPTH_FUNC), GL_LEQUAL);

  app.DrawFrame();
  const Rgb first = renderTargetMiddle();
  EXPECT_GT(first.r, 100);
  EXPECT_LE(first.b, 2) << "first frame: sphere drawn opaque over the blue";
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_EQ(glInt(GL_BLEND_SRC), GL_SRC_ALPHA);
  EXPECT_EQ(glInt(GL_BLEND_DST), GL_ONE_MINUS_SRC_COLOR);

  app.DrawFrame();
  const Rgb second = renderTargetMiddle();
  EXPECT_GT(second.r, 100);
  EXPECT_NEAR(second.b, 102, 3) << "later frames: sphere blended onto the blue";
  // The overlay replaces the matrices instead of pushing copies nobody pops.
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_EQ(glInt(GL_PROJECTION_STACK_DEPTH), 1);
  EXPECT_EQ(glInt(GL_MODELVIEW_STACK_DEPTH), 1);
}

// White light keeps the picture's hue: the middle of the screen is the
// middle of the sphere on the cube's face; the corners stay black.
TEST_F(RenderAppTest, CubeShowsThePictureColours) {
  RenderApp app(m_picture);
  ASSERT_EQ(shellState().loadFailed, 0);
  app.DrawFrame();
  const std::vector<std::uint8_t> screen = m_gl->readPixels();

  const Rgb middle = at(screen, kWidth / 2, kHeight / 2);
  ASSERT_GT(middle.r, 60);
  EXPECT_NEAR(static_cast<double>(middle.g) / middle.r, 128.0 / 255.0, 0.03);
  EXPECT_LE(middle.b, 2);
  EXPECT_EQ(at(screen, kWidth - 5, kHeight - 5), (Rgb{0, 0, 0}));
}

// In the first frame, the one drawn without blending, the preview is the
// copied image pixel for pixel, 10 pixels from the bottom-left corner.
TEST_F(RenderAppTest, HoldingTShowsTheRenderTargetAtItsOwnSize) {
  RenderApp app(m_picture);
  ASSERT_EQ(shellState().loadFailed, 0);
  shellState().keyDown[kVkT] = 1;
  app.DrawFrame();
  const std::vector<std::uint8_t> screen = m_gl->readPixels();
  const std::vector<Rgb> copied = renderTarget();

  EXPECT_EQ(countMismatches(
                renderTargetSize, renderTargetSize,
                [&](int x, int y) { return at(screen, 10 + x, 10 + y); },
                [&](int x, int y) { return scaled(copied[y * renderTargetSize + x], 1.0); }),
            0);
  EXPECT_NEAR(at(screen, 20, 20).b, 102, 2) << "the blue background of the sphere pass";
  EXPECT_EQ(at(screen, 5, 5).b, 0) << "outside the preview the screen stays black";
  EXPECT_EQ(at(screen, 270, 20).b, 0) << "outside the preview the screen stays black";
}

// H darkens the band (80..800, 400..555) of the 800 x 600 overlay, whatever
// the screen size, to 40 % of what lies behind it, and nothing else.
class DarkPanelTest : public GlTest, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(DarkPanelTest, HoldingHDarkensExactlyTheBandTo40Percent) {
  const int screenWidth = GetParam().first, screenHeight = GetParam().second;
  shellState().screenWidth = screenWidth;
  shellState().screenHeight = screenHeight;
  ManualClock clock;  // never advanced: after frame 1 the angles stay put
  RenderApp app(m_picture, clock.clocks());
  ASSERT_EQ(shellState().loadFailed, 0);
  app.DrawFrame();
  app.DrawFrame();
  const std::vector<std::uint8_t> plain = m_gl->readPixels();
  shellState().keyDown[kVkH] = 1;
  app.DrawFrame();
  const std::vector<std::uint8_t> dark = m_gl->readPixels();

  int litInBand = 0;
  auto expected = [&](int x, int y) {
    const double cx = x + 0.5;
    const double cy = y + 0.5;
    const bool inBand = cx >= screenWidth * 0.1 && cx < screenWidth &&
                        cy >= screenHeight * 400.0 / 600.0 && cy < screenHeight * 555.0 / 600.0;
    litInBand += inBand && at(plain, x, y).r > 20;
    return scaled(at(plain, x, y), inBand ? 0.4 : 1.0);
  };
  EXPECT_EQ(countMismatches(kWidth, kHeight, [&](int x, int y) { return at(dark, x, y); },
                            expected),
            0);
  EXPECT_GT(litInBand, 1000) << "the cube must reach into the band for this to mean anything";
}

INSTANTIATE_TEST_SUITE_P(ScreenSizes, DarkPanelTest, ::testing::Values(std::pair{1024, 768}, std::pair{640, 480}));

// Frame 1 uses the starting rate of 200 frames per second and measures the
// time since construction; frame 2 advances by that time at 5 and 9 degrees
// per second, wrapping strictly above 360, once.
TEST_F(RenderAppTest, AnglesAdvanceByTheMeasuredTime) {
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
    pitch = 0.0f;
    yaw = 0.0f;
    ManualClock clock;
    RenderApp app(m_picture, clock.clocks());
    ASSERT_EQ(shellState().loadFailed, 0);
    clock.advance(c.ticks);
    app.DrawFrame();
    EXPECT_FLOAT_EQ(pitch, 5.0f / 200.0f);
    EXPECT_FLOAT_EQ(yaw, 9.0f / 200.0f);
    pitch = c.startPitch;
    yaw = c.startYaw;
    app.DrawFrame();
    EXPECT_FLOAT_EQ(pitch, c.pitch);
    EXPECT_FLOAT_EQ(yaw, c.yaw);
  }
}

TEST_F(RenderAppTest, MissingPictureFailsSilentlyAndMakesNothing) {
  int pointerShown = 0;
  shellState().showPointer = [&] { ++pointerShown; };
  {
    RenderApp app(m_folder / "absent.bmp");
    EXPECT_EQ(shellState().loadFailed, 1);
    EXPECT_EQ(app.Font(), nullptr);
    EXPECT_EQ(app.textures()[0], 0u);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST)) << "no GL set-up after a failed load";
    app.DrawFrame();  // must be harmless
  }
  EXPECT_EQ(pointerShown, 1);
}

TEST_F(RenderAppTest, DestructionFreesTexturesAndListsThenShowsThePointer) {
  int pointerShown = 0;
  shellState().showPointer = [&] { ++pointerShown; };
  GLuint names[3] = {};  // picture texture, glyph texture, first glyph list
  {
    RenderApp app(m_picture);
    ASSERT_EQ(shellState().loadFailed, 0);
    app.DrawFrame();
    names[0] = app.textures()[0];
    names[1] = app.Font()->texture();
    names[2] = app.Font()->listBase();
    ASSERT_TRUE(glIsTexture(names[0]) && glIsTexture(names[1]));
    ASSERT_TRUE(glIsList(names[2]) && glIsList(names[2] + 255));
    EXPECT_EQ(pointerShown, 0);
  }
  EXPECT_FALSE(glIsTexture(names[0]) || glIsTexture(names[1]));
  EXPECT_FALSE(glIsList(names[2]) || glIsList(names[2] + 255));
  EXPECT_EQ(pointerShown, 1);
}

}  // namespace
}  // namespace tumbleview::testing
