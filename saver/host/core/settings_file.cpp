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
std::optional<std::int16_t> StoredNumber(const std::string& text) {
  if (text.empty()) return 0;
  const std::optional<double> value = ParseNumberText(text);
  if (!value) return std::nullopt;
  return ToInt16Rounded(RoundDown(*value));
}

void LoadNumber(const char* key, std::int16_t& field) {
  if (const std::optional<std::int16_t> value = StoredNumber(ReadIni(kSettingsSection, key, SettingsFilePath()))) {
    field = *value;
  }
}

// Steps 2-3 (or 6-7): the chooser folder, then the file, which falls back
// to empty and takes `kindNeedingFile` back to 0 when it is not usable.
void LoadFile(const char* key, std::string& file, std::string& folder, std::int16_t& kind,
              std::int16_t kindNeedingFile) {
  folder = SaverFolder();
  const std::string stored = ReadIni(kSettingsSection, key, SettingsFilePath());
  if (!stored.empty() && FileExists(stored)) {
    file = stored;
    folder = FolderOf(file);
    return;
  }
  file.clear();
  if (kind == kindNeedingFile) kind = 0;
}

}  // namespace

std::string SettingsFilePath() { return PathInFolder(SaverFolder(), kSettingsFileName); }

std::string ReadIni(const std::string& section, const std::string& key, const std::string& path) {
  return GetProfileString(path, section, key, "", kReadIniLimit + 1);
}

std::string WriteIni(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& path) {
  LastApiResult = WriteProfileString(path, section, key, value) ? 1 : 0;
  return std::string();
}

void LoadSettings() {
  constexpr std::int16_t kPictureFileKind = 1;
  constexpr std::int16_t kSoundFileKind = 2;
  LoadNumber(kKeyPicKind, Settings.PicKind);
  LoadFile(kKeyPicFile, Settings.PicFile, Settings.PicDir, Settings.PicKind, kPictureFileKind);
  LoadNumber(kKeyBgmKind, Settings.BgmKind);
  LoadNumber(kKeyBgmRepeat, Settings.BgmRepeat);
  LoadFile(kKeyBgmFile, Settings.BgmFile, Settings.BgmDir, Settings.BgmKind, kSoundFileKind);
}

void WriteSettings() {
  const std::string path = SettingsFilePath();
  WriteIni(kSettingsSection, kKeyPicKind, NumberText(Settings.PicKind), path);
  WriteIni(kSettingsSection, kKeyPicFile, Settings.PicFile, path);
  WriteIni(kSettingsSection, kKeyBgmKind, NumberText(Settings.BgmKind), path);
  WriteIni(kSettingsSection, kKeyBgmRepeat, NumberText(Settings.BgmRepeat), path);
  WriteIni(kSettingsSection, kKeyBgmFile, Settings.BgmFile, path);
}

}  // namespace tumbleview
