#include "app/AppIcon.h"

namespace qu {

QIcon AppIcon() {
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QString(":/icons/qu-vellumar-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace qu
