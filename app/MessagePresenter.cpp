#include "MessagePresenter.h"

#include <QMessageBox>

namespace qu {

void QtMessagePresenter::Warning(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace qu
