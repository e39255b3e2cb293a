#include "app/frmMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <algorithm>
#include <string>

#include "app/AppIcon.h"
#include "app/FileNames.h"
#include "app/NumberText.h"
#include "app/PreviewPanel.h"
#include "app/WindowLayout.h"
#include "dialogs/QtFileDialogBackend.h"
#include "dialogs/QtPathBytes.h"
#include "plot/PlanPick.h"
#include "trackio/TrackFile.h"

namespace qu {
namespace {

const char* const kTrackFilter = "Quenlor Tracks (*.qutrack)|*.qutrack";

}  // namespace

frmMain::frmMain(FileDialogBackend* dialogs, MessagePresenter* messages, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), messages_(messages) {
  if (!dialogs_) {
    ownDialogs_ = std::make_unique<QtFileDialogBackend>(this);
    dialogs_ = ownDialogs_.get();
  }
  if (!messages_) {
    ownMessages_ = std::make_unique<QtMessagePresenter>();
    messages_ = ownMessages_.get();
  }
  setObjectName("frmMain");
  setWindowTitle("QU-Vellumar[*]");
  setWindowIcon(AppIcon());
  setFixedSize(kClientWidth, kClientHeight);
  setAcceptDrops(true);
  BuildControls();
  BuildActions();
  connect(&document_, &TrackDocument::changed, this, &frmMain::ModelChanged);
  connect(&previewState_, &PreviewState::ready, this, [this](PreviewContent content) {
    preview_->SetContent(std::move(content));
    emit previewUpdated();
  });
}

frmMain::~frmMain() {
  // The document's history empties itself when it is destroyed, after the preview's state;
  // nothing may start a preview from then on.
  disconnect(&document_, nullptr, this, nullptr);
  previewShown_ = false;
  previewState_.Cancel();
}

void frmMain::BuildControls() {
  BuildButtons();
  BuildSentence();
  preview_ = new PreviewPanel(this);
  preview_->setFocusPolicy(Qt::NoFocus);
  preview_->SetStartEnabled(false);
  preview_->hide();

  setTabOrder(btnLoad, btnMod);
  setTabOrder(btnMod, btnSave);
  setTabOrder(btnSave, Text1);
  setTabOrder(Text1, preview_->findChild<QWidget*>("spnStart"));

  connect(btnLoad, &QPushButton::clicked, this, &frmMain::btnLoad_Click);
  connect(btnMod, &QPushButton::clicked, this, &frmMain::btnMod_Click);
  connect(btnSave, &QPushButton::clicked, this, &frmMain::btnSave_Click);
  connect(Text1, &QLineEdit::textChanged, this, [this] {
    previewMode_ = PreviewMode::kLive;
    RequestPreview();
  });
  connect(preview_, &PreviewPanel::pictureSizeChanged, this, &frmMain::RequestPreview);
  connect(preview_, &PreviewPanel::startEdited, this, &frmMain::ChooseStart);
  connect(preview_, &PreviewPanel::planClicked, this, &frmMain::PickStartAt);
}

void frmMain::BuildButtons() {
  auto button = [this](const char* name, const char* caption, QRect where) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    b->setGeometry(where);
    return b;
  };
  btnLoad = button("btnLoad", "Load Track", Twips(60, 60, 1575, 375));
  btnMod = button("btnMod", "COMBINE!", Twips(1740, 60, 1575, 375));
  btnSave = button("btnSave", "Save Track", Twips(3420, 60, 1575, 375));
  btnMod->setEnabled(false);
  btnSave->setEnabled(false);
}

void frmMain::BuildSentence() {
  Text1 = new QLineEdit("2", this);
  Text1->setObjectName("Text1");
  Text1->setFont(SentenceFont(true));
  auto label = [this](const char* name) {
    auto* l = new QLabel(this);
    l->setObjectName(name);
    l->setFont(SentenceFont(false));
    l->setFocusPolicy(Qt::NoFocus);
    return l;
  };
  Label1 = label("Label1");
  Label2 = label("Label2");
  // Text1 sits over the end of Label1's box; keep it on top.
  Text1->raise();
  UpdateSentence();
}

void frmMain::BuildActions() {
  QAction* undo = document_.history().createUndoAction(this, "Undo");
  undo->setShortcut(QKeySequence::Undo);
  QAction* redo = document_.history().createRedoAction(this, "Redo");
  redo->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  showPreview_ = new QAction("Show Preview", this);
  showPreview_->setCheckable(true);
  showPreview_->setShortcut(Qt::Key_F9);
  connect(showPreview_, &QAction::toggled, this, &frmMain::SetPreviewShown);

  auto* separator = new QAction(this);
  separator->setSeparator(true);
  addActions({undo, redo, separator, showPreview_});
  setContextMenuPolicy(Qt::ActionsContextMenu);
}

const PreviewContent& frmMain::previewContent() const {
  return preview_->content();
}

std::string frmMain::DialogStartName() const {
  return CharacterCount(TrackPath) <= kMaxDialogNameChars ? TrackPath : std::string();
}

void frmMain::btnLoad_Click() {
  if (!MaybeSave()) return;
  std::string fileTitle, filter = kTrackFilter;
  std::int32_t filterIndex = 1;
  std::uint32_t extraFlags = 0;
  bool readOnly = false;
  TrackPath = DialogStartName();
  if (!ShowOpenDialog(*dialogs_, TrackPath, fileTitle, true, readOnly, true, filter, filterIndex,
                      "", "Load Track...", "qutrack", static_cast<std::intptr_t>(winId()),
                      extraFlags)) {
    return;
  }
  LoadTrackPath();
}

void frmMain::OpenFile(const QString& path) {
  OpenFile(PathBytes(path));
}

void frmMain::OpenFile(const std::string& path) {
  if (!MaybeSave()) return;
  TrackPath = AbsolutePath(path);
  LoadTrackPath();
}

void frmMain::LoadTrackPath() {
  const Status status = document_.Load(TrackPath);
  // A failed load leaves the old model in place, but it can be neither combined nor saved
  // again: the user has already been asked about its changes.
  previewState_.SetCurrent(document_.current());
  UpdateModified();
  // A new track is combined from its start until another start is chosen.
  start_ = 0;
  preview_->ShowStart(start_, LargestStart());
  preview_->SetStartEnabled(status.ok());
  UpdateSentence();
  if (status) {
    btnSave->setEnabled(false);
    btnMod->setEnabled(true);
  } else {
    messages_->Warning(this, "Load Error", "Error Loading Track File!", ShownText(status.reason()));
    btnSave->setEnabled(false);
    btnMod->setEnabled(false);
  }
  previewMode_ = PreviewMode::kLive;
  RequestPreview();
}

void frmMain::btnMod_Click() {
  const std::optional<SegmentRun> run = RunFromText(Text1->text().toStdString(), start_);
  if (!run) {
    messages_->Warning(this, "Combine Error",
                       CombineRefusalText(document_.segments(), start_, std::nullopt, nullptr));
    return;
  }
  const CombineResult result = document_.Combine(*run);
  if (!result.combined()) {
    messages_->Warning(this, "Combine Error",
                       CombineRefusalText(document_.segments(), start_, run->count, &result));
    return;
  }
  btnSave->setEnabled(true);
  btnMod->setToolTip(QString("Last fit: largest deviation %1").arg(result.maxDeviation, 0, 'f', 3));
}

void frmMain::ModelChanged() {
  previewState_.SetCurrent(document_.current());
  UpdateModified();
  previewMode_ = PreviewMode::kCombined;
  RequestPreview();
}

void frmMain::UpdateModified() {
  setWindowModified(document_.modified());
}

void frmMain::btnSave_Click() {
  SaveWithDialog();
}

bool frmMain::SaveWithDialog() {
  std::string fileTitle, filter = kTrackFilter;
  std::int32_t filterIndex = 1;
  std::uint32_t extraFlags = 0;
  TrackPath = DialogStartName();
  // The dialog is told where the save really writes, so that it asks about that file.
  if (!ShowSaveDialog(*dialogs_, TrackPath, fileTitle, true, filter, filterIndex, "",
                      "Save Track As...", "qutrack", static_cast<std::intptr_t>(winId()),
                      extraFlags, SavePathFor)) {
    return false;
  }
  if (Status status = document_.Save(TrackPath); !status) {
    messages_->Warning(this, "Save Error",
                       "Error Saving Track File!\n\n" + ShownText(status.reason()));
    return false;
  }
  UpdateModified();
  if (SavePathFor(TrackPath) != TrackPath) {
    messages_->Information(this, "Save Track",
                           QString("The track was saved as %1.").arg(document_.name()),
                           QString("Track files end in %1, so it was added to the name %2.")
                               .arg(kTrackExtension, ShownFileName(TrackPath)));
  }
  return true;
}

bool frmMain::MaybeSave() {
  if (!isWindowModified()) return true;
  switch (messages_->AskSaveChanges(
      this, QString("Save changes to %1 before closing?").arg(document_.name()))) {
    case SaveChangesAnswer::kSave:
      return SaveWithDialog();
    case SaveChangesAnswer::kDiscard:
      return true;
    case SaveChangesAnswer::kCancel:
      break;
  }
  return false;
}

void frmMain::closeEvent(QCloseEvent* event) {
  if (MaybeSave()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFile(event->mimeData()).empty()) event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
  const std::string path = DroppedFile(event->mimeData());
  if (path.empty()) return;
  event->acceptProposedAction();
  // The drag ends first; a question about unsaved changes must not hold up its source.
  QMetaObject::invokeMethod(
      this, [this, path] { OpenFile(path); }, Qt::QueuedConnection);
}

void frmMain::SetPreviewShown(bool shown) {
  if (shown == previewShown_) return;
  previewShown_ = shown;
  showPreview_->setChecked(shown);
  if (!shown) {
    preview_->hide();
    setFixedSize(ClientWidth(), kClientHeight);
    return;
  }
  // The window grows downwards by a picture as wide as the controls, with the start field
  // and two lines of words above it; it may grow further while the preview shows.
  const int pictureWidth = ClientWidth() - 2 * kMargin;
  const int panelHeight = preview_->HeightFor(pictureWidth / 2);
  const QSize grown(ClientWidth(), kClientHeight + panelHeight + kMargin);
  setMinimumSize(grown);
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  resize(grown);
  preview_->setGeometry(kMargin, kClientHeight, width() - 2 * kMargin,
                        height() - kClientHeight - kMargin);
  preview_->show();
  RequestPreview();
}

int frmMain::LargestStart() const {
  return std::max(document_.segments() - 1, 0);
}

void frmMain::ChooseStart(int start) {
  start_ = std::clamp(start, 0, LargestStart());
  preview_->ShowStart(start_, LargestStart());
  UpdateSentence();
  previewMode_ = PreviewMode::kLive;
  RequestPreview();
}

void frmMain::PickStartAt(const plot::Point2& plan) {
  if (!btnMod->isEnabled()) return;
  if (const auto vertex = plot::NearestVertexInPlan(*previewState_.current(), plan)) {
    // The last vertex starts no segment; the run then starts at the last segment.
    ChooseStart(static_cast<int>(std::min<std::size_t>(*vertex, LargestStart())));
  }
}

void frmMain::UpdateSentence() {
  LayOutSentence(*Label1, *Text1, *Label2, start_);
  FitWindowWidth();
}

int frmMain::ClientWidth() const {
  return std::max(kClientWidth, Label2->geometry().right() + 1 + kMargin);
}

void frmMain::FitWindowWidth() {
  if (!previewShown_) {
    setFixedSize(ClientWidth(), kClientHeight);
    return;
  }
  setMinimumWidth(ClientWidth());
  if (width() < ClientWidth()) resize(ClientWidth(), height());
}

void frmMain::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (previewShown_) {
    preview_->setGeometry(kMargin, kClientHeight, width() - 2 * kMargin,
                          height() - kClientHeight - kMargin);
  }
}

void frmMain::RequestPreview() {
  if (!previewShown_) return;
  PreviewRequest request;
  if (!btnMod->isEnabled()) {
    request.mode = PreviewRequest::Mode::kNoTrack;
  } else if (previewMode_ == PreviewMode::kLive) {
    request.mode = PreviewRequest::Mode::kLive;
    request.countText = Text1->text().toStdString();
    request.start = start_;
  } else {
    request.mode = PreviewRequest::Mode::kCombined;
    request.latest = document_.LatestCombineDone();
  }
  request.size = preview_->PictureSize();
  request.devicePixelRatio = devicePixelRatioF();
  // The work runs on a thread of its own so that typing never waits for it; only the
  // latest request's result is shown.
  previewState_.Request(std::move(request));
}

}  // namespace qu
