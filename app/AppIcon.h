#pragma once

#include <QIcon>

namespace qu {

// The program's icon in every size rendered from icons/qu-vellumar.svg
// (scripts/render-icons.sh), compiled into the program as PNG.
QIcon AppIcon();

}  // namespace qu
