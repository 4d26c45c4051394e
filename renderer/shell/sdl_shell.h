// Platform layer of the renderer program: the one window with its OpenGL
// context and display mode, made and unmade through SDL2, and the loop that
// feeds SDL's events to the window procedure (window_proc.h).  On X11 the
// window's class (WM_CLASS) is "OpenGL" and it carries _NET_WM_PID; SIGINT
// and SIGTERM arrive as a close request (SDL turns them into SDL_QUIT), so
// the display mode is restored then too.
//
// The handles (window, context, the scene) are process-wide and live from
// CreateRenderWindow to DestroyRenderWindow.  One thread only.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace tumbleview {

// Makes the window titled `title` with an OpenGL context of `bitsPerPixel`
// colour bits (8 per channel), at least 16 depth bits and double buffering,
// makes it current, takes the keyboard focus, hides the pointer and creates
// the scene (RenderApp).
//
// Full screen: only an exact `width` x `height` display mode with
// `bitsPerPixel` bits per pixel (a 24-bit-depth mode stored in 32 bits counts
// as 32) is accepted, and the display is switched to it.  When the display
// has no such mode or refuses the change, shellState().fullScreen is cleared and
// the window is an ordinary decorated one whose client area is `width` x
// `height`, at the screen's top-left corner.
//
// The decoder's messages are shown, while the window exists, in a blocking
// box titled "Error" owned by the window, and also written to standard error.
//
// Returns true when the renderer can run.  On false everything made so far
// has been unmade again (the scene first, then DestroyRenderWindow): no
// window is left and the display mode is what it was.
bool CreateRenderWindow(const char* title, int width, int height, int bitsPerPixel,
                        bool fullScreen);

// The hack mode (hack_arguments.h): the scene drawn into an existing X11
// window `window` that a screen-saver daemon (or a settings program's
// preview pane) owns, at that window's size.  No display-mode change, no
// window of its own, no pointer or focus change: the owner keeps the input
// and ends the renderer with a signal.  Otherwise as CreateRenderWindow;
// false, with everything undone, when the window cannot be drawn into.
bool createRenderWindowInto(std::uint32_t window);

// How the hack mode paces its frames.
struct HackPacing {
  std::chrono::microseconds delay{0};  // between frame starts; 0 never waits
  bool showFps = false;                // the frame-rate display
};

// Runs the message loop (runMessageLoop) on the window until the quit
// message or Escape; returns the exit status.  Needs a successful
// CreateRenderWindow or createRenderWindowInto.  With `pacing` (the hack
// mode) frames are paced, the frame rate may be shown, and only a close
// request (SDL_QUIT, which SIGTERM raises) reaches the window procedure:
// keys and the pointer belong to the window's owner.
//
// When $TUMBLEVIEW_FRAME_REPORT is set (to anything), progress goes to
// standard output, one line each, for benchmarks and tests:
//   "first-frame <ns>"     after the first buffer swap; steady-clock ns
//   "active <0|1> frames <n>"  when drawing stops or starts again
//   "frames <n> swaps <n>"     when the loop ends
int runRenderLoop(const std::optional<HackPacing>& pacing = std::nullopt);

// Destroys the scene while its context is still current (it frees its
// textures and lists there, and shows the pointer).  Safe without a scene.
void destroyRenderApp();

// Undoes what CreateRenderWindow made on the windowing side, in this order:
// shows the pointer, restores the display mode (only after a full-screen
// change), releases the context, destroys the window, closes SDL's video.
// Never fails; safe to call when nothing or only part was made.  The scene
// must be gone already (destroyRenderApp).
void DestroyRenderWindow();

}  // namespace tumbleview
