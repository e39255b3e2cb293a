#include "frmMain.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "NumberText.h"
#include "QtFileDialogBackend.h"
#include "TrackFile.h"

namespace qu {
namespace {

const char* const kTrackFilter = "Quenlor Tracks (*.qutrack)|*.qutrack";

// Positions are laid out in twips; 15 twips make one logical pixel.
QRect Twips(int left, int top, int width, int height) {
  return QRect(left / 15, top / 15, width / 15, height / 15);
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

QString SegmentCountText(int segments) {
  return segments == 1 ? QString("1 segment") : QString("%1 segments").arg(segments);
}

// The local file of a drag that carries exactly one.
QString DroppedFile(const QMimeData* data) {
  if (!data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().constFirst();
  return url.isLocalFile() ? url.toLocalFile() : QString();
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
  setWindowTitle("QU-Vellumar");
  setFixedSize(5115 / 15, 900 / 15);
  setAcceptDrops(true);
  BuildControls();
}

frmMain::~frmMain() = default;

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
  Text1->setGeometry(Twips(2580, 480, 495, 375));
  Text1->setFont(SentenceFont(true));

  auto label = [this](const char* name, const char* caption, QRect where) {
    auto* l = new QLabel(caption, this);
    l->setObjectName(name);
    l->setGeometry(where);
    l->setFont(SentenceFont(false));
    l->setFocusPolicy(Qt::NoFocus);
    return l;
  };
  Label1 = label("Label1", "Combine the first", Twips(660, 540, 1995, 315));
  Label2 = label("Label2", "Segments.", Twips(3240, 540, 1215, 315));
  // Text1 sits over the end of Label1's box; keep it on top.
  Text1->raise();

  setTabOrder(btnLoad, btnMod);
  setTabOrder(btnMod, btnSave);
  setTabOrder(btnSave, Text1);

  connect(btnLoad, &QPushButton::clicked, this, &frmMain::btnLoad_Click);
  connect(btnMod, &QPushButton::clicked, this, &frmMain::btnMod_Click);
  connect(btnSave, &QPushButton::clicked, this, &frmMain::btnSave_Click);
}

std::string frmMain::DialogStartName() const {
  return CharacterCount(TrackPath) <= kMaxDialogNameChars ? TrackPath : std::string();
}

void frmMain::btnLoad_Click() {
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

void frmMain::LoadTrackPath() {
  if (LoadTrack(TrackPath, model_)) {
    btnSave->setEnabled(false);
    btnMod->setEnabled(true);
    return;
  }
  messages_->Warning(this, "Load Error", "Error Loading Track File!");
  btnSave->setEnabled(false);
  btnMod->setEnabled(false);
}

void frmMain::btnMod_Click() {
  const std::optional<int> last = LastSegmentFromText(Text1->text().toStdString());
  if (!last) {
    ShowCombineError(nullptr);
    return;
  }
  const CombineResult result = CombineSegments(model_.bezr, 0, *last);
  if (!result.combined()) {
    ShowCombineError(&result);
    return;
  }
  btnSave->setEnabled(true);
  btnMod->setToolTip(QString("Last fit: largest deviation %1").arg(result.maxDeviation, 0, 'f', 3));
}

void frmMain::ShowCombineError(const CombineResult* refused) {
  QString text;
  const int segments = SegmentCount(model_.bezr);
  if (refused && refused->refusal == CombineRefusal::kNotFinite) {
    text = QString::fromStdString(refused->reason);
    text[0] = text[0].toUpper();
    text += ". These segments cannot be combined.";
  } else if (segments == 0) {
    text = "The track has no segments to combine.";
  } else if (segments == 1) {
    text = "The track has 1 segment. Type the number 1.";
  } else {
    text = QString("The track has %1. Type a number from 1 to %2.")
               .arg(SegmentCountText(segments))
               .arg(std::min(segments, kMaxCombinedSegments));
  }
  messages_->Warning(this, "Combine Error", text);
}

void frmMain::btnSave_Click() {
  std::string fileTitle, filter = kTrackFilter;
  std::int32_t filterIndex = 1;
  std::uint32_t extraFlags = 0;
  TrackPath = DialogStartName();
  if (!ShowSaveDialog(*dialogs_, TrackPath, fileTitle, true, filter, filterIndex, "",
                      "Save Track As...", "qutrack", static_cast<std::intptr_t>(winId()),
                      extraFlags)) {
    return;
  }
  if (Status status = SaveTrack(TrackPath, model_); !status) {
    messages_->Warning(this, "Save Error",
                       "Error Saving Track File!\n\n" + QString::fromStdString(status.reason()));
  }
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
  const QString path = DroppedFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  TrackPath = path.toStdString();
  LoadTrackPath();
}

}  // namespace qu
