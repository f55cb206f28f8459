#include "shell/CsvCommands.h"

#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>

#include "common/IniFile.h"
#include "datawindow/DataWindow.h"
#include "datawindow/GridLayout.h"
#include "datawindow/RegisterMap.h"
#include "modbus/PollObservers.h"
#include "shell/MainWindow.h"
#include "ui/DecimalSeparator.h"

namespace mms {
namespace {

int CellCount(const DataWindow& window) {
  return std::min<int>(window.Record()->Poll().Length, kMaxGridLength);
}

}  // namespace

CellView CellViewOf(const DataWindow& window) {
  CellView view;
  view.Format = CellFormat{window.Format(), window.Ascii(), DecimalSeparator()};
  view.Base = window.AddressShownAs().Base;
  const int cells = CellCount(window);
  for (int k = 0; k < cells; ++k) view.Aliases.push_back(window.Model().AliasShownAt(k));
  return view;
}

void ExportWindowCsv(const DataWindow& window, const QString& path) {
  const PollDefinition poll = window.Record()->Poll();
  uint16_t words[kMaxGridLength] = {};
  const int count = window.Model().PolledWords(0, words, kMaxGridLength);
  const auto rows = CellRows(poll.Function, poll.Address, words, static_cast<size_t>(count),
                             static_cast<size_t>(CellCount(window)), CellViewOf(window));
  CommitFileText(path.toStdString(), CellRowsCsv(rows));
}

QString ImportRegisterMap(DataWindow& window, const QString& path) {
  const PollDefinition poll = window.Record()->Poll();
  const RegisterMap map =
      LoadRegisterMap(path.toStdString(), poll.Address, CellCount(window), window.AddressShownAs());
  for (const auto& [offset, alias] : map.Aliases) {
    window.Model().SetAlias(offset, alias);
    // Through the grid's own item, so the values and any alias typed into
    // the grid stay as they are.
    const GridCell cell = AliasCellOfOffset(offset);
    QTableWidgetItem* item = window.grid->item(cell.Row - 1, cell.Col - 1);
    if (!item) {
      item = new QTableWidgetItem;
      window.grid->setItem(cell.Row - 1, cell.Col - 1, item);
    }
    item->setText(QString::fromStdString(alias));
  }
  return QString::fromStdString(RegisterMapReport(map));
}

}  // namespace mms

CsvLogging::CsvLogging(MainWindow& main, mms::PollObserverFanOut& observers)
    : QObject(&main), main_(main), observers_(observers) {
  timer_ = new QTimer(this);
  timer_->setInterval(1000);
  connect(timer_, &QTimer::timeout, this, &CsvLogging::PassWindows);
  panel_ = new QLabel(main.statusBarWidget);
  panel_->setObjectName(QStringLiteral("csvLogPanel"));
  panel_->setAccessibleName(QStringLiteral("CSV log"));
  panel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel_->setTextFormat(Qt::PlainText);
  main.statusBarWidget->addPermanentWidget(panel_);
  panel_->hide();
}

CsvLogging::~CsvLogging() { Stop(); }

void CsvLogging::Start(const QString& path, const QList<int>& windowSlots) {
  Stop();
  writer_ = std::make_shared<mms::CsvLogWriter>();
  writer_->Start(path.toStdString());
  slots_ = windowSlots;
  panel_->setToolTip(path);
  PassWindows();
  observer_ = std::make_shared<mms::CsvLogObserver>(writer_);
  observers_.Add(observer_);
  timer_->start();
  panel_->show();
}

void CsvLogging::Stop() {
  timer_->stop();
  if (observer_) observers_.Remove(observer_.get());
  observer_.reset();
  if (writer_) writer_->Stop();  // the last rows go out before it returns
  writer_.reset();
  panel_->hide();
}

void CsvLogging::PassWindows() {
  if (!writer_) return;
  // No poll goes missing silently: a full queue or a failed write shows here.
  QString text = QStringLiteral("Logging to %1").arg(QFileInfo(panel_->toolTip()).fileName());
  if (writer_->Dropped()) text += QStringLiteral(", %1 polls dropped").arg(writer_->Dropped());
  if (writer_->WriteErrors()) text += QStringLiteral(", write error");
  panel_->setText(text);
  for (int slot : slots_) {
    const DataWindow* window = main_.WindowAt(slot);
    if (!window) continue;  // closed: its slot is polled no more
    writer_->SetWindow(slot, {window->windowTitle().toStdString(), mms::CellViewOf(*window)});
  }
}
