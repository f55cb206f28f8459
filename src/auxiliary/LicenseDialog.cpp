#include "auxiliary/LicenseDialog.h"

#include <QFile>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QVBoxLayout>

#include "auxiliary/AuxiliaryResources.h"

LicenseDialog* gLicenseDialog = nullptr;

QString LicenceText() {
  InitAuxiliaryResources();
  QFile file(QStringLiteral(":/auxiliary/LICENSE"));
  if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("MIT License");
  return QString::fromUtf8(file.readAll());
}

QString UnwrapParagraphs(const QString& text) {
  QStringList paragraphs = text.trimmed().split(QStringLiteral("\n\n"));
  for (QString& paragraph : paragraphs) paragraph = paragraph.simplified();
  return paragraphs.join(QStringLiteral("\n\n"));
}

LicenseDialog::LicenseDialog(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint) {
  Initialise();
}

void LicenseDialog::Initialise() {
  setObjectName(QStringLiteral("License"));
  setWindowTitle(QStringLiteral("Zenvik! Modbus Master Simulator license"));
  setSizeGripEnabled(true);

  textView = new QPlainTextEdit(this);
  textView->setObjectName(QStringLiteral("textView"));
  textView->setReadOnly(true);
  // Read-only text is still walked and selected from the keyboard, so a
  // screen reader can reach every line.
  textView->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  textView->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  textView->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  textView->setAccessibleName(QStringLiteral("License text"));
  textView->setPlainText(UnwrapParagraphs(LicenceText()));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(textView);

  resize(526, 310);
  const QScreen* screen = QGuiApplication::primaryScreen();
  move(screen != nullptr ? screen->availableGeometry().topLeft() : QPoint(0, 0));
}
