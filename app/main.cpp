#include <QApplication>

#include "frmMain.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("QU-Vellumar");
  qu::frmMain window;
  window.show();
  return app.exec();
}
