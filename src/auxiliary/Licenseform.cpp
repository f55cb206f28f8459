#include "auxiliary/Licenseform.h"

#include <QFile>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QVBoxLayout>

#include "auxiliary/AuxiliaryResources.h"

TLicense* License = nullptr;

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

TLicense::TLicense(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint) {
  FormCreate();
}

void TLicense::FormCreate() {
  setObjectName(QStringLiteral("License"));
  setWindowTitle(QStringLiteral("Zenvik! Modbus Master Simulator license"));
  setSizeGripEnabled(true);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setReadOnly(true);
  // Read-only text is still walked and selected from the keyboard, so a
  // screen reader can reach every line.
  Memo1->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  Memo1->setAccessibleName(QStringLiteral("License text"));
  Memo1->setPlainText(UnwrapParagraphs(LicenceText()));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Memo1);

  resize(526, 310);
  const QScreen* screen = QGuiApplication::primaryScreen();
  move(screen != nullptr ? screen->availableGeometry().topLeft() : QPoint(0, 0));
}
