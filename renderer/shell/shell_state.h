// Process-wide values that the renderer's program shell owns and the scene
// reads.  The shell fills them before it creates the scene; tests set them
// directly.  Single-threaded: only the renderer's one thread touches them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace tumbleview {

// Windows virtual-key codes, the indices of ShellState::keyDown.
inline constexpr int kVkLButton = 1;
inline constexpr int kVkRButton = 2;
inline constexpr int kVkEscape = 27;
inline constexpr int kVkH = 72;
inline constexpr int kVkT = 84;
inline constexpr int kKeyCount = 256;

struct ShellState {
  int screenWidth = 1024;  // pixels
  int screenHeight = 768;  // pixels
  int colourBits = 32;     // bits per pixel of the display mode
  // Full-screen request; cleared when the display refuses the mode change.
  bool fullScreen = true;
  // False while the window is minimized: no frame is drawn then.
  bool active = true;
  // 1 while the key with that virtual-key code is held, 0 otherwise.
  std::array<std::uint8_t, kKeyCount> keyDown{};
  // Set to 1 by the scene's constructor when a texture cannot be made.
  int loadFailed = 0;
  // The window's client area in pixels, as measured when the scene starts.
  // Only a windowed run uses it (for the cube's aspect ratio).
  int clientWidth = 1024;
  int clientHeight = 768;
  // Shows the mouse pointer again; the scene's destructor calls it.
  // Empty when there is no pointer to show (offscreen tests).
  std::function<void()> showPointer;
};

// The one instance.
ShellState& shellState();

}  // namespace tumbleview
