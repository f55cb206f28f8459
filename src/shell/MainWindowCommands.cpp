// Menu and tool bar commands, and the Edit items over the focused text field.
#include "shell/MainWindow.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "auxiliary/LicenseDialog.h"
#include "auxiliary/SplashScreen.h"
#include "common/Errors.h"
#include "datawindow/DataWindow.h"
#include "shell/ConnectionSettingsDialog.h"
#include "shell/DataDefinitionDialog.h"
#include "shell/MainWindowIcons.h"
#include "shell/MdiArrange.h"
#include "shell/WindowCommands.h"
#include "ui/CentreOnMain.h"
#include "ui/ErrorBox.h"
#include "ui/QtUiDispatcher.h"

namespace {

// The text field an Edit command applies to, for the widgets that carry one.
QLineEdit* LineEditOf(QWidget* widget) {
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit;
  if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->lineEdit();
  if (auto* spin = qobject_cast<QAbstractSpinBox*>(widget)) return spin->findChild<QLineEdit*>();
  return nullptr;
}

bool ClipboardHasText() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && data->hasText() && !data->text().isEmpty();
}

struct EditAbility {
  bool cut = false;
  bool copy = false;
  bool paste = false;
};

template <typename TextBox>
EditAbility TextBoxAbility(TextBox* box) {
  const bool selected = box->textCursor().hasSelection();
  return {selected && !box->isReadOnly(), selected, !box->isReadOnly() && box->canPaste()};
}

EditAbility EditAbilityOf(QWidget* focused) {
  if (QLineEdit* edit = LineEditOf(focused)) {
    // Hidden text (passwords) is never copied out.
    const bool copyable = edit->hasSelectedText() && edit->echoMode() == QLineEdit::Normal;
    return {copyable && !edit->isReadOnly(), copyable, !edit->isReadOnly() && ClipboardHasText()};
  }
  if (auto* text = qobject_cast<QTextEdit*>(focused)) return TextBoxAbility(text);
  if (auto* plain = qobject_cast<QPlainTextEdit*>(focused)) return TextBoxAbility(plain);
  return {};
}

template <typename Operation>
void ApplyEdit(QWidget* focused, Operation operation) {
  if (QLineEdit* edit = LineEditOf(focused)) {
    operation(edit);
  } else if (auto* text = qobject_cast<QTextEdit*>(focused)) {
    operation(text);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(focused)) {
    operation(plain);
  }
}

}  // namespace

// ---- Edit items ----------------------------------------------------------------------

void MainWindow::WatchFocusedEditor(QWidget* focused) {
  for (const auto& connection : editorWatch_) disconnect(connection);
  editorWatch_.clear();
  if (QLineEdit* edit = LineEditOf(focused)) {
    editorWatch_ << connect(edit, &QLineEdit::selectionChanged, this, &MainWindow::UpdateEditItems)
                 << connect(edit, &QLineEdit::textChanged, this, &MainWindow::UpdateEditItems);
  } else if (auto* text = qobject_cast<QTextEdit*>(focused)) {
    editorWatch_ << connect(text, &QTextEdit::selectionChanged, this, &MainWindow::UpdateEditItems)
                 << connect(text, &QTextEdit::textChanged, this, &MainWindow::UpdateEditItems);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(focused)) {
    editorWatch_ << connect(plain, &QPlainTextEdit::selectionChanged, this,
                            &MainWindow::UpdateEditItems)
                 << connect(plain, &QPlainTextEdit::textChanged, this,
                            &MainWindow::UpdateEditItems);
  }
  UpdateEditItems();
}

void MainWindow::UpdateEditItems() {
  const EditAbility ability = EditAbilityOf(QApplication::focusWidget());
  cutAction->setEnabled(ability.cut);
  copyAction->setEnabled(ability.copy);
  pasteAction->setEnabled(ability.paste);
}

void MainWindow::Cut() {
  if (EditAbilityOf(QApplication::focusWidget()).cut)
    ApplyEdit(QApplication::focusWidget(), [](auto* box) { box->cut(); });
  UpdateEditItems();
}

void MainWindow::Copy() {
  if (EditAbilityOf(QApplication::focusWidget()).copy)
    ApplyEdit(QApplication::focusWidget(), [](auto* box) { box->copy(); });
  UpdateEditItems();
}

void MainWindow::Paste() {
  if (EditAbilityOf(QApplication::focusWidget()).paste)
    ApplyEdit(QApplication::focusWidget(), [](auto* box) { box->paste(); });
  UpdateEditItems();
}

// ---- Commands ------------------------------------------------------------------------

QString MainWindow::ChooseFile(QFileDialog* dialog) {
  // Each file dialog opens in the folder of the file last chosen in any of them.
  if (!lastFolder_.isEmpty()) dialog->setDirectory(lastFolder_);
  if (dialog->exec() != QDialog::Accepted) return QString();
  const QString path = dialog->selectedFiles().value(0);
  if (!path.isEmpty()) lastFolder_ = QFileInfo(path).absolutePath();
  return path;
}

void MainWindow::NewWindow() {
  RunCommand(this,
             [this] { AddDataWindow(QStringLiteral("NONAME%1").arg(OpenChildWindowCount() + 1)); });
}

void MainWindow::OpenWindow() {
  RunCommand(this, [this] {
    if (state_.DataWindows.Full()) throw mms::Error(kTableFullMessage);
    const QString path = ChooseFile(openDialog);
    if (path.isEmpty()) return;
    mms::OpenWindowFile(*this, path);
  });
}

void MainWindow::CloseWindow() { mdiArea_->closeActiveSubWindow(); }

void MainWindow::SaveWindow() {
  RunCommand(this, [this] {
    QPointer<DataWindow> window = ActiveDataWindow();
    if (!window) return;
    QString path = window->FileName;
    if (path.isEmpty()) path = ChooseFile(saveDialog);
    if (path.isEmpty() || !window) return;
    mms::SaveWindowFileOf(*window, path);
  });
}

void MainWindow::SaveWindowAs() {
  RunCommand(this, [this] {
    QPointer<DataWindow> window = ActiveDataWindow();
    if (!window) return;
    const QString path = ChooseFile(saveDialog);
    if (path.isEmpty() || !window) return;
    mms::SaveWindowFileOf(*window, path);
  });
}

void MainWindow::SaveWindowsSet() {
  RunCommand(this, [this] {
    const QString path = ChooseFile(saveSetDialog);
    if (!path.isEmpty()) mms::SaveWindowsSetOf(*this, path);
  });
}

void MainWindow::LoadWindowsSet() {
  RunCommand(this, [this] {
    const QString path = ChooseFile(loadSetDialog);
    if (!path.isEmpty()) mms::LoadWindowsSetInto(*this, path);
  });
}

void MainWindow::Exit() { close(); }

void MainWindow::ConnectCommand() {
  RunCommand(this, [this] { Connect(); });
}

void MainWindow::DisconnectCommand() {
  RunCommand(this, [this] { Disconnect(); });
}

void MainWindow::ShowConnectionSettings() {
  if (gConnectionSettingsDialog) gConnectionSettingsDialog->exec();
}

void MainWindow::ShowDataDefinition() {
  if (gDataDefinitionDialog) gDataDefinitionDialog->exec();
}

void MainWindow::Cascade() { mdiArea_->cascadeSubWindows(); }

void MainWindow::TileHorizontally() { TileSubWindows(mdiArea_, false); }

void MainWindow::TileVertically() { TileSubWindows(mdiArea_, true); }

void MainWindow::MinimizeAll() { MinimizeAllSubWindows(mdiArea_); }

void MainWindow::ArrangeAll() { ArrangeIcons(mdiArea_); }

void MainWindow::ShowAbout() {
  if (!gSplashScreen) return;
  // Without its timer the splash stays until it is clicked.
  gSplashScreen->StopTimer();
  gSplashScreen->exec();
}

void MainWindow::ShowLicense() {
  if (gLicenseDialog) gLicenseDialog->exec();
}
