#include "app/frmMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <algorithm>
#include <climits>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/AppIcon.h"
#include "app/CombineUndoStep.h"
#include "app/NumberText.h"
#include "app/PreviewPanel.h"
#include "dialogs/QtFileDialogBackend.h"
#include "dialogs/QtPathBytes.h"
#include "plot/PlanPick.h"
#include "text/DisplayText.h"
#include "trackio/FileAccess.h"
#include "trackio/TrackFile.h"

namespace qu {
namespace {

const char* const kTrackFilter = "Quenlor Tracks (*.qutrack)|*.qutrack";
// The client area of the window at start, and the margin around the preview beneath it.
constexpr int kClientWidth = 5115 / 15;
constexpr int kClientHeight = 900 / 15;
constexpr int kMargin = 4;

// Positions are laid out in twips; 15 twips make one logical pixel.
QRect Twips(int left, int top, int width, int height) {
  return QRect(left / 15, top / 15, width / 15, height / 15);
}

// The sentence under the buttons, laid out in twips: "Combine the first [2] Segments."
const QRect kLabel1Box = Twips(660, 540, 1995, 315);
const QRect kCountBox = Twips(2580, 480, 495, 375);
const QRect kLabel2Box = Twips(3240, 540, 1215, 315);

// The count box's width for the longest count COMBINE! takes: its digits, each as wide as
// the widest digit, the cursor after them, and what the box draws around its text (what its
// size hint adds to the width of the 17 x's it is made for: margins and the style's frame).
int CountBoxWidthForEveryDigit(const QLineEdit& box) {
  const QFontMetrics metrics(box.font());
  int digit = 0;
  for (char c = '0'; c <= '9'; ++c) digit = std::max(digit, metrics.horizontalAdvance(QChar(c)));
  const int digits = static_cast<int>(std::to_string(kMaxCombinedSegments).size());
  const int around = box.sizeHint().width() - 17 * metrics.horizontalAdvance(QChar('x'));
  return digits * digit + 1 + around;
}

// The labels' typeface, or the closest the system has: a narrow sans serif keeps the
// sentence under the buttons on one line.
QFont SentenceFont(bool bold) {
  QFont::insertSubstitutions("MS Sans Serif",
                             {"Microsoft Sans Serif", "Liberation Sans", "Arimo", "Arial"});
  QFont font("MS Sans Serif", 12, bold ? QFont::Bold : QFont::Normal);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

// The local file of a drag that carries exactly one, as the bytes of its name. The URL's
// percent-encoded path is decoded to bytes, not to text, so a name that is not UTF-8 still
// names its file.
std::string DroppedFile(const QMimeData* data) {
  if (!data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().constFirst();
  if (!url.isLocalFile()) return {};
#ifdef _WIN32
  return PathBytes(url.toLocalFile());
#else
  return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
#endif
}

// Bytes from a file name or a file as text for the screen: valid UTF-8 as it is, any other
// byte and every control character shown as \xNN.
QString Shown(const std::string& bytes) {
  return QString::fromStdString(DisplayText(bytes));
}

QString FileName(const std::string& path) {
  return Shown(FileTitle(path));
}

// The longest path the system opens in one piece, terminating NUL included.
#ifdef PATH_MAX
constexpr std::size_t kSystemPathMax = PATH_MAX;
#else
constexpr std::size_t kSystemPathMax = 4096;
#endif

// The path with its folder, so that the dialogs start there, and with the system's own
// separators; the path as given when its absolute form would be too long for the system to
// open (a relative name from a working folder that deep still opens, as it does on the
// command line).
std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::string absolute =
      Utf8FromPath(std::filesystem::absolute(PathFromUtf8(path), error).lexically_normal());
  return NativePath(error || absolute.size() >= kSystemPathMax ? path : absolute);
}

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
  connect(&previewState_, &PreviewState::ready, this, [this](PreviewContent content) {
    preview_->SetContent(std::move(content));
    emit previewUpdated();
  });
}

frmMain::~frmMain() {
  // The undo stack empties itself when it is destroyed, after the preview's state; nothing
  // may start a preview from then on.
  disconnect(&undo_, nullptr, this, nullptr);
  previewShown_ = false;
  previewState_.Cancel();
}

void frmMain::BuildControls() {
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

  Text1 = new QLineEdit("2", this);
  Text1->setObjectName("Text1");
  Text1->setFont(SentenceFont(true));

  auto label = [this](const char* name, const char* caption, QRect where) {
    auto* l = new QLabel(caption, this);
    l->setObjectName(name);
    l->setGeometry(where);
    l->setFont(SentenceFont(false));
    l->setFocusPolicy(Qt::NoFocus);
    return l;
  };
  Label1 = label("Label1", "Combine the first", kLabel1Box);
  Label2 = label("Label2", "Segments.", kLabel2Box);
  // Text1 sits over the end of Label1's box; keep it on top.
  Text1->raise();
  UpdateSentence();

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

void frmMain::BuildActions() {
  QAction* undo = undo_.createUndoAction(this, "Undo");
  undo->setShortcut(QKeySequence::Undo);
  QAction* redo = undo_.createRedoAction(this, "Redo");
  redo->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  showPreview_ = new QAction("Show Preview", this);
  showPreview_->setCheckable(true);
  showPreview_->setShortcut(Qt::Key_F9);
  connect(showPreview_, &QAction::toggled, this, &frmMain::SetPreviewShown);
  connect(&undo_, &QUndoStack::indexChanged, this, &frmMain::ModelChanged);

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
  const Status status = LoadTrack(TrackPath, model_);
  // A failed load leaves the old model in place, but it can be neither combined nor saved
  // again: the user has already been asked about its changes.
  previewState_.Loaded(model_.bezr.Vertices);
  savedVertices_ = previewState_.current();
  documentName_ = status ? FileName(TrackPath) : QString();
  undo_.clear();
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
    messages_->Warning(this, "Load Error", "Error Loading Track File!", Shown(status.reason()));
    btnSave->setEnabled(false);
    btnMod->setEnabled(false);
  }
  previewMode_ = PreviewMode::kLive;
  RequestPreview();
}

void frmMain::btnMod_Click() {
  VertexChunk& chunk = model_.bezr;
  const std::optional<SegmentRun> run = RunFromText(Text1->text().toStdString(), start_);
  if (!run) {
    messages_->Warning(this, "Combine Error",
                       CombineRefusalText(SegmentCount(chunk), start_, std::nullopt, nullptr));
    return;
  }
  const auto [first, segments] = *run;
  // The handles the combine would change, read where the run lies within the track; the
  // combine itself says whether it does.
  const bool runExists = segments >= 1 && first >= 0 && segments <= SegmentCount(chunk) - first;
  const CombineUndoStep::Handles before =
      runExists ? CombineUndoStep::Read(chunk, first, segments) : CombineUndoStep::Handles{};
  const CombineResult result = CombineRun(chunk, *run);
  if (!result.combined()) {
    messages_->Warning(this, "Combine Error",
                       CombineRefusalText(SegmentCount(chunk), start_, segments, &result));
    return;
  }
  undo_.push(new CombineUndoStep(chunk, first, segments, before,
                                 CombineUndoStep::Read(chunk, first, segments),
                                 result.maxDeviation));
  btnSave->setEnabled(true);
  btnMod->setToolTip(QString("Last fit: largest deviation %1").arg(result.maxDeviation, 0, 'f', 3));
}

void frmMain::ModelChanged() {
  // A combine, undo or redo changes the table; a load, whose clearing of the history lands
  // here too, has already taken it.
  previewState_.Changed(model_.bezr.Vertices);
  UpdateModified();
  previewMode_ = PreviewMode::kCombined;
  RequestPreview();
}

void frmMain::UpdateModified() {
  setWindowModified(!SameControlPoints(model_.bezr.Vertices, *savedVertices_));
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
  if (Status status = SaveTrack(TrackPath, model_); !status) {
    messages_->Warning(this, "Save Error", "Error Saving Track File!\n\n" + Shown(status.reason()));
    return false;
  }
  savedVertices_ = previewState_.current();
  UpdateModified();
  const std::string written = SavePathFor(TrackPath);
  documentName_ = FileName(written);
  if (written != TrackPath) {
    messages_->Information(this, "Save Track",
                           QString("The track was saved as %1.").arg(documentName_),
                           QString("Track files end in %1, so it was added to the name %2.")
                               .arg(kTrackExtension, FileName(TrackPath)));
  }
  return true;
}

bool frmMain::MaybeSave() {
  if (!isWindowModified()) return true;
  switch (messages_->AskSaveChanges(
      this, QString("Save changes to %1 before closing?").arg(documentName_))) {
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
  return std::max(SegmentCount(model_.bezr) - 1, 0);
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
  // A box too narrow for every digit grows to the right, and the words after it move with it.
  const int wider = std::max(CountBoxWidthForEveryDigit(*Text1) - kCountBox.width(), 0);
  Label1->setGeometry(kLabel1Box);
  Text1->setGeometry(kCountBox.adjusted(0, 0, wider, 0));
  Label2->setGeometry(kLabel2Box.translated(wider, 0));
  if (start_ == 0) {
    Label1->setText("Combine the first");
    Label2->setText("Segments.");
  } else {
    // "Combine [6] Segments from segment 120.": the count moves left to follow the shorter
    // words before it, and the words after it take the width they need.
    Label1->setText("Combine");
    const QFontMetrics metrics(Label1->font());
    const int gap = Label2->x() - Text1->geometry().right() - 1;
    Label1->resize(metrics.horizontalAdvance(Label1->text()) + 4, Label1->height());
    Text1->move(Label1->geometry().right() + 1 + 4, Text1->y());
    Label2->setText(QString("Segments from segment %1.").arg(start_));
    Label2->setGeometry(Text1->geometry().right() + 1 + gap, Label2->y(),
                        metrics.horizontalAdvance(Label2->text()) + 4, Label2->height());
  }
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
    request.latest = LatestCombineDone();
  }
  request.size = preview_->PictureSize();
  request.devicePixelRatio = devicePixelRatioF();
  // The work runs on a thread of its own so that typing never waits for it; only the
  // latest request's result is shown.
  previewState_.Request(std::move(request));
}

std::optional<LatestCombine> frmMain::LatestCombineDone() const {
  if (undo_.index() == 0) return std::nullopt;
  std::vector<SegmentRun> runs;
  for (int i = 0; i < undo_.index(); ++i) {
    const auto* step = static_cast<const CombineUndoStep*>(undo_.command(i));
    runs.push_back({step->first(), step->segments()});
  }
  const auto* latest = static_cast<const CombineUndoStep*>(undo_.command(undo_.index() - 1));
  return LatestCombine{runs.back(), latest->before().startOut, latest->before().endIn,
                       latest->maxDeviation(),
                       RunsChanged(runs, *previewState_.loaded(), model_.bezr.Vertices)};
}

}  // namespace qu
