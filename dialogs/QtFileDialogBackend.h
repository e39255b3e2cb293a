#pragma once

#include "dialogs/FileDialog.h"

class QWidget;

namespace qu {

// Shows a dialog request with QFileDialog, modal over `parent`.
class QtFileDialogBackend : public FileDialogBackend {
 public:
  explicit QtFileDialogBackend(QWidget* parent) : parent_(parent) {}
  FileDialogResult Show(const FileDialogRequest& request) override;

 private:
  QWidget* parent_;
};

}  // namespace qu
