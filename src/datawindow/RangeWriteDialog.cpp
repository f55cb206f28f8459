#include "datawindow/RangeWriteDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "datawindow/RangeWrite.h"
#include "ui/CentreOnMain.h"
#include "ui/DecimalSeparator.h"
#include "ui/ErrorBox.h"

RangeWriteDialog::RangeWriteDialog(QWidget* parent) : WriteDialog(parent, 16) {
  setObjectName(QStringLiteral("RangeWriteDialog"));
  setWindowTitle(QStringLiteral("Write range"));

  deviceIdEdit = ShownOnlyEdit(QStringLiteral("deviceIdEdit"), QStringLiteral("Device ID"), this);
  addressEdit = ShownOnlyEdit(QStringLiteral("addressEdit"), QStringLiteral("Start address"), this);
  countEdit = new QLineEdit(this);
  countEdit->setObjectName(QStringLiteral("countEdit"));
  countEdit->setAccessibleName(QStringLiteral("Count"));
  functionLabel = new QLabel(this);
  functionLabel->setObjectName(QStringLiteral("functionLabel"));

  auto* form = new QGridLayout;
  const auto addRow = [&](int row, const QString& text, QWidget* field) {
    auto* label = new QLabel(text, this);
    label->setBuddy(field);
    form->addWidget(label, row, 0);
    form->addWidget(field, row, 1);
  };
  addRow(0, QStringLiteral("Device &ID :"), deviceIdEdit);
  addRow(1, QStringLiteral("&Start address :"), addressEdit);
  addRow(2, QStringLiteral("C&ount :"), countEdit);
  form->addWidget(functionLabel, 3, 0, 1, 2);

  valuesTable = new QTableWidget(0, 2, this);
  valuesTable->setObjectName(QStringLiteral("valuesTable"));
  valuesTable->setAccessibleName(QStringLiteral("Values to write"));
  valuesTable->setHorizontalHeaderLabels({QStringLiteral("Address"), QStringLiteral("Value")});
  valuesTable->verticalHeader()->hide();
  valuesTable->horizontalHeader()->setStretchLastSection(true);
  valuesTable->setTabKeyNavigation(false);  // Tab leaves the table
  valuesTable->setEditTriggers(QAbstractItemView::AllEditTriggers);
  auto* valuesLabel = new QLabel(QStringLiteral("&Values :"), this);
  valuesLabel->setBuddy(valuesTable);

  updateButton = new QPushButton(QStringLiteral("Update"), this);
  updateButton->setObjectName(QStringLiteral("updateButton"));
  cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  cancelButton->setObjectName(QStringLiteral("cancelButton"));
  // Enter commits a cell or lists the rows for a new count; it never sends
  // a whole range by accident.
  for (QPushButton* button : {updateButton, cancelButton}) button->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(updateButton);
  buttons->addWidget(cancelButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(valuesLabel);
  layout->addWidget(valuesTable, 1);
  layout->addLayout(buttons);
  setTabOrder(countEdit, valuesTable);
  setTabOrder(valuesTable, updateButton);
  setTabOrder(updateButton, cancelButton);

  connect(countEdit, &QLineEdit::editingFinished, this, [this] { ListRows(); });
  connect(updateButton, &QPushButton::clicked, this, &RangeWriteDialog::UpdateClicked);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  resize(320, 420);
}

void RangeWriteDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  WriteFunction = Coils ? 15 : 16;
  deviceIdEdit->setText(QString::number(DeviceID));
  addressEdit->setText(ShownAddress());
  functionLabel->setText(Coils ? QStringLiteral("Function 15, write multiple coils")
                               : QStringLiteral("Function 16, write multiple registers"));
  countEdit->setText(QString::number(Count));
  listed_ = 0;
  valuesTable->setRowCount(0);
  ListRows();
  valuesTable->setFocus();
  valuesTable->setCurrentCell(0, 1);
  CentreOnMainWindow(this);
}

bool RangeWriteDialog::ListRows() {
  int count = 0;
  const std::string text = countEdit->text().trimmed().toStdString();
  if (!RunCommand(this, [&] { count = mms::RangeCount(text, Coils); })) {
    countEdit->setFocus();  // to be typed again
    countEdit->selectAll();
    return false;
  }
  if (count == listed_) return true;
  const std::vector<mms::RangeRow> rows =
      mms::RangeRows(Coils, Address, count, Words.data(), static_cast<int>(Words.size()), Format,
                     DecimalSeparator());
  // Rows already listed keep what the user typed.
  const int kept = valuesTable->rowCount();
  valuesTable->setRowCount(static_cast<int>(rows.size()));
  for (int i = kept; i < valuesTable->rowCount(); ++i) {
    auto* address = new QTableWidgetItem(
        QString::fromStdString(mms::AddressText(rows[i].Address, AddressShownAs)));
    address->setFlags(address->flags() & ~Qt::ItemIsEditable);
    valuesTable->setItem(i, 0, address);
    valuesTable->setItem(i, 1, new QTableWidgetItem(QString::fromStdString(rows[i].Text)));
  }
  listed_ = count;
  return true;
}

void RangeWriteDialog::UpdateClicked() {
  if (!ListRows()) return;
  std::vector<std::string> texts;
  for (int i = 0; i < valuesTable->rowCount(); ++i) {
    const QTableWidgetItem* item = valuesTable->item(i, 1);
    texts.push_back(item ? item->text().trimmed().toStdString() : std::string());
  }
  // A refused text shows the error box and leaves the dialog open.
  RunCommand(this, [&] {
    const mms::WriteRequest request =
        Coils ? mms::CoilRangeRequest(texts, DeviceID, Address)
              : mms::RegisterRangeRequest(texts, Format, DeviceID, Address, DecimalSeparator());
    QueueWrite(request);
    accept();
  });
}
