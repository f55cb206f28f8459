#include "shell/Settings.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "modbus/ConnectionSettings.h"
#include "shell/DialogSupport.h"
#include "shell/IniFile.h"
#include "ui/ErrorBox.h"

TFormSettings* FormSettings = nullptr;

namespace {

QComboBox* MakeComboBox(const char* name, const QStringList& items, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setEditable(true);
  // A typed name (COM12, /dev/ttyUSB0) is taken as it stands, not added to the list.
  box->setInsertPolicy(QComboBox::NoInsert);
  box->addItems(items);
  return box;
}

QLineEdit* MakeEdit(const char* name, const QString& text, QWidget* parent) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(QString::fromLatin1(name));
  return edit;
}

QStringList PortChoices() {
  QStringList ports;
  for (const std::string& port : mms::SerialPortChoices()) ports << QString::fromStdString(port);
  return ports;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

}  // namespace

TFormSettings::TFormSettings(QWidget* parent) : QDialog(parent, FixedDialogFlags()) {
  BuildControls();
  FormCreate();
}

void TFormSettings::BuildControls() {
  setObjectName(QStringLiteral("FormSettings"));
  setWindowTitle(QStringLiteral("Connection settings"));

  auto* protocol = new QGroupBox(QStringLiteral("Protocol"), this);
  RadioButton1 = new QRadioButton(QStringLiteral("Modbus RTU"), protocol);
  RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
  RadioButton1->setChecked(true);
  RadioButton2 = new QRadioButton(QStringLiteral("Modbus TCP"), protocol);
  RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
  auto* protocolLayout = new QHBoxLayout(protocol);
  protocolLayout->addWidget(RadioButton1);
  protocolLayout->addWidget(RadioButton2);

  GroupBox1 = new QGroupBox(QStringLiteral("Modbus RTU "), this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  ComboBox1 = MakeComboBox("ComboBox1", PortChoices(), GroupBox1);
  ComboBox1->setCurrentText(QStringLiteral("COM1"));
  ComboBox2 = MakeComboBox("ComboBox2",
                           {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"},
                           GroupBox1);
  ComboBox2->setCurrentText(QStringLiteral("115200"));
  ComboBox3 = MakeComboBox("ComboBox3", {"NONE", "ODD", "EVEN", "MARK", "SPACE"}, GroupBox1);
  ComboBox4 = MakeComboBox("ComboBox4", {"1", "2"}, GroupBox1);
  auto* rtuLayout = new QFormLayout(GroupBox1);
  AddLabelledField(rtuLayout, QStringLiteral("Port"), ComboBox1);
  AddLabelledField(rtuLayout, QStringLiteral("Bitrate"), ComboBox2);
  AddLabelledField(rtuLayout, QStringLiteral("Parity"), ComboBox3);
  AddLabelledField(rtuLayout, QStringLiteral("Stop bits"), ComboBox4);

  GroupBox2 = new QGroupBox(QStringLiteral("Modbus TCP"), this);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  Edit3 = MakeEdit("Edit3", QStringLiteral("127.0.0.1"), GroupBox2);
  Edit4 = MakeEdit("Edit4", QStringLiteral("502"), GroupBox2);
  auto* tcpLayout = new QFormLayout(GroupBox2);
  AddLabelledField(tcpLayout, QStringLiteral("IP address :"), Edit3);
  AddLabelledField(tcpLayout, QStringLiteral("TCP port :"), Edit4);

  GroupBox4 = new QGroupBox(QStringLiteral("General"), this);
  GroupBox4->setObjectName(QStringLiteral("GroupBox4"));
  Edit1 = MakeEdit("Edit1", QStringLiteral("1000"), GroupBox4);
  Edit2 = MakeEdit("Edit2", QStringLiteral("10"), GroupBox4);
  auto* generalLayout = new QFormLayout(GroupBox4);
  AddLabelledField(generalLayout, QStringLiteral("Timeout (ms)"), Edit1);
  AddLabelledField(generalLayout, QStringLiteral("Delay between polls (ms)"), Edit2);

  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(protocol);
  layout->addWidget(GroupBox1);
  layout->addWidget(GroupBox2);
  layout->addWidget(GroupBox4);
  layout->addStretch();
  layout->addLayout(buttons);

  SetTabOrder({RadioButton1, RadioButton2, ComboBox1, ComboBox2, ComboBox3, ComboBox4, Edit3, Edit4,
               Edit1, Edit2, BitBtn1, BitBtn2});
  FixClientSize(this, 242, 434);

  connect(RadioButton1, &QRadioButton::toggled, this, [this] { RadioButton1Click(); });
  connect(RadioButton2, &QRadioButton::toggled, this, [this] { RadioButton1Click(); });
  connect(BitBtn1, &QPushButton::clicked, this, &TFormSettings::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TFormSettings::BitBtn2Click);
}

void TFormSettings::FormCreate() {
  const mms::IniFile file(mms::SettingsFilePath());
  const mms::ConnectionDialogValues v = mms::ReadConnectionDialogValues(file);
  ComboBox1->setCurrentText(Q(v.port));
  ComboBox2->setCurrentText(Q(v.bitrate));
  ComboBox3->setCurrentText(Q(v.parity));
  ComboBox4->setCurrentText(Q(v.stopBits));
  Edit3->setText(Q(v.ipAddress));
  Edit4->setText(Q(v.tcpPort));
  Edit1->setText(Q(v.timeout));
  Edit2->setText(Q(v.delayBetweenPolls));
  // Only the exact text selects TCP; anything else leaves every field enabled
  // until the user picks a protocol.
  if (v.protocol == mms::kProtocolTcp) RadioButton2->setChecked(true);
  placed_ = CentreOnShownMainWindow(this);
}

void TFormSettings::setVisible(bool visible) {
  // A main window not yet on screen at creation has no place to centre on.
  if (visible && !placed_) placed_ = CentreOnShownMainWindow(this);
  QDialog::setVisible(visible);
}

void TFormSettings::RadioButton1Click() {
  const bool rtu = RadioButton1->isChecked();
  for (QWidget* w : {static_cast<QWidget*>(GroupBox1), static_cast<QWidget*>(ComboBox1),
                     static_cast<QWidget*>(ComboBox2), static_cast<QWidget*>(ComboBox3),
                     static_cast<QWidget*>(ComboBox4)})
    w->setEnabled(rtu);
  for (QWidget* w : {static_cast<QWidget*>(GroupBox2), static_cast<QWidget*>(Edit3),
                     static_cast<QWidget*>(Edit4)})
    w->setEnabled(!rtu);
}

mms::ConnectionDialogValues TFormSettings::Values() const {
  mms::ConnectionDialogValues v;
  v.protocol = RadioButton1->isChecked() ? mms::kProtocolRtu : mms::kProtocolTcp;
  v.port = S(ComboBox1->currentText());
  v.bitrate = S(ComboBox2->currentText());
  v.parity = S(ComboBox3->currentText());
  v.stopBits = S(ComboBox4->currentText());
  v.ipAddress = S(Edit3->text());
  v.tcpPort = S(Edit4->text());
  v.timeout = S(Edit1->text());
  v.delayBetweenPolls = S(Edit2->text());
  return v;
}

// All keys go to the file in one save, so a failed write leaves it as it was.
void TFormSettings::BitBtn1Click() {
  const bool stored = RunCommand(this, [this] {
    mms::IniFile file(mms::SettingsFilePath());
    mms::WriteConnectionDialogValues(file, Values());
    file.Commit();
  });
  if (stored) accept();
}

void TFormSettings::BitBtn2Click() { reject(); }
