#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "FileDialog.h"
#include "MessagePresenter.h"
#include "SegmentMerge.h"
#include "TrackModel.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace qu {

// The program's window: load a track, combine its first segments, save it. It wires the
// buttons to the track and geometry libraries and shows what they report.
class frmMain : public QWidget {
  Q_OBJECT

 public:
  // Without a backend or presenter the window uses Qt's file dialog and message box.
  explicit frmMain(FileDialogBackend* dialogs = nullptr, MessagePresenter* messages = nullptr,
                   QWidget* parent = nullptr);
  ~frmMain() override;

  const std::string& trackPath() const { return TrackPath; }
  const TrackModel& model() const { return model_; }

 public slots:
  void btnLoad_Click();
  void btnMod_Click();
  void btnSave_Click();

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildControls();
  void LoadTrackPath();
  void ShowCombineError(const CombineResult* refused);
  // The name handed to a dialog: TrackPath, unless it is longer than a dialog accepts.
  std::string DialogStartName() const;

  std::unique_ptr<FileDialogBackend> ownDialogs_;
  std::unique_ptr<MessagePresenter> ownMessages_;
  FileDialogBackend* dialogs_;
  MessagePresenter* messages_;

  QPushButton* btnLoad = nullptr;
  QPushButton* btnMod = nullptr;
  QPushButton* btnSave = nullptr;
  QLineEdit* Text1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;

  std::string TrackPath;
  TrackModel model_;
};

}  // namespace qu
