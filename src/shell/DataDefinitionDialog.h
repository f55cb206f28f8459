#pragma once
#include <QDialog>
#include <cstdint>
#include <functional>

class QLineEdit;
class QPushButton;

// The data definition dialog. One instance for the whole run, created at
// start-up; each showing refills the scan rate from the settings file. OK
// stores the text as typed, then converts it and hands it to the scan rate
// target; a failed write or conversion shows the error box and the dialog
// stays open with the scan rate unchanged.
class DataDefinitionDialog : public QDialog {
  Q_OBJECT
 public:
  explicit DataDefinitionDialog(QWidget* parent = nullptr);

  // Where OK puts the new scan rate (the main window's ScanRate).
  void SetScanRateTarget(std::function<void(int32_t)> target);

  QLineEdit* scanRateEdit = nullptr;
  QPushButton* okButton = nullptr;
  QPushButton* cancelButton = nullptr;

  void OkClicked();
  void CancelClicked();

 protected:
  void setVisible(bool visible) override;

 private:
  void Initialise();
  void PrepareToShow();
  std::function<void(int32_t)> scanRateTarget_;
  bool placed_ = false;
};

extern DataDefinitionDialog* gDataDefinitionDialog;
