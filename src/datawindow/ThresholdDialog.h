#pragma once
#include <QDialog>
#include <QPointer>
#include <functional>

#include "datawindow/DataWindow.h"

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
class ThresholdDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ThresholdDialog(QWidget* parent = nullptr);

  int SlotIndex = 0;
  int Col = 0;
  int Row = 0;

  // How the dialog finds the data window of a slot (installed by the main
  // window). Without it, or when it finds none, the window given by
  // SetWindow is used; with neither, the dialog shows an empty rule and
  // "Update" stores nothing.
  void SetWindowLookup(std::function<DataWindow*(int slot)> lookup) { lookup_ = std::move(lookup); }
  void SetWindow(DataWindow* window) { window_ = window; }

  // The choices that persist between showings.
  int TypeChoice() const { return typeChoice_; }
  bool EnableChoice() const { return enableChoice_; }

  QCheckBox* enableBox = nullptr;
  QGroupBox* typeGroup = nullptr;
  QRadioButton* simpleButton = nullptr;
  QRadioButton* rangeButton = nullptr;
  QGroupBox* parametersGroup = nullptr;
  QLabel* param1Label = nullptr;
  QLineEdit* param1Edit = nullptr;
  QLabel* param2Label = nullptr;
  QLineEdit* param2Edit = nullptr;
  QLabel* colour1Label = nullptr;
  ColourPickList* colour1Box = nullptr;
  QLabel* colour2Label = nullptr;
  ColourPickList* colour2Box = nullptr;
  QPushButton* updateButton = nullptr;
  QPushButton* cancelButton = nullptr;

  void PrepareToShow();
  void SimpleChosen();
  void RangeChosen();
  void EnableToggled();
  void UpdateClicked();
  void CancelClicked();
  void Colour1Selected() {}

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  DataWindow* Target() const;
  void ShowTypeCaptions(bool range);
  void EnableParameters(bool on);

  std::function<DataWindow*(int)> lookup_;
  QPointer<DataWindow> window_;
  int typeChoice_ = 1;
  bool enableChoice_ = false;
};

extern ThresholdDialog* gThresholdDialog;
