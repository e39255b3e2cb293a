// The window driven through real clicks, headless, with the dialogs and message boxes
// replaced by stand-ins (and one test through the real file dialog).
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <deque>
#include <fstream>

#include "FileDialog.h"
#include "SampleTracks.h"
#include "SegmentMerge.h"
#include "TrackFile.h"
#include "frmMain.h"

namespace qu {

class ScriptedDialogs : public FileDialogBackend {
 public:
  FileDialogResult Show(const FileDialogRequest& request) override {
    requests.push_back(request);
    if (answers.empty()) return {};
    FileDialogResult next = answers.front();
    answers.pop_front();
    return next;
  }
  void Choose(const QString& path) {
    answers.push_back({true, path.toStdString(), QFileInfo(path).fileName().toStdString(), 0, 1});
  }
  void Cancel() { answers.push_back({}); }

  std::deque<FileDialogResult> answers;
  std::vector<FileDialogRequest> requests;
};

class RecordingMessages : public MessagePresenter {
 public:
  void Warning(QWidget*, const QString& title, const QString& text) override {
    shown.push_back({title, text});
  }
  std::vector<std::pair<QString, QString>> shown;
};

std::vector<std::uint8_t> FileBytes(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class WindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir folder_;
  QString sample_;
  std::unique_ptr<ScriptedDialogs> dialogs_;
  std::unique_ptr<RecordingMessages> messages_;
  std::unique_ptr<frmMain> window_;

  template <typename T>
  T* Control(const char* name) {
    T* control = window_->findChild<T*>(name);
    if (!control) qFatal("no control %s", name);
    return control;
  }
  QPushButton* Button(const char* name) { return Control<QPushButton>(name); }
  void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
  void ExpectButtons(bool mod, bool save) {
    QVERIFY(Button("btnLoad")->isEnabled());
    QCOMPARE(Button("btnMod")->isEnabled(), mod);
    QCOMPARE(Button("btnSave")->isEnabled(), save);
  }
  void LoadSample() {
    dialogs_->Choose(sample_);
    Click("btnLoad");
  }
  void TypeCount(const QString& text) {
    QLineEdit* edit = Control<QLineEdit>("Text1");
    edit->clear();
    QTest::keyClicks(edit, text);
  }

 private slots:
  void initTestCase() {
    QVERIFY(folder_.isValid());
    sample_ = folder_.filePath("sample.qutrack");
    TrackModel model = samples::MakeSampleTrack();
    QVERIFY(SaveTrack(sample_.toStdString(), model).ok());
  }

  void init() {
    dialogs_ = std::make_unique<ScriptedDialogs>();
    messages_ = std::make_unique<RecordingMessages>();
    window_ = std::make_unique<frmMain>(dialogs_.get(), messages_.get());
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }

  void cleanup() { window_.reset(); }

  void startState() {
    QCOMPARE(window_->windowTitle(), QString("QU-Vellumar"));
    QCOMPARE(window_->size(), QSize(341, 60));
    QCOMPARE(window_->minimumSize(), window_->maximumSize());
    struct Expected {
      const char* name;
      QString text;
      QRect geometry;
    };
    const Expected controls[] = {
        {"btnLoad", "Load Track", {4, 4, 105, 25}},
        {"btnMod", "COMBINE!", {116, 4, 105, 25}},
        {"btnSave", "Save Track", {228, 4, 105, 25}},
        {"Text1", "2", {172, 32, 33, 25}},
        {"Label1", "Combine the first", {44, 36, 133, 21}},
        {"Label2", "Segments.", {216, 36, 81, 21}},
    };
    for (const auto& c : controls) {
      QWidget* w = Control<QWidget>(c.name);
      QCOMPARE(w->geometry(), c.geometry);
      const QString text = qobject_cast<QPushButton*>(w) ? qobject_cast<QPushButton*>(w)->text()
                           : qobject_cast<QLineEdit*>(w) ? qobject_cast<QLineEdit*>(w)->text()
                                                         : qobject_cast<QLabel*>(w)->text();
      QCOMPARE(text, c.text);
    }
    ExpectButtons(false, false);
    QVERIFY(Control<QLineEdit>("Text1")->isEnabled());
    QCOMPARE(Control<QLineEdit>("Text1")->font().pointSize(), 12);
    QVERIFY(Control<QLineEdit>("Text1")->font().bold());
    QCOMPARE(Control<QLabel>("Label1")->font().pointSize(), 12);
    QVERIFY(!Control<QLabel>("Label1")->font().bold());
    QCOMPARE(Control<QLabel>("Label1")->focusPolicy(), Qt::NoFocus);
    // Tab order: Load, COMBINE!, Save, the text box.
    QCOMPARE(Button("btnLoad")->nextInFocusChain(), Button("btnMod"));
    QCOMPARE(Button("btnMod")->nextInFocusChain(), Button("btnSave"));
    QCOMPARE(Button("btnSave")->nextInFocusChain(), Control<QWidget>("Text1"));
  }

  void loadSuccess() {
    LoadSample();
    ExpectButtons(true, false);
    QCOMPARE(window_->trackPath(), sample_.toStdString());
    QCOMPARE(window_->model().bezr.Vertices.size(), std::size_t{45});
    const FileDialogRequest& r = dialogs_->requests.at(0);
    QCOMPARE(r.title, std::string("Load Track..."));
    QCOMPARE(r.fileName, std::string());
    QCOMPARE(r.flags, 0x1004u);
    QCOMPARE(r.defaultExt, std::string("qutrack"));
    QVERIFY(messages_->shown.empty());
  }

  void loadFailure() {
    const QString notATrack = folder_.filePath("notes.txt");
    std::ofstream(notATrack.toStdString()) << "hello";
    LoadSample();
    Click("btnMod");
    ExpectButtons(true, true);
    dialogs_->Choose(notATrack);
    Click("btnLoad");
    QCOMPARE(messages_->shown.size(), std::size_t{1});
    QCOMPARE(messages_->shown[0].first, QString("Load Error"));
    QCOMPARE(messages_->shown[0].second, QString("Error Loading Track File!"));
    ExpectButtons(false, false);
  }

  void cancelledDialogsEmptyTheName() {
    LoadSample();
    dialogs_->Cancel();
    Click("btnLoad");
    ExpectButtons(true, false);
    QCOMPARE(window_->trackPath(), std::string());
    QCOMPARE(window_->model().bezr.Vertices.size(), std::size_t{45});
    Click("btnMod");
    dialogs_->Cancel();
    Click("btnSave");
    QCOMPARE(dialogs_->requests.back().title, std::string("Save Track As..."));
    QCOMPARE(dialogs_->requests.back().fileName, std::string());
    QCOMPARE(dialogs_->requests.back().flags, 0x6u);
    ExpectButtons(true, true);
  }

  void combine_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("last");  // -100: refused
    QTest::newRow("2") << "2" << 1;
    QTest::newRow("1") << "1" << 0;
    QTest::newRow("blank -3") << " -3" << 2;
    QTest::newRow("3 Segments") << "3 Segments" << 2;
    QTest::newRow("1 2") << "1 2" << 11;
    QTest::newRow("2.5") << "2.5" << 2;
    QTest::newRow("3.5") << "3.5" << 2;
    QTest::newRow("4.5") << "4.5" << 4;
    QTest::newRow("empty") << "" << -100;
    QTest::newRow("abc") << "abc" << -100;
    QTest::newRow("0") << "0" << -100;
    QTest::newRow("99999") << "99999" << -100;
    QTest::newRow("45") << "45" << -100;
  }

  void combine() {
    QFETCH(QString, text);
    QFETCH(int, last);
    LoadSample();
    const TrackModel before = window_->model();
    TypeCount(text);
    Click("btnMod");
    if (last == -100) {
      QCOMPARE(messages_->shown.size(), std::size_t{1});
      QCOMPARE(messages_->shown[0].first, QString("Combine Error"));
      QCOMPARE(messages_->shown[0].second,
               QString("The track has 44 segments. Type a number from 1 to 44."));
      ExpectButtons(true, false);
      TrackModel now = window_->model();
      TrackModel was = before;
      TrackBuffer a, b;
      QVERIFY(SerializeTrack(now, a).ok() && SerializeTrack(was, b).ok());
      QVERIFY(a == b);
      return;
    }
    QVERIFY(messages_->shown.empty());
    ExpectButtons(true, true);
    VertexChunk expected = before.bezr;
    const CombineResult result = CombineSegments(expected, 0, last);
    QVERIFY(result.combined());
    const auto& now = window_->model().bezr.Vertices;
    for (std::size_t i = 0; i < now.size(); ++i) {
      QCOMPARE(now[i].controlOut.x, expected.Vertices[i].controlOut.x);
      QCOMPARE(now[i].controlIn.y, expected.Vertices[i].controlIn.y);
    }
    QCOMPARE(Button("btnMod")->toolTip(),
             QString("Last fit: largest deviation %1").arg(result.maxDeviation, 0, 'f', 3));
  }

  void saveSuccessAndFailure() {
    LoadSample();
    Click("btnMod");
    const QString out = folder_.filePath("saved.qutrack");
    dialogs_->Choose(out);
    Click("btnSave");
    QVERIFY(messages_->shown.empty());
    TrackModel model = window_->model();
    TrackBuffer expected;
    QVERIFY(SerializeTrack(model, expected).ok());
    QVERIFY(FileBytes(out) == expected);
    ExpectButtons(true, true);

    dialogs_->Choose(folder_.filePath("missing/folder/x.qutrack"));
    Click("btnSave");
    QCOMPARE(messages_->shown.size(), std::size_t{1});
    QCOMPARE(messages_->shown[0].first, QString("Save Error"));
    QVERIFY(messages_->shown[0].second.startsWith("Error Saving Track File!\n\ncannot create"));
    ExpectButtons(true, true);
  }

  void secondLoadDisablesSaving() {
    LoadSample();
    Click("btnMod");
    ExpectButtons(true, true);
    LoadSample();
    ExpectButtons(true, false);
  }

  void droppedFileLoads() {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(sample_)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &drop);
    ExpectButtons(true, false);
    QCOMPARE(window_->trackPath(), sample_.toStdString());
    QVERIFY(dialogs_->requests.empty());

    QMimeData bad;
    bad.setUrls({QUrl::fromLocalFile(folder_.filePath("nothing.qutrack"))});
    QDragEnterEvent badEnter(QPoint(10, 10), Qt::CopyAction, &bad, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &badEnter);
    QDropEvent badDrop(QPointF(10, 10), Qt::CopyAction, &bad, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &badDrop);
    QCOMPARE(messages_->shown.size(), std::size_t{1});
    QCOMPARE(messages_->shown[0].second, QString("Error Loading Track File!"));
    ExpectButtons(false, false);
  }

  // Types `path` into the next file dialog that opens and confirms it.
  void AnswerNextFileDialog(const QString& path, bool* answered) {
    QTimer::singleShot(50, [path, answered] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
      if (!edit) return;
      edit->setText(path);
      QTest::keyClick(edit, Qt::Key_Return);
      *answered = true;
    });
  }

  void endToEndThroughTheRealFileDialog() {
    RecordingMessages messages;
    frmMain window(nullptr, &messages);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    bool answered = false;
    AnswerNextFileDialog(sample_, &answered);
    QTest::mouseClick(window.findChild<QPushButton*>("btnLoad"), Qt::LeftButton);
    QVERIFY(answered);
    QVERIFY(messages.shown.empty());
    QCOMPARE(window.trackPath(), sample_.toStdString());

    window.findChild<QLineEdit*>("Text1")->setText("3");
    QTest::mouseClick(window.findChild<QPushButton*>("btnMod"), Qt::LeftButton);
    QVERIFY(window.findChild<QPushButton*>("btnSave")->isEnabled());

    answered = false;
    const QString out = folder_.filePath("end-to-end");  // the dialog adds .qutrack
    AnswerNextFileDialog(out, &answered);
    QTest::mouseClick(window.findChild<QPushButton*>("btnSave"), Qt::LeftButton);
    QVERIFY(answered);
    QVERIFY(messages.shown.empty());

    TrackModel expected;
    QVERIFY(LoadTrack(sample_.toStdString(), expected).ok());
    QVERIFY(CombineSegments(expected.bezr, 0, 2).combined());
    TrackBuffer bytes;
    QVERIFY(SerializeTrack(expected, bytes).ok());
    QVERIFY(FileBytes(out + ".qutrack") == bytes);
  }
};

}  // namespace qu

QTEST_MAIN(qu::WindowTest)
#include "WindowTest.moc"
