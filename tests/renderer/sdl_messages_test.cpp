#include "sdl_messages.h"

#include <gtest/gtest.h>

#include <string>

namespace tv = tumbleview;

namespace {

constexpr Uint32 kWindowId = 7;

SDL_Event Key(Uint32 type, SDL_Scancode scancode, SDL_Keycode sym, Uint16 mod = KMOD_NONE) {
  SDL_Event event{};
  event.type = type;
  event.key.type = type;
  event.key.windowID = kWindowId;
  event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.scancode = scancode;
  event.key.keysym.sym = sym;
  event.key.keysym.mod = mod;
  return event;
}

SDL_Event Window(SDL_WindowEventID id, Uint32 windowId = kWindowId) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.type = SDL_WINDOWEVENT;
  event.window.windowID = windowId;
  event.window.event = static_cast<Uint8>(id);
  return event;
}

SDL_Event Button(Uint32 type, Uint8 button) {
  SDL_Event event{};
  event.type = type;
  event.button.type = type;
  event.button.windowID = kWindowId;
  event.button.button = button;
  event.button.x = 300;
  event.button.y = 200;
  return event;
}

SDL_Event OfType(Uint32 type) {
  SDL_Event event{};
  event.type = type;
  return event;
}

struct Expected {
  bool present;
  std::uint32_t message;
  std::uintptr_t wParam;
  std::uint32_t character;
};

struct Case {
  const char* name;
  SDL_Event event;
  Expected expected;
};

void Check(const Case& c, tv::SdlMessageState& state) {
  const std::optional<tv::Message> message = tv::MessageFromSdlEvent(c.event, kWindowId, state);
  ASSERT_EQ(message.has_value(), c.expected.present) << c.name;
  if (!message) return;
  EXPECT_EQ(message->message, c.expected.message) << c.name;
  EXPECT_EQ(message->wParam, c.expected.wParam) << c.name;
  EXPECT_EQ(message->character, c.expected.character) << c.name;
}

TEST(SdlMessagesTest, KeysCarryVirtualKeyCodesAndCharacters) {
  const Case cases[] = {
      {"escape down", Key(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE), {true, tv::kWmKeyDown, 27, 27}},
      {"escape up", Key(SDL_KEYUP, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE), {true, tv::kWmKeyUp, 27, 0}},
      {"t down", Key(SDL_KEYDOWN, SDL_SCANCODE_T, SDLK_t), {true, tv::kWmKeyDown, 'T', 't'}},
      {"shift h down", Key(SDL_KEYDOWN, SDL_SCANCODE_H, SDLK_h, KMOD_LSHIFT), {true, tv::kWmKeyDown, 'H', 'H'}},
      {"alt f4", Key(SDL_KEYDOWN, SDL_SCANCODE_F4, SDLK_F4, KMOD_LALT), {true, tv::kWmSysKeyDown, 0x73, 0}},
      {"alt t up", Key(SDL_KEYUP, SDL_SCANCODE_T, SDLK_t, KMOD_RALT), {true, tv::kWmSysKeyUp, 'T', 0}},
      {"unknown key", Key(SDL_KEYDOWN, SDL_SCANCODE_AUDIOPLAY, SDLK_AUDIOPLAY), {false, 0, 0, 0}},
  };
  tv::SdlMessageState state;
  for (const Case& c : cases) Check(c, state);
}

TEST(SdlMessagesTest, CloseRequestsAndWindowStates) {
  const std::uintptr_t minimized = tv::ActivateParam(tv::kWaInactive, true);
  const Case cases[] = {
      {"close", Window(SDL_WINDOWEVENT_CLOSE), {true, tv::kWmClose, 0, 0}},
      {"quit", OfType(SDL_QUIT), {true, tv::kWmClose, 0, 0}},
      {"focus lost", Window(SDL_WINDOWEVENT_FOCUS_LOST), {true, tv::kWmActivate, tv::kWaInactive, 0}},
      {"focus gained", Window(SDL_WINDOWEVENT_FOCUS_GAINED), {true, tv::kWmActivate, tv::kWaActive, 0}},
      {"restored, not minimized", Window(SDL_WINDOWEVENT_RESTORED), {false, 0, 0, 0}},
      {"minimized", Window(SDL_WINDOWEVENT_MINIMIZED), {true, tv::kWmActivate, minimized, 0}},
      // Focus changes while minimized keep saying so.
      {"focus lost while minimized", Window(SDL_WINDOWEVENT_FOCUS_LOST), {true, tv::kWmActivate, minimized, 0}},
      {"other window", Window(SDL_WINDOWEVENT_RESTORED, kWindowId + 1), {false, 0, 0, 0}},
      {"restored", Window(SDL_WINDOWEVENT_RESTORED), {true, tv::kWmActivate, tv::kWaActive, 0}},
      {"exposed", Window(SDL_WINDOWEVENT_EXPOSED), {false, 0, 0, 0}},
  };
  tv::SdlMessageState state;
  for (const Case& c : cases) Check(c, state);
}

TEST(SdlMessagesTest, MouseButtonsBecomeButtonMessages) {
  const Case cases[] = {
      {"left down", Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT), {true, tv::kWmLButtonDown, 0, 0}},
      {"left up", Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT), {true, tv::kWmLButtonUp, 0, 0}},
      {"right down", Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT), {true, tv::kWmRButtonDown, 0, 0}},
      {"right up", Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT), {true, tv::kWmRButtonUp, 0, 0}},
  };
  tv::SdlMessageState state;
  for (const Case& c : cases) Check(c, state);
  const auto left = tv::MessageFromSdlEvent(cases[0].event, kWindowId, state);
  ASSERT_TRUE(left);
  EXPECT_EQ(left->lParam, (200 << 16) | 300);
}

}  // namespace
