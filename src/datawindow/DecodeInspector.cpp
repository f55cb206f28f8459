#include "datawindow/DecodeInspector.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kImplausible = QStringLiteral("implausible");

// Enter chooses the current row (Ctrl+C is the Copy action's); Tab leaves the table.
class DecodeTableView : public QTableWidget {
 public:
  using QTableWidget::QTableWidget;
  std::function<void()> onEnter;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && onEnter) {
      onEnter();
      event->accept();
      return;
    }
    QTableWidget::keyPressEvent(event);
  }
};

}  // namespace

DecodeInspector::DecodeInspector(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("decodeInspector"));
  placeLabel = new QLabel(this);
  placeLabel->setObjectName(QStringLiteral("decodePlaceLabel"));
  placeLabel->setWordWrap(true);
  auto* view = new DecodeTableView(0, 3, this);
  table = view;
  table->setObjectName(QStringLiteral("decodeTable"));
  table->setAccessibleName(QStringLiteral("Decoded values"));
  table->setHorizontalHeaderLabels(
      {QStringLiteral("Decoded as"), QStringLiteral("Value"), QStringLiteral("Note")});
  table->verticalHeader()->hide();
  table->verticalHeader()->setDefaultSectionSize(std::max(16, fontMetrics().height() + 4));
  table->horizontalHeader()->setStretchLastSection(true);
  // Wide enough for the longest label, value and note, so that no reading is cut.
  const QString widest[] = {QStringLiteral("64-bit unsigned HGFEDCBA  "),
                            QStringLiteral("-9223372036854775808  "), kImplausible + "  "};
  int width = 2 * table->frameWidth() + table->verticalScrollBar()->sizeHint().width();
  for (int c = 0; c < 3; ++c) {
    table->setColumnWidth(c, fontMetrics().horizontalAdvance(widest[c]));
    width += table->columnWidth(c);
  }
  setMinimumWidth(width);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setTabKeyNavigation(false);
  table->setWordWrap(false);
  copyAction = new QAction(QStringLiteral("Copy"), table);
  copyAction->setShortcut(QKeySequence::Copy);
  copyAction->setShortcutContext(Qt::WidgetShortcut);
  table->addAction(copyAction);
  table->setContextMenuPolicy(Qt::ActionsContextMenu);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(placeLabel);
  layout->addWidget(table);

  view->onEnter = [this] { ChooseRow(table->currentRow()); };
  connect(copyAction, &QAction::triggered, this, [this] { CopyCurrentRow(); });
  connect(table, &QTableWidget::cellClicked, this, [this](int row, int) { ChooseRow(row); });
}

void DecodeInspector::Show(const QString& place, const std::vector<mms::DecodeRow>& rows) {
  rows_ = rows;
  placeLabel->setText(place);
  table->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < table->rowCount(); ++r) {
    const mms::DecodeRow& row = rows[static_cast<size_t>(r)];
    const QString texts[] = {QString::fromStdString(row.Label), QString::fromStdString(row.Text),
                             row.Implausible ? kImplausible : QString()};
    for (int c = 0; c < 3; ++c) {
      QTableWidgetItem* item = table->item(r, c);
      if (!item) {
        item = new QTableWidgetItem;
        table->setItem(r, c, item);
      }
      if (item->text() != texts[c]) item->setText(texts[c]);
      // Marked rows stand out without colour too: the Note column says why.
      item->setForeground(row.Implausible ? palette().brush(QPalette::Disabled, QPalette::Text)
                                          : palette().brush(QPalette::Text));
    }
  }
}

QString DecodeInspector::CurrentRowText() const {
  const int r = table->currentRow();
  if (r < 0 || r >= static_cast<int>(rows_.size())) return QString();
  const mms::DecodeRow& row = rows_[static_cast<size_t>(r)];
  QString text =
      QString::fromStdString(row.Label) + QLatin1Char('\t') + QString::fromStdString(row.Text);
  if (row.Implausible) text += QLatin1Char('\t') + kImplausible;
  return text;
}

void DecodeInspector::CopyCurrentRow() const {
  const QString text = CurrentRowText();
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

void DecodeInspector::ChooseRow(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  const std::optional<mms::ValueEncoding>& encoding = rows_[static_cast<size_t>(row)].Encoding;
  if (encoding && onChoose) onChoose(*encoding);
}
