// The data window's display choices: type and byte order (radio buttons and
// drop-downs kept in step), the address base, and the decode inspector.
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>
#include <initializer_list>

#include "datawindow/DataWindow.h"
#include "datawindow/DecodeInspector.h"
#include "ui/DecimalSeparator.h"
#include "ui/ErrorBox.h"

using mms::ValueEncoding;

namespace {

QComboBox* DropDown(const QString& name, const char* objectName, QLabel* label) {
  auto* box = new QComboBox;
  box->setObjectName(QString::fromLatin1(objectName));
  box->setAccessibleName(name);
  label->setBuddy(box);
  return box;
}

}  // namespace

void DataWindow::BuildAddressBase(QGridLayout* device) {
  auto* baseLabel = new QLabel(QStringLiteral("Address base"));
  addressBaseBox = DropDown(QStringLiteral("Address base"), "addressBaseBox", baseLabel);
  for (int i = 0; i < mms::kAddressBaseCount; ++i) {
    addressBaseBox->addItem(
        QString::fromLatin1(mms::AddressBaseName(static_cast<mms::AddressBase>(i))));
  }
  // Six Modicon digits stay readable however narrow the window gets.
  addressEdit->setMinimumWidth(
      addressEdit->fontMetrics().horizontalAdvance(QStringLiteral("4655360")));
  device->addWidget(baseLabel, 2, 0, 1, 2);
  device->addWidget(addressBaseBox, 2, 2, 1, 2);
  setTabOrder(lengthEdit, addressBaseBox);  // as it reads: below the address

  connect(addressBaseBox, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (i >= 0) SetAddressBase(static_cast<mms::AddressBase>(i));
  });
  connect(addressEdit, &QLineEdit::editingFinished, this, [this] { AddressEditingFinished(); });
}

// Beside the grid, where a short grid leaves room, so the window grows
// neither wider nor taller: Type and Order over the decode inspector.
QLayout* DataWindow::BuildDecodeColumn() {
  auto* typeLabel = new QLabel(QStringLiteral("Type"));
  typeBox = DropDown(QStringLiteral("Type"), "typeBox", typeLabel);
  for (int i = 0; i < mms::kValueTypeCount; ++i) {
    typeBox->addItem(QString::fromLatin1(mms::TypeName(static_cast<mms::ValueType>(i))));
  }
  auto* orderLabel = new QLabel(QStringLiteral("Order"));
  orderBox = DropDown(QStringLiteral("Order"), "orderBox", orderLabel);
  for (int i = 0; i < mms::kByteOrderCount; ++i) orderBox->addItem(QString());
  decodeButton = new QPushButton(QStringLiteral("Decode"));
  decodeButton->setObjectName(QStringLiteral("decodeButton"));
  decodeButton->setCheckable(true);
  decodeInspector = new DecodeInspector(this);
  decodeInspector->hide();
  decodeInspector->onChoose = [this](const ValueEncoding& encoding) { SetFormat(encoding); };

  auto* choices = new QHBoxLayout;
  for (QWidget* w :
       std::initializer_list<QWidget*>{typeLabel, typeBox, orderLabel, orderBox, decodeButton}) {
    choices->addWidget(w);
  }
  choices->addStretch();
  auto* column = new QVBoxLayout;
  column->addLayout(choices);
  column->addWidget(decodeInspector, 1);
  column->addStretch();  // holds the choices at the top while the inspector is closed

  connect(formats_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked) SetFormat(ValueEncoding(static_cast<mms::DisplayFormat>(id)));
  });
  connect(typeBox, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (i >= 0) SetFormat({static_cast<mms::ValueType>(i), encoding_.Order});
  });
  connect(orderBox, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (i >= 0) SetFormat({encoding_.Type, static_cast<mms::ByteOrder>(i)});
  });
  connect(decodeButton, &QPushButton::toggled, this, [this] { DecodeClicked(); });
  ShowFormat();
  return column;
}

ValueEncoding DataWindow::Format() const { return encoding_; }

void DataWindow::SetFormat(const ValueEncoding& encoding) {
  encoding_ = encoding;
  ShowFormat();
  FitValueColumns();  // radios, type and order alike
}

void DataWindow::ShowFormat() {
  {
    const QSignalBlocker blocker(formats_);
    if (const auto radio = mms::RadioFormatOf(encoding_)) {
      formats_->button(static_cast<int>(*radio))->setChecked(true);
    } else if (QAbstractButton* checked = formats_->checkedButton()) {
      // An exclusive group never unchecks its last button by itself.
      formats_->setExclusive(false);
      checked->setChecked(false);
      formats_->setExclusive(true);
    }
  }
  const QSignalBlocker typeBlocker(typeBox);
  const QSignalBlocker orderBlocker(orderBox);
  typeBox->setCurrentIndex(static_cast<int>(encoding_.Type));
  for (int i = 0; i < mms::kByteOrderCount; ++i) {
    orderBox->setItemText(
        i, QString::fromLatin1(mms::OrderName(static_cast<mms::ByteOrder>(i), encoding_.Type)));
  }
  orderBox->setCurrentIndex(static_cast<int>(encoding_.Order));
  orderBox->setEnabled(typeBox->isEnabled() && mms::WordCount(encoding_.Type) > 1);
}

mms::AddressStyle DataWindow::AddressShownAs() const {
  return mms::AddressStyle{addressBase_, record_->Poll().Function};
}

void DataWindow::SetAddressBase(mms::AddressBase base) {
  addressBase_ = base;
  {
    const QSignalBlocker blocker(addressBaseBox);
    addressBaseBox->setCurrentIndex(static_cast<int>(base));
  }
  ShowAddress();
  RebuildGrid();
}

// The protocol address in the window's convention; the edit's own handler
// would read back the same address, so it is left out.
void DataWindow::ShowAddress() {
  const QSignalBlocker blocker(addressEdit);
  addressEdit->setText(
      QString::fromStdString(mms::AddressText(record_->Poll().Address, AddressShownAs())));
}

void DataWindow::AddressEditingFinished() {
  // Base 0 refuses a text at every keystroke, as it always has; the other
  // bases have no valid prefixes, so they refuse once the typing is done.
  const std::string text = addressEdit->text().toStdString();
  if (addressBase_ == mms::AddressBase::Zero || text.empty()) return;
  RunCommand(this, [&] { mms::ProtocolAddress(text, AddressShownAs()); });
}

void DataWindow::DecodeClicked() {
  decodeInspector->setVisible(decodeButton->isChecked());
  UpdateDecodeInspector();
}

void DataWindow::UpdateDecodeInspector() {
  if (!decodeInspector || !decodeButton->isChecked()) return;
  const int col = grid->currentColumn() + 1;
  const int row = grid->currentRow() + 1;
  const mms::PollDefinition poll = record_->Poll();
  QString place = QStringLiteral("Select a value of holding or input registers");
  uint16_t words[4] = {};
  int count = 0;
  if (mms::IsValueColumn(col) && row >= 1 && (poll.Function == 3 || poll.Function == 4)) {
    const uint16_t address = mms::SelectedAddressOf(col, row, poll.Address);
    place = QStringLiteral("Address %1, wire address %2")
                .arg(QString::fromStdString(mms::AddressText(address, AddressShownAs())))
                .arg(address);
    count = model_.PolledWords(mms::SelectedAddressOf(col, row, 0), words, 4);
  }
  decodeInspector->Show(
      place, mms::DecodeRegisters(words, static_cast<size_t>(count), DecimalSeparator()));
}
