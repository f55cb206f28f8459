#include "auxiliary/AuxiliaryResources.h"

#include <QtGlobal>

void InitAuxiliaryResources() {
  static const bool done = [] {
    Q_INIT_RESOURCE(auxiliary);
    return true;
  }();
  (void)done;
}
