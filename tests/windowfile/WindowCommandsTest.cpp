// The window file and windows set commands of the main window, through its
// menu items and file dialogs, over real files.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "datawindow/DataWindow.h"
#include "datawindow/WindowFile.h"
#include "shell/AppState.h"
#include "common/Errors.h"
#include "shell/MainWindow.h"
#include "shell/WindowCommands.h"
#include "ui/ErrorBox.h"

namespace {

// Answers `dialog`, once it is showing, with `path` (or cancels it when the
// path is empty). Types the name as a user would, so that a file selected in
// an earlier showing does not win; a dialog that will not take the answer is
// cancelled rather than left hanging.
void AnswerFileDialog(QFileDialog* dialog, const QString& path, int attempts = 500) {
  QTimer::singleShot(10, dialog, [dialog, path, attempts] {
    if (!dialog->isVisible()) {
      if (attempts > 0) AnswerFileDialog(dialog, path, attempts - 1);
      return;
    }
    if (path.isEmpty()) {
      dialog->reject();
      return;
    }
    {
      const QFileInfo info(path);
      dialog->setDirectory(info.absolutePath());
      if (auto* list = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"))) {
        list->clearSelection();
      }
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (name) name->setText(info.fileName());
      QMetaObject::invokeMethod(dialog, "accept");
    }
    if (dialog->isVisible()) {
      qWarning("file dialog did not take %s", qPrintable(path));
      dialog->reject();
    }
  });
}

QString ReadText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(file.readAll());
}

void WriteText(const QString& path, const QByteArray& text) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
}

}  // namespace

class WindowCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void savedSetOfThreeWindowsComesBack();
  void setWithABadFileStopsThereWithoutAStrayWindow();
  void hugeSetStopsWhenTheTableIsFull();
  void openOfABadFileCreatesNoWindow();
  void failedSaveKeepsTheFileName();
  void setLeavesOutClosedAndUnsavedWindows();

 private:
  DataWindow* NewWindow();
  void CloseAllWindows();
  int OpenWindows() const;

  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<mms::AppState> state_;
  std::unique_ptr<MainWindow> main_;
  QStringList errors_;
};

void WindowCommandsTest::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  state_ = std::make_unique<mms::AppState>();
  main_ = std::make_unique<MainWindow>(*state_);
  main_->resize(1400, 1000);
  main_->show();
  QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
  errors_.clear();
  SetErrorBoxHook([this](const QString& text) { errors_ << text; });
}

void WindowCommandsTest::cleanup() {
  SetErrorBoxHook({});
  main_.reset();
  state_.reset();
  dir_.reset();
}

DataWindow* WindowCommandsTest::NewWindow() {
  main_->newAction->trigger();
  return main_->ActiveDataWindow();
}

void WindowCommandsTest::CloseAllWindows() {
  main_->MdiArea()->closeAllSubWindows();
  QTRY_COMPARE(main_->MdiArea()->subWindowList().size(), 0);
}

int WindowCommandsTest::OpenWindows() const { return main_->MdiArea()->subWindowList().size(); }

void WindowCommandsTest::savedSetOfThreeWindowsComesBack() {
  struct Setup {
    const char* device;
    const char* address;
    const char* length;
    int function;  // combo item
    QRect geometry;
    const char* alias;
    int32_t colour;
  };
  const Setup setups[] = {
      {"17", "100", "2", 2, QRect(20, 10, 705, 479), "Pressure", 255},
      {"5", "0", "25", 0, QRect(300, 40, 640, 400), "Pump on", -2147483643},
      {"247", "65535", "100", 3, QRect(0, 200, 720, 500), "Last", 0x00FF00},
  };
  QStringList paths;
  QList<mms::WindowFile> saved;
  for (int i = 0; i < 3; ++i) {
    const Setup& s = setups[i];
    DataWindow* w = NewWindow();
    QVERIFY(w);
    w->deviceIdEdit->setText(QString::fromLatin1(s.device));
    w->addressEdit->setText(QString::fromLatin1(s.address));
    w->lengthEdit->setText(QString::fromLatin1(s.length));
    w->functionBox->setCurrentIndex(s.function);
    w->FunctionChanged();
    w->SetWindowGeometry(s.geometry.width(), s.geometry.height(), s.geometry.top(),
                         s.geometry.left());
    w->grid->item(1, 0)->setText(QString::fromUtf8(s.alias));  // alias of offset 1
    w->Model().SetBgColorAt(1, s.colour);
    w->Model().SetThresholdAt(0, mms::CellThreshold{1, 2, -10, 10 + i, 0xFF, 0xFF00});

    paths << dir_->filePath(QStringLiteral("window%1.kvw").arg(i));
    AnswerFileDialog(main_->saveDialog, paths.last());
    main_->saveAction->trigger();  // never saved: asks for a path
    QCOMPARE(w->FileName, paths.last());
    QCOMPARE(w->windowTitle(), QStringLiteral("NONAME%1").arg(i + 1));  // saving keeps the caption
    saved << w->ToWindowFile();
    QCOMPARE(saved.last().Alias[1], std::string(s.alias));
    QCOMPARE(mms::LoadWindowFile(paths.last().toStdString()), saved.last());
  }
  QVERIFY(errors_.isEmpty());

  const QString set = dir_->filePath(QStringLiteral("three.kvs"));
  AnswerFileDialog(main_->saveSetDialog, set);
  main_->saveSetAction->trigger();
  QCOMPARE(ReadText(set), QStringLiteral("[Scene]\nFile0=%1\nFile1=%2\nFile2=%3\nNumOfFiles=3\n")
                              .arg(paths[0], paths[1], paths[2]));

  CloseAllWindows();
  QCOMPARE(state_->DataWindows.WindowCount(), 3);

  // Loading twice opens every window twice, each in a slot of its own.
  for (int round = 1; round <= 2; ++round) {
    AnswerFileDialog(main_->loadSetDialog, set);
    main_->loadSetAction->trigger();
    QVERIFY2(errors_.isEmpty(), qPrintable(errors_.join('\n')));
    QCOMPARE(OpenWindows(), 3 * round);
    QCOMPARE(state_->DataWindows.WindowCount(), 3 + 3 * round);
    for (int i = 0; i < 3; ++i) {
      const int slot = 3 * round + i;
      DataWindow* w = main_->WindowAt(slot);
      QVERIFY(w);
      QCOMPARE(w->SlotIndex, slot);
      QCOMPARE(w->FileName, paths[i]);
      QCOMPARE(w->windowTitle(), paths[i]);
      QCOMPARE(w->ToWindowFile(), saved[i]);
      // A saved size smaller than the form needs comes back as large as it needs.
      const QRect& g = setups[i].geometry;
      QCOMPARE(w->WindowGeometry(),
               QRect(g.topLeft(), g.size().expandedTo(w->parentWidget()->minimumSizeHint())));
      QCOMPARE(w->functionBox->currentIndex(), setups[i].function);
      QCOMPARE(w->grid->item(1, 0)->text(), QString::fromUtf8(setups[i].alias));
    }
  }

  // Save window now writes to the loaded file without asking.
  DataWindow* again = main_->WindowAt(6);
  main_->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(again->parentWidget()));
  again->deviceIdEdit->setText(QStringLiteral("99"));
  main_->saveAction->trigger();
  QCOMPARE(mms::LoadWindowFile(paths[0].toStdString()).DeviceID, 99);
}

void WindowCommandsTest::setWithABadFileStopsThereWithoutAStrayWindow() {
  const QString good = dir_->filePath(QStringLiteral("good.kvw"));
  const QString bad = dir_->filePath(QStringLiteral("bad.kvw"));
  WriteText(good, "[DataDefinition]\nDeviceID=3\n");
  WriteText(bad, "[DataDefinition]\nDeviceID=3\nLength=ten\n");
  const QString set = dir_->filePath(QStringLiteral("s.kvs"));
  WriteText(set, QStringLiteral("[Scene]\nNumOfFiles=3\nFile0=%1\nFile1=%2\nFile2=%1\n")
                     .arg(good, bad)
                     .toUtf8());

  AnswerFileDialog(main_->loadSetDialog, set);
  main_->loadSetAction->trigger();
  QCOMPARE(errors_, QStringList{QStringLiteral("'ten' is not a valid integer value.")});
  QCOMPARE(OpenWindows(), 1);
  QCOMPARE(state_->DataWindows.WindowCount(), 1);
  QCOMPARE(main_->WindowAt(0)->FileName, good);

  errors_.clear();
  WriteText(set, "[Scene]\nNumOfFiles=many\nFile0=x\n");
  AnswerFileDialog(main_->loadSetDialog, set);
  main_->loadSetAction->trigger();
  QCOMPARE(errors_, QStringList{QStringLiteral("'many' is not a valid integer value.")});
  QCOMPARE(OpenWindows(), 1);

  // A cancelled dialog does nothing.
  errors_.clear();
  AnswerFileDialog(main_->loadSetDialog, QString());
  main_->loadSetAction->trigger();
  QVERIFY(errors_.isEmpty());
  QCOMPARE(OpenWindows(), 1);
}

void WindowCommandsTest::hugeSetStopsWhenTheTableIsFull() {
  const QString window = dir_->filePath(QStringLiteral("w.kvw"));
  WriteText(window, "[DataDefinition]\nLength=20\n");
  NewWindow();  // one slot already used
  const QString set = dir_->filePath(QStringLiteral("huge.kvs"));
  // A count beyond the entries stops at the first missing one.
  WriteText(set, QStringLiteral("[Scene]\nNumOfFiles=2147483647\nFile0=%1\n").arg(window).toUtf8());
  AnswerFileDialog(main_->loadSetDialog, set);
  main_->loadSetAction->trigger();
  QCOMPARE(errors_, QStringList{QStringLiteral("Unable to read %1: File1 is missing.").arg(set)});
  QCOMPARE(OpenWindows(), 2);
  QCOMPARE(main_->WindowAt(1)->Record()->Poll().Length, 20);

  // More real entries than slots: the table fills up, then the error box.
  QByteArray text = "[Scene]\nNumOfFiles=70\n";
  for (int i = 0; i < 70; ++i) text += QStringLiteral("File%1=%2\n").arg(i).arg(window).toUtf8();
  WriteText(set, text);
  errors_.clear();
  AnswerFileDialog(main_->loadSetDialog, set);
  main_->loadSetAction->trigger();
  QCOMPARE(errors_.size(), 1);
  QCOMPARE(state_->DataWindows.WindowCount(), mms::kMaxDataWindows);
  QCOMPARE(OpenWindows(), mms::kMaxDataWindows);
  QCOMPARE(main_->WindowAt(64)->Record()->Poll().Length, 20);
}

void WindowCommandsTest::openOfABadFileCreatesNoWindow() {
  const QString bad = dir_->filePath(QStringLiteral("bad.kvw"));
  WriteText(bad, "[Window]\nWidth=\n");
  QVERIFY_THROWS_EXCEPTION(mms::Error, mms::OpenWindowFile(*main_, bad));
  QCOMPARE(OpenWindows(), 0);
  QCOMPARE(state_->DataWindows.WindowCount(), 0);

  // A file that cannot be read is no window of defaults either.
  for (const QString& path :
       {dir_->filePath(QStringLiteral("missing.kvw")), dir_->path(), QStringLiteral("/dev/zero")}) {
    QVERIFY_THROWS_EXCEPTION(mms::Error, mms::OpenWindowFile(*main_, path));
    QCOMPARE(OpenWindows(), 0);
  }
  QCOMPARE(state_->DataWindows.WindowCount(), 0);
}

void WindowCommandsTest::failedSaveKeepsTheFileName() {
  // The window's folder went away since it was saved: Save window writes
  // there without asking and reports the failure.
  DataWindow* w = NewWindow();
  const QString folder = dir_->filePath(QStringLiteral("gone"));
  QVERIFY(QDir().mkdir(folder));
  const QString first = folder + QStringLiteral("/w.kvw");
  mms::SaveWindowFileOf(*w, first);
  QVERIFY(QDir(folder).removeRecursively());
  w->deviceIdEdit->setText(QStringLiteral("8"));
  main_->saveAction->trigger();
  QCOMPARE(errors_, QStringList{QStringLiteral("Unable to write to %1.").arg(first)});
  QCOMPARE(w->FileName, first);

  const QString unwritable = dir_->filePath(QStringLiteral("no-folder/w.kvw"));
  QVERIFY_THROWS_EXCEPTION(mms::Error, mms::SaveWindowFileOf(*w, unwritable));
  QCOMPARE(w->FileName, first);

  // Loading into an open window that fails leaves it as it was.
  const QString bad = dir_->filePath(QStringLiteral("bad.kvw"));
  WriteText(bad, "[DataDefinition]\nAddress=7\nFunction=x\n");
  QVERIFY_THROWS_EXCEPTION(mms::Error, mms::LoadWindowFileInto(*w, bad));
  QCOMPARE(w->FileName, first);
  QCOMPARE(w->Record()->Poll().Address, 0);
}

void WindowCommandsTest::setLeavesOutClosedAndUnsavedWindows() {
  DataWindow* first = NewWindow();
  DataWindow* second = NewWindow();
  DataWindow* third = NewWindow();
  NewWindow();  // never saved
  first->FileName = QStringLiteral("/a.kvw");
  second->FileName = QStringLiteral("/b.kvw");
  third->FileName = QStringLiteral("/c.kvw");
  first->parentWidget()->close();
  const QString set = dir_->filePath(QStringLiteral("s.kvs"));
  mms::SaveWindowsSetOf(*main_, set);
  QCOMPARE(ReadText(set), QStringLiteral("[Scene]\nFile0=/b.kvw\nFile1=/c.kvw\nNumOfFiles=2\n"));
}

QTEST_MAIN(WindowCommandsTest)
#include "WindowCommandsTest.moc"
