// Renders the window for the documentation: screenshot OUT.png [TRACK COUNT [START]].
// Without a track, the window as it looks at start; with one, the track loaded, the preview
// shown, START (if given) chosen as the run's first segment, and COUNT typed into the text
// box key by key.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>

#include "app/frmMain.h"

namespace {

void Press(QWidget* target, Qt::Key key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &release);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2 || argc == 3 || argc > 5) return 2;
  qu::frmMain window;
  window.show();
  if (argc >= 4) {
    window.OpenFile(QString::fromLocal8Bit(argv[2]));
    window.SetPreviewShown(true);
    if (argc == 5) window.ChooseStart(QString::fromLocal8Bit(argv[4]).toInt());
    auto* text = window.findChild<QLineEdit*>("Text1");
    text->setFocus();
    text->selectAll();
    Press(text, Qt::Key_Backspace);
    for (const QChar c : QString::fromLocal8Bit(argv[3])) {
      Press(text, static_cast<Qt::Key>(c.toUpper().unicode()), c);
    }
    // Wait for the preview of the text as typed (older ones are never shown); give up after
    // ten seconds.
    QEventLoop loop;
    QObject::connect(&window, &qu::frmMain::previewUpdated, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, [&] { loop.exit(1); });
    if (loop.exec() != 0) return 1;
  }
  QApplication::processEvents();
  return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
