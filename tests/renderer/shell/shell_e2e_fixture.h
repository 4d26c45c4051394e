// The fixture of the renderer's whole-program tests: a private picture
// folder, the program started on it, and the checks every run ends with (no
// window of ours left, display size as before).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "handoff.h"
#include "shell_e2e_support.h"
#include "temp_folder.h"

namespace tvtest {

inline constexpr const char* kRenderWindowTitle = tumbleview::kRendererWindowTitle;
inline constexpr const char* kErrorBoxTitle = "Error";
inline constexpr unsigned long kEscapeKeysym = 0xff1b;  // XK_Escape

// Generous bound on every wait: the machine may be loaded.
inline constexpr Seconds kBound{10};

class RendererE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_x = std::make_unique<XDisplay>();
    m_initialSize = m_x->screenSize();
  }

  void TearDown() override {
    if (!m_x) return;  // no display: nothing was started
    if (m_renderer && m_renderer->running()) ADD_FAILURE() << "the renderer was still running at the end of the test";
    m_renderer.reset();
    EXPECT_TRUE(waitUntil([&] { return m_x->findByTitle(kRenderWindowTitle).empty(); }, kBound))
        << "a window titled " << kRenderWindowTitle << " is left";
    EXPECT_EQ(m_x->screenSize(), m_initialSize) << "the display size changed";
    m_windowManager.reset();
    m_x.reset();
  }

  std::filesystem::path picturePath() const { return m_drive / tumbleview::kHandoffFileName; }

  void startRenderer() {
    m_renderer = std::make_unique<Process>(
        std::vector<std::string>{TUMBLEVIEW_RENDERER},
        std::vector<std::string>{"TUMBLEVIEW_DRIVE_C=" + m_drive.string(), "TUMBLEVIEW_FRAME_REPORT=1"}, m_drive,
        "renderer");
  }

  // Starts the renderer on a 64 x 64 picture of one colour; its window once
  // it is mapped and has presented a frame, or 0.
  Window startShowing(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    writeSolidBmp(picturePath(), 64, 64, r, g, b);
    startRenderer();
    Window window = 0;
    waitUntil(
        [&] {
          const std::vector<Window> found = m_x->findByTitle(kRenderWindowTitle);
          if (found.size() == 1 && m_x->shown(found.front())) window = found.front();
          return window != 0 && m_renderer->stdout().find("first-frame") != std::string::npos;
        },
        kBound);
    if (window == 0) ADD_FAILURE() << "no window titled " << kRenderWindowTitle << "; " << m_renderer->stderr();
    return window;
  }

  // True once the screen shows something else than `before`, by at least
  // 500 pixels.
  bool screenChangesFrom(const Screenshot& before) {
    return waitUntil([&] { return m_x->capture().difference(before) >= 500; }, kBound);
  }

  // Waits for the screen to change twice: frames are still being presented.
  bool keepsDrawing() { return screenChangesFrom(m_x->capture()) && screenChangesFrom(m_x->capture()); }

  // Takes the keyboard focus away from the renderer once SDL has taken note
  // of its own focus: SDL delivers focus changes some 200 ms after they
  // happen, and a change in between would go unseen.  Nothing outside shows
  // that moment, so this waits a fixed while.
  void stealFocus() {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const Window other = m_x->takeFocus();
    EXPECT_EQ(m_x->focus(), other);
  }

  void startWindowManager() {
    m_windowManager = std::make_unique<Process>(std::vector<std::string>{"openbox", "--sm-disable"},
                                                std::vector<std::string>{}, m_drive, "openbox");
    ASSERT_TRUE(waitUntil([&] { return m_x->hasWindowManager(); }, kBound)) << "openbox did not start";
  }

  // Escape pressed until the renderer ends; its exit status.
  std::optional<int> pressEscapeUntilEnd() {
    m_x->key(kEscapeKeysym, true);
    const std::optional<int> status = m_renderer->waitExit(kBound);
    m_x->key(kEscapeKeysym, false);
    return status;
  }

  std::optional<int> closeUntilEnd(Window window) {
    m_x->requestClose(window);
    return m_renderer->waitExit(kBound);
  }

  const tumbleview::test::TempFolder m_temp;  // mode 0700
  const std::filesystem::path& m_drive = m_temp.path();
  std::unique_ptr<XDisplay> m_x;
  std::unique_ptr<Process> m_renderer;
  std::unique_ptr<Process> m_windowManager;
  std::pair<int, int> m_initialSize;
};

}  // namespace tvtest
