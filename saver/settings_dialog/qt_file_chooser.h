// The open-file chooser of the settings dialog over QFileDialog.
#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace tumbleview {

struct FileChooserRequest {
  QString title;
  // Shown as it stands in the chooser's file-type list.
  QString filterDescription;
  // File-name patterns separated by ';' ("*.BMP;*JPG"), matched without
  // regard to case.
  QString filterPatterns;
  QString startFolder;
};

// Shows Qt's own chooser (the same on every desktop, so the patterns behave
// as described) modal over `owner`, for one existing file.  Returns the
// chosen file's absolute path, or nullopt when the user cancels.
std::optional<QString> chooseFileToOpen(QWidget* owner, const FileChooserRequest& request);

}  // namespace tumbleview
