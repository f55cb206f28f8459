#include "shell/DialogSupport.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "ui/CentreOnMain.h"

Qt::WindowFlags FixedDialogFlags() {
  return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
}

QString AccessibleCaption(const QString& caption) {
  QString name = caption;
  name.remove(QLatin1Char('&'));
  while (name.endsWith(QLatin1Char(':')) || name.endsWith(QLatin1Char(' '))) name.chop(1);
  return name;
}

void AddLabelledField(QFormLayout* layout, const QString& caption, QWidget* field) {
  auto* label = new QLabel(caption, layout->parentWidget());
  label->setBuddy(field);
  field->setAccessibleName(AccessibleCaption(caption));
  // The text part of an editable drop-down is reached on its own by screen readers.
  if (auto* box = qobject_cast<QComboBox*>(field); box && box->lineEdit())
    box->lineEdit()->setAccessibleName(AccessibleCaption(caption));
  layout->addRow(label, field);
}

void SetTabOrder(std::initializer_list<QWidget*> widgets) {
  QWidget* previous = nullptr;
  for (QWidget* widget : widgets) {
    if (previous != nullptr) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
}

void FixClientSize(QWidget* dialog, int width, int height) {
  const QSize needed = dialog->sizeHint().expandedTo(dialog->minimumSizeHint());
  dialog->setFixedSize(std::max(width, needed.width()), std::max(height, needed.height()));
}

bool CentreOnShownMainWindow(QWidget* window) {
  QWidget* main = MainWindowWidget();
  if (main == nullptr && window->parentWidget() != nullptr) main = window->parentWidget()->window();
  if (main == nullptr || main == window || !main->isVisible()) return false;
  window->move(CentredPosition(main->frameGeometry(), window->frameGeometry().size()));
  return true;
}

QHBoxLayout* OkCancelRow(QWidget* dialog, QPushButton*& ok, QPushButton*& cancel) {
  ok = new QPushButton(QStringLiteral("OK"), dialog);
  ok->setObjectName(QStringLiteral("okButton"));
  ok->setDefault(true);
  cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
  cancel->setObjectName(QStringLiteral("cancelButton"));
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}
