// The CSV commands of the File menu: Export to CSV, Import from CSV, Log to CSV.
#include <QAction>
#include <QFileDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>

#include "common/Errors.h"
#include "datawindow/DataWindow.h"
#include "shell/CsvCommands.h"
#include "shell/CsvLogDialog.h"
#include "shell/MainWindow.h"
#include "ui/ErrorBox.h"

void MainWindow::ExportCsv() {
  RunCommand(this, [this] {
    QPointer<DataWindow> window = ActiveDataWindow();
    if (!window) return;
    const QString path = ChooseFile(exportCsvDialog);
    if (path.isEmpty() || !window) return;
    mms::ExportWindowCsv(*window, path);
  });
}

void MainWindow::ImportCsv() {
  RunCommand(this, [this] {
    QPointer<DataWindow> window = ActiveDataWindow();
    if (!window) return;
    const QString path = ChooseFile(importCsvDialog);
    if (path.isEmpty() || !window) return;
    const QString report = mms::ImportRegisterMap(*window, path);
    if (!report.isEmpty()) {
      QMessageBox box(QMessageBox::Warning, QStringLiteral("Import from CSV"), report,
                      QMessageBox::Ok, this);
      box.setObjectName(QStringLiteral("importReportBox"));
      box.exec();
    }
  });
}

bool MainWindow::CsvLogActive() const { return csvLogging_ && csvLogging_->Active(); }

void MainWindow::LogCsv() {
  if (!observers_) return;
  if (!csvLogging_) csvLogging_ = new CsvLogging(*this, *observers_);
  if (csvLogging_->Active()) {
    csvLogging_->Stop();
    logCsvAction->setText(QStringLiteral("Log to CSV..."));
    return;
  }
  RunCommand(this, [this] {
    CsvLogDialog dialog(this);
    for (int slot = 0; slot < state_.DataWindows.WindowCount(); ++slot) {
      if (const DataWindow* window = WindowAt(slot)) dialog.AddWindow(slot, window->windowTitle());
    }
    if (dialog.windowList->count() == 0) throw mms::Error("No data window is open");
    if (!lastFolder_.isEmpty()) dialog.SetFileName(lastFolder_ + QStringLiteral("/log.csv"));
    if (dialog.exec() != QDialog::Accepted) return;
    csvLogging_->Start(dialog.FileName(), dialog.ChosenSlots());
    logCsvAction->setText(QStringLiteral("Stop logging to CSV"));
  });
}
