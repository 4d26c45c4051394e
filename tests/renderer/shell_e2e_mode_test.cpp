// The renderer program on a real X server whose display has a 1024 x 768
// mode besides its own 1280 x 1024 (Xorg with the dummy driver): the run
// switches the display to 1024 x 768 and the end puts it back, whichever way
// the run ends.
#include <signal.h>
#include <stdlib.h>

#include "shell_e2e_fixture.h"

namespace tvtest {
namespace {

class ModeChangeTest : public RendererE2eTest {
 protected:
  void SetUp() override {
    if (const char* why = getenv("TUMBLEVIEW_XORG_UNAVAILABLE")) GTEST_SKIP() << why;
    RendererE2eTest::SetUp();
    ASSERT_EQ(m_initialSize, (std::pair<int, int>{1280, 1024}));
    WriteSolidBmp(Picture(), 64, 64, 255, 0, 0);
    StartRenderer();
    const Window window = WaitForRenderWindow();
    ASSERT_NE(window, 0u) << m_renderer->Stderr();
    EXPECT_EQ(m_x->ScreenSize(), (std::pair<int, int>{1024, 768}));
    const Geometry geometry = m_x->GeometryOf(window);
    EXPECT_EQ(geometry.x, 0);
    EXPECT_EQ(geometry.y, 0);
    EXPECT_EQ(geometry.width, 1024);
    EXPECT_EQ(geometry.height, 768);
  }
  // RendererE2eTest::TearDown checks that the display mode is back.
};

TEST_F(ModeChangeTest, EscapeRestoresTheDisplayMode) {
  EXPECT_TRUE(KeepsDrawing());
  EXPECT_EQ(PressEscapeUntilEnd(), std::optional<int>(27));
}

TEST_F(ModeChangeTest, TerminationSignalRestoresTheDisplayMode) {
  kill(m_renderer->pid(), SIGTERM);
  EXPECT_EQ(m_renderer->WaitExit(kEndBound), std::optional<int>(0));
}

}  // namespace
}  // namespace tvtest
