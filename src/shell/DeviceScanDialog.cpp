#include "shell/DeviceScanDialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "modbus/ModbusProtocol.h"
#include "shell/DialogSupport.h"

namespace {

QSpinBox* SpinBox(const char* name, int min, int max, int value) {
  auto* box = new QSpinBox;
  box->setObjectName(QString::fromLatin1(name));
  box->setRange(min, max);
  box->setValue(value);
  return box;
}

enum Column { kIdColumn, kReplyColumn, kTimeColumn };

}  // namespace

DeviceScanDialog::DeviceScanDialog(mms::PollingThread& pool, mms::UiDispatcher& dispatcher,
                                   QWidget* parent)
    : QDialog(parent), pool_(pool), dispatcher_(dispatcher) {
  setObjectName(QStringLiteral("DeviceScanDialog"));
  setWindowTitle(QStringLiteral("Scan devices"));

  fromBox = SpinBox("fromBox", 1, 255, 1);
  toBox = SpinBox("toBox", 1, 255, 247);
  functionBox = new QComboBox;
  functionBox->setObjectName(QStringLiteral("functionBox"));
  functionBox->addItems({QStringLiteral("Coil status"), QStringLiteral("Input status"),
                         QStringLiteral("Holding registers"), QStringLiteral("Input registers")});
  functionBox->setCurrentIndex(2);
  addressBox = SpinBox("addressBox", 0, 65535, 0);
  countBox = SpinBox("countBox", 1, mms::kMaxReadRegisters, 1);
  timeoutBox = SpinBox("timeoutBox", 10, 10000, 100);
  timeoutBox->setSuffix(QStringLiteral(" ms"));
  auto* form = new QFormLayout;
  AddLabelledField(form, QStringLiteral("&From ID:"), fromBox);
  AddLabelledField(form, QStringLiteral("&To ID:"), toBox);
  AddLabelledField(form, QStringLiteral("F&unction:"), functionBox);
  AddLabelledField(form, QStringLiteral("&Address:"), addressBox);
  AddLabelledField(form, QStringLiteral("&Count:"), countBox);
  AddLabelledField(form, QStringLiteral("T&imeout:"), timeoutBox);

  startButton = new QPushButton(QStringLiteral("&Start"));
  startButton->setObjectName(QStringLiteral("startButton"));
  startButton->setDefault(true);
  stopButton = new QPushButton(QStringLiteral("St&op"));
  stopButton->setObjectName(QStringLiteral("stopButton"));
  stopButton->setEnabled(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(startButton);
  buttons->addWidget(stopButton);
  buttons->addStretch();

  progressBar = new QProgressBar;
  progressBar->setObjectName(QStringLiteral("progressBar"));
  progressBar->setAccessibleName(QStringLiteral("Scan progress"));
  progressBar->setValue(0);
  statusLabel = new QLabel;
  statusLabel->setObjectName(QStringLiteral("statusLabel"));
  statusLabel->setAccessibleName(QStringLiteral("Scan status"));

  foundList = new QTreeWidget;
  foundList->setObjectName(QStringLiteral("foundList"));
  foundList->setAccessibleName(QStringLiteral("Devices found"));
  foundList->setRootIsDecorated(false);
  foundList->setHeaderLabels(
      {QStringLiteral("ID"), QStringLiteral("Reply"), QStringLiteral("Response (ms)")});
  foundList->header()->setSectionResizeMode(kReplyColumn, QHeaderView::Stretch);
  foundList->header()->setStretchLastSection(false);
  foundList->setMinimumSize(480, 200);
  foundList->installEventFilter(this);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  layout->addWidget(progressBar);
  layout->addWidget(statusLabel);
  layout->addWidget(foundList, 1);

  connect(startButton, &QPushButton::clicked, this, &DeviceScanDialog::StartScan);
  connect(stopButton, &QPushButton::clicked, this, &DeviceScanDialog::StopScan);
  connect(foundList, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { OpenItem(item); });
  connect(functionBox, &QComboBox::currentIndexChanged, this, [this](int index) {
    countBox->setMaximum(index < 2 ? mms::kMaxReadBits : mms::kMaxReadRegisters);
  });
}

DeviceScanDialog::~DeviceScanDialog() {
  if (scan_) scan_->Stop();
}

mms::ScanSettings DeviceScanDialog::Settings() const {
  mms::ScanSettings settings;
  settings.FirstId = static_cast<uint8_t>(fromBox->value());
  settings.LastId = static_cast<uint8_t>(toBox->value());
  settings.Function = static_cast<uint8_t>(functionBox->currentIndex() + 1);
  settings.Address = static_cast<uint16_t>(addressBox->value());
  settings.Count = static_cast<uint16_t>(countBox->value());
  settings.TimeoutMs = timeoutBox->value();
  return settings;
}

void DeviceScanDialog::StartScan() {
  if (scan_) return;
  foundList->clear();
  found_ = 0;
  progressBar->setValue(0);
  if (connected && !connected()) {
    statusLabel->setText(QStringLiteral("Not connected: connect first, then scan."));
    return;
  }
  running_ = Settings();
  if (running_.LastId < running_.FirstId) {
    statusLabel->setText(QStringLiteral("The last ID must not come before the first."));
    return;
  }
  progressBar->setRange(0, running_.LastId - running_.FirstId + 1);
  statusLabel->setText(QStringLiteral("Scanning..."));
  startButton->setEnabled(false);
  stopButton->setEnabled(true);
  QPointer<DeviceScanDialog> self(this);
  scan_ = mms::DeviceScan::Start(pool_, dispatcher_, running_, [self](const mms::ScanStep& step) {
    if (self) self->ShowStep(step);
  });
}

void DeviceScanDialog::StopScan() {
  if (!scan_) return;
  Finish(QStringLiteral("Stopped; %1 found.").arg(found_));
}

void DeviceScanDialog::Finish(const QString& status) {
  if (scan_) scan_->Stop();
  scan_.reset();
  statusLabel->setText(status);
  startButton->setEnabled(true);
  stopButton->setEnabled(false);
  startButton->setFocus();
}

void DeviceScanDialog::ShowStep(const mms::ScanStep& step) {
  if (!scan_) return;
  if (step.Cancelled) {
    Finish(QStringLiteral("Not connected: the scan ended; %1 found.").arg(found_));
    return;
  }
  progressBar->setValue(step.DeviceId - running_.FirstId + 1);
  if (step.Answered) {
    ++found_;
    auto* item = new QTreeWidgetItem(foundList);
    item->setText(kIdColumn, QString::number(step.DeviceId));
    item->setData(kIdColumn, Qt::UserRole, step.DeviceId);
    item->setText(kReplyColumn, QString::fromStdString(step.ReplyText));
    item->setText(kTimeColumn, step.ResponseMicros < 0
                                   ? QStringLiteral("-")
                                   : QString::number(step.ResponseMicros / 1000.0, 'f', 1));
  }
  if (step.Finished) {
    Finish(QStringLiteral("Done; %1 found.").arg(found_));
  } else {
    statusLabel->setText(
        QStringLiteral("Scanning ID %1...; %2 found.").arg(step.DeviceId + 1).arg(found_));
  }
}

QTreeWidgetItem* DeviceScanDialog::FoundItem(int deviceId) const {
  for (int i = 0; i < foundList->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = foundList->topLevelItem(i);
    if (item->data(kIdColumn, Qt::UserRole).toInt() == deviceId) return item;
  }
  return nullptr;
}

void DeviceScanDialog::OpenItem(QTreeWidgetItem* item) {
  if (!item || !openWindow) return;
  openWindow(running_, item->data(kIdColumn, Qt::UserRole).toInt());
}

bool DeviceScanDialog::eventFilter(QObject* watched, QEvent* event) {
  // Enter on a found ID opens it, as a click does; not Return's other meaning
  // here, the default button.
  if (watched == foundList && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && foundList->currentItem()) {
      OpenItem(foundList->currentItem());
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void DeviceScanDialog::done(int result) {
  // Closing the dialog ends the scan.
  StopScan();
  QDialog::done(result);
}
