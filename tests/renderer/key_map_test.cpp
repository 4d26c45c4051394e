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
      {30, '1', false, '1'},          {39, '0', false, '0'},
      {40, 13, false, 0x0D},          // Return
      {44, ' ', false, 0x20},         {42, 8, false, 0x08},
      {58, 0, false, 0x70},           {69, 0, false, 0x7B},  // F1, F12
      {104, 0, false, 0x7C},          {115, 0, false, 0x87},  // F13, F24
      {89, 0, true, 0x61},            {98, 0, true, 0x60},   // keypad 1 and 0 with Num Lock
      {99, 0, true, 0x6E},            {89, 0, false, 0x23},  // keypad . ; keypad 1 as End
      {93, 0, false, 0x0C},                                  // keypad 5 as Clear
      {225, 0, false, 0x10},          {229, 0, false, 0x10}, // both Shifts
      {224, 0, false, 0x11},          {226, 0, false, 0x12},
      {82, 0, false, 0x26},           {51, ';', false, 0xBA},
      {0, 0, false, 0},               {255, 0, false, 0},    // unknown positions
  };
  for (const Row& row : rows) {
    EXPECT_EQ(tv::VirtualKeyFor(row.usage, row.layoutCharacter, row.numLock), row.vk)
        << "usage " << row.usage << " character " << row.layoutCharacter;
  }
}

TEST(KeyMapTest, TranslationMakesUsLayoutCharacters) {
  tv::KeyModifiers none;
  tv::KeyModifiers shift;
  shift.shift = true;
  tv::KeyModifiers caps;
  caps.capsLock = true;
  tv::KeyModifiers control;
  control.control = true;
  tv::KeyModifiers altGr;
  altGr.control = altGr.alt = true;
  struct Row {
    int vk;
    tv::KeyModifiers modifiers;
    std::uint32_t character;
  };
  const Row rows[] = {
      {27, none, 27},      {27, shift, 27},     {27, control, 27},  {0x0D, none, 13},
      {0x0D, control, 10}, {0x08, none, 8},     {0x09, none, 9},    {0x20, none, ' '},
      {'T', none, 't'},    {'T', shift, 'T'},   {'T', caps, 'T'},   {'A', control, 1},
      {'Z', control, 26},  {'2', none, '2'},    {'2', shift, '@'},  {'0', shift, ')'},
      {0xBD, shift, '_'},  {0xDB, control, 27}, {0x60, none, '0'},  {0x6B, none, '+'},
      {0x70, none, 0},     {0x10, none, 0},     {0x26, none, 0},    {'E', altGr, 0},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(tv::CharacterFor(row.vk, row.modifiers), row.character) << "vk 0x" << std::hex << row.vk;
  }
}

TEST(KeyMapTest, AltAndF10AreSystemKeys) {
  tv::KeyModifiers alt;
  alt.alt = true;
  tv::KeyModifiers altGr;
  altGr.alt = altGr.control = true;
  EXPECT_TRUE(tv::IsSystemKey('T', alt));
  EXPECT_TRUE(tv::IsSystemKey(tv::kVkF10, {}));
  EXPECT_FALSE(tv::IsSystemKey(27, {}));
  EXPECT_FALSE(tv::IsSystemKey('T', altGr));
}

}  // namespace
