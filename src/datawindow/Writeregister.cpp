#include "datawindow/Writeregister.h"

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

TWriteRegisterForm* WriteRegisterForm = nullptr;

TWriteRegisterForm::TWriteRegisterForm(QWidget* parent) : TWriteForm(parent, 6) {
  setObjectName(QStringLiteral("WriteRegisterForm"));
  setWindowTitle(QStringLiteral("WriteRegisterForm"));

  Edit1 = ShownOnlyEdit(QStringLiteral("Edit1"), QStringLiteral("Node"), this);
  auto* nodeLabel = new QLabel(QStringLiteral("Node :"), this);
  nodeLabel->setBuddy(Edit1);

  auto* group = new QGroupBox(this);
  Edit2 = ShownOnlyEdit(QStringLiteral("Edit2"), QStringLiteral("Address"), group);
  Edit3 = new QLineEdit(group);
  Edit3->setObjectName(QStringLiteral("Edit3"));
  Edit3->setAccessibleName(QStringLiteral("Value"));
  auto* addressLabel = new QLabel(QStringLiteral("Address:"), group);
  addressLabel->setBuddy(Edit2);
  auto* valueLabel = new QLabel(QStringLiteral("Value :"), group);
  valueLabel->setBuddy(Edit3);
  auto* groupLayout = new QGridLayout(group);
  groupLayout->addWidget(addressLabel, 0, 0);
  groupLayout->addWidget(Edit2, 0, 1);
  groupLayout->addWidget(valueLabel, 1, 0);
  groupLayout->addWidget(Edit3, 1, 1);

  Button1 = new QPushButton(QStringLiteral("Update"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  // Enter in any field, Edit3 included, acts as "Update".
  Button1->setDefault(true);
  Button2 = new QPushButton(QStringLiteral("Cancel"), this);
  Button2->setObjectName(QStringLiteral("Button2"));

  auto* node = new QHBoxLayout;
  node->addWidget(nodeLabel);
  node->addWidget(Edit1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(node);
  layout->addWidget(group);
  layout->addStretch();
  layout->addLayout(buttons);

  setTabOrder(Edit1, Edit2);
  setTabOrder(Edit2, Edit3);
  setTabOrder(Edit3, Button1);
  setTabOrder(Button1, Button2);

  connect(Button1, &QPushButton::clicked, this, &TWriteRegisterForm::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TWriteRegisterForm::Button2Click);
  setFixedSize(QSize(191, 203).expandedTo(sizeHint()));
}

void TWriteRegisterForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TWriteRegisterForm::FormShow() {
  Edit1->setText(QString::number(DeviceID));
  Edit2->setText(QString::number(Address));
  Edit3->setText(QString::number(Value));
  Edit3->setFocus();
  Edit3->selectAll();
  CentreOnMainWindow(this);
}

void TWriteRegisterForm::Button1Click() {
  // A refused text shows the error box and leaves the dialog open.
  RunCommand(this, [this] {
    const mms::WriteRequest request = mms::RegisterWriteRequest(
        Edit3->text().toStdString(), Format, DeviceID, WriteAddress, DecimalSeparator());
    QueueWrite(request);
    accept();
  });
}

void TWriteRegisterForm::Button2Click() { reject(); }
