#include <GL/gl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "render_app.h"
#include "scene_test_support.h"
#include "shell_state.h"

namespace tumbleview::testing {
namespace {

constexpr Rgb kOrange{255, 128, 0};

class RenderAppTest : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    m_picture = m_folder / "Tumbleview.bmp";
    WriteSolidBitmap(m_picture, 64, 64, kOrange);
  }

  // The render target's current image (the default texture object), RGB.
  static std::vector<std::uint8_t> RenderTargetImage() {
    std::vector<std::uint8_t> rgb(renderTargetSize * renderTargetSize * 3);
    glBindTexture(GL_TEXTURE_2D, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
  }
  static Rgb TargetAt(const std::vector<std::uint8_t>& rgb, int x, int y) {
    const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * renderTargetSize + x) * 3];
    return {p[0], p[1], p[2]};
  }

  std::filesystem::path m_picture;
};

TEST_F(RenderAppTest, ConstructionSetsUpDepthTestedUnblendedState) {
  RenderApp app(m_picture);
  ASSERT_EQ(Shell().loadFailed, 0);
  ASSERT_NE(app.Font(), nullptr);
  EXPECT_NE(app.Textures()[0], 0u);
  EXPECT_EQ(app.Textures()[1], 0u) << "the render target is the default texture object";
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  GLint depthFunc = 0;
  glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
  EXPECT_EQ(depthFunc, GL_LEQUAL);
}

// The sphere pass of the first frame replaces the dark blue background with
// the opaque orange picture; every later frame blends it onto the blue with
// (source alpha, one minus source colour), which keeps 40 % blue under the
// orange: blue = 0.4 * 255 * (1 - 0) = 102.
TEST_F(RenderAppTest, FirstFrameIsOpaqueLaterFramesAreBlended) {
  RenderApp app(m_picture);
  ASSERT_EQ(Shell().loadFailed, 0);

  app.DrawFrame();
  const Rgb first = TargetAt(RenderTargetImage(), 128, 128);
  EXPECT_GT(first.r, 100);
  EXPECT_LE(first.b, 2) << "first frame: sphere drawn opaque over the blue";
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  GLint source = 0;
  GLint destination = 0;
  glGetIntegerv(GL_BLEND_SRC, &source);
  glGetIntegerv(GL_BLEND_DST, &destination);
  EXPECT_EQ(source, GL_SRC_ALPHA);
  EXPECT_EQ(destination, GL_ONE_MINUS_SRC_COLOR);

  app.DrawFrame();
  const Rgb second = TargetAt(RenderTargetImage(), 128, 128);
  EXPECT_GT(second.r, 100);
  EXPECT_NEAR(second.b, 102, 3) << "later frames: sphere blended onto the blue";
}

// A solid picture keeps its hue through white lighting and the render
// target: the middle of the screen is the middle of the sphere on the cube's
// face, while the corners stay black.
TEST_F(RenderAppTest, CubeShowsThePictureColours) {
  RenderApp app(m_picture);
  ASSERT_EQ(Shell().loadFailed, 0);
  app.DrawFrame();
  const std::vector<std::uint8_t> screen = m_gl->ReadPixels();

  const Rgb middle = At(screen, kWidth / 2, kHeight / 2);
  ASSERT_GT(middle.r, 60);
  EXPECT_NEAR(static_cast<double>(middle.g) / middle.r, 128.0 / 255.0, 0.03);
  EXPECT_LE(middle.b, 2);
  const Rgb corner = At(screen, kWidth - 5, kHeight - 5);
  EXPECT_EQ(corner.r + corner.g + corner.b, 0);
}

// In the first frame, the one drawn without blending, the preview is the
// copied image pixel for pixel.
TEST_F(RenderAppTest, HoldingTShowsTheRenderTargetAtItsOwnSize) {
  RenderApp previewed(m_picture);
  ASSERT_EQ(Shell().loadFailed, 0);
  Shell().keyDown[kVkT] = 1;
  previewed.DrawFrame();
  const std::vector<std::uint8_t> screen = m_gl->ReadPixels();
  const std::vector<std::uint8_t> target = RenderTargetImage();

  int mismatches = 0;
  for (int y = 0; y < renderTargetSize; ++y) {
    for (int x = 0; x < renderTargetSize; ++x) {
      const Rgb shown = At(screen, 10 + x, 10 + y);
      const Rgb copied = TargetAt(target, x, y);
      if (std::abs(shown.r - copied.r) > 1 || std::abs(shown.g - copied.g) > 1 ||
          std::abs(shown.b - copied.b) > 1) {
        if (mismatches++ == 0) {
          ADD_FAILURE() << "first mismatch at target pixel (" << x << ", " << y << "): shown "
                        << int(shown.r) << "," << int(shown.g) << "," << int(shown.b)
                        << " copied " << int(copied.r) << "," << int(copied.g) << ","
                        << int(copied.b);
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_NEAR(At(screen, 20, 20).b, 102, 2) << "the blue background of the sphere pass";
  EXPECT_EQ(At(screen, 5, 5).b, 0) << "outside the preview the screen stays black";
  EXPECT_EQ(At(screen, 270, 20).b, 0) << "outside the preview the screen stays black";
}

// H darkens the band (80..800, 400..555) of the 800 x 600 overlay, whatever
// the screen size, to 40 % of what lies behind it and nothing else.
class DarkPanelTest : public RenderAppTest,
                      public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(DarkPanelTest, HoldingHDarkensExactlyTheBandTo40Percent) {
  const int screenWidth = GetParam().first;
  const int screenHeight = GetParam().second;
  Shell().screenWidth = screenWidth;
  Shell().screenHeight = screenHeight;
  ManualClock clock;  // never advanced: the angles stay put after frame 1
  RenderApp app(m_picture, clock.Clocks());
  ASSERT_EQ(Shell().loadFailed, 0);
  app.DrawFrame();
  app.DrawFrame();
  const std::vector<std::uint8_t> plain = m_gl->ReadPixels();
  Shell().keyDown[kVkH] = 1;
  app.DrawFrame();
  const std::vector<std::uint8_t> dark = m_gl->ReadPixels();

  auto inBand = [&](int x, int y) {
    const double cx = x + 0.5;
    const double cy = y + 0.5;
    return cx >= screenWidth * 0.1 && cx < screenWidth && cy >= screenHeight * 400.0 / 600.0 &&
           cy < screenHeight * 555.0 / 600.0;
  };
  int wrong = 0;
  int litInBand = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const Rgb before = At(plain, x, y);
      const Rgb after = At(dark, x, y);
      const bool band = inBand(x, y);
      const double factor = band ? 0.4 : 1.0;
      litInBand += band && before.r > 20;
      const bool ok = std::abs(after.r - before.r * factor) <= 1.0 &&
                      std::abs(after.g - before.g * factor) <= 1.0 &&
                      std::abs(after.b - before.b * factor) <= 1.0;
      if (!ok && wrong++ == 0) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") " << (band ? "in" : "outside")
                      << " the band: " << int(before.r) << " became " << int(after.r);
      }
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(litInBand, 1000) << "the cube must reach into the band for this to mean anything";
}

INSTANTIATE_TEST_SUITE_P(ScreenSizes, DarkPanelTest,
                         ::testing::Values(std::pair{1024, 768}, std::pair{640, 480}),
                         [](const auto& param) {
                           return std::to_string(param.param.first) + "x" +
                                  std::to_string(param.param.second);
                         });

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
    RenderApp app(m_picture, clock.Clocks());
    ASSERT_EQ(Shell().loadFailed, 0);
    clock.Advance(c.ticks);
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
  Shell().showPointer = [&] { ++pointerShown; };
  {
    RenderApp app(m_folder / "absent.bmp");
    EXPECT_EQ(Shell().loadFailed, 1);
    EXPECT_EQ(app.Font(), nullptr);
    EXPECT_EQ(app.Textures()[0], 0u);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST)) << "no GL set-up after a failed load";
    app.DrawFrame();  // must be harmless
  }
  EXPECT_EQ(pointerShown, 1);
}

// The no-argument constructor reads the hand-off bitmap only from a folder
// that is private to the user.
TEST_F(RenderAppTest, HandoffPictureIsUsedOnlyFromAPrivateFolder) {
  struct Case {
    mode_t mode;
    int loadFailed;
  };
  for (const Case c : {Case{0700, 0}, Case{0755, 1}, Case{0770, 1}}) {
    SCOPED_TRACE(c.mode);
    ASSERT_EQ(chmod(m_folder.c_str(), c.mode), 0);
    setenv("TUMBLEVIEW_DRIVE_C", m_folder.c_str(), 1);
    Shell().loadFailed = 0;
    {
      RenderApp app;
      EXPECT_EQ(Shell().loadFailed, c.loadFailed);
    }
    unsetenv("TUMBLEVIEW_DRIVE_C");
  }
  chmod(m_folder.c_str(), 0700);
}

TEST_F(RenderAppTest, DestructionFreesTexturesAndListsThenShowsThePointer) {
  int pointerShown = 0;
  Shell().showPointer = [&] { ++pointerShown; };
  GLuint picture = 0;
  GLuint glyphs = 0;
  GLuint lists = 0;
  {
    RenderApp app(m_picture);
    ASSERT_EQ(Shell().loadFailed, 0);
    app.DrawFrame();
    picture = app.Textures()[0];
    glyphs = app.Font()->Texture();
    lists = app.Font()->ListBase();
    ASSERT_TRUE(glIsTexture(picture));
    ASSERT_TRUE(glIsTexture(glyphs));
    ASSERT_TRUE(glIsList(lists));
    ASSERT_TRUE(glIsList(lists + 255));
    EXPECT_EQ(pointerShown, 0);
  }
  EXPECT_FALSE(glIsTexture(picture));
  EXPECT_FALSE(glIsTexture(glyphs));
  EXPECT_FALSE(glIsList(lists));
  EXPECT_FALSE(glIsList(lists + 255));
  EXPECT_EQ(pointerShown, 1);
}

}  // namespace
}  // namespace tumbleview::testing
