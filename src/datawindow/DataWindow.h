#pragma once
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "datawindow/DataWindowModel.h"
#include "common/WindowRecord.h"

class QAction;
class DecodeInspector;
class QButtonGroup;
class QCheckBox;
class QColorDialog;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLayout;
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
// column 0 and row 0 the headers. grid shows row 0 as its horizontal
// header and column 0 as its vertical header, so grid cell (c, r) is the
// table item (r - 1, c - 1).
class DataWindow : public QWidget {
  Q_OBJECT
 public:
  // `table` is the main window's DataWindows; closing the window empties its slot there.
  explicit DataWindow(mms::WindowTable* table, QWidget* parent = nullptr);
  ~DataWindow() override;

  std::shared_ptr<mms::WindowRecord> Record() const { return record_; }
  const mms::DataWindowModel& Model() const { return model_; }
  mms::DataWindowModel& Model() { return model_; }

  int SlotIndex = -1;
  QString FileName;
  // "Add to trend" in the cell menu: plots the value cell at `offset` of the
  // poll. Set once by whoever shows trends; the item is off while unset.
  inline static std::function<void(DataWindow& window, int offset)> AddToTrend;

  // Shows the latest result the polling thread published into the record
  // (counters, error text, and the grid when new words came), if it is new.
  void ShowLatestResult();
  // What a poll of the window's current definition does, shown at once:
  // `words` (its Length of them) as a valid reply; a poll counted.
  void FillGrid(const uint16_t* words);
  void CountPoll();

  // The display choices that take effect at the next poll: the type and
  // byte order (shown by the radio buttons and the Type and Order
  // drop-downs alike), the ASCII options, and how addresses are written.
  mms::ValueEncoding Format() const;
  void SetFormat(const mms::ValueEncoding& encoding);
  mms::AsciiOptions Ascii() const;
  mms::AddressStyle AddressShownAs() const;
  void SetAddressBase(mms::AddressBase base);

  // Window files. ToWindowFile takes the poll definition, the geometry and,
  // per stored offset, the alias text the grid shows, BgColor and threshold.
  // ApplyWindowFile fills the window as loading does: the edits with their
  // change handlers, the geometry, functionBox without its change handler, the
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
  // A context-menu request on the grid: opens cellMenu at `globalPos` when
  // armed. Returns whether it opened.
  bool RequestPopup(const QPoint& globalPos);

  // Handlers, named after their controls.
  void DeviceIdChanged();
  void AddressChanged();
  void LengthChanged();
  void FunctionChanged();
  void EnableFormats();
  void DisableFormats();
  void AsciiEnableToggled();
  void AddressEditingFinished();
  void DecodeClicked();
  void UpdateDecodeInspector();
  void ResetCounters();
  void GridCellSelected(int col, int row);
  void CellMenuAboutToShow();
  void GridDoubleClicked();
  void SetBackgroundColour();
  void DefineThreshold();
  void RebuildGrid();
  // DataWindowWrites.cpp: the range write over the selected value cells, the
  // mask and read/write dialog (22 or 23), and which function writes one
  // register (6, or 16 when function16Action is checked).
  void WriteRangeClicked();
  void MaskReadWriteClicked(int function);
  uint8_t SingleWriteFunction() const;

  // Controls, with the names of the form.
  QGroupBox* deviceSettingsGroup = nullptr;
  QLineEdit* deviceIdEdit = nullptr;
  QComboBox* functionBox = nullptr;
  QLineEdit* addressEdit = nullptr;
  QLineEdit* lengthEdit = nullptr;
  QLabel* errorTextLabel = nullptr;
  QGroupBox* displayOptionsGroup = nullptr;
  QRadioButton* decimalButton = nullptr;
  QRadioButton* integerButton = nullptr;
  QRadioButton* hexadecimalButton = nullptr;
  QRadioButton* binaryButton = nullptr;
  QRadioButton* floatButton = nullptr;
  QRadioButton* swappedFloatButton = nullptr;
  QRadioButton* doubleButton = nullptr;
  QRadioButton* swappedDoubleButton = nullptr;
  QComboBox* typeBox = nullptr;
  QComboBox* orderBox = nullptr;
  QPushButton* decodeButton = nullptr;
  QComboBox* addressBaseBox = nullptr;
  QGroupBox* asciiGroup = nullptr;
  QCheckBox* asciiEnableBox = nullptr;
  QRadioButton* oneCharButton = nullptr;
  QRadioButton* twoCharButton = nullptr;
  QRadioButton* twoCharSwappedButton = nullptr;
  QGroupBox* frameCountersGroup = nullptr;
  QLabel* pollsLabel = nullptr;
  QLabel* validLabel = nullptr;
  QLabel* errorsLabel = nullptr;
  QLabel* responseTimeLabel = nullptr;   // the last response time, ms
  QLabel* responseRangeLabel = nullptr;  // minimum/mean/maximum, ms
  QPushButton* resetButton = nullptr;
  QTableWidget* grid = nullptr;
  QMenu* cellMenu = nullptr;
  QAction* logValueAction = nullptr;
  QAction* addToTrendAction = nullptr;
  QAction* backgroundColourAction = nullptr;
  QAction* defineThresholdAction = nullptr;
  QAction* writeRangeAction = nullptr;
  QAction* maskWriteAction = nullptr;
  QAction* readWriteAction = nullptr;
  QAction* function16Action = nullptr;
  QColorDialog* colourDialog = nullptr;  // made on first use
  DecodeInspector* decodeInspector = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // A new window's size: the whole form and the ten rows of the grid with its header.
  QSize sizeHint() const override;

 private:
  void BuildControls();
  void BuildAddressBase(QGridLayout* device);
  void BuildGrid();
  void BuildWriteActions();
  // DataWindowFit.cpp: sizes that follow the font, so that no label is cut,
  // no value is cut, and nothing moves when the numbers change.
  void FitControls();
  void FitValueColumns();
  QLayout* BuildDecodeColumn();
  void ShowFormat();
  void ShowAddress();
  QWidget* Frame() const;
  void ShowCounters();
  void ShowPolledValues();
  void SyncGridLayout();
  // Every value cell, or only those the last fill wrote anew.
  void SyncValueCells(bool rewrittenOnly = false);
  void GridItemChanged(int tableRow, int tableCol);
  void GridEnter();
  bool ConvertEdit(QLineEdit* edit, int32_t* value);

  mms::WindowTable* table_;
  std::shared_ptr<mms::WindowRecord> record_ = std::make_shared<mms::WindowRecord>();
  mms::PollResult result_;  // as last shown
  mms::DataWindowModel model_;
  QButtonGroup* formats_ = nullptr;
  mms::ValueEncoding encoding_;
  mms::AddressBase addressBase_ = mms::AddressBase::Zero;
  bool popupArmed_ = false;
  bool syncing_ = false;
};
