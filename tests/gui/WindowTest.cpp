// The window driven through real clicks and key presses, headless, with the dialogs and
// message boxes replaced by stand-ins, or the real ones answered as they open.
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <cctype>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/CommandLine.h"
#include "app/PreviewPanel.h"
#include "app/frmMain.h"
#include "dialogs/FileDialog.h"
#include "dialogs/QtPathBytes.h"
#include "examples/SampleTracks.h"
#include "geometry/SegmentMerge.h"
#include "trackio/TrackFile.h"

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
  void Warning(QWidget*, const QString& title, const QString& text,
               const QString& informative) override {
    shown.push_back({title, text});
    details.push_back(informative);
  }
  void Information(QWidget*, const QString& title, const QString& text, const QString&) override {
    informed.push_back({title, text});
  }
  SaveChangesAnswer AskSaveChanges(QWidget*, const QString&) override {
    return SaveChangesAnswer::kDiscard;
  }
  std::vector<std::pair<QString, QString>> shown;
  std::vector<QString> details;
  std::vector<std::pair<QString, QString>> informed;
};

// Answers the real modal dialogs and message boxes as they open, in order: each answer runs
// once its dialog shows and its event loop runs. Message boxes are recorded.
class ModalAnswerer : public QObject {
 public:
  using Answer = std::function<void(QDialog*)>;
  struct Box {
    QString title, text, details;
    QMessageBox::StandardButtons buttons;
  };

  ModalAnswerer() { qApp->installEventFilter(this); }
  ~ModalAnswerer() override { qApp->removeEventFilter(this); }

  void Then(Answer answer) { answers_.push_back(std::move(answer)); }
  void ThenClick(QMessageBox::StandardButton button) {
    Then([button](QDialog* dialog) {
      auto* box = qobject_cast<QMessageBox*>(dialog);
      QVERIFY(box && box->button(button));
      QTest::mouseClick(box->button(button), Qt::LeftButton);
    });
  }
  void ThenTypeFileName(const QString& path) {
    Then([path](QDialog* dialog) {
      auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
      QVERIFY(qobject_cast<QFileDialog*>(dialog) && edit);
      // In the name field, as a user would be, so that the name typed replaces the file
      // selected in the list.
      edit->setFocus();
      QTRY_VERIFY(edit->hasFocus());
      edit->setText(path);
      QTest::keyClick(edit, Qt::Key_Return);
    });
  }
  // Accepts the name the dialog proposes, as it stands.
  void ThenAcceptProposedName() {
    Then([](QDialog* dialog) {
      auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
      QVERIFY(qobject_cast<QFileDialog*>(dialog) && edit);
      edit->setFocus();
      QTRY_VERIFY(edit->hasFocus());
      QTest::keyClick(edit, Qt::Key_Return);
    });
  }
  void ThenEscape() {
    Then([](QDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
  }
  bool AllAnswered() const { return answers_.empty(); }

  std::vector<Box> boxes;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* dialog = qobject_cast<QDialog*>(watched);
    if (event->type() != QEvent::Show || !dialog || !dialog->isWindow()) return false;
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
      boxes.push_back(
          {box->windowTitle(), box->text(), box->informativeText(), box->standardButtons()});
    }
    if (answers_.empty()) {
      QTimer::singleShot(0, dialog, &QDialog::reject);  // never leave a test hanging
      return false;
    }
    Answer answer = std::move(answers_.front());
    answers_.pop_front();
    QTimer::singleShot(0, dialog, [dialog, answer] { answer(dialog); });
    return false;
  }

 private:
  std::deque<Answer> answers_;
};

// The curves drawn in the preview's picture, per view; the rest of the track painted once for
// the track counts as one.
std::map<QString, int> PathsPerView(const plot::Drawing& drawing) {
  std::map<QString, int> paths;
  for (const plot::Frame& frame : drawing.frames) {
    paths[QString::fromStdString(frame.name)] =
        static_cast<int>(frame.lines.size()) + (frame.restAt ? 1 : 0);
  }
  return paths;
}

// The window's program. Under Wine the build's path is a Unix one, which Windows cannot
// open; the program lies beside this test.
QString VellumarBinary() {
#ifdef _WIN32
  return QCoreApplication::applicationDirPath() + "/qu-vellumar.exe";
#else
  return QU_VELLUMAR_BINARY;
#endif
}

std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> FileBytes(const QString& path) {
  return FileBytes(path.toStdString());
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
  // The window with the real message boxes, for the tests that answer them.
  void UseRealMessageBoxes() {
    window_ = std::make_unique<frmMain>(dialogs_.get(), nullptr);
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }
  TrackBuffer ModelBytes() {
    TrackModel copy = window_->model();
    TrackBuffer bytes;
    if (!SerializeTrack(copy, bytes).ok()) qFatal("cannot serialise the model");
    return bytes;
  }
  TrackBuffer LoadedBytes(const QString& path) {
    TrackModel model;
    TrackBuffer bytes;
    if (!LoadTrack(path.toStdString(), model).ok() || !SerializeTrack(model, bytes).ok()) {
      qFatal("cannot load %s", qPrintable(path));
    }
    return bytes;
  }
  // Waits until the preview shows what was asked last.
  const PreviewContent& NextPreview(QSignalSpy& updated) {
    if (!updated.wait(10000)) qFatal("no preview");
    return window_->previewContent();
  }
  void Drop(const QString& path) { DropUrl(QUrl::fromLocalFile(path)); }
  void DropUrl(const QUrl& url) {
    QMimeData data;
    data.setUrls({url});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &drop);
  }
  // Drops a file named by raw bytes, percent-encoded in its URL as a file manager does.
  void DropBytes(const std::string& path) {
    QByteArray url = "file://";
    for (const char c : path) {
      const auto byte = static_cast<unsigned char>(c);
      if (std::isalnum(byte) || std::strchr("/-._~", c)) {
        url += c;
      } else {
        url += '%' + QByteArray::number(byte, 16).rightJustified(2, '0').toUpper();
      }
    }
    DropUrl(QUrl::fromEncoded(url));
  }
  void PressKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(window_.get(), static_cast<Qt::Key>(key), modifiers);
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
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }

  void cleanup() { window_.reset(); }

  void startState() {
    QCOMPARE(window_->windowHandle()->title(), QString("QU-Vellumar"));
    QVERIFY(!window_->isWindowModified());
    QVERIFY(!window_->windowIcon().pixmap(QSize(32, 32)).isNull());
    QVERIFY(!Control<QWidget>("preview")->isVisible());
    QCOMPARE(window_->size(), QSize(341, 60));
    QCOMPARE(window_->minimumSize(), window_->maximumSize());
    struct Expected {
      const char* name;
      QString text;
      QRect geometry;
    };
    // The count box is at least as wide as designed, wider where four digits need it, and
    // the words after it keep their distance from it.
    const int wider = Control<QLineEdit>("Text1")->width() - 33;
    QVERIFY(wider >= 0);
    const Expected controls[] = {
        {"btnLoad", "Load Track", {4, 4, 105, 25}},
        {"btnMod", "COMBINE!", {116, 4, 105, 25}},
        {"btnSave", "Save Track", {228, 4, 105, 25}},
        {"Text1", "2", {172, 32, 33 + wider, 25}},
        {"Label1", "Combine the first", {44, 36, 133, 21}},
        {"Label2", "Segments.", {216 + wider, 36, 81, 21}},
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
    QTRY_COMPARE(window_->trackPath(), NativePath(sample_.toStdString()));
    ExpectButtons(true, false);
    QVERIFY(dialogs_->requests.empty());

    QMimeData bad;
    bad.setUrls({QUrl::fromLocalFile(folder_.filePath("nothing.qutrack"))});
    QDragEnterEvent badEnter(QPoint(10, 10), Qt::CopyAction, &bad, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &badEnter);
    QDropEvent badDrop(QPointF(10, 10), Qt::CopyAction, &bad, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &badDrop);
    QTRY_COMPARE(messages_->shown.size(), std::size_t{1});
    QCOMPARE(messages_->shown[0].second, QString("Error Loading Track File!"));
    ExpectButtons(false, false);
  }

  // A dropped name that is not UTF-8 keeps its bytes, so the file it names loads; a reason
  // that names such a file shows the byte as \xNN, never as a replacement character.
  void namesThatAreNotUtf8() {
#ifdef _WIN32
    QSKIP("Windows names are UTF-16: every name has an exact text form");
#endif
    const std::string good = folder_.path().toStdString() + "/caf\xE9.qutrack";
    const std::string missing = folder_.path().toStdString() + "/gone\xE9.qutrack";
    std::filesystem::copy_file(sample_.toStdString(), good,
                               std::filesystem::copy_options::overwrite_existing);
    DropBytes(good);
    QTRY_COMPARE(window_->trackPath(), good);
    ExpectButtons(true, false);

    DropBytes(missing);
    QTRY_COMPARE(messages_->shown.size(), std::size_t{1});
    QVERIFY(messages_->details[0].contains("gone\\xE9.qutrack"));
    QVERIFY(!messages_->details[0].contains(QChar::ReplacementCharacter));
    // The temporary folder cannot name this file to remove it.
    std::filesystem::remove(good);
  }

  // The file argument is loaded as a dropped file is: same checks, messages and buttons.
  void fileArgument_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("loads");
    QTest::newRow("good") << "sample.qutrack" << true;
    QTest::newRow("bad") << "truncated.qutrack" << false;
    QTest::newRow("missing") << "nothing.qutrack" << false;
  }

  void fileArgument() {
    QFETCH(QString, file);
    QFETCH(bool, loads);
    const QString path = folder_.filePath(file);
    std::vector<std::uint8_t> bytes = FileBytes(sample_);
    bytes.resize(bytes.size() / 2);
    std::ofstream(folder_.filePath("truncated.qutrack").toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));

    const CommandLine line = ParseCommandLine({"qu-vellumar", path});
    QCOMPARE(line.action, CommandLine::Action::kRun);
    QCOMPARE(line.file, path);
    window_->OpenFile(line.file);
    ExpectButtons(loads, false);
    QCOMPARE(messages_->shown.size(), std::size_t{loads ? 0u : 1u});
    if (!loads) QCOMPARE(messages_->shown[0].second, QString("Error Loading Track File!"));
    QVERIFY(dialogs_->requests.empty());
  }

  void commandLineOptions() {
    QCOMPARE(ParseCommandLine({"qu-vellumar"}).action, CommandLine::Action::kRun);
    QCOMPARE(ParseCommandLine({"qu-vellumar", "--help"}).action, CommandLine::Action::kHelp);
    QCOMPARE(ParseCommandLine({"qu-vellumar", "a", "b"}).action, CommandLine::Action::kUsageError);
    // "/?" first: the help on Windows, as the system's own programs answer it; a name elsewhere.
    const CommandLine slash = ParseCommandLine({"qu-vellumar", "/?"});
#ifdef _WIN32
    QCOMPARE(slash.action, CommandLine::Action::kHelp);
    QCOMPARE(slash.text, ParseCommandLine({"qu-vellumar", "--help"}).text);
#else
    QCOMPARE(slash.action, CommandLine::Action::kRun);
    QCOMPARE(slash.file, QString("/?"));
#endif

    // The program itself: one line on standard error and status 2 for an unknown option.
    QProcess program;
    program.start(VellumarBinary(), {"--frobnicate", sample_});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 2);
    const QString error = QString::fromLocal8Bit(program.readAllStandardError());
    QCOMPARE(error.count('\n'), 1);
    QVERIFY(error.contains("frobnicate"));
    QVERIFY(program.readAllStandardOutput().isEmpty());

    // A single-dash word is one option, named whole.
    const CommandLine platform = ParseCommandLine({"qu-vellumar", "-platform", "offscreen"});
    QCOMPARE(platform.action, CommandLine::Action::kUsageError);
    QVERIFY2(platform.text.contains("'platform'"), qPrintable(platform.text));

    program.start(VellumarBinary(), {"--version"});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 0);
    QString version = QString::fromLocal8Bit(program.readAllStandardOutput());
#ifdef _WIN32
    version.remove('\r');  // a Windows console's line ends
#endif
    QCOMPARE(version, QString("qu-vellumar %1\n").arg(QU_VERSION));
  }

  // A failed load keeps its message and title, and adds the library's reason.
  void loadErrorGivesTheReason() {
    UseRealMessageBoxes();
    std::vector<std::uint8_t> bytes = FileBytes(sample_);
    bytes.resize(bytes.size() - 7);
    const QString truncated = folder_.filePath("short.qutrack");
    std::ofstream(truncated.toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    TrackModel scratch;
    const Status expected = LoadTrack(truncated.toStdString(), scratch);
    QVERIFY(!expected.ok());

    ModalAnswerer answerer;
    answerer.ThenClick(QMessageBox::Ok);
    dialogs_->Choose(truncated);
    Click("btnLoad");
    QCOMPARE(answerer.boxes.size(), std::size_t{1});
    QCOMPARE(answerer.boxes[0].title, QString("Load Error"));
    QCOMPARE(answerer.boxes[0].text, QString("Error Loading Track File!"));
    QCOMPARE(answerer.boxes[0].details, QString::fromStdString(expected.reason()));
    QCOMPARE(answerer.boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    ExpectButtons(false, false);
  }

  // F9 and the context menu show and hide the preview; the window grows to hold it.
  void previewShowsAndHides() {
    PressKey(Qt::Key_F9);
    QVERIFY(window_->previewShown());
    QVERIFY(Control<QWidget>("preview")->isVisible());
    QCOMPARE(window_->width(), 341);
    QVERIFY(window_->height() > 60 + 150);
    QCOMPARE(Button("btnLoad")->geometry(), QRect(4, 4, 105, 25));
    PressKey(Qt::Key_F9);
    QVERIFY(!window_->previewShown());
    QCOMPARE(window_->size(), QSize(341, 60));

    QTimer::singleShot(0, this, [] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return;
      for (QAction* action : menu->actions()) {
        if (action->text() == "Show Preview") {
          QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
          return;
        }
      }
      menu->close();
    });
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(300, 50),
                                window_->mapToGlobal(QPoint(300, 50)));
    QApplication::sendEvent(window_.get(), &menuEvent);
    QTRY_VERIFY(window_->previewShown());
  }

  // While typing, the preview shows what COMBINE! would do, on a copy of the model.
  void previewFollowsTheText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("segments");  // 0: refused
    QTest::newRow("3") << "3" << 3;
    QTest::newRow("1") << "1" << 1;
    QTest::newRow("44") << "44" << 44;
    QTest::newRow("45") << "45" << 0;
    QTest::newRow("abc") << "abc" << 0;
    QTest::newRow("99999") << "99999" << 0;
  }

  void previewFollowsTheText() {
    QFETCH(QString, text);
    QFETCH(int, segments);
    QSignalSpy updated(window_.get(), &frmMain::previewUpdated);
    PressKey(Qt::Key_F9);
    QCOMPARE(NextPreview(updated).kind, PreviewContent::Kind::kNoTrack);
    LoadSample();
    QCOMPARE(NextPreview(updated).segments, 2);  // the text box's "2"
    const TrackBuffer before = ModelBytes();

    TypeCount(text);
    const PreviewContent& content = NextPreview(updated);
    QCOMPARE(content.segments, segments);
    QVERIFY(!content.image.isNull());
    const std::map<QString, int> paths = PathsPerView(content.drawing);
    if (segments > 0) {
      QCOMPARE(content.kind, PreviewContent::Kind::kLive);
      VertexChunk expected = window_->model().bezr;
      QCOMPARE(content.maxDeviation, CombineSegments(expected, 0, segments - 1).maxDeviation);
      QVERIFY(content.message.contains(QString("first %1 segment").arg(segments)));
      // The run before and after, the band that marks it, the rest of the track, and the
      // two handles that change.
      const bool rest = segments < 44;
      QCOMPARE(paths.at("plan"), (rest ? 4 : 3) + 2);
      QCOMPARE(paths.at("elevation"), rest ? 3 : 2);
    } else {
      QCOMPARE(content.kind, PreviewContent::Kind::kRefused);
      QCOMPARE(content.message, QString("The track has 44 segments. Type a number from 1 to 44."));
      QCOMPARE(paths.at("plan"), 1);
    }
    QVERIFY(messages_->shown.empty());  // no message box while typing
    QVERIFY(ModelBytes() == before);
    QVERIFY(!window_->isWindowModified());
    ExpectButtons(true, false);
  }

  // After COMBINE! the preview shows the run as loaded beside the run as it is now.
  void previewAfterCombine() {
    QSignalSpy updated(window_.get(), &frmMain::previewUpdated);
    LoadSample();
    PressKey(Qt::Key_F9);
    TypeCount("3");
    QCOMPARE(NextPreview(updated).kind, PreviewContent::Kind::kLive);
    const double deviation = window_->previewContent().maxDeviation;
    Click("btnMod");
    QCOMPARE(NextPreview(updated).kind, PreviewContent::Kind::kCombined);
    QCOMPARE(window_->previewContent().segments, 3);
    QCOMPARE(window_->previewContent().maxDeviation, deviation);
    TypeCount("5");
    Click("btnMod");
    QCOMPARE(NextPreview(updated).segments, 5);
    PressKey(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(NextPreview(updated).segments, 3);
    QCOMPARE(window_->previewContent().maxDeviation, deviation);  // the fit now on top
    PressKey(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(NextPreview(updated).kind, PreviewContent::Kind::kUnchanged);
  }

  // After two COMBINE!s the panel shows the latest over the track as it was before it, and
  // says that two runs differ; undo makes the one before the latest again.
  void previewAfterTwoCombines() {
    QSignalSpy updated(window_.get(), &frmMain::previewUpdated);
    LoadSample();
    PressKey(Qt::Key_F9);
    NextPreview(updated);
    Click("btnMod");  // the first 2 segments
    const PreviewContent first = NextPreview(updated);
    window_->ChooseStart(40);
    NextPreview(updated);
    Click("btnMod");
    const PreviewContent& latest = NextPreview(updated);
    QCOMPARE(latest.kind, PreviewContent::Kind::kCombined);
    QCOMPARE(latest.first, 40);
    QCOMPARE(latest.segments, 2);
    VertexChunk expected = window_->model().bezr;
    PressKey(Qt::Key_Z, Qt::ControlModifier);
    NextPreview(updated);
    expected = window_->model().bezr;
    const double deviation = CombineSegments(expected, 40, 41).maxDeviation;
    QCOMPARE(window_->previewContent().message, first.message);
    QCOMPARE(window_->previewContent().first, 0);
    QCOMPARE(window_->previewContent().segments, 2);
    PressKey(Qt::Key_Y, Qt::ControlModifier);
    const PreviewContent& again = NextPreview(updated);
    QCOMPARE(again.message,
             QString("Segments 40 to 41 as they were (dashed) and after the latest COMBINE! "
                     "(blue): largest deviation %1 track units. 2 runs differ from the track as "
                     "loaded.")
                 .arg(deviation, 0, 'f', 3));
    QCOMPARE(again.maxDeviation, deviation);
    QVERIFY2(first.message.startsWith("The first 2 segments as they were (dashed)") &&
                 !first.message.contains("runs differ"),
             qPrintable(first.message));
    // The run as it was is drawn over the rest of the track as it is, the whole plan kept.
    const plot::Frame& plan = again.drawing.frames.front();
    QVERIFY(plan.restAt.has_value());
    QCOMPARE(plan.lines.front().style, plot::LineStyle::kRunMarker);
  }

  // The track's version is prepared once for each vertex table: typing and choosing starts
  // reuse it and its painting, a COMBINE! and an undo each make a new one.
  void previewPreparesEachVersionOnce() {
    QSignalSpy updated(window_.get(), &frmMain::previewUpdated);
    LoadSample();
    PressKey(Qt::Key_F9);
    NextPreview(updated);
    const TrackVersionPtr loaded = window_->previewState().version();
    QVERIFY(loaded);
    const int paintings = loaded->paintings();
    // The picture keeps its size while the words above it keep their number of lines; where
    // the platform's glyphs make a message wrap differently, the size changes and the track
    // is rightly painted again at the new one.
    auto* panel = Control<PreviewPanel>("preview");
    const QSize size = panel->PictureSize();
    bool sameSize = true;
    for (const char* count : {"3", "5", "44", "45", "2"}) {
      TypeCount(count);
      NextPreview(updated);
      sameSize = sameSize && panel->PictureSize() == size;
    }
    window_->ChooseStart(20);
    NextPreview(updated);
    sameSize = sameSize && panel->PictureSize() == size;
    QCOMPARE(window_->previewState().versionsPrepared(), 1);
    QCOMPARE(window_->previewState().version(), loaded);
    // The refused count painted the track alone once, nothing else was painted again.
    if (sameSize) QCOMPARE(loaded->paintings(), paintings + 1);
    Click("btnMod");
    NextPreview(updated);
    QCOMPARE(window_->previewState().versionsPrepared(), 2);
    QVERIFY(window_->previewState().version() != loaded);
    QCOMPARE(window_->previewState().version()->snapshot(), window_->previewState().current());
    PressKey(Qt::Key_Z, Qt::ControlModifier);
    NextPreview(updated);
    QCOMPARE(window_->previewState().versionsPrepared(), 3);
  }

  // The panel's words fit in it at the size it opens at, however many lines they take; the
  // picture takes the space beneath them.
  void previewWordsFit_data() {
    QTest::addColumn<bool>("load");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("combine");
    QTest::newRow("no track") << false << "3" << false;
    QTest::newRow("typed 3") << true << "3" << false;
    QTest::newRow("refused 45") << true << "45" << false;
    QTest::newRow("after COMBINE! of 3") << true << "3" << true;
    QTest::newRow("after COMBINE! of 44") << true << "44" << true;
  }

  void previewWordsFit() {
    QFETCH(bool, load);
    QFETCH(QString, typed);
    QFETCH(bool, combine);
    QSignalSpy updated(window_.get(), &frmMain::previewUpdated);
    if (load) LoadSample();
    PressKey(Qt::Key_F9);
    TypeCount(typed);
    if (combine) Click("btnMod");
    const PreviewContent& content = NextPreview(updated);
    QCOMPARE(content.kind == PreviewContent::Kind::kCombined, combine);
    auto* message = Control<QLabel>("previewMessage");
    QCOMPARE(message->text(), content.message);
    QVERIFY2(message->heightForWidth(message->width()) <= message->height(),
             qPrintable(QString("%1 px of words in %2 px: %3")
                            .arg(message->heightForWidth(message->width()))
                            .arg(message->height())
                            .arg(content.message)));
    QVERIFY(message->geometry().bottom() < Control<QWidget>("preview")->height());
    if (load) QVERIFY(!content.image.isNull());
  }

  // A click on the plan picks the vertex under it as the run's start (the last segment's,
  // for the last vertex), and the preview and the sentence follow.
  void startPickedOnThePlan_data() {
    QTest::addColumn<int>("vertex");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("message");
    QTest::newRow("vertex 0") << 0 << 0 << "COMBINE! would refit the first 2 segments";
    QTest::newRow("vertex 12") << 12 << 12 << "COMBINE! would refit segments 12 to 13";
    QTest::newRow("vertex 30") << 30 << 30 << "COMBINE! would refit segments 30 to 31";
    QTest::newRow("last vertex")
        << 44 << 43
        << "COMBINE! cannot take 2 segments from segment 43: the track has 44 segments. Type "
           "the number 1.";
  }

  void startPickedOnThePlan() {
    QFETCH(int, vertex);
    QFETCH(int, start);
    QFETCH(QString, message);
    QSignalSpy updated(window_.get(), &frmMain::previewUpdated);
    LoadSample();
    PressKey(Qt::Key_F9);
    const PreviewContent& shown = NextPreview(updated);
    auto* panel = Control<PreviewPanel>("preview");
    const plot::Frame& plan = shown.drawing.frames.front();
    QCOMPARE(QString::fromStdString(plan.name), QString("plan"));
    const Vector3& p = window_->model().bezr.Vertices[static_cast<std::size_t>(vertex)].position;
    const plot::Point2 at = plan.placement.Map({p.x, p.z});
    const QRectF picture = panel->PictureRect();
    const double scale = picture.width() / shown.drawing.width;
    const QPointF click = picture.topLeft() + QPointF(at.x, at.y) * scale;

    QTest::mouseClick(panel, Qt::LeftButton, {}, click.toPoint());
    QCOMPARE(window_->start(), start);
    QCOMPARE(Control<QSpinBox>("spnStart")->value(), start);
    QCOMPARE(Control<QLabel>("Label2")->text(),
             start == 0 ? QString("Segments.") : QString("Segments from segment %1.").arg(start));
    const PreviewContent& content = NextPreview(updated);
    QVERIFY2(content.message.startsWith(message), qPrintable(content.message));
    // A click beside the picture chooses nothing.
    QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(1, panel->height() - 1));
    QCOMPARE(window_->start(), start);
  }

  // COMBINE! refits the run from the chosen start, shown or not, with the same bits as the
  // merge itself; undo and redo restore them; a run past the end is refused with words that
  // name the start, the count and the track's segments.
  void combineFromAStart_data() {
    QTest::addColumn<QString>("keys");  // typed into the start field
    QTest::addColumn<QString>("count");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("refusal");  // empty: combined
    QTest::newRow("from 0") << ""
                            << "2" << 0 << "";
    QTest::newRow("4 from 10") << "10"
                               << "4" << 10 << "";
    QTest::newRow("arrow keys") << "^^^"
                                << "6" << 3 << "";
    QTest::newRow("last run") << "40"
                              << "4" << 40 << "";
    QTest::newRow("past the end")
        << "41"
        << "4" << 41
        << "COMBINE! cannot take 4 segments from segment 41: the track has 44 segments. Type a "
           "number from 1 to 3.";
    QTest::newRow("no count")
        << "20"
        << "0" << 20
        << "COMBINE! cannot take 0 segments from segment 20: the track has 44 segments. Type a "
           "number from 1 to 24.";
  }

  void combineFromAStart() {
    QFETCH(QString, keys);
    QFETCH(QString, count);
    QFETCH(int, start);
    QFETCH(QString, refusal);
    QSignalSpy updated(window_.get(), &frmMain::previewUpdated);
    LoadSample();
    const TrackBuffer loaded = ModelBytes();
    PressKey(Qt::Key_F9);
    TypeCount(count);
    auto* field = Control<QSpinBox>("spnStart");
    field->setFocus();
    if (keys.startsWith('^')) {
      for (int i = 0; i < keys.size(); ++i) QTest::keyClick(field, Qt::Key_Up);
    } else if (!keys.isEmpty()) {
      field->selectAll();
      QTest::keyClicks(field, keys);
    }
    QCOMPARE(window_->start(), start);
    if (!refusal.isEmpty()) QTRY_COMPARE(window_->previewContent().message, refusal);
    PressKey(Qt::Key_F9);  // hidden, the sentence still says what COMBINE! does
    QVERIFY(!window_->previewShown());
    QCOMPARE(Control<QLabel>("Label1")->text(),
             start == 0 ? QString("Combine the first") : QString("Combine"));
    QVERIFY(Control<QLabel>("Label2")->geometry().right() < window_->width());

    Click("btnMod");
    if (!refusal.isEmpty()) {
      QCOMPARE(messages_->shown.size(), std::size_t{1});
      QCOMPARE(messages_->shown[0].first, QString("Combine Error"));
      QCOMPARE(messages_->shown[0].second, refusal);
      QVERIFY(ModelBytes() == loaded);
      ExpectButtons(true, false);
      return;
    }
    TrackModel expected;
    QVERIFY(LoadTrack(sample_.toStdString(), expected).ok());
    const int segments = count.toInt();
    QVERIFY(CombineSegments(expected.bezr, start, start + segments - 1).combined());
    TrackBuffer combined;
    QVERIFY(SerializeTrack(expected, combined).ok());
    QVERIFY(ModelBytes() == combined);
    QVERIFY(window_->isWindowModified());
    PressKey(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(ModelBytes() == loaded);
    QVERIFY(!window_->isWindowModified());
    PressKey(Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(ModelBytes() == combined);
  }

  // A load starts again from the first segment.
  void loadResetsTheStart() {
    LoadSample();
    window_->ChooseStart(10);
    QCOMPARE(Control<QLabel>("Label2")->text(), QString("Segments from segment 10."));
    QVERIFY(window_->width() > 341);
    LoadSample();
    QCOMPARE(window_->start(), 0);
    QCOMPARE(Control<QSpinBox>("spnStart")->value(), 0);
    QCOMPARE(Control<QLabel>("Label1")->text(), QString("Combine the first"));
    QCOMPARE(Control<QLabel>("Label2")->text(), QString("Segments."));
    QCOMPARE(window_->size(), QSize(341, 60));
  }

  // Undo and redo restore the control points bit for bit; a load clears the history.
  void undoAndRedo() {
    LoadSample();
    const TrackBuffer loaded = ModelBytes();
    QCOMPARE(window_->windowHandle()->title(), QString("QU-Vellumar"));
    TypeCount("3");
    Click("btnMod");
    const TrackBuffer once = ModelBytes();
    QVERIFY(window_->isWindowModified());
    QCOMPARE(window_->windowHandle()->title(), QString("QU-Vellumar*"));
    Click("btnMod");  // a second combine of the same run compounds
    const TrackBuffer twice = ModelBytes();
    QVERIFY(twice != once);

    PressKey(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(ModelBytes() == once);
    PressKey(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(ModelBytes() == loaded);
    QVERIFY(!window_->isWindowModified());
    ExpectButtons(true, true);  // undo leaves the buttons as they are
    PressKey(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(ModelBytes() == once);
    PressKey(Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(ModelBytes() == twice);
    QVERIFY(window_->isWindowModified());

    // Combine, undo, save: the file is the load normalised.
    PressKey(Qt::Key_Z, Qt::ControlModifier);
    PressKey(Qt::Key_Z, Qt::ControlModifier);
    const QString out = folder_.filePath("undone.qutrack");
    dialogs_->Choose(out);
    Click("btnSave");
    QVERIFY(FileBytes(out) == LoadedBytes(sample_));

    // A save marks the model unchanged; a load forgets what could be undone.
    Click("btnMod");
    dialogs_->Choose(out);
    Click("btnSave");
    QVERIFY(!window_->isWindowModified());
    PressKey(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(window_->isWindowModified());
    LoadSample();
    PressKey(Qt::Key_Y, Qt::ControlModifier);
    PressKey(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(ModelBytes() == loaded);
    QVERIFY(!window_->isWindowModified());
  }

  // Unsaved changes are not thrown away without asking: on close, on a load through the
  // dialog and on a drop, with each of the three answers.
  void unsavedChangesPrompt_data() {
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saveConfirmed");
    QTest::addColumn<bool>("goesOn");
    for (const QString trigger : {"close", "load", "drop"}) {
      auto row = [&](const char* answer) -> QTestData& {
        return QTest::newRow(qPrintable(trigger + answer));
      };
      row(" save") << trigger << int(QMessageBox::Save) << true << true;
      row(" save cancelled") << trigger << int(QMessageBox::Save) << false << false;
      row(" discard") << trigger << int(QMessageBox::Discard) << false << true;
      row(" cancel") << trigger << int(QMessageBox::Cancel) << false << false;
    }
  }

  void unsavedChangesPrompt() {
    QFETCH(QString, trigger);
    QFETCH(int, answer);
    QFETCH(bool, saveConfirmed);
    QFETCH(bool, goesOn);
    UseRealMessageBoxes();
    const QString other = folder_.filePath("other.qutrack");
    QVERIFY(QFile::copy(sample_, other) || QFile::exists(other));
    const QString out = folder_.filePath("answered.qutrack");
    QFile::remove(out);
    LoadSample();
    Click("btnMod");
    const TrackBuffer combined = ModelBytes();
    const std::size_t dialogsBefore = dialogs_->requests.size();

    ModalAnswerer answerer;
    answerer.ThenClick(static_cast<QMessageBox::StandardButton>(answer));
    if (answer == QMessageBox::Save) {
      if (saveConfirmed) {
        dialogs_->Choose(out);
      } else {
        dialogs_->Cancel();
      }
    }
    if (trigger == "load") dialogs_->Choose(other);
    bool closed = false;
    if (trigger == "close") closed = window_->close();
    if (trigger == "load") Click("btnLoad");
    if (trigger == "drop") Drop(other);
    QTRY_COMPARE(answerer.boxes.size(), std::size_t{1});
    QTRY_VERIFY(answerer.AllAnswered());
    QCOMPARE(answerer.boxes[0].text, QString("Save changes to sample.qutrack before closing?"));
    QCOMPARE(answerer.boxes[0].buttons,
             QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);

    const bool saved = answer == QMessageBox::Save && saveConfirmed;
    QCOMPARE(QFile::exists(out), saved);
    if (saved) QVERIFY(FileBytes(out) == combined);
    const bool loadDialogShown =
        std::any_of(dialogs_->requests.begin() + static_cast<std::ptrdiff_t>(dialogsBefore),
                    dialogs_->requests.end(),
                    [](const FileDialogRequest& r) { return r.title == "Load Track..."; });
    if (trigger == "close") {
      QCOMPARE(closed, goesOn);
      QCOMPARE(window_->isVisible(), !goesOn);
    } else if (goesOn) {
      // A dropped name is made absolute, in the system's form; a dialog's is taken as it is.
      const std::string expected =
          trigger == "load" ? other.toStdString() : NativePath(other.toStdString());
      QTRY_COMPARE(window_->trackPath(), expected);
      QVERIFY(ModelBytes() == LoadedBytes(other));
      ExpectButtons(true, false);
    } else {
      QCOMPARE(loadDialogShown, false);
      QVERIFY(ModelBytes() == combined);
      ExpectButtons(true, true);
    }
    const bool replaced = goesOn && trigger != "close";
    QCOMPARE(window_->isWindowModified(), !saved && !replaced);
    QCOMPARE(answerer.boxes.size(), std::size_t{1});
  }

  // The overwrite question of the save dialog is about the file the save writes, and the
  // window says so when that is not the name typed.
  void saveAsksAboutTheNameWritten() {
    RecordingMessages messages;
    frmMain window(nullptr, &messages);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.OpenFile(sample_);
    QTest::mouseClick(window.findChild<QPushButton*>("btnMod"), Qt::LeftButton);
    TrackModel model = window.model();
    TrackBuffer expected;
    QVERIFY(SerializeTrack(model, expected).ok());
    const QString typed = folder_.filePath("loop.v2");
    const QString written = typed + ".qutrack";
    std::ofstream(written.toStdString()) << "old";
    auto save = [&] {
      QTest::mouseClick(window.findChild<QPushButton*>("btnSave"), Qt::LeftButton);
    };

    ModalAnswerer answerer;
    answerer.ThenTypeFileName(typed);
    answerer.ThenClick(QMessageBox::No);
    answerer.ThenEscape();  // the dialog again, cancelled
    save();
    QVERIFY(answerer.AllAnswered());
    QCOMPARE(answerer.boxes.size(), std::size_t{1});
    QCOMPARE(answerer.boxes[0].text,
             QString("loop.v2.qutrack already exists.\nDo you want to replace it?"));
    QCOMPARE(FileBytes(written), std::vector<std::uint8_t>({'o', 'l', 'd'}));
    QVERIFY(!QFile::exists(typed));
    QVERIFY(messages.informed.empty());

    answerer.ThenTypeFileName(typed);
    answerer.ThenClick(QMessageBox::Yes);
    save();
    QVERIFY(answerer.AllAnswered());
    QVERIFY(FileBytes(written) == expected);
    QCOMPARE(messages.informed.size(), std::size_t{1});
    QCOMPARE(messages.informed[0].second, QString("The track was saved as loop.v2.qutrack."));

    // No file called victim.txt.qutrack yet: no question, and victim.txt is left alone.
    const QString victim = folder_.filePath("victim.txt");
    std::ofstream(victim.toStdString()) << "keep";
    answerer.ThenTypeFileName(victim);
    save();
    QVERIFY(answerer.AllAnswered());
    QCOMPARE(answerer.boxes.size(), std::size_t{2});
    QCOMPARE(FileBytes(victim), std::vector<std::uint8_t>({'k', 'e', 'e', 'p'}));
    QVERIFY(FileBytes(victim + ".qutrack") == expected);
    QCOMPARE(messages.informed.back().second,
             QString("The track was saved as victim.txt.qutrack."));
  }

  // The save dialog proposes the loaded file itself, even when its name is not UTF-8:
  // accepting the proposal asks about overwriting it, then writes it.
  void saveProposesTheLoadedFileByItsBytes() {
#ifdef _WIN32
    QSKIP("Windows names are UTF-16: every name has an exact text form");
#endif
    const std::string loaded = folder_.path().toStdString() + "/caf\xE9.qutrack";
    std::filesystem::copy_file(sample_.toStdString(), loaded,
                               std::filesystem::copy_options::overwrite_existing);
    RecordingMessages messages;
    frmMain window(nullptr, &messages);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.OpenFile(loaded);
    QTest::mouseClick(window.findChild<QPushButton*>("btnMod"), Qt::LeftButton);
    TrackModel model = window.model();
    TrackBuffer expected;
    QVERIFY(SerializeTrack(model, expected).ok());

    ModalAnswerer answerer;
    answerer.ThenAcceptProposedName();
    answerer.ThenClick(QMessageBox::Yes);
    QTest::mouseClick(window.findChild<QPushButton*>("btnSave"), Qt::LeftButton);
    QVERIFY(answerer.AllAnswered());
    QCOMPARE(answerer.boxes.size(), std::size_t{1});
    QVERIFY(messages.shown.empty());
    QCOMPARE(window.trackPath(), loaded);
    QVERIFY(FileBytes(loaded) == expected);
    QVERIFY(!std::filesystem::exists(folder_.path().toStdString() + "/caf\xEF\xBF\xBD.qutrack"));
    std::filesystem::remove(loaded);
  }

  // A relative name from a working folder deeper than the system's longest path still opens,
  // as it does on the command line.
  void relativeNameInAVeryDeepFolder() {
#ifdef _WIN32
    QSKIP("Windows limits a working folder's path itself");
#endif
    const std::filesystem::path start = std::filesystem::current_path();
    std::filesystem::current_path(folder_.path().toStdString());
    const std::string level(200, 'd');
    int depth = 0;
    for (; std::filesystem::current_path().string().size() < 5000; ++depth) {
      std::filesystem::create_directory(level);
      std::filesystem::current_path(level);
    }
    std::filesystem::copy_file(sample_.toStdString(), "deep.qutrack");
    window_->OpenFile(std::string("deep.qutrack"));
    const std::size_t problems = messages_->shown.size();
    std::filesystem::remove("deep.qutrack");
    for (; depth > 0; --depth) {
      std::filesystem::current_path("..");
      std::filesystem::remove(level);
    }
    std::filesystem::current_path(start);
    QCOMPARE(problems, std::size_t{0});
    ExpectButtons(true, false);
  }

  // The open and save dialogs start in the folder of the track loaded or last saved and
  // propose its name, whatever the working folder; after a cancelled dialog nothing is
  // proposed.
  void dialogsStartWhereTheTrackIs_data() {
    QTest::addColumn<QString>("steps");  // what happens after the track is loaded
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("folder");  // empty: not checked
    QTest::addColumn<QString>("name");
    QTest::newRow("open after load") << ""
                                     << "btnLoad"
                                     << "track"
                                     << "Looping 1.qutrack";
    QTest::newRow("save after load") << "combine"
                                     << "btnSave"
                                     << "track"
                                     << "Looping 1.qutrack";
    QTest::newRow("save after save") << "combine save combine"
                                     << "btnSave"
                                     << "saved"
                                     << "Looping 2.qutrack";
    QTest::newRow("open after save") << "combine save"
                                     << "btnLoad"
                                     << "saved"
                                     << "Looping 2.qutrack";
    QTest::newRow("open after cancel") << "combine cancel"
                                       << "btnLoad"
                                       << ""
                                       << "";
  }

  void dialogsStartWhereTheTrackIs() {
    QFETCH(QString, steps);
    QFETCH(QString, dialog);
    QFETCH(QString, folder);
    QFETCH(QString, name);
    const QDir root(folder_.path());
    QVERIFY(root.mkpath("Bahn \u00dc") && root.mkpath("gespeichert") && root.mkpath("elsewhere"));
    const QString track = root.filePath("Bahn \u00dc/Looping 1.qutrack");
    QFile::remove(track);
    QVERIFY(QFile::copy(sample_, track));
    const QString saved = root.filePath("gespeichert/Looping 2.qutrack");
    QFile::remove(saved);
    struct WorkingFolder {
      QString before = QDir::currentPath();
      ~WorkingFolder() { QDir::setCurrent(before); }
    } restore;
    QVERIFY(QDir::setCurrent(root.filePath("elsewhere")));

    RecordingMessages messages;
    frmMain window(nullptr, &messages);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.OpenFile(QString("../Bahn \u00dc/Looping 1.qutrack"));
    ModalAnswerer answerer;
    for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
      if (step == "combine") {
        QTest::mouseClick(window.findChild<QPushButton*>("btnMod"), Qt::LeftButton);
        continue;
      }
      if (step == "save") answerer.ThenTypeFileName(saved);
      if (step == "cancel") answerer.ThenEscape();
      QTest::mouseClick(window.findChild<QPushButton*>("btnSave"), Qt::LeftButton);
    }
    QString shownFolder, shownName;
    answerer.Then([&](QDialog* shown) {
      auto* fileDialog = qobject_cast<QFileDialog*>(shown);
      QVERIFY(fileDialog);
      shownFolder = fileDialog->directory().absolutePath();
      shownName = fileDialog->findChild<QLineEdit*>("fileNameEdit")->text();
      fileDialog->reject();
    });
    QTest::mouseClick(window.findChild<QPushButton*>(qPrintable(dialog)), Qt::LeftButton);
    QVERIFY(answerer.AllAnswered());
    QVERIFY(messages.shown.empty());
    QCOMPARE(shownName, name);
    if (folder == "track") QCOMPARE(shownFolder, root.filePath("Bahn \u00dc"));
    if (folder == "saved") QCOMPARE(shownFolder, root.filePath("gespeichert"));
    QVERIFY(QDir(root.filePath("elsewhere")).isEmpty());
  }

  // The count box shows every digit of the longest counts, with the sentence in either
  // wording: the text does not scroll.
  void countBoxShowsEveryDigit_data() {
    QTest::addColumn<QString>("count");
    QTest::addColumn<int>("start");
    for (const char* count : {"6553", "1234", "5678", "4090"}) {
      QTest::addRow("%s from the first", count) << count << 0;
      QTest::addRow("%s from segment 10", count) << count << 10;
    }
  }

  void countBoxShowsEveryDigit() {
    QFETCH(QString, count);
    QFETCH(int, start);
    LoadSample();
    window_->ChooseStart(start);
    QLineEdit* box = Control<QLineEdit>("Text1");
    box->setCursorPosition(0);
    box->grab();  // painting places the text
    const int unscrolled = box->inputMethodQuery(Qt::ImCursorRectangle).toRect().x();
    TypeCount(count);
    box->grab();
    box->setCursorPosition(0);
    QCOMPARE(box->inputMethodQuery(Qt::ImCursorRectangle).toRect().x(), unscrolled);
    QVERIFY(Control<QLabel>("Label2")->x() > box->geometry().right());
  }

  void endToEndThroughTheRealFileDialog() {
    RecordingMessages messages;
    frmMain window(nullptr, &messages);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ModalAnswerer answerer;
    answerer.ThenTypeFileName(sample_);
    QTest::mouseClick(window.findChild<QPushButton*>("btnLoad"), Qt::LeftButton);
    QVERIFY(answerer.AllAnswered());
    QVERIFY(messages.shown.empty());
    QCOMPARE(window.trackPath(), NativePath(sample_.toStdString()));

    window.findChild<QLineEdit*>("Text1")->setText("3");
    QTest::mouseClick(window.findChild<QPushButton*>("btnMod"), Qt::LeftButton);
    QVERIFY(window.findChild<QPushButton*>("btnSave")->isEnabled());

    const QString out = folder_.filePath("end-to-end");  // the dialog adds .qutrack
    answerer.ThenTypeFileName(out);
    QTest::mouseClick(window.findChild<QPushButton*>("btnSave"), Qt::LeftButton);
    QVERIFY(answerer.AllAnswered());
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
