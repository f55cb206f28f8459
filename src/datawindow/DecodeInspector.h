#pragma once
#include <QWidget>
#include <functional>
#include <vector>

#include "datawindow/DecodeTable.h"

class QAction;
class QLabel;
class QTableWidget;

// The data window's decode inspector: the selected cell's registers read in
// every type and byte order at once, one row each. A click or Enter on a row
// hands its encoding to `onChoose`; Ctrl+C (or the row's context menu) copies
// the row as tab-separated text.
class DecodeInspector : public QWidget {
  Q_OBJECT
 public:
  explicit DecodeInspector(QWidget* parent = nullptr);

  // `place` says which cell the rows read (its user and wire addresses).
  void Show(const QString& place, const std::vector<mms::DecodeRow>& rows);
  // The current row as copied: label, value and, if marked, "implausible".
  QString CurrentRowText() const;
  void CopyCurrentRow() const;
  void ChooseRow(int row);

  std::function<void(const mms::ValueEncoding&)> onChoose;

  QLabel* placeLabel = nullptr;
  QTableWidget* table = nullptr;
  QAction* copyAction = nullptr;

 private:
  std::vector<mms::DecodeRow> rows_;
};
