// Renders the window as it looks at start, for the documentation: screenshot OUT.png
#include <QApplication>
#include <QPixmap>

#include "frmMain.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) return 2;
  qu::frmMain window;
  window.show();
  QApplication::processEvents();
  return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
