#include "key_map.h"

#include <array>

namespace tumbleview {
namespace {

// USB HID keyboard usage ids (Universal Serial Bus HID Usage Tables, page 7).
constexpr int kUsageA = 4;
constexpr int kUsageZ = 29;
constexpr int kUsage1 = 30;
constexpr int kUsage0 = 39;
constexpr int kUsageF1 = 58;
constexpr int kUsageF12 = 69;
constexpr int kUsageKp1 = 89;
constexpr int kUsageKp0 = 98;
constexpr int kUsageF13 = 104;
constexpr int kUsageF24 = 115;

constexpr int kVkNumpad0 = 0x60;
constexpr int kVkF13 = 0x7C;

struct UsageToVk {
  int usage;
  int vk;
};

// Keys whose code follows their position.
constexpr UsageToVk kFixedKeys[] = {
    {40, kVkReturn}, {41, 0x1B /* Escape */}, {42, kVkBack}, {43, kVkTab}, {44, kVkSpace},
    {45, 0xBD /* - */}, {46, 0xBB /* = */}, {47, 0xDB /* [ */}, {48, 0xDD /* ] */},
    {49, 0xDC /* \ */}, {50, 0xDC /* non-US # */}, {51, 0xBA /* ; */}, {52, 0xDE /* ' */},
    {53, 0xC0 /* ` */}, {54, 0xBC /* , */}, {55, 0xBE /* . */}, {56, 0xBF /* / */},
    {57, 0x14 /* Caps Lock */}, {70, 0x2C /* Print Screen */}, {71, 0x91 /* Scroll Lock */},
    {72, 0x13 /* Pause */}, {73, 0x2D /* Insert */}, {74, 0x24 /* Home */},
    {75, 0x21 /* Page Up */}, {76, 0x2E /* Delete */}, {77, 0x23 /* End */},
    {78, 0x22 /* Page Down */}, {79, 0x27 /* Right */}, {80, 0x25 /* Left */},
    {81, 0x28 /* Down */}, {82, 0x26 /* Up */}, {83, 0x90 /* Num Lock */},
    {84, 0x6F /* keypad / */}, {85, 0x6A /* keypad * */}, {86, 0x6D /* keypad - */},
    {87, 0x6B /* keypad + */}, {88, kVkReturn /* keypad Enter */}, {100, 0xE2 /* <> */},
    {101, 0x5D /* Application */}, {224, kVkControl}, {225, kVkShift}, {226, kVkMenu},
    {227, 0x5B /* left Windows */}, {228, kVkControl}, {229, kVkShift}, {230, kVkMenu},
    {231, 0x5C /* right Windows */},
};

// Keypad 1-9, 0 and '.' without Num Lock: the navigation keys they carry.
constexpr std::array<int, 11> kKeypadNavigation = {
    0x23 /* End */,   0x28 /* Down */, 0x22 /* Page Down */, 0x25 /* Left */,
    0x0C /* Clear */, 0x27 /* Right */, 0x24 /* Home */,     0x26 /* Up */,
    0x21 /* Page Up */, 0x2D /* Insert */, 0x2E /* Delete */};

struct VkCharacters {
  int vk;
  char plain;
  char shifted;
};

// US layout punctuation.
constexpr VkCharacters kPunctuation[] = {
    {0xBA, ';', ':'}, {0xBB, '=', '+'}, {0xBC, ',', '<'},  {0xBD, '-', '_'},
    {0xBE, '.', '>'}, {0xBF, '/', '?'}, {0xC0, '`', '~'},  {0xDB, '[', '{'},
    {0xDC, '\\', '|'}, {0xDD, ']', '}'}, {0xDE, '\'', '"'}, {0xE2, '\\', '|'},
};

constexpr const char* kShiftedDigits = ")!@#$%^&*(";

}  // namespace

int virtualKeyFor(int usage, std::uint32_t layoutCharacter, bool numLock) {
  if (layoutCharacter >= 'a' && layoutCharacter <= 'z') {
    return static_cast<int>(layoutCharacter - 'a' + 'A');
  }
  if (usage >= kUsageA && usage <= kUsageZ) return usage - kUsageA + 'A';
  if (usage >= kUsage1 && usage < kUsage0) return usage - kUsage1 + '1';
  if (usage == kUsage0) return '0';
  if (usage >= kUsageF1 && usage <= kUsageF12) return usage - kUsageF1 + kVkF1;
  if (usage >= kUsageF13 && usage <= kUsageF24) return usage - kUsageF13 + kVkF13;
  if (usage >= kUsageKp1 && usage <= kUsageKp0 + 1) {
    const int index = usage - kUsageKp1;  // 0-8: 1-9, 9: 0, 10: '.'
    if (!numLock) return kKeypadNavigation[static_cast<std::size_t>(index)];
    if (index < 9) return kVkNumpad0 + 1 + index;
    return index == 9 ? kVkNumpad0 : 0x6E /* keypad . */;
  }
  for (const UsageToVk& key : kFixedKeys) {
    if (key.usage == usage) return key.vk;
  }
  return 0;
}

std::uint32_t characterFor(int virtualKey, const KeyModifiers& modifiers) {
  // Ctrl with Alt is AltGr on many layouts; the US layout has nothing there.
  if (modifiers.control && modifiers.alt) return 0;
  if (virtualKey >= 'A' && virtualKey <= 'Z') {
    if (modifiers.control) return static_cast<std::uint32_t>(virtualKey - 'A' + 1);
    const bool upper = modifiers.shift != modifiers.capsLock;
    return static_cast<std::uint32_t>(upper ? virtualKey : virtualKey - 'A' + 'a');
  }
  switch (virtualKey) {
    case 0x1B:
      return 27;
    case kVkReturn:
      return modifiers.control ? 10 : 13;
    case kVkBack:
      return modifiers.control ? 127 : 8;
    case kVkTab:
      return modifiers.control ? 0 : 9;
    case kVkSpace:
      return 32;
    case 0x6A:
      return '*';
    case 0x6B:
      return '+';
    case 0x6D:
      return '-';
    case 0x6E:
      return '.';
    case 0x6F:
      return '/';
    default:
      break;
  }
  if (virtualKey >= kVkNumpad0 && virtualKey <= kVkNumpad0 + 9) {
    return static_cast<std::uint32_t>('0' + virtualKey - kVkNumpad0);
  }
  if (modifiers.control) {
    if (virtualKey == 0xDB) return 27;  // Ctrl+[
    if (virtualKey == 0xDC) return 28;  // Ctrl+backslash
    if (virtualKey == 0xDD) return 29;  // Ctrl+]
    return 0;
  }
  if (virtualKey >= '0' && virtualKey <= '9') {
    const int digit = virtualKey - '0';
    return static_cast<std::uint32_t>(modifiers.shift ? kShiftedDigits[digit] : '0' + digit);
  }
  for (const VkCharacters& key : kPunctuation) {
    if (key.vk == virtualKey) {
      return static_cast<std::uint32_t>(static_cast<unsigned char>(modifiers.shift ? key.shifted : key.plain));
    }
  }
  return 0;
}

bool isSystemKey(int virtualKey, const KeyModifiers& modifiers) {
  return (modifiers.alt && !modifiers.control) || virtualKey == kVkF10;
}

}  // namespace tumbleview
