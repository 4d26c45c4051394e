#include "sdl_messages.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace tv = tumbleview;

namespace {

constexpr Uint32 kWindowId = 7;

SDL_Event key(Uint32 type, SDL_Scancode scancode, SDL_Keycode sym, Uint16 mod = KMOD_NONE) {
  return {.key = {type, 0, kWindowId, Uint8(type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED), 0, 0, 0, {scancode, sym, mod, 0}}};
}
SDL_Event windowEvent(SDL_WindowEventID id, Uint32 windowId = kWindowId) {
  return {.window = {SDL_WINDOWEVENT, 0, windowId, Uint8(id), 0, 0, 0, 0, 0}};
}
SDL_Event button(Uint32 type, Uint8 button) { return {.button = {type, 0, kWindowId, 0, button, 0, 1, 0, 300, 200}}; }

struct Case {
  const char* name;
  SDL_Event event;
  std::optional<tv::Message> expected;  // lParam compared for mouse buttons only
};

// One table, in order: the window states depend on the ones before.  Keys
// get Windows' virtual-key codes (letters by the layout, the rest by
// position) and the character a US layout makes of them.
TEST(SdlMessagesTest, EventsBecomeWindowsMessages) {
  const std::uintptr_t minimized = tv::activateParam(tv::kWaInactive, true);
  const auto message = [](std::uint32_t number, std::uintptr_t wParam = 0, std::uint32_t character = 0,
                          std::intptr_t lParam = 0) { return tv::Message{number, wParam, lParam, character}; };
  const Case cases[] = {
      {"escape down", key(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE), message(tv::kWmKeyDown, 27, 27)},
      {"escape up", key(SDL_KEYUP, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE), message(tv::kWmKeyUp, 27)},
      {"t down", key(SDL_KEYDOWN, SDL_SCANCODE_T, SDLK_t), message(tv::kWmKeyDown, 'T', 't')},
      {"shift h down", key(SDL_KEYDOWN, SDL_SCANCODE_H, SDLK_h, KMOD_LSHIFT), message(tv::kWmKeyDown, 'H', 'H')},
      {"alt f4", key(SDL_KEYDOWN, SDL_SCANCODE_F4, SDLK_F4, KMOD_LALT), message(tv::kWmSysKeyDown, 0x73)},
      {"alt t up", key(SDL_KEYUP, SDL_SCANCODE_T, SDLK_t, KMOD_RALT), message(tv::kWmSysKeyUp, 'T')},
      {"unknown key", key(SDL_KEYDOWN, SDL_SCANCODE_AUDIOPLAY, SDLK_AUDIOPLAY), std::nullopt},
      {"azerty a position", key(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_q), message(tv::kWmKeyDown, 'Q', 'q')},
      {"letter without layout", key(SDL_KEYDOWN, SDL_SCANCODE_Q, SDLK_UNKNOWN), message(tv::kWmKeyDown, 'Q', 'q')},
      {"caps lock t", key(SDL_KEYDOWN, SDL_SCANCODE_T, SDLK_t, KMOD_CAPS), message(tv::kWmKeyDown, 'T', 'T')},
      {"ctrl z", key(SDL_KEYDOWN, SDL_SCANCODE_Z, SDLK_z, KMOD_LCTRL), message(tv::kWmKeyDown, 'Z', 26)},
      {"altgr e", key(SDL_KEYDOWN, SDL_SCANCODE_E, SDLK_e, KMOD_RCTRL | KMOD_RALT), message(tv::kWmKeyDown, 'E')},
      {"ctrl escape", key(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, KMOD_LCTRL), message(tv::kWmKeyDown, 27, 27)},
      {"0", key(SDL_KEYDOWN, SDL_SCANCODE_0, SDLK_0), message(tv::kWmKeyDown, '0', '0')},
      {"shift 2", key(SDL_KEYDOWN, SDL_SCANCODE_2, SDLK_2, KMOD_LSHIFT), message(tv::kWmKeyDown, '2', '@')},
      {"shift minus", key(SDL_KEYDOWN, SDL_SCANCODE_MINUS, SDLK_MINUS, KMOD_LSHIFT), message(tv::kWmKeyDown, 0xBD, '_')},
      {"semicolon", key(SDL_KEYDOWN, SDL_SCANCODE_SEMICOLON, SDLK_SEMICOLON), message(tv::kWmKeyDown, 0xBA, ';')},
      {"return", key(SDL_KEYDOWN, SDL_SCANCODE_RETURN, SDLK_RETURN), message(tv::kWmKeyDown, 0x0D, 13)},
      {"ctrl return", key(SDL_KEYDOWN, SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_LCTRL), message(tv::kWmKeyDown, 0x0D, 10)},
      {"backspace", key(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE), message(tv::kWmKeyDown, 0x08, 8)},
      {"f1", key(SDL_KEYDOWN, SDL_SCANCODE_F1, SDLK_F1), message(tv::kWmKeyDown, 0x70)},
      {"f24", key(SDL_KEYDOWN, SDL_SCANCODE_F24, SDLK_F24), message(tv::kWmKeyDown, 0x87)},
      {"keypad 0 with num lock", key(SDL_KEYDOWN, SDL_SCANCODE_KP_0, SDLK_KP_0, KMOD_NUM), message(tv::kWmKeyDown, 0x60, '0')},
      {"keypad 1 as end", key(SDL_KEYDOWN, SDL_SCANCODE_KP_1, SDLK_KP_1), message(tv::kWmKeyDown, 0x23)},
      {"right shift", key(SDL_KEYDOWN, SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, KMOD_RSHIFT), message(tv::kWmKeyDown, 0x10)},
      {"left alt", key(SDL_KEYDOWN, SDL_SCANCODE_LALT, SDLK_LALT, KMOD_LALT), message(tv::kWmSysKeyDown, 0x12)},
      {"left down", button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT), message(tv::kWmLButtonDown, 0, 0, (200 << 16) | 300)},
      {"left up", button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT), message(tv::kWmLButtonUp, 0, 0, (200 << 16) | 300)},
      {"right down", button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT), message(tv::kWmRButtonDown, 0, 0, (200 << 16) | 300)},
      {"right up", button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT), message(tv::kWmRButtonUp, 0, 0, (200 << 16) | 300)},
      {"close", windowEvent(SDL_WINDOWEVENT_CLOSE), message(tv::kWmClose)},
      {"quit", {.type = SDL_QUIT}, message(tv::kWmClose)},
      {"focus lost", windowEvent(SDL_WINDOWEVENT_FOCUS_LOST), message(tv::kWmActivate, tv::kWaInactive)},
      {"focus gained", windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED), message(tv::kWmActivate, tv::kWaActive)},
      {"restored, not minimized", windowEvent(SDL_WINDOWEVENT_RESTORED), std::nullopt},
      {"minimized", windowEvent(SDL_WINDOWEVENT_MINIMIZED), message(tv::kWmActivate, minimized)},
      // Focus changes while minimized keep saying so.
      {"focus lost while minimized", windowEvent(SDL_WINDOWEVENT_FOCUS_LOST), message(tv::kWmActivate, minimized)},
      {"other window", windowEvent(SDL_WINDOWEVENT_RESTORED, kWindowId + 1), std::nullopt},
      {"restored", windowEvent(SDL_WINDOWEVENT_RESTORED), message(tv::kWmActivate, tv::kWaActive)},
      {"exposed", windowEvent(SDL_WINDOWEVENT_EXPOSED), std::nullopt},
  };
  tv::SdlMessageState state;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<tv::Message> got = tv::messageFromSdlEvent(c.event, kWindowId, state);
    ASSERT_EQ(got.has_value(), c.expected.has_value());
    if (!got) continue;
    EXPECT_EQ(std::tuple(got->message, got->wParam, got->character, c.expected->lParam ? got->lParam : 0),
              std::tuple(c.expected->message, c.expected->wParam, c.expected->character, c.expected->lParam));
  }
}

}  // namespace
