#include "auxiliary/AuxiliaryResources.h"

#include <QtGlobal>

void InitAuxiliaryResources() {
  static const bool done = [] {
    Q_INIT_RESOURCE(auxiliary);
    return true;
  }();
  (void)done;
}

QIcon ProgramIcon() {
  InitAuxiliaryResources();
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/auxiliary/icons/%1.png").arg(size), QSize(size, size));
  return icon;
}
