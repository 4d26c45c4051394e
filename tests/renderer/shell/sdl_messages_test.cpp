#include "sdl_messages.h"

#include <gtest/gtest.h>

#include <string>

namespace tv = tumbleview;

namespace {

constexpr Uint32 kWindowId = 7;

SDL_Event key(Uint32 type, SDL_Scancode scancode, SDL_Keycode sym, Uint16 mod = KMOD_NONE) {
  SDL_Event event{};
  event.type = type;
  event.key.windowID = kWindowId;
  event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.scancode = scancode;
  event.key.keysym.sym = sym;
  event.key.keysym.mod = mod;
  return event;
}

SDL_Event windowEvent(SDL_WindowEventID id, Uint32 windowId = kWindowId) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.windowID = windowId;
  event.window.event = static_cast<Uint8>(id);
  return event;
}

SDL_Event button(Uint32 type, Uint8 button) {
  SDL_Event event{};
  event.type = type;
  event.button.windowID = kWindowId;
  event.button.button = button;
  event.button.x = 300;
  event.button.y = 200;
  return event;
}

struct Case {
  const char* name;
  SDL_Event event;
  std::optional<tv::Message> expected;  // lParam compared for mouse buttons only
};

// One table, in order: the window states depend on the ones before.
TEST(SdlMessagesTest, EventsBecomeWindowsMessages) {
  const std::uintptr_t minimized = tv::activateParam(tv::kWaInactive, true);
  const auto message = [](std::uint32_t number, std::uintptr_t wParam = 0, std::uint32_t character = 0,
                          std::intptr_t lParam = 0) { return tv::Message{number, wParam, lParam, character}; };
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  const Case cases[] = {
      {"escape down", key(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE), message(tv::kWmKeyDown, 27, 27)},
      {"escape up", key(SDL_KEYUP, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE), message(tv::kWmKeyUp, 27)},
      {"t down", key(SDL_KEYDOWN, SDL_SCANCODE_T, SDLK_t), message(tv::kWmKeyDown, 'T', 't')},
      {"shift h down", key(SDL_KEYDOWN, SDL_SCANCODE_H, SDLK_h, KMOD_LSHIFT), message(tv::kWmKeyDown, 'H', 'H')},
      {"alt f4", key(SDL_KEYDOWN, SDL_SCANCODE_F4, SDLK_F4, KMOD_LALT), message(tv::kWmSysKeyDown, 0x73)},
      {"alt t up", key(SDL_KEYUP, SDL_SCANCODE_T, SDLK_t, KMOD_RALT), message(tv::kWmSysKeyUp, 'T')},
      {"unknown key", key(SDL_KEYDOWN, SDL_SCANCODE_AUDIOPLAY, SDLK_AUDIOPLAY), std::nullopt},
      {"left down", button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT), message(tv::kWmLButtonDown, 0, 0, (200 << 16) | 300)},
      {"left up", button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT), message(tv::kWmLButtonUp, 0, 0, (200 << 16) | 300)},
      {"right down", button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT), message(tv::kWmRButtonDown, 0, 0, (200 << 16) | 300)},
      {"right up", button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT), message(tv::kWmRButtonUp, 0, 0, (200 << 16) | 300)},
      {"close", windowEvent(SDL_WINDOWEVENT_CLOSE), message(tv::kWmClose)},
      {"quit", quit, message(tv::kWmClose)},
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
    EXPECT_EQ(got->message, c.expected->message);
    EXPECT_EQ(got->wParam, c.expected->wParam);
    EXPECT_EQ(got->character, c.expected->character);
    if (c.expected->lParam != 0) {
      EXPECT_EQ(got->lParam, c.expected->lParam);
    }
  }
}

}  // namespace
