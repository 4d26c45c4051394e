// The renderer program on a real X server whose display has a 1024 x 768
// mode besides its own 1280 x 1024 (Xorg with the dummy driver): the run
// switches the display to 1024 x 768 and the end puts it back (checked by
// the fixture), whichever way the run ends.
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
    m_window = startShowing(255, 0, 0);
    ASSERT_NE(m_window, 0u);
    EXPECT_EQ(m_x->screenSize(), (std::pair<int, int>{1024, 768}));
    const Geometry geometry = m_x->geometryOf(m_window);
    EXPECT_EQ((std::vector{geometry.x, geometry.y, geometry.width, geometry.height}), (std::vector{0, 0, 1024, 768}));
  }
  Window m_window = 0;
};

TEST_F(ModeChangeTest, EscapeRestoresTheDisplayMode) {
  EXPECT_TRUE(keepsDrawing());
  EXPECT_EQ(pressEscapeUntilEnd(), std::optional<int>(27));
}

TEST_F(ModeChangeTest, TerminationSignalRestoresTheDisplayMode) {
  kill(m_renderer->pid(), SIGTERM);
  EXPECT_EQ(m_renderer->waitExit(kBound), std::optional<int>(0));
}

}  // namespace
}  // namespace tvtest
