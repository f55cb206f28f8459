#pragma once
#include <QDialog>
#include <QPointer>
#include <functional>

#include "datawindow/Ti.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class ColourPickList;

// The threshold dialog. One instance for the whole run, created at start-up.
// The data window's "Define threshold background" sets SlotIndex, Col and
// Row and shows it modally; "Update" stores the rule into that cell of the
// data window in DataWindows[SlotIndex].
class TThresholdWindow : public QDialog {
  Q_OBJECT
 public:
  explicit TThresholdWindow(QWidget* parent = nullptr);

  int SlotIndex = 0;
  int Col = 0;
  int Row = 0;

  // How the dialog finds the data window of a slot (installed by the main
  // window). Without it, or when it finds none, the window given by
  // SetWindow is used; with neither, the dialog shows an empty rule and
  // "Update" stores nothing.
  void SetWindowLookup(std::function<Ti*(int slot)> lookup) { lookup_ = std::move(lookup); }
  void SetWindow(Ti* window) { window_ = window; }

  // The choices that persist between showings.
  int TypeChoice() const { return typeChoice_; }
  bool EnableChoice() const { return enableChoice_; }

  QCheckBox* CheckBox1 = nullptr;
  QGroupBox* GroupType = nullptr;
  QRadioButton* RadioButton1 = nullptr;
  QRadioButton* RadioButton2 = nullptr;
  QGroupBox* GroupParameters = nullptr;
  QLabel* LParam1 = nullptr;
  QLineEdit* EParam1 = nullptr;
  QLabel* LParam2 = nullptr;
  QLineEdit* EParam2 = nullptr;
  QLabel* LColor1 = nullptr;
  ColourPickList* Threshold1CB = nullptr;
  QLabel* LColor2 = nullptr;
  ColourPickList* Threshold2CB = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;

  void FormShow();
  void RadioButton1Click();
  void RadioButton2Click();
  void CheckBox1Click();
  void Button1Click();
  void Button2Click();
  void Threshold1CBSelect() {}

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  Ti* Target() const;
  void ShowTypeCaptions(bool range);
  void EnableParameters(bool on);

  std::function<Ti*(int)> lookup_;
  QPointer<Ti> window_;
  int typeChoice_ = 1;
  bool enableChoice_ = false;
};

extern TThresholdWindow* ThresholdWindow;
