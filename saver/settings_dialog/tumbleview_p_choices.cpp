// What the user does in the settings dialog: the option presses, the two
// file choosers, the link, and the ways out.
#include <QDesktopServices>
#include <QUrl>

#include <optional>
#include <string>

#include "basic_conversions.h"
#include "dialog_layout.h"
#include "file_helpers.h"
#include "qt_file_chooser.h"
#include "qt_helpers.h"
#include "qt_program.h"
#include "saver_state.h"
#include "settings_file.h"
#include "step_runner.h"
#include "toolkit_error.h"
#include "tumbleview_p.h"

namespace tumbleview {
namespace {

constexpr char kChooserTitle[] = "ﾌｧｲﾙを開く";
constexpr char kPictureFilterDescription[] = "画像ﾌｧｲﾙ (BMP JPG)";
// No dot before JPG: every name ending in JPG is offered.
constexpr char kPictureFilterPatterns[] = "*.BMP;*JPG";
constexpr char kMusicFilterDescription[] = "BGMﾌｧｲﾙ (MP3 WAV)";
constexpr char kMusicFilterPatterns[] = "*.MP3;*.WAV";

QString qt(const std::string& text) { return QString::fromStdString(text); }

// The chosen path, if the user chose one that the settings file can give
// back whole; a longer one is refused like a path that does not fit the
// chooser's buffer.
std::optional<std::string> chooseFile(QWidget* owner, const char* description,
                                      const char* patterns, const std::string& startFolder) {
  const std::optional<QString> chosen =
      chooseFileToOpen(owner, {QString::fromUtf8(kChooserTitle), QString::fromUtf8(description),
                               QString::fromLatin1(patterns), qt(startFolder)});
  if (!chosen) return std::nullopt;
  std::string path = chosen->toStdString();
  if (!settingsFileHoldsPath(path)) return std::nullopt;
  return path;
}

void write(const char* key, const std::string& value) {
  WriteIni(kSettingsSection, key, value, settingsFilePath());
}

// The track box's text as a track number: 0 for a text that is not a
// number; a number beyond 16 bits fails, keeping the track as it was.
std::int16_t trackFromText(const QString& text) {
  const std::string track = text.toStdString();
  if (!isNumericText(track)) return 0;
  const std::optional<std::int16_t> number = toInt16Rounded(std::string_view(track));
  if (!number) throw ToolkitError("track number beyond 16 bits");
  return *number;
}

}  // namespace

void Tumbleview_P::pictureSourcePressed(int index) {
  runSteps({
      [&] { Settings.PicKind = static_cast<std::int16_t>(index); },
      [&] { showPictureSource(Settings.PicKind); },
      [&] { Cmd_Pic->setEnabledProperty(Settings.PicKind == kPictureFileKind); },
  });
}

void Tumbleview_P::musicPressed(int index) {
  showMusicKind(index);
  Settings.BgmKind = static_cast<std::int16_t>(index);
}

void Tumbleview_P::choosePicture() {
  const std::optional<std::string> chosen =
      chooseFile(this, kPictureFilterDescription, kPictureFilterPatterns, Settings.PicDir);
  if (!chosen) return;
  runSteps({
      [&] { Settings.PicFile = *chosen; },
      [&] { lbl_Pname->setCaption(qt(*chosen)); },
      [&] { Settings.PicDir = FolderOf(lbl_Pname->caption().toStdString()); },
      [&] { ShowPicturePreview(); },
      [&] { DrawBoxEdge(*Display, kEdgeRaised); },
  });
}

void Tumbleview_P::chooseMusic() {
  const std::optional<std::string> chosen =
      chooseFile(this, kMusicFilterDescription, kMusicFilterPatterns, Settings.BgmDir);
  if (!chosen) return;
  runSteps({
      [&] { Settings.BgmFile = *chosen; },
      [&] { lbl_Fname->setCaption(qt(*chosen)); },
      [&] { Settings.BgmDir = FolderOf(lbl_Fname->caption().toStdString()); },
  });
}

void Tumbleview_P::openLink() {
  runSteps({
      [] { setAppPointer(AppPointer::Hourglass); },
      [&] { QDesktopServices::openUrl(QUrl(lbl_URL->caption(), QUrl::TolerantMode)); },
      [] { setAppPointer(AppPointer::Default); },
  });
}

void Tumbleview_P::saveAndEnd() {
  runSteps({
      [] { write(kKeyPicKind, numberText(Settings.PicKind)); },
      [] { write(kKeyPicFile, Settings.PicFile); },
      [] { write(kKeyBgmKind, numberText(Settings.BgmKind)); },
      // The box counts whether or not it is enabled.
      [&] { Settings.BgmRepeat = trackFromText(BGM_Repeat->text()); },
      [] { write(kKeyBgmRepeat, numberText(Settings.BgmRepeat)); },
      [] { write(kKeyBgmFile, Settings.BgmFile); },
      [&] { unload(); },
      [] { endProgramNow(0); },
  });
}

void Tumbleview_P::cancelAndEnd() {
  runSteps({
      [&] { unload(); },
      [] { endProgramNow(0); },
  });
}

}  // namespace tumbleview
