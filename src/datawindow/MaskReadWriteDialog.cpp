#include "datawindow/MaskReadWriteDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "datawindow/DataWindowModel.h"
#include "datawindow/MaskReadWrite.h"
#include "datawindow/RangeWrite.h"
#include "datawindow/WriteValue.h"
#include "modbus/ModbusProtocol.h"
#include "ui/CentreOnMain.h"
#include "ui/DecimalSeparator.h"
#include "ui/ErrorBox.h"

namespace {

QLineEdit* Field(QWidget* parent, const QString& name, const QString& accessible) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setAccessibleName(accessible);
  return edit;
}

// What the polling thread's result code means to the user.
QString ResultText(const mms::WriteOutcome& outcome) {
  if (outcome.Broadcast && outcome.Result == mms::trOk) {
    return QString::fromLatin1(mms::DataWindowModel::kBroadcastSentText);
  }
  switch (outcome.Result) {
    case mms::trOk:
      return QStringLiteral("Done");
    case mms::trInvalidReply:
      return QString::fromLatin1(mms::DataWindowModel::kInvalidReplyText);
    default:
      return QString::fromLatin1(mms::DataWindowModel::kTimeoutText);
  }
}

}  // namespace

MaskReadWriteDialog::MaskReadWriteDialog(QWidget* parent) : WriteDialog(parent, 22) {
  setObjectName(QStringLiteral("MaskReadWriteDialog"));
  setWindowTitle(QStringLiteral("Mask write / read-write registers"));

  deviceIdEdit = ShownOnlyEdit(QStringLiteral("deviceIdEdit"), QStringLiteral("Device ID"), this);
  auto* node = new QFormLayout;
  node->addRow(QStringLiteral("Device &ID :"), deviceIdEdit);

  tabs = new QTabWidget(this);
  tabs->setObjectName(QStringLiteral("tabs"));
  tabs->setAccessibleName(QStringLiteral("Function"));
  tabs->addTab(BuildMaskTab(), QStringLiteral("&Mask write (22)"));
  tabs->addTab(BuildReadWriteTab(), QStringLiteral("&Read/write (23)"));

  statusLabel = new QLabel(this);
  statusLabel->setObjectName(QStringLiteral("statusLabel"));
  statusLabel->setAccessibleName(QStringLiteral("Status"));
  resultView = new QPlainTextEdit(this);
  resultView->setObjectName(QStringLiteral("resultView"));
  resultView->setAccessibleName(QStringLiteral("Registers read"));
  resultView->setReadOnly(true);
  resultView->setTabChangesFocus(true);

  sendButton = new QPushButton(QStringLiteral("&Send"), this);
  sendButton->setObjectName(QStringLiteral("sendButton"));
  sendButton->setDefault(true);
  closeButton = new QPushButton(QStringLiteral("Close"), this);
  closeButton->setObjectName(QStringLiteral("closeButton"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(sendButton);
  buttons->addWidget(closeButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(node);
  layout->addWidget(tabs);
  layout->addWidget(statusLabel);
  layout->addWidget(resultView, 1);
  layout->addLayout(buttons);

  wait_ = new QTimer(this);
  wait_->setInterval(50);
  connect(wait_, &QTimer::timeout, this, &MaskReadWriteDialog::CheckOutcome);
  connect(sendButton, &QPushButton::clicked, this, &MaskReadWriteDialog::SendClicked);
  connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(this, &QDialog::finished, wait_, &QTimer::stop);
  resize(380, 420);
}

QWidget* MaskReadWriteDialog::BuildMaskTab() {
  auto* page = new QWidget(this);
  maskAddressEdit = Field(page, QStringLiteral("maskAddressEdit"), QStringLiteral("Address"));
  andMaskEdit = Field(page, QStringLiteral("andMaskEdit"), QStringLiteral("AND mask"));
  orMaskEdit = Field(page, QStringLiteral("orMaskEdit"), QStringLiteral("OR mask"));
  auto* form = new QFormLayout(page);
  form->addRow(QStringLiteral("A&ddress :"), maskAddressEdit);
  form->addRow(QStringLiteral("&AND mask :"), andMaskEdit);
  form->addRow(QStringLiteral("&OR mask :"), orMaskEdit);
  form->addRow(new QLabel(QStringLiteral("New value = (value & AND) | (OR & ~AND)"), page));
  return page;
}

QWidget* MaskReadWriteDialog::BuildReadWriteTab() {
  auto* page = new QWidget(this);
  readAddressEdit = Field(page, QStringLiteral("readAddressEdit"), QStringLiteral("Read address"));
  readCountEdit = Field(page, QStringLiteral("readCountEdit"), QStringLiteral("Read count"));
  writeAddressEdit =
      Field(page, QStringLiteral("writeAddressEdit"), QStringLiteral("Write address"));
  writeValuesEdit =
      Field(page, QStringLiteral("writeValuesEdit"), QStringLiteral("Values to write"));
  auto* form = new QFormLayout(page);
  form->addRow(QStringLiteral("Read a&ddress :"), readAddressEdit);
  form->addRow(QStringLiteral("Read &count :"), readCountEdit);
  form->addRow(QStringLiteral("&Write address :"), writeAddressEdit);
  form->addRow(QStringLiteral("&Values :"), writeValuesEdit);
  return page;
}

void MaskReadWriteDialog::ShowTab(int function) { tabs->setCurrentIndex(function == 23 ? 1 : 0); }

void MaskReadWriteDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  const QString address = ShownAddress();
  deviceIdEdit->setText(QString::number(DeviceID));
  maskAddressEdit->setText(address);
  andMaskEdit->setText(QStringLiteral("$FFFF"));
  orMaskEdit->setText(QStringLiteral("$0000"));
  readAddressEdit->setText(address);
  // One value of the window's type, read and written back as it stands.
  readCountEdit->setText(QString::number(mms::WordCount(Format.Type)));
  writeAddressEdit->setText(address);
  writeValuesEdit->setText(
      QString::fromStdString(mms::PrefillText(Words.data(), Format, DecimalSeparator())));
  statusLabel->clear();
  resultView->clear();
  (tabs->currentIndex() == 1 ? readAddressEdit : andMaskEdit)->setFocus();
  CentreOnMainWindow(this);
}

void MaskReadWriteDialog::SendClicked() {
  const auto text = [](QLineEdit* edit) { return edit->text().trimmed().toStdString(); };
  RunCommand(this, [&] {
    const mms::WriteRequest request =
        tabs->currentIndex() == 1
            ? mms::ReadWriteRequest(DeviceID, text(readAddressEdit), text(readCountEdit),
                                    text(writeAddressEdit), text(writeValuesEdit), Format,
                                    AddressShownAs, DecimalSeparator())
            : mms::MaskWriteRequest(DeviceID, text(maskAddressEdit), text(andMaskEdit),
                                    text(orMaskEdit), AddressShownAs);
    const auto record = Record();
    if (!record) return;
    sentAfter_ = record->LastWriteOutcome().Sequence;
    readAddress_ = request.ReadAddress;
    WriteFunction = request.WriteFunction;
    record->QueueWrite(request);
    resultView->clear();
    statusLabel->setText(QStringLiteral("Waiting for the device..."));
    wait_->start();
  });
}

void MaskReadWriteDialog::CheckOutcome() {
  const auto record = Record();
  if (!record) {
    wait_->stop();
    return;
  }
  const mms::WriteOutcome outcome = record->LastWriteOutcome();
  if (outcome.Sequence == sentAfter_ || outcome.Function != WriteFunction) return;
  wait_->stop();
  statusLabel->setText(ResultText(outcome));
  if (outcome.Function != 23 || outcome.WordCount == 0) return;
  QStringList lines;
  for (const mms::RangeRow& row :
       mms::RangeRows(false, readAddress_, outcome.WordCount, outcome.Words.data(),
                      outcome.WordCount, Format, DecimalSeparator())) {
    lines << QStringLiteral("%1: %2").arg(
        QString::fromStdString(mms::AddressText(row.Address, AddressShownAs)),
        QString::fromStdString(row.Text));
  }
  resultView->setPlainText(lines.join(QLatin1Char('\n')));
}
