#pragma once
#include <QList>
#include <QObject>
#include <QString>
#include <memory>

#include "log/CsvLogWriter.h"

class DataWindow;
class MainWindow;
class QLabel;
class QTimer;

namespace mms {
class CsvLogObserver;
class PollObserverFanOut;

// How a window shows its cells, for its CSV rows.
CellView CellViewOf(const DataWindow& window);

// "Export to CSV": the window's cells as it shows them now. Raises Error.
void ExportWindowCsv(const DataWindow& window, const QString& path);

// "Import from CSV": the register map's aliases placed into the window's
// alias cells (they are saved with the window). Returns what to tell the
// user about rows that were not placed ("" when all were). Raises Error.
QString ImportRegisterMap(DataWindow& window, const QString& path);

}  // namespace mms

// "Log to CSV...": one CSV data log of the chosen windows, from Start to
// Stop. While it runs the status bar says so, and the windows' captions,
// display formats and aliases are passed on to the writer every second.
class CsvLogging : public QObject {
 public:
  CsvLogging(MainWindow& main, mms::PollObserverFanOut& observers);
  ~CsvLogging() override;  // Stop()

  // Raises mms::Error when the file cannot be created.
  void Start(const QString& path, const QList<int>& windowSlots);
  void Stop();
  bool Active() const { return observer_ != nullptr; }

 private:
  void PassWindows();

  MainWindow& main_;
  mms::PollObserverFanOut& observers_;
  std::shared_ptr<mms::CsvLogWriter> writer_;
  std::shared_ptr<mms::CsvLogObserver> observer_;
  QList<int> slots_;
  QTimer* timer_ = nullptr;
  QLabel* panel_ = nullptr;
};
