#include "qt_file_chooser.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFileDialog>

namespace tumbleview {

std::optional<QString> chooseFileToOpen(QWidget* owner, const FileChooserRequest& request) {
  QFileDialog chooser(owner, request.title, request.startFolder);
  chooser.setAcceptMode(QFileDialog::AcceptOpen);
  chooser.setFileMode(QFileDialog::ExistingFile);
  // Qt takes a filter's last parenthesised group as its patterns: a
  // description that ends in "(BMP JPG)" would otherwise match files named
  // BMP or JPG.  The patterns go into a group of their own, which the list
  // does not show.
  chooser.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
  QString patterns = request.filterPatterns;
  patterns.replace(u';', u' ');
  chooser.setNameFilter(request.filterDescription + QStringLiteral(" (") + patterns +
                        QStringLiteral(")"));
  chooser.setFilter(chooser.filter() & ~QDir::CaseSensitive);
  const int result = chooser.exec();
  // The file-name completer may open its list just as the chooser closes;
  // left to go with the chooser, it would take the next click on the dialog
  // with it.
  for (QCompleter* completer : chooser.findChildren<QCompleter*>()) completer->popup()->hide();
  if (result != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = chooser.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.front();
}

}  // namespace tumbleview
