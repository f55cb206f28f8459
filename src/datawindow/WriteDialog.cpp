#include "datawindow/WriteDialog.h"

#include <QLineEdit>

#include "common/WindowTable.h"

WriteDialog::WriteDialog(QWidget* parent, uint8_t writeFunction)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      WriteFunction(writeFunction) {}

void WriteDialog::QueueWrite(const mms::WriteRequest& request) const {
  if (const auto record = Record()) record->QueueWrite(request);
}

std::shared_ptr<mms::WindowRecord> WriteDialog::Record() const {
  return table_ ? table_->Slot(SlotIndex) : nullptr;
}

QString WriteDialog::ShownAddress() const {
  return QString::fromStdString(mms::AddressText(Address, AddressShownAs));
}

QLineEdit* WriteDialog::ShownOnlyEdit(const QString& objectName, const QString& accessibleName,
                                     QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(objectName);
  edit->setAccessibleName(accessibleName);
  edit->setReadOnly(true);
  return edit;
}
