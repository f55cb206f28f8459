#pragma once
#include <QDialog>

#include "shell/SettingsFile.h"

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
class TFormSettings : public QDialog {
  Q_OBJECT
 public:
  explicit TFormSettings(QWidget* parent = nullptr);

  // The texts of the controls, as OK would store them.
  mms::ConnectionDialogValues Values() const;

  QRadioButton* RadioButton1 = nullptr;
  QRadioButton* RadioButton2 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QComboBox* ComboBox2 = nullptr;
  QComboBox* ComboBox3 = nullptr;
  QComboBox* ComboBox4 = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QGroupBox* GroupBox4 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;

  void RadioButton1Click();
  void BitBtn1Click();
  void BitBtn2Click();

 protected:
  void setVisible(bool visible) override;

 private:
  void BuildControls();
  void FormCreate();
  bool placed_ = false;
};

extern TFormSettings* FormSettings;
