// Platform layer: SDL events turned into the renderer's window messages
// (window_proc.h), so that the window procedure sees what it would see on
// Windows.  Keys become virtual-key codes (key_map.h); a close request or
// SDL_QUIT (which SDL also raises on SIGINT and SIGTERM) becomes WM_CLOSE;
// minimizing, restoring and focus changes become WM_ACTIVATE.
#pragma once

#include <SDL.h>

#include <optional>

#include "window_proc.h"

namespace tumbleview {

// What the translation remembers between events.
struct SdlMessageState {
  // Whether the window is minimized, as told by the events seen so far.
  bool minimized = false;
};

// The message for `event`, or nothing for events the window procedure has no
// message for (and for window events of other windows than `windowId`).
std::optional<Message> messageFromSdlEvent(const SDL_Event& event, Uint32 windowId,
                                           SdlMessageState& state);

}  // namespace tumbleview
