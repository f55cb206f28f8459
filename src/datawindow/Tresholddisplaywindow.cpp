#include "datawindow/Tresholddisplaywindow.h"

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

#include "datawindow/Ti.h"
#include "shell/Conversions.h"
#include "ui/CentreOnMain.h"
#include "ui/ColourPickList.h"
#include "ui/ErrorBox.h"

TThresholdWindow* ThresholdWindow = nullptr;

namespace {

QLabel* Caption(QWidget* buddy) {
  auto* label = new QLabel;
  label->setBuddy(buddy);
  return label;
}

}  // namespace

TThresholdWindow::TThresholdWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Threshold Display"));
  setModal(true);

  CheckBox1 = new QCheckBox(QStringLiteral("Enable threshold display"));
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));

  GroupType = new QGroupBox(QStringLiteral("Threshold type"));
  RadioButton1 = new QRadioButton(QStringLiteral("Simple threshold"));
  RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
  RadioButton2 = new QRadioButton(QStringLiteral("Range threshold"));
  RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
  RadioButton1->setChecked(true);
  auto* type = new QVBoxLayout(GroupType);
  type->addWidget(RadioButton1);
  type->addWidget(RadioButton2);

  GroupParameters = new QGroupBox(QStringLiteral("Threshold parameters"));
  EParam1 = new QLineEdit(QStringLiteral("0"));
  EParam1->setObjectName(QStringLiteral("EParam1"));
  EParam2 = new QLineEdit(QStringLiteral("0"));
  EParam2->setObjectName(QStringLiteral("EParam2"));
  Threshold1CB = new ColourPickList;
  Threshold1CB->setObjectName(QStringLiteral("Threshold1CB"));
  Threshold2CB = new ColourPickList;
  Threshold2CB->setObjectName(QStringLiteral("Threshold2CB"));
  LParam1 = Caption(EParam1);
  LParam2 = Caption(EParam2);
  LColor1 = Caption(Threshold1CB);
  LColor2 = Caption(Threshold2CB);
  auto* params = new QGridLayout(GroupParameters);
  params->addWidget(LParam1, 0, 0);
  params->addWidget(EParam1, 0, 1);
  params->addWidget(LParam2, 1, 0);
  params->addWidget(EParam2, 1, 1);
  params->addWidget(LColor1, 2, 0);
  params->addWidget(Threshold1CB, 2, 1);
  params->addWidget(LColor2, 3, 0);
  params->addWidget(Threshold2CB, 3, 1);

  Button1 = new QPushButton(QStringLiteral("Update"));
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  Button2 = new QPushButton(QStringLiteral("Cancel"));
  Button2->setObjectName(QStringLiteral("Button2"));

  auto* top = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  left->addWidget(CheckBox1);
  left->addWidget(GroupType);
  left->addStretch();
  top->addLayout(left);
  top->addWidget(GroupParameters, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(top);
  outer->addLayout(buttons);
  resize(431, 269);

  connect(RadioButton1, &QRadioButton::clicked, this, [this] { RadioButton1Click(); });
  connect(RadioButton2, &QRadioButton::clicked, this, [this] { RadioButton2Click(); });
  connect(CheckBox1, &QCheckBox::clicked, this, [this] { CheckBox1Click(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });

  ShowTypeCaptions(false);
  EnableParameters(false);
}

Ti* TThresholdWindow::Target() const {
  if (lookup_) {
    if (Ti* found = lookup_(SlotIndex)) return found;
  }
  return window_.data();
}

void TThresholdWindow::ShowTypeCaptions(bool range) {
  LParam1->setText(range ? QStringLiteral("Low threshold") : QStringLiteral("Threshold value"));
  LParam2->setText(QStringLiteral("High threshold"));
  LColor1->setText(range ? QStringLiteral("Outside range color") : QStringLiteral("Below color"));
  LColor2->setText(range ? QStringLiteral("Inside range color") : QStringLiteral("Above color"));
  LParam2->setVisible(range);
  EParam2->setVisible(range);
  EParam1->setAccessibleName(LParam1->text());
  EParam2->setAccessibleName(LParam2->text());
  Threshold1CB->setAccessibleName(LColor1->text());
  Threshold2CB->setAccessibleName(LColor2->text());
}

void TThresholdWindow::EnableParameters(bool on) {
  for (QWidget* w : std::initializer_list<QWidget*>{EParam1, EParam2, Threshold1CB, Threshold2CB,
                                                    RadioButton1, RadioButton2}) {
    w->setEnabled(on);
  }
}

void TThresholdWindow::RadioButton1Click() {
  ShowTypeCaptions(false);
  typeChoice_ = 1;
}

void TThresholdWindow::RadioButton2Click() {
  ShowTypeCaptions(true);
  typeChoice_ = 2;
}

void TThresholdWindow::CheckBox1Click() {
  enableChoice_ = CheckBox1->isChecked();
  EnableParameters(enableChoice_);
}

void TThresholdWindow::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TThresholdWindow::FormShow() {
  Ti* target = Target();
  if (MainWindow()) {
    CentreOnMainWindow(this);
  } else if (QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr) {
    move(CentredPosition(owner->frameGeometry(), frameGeometry().size()));
  }
  setWindowTitle(QStringLiteral("Threshold for window") + QString::number(SlotIndex));

  const mms::CellThreshold rec =
      target ? target->Model().Threshold(Col, Row) : mms::CellThreshold{};
  CheckBox1->setChecked(rec.ThresholdEnable == 1);
  CheckBox1Click();
  if (rec.ThresholdType == 1) RadioButton1->setChecked(true);
  if (rec.ThresholdType == 2) RadioButton2->setChecked(true);
  if (RadioButton2->isChecked()) {
    RadioButton2Click();
  } else {
    RadioButton1Click();
  }
  EParam1->setText(QString::number(rec.ThresholdL));
  EParam2->setText(QString::number(rec.ThresholdH));
  Threshold1CB->SetColour(rec.ColorL);
  Threshold2CB->SetColour(rec.ColorH);
}

void TThresholdWindow::Button1Click() {
  const int32_t colorL = Threshold1CB->Colour();
  const int32_t colorH = Threshold2CB->Colour();
  int32_t low = 0;
  int32_t high = 0;
  const std::string text1 = EParam1->text().toStdString();
  const std::string text2 = EParam2->text().toStdString();
  const bool converted = RunCommand(this, [&] {
    low = mms::StrToInt(text1);
    high = mms::StrToInt(text2);
  });
  if (!converted) return;
  if (Ti* target = Target()) {
    mms::CellThreshold rec;
    rec.ThresholdEnable = enableChoice_ ? 1 : 0;
    rec.ThresholdType = typeChoice_;
    rec.ThresholdL = low;
    rec.ThresholdH = high;
    rec.ColorH = colorH;
    rec.ColorL = colorL;
    target->Model().SetThreshold(Col, Row, rec);
    target->StringGrid1->viewport()->update();
  }
  accept();
}

void TThresholdWindow::Button2Click() { reject(); }
