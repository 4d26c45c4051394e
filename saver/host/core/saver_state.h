// Module-level values that every part of the saver shares for the life of
// the program.  Single-threaded: only the saver's user-interface thread
// touches them.
#pragma once

#include <cstdint>
#include <string>

namespace tumbleview {

// The user's five choices plus the two chooser folders derived from them.
// Numbers are 16-bit signed as in the settings file; texts are UTF-8.
struct SettingsRecord {
  std::int16_t PicKind = 0;    // 0 = capture of the desktop, 1 = picture file
  std::string PicFile;         // full path of the picture file, or empty
  std::string PicDir;          // folder the picture chooser starts in
  std::int16_t BgmKind = 0;    // 0 = none, 1 = music CD, 2 = sound file
  std::int16_t BgmRepeat = 0;  // CD track to repeat, 0 = the whole disc
  std::string BgmFile;         // full path of the sound file, or empty
  std::string BgmDir;          // folder the music chooser starts in
};

// The in-memory settings: zero and empty until LoadSettings runs.
extern SettingsRecord Settings;

// Receives results of platform calls that nobody checks.
extern std::int32_t LastApiResult;

// Display count returned when run mode hid the pointer; handed back at the end.
extern std::int32_t CursorCount;

// Screen position of the mouse when the settings dialog opened (pixels).
extern std::int16_t CursorX;
extern std::int16_t CursorY;

}  // namespace tumbleview
