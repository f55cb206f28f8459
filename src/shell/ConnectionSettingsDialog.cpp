#include "shell/ConnectionSettingsDialog.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "common/IniFile.h"
#include "modbus/ConnectionSettings.h"
#include "shell/DialogSupport.h"
#include "ui/ErrorBox.h"

ConnectionSettingsDialog* gConnectionSettingsDialog = nullptr;

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

constexpr int kPortDescriptionRole = Qt::UserRole + 1;

// The Port list shows an adapter's description beside its name; the edit
// text (an editable box takes the edit role) stays the name alone.
class PortListModel : public QStandardItemModel {
 public:
  using QStandardItemModel::QStandardItemModel;
  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::DisplayRole) {
      const QString description = QStandardItemModel::data(index, kPortDescriptionRole).toString();
      if (!description.isEmpty())
        return QStandardItemModel::data(index, Qt::EditRole).toString() +
               QStringLiteral("   (%1)").arg(description);
    }
    return QStandardItemModel::data(index, role);
  }
};

void FillPortList(QComboBox* box) {
  for (const mms::PortChoice& port : mms::SerialPortChoices()) {
    box->addItem(QString::fromStdString(port.Name));
    if (!port.Description.empty())
      box->setItemData(box->count() - 1, QString::fromStdString(port.Description),
                       kPortDescriptionRole);
  }
  // Long adapter names widen the open list, never the dialog.
  box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  box->setMinimumContentsLength(8);
  box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 24);
}

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

}  // namespace

ConnectionSettingsDialog::ConnectionSettingsDialog(QWidget* parent)
    : QDialog(parent, FixedDialogFlags()) {
  BuildControls();
  Initialise();
}

void ConnectionSettingsDialog::BuildControls() {
  setObjectName(QStringLiteral("ConnectionSettingsDialog"));
  setWindowTitle(QStringLiteral("Connection settings"));

  auto* protocol = new QGroupBox(QStringLiteral("Protocol"), this);
  rtuButton = new QRadioButton(QStringLiteral("Modbus RTU"), protocol);
  rtuButton->setObjectName(QStringLiteral("rtuButton"));
  rtuButton->setChecked(true);
  tcpButton = new QRadioButton(QStringLiteral("Modbus TCP"), protocol);
  tcpButton->setObjectName(QStringLiteral("tcpButton"));
  rtuOverTcpButton = new QRadioButton(QStringLiteral("Modbus RTU &over TCP"), protocol);
  rtuOverTcpButton->setObjectName(QStringLiteral("rtuOverTcpButton"));
  rtuOverTcpButton->setAccessibleName(QStringLiteral("Modbus RTU over TCP"));
  udpButton = new QRadioButton(QStringLiteral("Modbus &UDP"), protocol);
  udpButton->setObjectName(QStringLiteral("udpButton"));
  udpButton->setAccessibleName(QStringLiteral("Modbus UDP"));
  auto* protocolLayout = new QGridLayout(protocol);
  protocolLayout->addWidget(rtuButton, 0, 0);
  protocolLayout->addWidget(tcpButton, 0, 1);
  protocolLayout->addWidget(rtuOverTcpButton, 1, 0);
  protocolLayout->addWidget(udpButton, 1, 1);

  rtuGroup = new QGroupBox(QStringLiteral("Modbus RTU "), this);
  rtuGroup->setObjectName(QStringLiteral("rtuGroup"));
  portBox = MakeComboBox("portBox", {}, rtuGroup);
  portBox->setModel(new PortListModel(portBox));
  FillPortList(portBox);
  portBox->setCurrentText(QStringLiteral("COM1"));
  bitrateBox =
      MakeComboBox("bitrateBox",
                   {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}, rtuGroup);
  bitrateBox->setCurrentText(QStringLiteral("115200"));
  parityBox = MakeComboBox("parityBox", {"NONE", "ODD", "EVEN", "MARK", "SPACE"}, rtuGroup);
  stopBitsBox = MakeComboBox("stopBitsBox", {"1", "2"}, rtuGroup);
  auto* rtuLayout = new QFormLayout(rtuGroup);
  AddLabelledField(rtuLayout, QStringLiteral("Port"), portBox);
  AddLabelledField(rtuLayout, QStringLiteral("Bitrate"), bitrateBox);
  AddLabelledField(rtuLayout, QStringLiteral("Parity"), parityBox);
  AddLabelledField(rtuLayout, QStringLiteral("Stop bits"), stopBitsBox);
  rs485Box = new QCheckBox(QStringLiteral("RS-&485: driver switches RTS"), rtuGroup);
  rs485Box->setObjectName(QStringLiteral("rs485Box"));
  rs485Box->setAccessibleName(QStringLiteral("RS-485: driver switches RTS"));
  rtuLayout->addRow(rs485Box);
  rs485BeforeEdit = MakeEdit("rs485BeforeEdit", QStringLiteral("0"), rtuGroup);
  rs485AfterEdit = MakeEdit("rs485AfterEdit", QStringLiteral("0"), rtuGroup);
  AddLabelledField(rtuLayout, QStringLiteral("RTS before send (ms)"), rs485BeforeEdit);
  AddLabelledField(rtuLayout, QStringLiteral("RTS after send (ms)"), rs485AfterEdit);

  tcpGroup = new QGroupBox(QStringLiteral("Modbus TCP"), this);
  tcpGroup->setObjectName(QStringLiteral("tcpGroup"));
  ipAddressEdit = MakeEdit("ipAddressEdit", QStringLiteral("127.0.0.1"), tcpGroup);
  tcpPortEdit = MakeEdit("tcpPortEdit", QStringLiteral("502"), tcpGroup);
  auto* tcpLayout = new QFormLayout(tcpGroup);
  AddLabelledField(tcpLayout, QStringLiteral("IP address :"), ipAddressEdit);
  AddLabelledField(tcpLayout, QStringLiteral("TCP port :"), tcpPortEdit);

  generalGroup = new QGroupBox(QStringLiteral("General"), this);
  generalGroup->setObjectName(QStringLiteral("eneralGroup"));
  timeoutEdit = MakeEdit("timeoutEdit", QStringLiteral("1000"), generalGroup);
  delayEdit = MakeEdit("delayEdit", QStringLiteral("10"), generalGroup);
  auto* generalLayout = new QFormLayout(generalGroup);
  AddLabelledField(generalLayout, QStringLiteral("Timeout (ms)"), timeoutEdit);
  AddLabelledField(generalLayout, QStringLiteral("Delay between polls (ms)"), delayEdit);

  QHBoxLayout* buttons = OkCancelRow(this, okButton, cancelButton);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(protocol);
  layout->addWidget(rtuGroup);
  layout->addWidget(tcpGroup);
  layout->addWidget(generalGroup);
  layout->addStretch();
  layout->addLayout(buttons);

  SetTabOrder({rtuButton, tcpButton, rtuOverTcpButton, udpButton, portBox, bitrateBox, parityBox,
               stopBitsBox, rs485Box, rs485BeforeEdit, rs485AfterEdit, ipAddressEdit, tcpPortEdit,
               timeoutEdit, delayEdit, okButton, cancelButton});
  FixClientSize(this, 242, 434);

  // toggled for a change however made; clicked too: choosing the protocol
  // already chosen toggles nothing, yet must apply its rule (the fields
  // start all enabled).
  for (QRadioButton* button : {rtuButton, tcpButton, rtuOverTcpButton, udpButton}) {
    connect(button, &QRadioButton::toggled, this, [this] { ApplyProtocolChoice(); });
    connect(button, &QRadioButton::clicked, this, [this] { ApplyProtocolChoice(); });
  }
  connect(rs485Box, &QCheckBox::toggled, this, [this] { ApplyRs485Choice(); });
  connect(okButton, &QPushButton::clicked, this, &ConnectionSettingsDialog::OkClicked);
  connect(cancelButton, &QPushButton::clicked, this, &ConnectionSettingsDialog::CancelClicked);
}

void ConnectionSettingsDialog::Initialise() {
  const mms::IniFile file(mms::SettingsFilePath());
  const mms::ConnectionDialogValues v = mms::ReadConnectionDialogValues(file);
  portBox->setCurrentText(Q(v.port));
  bitrateBox->setCurrentText(Q(v.bitrate));
  parityBox->setCurrentText(Q(v.parity));
  stopBitsBox->setCurrentText(Q(v.stopBits));
  rs485Box->setChecked(v.rs485 == "1");
  rs485BeforeEdit->setText(Q(v.rs485DelayBeforeSend));
  rs485AfterEdit->setText(Q(v.rs485DelayAfterSend));
  ipAddressEdit->setText(Q(v.ipAddress));
  tcpPortEdit->setText(Q(v.tcpPort));
  timeoutEdit->setText(Q(v.timeout));
  delayEdit->setText(Q(v.delayBetweenPolls));
  // Only the exact text selects a mode reached by address; anything else
  // leaves every field enabled until the user picks a protocol.
  if (v.protocol == mms::kProtocolTcp) tcpButton->setChecked(true);
  if (v.protocol == mms::kProtocolRtuOverTcp) rtuOverTcpButton->setChecked(true);
  if (v.protocol == mms::kProtocolUdp) udpButton->setChecked(true);
  ApplyRs485Choice();
  placed_ = CentreOnShownMainWindow(this);
}

void ConnectionSettingsDialog::setVisible(bool visible) {
  // A main window not yet on screen at creation has no place to centre on.
  if (visible && !placed_) placed_ = CentreOnShownMainWindow(this);
  QDialog::setVisible(visible);
}

void ConnectionSettingsDialog::ApplyProtocolChoice() {
  const bool rtu = rtuButton->isChecked();
  for (QWidget* w : {static_cast<QWidget*>(rtuGroup), static_cast<QWidget*>(portBox),
                     static_cast<QWidget*>(bitrateBox), static_cast<QWidget*>(parityBox),
                     static_cast<QWidget*>(stopBitsBox), static_cast<QWidget*>(rs485Box)})
    w->setEnabled(rtu);
  for (QWidget* w : {static_cast<QWidget*>(tcpGroup), static_cast<QWidget*>(ipAddressEdit),
                     static_cast<QWidget*>(tcpPortEdit)})
    w->setEnabled(!rtu);
  ApplyRs485Choice();
}

void ConnectionSettingsDialog::ApplyRs485Choice() {
  const bool on = rs485Box->isEnabled() && rs485Box->isChecked();
  rs485BeforeEdit->setEnabled(on);
  rs485AfterEdit->setEnabled(on);
}

mms::ConnectionDialogValues ConnectionSettingsDialog::Values() const {
  mms::ConnectionDialogValues v;
  v.protocol = tcpButton->isChecked()          ? mms::kProtocolTcp
               : rtuOverTcpButton->isChecked() ? mms::kProtocolRtuOverTcp
               : udpButton->isChecked()        ? mms::kProtocolUdp
                                               : mms::kProtocolRtu;
  v.port = S(portBox->currentText());
  v.bitrate = S(bitrateBox->currentText());
  v.parity = S(parityBox->currentText());
  v.stopBits = S(stopBitsBox->currentText());
  v.rs485 = rs485Box->isChecked() ? "1" : "0";
  v.rs485DelayBeforeSend = S(rs485BeforeEdit->text());
  v.rs485DelayAfterSend = S(rs485AfterEdit->text());
  v.ipAddress = S(ipAddressEdit->text());
  v.tcpPort = S(tcpPortEdit->text());
  v.timeout = S(timeoutEdit->text());
  v.delayBetweenPolls = S(delayEdit->text());
  return v;
}

// All keys go to the file in one save, so a failed write leaves it as it was.
void ConnectionSettingsDialog::OkClicked() {
  const bool stored = RunCommand(this, [this] {
    mms::IniFile file(mms::SettingsFilePath());
    mms::WriteConnectionDialogValues(file, Values());
    file.Commit();
  });
  if (stored) accept();
}

void ConnectionSettingsDialog::CancelClicked() { reject(); }
