#include "datawindow/Ti.h"

#include <QCloseEvent>

#include "shell/WindowTable.h"

Ti::Ti(mms::WindowTable* table, QWidget* parent) : QWidget(parent), table_(table) {}

void Ti::closeEvent(QCloseEvent* event) {
  if (table_ && SlotIndex >= 0) table_->Empty(SlotIndex);
  QWidget::closeEvent(event);
}
