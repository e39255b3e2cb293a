#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MessagePresenter.h"
#include "app/Preview.h"
#include "app/PreviewState.h"
#include "app/TrackDocument.h"
#include "dialogs/FileDialog.h"
#include "plot/PlotGeometry.h"

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qu {

class PreviewPanel;

// The program's window: load a track, combine a run of its segments (the first ones unless
// another start is chosen), save it. It wires the buttons to the track and geometry libraries
// and shows what they report. Around the three commands: a preview panel (F9) where the run's
// start is chosen, undo and redo of COMBINE!, and a question before unsaved changes are
// thrown away.
class frmMain : public QWidget {
  Q_OBJECT

 public:
  // Without a backend or presenter the window uses Qt's file dialog and message box.
  explicit frmMain(FileDialogBackend* dialogs = nullptr, MessagePresenter* messages = nullptr,
                   QWidget* parent = nullptr);
  ~frmMain() override;

  const std::string& trackPath() const { return TrackPath; }
  const TrackModel& model() const { return document_.model(); }
  bool previewShown() const { return previewShown_; }
  // The first segment of the run COMBINE! refits.
  int start() const { return start_; }
  const PreviewContent& previewContent() const;
  const PreviewState& previewState() const { return previewState_; }

  // Loads a track as a dropped file is loaded, after asking about unsaved changes.
  // The path as text, or as the bytes of its name.
  void OpenFile(const QString& path);
  void OpenFile(const std::string& path);

 public slots:
  void btnLoad_Click();
  void btnMod_Click();
  void btnSave_Click();
  void SetPreviewShown(bool shown);
  // Makes `start` the run's first segment, within the track's segments.
  void ChooseStart(int start);

 signals:
  // The preview panel shows a new content.
  void previewUpdated();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  enum class PreviewMode { kLive, kCombined };

  void BuildControls();
  void BuildButtons();
  // "Combine the first [2] Segments."
  void BuildSentence();
  void BuildActions();
  void LoadTrackPath();
  // Saves through the save dialog; true when the track was written.
  bool SaveWithDialog();
  // Asks whether to save unsaved changes first; false when the user cancels or the save
  // does not happen.
  bool MaybeSave();
  // After a combine, undo or redo (and when a load clears the history).
  void ModelChanged();
  void UpdateModified();
  void RequestPreview();
  // The start nearest a point of the plan (x and z).
  void PickStartAt(const plot::Point2& plan);
  // The largest start the loaded track allows.
  int LargestStart() const;
  // The sentence under the buttons, worded for the start; the window as wide as it needs.
  void UpdateSentence();
  int ClientWidth() const;
  void FitWindowWidth();
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
  PreviewPanel* preview_ = nullptr;
  QAction* showPreview_ = nullptr;

  std::string TrackPath;
  int start_ = 0;
  TrackDocument document_;

  bool previewShown_ = false;
  PreviewMode previewMode_ = PreviewMode::kLive;
  PreviewState previewState_;
};

}  // namespace qu
