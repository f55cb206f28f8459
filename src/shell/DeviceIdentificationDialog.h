#pragma once
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// What a device says it is (function 43 / MEI 14 and function 17), as
// read-only text the user can select and copy, with a Copy button for all of it.
class DeviceIdentificationDialog : public QDialog {
  Q_OBJECT
 public:
  explicit DeviceIdentificationDialog(QWidget* parent = nullptr);

  // While the requests are on their way.
  void ShowAsking(int deviceId);
  void ShowReport(const QString& text);
  // Copies the whole text to the clipboard.
  void CopyReport();

  QPlainTextEdit* reportEdit = nullptr;
  QPushButton* copyButton = nullptr;
  QPushButton* closeButton = nullptr;
};
