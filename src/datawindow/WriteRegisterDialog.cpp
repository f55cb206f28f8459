#include "datawindow/WriteRegisterDialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "datawindow/WriteValue.h"
#include "ui/CentreOnMain.h"
#include "ui/DecimalSeparator.h"
#include "ui/ErrorBox.h"

WriteRegisterDialog* gWriteRegisterDialog = nullptr;

WriteRegisterDialog::WriteRegisterDialog(QWidget* parent) : WriteDialog(parent, 6) {
  setObjectName(QStringLiteral("WriteRegisterDialog"));
  setWindowTitle(QStringLiteral("WriteRegisterForm"));

  deviceIdEdit = ShownOnlyEdit(QStringLiteral("deviceIdEdit"), QStringLiteral("Node"), this);
  auto* nodeLabel = new QLabel(QStringLiteral("Node :"), this);
  nodeLabel->setBuddy(deviceIdEdit);

  auto* group = new QGroupBox(this);
  addressEdit = ShownOnlyEdit(QStringLiteral("addressEdit"), QStringLiteral("Address"), group);
  valueEdit = new QLineEdit(group);
  valueEdit->setObjectName(QStringLiteral("valueEdit"));
  valueEdit->setAccessibleName(QStringLiteral("Value"));
  auto* addressLabel = new QLabel(QStringLiteral("Address:"), group);
  addressLabel->setBuddy(addressEdit);
  auto* valueLabel = new QLabel(QStringLiteral("Value :"), group);
  valueLabel->setBuddy(valueEdit);
  auto* groupLayout = new QGridLayout(group);
  groupLayout->addWidget(addressLabel, 0, 0);
  groupLayout->addWidget(addressEdit, 0, 1);
  groupLayout->addWidget(valueLabel, 1, 0);
  groupLayout->addWidget(valueEdit, 1, 1);

  updateButton = new QPushButton(QStringLiteral("Update"), this);
  updateButton->setObjectName(QStringLiteral("updateButton"));
  // Enter in any field, valueEdit included, acts as "Update".
  updateButton->setDefault(true);
  cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  cancelButton->setObjectName(QStringLiteral("cancelButton"));

  auto* node = new QHBoxLayout;
  node->addWidget(nodeLabel);
  node->addWidget(deviceIdEdit);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(updateButton);
  buttons->addWidget(cancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(node);
  layout->addWidget(group);
  layout->addStretch();
  layout->addLayout(buttons);

  setTabOrder(deviceIdEdit, addressEdit);
  setTabOrder(addressEdit, valueEdit);
  setTabOrder(valueEdit, updateButton);
  setTabOrder(updateButton, cancelButton);

  connect(updateButton, &QPushButton::clicked, this, &WriteRegisterDialog::UpdateClicked);
  connect(cancelButton, &QPushButton::clicked, this, &WriteRegisterDialog::CancelClicked);
  setFixedSize(QSize(191, 203).expandedTo(sizeHint()));
}

void WriteRegisterDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  PrepareToShow();
}

void WriteRegisterDialog::PrepareToShow() {
  deviceIdEdit->setText(QString::number(DeviceID));
  addressEdit->setText(ShownAddress());
  const uint16_t words[4] = {Value, FollowingWords[0], FollowingWords[1], FollowingWords[2]};
  valueEdit->setText(QString::fromStdString(mms::PrefillText(words, Format, DecimalSeparator())));
  valueEdit->setFocus();
  valueEdit->selectAll();
  CentreOnMainWindow(this);
}

void WriteRegisterDialog::UpdateClicked() {
  // A refused text shows the error box and leaves the dialog open.
  RunCommand(this, [this] {
    mms::WriteRequest request = mms::RegisterWriteRequest(
        valueEdit->text().toStdString(), Format, DeviceID, WriteAddress, DecimalSeparator());
    if (request.WriteFunction == 6) request.WriteFunction = SingleWriteFunction;
    QueueWrite(request);
    accept();
  });
}

void WriteRegisterDialog::CancelClicked() { reject(); }
