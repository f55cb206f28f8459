// Sizes of the data window that follow its font (and so the screen's scale).
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QScrollBar>
#include <QTableWidget>
#include <algorithm>

#include "datawindow/DataWindow.h"
#include "ui/DecimalSeparator.h"

namespace {

// The delegate's text margins and the grid line beside a cell.
constexpr int kCellPadding = 14;
// Counts up to ten digits keep their room; only a bigger one widens the group.
constexpr int kCounterDigits = 10;
// The width a new window has always had, kept where the form fits in it.
constexpr int kClassicWidth = 697;

}  // namespace

void DataWindow::FitControls() {
  ensurePolished();  // the style's fonts and margins, before anything is measured
  const QFontMetrics metrics(pollsLabel->font());
  const int counterWidth = metrics.horizontalAdvance(QString(kCounterDigits, QLatin1Char('8')));
  for (QLabel* count : {pollsLabel, validLabel, errorsLabel}) count->setMinimumWidth(counterWidth);
  // Times up to 9999 ms keep their room too.
  responseTimeLabel->setMinimumWidth(counterWidth);
  responseRangeLabel->setMinimumWidth(
      std::max(counterWidth, metrics.horizontalAdvance(QStringLiteral("8888/8888/8888"))));

  // The error line keeps the room of its longest text (bold, by its style
  // sheet), so the groups stay put when an error comes and goes.
  QFont bold = errorTextLabel->font();
  bold.setBold(true);
  const QFontMetrics boldMetrics(bold);
  int errorWidth = 0;
  for (const char* text :
       {mms::DataWindowModel::kTimeoutText, mms::DataWindowModel::kInvalidReplyText})
    errorWidth = std::max(errorWidth, boldMetrics.horizontalAdvance(QString::fromLatin1(text)));
  // An exception's name goes on a second line, which is kept too.
  errorTextLabel->setWordWrap(true);
  errorTextLabel->setMinimumSize(errorWidth, 2 * boldMetrics.lineSpacing());

  connect(asciiEnableBox, &QCheckBox::toggled, this, [this] { FitValueColumns(); });

  // No size the window allows cuts a label: the controls keep their room,
  // the grid scrolls.
  layout()->activate();
  setMinimumSize(layout()->minimumSize());
}

void DataWindow::FitValueColumns() {
  const mms::CellFormat format{Format(), Ascii(), DecimalSeparator()};
  const QFontMetrics metrics(grid->font());
  int width = mms::kValueColumnWidth;
  for (const std::string& text : mms::WidestValueTexts(format))
    width = std::max(width, metrics.horizontalAdvance(QString::fromStdString(text)) + kCellPadding);
  for (int c = 2; c < model_.ColumnCount(); c += 2) grid->setColumnWidth(c - 1, width);
}

QSize DataWindow::sizeHint() const {
  const QMargins margins = layout()->contentsMargins();
  const QSize controls = layout()->itemAt(0)->sizeHint();
  const int gridHeight = grid->horizontalHeader()->sizeHint().height() +
                         (mms::kGridRows - 1) * grid->verticalHeader()->defaultSectionSize() +
                         2 * grid->frameWidth();
  int gridWidth = grid->verticalHeader()->width() + 2 * grid->frameWidth();
  for (int c = 0; c < grid->columnCount(); ++c) gridWidth += grid->columnWidth(c);
  const int width = std::max(
      kClassicWidth, std::max(controls.width(), gridWidth) + margins.left() + margins.right());
  const int height =
      margins.top() + controls.height() + layout()->spacing() + gridHeight + margins.bottom();
  return QSize(width, height);
}
