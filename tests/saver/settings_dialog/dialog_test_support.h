// Shared by the settings dialog's tests: the real pointer and keyboard
// (xdotool), the screen as shown, and settings files written byte for byte.
#pragma once

#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>

#include <string>

namespace dialog_test {

// xdotool with blank-separated arguments, bounded to ten seconds.
inline bool xdotool(const QString& arguments) {
  QProcess process;
  process.start(QStringLiteral("xdotool"), arguments.split(u' ', Qt::SkipEmptyParts));
  return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
         process.exitCode() == 0;
}

// What the X server shows in `area` of the screen.
inline QImage screenArea(const QRect& area) {
  return QGuiApplication::primaryScreen()
      ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}

// The five keys as they stand in code page 932.
inline const std::string kPicKind = "\x89\xE6\x91\x9C\x8B\xE6\x95\xAA";
inline const std::string kPicFile = "\x89\xE6\x91\x9C\xCC\xA7\xB2\xD9";
inline const std::string kBgmKind = "BGM\x8B\xE6\x95\xAA";
inline const std::string kBgmRepeat = "BGM\xD8\xCB\xDF\xB0\xC4";
inline const std::string kBgmFile = "BGM\xCC\xA7\xB2\xD9";

inline std::string settingsBytes(const std::string& picKind, const std::string& picFile,
                                 const std::string& bgmKind, const std::string& bgmRepeat) {
  return "[Section]\r\n" + kPicKind + "=" + picKind + "\r\n" + kPicFile + "=" + picFile + "\r\n" +
         kBgmKind + "=" + bgmKind + "\r\n" + kBgmRepeat + "=" + bgmRepeat + "\r\n";
}

}  // namespace dialog_test
