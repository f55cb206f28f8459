#pragma once
#include <QWidget>
#include <memory>

#include "datawindow/WindowRecord.h"

namespace mms {
class WindowTable;
}

// A data window: one poll definition and its value grid.
class Ti : public QWidget {
  Q_OBJECT
 public:
  // `table` is the main window's DataWindows; closing the window empties its slot there.
  explicit Ti(mms::WindowTable* table, QWidget* parent = nullptr);

  std::shared_ptr<mms::WindowRecord> Record() const { return record_; }

  int SlotIndex = -1;
  QString FileName;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  mms::WindowTable* table_;
  std::shared_ptr<mms::WindowRecord> record_ = std::make_shared<mms::WindowRecord>();
};
