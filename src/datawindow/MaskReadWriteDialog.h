#pragma once
#include <array>
#include <cstdint>

#include "datawindow/ValueEncoding.h"
#include "datawindow/WriteDialog.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimer;

// Function 22 (mask write register) and 23 (read/write multiple registers),
// one tab each. The data window fills the public fields (Address the
// selected register) and shows it; "Send" queues the request into
// DataWindows[SlotIndex] and the dialog stays open, showing how the write
// ended and, for 23, the registers read in the window's type and order.
class MaskReadWriteDialog : public WriteDialog {
  Q_OBJECT
 public:
  explicit MaskReadWriteDialog(QWidget* parent = nullptr);

  mms::ValueEncoding Format;
  std::array<uint16_t, 4> Words{};  // polled from Address on, for the value prefilled
  void ShowTab(int function);       // 22 or 23

  QTabWidget* tabs = nullptr;
  QLineEdit* deviceIdEdit = nullptr;
  QLineEdit* maskAddressEdit = nullptr;
  QLineEdit* andMaskEdit = nullptr;
  QLineEdit* orMaskEdit = nullptr;
  QLineEdit* readAddressEdit = nullptr;
  QLineEdit* readCountEdit = nullptr;
  QLineEdit* writeAddressEdit = nullptr;
  QLineEdit* writeValuesEdit = nullptr;
  QLabel* statusLabel = nullptr;
  QPlainTextEdit* resultView = nullptr;
  QPushButton* sendButton = nullptr;
  QPushButton* closeButton = nullptr;

  void SendClicked();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* BuildMaskTab();
  QWidget* BuildReadWriteTab();
  void CheckOutcome();

  QTimer* wait_ = nullptr;
  uint64_t sentAfter_ = 0;  // the outcome sequence before the send
  uint16_t readAddress_ = 0;
};
