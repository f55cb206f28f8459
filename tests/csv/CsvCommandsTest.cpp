// Export to CSV and Import from CSV through the File menu, over real files.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "datawindow/DataWindow.h"
#include "datawindow/WindowFile.h"
#include "shell/AppState.h"
#include "shell/MainWindow.h"

namespace {

// Answers `dialog` with `path` once it shows.
void AnswerFileDialog(QFileDialog* dialog, const QString& path) {
  QTimer::singleShot(10, dialog, [dialog, path] {
    if (!dialog->isVisible()) return AnswerFileDialog(dialog, path);
    dialog->setDirectory(QFileInfo(path).absolutePath());
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
        ->setText(QFileInfo(path).fileName());
    QMetaObject::invokeMethod(dialog, "accept");
  });
}

// Closes the next message box once it shows, keeping its text.
void CloseMessageBox(QString* text) {
  QTimer::singleShot(10, [text] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return CloseMessageBox(text);
    *text = box->text();
    box->accept();
  });
}

}  // namespace

class CsvCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void exportWritesTheCellsAsShown();
  void importPlacesAliasesAndReportsTheRest();

 private:
  DataWindow* HoldingRegisterWindow();

  QTemporaryDir dir_;
  mms::AppState state_;
  std::unique_ptr<MainWindow> main_;
};

DataWindow* CsvCommandsTest::HoldingRegisterWindow() {
  main_ = std::make_unique<MainWindow>(state_);
  main_->show();
  if (!QTest::qWaitForWindowExposed(main_.get())) return nullptr;
  main_->newAction->trigger();
  DataWindow* window = main_->ActiveDataWindow();
  window->functionBox->setCurrentIndex(2);
  window->FunctionChanged();
  window->addressEdit->setText(QStringLiteral("100"));
  window->AddressChanged();
  window->lengthEdit->setText(QStringLiteral("4"));
  window->LengthChanged();
  window->SetAddressBase(mms::AddressBase::One);
  window->SetFormat(mms::ValueEncoding(mms::DisplayFormat::Integer));
  return window;
}

void CsvCommandsTest::exportWritesTheCellsAsShown() {
  DataWindow* window = HoldingRegisterWindow();
  QVERIFY(window);
  QVERIFY(main_->exportCsvAction->isEnabled());
  window->grid->item(0, 0)->setText(QStringLiteral("Flow, \"main\""));  // alias of 101
  const uint16_t words[] = {7, 65535, 300, 0};
  window->FillGrid(words);

  const QString path = dir_.filePath(QStringLiteral("export.csv"));
  AnswerFileDialog(main_->exportCsvDialog, path);
  main_->exportCsvAction->trigger();
  QFile file(path);
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(QString::fromUtf8(file.readAll()), QStringLiteral("address,alias,raw,value\r\n"
                                                             "101,\"Flow, \"\"main\"\"\",7,7\r\n"
                                                             "102,,65535,-1\r\n"
                                                             "103,,300,300\r\n"
                                                             "104,,0,0\r\n"));
}

void CsvCommandsTest::importPlacesAliasesAndReportsTheRest() {
  DataWindow* window = HoldingRegisterWindow();
  QVERIFY(window);
  const uint16_t words[] = {1, 2, 3, 4};
  window->FillGrid(words);
  const QString path = dir_.filePath(QStringLiteral("map.csv"));
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("address,alias,unit\n102,Pressure,bar\n104,\"Level, tank\"\n999,Far\nabc,Bad\n");
  file.close();

  QString report;
  CloseMessageBox(&report);
  AnswerFileDialog(main_->importCsvDialog, path);
  main_->importCsvAction->trigger();
  QCOMPARE(report, QStringLiteral("2 aliases imported.\n1 row lies outside the window's "
                                  "addresses.\n1 row has no numeric address: line 5."));
  QCOMPARE(window->grid->item(1, 0)->text(), QStringLiteral("Pressure"));
  QCOMPARE(window->grid->item(3, 0)->text(), QStringLiteral("Level, tank"));
  QCOMPARE(window->grid->item(0, 1)->text(), QStringLiteral("1"));  // values stay
  QCOMPARE(QString::fromStdString(window->ToWindowFile().Alias[1]), QStringLiteral("Pressure"));
}

QTEST_MAIN(CsvCommandsTest)
#include "CsvCommandsTest.moc"
