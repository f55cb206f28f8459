#pragma once
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "datawindow/DataWindowModel.h"
#include "datawindow/WindowRecord.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QColorDialog;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace mms {
class WindowTable;
struct WindowFile;
}  // namespace mms

// A data window: one poll definition, its value grid in groups of ten, the
// frame counters and the per-cell decorations. Shown inside the main
// window's QMdiArea; the main window sets the caption.
//
// Grid coordinates (column, row) are those of the grid's own numbering, with
// column 0 and row 0 the headers. StringGrid1 shows row 0 as its horizontal
// header and column 0 as its vertical header, so grid cell (c, r) is the
// table item (r - 1, c - 1).
class Ti : public QWidget {
  Q_OBJECT
 public:
  // `table` is the main window's DataWindows; closing the window empties its slot there.
  explicit Ti(mms::WindowTable* table, QWidget* parent = nullptr);
  ~Ti() override;

  std::shared_ptr<mms::WindowRecord> Record() const { return record_; }
  const mms::DataWindowModel& Model() const { return model_; }
  mms::DataWindowModel& Model() { return model_; }

  int SlotIndex = -1;
  QString FileName;

  // What the polling thread's callbacks run on the user-interface thread.
  // `readBuffer` holds mms::kReadBufferSize words; null does nothing.
  void FillGrid(const uint16_t* readBuffer);
  void CountPoll();
  void CountError();
  void ShowTimeout();
  void ShowInvalidReply();

  // The display choices that take effect at the next poll.
  mms::DisplayFormat Format() const;
  mms::AsciiOptions Ascii() const;

  // Window files. ToWindowFile takes the poll definition, the geometry and,
  // per stored offset, the alias text the grid shows, BgColor and threshold.
  // ApplyWindowFile fills the window as loading does: the edits with their
  // change handlers, the geometry, ComboBox1 without its change handler, the
  // aliases, colours and thresholds, then RebuildGrid. FileName is the
  // caller's to set.
  mms::WindowFile ToWindowFile() const;
  void ApplyWindowFile(const mms::WindowFile& file);

  // Outer size and position within the main window's client area (the MDI
  // subwindow's frame when the window sits in one).
  QRect WindowGeometry() const;
  // Applies width, height, top and left in that order; sizes are kept
  // within what the platform can show.
  void SetWindowGeometry(int width, int height, int top, int left);

  bool PopupArmed() const { return popupArmed_; }
  // A context-menu request on the grid: opens PopupMenu1 at `globalPos` when
  // armed. Returns whether it opened.
  bool RequestPopup(const QPoint& globalPos);

  // Handlers, named after their controls.
  void EDeviceIDChange();
  void EAddressChange();
  void ELengthChange();
  void ComboBox1Change();
  void EnableFormats();
  void DisableFormats();
  void cbEnableASCIIClick();
  void Button1Click();
  void StringGrid1SelectCell(int col, int row);
  void PopupMenu1Popup();
  void StringGrid1DblClick();
  void SetBackgroundcolor1Click();
  void DefineThreshold1Click();
  void RebuildGrid();

  // Controls, with the names of the form.
  QGroupBox* GroupDeviceSettings = nullptr;
  QLineEdit* EDeviceID = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QLineEdit* EAddress = nullptr;
  QLineEdit* ELength = nullptr;
  QLabel* LError = nullptr;
  QGroupBox* GroupDisplayOptions = nullptr;
  QRadioButton* RBDecimal = nullptr;
  QRadioButton* RBInteger = nullptr;
  QRadioButton* RBHexadecimal = nullptr;
  QRadioButton* RBBinary = nullptr;
  QRadioButton* RBFloat = nullptr;
  QRadioButton* RBSwFloat = nullptr;
  QRadioButton* RBDouble = nullptr;
  QRadioButton* RBSwDouble = nullptr;
  QGroupBox* GroupAscii = nullptr;
  QCheckBox* cbEnableASCII = nullptr;
  QRadioButton* rb1Char = nullptr;
  QRadioButton* rb2Char = nullptr;
  QRadioButton* rb2CharSwapped = nullptr;
  QGroupBox* GroupFrameCounters = nullptr;
  QLabel* PollsLabel = nullptr;
  QLabel* ValidLabel = nullptr;
  QLabel* ErrorLabel = nullptr;
  QPushButton* Button1 = nullptr;
  QTableWidget* StringGrid1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* Logthisvalue1 = nullptr;
  QAction* SetBackgroundcolor1 = nullptr;
  QAction* DefineThreshold1 = nullptr;
  QColorDialog* ColorDialog = nullptr;  // made on first use

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void BuildGrid();
  QWidget* Frame() const;
  void ShowCounters();
  void SyncGridLayout();
  void SyncValueCells();
  void GridItemChanged(int tableRow, int tableCol);
  void GridEnter();
  bool ConvertEdit(QLineEdit* edit, int32_t* value);

  mms::WindowTable* table_;
  std::shared_ptr<mms::WindowRecord> record_ = std::make_shared<mms::WindowRecord>();
  mms::DataWindowModel model_;
  QButtonGroup* formats_ = nullptr;
  bool popupArmed_ = false;
  bool syncing_ = false;
};
