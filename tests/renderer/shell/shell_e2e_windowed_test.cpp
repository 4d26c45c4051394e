// The renderer program on an X server that has no 1024 x 768 mode (a fixed
// 800 x 600 Xvfb): the run is windowed, with a decorated window whose client
// area is 1024 x 768 at the screen's top-left corner.
#include "shell_e2e.h"

namespace tvtest {
namespace {

TEST_F(RendererE2eTest, RefusedModeGivesDecoratedWindowOfTheSameClientSize) {
  ASSERT_EQ(m_initialSize, (std::pair<int, int>{800, 600}));
  startWindowManager();
  const Window window = startShowing(0xFF0000);
  ASSERT_NE(window, 0u);
  const std::array<int, 4> client = m_x->geometryOf(window);
  EXPECT_EQ(client[2], 1024);
  EXPECT_EQ(client[3], 768);
  // Decorated: the window manager's frame holds the window, and the frame
  // sits at the top-left corner with the client below its title bar.
  Window frame = window;
  while (m_x->parent(frame) != 0 && m_x->parent(frame) != m_x->root()) frame = m_x->parent(frame);
  ASSERT_NE(frame, window) << "no frame around the window";
  EXPECT_EQ(m_x->geometryOf(frame)[0], 0);
  EXPECT_EQ(m_x->geometryOf(frame)[1], 0);
  EXPECT_GT(client[1], 0);
  EXPECT_TRUE(keepsDrawing());
  EXPECT_EQ(pressEscapeUntilEnd(), std::optional<int>(27));
  // The fixture checks that the display size stayed 800 x 600.
}

}  // namespace
}  // namespace tvtest
