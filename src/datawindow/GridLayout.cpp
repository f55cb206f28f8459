#include "datawindow/GridLayout.h"

namespace mms {

void SelectCell(int col, int row, uint16_t address) {
  SelectedAddress = SelectedAddressOf(col, row, address);
  SelectedRow = static_cast<uint16_t>(row);
  SelectedCol = static_cast<uint16_t>(col);
}

}  // namespace mms
