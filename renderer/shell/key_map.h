// Keyboard keys as the renderer's window procedure sees them: Windows
// virtual-key codes, and the character that translating a key-down makes.
// No windowing library here: keys come in as USB HID keyboard usage ids
// (SDL's scancodes are exactly these) plus the layout's character for the
// key, so the table is testable anywhere.
#pragma once

#include <cstdint>

namespace tumbleview {

// Virtual-key codes used by the mapping (besides '0'-'9' and 'A'-'Z', which
// are their own characters).
inline constexpr int kVkBack = 0x08;
inline constexpr int kVkTab = 0x09;
inline constexpr int kVkReturn = 0x0D;
inline constexpr int kVkShift = 0x10;
inline constexpr int kVkControl = 0x11;
inline constexpr int kVkMenu = 0x12;  // Alt
inline constexpr int kVkSpace = 0x20;
inline constexpr int kVkF1 = 0x70;
inline constexpr int kVkF10 = 0x79;

struct KeyModifiers {
  bool shift = false;
  bool control = false;
  bool alt = false;
  bool capsLock = false;
  bool numLock = false;
};

// The virtual-key code of a key, or 0 for a key Windows has no code for.
// `usage` is the key's USB HID keyboard usage id (its position);
// `layoutCharacter` is the character the current layout puts on it without
// modifiers (0 if none): letters follow the layout, as Windows' codes for
// 'A'-'Z' do, everything else follows the position.
int virtualKeyFor(int usage, std::uint32_t layoutCharacter, bool numLock);

// The character that translating a key-down of `virtualKey` makes with
// the given modifiers on a US layout, or 0 when it makes none.  Escape
// makes 27, Return 13, Backspace 8, Tab 9; Ctrl with a letter makes 1-26.
std::uint32_t characterFor(int virtualKey, const KeyModifiers& modifiers);

// True when Windows would report this key-down as a system key
// (WM_SYSKEYDOWN): with Alt held and Ctrl not, or F10.
bool isSystemKey(int virtualKey, const KeyModifiers& modifiers);

}  // namespace tumbleview
