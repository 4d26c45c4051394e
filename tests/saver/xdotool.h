// The real pointer and keyboard of the test's X server, for the GUI tests of
// the Command button and the settings dialog.
#pragma once

#include <QProcess>
#include <QString>

namespace tumbleview::test {

// xdotool with blank-separated arguments, bounded to ten seconds; `answer`
// takes the first line it prints.
inline bool xdotool(const QString& arguments, QString* answer = nullptr) {
  QProcess process;
  process.start(QStringLiteral("xdotool"), arguments.split(u' ', Qt::SkipEmptyParts));
  const bool done = process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit;
  if (answer) *answer = QString::fromUtf8(process.readAllStandardOutput()).section(u'\n', 0, 0);
  return done && process.exitCode() == 0;
}

}  // namespace tumbleview::test
