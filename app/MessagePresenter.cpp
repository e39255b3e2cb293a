#include "app/MessagePresenter.h"

#include <QMessageBox>

namespace qu {
namespace {

void ShowBox(QMessageBox::Icon icon, QWidget* parent, const QString& title, const QString& text,
             const QString& details) {
  QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
  if (!details.isEmpty()) box.setInformativeText(details);
  box.exec();
}

}  // namespace

void QtMessagePresenter::Warning(QWidget* parent, const QString& title, const QString& text,
                                 const QString& details) {
  ShowBox(QMessageBox::Warning, parent, title, text, details);
}

void QtMessagePresenter::Information(QWidget* parent, const QString& title, const QString& text,
                                     const QString& details) {
  ShowBox(QMessageBox::Information, parent, title, text, details);
}

SaveChangesAnswer QtMessagePresenter::AskSaveChanges(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Warning, "QU-Vellumar", text,
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Save:
      return SaveChangesAnswer::kSave;
    case QMessageBox::Discard:
      return SaveChangesAnswer::kDiscard;
    default:
      return SaveChangesAnswer::kCancel;
  }
}

}  // namespace qu
