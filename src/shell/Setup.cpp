#include "shell/Setup.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/Conversions.h"
#include "shell/DialogSupport.h"
#include "shell/IniFile.h"
#include "shell/SettingsFile.h"
#include "ui/ErrorBox.h"

TSetupForm* SetupForm = nullptr;

TSetupForm::TSetupForm(QWidget* parent) : QDialog(parent, FixedDialogFlags()) { FormCreate(); }

void TSetupForm::FormCreate() {
  setObjectName(QStringLiteral("SetupForm"));
  setWindowTitle(QStringLiteral("SetupForm"));

  EScanRate = new QLineEdit(QStringLiteral("1000"), this);
  EScanRate->setObjectName(QStringLiteral("EScanRate"));
  auto* form = new QFormLayout;
  AddLabelledField(form, QStringLiteral("Scan rate (ms)"), EScanRate);

  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  Button2 = new QPushButton(QStringLiteral("Cancel"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);

  SetTabOrder({EScanRate, Button1, Button2});
  FixClientSize(this, 205, 90);
  connect(Button1, &QPushButton::clicked, this, &TSetupForm::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TSetupForm::Button2Click);
  placed_ = CentreOnShownMainWindow(this);
}

void TSetupForm::SetScanRateTarget(std::function<void(int32_t)> target) {
  scanRateTarget_ = std::move(target);
}

void TSetupForm::setVisible(bool visible) {
  if (visible && !isVisible()) {
    if (!placed_) placed_ = CentreOnShownMainWindow(this);
    FormShow();
  }
  QDialog::setVisible(visible);
}

void TSetupForm::FormShow() {
  const mms::IniFile file(mms::SettingsFilePath());
  EScanRate->setText(QString::fromStdString(mms::ReadScanRateText(file)));
  EScanRate->setFocus();
}

// The text is stored before it is converted, so a bad value is kept in the
// file as typed and reported here; the scan rate only changes once both
// steps succeed.
void TSetupForm::Button1Click() {
  const std::string text = EScanRate->text().toStdString();
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

void TSetupForm::Button2Click() { reject(); }
