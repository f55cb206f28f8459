#include "datawindow/Writecoil.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "datawindow/WriteValue.h"
#include "ui/CentreOnMain.h"

TWriteCoilForm* WriteCoilForm = nullptr;

TWriteCoilForm::TWriteCoilForm(QWidget* parent) : TWriteForm(parent, 5) {
  setObjectName(QStringLiteral("WriteCoilForm"));
  setWindowTitle(QStringLiteral("Write coil"));

  Edit1 = ShownOnlyEdit(QStringLiteral("Edit1"), QStringLiteral("Device ID"), this);
  Edit2 = ShownOnlyEdit(QStringLiteral("Edit2"), QStringLiteral("Address"), this);
  auto* deviceLabel = new QLabel(QStringLiteral("Device ID :"), this);
  deviceLabel->setBuddy(Edit1);
  auto* addressLabel = new QLabel(QStringLiteral("Address :"), this);
  addressLabel->setBuddy(Edit2);

  auto* valueGroup = new QGroupBox(QStringLiteral("Value"), this);
  RBOff = new QRadioButton(QStringLiteral("Off"), valueGroup);
  RBOff->setObjectName(QStringLiteral("RBOff"));
  RBOff->setChecked(true);
  RBOn = new QRadioButton(QStringLiteral("On"), valueGroup);
  RBOn->setObjectName(QStringLiteral("RBOn"));
  auto* valueLayout = new QVBoxLayout(valueGroup);
  valueLayout->addWidget(RBOff);
  valueLayout->addWidget(RBOn);

  Button1 = new QPushButton(QStringLiteral("Update"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);  // Enter
  Button2 = new QPushButton(QStringLiteral("Cancel"), this);
  Button2->setObjectName(QStringLiteral("Button2"));

  auto* fields = new QGridLayout;
  fields->addWidget(deviceLabel, 0, 0);
  fields->addWidget(Edit1, 0, 1);
  fields->addWidget(addressLabel, 1, 0);
  fields->addWidget(Edit2, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(valueGroup);
  layout->addStretch();
  layout->addLayout(buttons);

  setTabOrder(Edit1, Edit2);
  setTabOrder(Edit2, RBOff);
  setTabOrder(RBOff, RBOn);
  setTabOrder(RBOn, Button1);
  setTabOrder(Button1, Button2);

  connect(Button1, &QPushButton::clicked, this, &TWriteCoilForm::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TWriteCoilForm::Button2Click);
  setFixedSize(QSize(214, 208).expandedTo(sizeHint()));
}

void TWriteCoilForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TWriteCoilForm::FormShow() {
  Edit1->setText(QString::number(DeviceID));
  Edit2->setText(QString::number(Address));
  QRadioButton* state = Value != 0 ? RBOn : RBOff;
  state->setChecked(true);
  // The only thing to choose here; the two edits are read-only.
  state->setFocus();
  CentreOnMainWindow(this);
}

void TWriteCoilForm::Button1Click() {
  mms::WriteRequest request = mms::CoilWriteRequest(DeviceID, WriteAddress, RBOn->isChecked());
  request.WriteFunction = WriteFunction;
  QueueWrite(request);
  accept();
}

void TWriteCoilForm::Button2Click() { reject(); }
