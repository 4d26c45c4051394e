// The saver in a Wayland session (headless weston with XWayland): both
// programs choose their X11 back ends even when the environment asks for
// Wayland, the run and the single-instance test work through XWayland, and
// the desktop, which XWayland cannot see, is replaced by the saver's still.
#include "assets.h"
#include "saver_system_support.h"

namespace {

using namespace tvtest;

class XWayland : public SaverSystem {
 protected:
  static void SetUpTestSuite() {
    if (const char* why = std::getenv("TUMBLEVIEW_NO_WAYLAND")) GTEST_SKIP() << why;
  }
};

TEST_F(XWayland, RunsWithTheStillForTheDesktopAndRefusesASecondCopy) {
  m_install.choose({0, "", 0, 0, ""});
  std::unique_ptr<Process> saver =
      m_install.start({"/s"}, {"QT_QPA_PLATFORM=wayland", "SDL_VIDEODRIVER=wayland"});
  const Window renderer = rendererShown(*saver);
  ASSERT_NE(renderer, 0u) << saver->stdout() << saver->stderr();
  for (const char* second : {"/s", "/c"}) {
    EXPECT_EQ(m_install.start({second}, {"QT_QPA_PLATFORM=wayland"})->waitExit(kSaverBound), 0) << second;
  }
  EXPECT_EQ(handoff(), QImage(QString::fromLatin1(tumbleview::assets::kPreview)).convertToFormat(QImage::Format_RGB32));
  // Closed as a user closes it: XWayland's window manager decides the focus.
  m_x.requestClose(renderer);
  EXPECT_EQ(saver->waitExit(kSaverBound), 0);
}

}  // namespace
