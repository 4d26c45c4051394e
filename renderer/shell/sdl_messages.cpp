#include "sdl_messages.h"

#include "key_map.h"

namespace tumbleview {
namespace {

constexpr std::uint32_t kWmXButtonDown = 0x020B;
constexpr std::uint32_t kWmXButtonUp = 0x020C;

// Mouse and modifier flags of the mouse messages' wParam.
constexpr std::uintptr_t kMkLButton = 0x0001;
constexpr std::uintptr_t kMkRButton = 0x0002;
constexpr std::uintptr_t kMkShift = 0x0004;
constexpr std::uintptr_t kMkControl = 0x0008;
constexpr std::uintptr_t kMkMButton = 0x0010;
constexpr std::uintptr_t kMkXButton1 = 0x0020;
constexpr std::uintptr_t kMkXButton2 = 0x0040;

constexpr int kWheelDelta = 120;

// The low and high 16 bits of a mouse message's lParam: client x and y.
std::intptr_t pointParam(Sint32 x, Sint32 y) {
  const auto low = static_cast<std::uint16_t>(static_cast<std::int16_t>(x));
  const auto high = static_cast<std::uint16_t>(static_cast<std::int16_t>(y));
  return static_cast<std::intptr_t>(static_cast<std::uint32_t>(low) |
                                    (static_cast<std::uint32_t>(high) << 16));
}

std::uintptr_t mouseFlags() {
  const Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
  const SDL_Keymod mod = SDL_GetModState();
  std::uintptr_t flags = 0;
  if (buttons & SDL_BUTTON_LMASK) flags |= kMkLButton;
  if (buttons & SDL_BUTTON_RMASK) flags |= kMkRButton;
  if (buttons & SDL_BUTTON_MMASK) flags |= kMkMButton;
  if (buttons & SDL_BUTTON_X1MASK) flags |= kMkXButton1;
  if (buttons & SDL_BUTTON_X2MASK) flags |= kMkXButton2;
  if (mod & KMOD_SHIFT) flags |= kMkShift;
  if (mod & KMOD_CTRL) flags |= kMkControl;
  return flags;
}

std::optional<Message> keyMessage(const SDL_KeyboardEvent& key) {
  const SDL_Keycode code = key.keysym.sym;
  // Keycodes of printable keys are the layout's character; others carry a
  // mask bit and say nothing about characters.
  const std::uint32_t layoutCharacter =
      (code & SDLK_SCANCODE_MASK) ? 0 : static_cast<std::uint32_t>(code);
  KeyModifiers modifiers;
  modifiers.shift = (key.keysym.mod & KMOD_SHIFT) != 0;
  modifiers.control = (key.keysym.mod & KMOD_CTRL) != 0;
  modifiers.alt = (key.keysym.mod & KMOD_ALT) != 0;
  modifiers.capsLock = (key.keysym.mod & KMOD_CAPS) != 0;
  modifiers.numLock = (key.keysym.mod & KMOD_NUM) != 0;
  const int vk = virtualKeyFor(key.keysym.scancode, layoutCharacter, modifiers.numLock);
  if (vk == 0) return std::nullopt;

  const bool down = key.type == SDL_KEYDOWN;
  const bool system = isSystemKey(vk, modifiers);
  Message message;
  if (down) {
    message.message = system ? kWmSysKeyDown : kWmKeyDown;
  } else {
    message.message = system ? kWmSysKeyUp : kWmKeyUp;
  }
  message.wParam = static_cast<std::uintptr_t>(vk);
  // Repeat count 1, the scan code's low byte, the previous key state (bit 30)
  // and the transition state (bit 31), as Windows packs them.
  std::uint32_t bits = 1u | ((static_cast<std::uint32_t>(key.keysym.scancode) & 0xFF) << 16);
  if (!down || key.repeat) bits |= 1u << 30;
  if (!down) bits |= 1u << 31;
  message.lParam = static_cast<std::intptr_t>(static_cast<std::int32_t>(bits));
  if (down) message.character = characterFor(vk, modifiers);
  return message;
}

std::optional<Message> buttonMessage(const SDL_MouseButtonEvent& button) {
  const bool down = button.type == SDL_MOUSEBUTTONDOWN;
  std::uint32_t number = 0;
  std::uintptr_t extra = 0;
  switch (button.button) {
    case SDL_BUTTON_LEFT:
      number = down ? kWmLButtonDown : kWmLButtonUp;
      break;
    case SDL_BUTTON_RIGHT:
      number = down ? kWmRButtonDown : kWmRButtonUp;
      break;
    case SDL_BUTTON_MIDDLE:
      number = down ? kWmMButtonDown : kWmMButtonUp;
      break;
    case SDL_BUTTON_X1:
    case SDL_BUTTON_X2:
      number = down ? kWmXButtonDown : kWmXButtonUp;
      extra = static_cast<std::uintptr_t>(button.button == SDL_BUTTON_X1 ? 1 : 2) << 16;
      break;
    default:
      return std::nullopt;
  }
  return Message{number, mouseFlags() | extra, pointParam(button.x, button.y), 0};
}

std::optional<Message> windowMessage(const SDL_WindowEvent& window, SdlMessageState& state) {
  switch (window.event) {
    case SDL_WINDOWEVENT_CLOSE:
      return Message{kWmClose, 0, 0, 0};
    case SDL_WINDOWEVENT_MINIMIZED:
      state.minimized = true;
      return Message{kWmActivate, activateParam(kWaInactive, true), 0, 0};
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
      if (!state.minimized) return std::nullopt;
      state.minimized = false;
      return Message{kWmActivate, activateParam(kWaActive, false), 0, 0};
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      return Message{kWmActivate, activateParam(kWaActive, state.minimized), 0, 0};
    case SDL_WINDOWEVENT_FOCUS_LOST:
      return Message{kWmActivate, activateParam(kWaInactive, state.minimized), 0, 0};
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<Message> messageFromSdlEvent(const SDL_Event& event, Uint32 windowId,
                                           SdlMessageState& state) {
  switch (event.type) {
    case SDL_QUIT:
      return Message{kWmClose, 0, 0, 0};
    case SDL_WINDOWEVENT:
      if (event.window.windowID != windowId) return std::nullopt;
      return windowMessage(event.window, state);
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      return keyMessage(event.key);
    case SDL_MOUSEMOTION:
      return Message{kWmMouseMove, mouseFlags(), pointParam(event.motion.x, event.motion.y), 0};
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      return buttonMessage(event.button);
    case SDL_MOUSEWHEEL: {
      const auto delta = static_cast<std::uint16_t>(static_cast<std::int16_t>(event.wheel.y * kWheelDelta));
      return Message{kWmMouseWheel, mouseFlags() | (static_cast<std::uintptr_t>(delta) << 16), 0, 0};
    }
    default:
      return std::nullopt;
  }
}

}  // namespace tumbleview
