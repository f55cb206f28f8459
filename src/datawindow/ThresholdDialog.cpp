#include "datawindow/ThresholdDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/Conversions.h"
#include "datawindow/DataWindow.h"
#include "ui/CentreOnMain.h"
#include "ui/ColourPickList.h"
#include "ui/ErrorBox.h"

ThresholdDialog* gThresholdDialog = nullptr;

namespace {

QLabel* Caption(QWidget* buddy) {
  auto* label = new QLabel;
  label->setBuddy(buddy);
  return label;
}

}  // namespace

ThresholdDialog::ThresholdDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Threshold Display"));
  setModal(true);

  enableBox = new QCheckBox(QStringLiteral("Enable threshold display"));
  enableBox->setObjectName(QStringLiteral("enableBox"));

  typeGroup = new QGroupBox(QStringLiteral("Threshold type"));
  simpleButton = new QRadioButton(QStringLiteral("Simple threshold"));
  simpleButton->setObjectName(QStringLiteral("simpleButton"));
  rangeButton = new QRadioButton(QStringLiteral("Range threshold"));
  rangeButton->setObjectName(QStringLiteral("rangeButton"));
  simpleButton->setChecked(true);
  auto* type = new QVBoxLayout(typeGroup);
  type->addWidget(simpleButton);
  type->addWidget(rangeButton);

  parametersGroup = new QGroupBox(QStringLiteral("Threshold parameters"));
  param1Edit = new QLineEdit(QStringLiteral("0"));
  param1Edit->setObjectName(QStringLiteral("param1Edit"));
  param2Edit = new QLineEdit(QStringLiteral("0"));
  param2Edit->setObjectName(QStringLiteral("param2Edit"));
  colour1Box = new ColourPickList;
  colour1Box->setObjectName(QStringLiteral("colour1Box"));
  colour2Box = new ColourPickList;
  colour2Box->setObjectName(QStringLiteral("colour2Box"));
  param1Label = Caption(param1Edit);
  param2Label = Caption(param2Edit);
  colour1Label = Caption(colour1Box);
  colour2Label = Caption(colour2Box);
  auto* params = new QGridLayout(parametersGroup);
  params->addWidget(param1Label, 0, 0);
  params->addWidget(param1Edit, 0, 1);
  params->addWidget(param2Label, 1, 0);
  params->addWidget(param2Edit, 1, 1);
  params->addWidget(colour1Label, 2, 0);
  params->addWidget(colour1Box, 2, 1);
  params->addWidget(colour2Label, 3, 0);
  params->addWidget(colour2Box, 3, 1);

  updateButton = new QPushButton(QStringLiteral("Update"));
  updateButton->setObjectName(QStringLiteral("updateButton"));
  updateButton->setDefault(true);
  cancelButton = new QPushButton(QStringLiteral("Cancel"));
  cancelButton->setObjectName(QStringLiteral("cancelButton"));

  auto* top = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  left->addWidget(enableBox);
  left->addWidget(typeGroup);
  left->addStretch();
  top->addLayout(left);
  top->addWidget(parametersGroup, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(updateButton);
  buttons->addWidget(cancelButton);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(top);
  outer->addLayout(buttons);
  resize(431, 269);

  // toggled, not clicked: a screen reader's Toggle or a program's setChecked counts too.
  connect(simpleButton, &QRadioButton::toggled, this, [this](bool on) {
    if (on) SimpleChosen();
  });
  connect(rangeButton, &QRadioButton::toggled, this, [this](bool on) {
    if (on) RangeChosen();
  });
  connect(enableBox, &QCheckBox::toggled, this, [this] { EnableToggled(); });
  connect(updateButton, &QPushButton::clicked, this, [this] { UpdateClicked(); });
  connect(cancelButton, &QPushButton::clicked, this, [this] { CancelClicked(); });

  ShowTypeCaptions(false);
  EnableParameters(false);
}

DataWindow* ThresholdDialog::Target() const {
  if (lookup_) {
    if (DataWindow* found = lookup_(SlotIndex)) return found;
  }
  return window_.data();
}

void ThresholdDialog::ShowTypeCaptions(bool range) {
  param1Label->setText(range ? QStringLiteral("Low threshold") : QStringLiteral("Threshold value"));
  param2Label->setText(QStringLiteral("High threshold"));
  colour1Label->setText(range ? QStringLiteral("Outside range color")
                              : QStringLiteral("Below color"));
  colour2Label->setText(range ? QStringLiteral("Inside range color")
                              : QStringLiteral("Above color"));
  param2Label->setVisible(range);
  param2Edit->setVisible(range);
  param1Edit->setAccessibleName(param1Label->text());
  param2Edit->setAccessibleName(param2Label->text());
  colour1Box->setAccessibleName(colour1Label->text());
  colour2Box->setAccessibleName(colour2Label->text());
}

void ThresholdDialog::EnableParameters(bool on) {
  for (QWidget* w : std::initializer_list<QWidget*>{param1Edit, param2Edit, colour1Box, colour2Box,
                                                    simpleButton, rangeButton}) {
    w->setEnabled(on);
  }
}

void ThresholdDialog::SimpleChosen() {
  ShowTypeCaptions(false);
  typeChoice_ = 1;
}

void ThresholdDialog::RangeChosen() {
  ShowTypeCaptions(true);
  typeChoice_ = 2;
}

void ThresholdDialog::EnableToggled() {
  enableChoice_ = enableBox->isChecked();
  EnableParameters(enableChoice_);
}

void ThresholdDialog::showEvent(QShowEvent* event) {
  PrepareToShow();
  QDialog::showEvent(event);
}

void ThresholdDialog::PrepareToShow() {
  DataWindow* target = Target();
  if (MainWindowWidget()) {
    CentreOnMainWindow(this);
  } else if (QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr) {
    move(CentredPosition(owner->frameGeometry(), frameGeometry().size()));
  }
  setWindowTitle(QStringLiteral("Threshold for window") + QString::number(SlotIndex));

  const mms::CellThreshold rec =
      target ? target->Model().Threshold(Col, Row) : mms::CellThreshold{};
  enableBox->setChecked(rec.ThresholdEnable == 1);
  EnableToggled();
  if (rec.ThresholdType == 1) simpleButton->setChecked(true);
  if (rec.ThresholdType == 2) rangeButton->setChecked(true);
  if (rangeButton->isChecked()) {
    RangeChosen();
  } else {
    SimpleChosen();
  }
  param1Edit->setText(QString::number(rec.ThresholdL));
  param2Edit->setText(QString::number(rec.ThresholdH));
  colour1Box->SetColour(rec.ColorL);
  colour2Box->SetColour(rec.ColorH);
}

void ThresholdDialog::UpdateClicked() {
  const int32_t colorL = colour1Box->Colour();
  const int32_t colorH = colour2Box->Colour();
  int32_t low = 0;
  int32_t high = 0;
  const std::string text1 = param1Edit->text().toStdString();
  const std::string text2 = param2Edit->text().toStdString();
  const bool converted = RunCommand(this, [&] {
    low = mms::StrToInt(text1);
    high = mms::StrToInt(text2);
  });
  if (!converted) return;
  if (DataWindow* target = Target()) {
    mms::CellThreshold rec;
    rec.ThresholdEnable = enableChoice_ ? 1 : 0;
    rec.ThresholdType = typeChoice_;
    rec.ThresholdL = low;
    rec.ThresholdH = high;
    rec.ColorH = colorH;
    rec.ColorL = colorL;
    target->Model().SetThreshold(Col, Row, rec);
    target->grid->viewport()->update();
  }
  accept();
}

void ThresholdDialog::CancelClicked() { reject(); }
