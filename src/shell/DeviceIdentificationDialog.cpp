#include "shell/DeviceIdentificationDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

DeviceIdentificationDialog::DeviceIdentificationDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("DeviceIdentificationDialog"));
  setWindowTitle(QStringLiteral("Device identification"));
  reportEdit = new QPlainTextEdit(this);
  reportEdit->setObjectName(QStringLiteral("reportEdit"));
  reportEdit->setAccessibleName(QStringLiteral("Device identification"));
  reportEdit->setReadOnly(true);
  // Read-only, yet the keyboard can still select and copy parts of it.
  reportEdit->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  reportEdit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  reportEdit->setMinimumSize(440, 280);

  copyButton = new QPushButton(QStringLiteral("&Copy"), this);
  copyButton->setObjectName(QStringLiteral("copyButton"));
  closeButton = new QPushButton(QStringLiteral("Close"), this);
  closeButton->setObjectName(QStringLiteral("closeButton"));
  closeButton->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(copyButton);
  buttons->addWidget(closeButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(reportEdit);
  layout->addLayout(buttons);

  connect(copyButton, &QPushButton::clicked, this, &DeviceIdentificationDialog::CopyReport);
  connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
}

void DeviceIdentificationDialog::ShowAsking(int deviceId) {
  reportEdit->setPlainText(QStringLiteral("Asking device %1...").arg(deviceId));
  copyButton->setEnabled(false);
}

void DeviceIdentificationDialog::ShowReport(const QString& text) {
  reportEdit->setPlainText(text);
  copyButton->setEnabled(true);
}

void DeviceIdentificationDialog::CopyReport() {
  QApplication::clipboard()->setText(reportEdit->toPlainText());
}
