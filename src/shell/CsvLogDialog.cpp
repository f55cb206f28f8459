#include "shell/CsvLogDialog.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/DialogSupport.h"
#include "ui/ErrorBox.h"

CsvLogDialog::CsvLogDialog(QWidget* parent) : QDialog(parent, FixedDialogFlags()) {
  setObjectName(QStringLiteral("csvLogDialog"));
  setWindowTitle(QStringLiteral("Log to CSV"));

  auto* windowsLabel = new QLabel(QStringLiteral("&Windows to log:"), this);
  windowList = new QListWidget(this);
  windowList->setObjectName(QStringLiteral("windowList"));
  windowList->setAccessibleName(QStringLiteral("Windows to log"));
  windowsLabel->setBuddy(windowList);

  auto* fileLabel = new QLabel(QStringLiteral("&File:"), this);
  fileEdit = new QLineEdit(this);
  fileEdit->setObjectName(QStringLiteral("fileEdit"));
  fileEdit->setAccessibleName(QStringLiteral("File"));
  fileLabel->setBuddy(fileEdit);
  browseButton = new QPushButton(QStringLiteral("&Browse..."), this);
  browseButton->setObjectName(QStringLiteral("browseButton"));
  connect(browseButton, &QPushButton::clicked, this, &CsvLogDialog::Browse);

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(fileLabel);
  fileRow->addWidget(fileEdit, 1);
  fileRow->addWidget(browseButton);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(windowsLabel);
  layout->addWidget(windowList, 1);
  layout->addLayout(fileRow);
  layout->addLayout(OkCancelRow(this, okButton, cancelButton));
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  SetTabOrder({windowList, fileEdit, browseButton, okButton, cancelButton});
  resize(420, 320);
}

void CsvLogDialog::AddWindow(int slot, const QString& caption) {
  auto* item = new QListWidgetItem(caption, windowList);
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  item->setCheckState(Qt::Checked);
  item->setData(Qt::UserRole, slot);
}

void CsvLogDialog::SetFileName(const QString& path) { fileEdit->setText(path); }

QString CsvLogDialog::FileName() const { return fileEdit->text().trimmed(); }

QList<int> CsvLogDialog::ChosenSlots() const {
  QList<int> chosen;
  for (int i = 0; i < windowList->count(); ++i) {
    const QListWidgetItem* item = windowList->item(i);
    if (item->checkState() == Qt::Checked) chosen.append(item->data(Qt::UserRole).toInt());
  }
  return chosen;
}

void CsvLogDialog::accept() {
  if (ChosenSlots().isEmpty()) return ShowErrorBox(this, QStringLiteral("Choose a window to log"));
  if (FileName().isEmpty()) return ShowErrorBox(this, QStringLiteral("Choose a file to log to"));
  QDialog::accept();
}

void CsvLogDialog::Browse() {
  QFileDialog dialog(this, QStringLiteral("Log to CSV"));
  dialog.setObjectName(QStringLiteral("csvLogFileDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(QStringLiteral("CSV files (*.csv);;All files (*)"));
  dialog.setDefaultSuffix(QStringLiteral("csv"));
  if (!FileName().isEmpty()) dialog.selectFile(FileName());
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    fileEdit->setText(dialog.selectedFiles().first());
}
