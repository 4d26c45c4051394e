#include "settings_file.h"

#include <cstdint>
#include <optional>

#include "basic_conversions.h"
#include "file_helpers.h"
#include "profile_file.h"
#include "program_paths.h"

namespace tumbleview {
namespace {

// A stored kind or track: empty is 0; otherwise the whole text as a number,
// rounded down and held in 16 bits.  nullopt fails the step.
std::optional<std::int16_t> storedNumber(const std::string& text) {
  if (text.empty()) return 0;
  const std::optional<double> value = parseNumberText(text);
  if (!value) return std::nullopt;
  return toInt16Rounded(roundDown(*value));
}

void loadNumber(const char* key, std::int16_t& field) {
  if (const std::optional<std::int16_t> value = storedNumber(ReadIni(kSettingsSection, key, settingsFilePath()))) {
    field = *value;
  }
}

// Steps 2-3 (or 6-7): the chooser folder, then the file, which falls back
// to empty and takes `kindNeedingFile` back to 0 when it is not usable.
void loadFile(const char* key, std::string& file, std::string& folder, std::int16_t& kind,
              std::int16_t kindNeedingFile) {
  folder = saverFolder();
  const std::string stored = ReadIni(kSettingsSection, key, settingsFilePath());
  if (!stored.empty() && FileExists(stored)) {
    file = stored;
    folder = FolderOf(file);
    return;
  }
  file.clear();
  if (kind == kindNeedingFile) kind = 0;
}

}  // namespace

std::string settingsFilePath() { return pathInFolder(saverFolder(), kSettingsFileName); }

std::string ReadIni(const std::string& section, const std::string& key, const std::string& path) {
  return getProfileString(path, section, key, "", kReadIniLimit + 1);
}

std::string WriteIni(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& path) {
  LastApiResult = writeProfileString(path, section, key, value) ? 1 : 0;
  return std::string();
}

void LoadSettings() {
  constexpr std::int16_t kPictureFileKind = 1;
  constexpr std::int16_t kSoundFileKind = 2;
  loadNumber(kKeyPicKind, Settings.PicKind);
  loadFile(kKeyPicFile, Settings.PicFile, Settings.PicDir, Settings.PicKind, kPictureFileKind);
  loadNumber(kKeyBgmKind, Settings.BgmKind);
  loadNumber(kKeyBgmRepeat, Settings.BgmRepeat);
  loadFile(kKeyBgmFile, Settings.BgmFile, Settings.BgmDir, Settings.BgmKind, kSoundFileKind);
}

void writeSettings() {
  const std::string path = settingsFilePath();
  WriteIni(kSettingsSection, kKeyPicKind, numberText(Settings.PicKind), path);
  WriteIni(kSettingsSection, kKeyPicFile, Settings.PicFile, path);
  WriteIni(kSettingsSection, kKeyBgmKind, numberText(Settings.BgmKind), path);
  WriteIni(kSettingsSection, kKeyBgmRepeat, numberText(Settings.BgmRepeat), path);
  WriteIni(kSettingsSection, kKeyBgmFile, Settings.BgmFile, path);
}

}  // namespace tumbleview
