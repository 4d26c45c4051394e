// The saver's settings file: five keys in section "Section" of
// "Tumbleview.ini" beside the saver, and the Settings record loaded from it.
//
// The key names hold half-width katakana and kanji; they are kept here as
// UTF-8 and meet the file as CP932 (or UTF-16LE, see profile_file.h), where
// they match the bytes Windows wrote byte for byte.
#pragma once

#include <string>

#include "saver_state.h"

namespace tumbleview {

inline constexpr const char* kSettingsFileName = "Tumbleview.ini";
inline constexpr const char* kSettingsSection = "Section";
inline constexpr const char* kKeyPicKind = "画像区分";      // CP932 89 E6 91 9C 8B E6 95 AA
inline constexpr const char* kKeyPicFile = "画像ﾌｧｲﾙ";      // CP932 89 E6 91 9C CC A7 B2 D9
inline constexpr const char* kKeyBgmKind = "BGM区分";       // CP932 42 47 4D 8B E6 95 AA
inline constexpr const char* kKeyBgmRepeat = "BGMﾘﾋﾟｰﾄ";    // CP932 42 47 4D D8 CB DF B0 C4
inline constexpr const char* kKeyBgmFile = "BGMﾌｧｲﾙ";       // CP932 42 47 4D CC A7 B2 D9

// Longest value ReadIni returns, in bytes as the value stands in CP932.
inline constexpr std::size_t kReadIniLimit = 255;

// saverFolder() joined with "Tumbleview.ini"; built anew on every call.
std::string settingsFilePath();

// The value of `key` in `section` of the file at `path`: at most 255 bytes,
// empty when the file, section or key is missing or unreadable.
std::string ReadIni(const std::string& section, const std::string& key, const std::string& path);

// Sets `key` in `section` of the file at `path` (see writeProfileString:
// created when missing, updated in place, replaced safely).  Returns an
// empty text; success (1) or failure (0) goes to LastApiResult and is
// reported nowhere else: a read-only folder simply keeps the old file.
std::string WriteIni(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& path);

// Fills Settings from the settings file, step by step; a step that fails is
// skipped and leaves its field as it was:
//  1. PicKind from "画像区分": empty gives 0; a number is rounded down to a
//     whole number; text that is no number, or a result outside the 16-bit
//     range, fails the step.
//  2. PicDir = the saver folder.
//  3. PicFile from "画像ﾌｧｲﾙ": a file FileExists accepts is kept and PicDir
//     becomes its folder; otherwise PicFile is empty and a PicKind of 1
//     falls back to 0 (other kinds stay).
//  4./5. BgmKind from "BGM区分", BgmRepeat from "BGMﾘﾋﾟｰﾄ", as step 1.
//  6. BgmDir = the saver folder.
//  7. BgmFile from "BGMﾌｧｲﾙ" as step 3, a BgmKind of 2 falling back to 0.
void LoadSettings();

// Writes the five stored fields of Settings in the order above (numbers in
// display form, " 1"; texts as they are).  PicDir and BgmDir are never
// written.  The settings dialog calls this when the user confirms.
void writeSettings();

}  // namespace tumbleview
