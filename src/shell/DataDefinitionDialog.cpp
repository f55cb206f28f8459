#include "shell/DataDefinitionDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Conversions.h"
#include "common/IniFile.h"
#include "common/SettingsFile.h"
#include "shell/DialogSupport.h"
#include "ui/ErrorBox.h"

DataDefinitionDialog* gDataDefinitionDialog = nullptr;

DataDefinitionDialog::DataDefinitionDialog(QWidget* parent) : QDialog(parent, FixedDialogFlags()) {
  Initialise();
}

void DataDefinitionDialog::Initialise() {
  setObjectName(QStringLiteral("DataDefinitionDialog"));
  setWindowTitle(QStringLiteral("SetupForm"));

  scanRateEdit = new QLineEdit(QStringLiteral("1000"), this);
  scanRateEdit->setObjectName(QStringLiteral("scanRateEdit"));
  auto* form = new QFormLayout;
  AddLabelledField(form, QStringLiteral("Scan rate (ms)"), scanRateEdit);

  QHBoxLayout* buttons = OkCancelRow(this, okButton, cancelButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);

  SetTabOrder({scanRateEdit, okButton, cancelButton});
  FixClientSize(this, 205, 90);
  connect(okButton, &QPushButton::clicked, this, &DataDefinitionDialog::OkClicked);
  connect(cancelButton, &QPushButton::clicked, this, &DataDefinitionDialog::CancelClicked);
  placed_ = CentreOnShownMainWindow(this);
}

void DataDefinitionDialog::SetScanRateTarget(std::function<void(int32_t)> target) {
  scanRateTarget_ = std::move(target);
}

void DataDefinitionDialog::setVisible(bool visible) {
  if (visible && !isVisible()) {
    if (!placed_) placed_ = CentreOnShownMainWindow(this);
    PrepareToShow();
  }
  QDialog::setVisible(visible);
}

void DataDefinitionDialog::PrepareToShow() {
  const mms::IniFile file(mms::SettingsFilePath());
  scanRateEdit->setText(QString::fromStdString(mms::ReadScanRateText(file)));
  scanRateEdit->setFocus();
}

// The text is stored before it is converted, so a bad value is kept in the
// file as typed and reported here; the scan rate only changes once both
// steps succeed.
void DataDefinitionDialog::OkClicked() {
  const std::string text = scanRateEdit->text().toStdString();
  if (text.empty()) return;
  const bool done = RunCommand(this, [this, &text] {
    mms::IniFile file(mms::SettingsFilePath());
    mms::WriteScanRateText(file, text);
    file.Commit();
    const int32_t scanRate = mms::StrToInt(text);
    if (scanRateTarget_) scanRateTarget_(scanRate);
  });
  if (done) accept();
}

void DataDefinitionDialog::CancelClicked() { reject(); }
