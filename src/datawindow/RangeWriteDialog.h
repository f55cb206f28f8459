#pragma once
#include <vector>

#include "datawindow/ValueEncoding.h"
#include "datawindow/WriteDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// Writes a range of coils (function 15) or holding registers (function 16)
// in one request. The data window fills the public fields from the selected
// cells and shows it modally; it lists every address with its value as last
// polled, in the window's type and byte order, for editing. "Count" lists
// more or fewer rows from the same start. "Update" queues the write into
// DataWindows[SlotIndex].
class RangeWriteDialog : public WriteDialog {
  Q_OBJECT
 public:
  explicit RangeWriteDialog(QWidget* parent = nullptr);

  bool Coils = false;
  int Count = 1;                // coils or registers, as selected
  std::vector<uint16_t> Words;  // polled from Address on, as far as the window has them
  mms::ValueEncoding Format;

  QLineEdit* deviceIdEdit = nullptr;
  QLineEdit* addressEdit = nullptr;
  QLineEdit* countEdit = nullptr;
  QLabel* functionLabel = nullptr;
  QTableWidget* valuesTable = nullptr;
  QPushButton* updateButton = nullptr;
  QPushButton* cancelButton = nullptr;

  // Lists the rows for countEdit's text; a refused count shows the error
  // box and keeps the rows. Returns whether the rows match the count.
  bool ListRows();
  void UpdateClicked();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  int listed_ = 0;  // the count the rows stand for
};
