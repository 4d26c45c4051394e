#include "key_map.h"

#include <gtest/gtest.h>

namespace tv = tumbleview;

namespace {

TEST(KeyMapTest, KeysBecomeWindowsVirtualKeyCodes) {
  struct Row {
    int usage;
    std::uint32_t layoutCharacter;
    bool numLock;
    int vk;
  };
  const Row rows[] = {
      {41, 27, false, 27},            // Escape
      {23, 't', false, 'T'},          // T
      {11, 'h', false, 'H'},          // H
      {4, 'q', false, 'Q'},           // the A position on an AZERTY layout: the layout wins
      {20, 0, false, 'Q'},            // a letter position without a layout character
      {30, '1', false, '1'},          {39, '0', false, '0'},   {40, 13, false, 0x0D},  // Return
      {58, 0, false, 0x70},           {115, 0, false, 0x87},  // F1, F24
      {98, 0, true, 0x60},            {89, 0, false, 0x23},   // keypad 0 with Num Lock, keypad 1 as End
      {229, 0, false, 0x10},          {226, 0, false, 0x12},  // right Shift, left Alt
      {51, ';', false, 0xBA},         {255, 0, false, 0},     // unknown position
  };
  for (const Row& row : rows) {
    EXPECT_EQ(tv::virtualKeyFor(row.usage, row.layoutCharacter, row.numLock), row.vk)
        << "usage " << row.usage << " character " << row.layoutCharacter;
  }
}

TEST(KeyMapTest, TranslationMakesUsLayoutCharacters) {
  const tv::KeyModifiers none, shift{.shift = true}, caps{.capsLock = true}, control{.control = true},
      altGr{.control = true, .alt = true};
  struct Row {
    int vk;
    tv::KeyModifiers modifiers;
    std::uint32_t character;
  };
  const Row rows[] = {
      {27, none, 27},     {27, control, 27}, {0x0D, control, 10}, {0x08, none, 8},
      {'T', none, 't'},   {'T', shift, 'T'}, {'T', caps, 'T'},    {'Z', control, 26},
      {'2', shift, '@'},  {0xBD, shift, '_'}, {0x60, none, '0'},  {0x70, none, 0},
      {0x10, none, 0},    {'E', altGr, 0},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(tv::characterFor(row.vk, row.modifiers), row.character) << "vk 0x" << std::hex << row.vk;
  }
}

}  // namespace
