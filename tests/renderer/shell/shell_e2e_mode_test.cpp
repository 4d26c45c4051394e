// The renderer program on a real X server whose display has a 1024 x 768
// mode besides its own 1280 x 1024 (Xorg with the dummy driver): the run
// switches the display to 1024 x 768 and the end puts it back (checked by
// the fixture), whichever way the run ends.
#include <stdlib.h>

#include "shell_e2e.h"

namespace tvtest {
namespace {

class ModeChangeTest : public RendererE2eTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ModeChangeTest, EscapeOrTerminationSignalRestoresTheDisplayMode) {
  if (const char* why = getenv("TUMBLEVIEW_XORG_UNAVAILABLE")) GTEST_SKIP() << why;
  ASSERT_EQ(m_initialSize, (std::pair<int, int>{1280, 1024}));
  const Window window = startShowing(0xFF0000);
  ASSERT_NE(window, 0u);
  EXPECT_EQ(m_x->screenSize(), (std::pair<int, int>{1024, 768}));
  EXPECT_EQ(m_x->geometryOf(window), (std::array{0, 0, 1024, 768}));
  if (GetParam()) {
    kill(m_renderer->pid(), SIGTERM);
    EXPECT_EQ(m_renderer->waitExit(kBound), std::optional<int>(0));
  } else {
    EXPECT_TRUE(keepsDrawing());
    EXPECT_EQ(pressEscapeUntilEnd(), std::optional<int>(27));
  }
}

INSTANTIATE_TEST_SUITE_P(EndedBySignal, ModeChangeTest, ::testing::Values(false, true));

}  // namespace
}  // namespace tvtest
