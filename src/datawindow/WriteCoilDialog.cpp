#include "datawindow/WriteCoilDialog.h"

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

WriteCoilDialog* gWriteCoilDialog = nullptr;

WriteCoilDialog::WriteCoilDialog(QWidget* parent) : WriteDialog(parent, 5) {
  setObjectName(QStringLiteral("WriteCoilDialog"));
  setWindowTitle(QStringLiteral("Write coil"));

  deviceIdEdit = ShownOnlyEdit(QStringLiteral("deviceIdEdit"), QStringLiteral("Device ID"), this);
  addressEdit = ShownOnlyEdit(QStringLiteral("addressEdit"), QStringLiteral("Address"), this);
  auto* deviceLabel = new QLabel(QStringLiteral("Device ID :"), this);
  deviceLabel->setBuddy(deviceIdEdit);
  auto* addressLabel = new QLabel(QStringLiteral("Address :"), this);
  addressLabel->setBuddy(addressEdit);

  auto* valueGroup = new QGroupBox(QStringLiteral("Value"), this);
  offButton = new QRadioButton(QStringLiteral("Off"), valueGroup);
  offButton->setObjectName(QStringLiteral("offButton"));
  offButton->setChecked(true);
  onButton = new QRadioButton(QStringLiteral("On"), valueGroup);
  onButton->setObjectName(QStringLiteral("onButton"));
  auto* valueLayout = new QVBoxLayout(valueGroup);
  valueLayout->addWidget(offButton);
  valueLayout->addWidget(onButton);

  updateButton = new QPushButton(QStringLiteral("Update"), this);
  updateButton->setObjectName(QStringLiteral("updateButton"));
  updateButton->setDefault(true);  // Enter
  cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  cancelButton->setObjectName(QStringLiteral("cancelButton"));

  auto* fields = new QGridLayout;
  fields->addWidget(deviceLabel, 0, 0);
  fields->addWidget(deviceIdEdit, 0, 1);
  fields->addWidget(addressLabel, 1, 0);
  fields->addWidget(addressEdit, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(updateButton);
  buttons->addWidget(cancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(valueGroup);
  layout->addStretch();
  layout->addLayout(buttons);

  setTabOrder(deviceIdEdit, addressEdit);
  setTabOrder(addressEdit, offButton);
  setTabOrder(offButton, onButton);
  setTabOrder(onButton, updateButton);
  setTabOrder(updateButton, cancelButton);

  connect(updateButton, &QPushButton::clicked, this, &WriteCoilDialog::UpdateClicked);
  connect(cancelButton, &QPushButton::clicked, this, &WriteCoilDialog::CancelClicked);
  setFixedSize(QSize(214, 208).expandedTo(sizeHint()));
}

void WriteCoilDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  PrepareToShow();
}

void WriteCoilDialog::PrepareToShow() {
  deviceIdEdit->setText(QString::number(DeviceID));
  addressEdit->setText(ShownAddress());
  QRadioButton* state = Value != 0 ? onButton : offButton;
  state->setChecked(true);
  // The only thing to choose here; the two edits are read-only.
  state->setFocus();
  CentreOnMainWindow(this);
}

void WriteCoilDialog::UpdateClicked() {
  mms::WriteRequest request = mms::CoilWriteRequest(DeviceID, WriteAddress, onButton->isChecked());
  request.WriteFunction = WriteFunction;
  QueueWrite(request);
  accept();
}

void WriteCoilDialog::CancelClicked() { reject(); }
