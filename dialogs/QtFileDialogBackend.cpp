#include "QtFileDialogBackend.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace qu {
namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromStdString(text);
}

// "Description (patterns)" as Qt expects a name filter; a description that already ends in
// its patterns in parentheses is used as it is.
QString NameFilter(const FileFilter& filter) {
  QString patterns = FromUtf8(filter.pattern);
  patterns.replace(';', ' ');
  const QString description = FromUtf8(filter.description).trimmed();
  if (description.endsWith("(" + patterns + ")")) return description;
  return description + " (" + patterns + ")";
}

}  // namespace

FileDialogResult QtFileDialogBackend::Show(const FileDialogRequest& request) {
  QFileDialog dialog(parent_, FromUtf8(request.title));
  const bool saving = request.kind == DialogKind::kSave;
  dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(!saving && request.fileMustExist() ? QFileDialog::ExistingFile
                                                        : QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt());

  QStringList filters;
  for (const FileFilter& filter : request.filters) filters << NameFilter(filter);
  dialog.setNameFilters(filters);
  if (request.filterIndex >= 1 && request.filterIndex <= filters.size()) {
    dialog.selectNameFilter(filters[request.filterIndex - 1]);
  }
  dialog.setDefaultSuffix(FromUtf8(request.defaultExt));
  if (!request.initialDir.empty()) dialog.setDirectory(FromUtf8(request.initialDir));
  if (!request.fileName.empty()) dialog.selectFile(FromUtf8(request.fileName));

  FileDialogResult result;
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return result;
  const QString path = dialog.selectedFiles().constFirst();
  result.confirmed = true;
  result.path = path.toStdString();
  result.title = QFileInfo(path).fileName().toStdString();
  result.flags = request.flags;
  result.filterIndex = static_cast<std::int32_t>(filters.indexOf(dialog.selectedNameFilter())) + 1;
  return result;
}

}  // namespace qu
