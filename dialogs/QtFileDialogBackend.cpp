#include "dialogs/QtFileDialogBackend.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

#include "dialogs/QtPathBytes.h"

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

// Asks before an existing file is replaced, in the words of the dialog's own question.
bool ConfirmReplace(QWidget* parent, const QString& title, const QString& path) {
  return QMessageBox::warning(parent, title,
                              QString("%1 already exists.\nDo you want to replace it?")
                                  .arg(QFileInfo(path).fileName()),
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) == QMessageBox::Yes;
}

// The bytes of the path the user chose. The proposed name may have no exact text form (its
// bytes are not UTF-8, so the dialog shows a replacement character); accepted as proposed, it
// stands for the proposed bytes, not for the text the dialog shows.
std::string ChosenBytes(const QString& chosen, const QString& proposedText,
                        const std::string& proposedBytes) {
  if (!proposedBytes.empty() && chosen == proposedText) return proposedBytes;
  return PathBytes(chosen);
}

}  // namespace

FileDialogResult QtFileDialogBackend::Show(const FileDialogRequest& request) {
  QFileDialog dialog(parent_, FromUtf8(request.title));
  const bool saving = request.kind == DialogKind::kSave;
  dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(!saving && request.fileMustExist() ? QFileDialog::ExistingFile
                                                        : QFileDialog::AnyFile);
  // With a rule for the name really written, the question about overwriting is asked here,
  // about that name, instead of by the dialog about the name chosen.
  const bool askHere = saving && request.overwritePrompt() && request.savedName;
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt() || askHere);

  QStringList filters;
  for (const FileFilter& filter : request.filters) filters << NameFilter(filter);
  dialog.setNameFilters(filters);
  if (request.filterIndex >= 1 && request.filterIndex <= filters.size()) {
    dialog.selectNameFilter(filters[request.filterIndex - 1]);
  }
  dialog.setDefaultSuffix(FromUtf8(request.defaultExt));
  // A native dialog (Windows') is opened in the dialog's directory and given only the name of
  // the file selected, so the folder of a proposed path is made the directory here.
  const std::string folder =
      request.initialDir.empty() ? FolderOf(request.fileName) : request.initialDir;
  if (!folder.empty()) dialog.setDirectory(PathText(folder));
  const QString proposed = PathText(request.fileName);
  if (!request.fileName.empty()) dialog.selectFile(proposed);

  FileDialogResult result;
  std::string path;
  for (;;) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return result;
    // Qt writes a Windows path with forward slashes; the window shows it as Windows does.
    const QString chosen = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    path = ChosenBytes(chosen, proposed, request.fileName);
    if (!askHere) break;
    const std::string written = request.savedName(path);
    if (!PathExists(written) || ConfirmReplace(parent_, dialog.windowTitle(), PathText(written))) {
      break;
    }
    dialog.selectFile(chosen);  // back to the dialog, the name as typed
  }
  result.confirmed = true;
  result.path = path;
  result.title = FileTitle(path);
  result.flags = request.flags;
  result.filterIndex = static_cast<std::int32_t>(filters.indexOf(dialog.selectedNameFilter())) + 1;
  return result;
}

}  // namespace qu
