#include "window_proc.h"

namespace tumbleview {

void MessageQueue::post(const Message& message) { m_posted.push_back(message); }

void MessageQueue::postInput(const Message& message) { m_input.push_back(message); }

void MessageQueue::fromSystem(const Message& message) {
  if (message.message == kWmActivate || message.message == kWmClose) {
    m_sent.push_back(message);
  } else {
    m_input.push_back(message);
  }
}

bool MessageQueue::takeSent(Message& out) {
  if (m_sent.empty()) return false;
  out = m_sent.front();
  m_sent.pop_front();
  return true;
}

void MessageQueue::postQuit(int exitCode) {
  m_quitPosted = true;
  m_quitCode = exitCode;
}

bool MessageQueue::peek(Message& out) {
  if (!m_posted.empty()) {
    out = m_posted.front();
    m_posted.pop_front();
    return true;
  }
  if (!m_input.empty()) {
    out = m_input.front();
    m_input.pop_front();
    return true;
  }
  if (m_quitPosted) {
    m_quitPosted = false;
    out = Message{kWmQuit, static_cast<std::uintptr_t>(m_quitCode), 0, 0};
    return true;
  }
  return false;
}

bool MessageQueue::empty() const {
  return m_sent.empty() && m_posted.empty() && m_input.empty() && !m_quitPosted;
}

void TranslateMessage(MessageQueue& queue, const Message& message) {
  if (message.character == 0) return;
  if (message.message == kWmKeyDown) {
    queue.post(Message{kWmChar, message.character, message.lParam, 0});
  } else if (message.message == kWmSysKeyDown) {
    queue.post(Message{kWmSysChar, message.character, message.lParam, 0});
  }
}

namespace {

void setKey(ShellState& shell, std::uintptr_t code, std::uint8_t held) {
  // The table covers the virtual-key codes 0 to 255; anything else is not
  // a key the renderer knows.
  if (code < static_cast<std::uintptr_t>(kKeyCount)) shell.keyDown[code] = held;
}

}  // namespace

std::intptr_t WindowProc(ShellState& shell, MessageQueue& queue, const Message& message) {
  switch (message.message) {
    case kWmActivate:
      // Only minimizing stops the drawing; losing the focus does not.
      shell.active = ((message.wParam >> 16) & 0xFFFF) == 0;
      return 0;
    case kWmClose:
      queue.postQuit(0);
      return 0;
    case kWmKeyDown:
      setKey(shell, message.wParam, 1);
      return 0;
    case kWmKeyUp:
      setKey(shell, message.wParam, 0);
      return 0;
    case kWmLButtonDown:
      shell.keyDown[kVkLButton] = 1;
      return 0;
    case kWmLButtonUp:
      shell.keyDown[kVkLButton] = 0;
      return 0;
    case kWmRButtonDown:
      shell.keyDown[kVkRButton] = 1;
      return 0;
    case kWmRButtonUp:
      shell.keyDown[kVkRButton] = 0;
      return 0;
    default:
      // Default processing: the windowing system itself turns the system
      // close command into a close request, so nothing is left to do here.
      return 0;
  }
}

int runMessageLoop(ShellState& shell, MessageQueue& queue, LoopPlatform& platform) {
  std::uintptr_t lastParam = 0;
  for (;;) {
    platform.pumpEvents(queue);
    Message message;
    while (queue.takeSent(message)) WindowProc(shell, queue, message);
    if (queue.peek(message)) {
      lastParam = message.wParam;
      if (message.message == kWmQuit) break;
      TranslateMessage(queue, message);
      WindowProc(shell, queue, message);
      continue;
    }
    if (shell.active) platform.DrawFrame();
    // Escape counts only here, at an empty queue: a press and release handled
    // in one burst leave no trace.
    if (shell.keyDown[kVkEscape]) break;
    // Swapped also while minimized, when nothing was drawn.
    platform.SwapBuffers();
  }
  return static_cast<int>(lastParam);
}

}  // namespace tumbleview
