// Shared by the settings dialog's tests: the real pointer and keyboard.
#pragma once

#include <QProcess>
#include <QString>

namespace dialog_test {

// xdotool with blank-separated arguments, bounded to ten seconds.
inline bool xdotool(const QString& arguments) {
  QProcess process;
  process.start(QStringLiteral("xdotool"), arguments.split(u' ', Qt::SkipEmptyParts));
  return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
         process.exitCode() == 0;
}

}  // namespace dialog_test
