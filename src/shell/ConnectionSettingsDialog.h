#pragma once
#include <QDialog>

#include "common/SettingsFile.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The connection settings dialog. One instance for the whole run, created at
// start-up: it reads the settings file once, at creation, and keeps whatever
// its controls last held between showings (Cancel does not reset them). OK
// stores every field as typed, then closes; a failed write shows the error
// box and the dialog stays open.
class ConnectionSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ConnectionSettingsDialog(QWidget* parent = nullptr);

  // The texts of the controls, as OK would store them.
  mms::ConnectionDialogValues Values() const;

  QRadioButton* rtuButton = nullptr;
  QRadioButton* tcpButton = nullptr;
  QRadioButton* rtuOverTcpButton = nullptr;
  QRadioButton* udpButton = nullptr;
  QGroupBox* rtuGroup = nullptr;
  QComboBox* portBox = nullptr;
  QComboBox* bitrateBox = nullptr;
  QComboBox* parityBox = nullptr;
  QComboBox* stopBitsBox = nullptr;
  QCheckBox* rs485Box = nullptr;
  QLineEdit* rs485BeforeEdit = nullptr;
  QLineEdit* rs485AfterEdit = nullptr;
  QGroupBox* tcpGroup = nullptr;
  QLineEdit* ipAddressEdit = nullptr;
  QLineEdit* tcpPortEdit = nullptr;
  QGroupBox* generalGroup = nullptr;
  QLineEdit* timeoutEdit = nullptr;
  QLineEdit* delayEdit = nullptr;
  QPushButton* okButton = nullptr;
  QPushButton* cancelButton = nullptr;

  // Enables the fields of the protocol chosen (the TCP page serves every
  // mode reached by address); the same however often it runs.
  void ApplyProtocolChoice();
  // The RS-485 delays are enabled while RS-485 is on and can be changed.
  void ApplyRs485Choice();
  void OkClicked();
  void CancelClicked();

 protected:
  void setVisible(bool visible) override;

 private:
  void BuildControls();
  void Initialise();
  bool placed_ = false;
};

extern ConnectionSettingsDialog* gConnectionSettingsDialog;
