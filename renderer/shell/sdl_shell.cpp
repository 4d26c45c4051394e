#include "sdl_shell.h"

#include <SDL.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "error_report.h"
#include "frame_pacer.h"
#include "frame_rate_overlay.h"
#include "handoff.h"
#include "render_app.h"
#include "sdl_messages.h"
#include "shell_state.h"
#include "window_proc.h"

namespace tumbleview {
namespace {

// X11 class (WM_CLASS) of the window.
constexpr const char* kWindowClass = "OpenGL";
// Caption of the decoder's message boxes.
constexpr const char* kErrorCaption = "Error";

constexpr int kMinimumDepthBits = 16;
constexpr int kDisplayIndex = 0;

// Everything CreateRenderWindow makes, unmade by destroyRenderApp and
// DestroyRenderWindow.
struct Handles {
  bool videoOpen = false;
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  std::unique_ptr<RenderApp> app;
  bool reporterInstalled = false;
  ErrorReporter previousReporter;
};

Handles& renderer() {
  static Handles handles;
  return handles;
}

// Bits a pixel of `format` takes in memory: a 24-bit-depth mode kept in
// 32-bit pixels is what the X server offers as its 32-bit mode.
int storedBitsPerPixel(Uint32 format) {
  if (SDL_ISPIXELFORMAT_FOURCC(format)) return 0;
  return SDL_BYTESPERPIXEL(format) * 8;
}

bool findExactMode(int width, int height, int bitsPerPixel, SDL_DisplayMode& found) {
  const int count = SDL_GetNumDisplayModes(kDisplayIndex);
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode mode{};
    if (SDL_GetDisplayMode(kDisplayIndex, i, &mode) != 0) continue;
    if (mode.w == width && mode.h == height && storedBitsPerPixel(mode.format) == bitsPerPixel) {
      found = mode;
      return true;
    }
  }
  return false;
}

// Window search by title, the saver's watch and the hack's foreign window
// are X11 services: in a Wayland session the renderer must run through
// XWayland too, whatever SDL would prefer there.  A driver chosen on purpose
// (the test drivers) is left alone.
void preferX11Video() {
  const char* chosen = SDL_getenv("SDL_VIDEODRIVER");
  if (!chosen || *chosen == '\0' || std::strcmp(chosen, "wayland") == 0) {
    SDL_setenv("SDL_VIDEODRIVER", "x11", 1);
  }
}

bool showsOnScreen(const char* videoDriver) {
  if (!videoDriver) return false;
  for (const char* invisible : {"offscreen", "dummy"}) {
    if (std::strcmp(videoDriver, invisible) == 0) return false;
  }
  return true;
}

void requestPixelFormat(int bitsPerPixel) {
  // Colour bits count the pixel as stored: 32 is 8 bits per channel, with
  // no alpha asked for (a 24-bit visual in 32-bit pixels).
  const int channelBits = bitsPerPixel >= 24 ? 8 : bitsPerPixel / 3;
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channelBits);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channelBits);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channelBits);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, kMinimumDepthBits);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

// Creates the hidden full-screen window and switches the display to `mode`
// by showing it.  Nullptr when the display ends up in another mode; the
// attempt is then undone.
SDL_Window* createFullScreenWindow(const char* title, const SDL_DisplayMode& mode) {
  SDL_Window* window = SDL_CreateWindow(title, 0, 0, mode.w, mode.h,
                                        SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_FULLSCREEN);
  if (!window) return nullptr;
  if (SDL_SetWindowDisplayMode(window, &mode) == 0) {
    SDL_ShowWindow(window);
    SDL_DisplayMode current{};
    if (SDL_GetCurrentDisplayMode(kDisplayIndex, &current) == 0 && current.w == mode.w &&
        current.h == mode.h && (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN)) {
      return window;
    }
  }
  // Destroying a full-screen window puts the desktop mode back.
  SDL_DestroyWindow(window);
  return nullptr;
}

void showError(const std::string& message) {
  // Also on standard error: the box may not be seen (no display for it), and
  // whoever started the renderer may keep its output.
  std::fputs(message.c_str(), stderr);
  if (message.empty() || message.back() != '\n') std::fputc('\n', stderr);
  SDL_ShowSimpleMessageBox(0, kErrorCaption, message.c_str(), renderer().window);
}

void writeReport(const char* line) {
  std::fputs(line, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

class SdlLoopPlatform final : public LoopPlatform {
 public:
  SdlLoopPlatform(bool report, const std::optional<HackPacing>& pacing)
      : m_windowId(SDL_GetWindowID(renderer().window)),
        m_report(report),
        m_hack(pacing),
        m_pacer(pacing ? pacing->delay : std::chrono::microseconds(0)) {}

  void pumpEvents(MessageQueue& queue) override {
    // Everything that has arrived goes into the queue in one go, so that a
    // burst of input is handled before the queue next looks empty.
    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
      if (m_hack && event.type != SDL_QUIT) continue;
      if (std::optional<Message> message = messageFromSdlEvent(event, m_windowId, m_state)) {
        queue.fromSystem(*message);
      }
    }
  }

  void DrawFrame() override {
    renderer().app->DrawFrame();
    if (m_hack && m_hack->showFps) {
      drawFrameRate(m_meter.framesPerSecond(), shellState().clientWidth, shellState().clientHeight);
    }
    ++m_frames;
  }

  void SwapBuffers() override {
    SDL_GL_SwapWindow(renderer().window);
    ++m_swaps;
    if (m_hack) paceNextFrame();
    if (!m_report) return;
    char line[96];
    if (m_swaps == 1) {
      const auto now = std::chrono::steady_clock::now().time_since_epoch();
      std::snprintf(line, sizeof line, "first-frame %" PRId64,
                    static_cast<std::int64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
      writeReport(line);
    }
    if (shellState().active != m_reportedActive) {
      m_reportedActive = shellState().active;
      std::snprintf(line, sizeof line, "active %d frames %" PRIu64, m_reportedActive ? 1 : 0, m_frames);
      writeReport(line);
    }
  }

  void reportEnd() const {
    if (!m_report) return;
    char line[96];
    std::snprintf(line, sizeof line, "frames %" PRIu64 " swaps %" PRIu64, m_frames, m_swaps);
    writeReport(line);
  }

 private:
  void paceNextFrame() {
    const auto now = FramePacer::Clock::now();
    m_meter.framePresented(now);
    const auto wait = m_pacer.waitAfterFrame(now);
    // A signal to end arrives as SDL_QUIT at the next pump, at most one
    // delay later: well within a daemon's grace period.
    if (wait > FramePacer::Clock::duration::zero()) std::this_thread::sleep_for(wait);
  }

  Uint32 m_windowId;
  bool m_report;
  std::optional<HackPacing> m_hack;
  FramePacer m_pacer;
  FrameRateMeter m_meter;
  SdlMessageState m_state;
  std::uint64_t m_frames = 0;
  std::uint64_t m_swaps = 0;
  bool m_reportedActive = true;
};

bool makeContextCurrent(Handles& handles) {
  handles.context = SDL_GL_CreateContext(handles.window);
  return handles.context && SDL_GL_MakeCurrent(handles.window, handles.context) == 0;
}

// The scene on the hand-off picture, with error boxes shown from here on;
// a scene that could not load takes the window down with it.
bool startScene(Handles& handles) {
  handles.previousReporter = setErrorReporter(showError);
  handles.reporterInstalled = true;
  handles.app = std::make_unique<RenderApp>(privateHandoffBitmapPath());
  if (shellState().loadFailed == 0) return true;
  destroyRenderApp();
  DestroyRenderWindow();
  return false;
}

}  // namespace

bool CreateRenderWindow(const char* title, int width, int height, int bitsPerPixel,
                        bool fullScreen) {
  Handles& handles = renderer();
  ShellState& shell = shellState();
  shell.fullScreen = fullScreen;

  // SDL reads the X11 class from the environment when its video starts.
  SDL_setenv("SDL_VIDEO_X11_WMCLASS", kWindowClass, 1);
  // Losing the focus must not minimize the window: only minimizing stops
  // the drawing, and the mode stays until the run ends.
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  preferX11Video();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  handles.videoOpen = true;
  // Without a display SDL falls back to drawing nowhere: such a run could
  // never be seen nor ended by a key, and would spin until killed.
  if (!showsOnScreen(SDL_GetCurrentVideoDriver())) {
    DestroyRenderWindow();
    return false;
  }

  requestPixelFormat(bitsPerPixel);
  if (shell.fullScreen) {
    SDL_DisplayMode mode{};
    if (findExactMode(width, height, bitsPerPixel, mode)) {
      handles.window = createFullScreenWindow(title, mode);
    }
    // No such mode, or the display refused it: an ordinary window instead.
    if (!handles.window) shell.fullScreen = false;
  }
  if (!handles.window) {
    handles.window = SDL_CreateWindow(title, 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  }
  if (!handles.window || !makeContextCurrent(handles)) {
    DestroyRenderWindow();
    return false;
  }

  SDL_ShowWindow(handles.window);
  SDL_RaiseWindow(handles.window);
  SDL_SetWindowInputFocus(handles.window);
  SDL_ShowCursor(SDL_DISABLE);

  int clientWidth = width;
  int clientHeight = height;
  SDL_GetWindowSize(handles.window, &clientWidth, &clientHeight);
  shell.clientWidth = clientWidth;
  shell.clientHeight = clientHeight;
  shell.showPointer = [] { SDL_ShowCursor(SDL_ENABLE); };
  shell.loadFailed = 0;
  return startScene(handles);
}

bool createRenderWindowInto(std::uint32_t window) {
  Handles& handles = renderer();
  ShellState& shell = shellState();
  shell.fullScreen = false;

  // SDL makes a GL context for a foreign window only when told to; it then
  // uses the window's own visual, which the daemon chose for GL hacks.
  SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
  preferX11Video();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  handles.videoOpen = true;
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::strcmp(driver, "x11") != 0) {
    DestroyRenderWindow();
    return false;
  }
  requestPixelFormat(shell.colourBits);
  handles.window = SDL_CreateWindowFrom(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(window)));
  if (!handles.window || !makeContextCurrent(handles)) {
    DestroyRenderWindow();
    return false;
  }
  int width = 0;
  int height = 0;
  SDL_GetWindowSize(handles.window, &width, &height);
  // The given window is the whole screen of this run: the cube fills it.
  shell.screenWidth = shell.clientWidth = width;
  shell.screenHeight = shell.clientHeight = height;
  // The owner's pointer is none of the renderer's business.
  shell.showPointer = nullptr;
  shell.loadFailed = 0;
  return startScene(handles);
}

int runRenderLoop(const std::optional<HackPacing>& pacing) {
  SdlLoopPlatform platform(std::getenv("TUMBLEVIEW_FRAME_REPORT") != nullptr, pacing);
  MessageQueue queue;
  const int status = runMessageLoop(shellState(), queue, platform);
  platform.reportEnd();
  return status;
}

void destroyRenderApp() { renderer().app.reset(); }

void DestroyRenderWindow() {
  Handles& handles = renderer();
  if (handles.videoOpen) SDL_ShowCursor(SDL_ENABLE);
  if (shellState().fullScreen && handles.window) SDL_SetWindowFullscreen(handles.window, 0);
  if (handles.context) {
    SDL_GL_MakeCurrent(handles.window, nullptr);
    SDL_GL_DeleteContext(handles.context);
    handles.context = nullptr;
  }
  if (handles.reporterInstalled) {
    setErrorReporter(std::move(handles.previousReporter));
    handles.reporterInstalled = false;
  }
  if (handles.window) {
    SDL_DestroyWindow(handles.window);
    handles.window = nullptr;
  }
  if (handles.videoOpen) {
    SDL_Quit();
    handles.videoOpen = false;
  }
}

}  // namespace tumbleview
