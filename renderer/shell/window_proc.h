// The renderer's message logic, free of any windowing library: the message
// queue, the window procedure with its table of held keys, the translation of
// key-downs into character messages, and the loop that draws whenever the
// queue is empty.  Messages keep their Windows numbers and meanings, so the
// platform layer (sdl_shell.cpp) only has to turn its events into them, and
// tests can drive exact message sequences without a display.
//
// Single-threaded: everything here runs on the renderer's one thread.
#pragma once

#include <cstdint>
#include <deque>

#include "shell_state.h"

namespace tumbleview {

// Windows message numbers.
inline constexpr std::uint32_t kWmActivate = 0x0006;
inline constexpr std::uint32_t kWmClose = 0x0010;
inline constexpr std::uint32_t kWmQuit = 0x0012;
inline constexpr std::uint32_t kWmKeyDown = 0x0100;
inline constexpr std::uint32_t kWmKeyUp = 0x0101;
inline constexpr std::uint32_t kWmChar = 0x0102;
inline constexpr std::uint32_t kWmSysKeyDown = 0x0104;
inline constexpr std::uint32_t kWmSysKeyUp = 0x0105;
inline constexpr std::uint32_t kWmSysChar = 0x0106;
inline constexpr std::uint32_t kWmMouseMove = 0x0200;
inline constexpr std::uint32_t kWmLButtonDown = 0x0201;
inline constexpr std::uint32_t kWmLButtonUp = 0x0202;
inline constexpr std::uint32_t kWmRButtonDown = 0x0204;
inline constexpr std::uint32_t kWmRButtonUp = 0x0205;
inline constexpr std::uint32_t kWmMButtonDown = 0x0207;
inline constexpr std::uint32_t kWmMButtonUp = 0x0208;
inline constexpr std::uint32_t kWmMouseWheel = 0x020A;

// Low word of WM_ACTIVATE's wParam; the high word is 1 while minimized.
inline constexpr std::uintptr_t kWaInactive = 0;
inline constexpr std::uintptr_t kWaActive = 1;

struct Message {
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  // For a key-down: the character that translation makes of it (the
  // platform layer knows the keyboard layout), 0 when the key makes none.
  std::uint32_t character = 0;
};

// WM_ACTIVATE's wParam for the given activation and minimized state.
constexpr std::uintptr_t activateParam(std::uintptr_t activation, bool minimized) {
  return activation | (minimized ? std::uintptr_t{1} << 16 : 0);
}

// The thread's message queue.  Messages come out in the order the platform
// gives them: first those posted by the program itself (character messages
// from translation), then input from the windowing system in arrival order,
// and the quit message only when nothing else is waiting.
//
// Window-state notifications (WM_ACTIVATE, WM_CLOSE) are not queued: as on
// Windows, the system sends them, the window procedure gets them at the next
// look at the queue, and they never count as a message removed from it (so
// they never become the exit status).
class MessageQueue {
 public:
  // A message the program posts to itself.
  void post(const Message& message);
  // An input message from the windowing system.
  void postInput(const Message& message);
  // A message from the windowing system: sent when it is a window-state
  // notification, queued as input otherwise.
  void fromSystem(const Message& message);
  // Takes the oldest sent message not yet handed to the window procedure.
  bool takeSent(Message& out);
  // Marks the queue so that WM_QUIT with wParam `exitCode` comes out once
  // everything else has.
  void postQuit(int exitCode);

  // Removes the next message into `out`; false (and `out` untouched) when
  // nothing is waiting.
  bool peek(Message& out);
  bool empty() const;

 private:
  std::deque<Message> m_sent;
  std::deque<Message> m_posted;
  std::deque<Message> m_input;
  bool m_quitPosted = false;
  int m_quitCode = 0;
};

// Queues the character message that a key-down with a character makes, as
// TranslateMessage does: WM_CHAR for WM_KEYDOWN, WM_SYSCHAR for
// WM_SYSKEYDOWN, with the character as wParam and the key's lParam.  Other
// messages are left alone.
void TranslateMessage(MessageQueue& queue, const Message& message);

// The window procedure.  Updates `shell` (active, keyDown) and posts the quit
// message on a close request; everything it does not handle gets the default
// processing, which here has nothing to do and answers 0.
std::intptr_t WindowProc(ShellState& shell, MessageQueue& queue, const Message& message);

// What the loop needs of the platform.
class LoopPlatform {
 public:
  virtual ~LoopPlatform() = default;
  // Moves every event that is waiting now into the queue; never blocks.
  virtual void pumpEvents(MessageQueue& queue) = 0;
  // Draws one frame into the back buffer.
  virtual void DrawFrame() = 0;
  // Presents the back buffer.
  virtual void SwapBuffers() = 0;
};

// Runs the loop until the quit message or Escape seen at an empty queue, and
// returns the exit status: the wParam of the last message removed (0 when no
// message was ever removed).  Sent messages go to the window procedure before
// each look at the queue.  Never sleeps: with nothing waiting it draws
// (while shell.active) and swaps straight away.
int runMessageLoop(ShellState& shell, MessageQueue& queue, LoopPlatform& platform);

}  // namespace tumbleview
