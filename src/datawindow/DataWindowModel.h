#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "datawindow/AddressStyle.h"
#include "datawindow/DataWindowLimits.h"
#include "datawindow/GridLayout.h"
#include "datawindow/ValueFormat.h"
#include "modbus/ErrorTexts.h"
#include "modbus/ModbusProtocol.h"

namespace mms {

// What a double-click on a value cell asks the write dialogs to show.
struct WriteTarget {
  bool Coil = false;     // write coil dialog; else write register dialog
  uint16_t Address = 0;  // SelectedAddress
  uint16_t Value = 0;    // last polled word of that register
  std::array<uint16_t, 3> FollowingWords{};  // of the next registers, for 32- and 64-bit types
};

// The user-interface side of one data window, without any widget: the grid's
// cell texts and layout, the per-cell tables, the polled values, the frame
// counters and the error text. The Qt window shows what this holds.
//
// Every table is sized to the largest grid (23 columns, 11 rows, 110
// offsets), and every accessor takes coordinates from outside as untrusted:
// reads outside a table give the default, writes outside are ignored.
class DataWindowModel {
 public:
  // A new window: grid for Address 0 and Length 10, every background white.
  DataWindowModel();

  // Lays the grid out for `address` and `length`, its group headers written
  // in `style`, and empties every value cell. A length above 100 keeps the
  // previous layout and contents and returns false.
  bool RebuildGrid(uint16_t address, uint16_t length, const AddressStyle& style = {});
  int ColumnCount() const { return columns_; }
  static constexpr int RowCount() { return kGridRows; }
  int GroupCount() const { return (columns_ - 1) / 2; }
  int ColumnWidth(int col) const;

  const std::string& CellText(int col, int row) const;
  // In-place editing of a non-fixed cell of the laid-out grid.
  void SetCellText(int col, int row, const std::string& text);

  // One successful poll: every value cell of the laid-out groups shows its
  // word of `buffer` (the `size` words the poll brought) in `format`; cells
  // at or past `size` are blank, a cell shows only what its own window
  // polled. Clears the error text.
  void FillGrid(const uint16_t* buffer, size_t size, const CellFormat& format);

  // Whether the last FillGrid wrote the cell's text anew.
  bool CellRewritten(int col, int row) const {
    return InCellTables(col, row) && rewritten_[col][row];
  }

  uint16_t CellValue(int col, int row) const;
  uint16_t PolledValue(int offset) const;
  // Up to `max` words of the last poll from `offset` on, into `out`; returns
  // how many of them that poll gave the grid (none since a rebuild).
  int PolledWords(int offset, uint16_t* out, int max) const;

  // Alias texts kept for offsets 0..124, put into the grid by RebuildGrid.
  const std::string& Alias(int offset) const;
  void SetAlias(int offset, const std::string& text);

  int32_t BgColor(int col, int row) const;
  void SetBgColor(int col, int row, int32_t color);
  CellThreshold Threshold(int col, int row) const;
  void SetThreshold(int col, int row, const CellThreshold& rule);

  // The same tables by offset (its value cell), and the alias text that the
  // grid currently shows for an offset.
  int32_t BgColorAt(int offset) const { return BgColor(Value(offset).Col, Value(offset).Row); }
  void SetBgColorAt(int offset, int32_t color);
  CellThreshold ThresholdAt(int offset) const;
  void SetThresholdAt(int offset, const CellThreshold& rule);
  const std::string& AliasShownAt(int offset) const;

  // The fill colour of a non-fixed cell, by its threshold rule or fixed
  // background; nullopt for header cells, cells outside the tables and rules
  // of an unknown type (the grid's own look applies).
  std::optional<int32_t> FillColor(int col, int row) const;

  // Frame counters and the error text.
  uint64_t Polls() const { return polls_; }
  uint64_t ValidResponses() const { return valid_; }
  uint64_t Errors() const { return errors_; }
  const std::string& ErrorText() const { return errorText_; }
  void SetCounters(uint64_t polls, uint64_t valid, uint64_t errors) {
    polls_ = polls;
    valid_ = valid;
    errors_ = errors;
  }
  static constexpr const char* kTimeoutText = mms::kTimeoutText;
  static constexpr const char* kInvalidReplyText = mms::kInvalidReplyText;
  void ShowTimeout() { errorText_ = kTimeoutText; }
  // exceptionCode != 0: the device's exception, by name.
  void ShowInvalidReply(uint8_t exceptionCode = 0) {
    errorText_ = ExchangeErrorText(trInvalidReply, exceptionCode);
  }
  static constexpr const char* kBroadcastSentText = "Broadcast sent, no reply awaited";
  static constexpr const char* kBroadcastReadText = "Not read: device 0 is broadcast";
  void ShowBroadcastSent() { errorText_ = kBroadcastSentText; }
  void ShowBroadcastRead() { errorText_ = kBroadcastReadText; }

  // The double-click on the selected cell (SelectedCol, SelectedAddress) of
  // a window polling `function` from `address`: the write coil dialog for
  // coils, the write register dialog for holding registers, nothing for an
  // alias or header column or for inputs.
  std::optional<WriteTarget> DoubleClickTarget(uint8_t function, uint16_t address) const;

 private:
  static GridCell Value(int offset) {
    return offset >= 0 ? ValueCellOfOffset(offset) : GridCell{-1, -1};
  }

  // The words behind the value cells as last shown (kNotPolled where the
  // poll brought none), and their format: cells whose words did not change
  // keep their text.
  static constexpr int32_t kNotPolled = -1;
  static constexpr size_t kWordsPerCell = 4;  // a 64-bit value reads 4 words
  using ShownWords = std::array<int32_t, kMaxGridLength + 10 + kWordsPerCell>;
  std::optional<ShownWords> shownWords_;
  std::array<std::array<bool, kGridRows>, kGridColumns> rewritten_{};
  CellFormat shownFormat_;

  int columns_ = 0;
  std::array<std::array<std::string, kGridRows>, kGridColumns> text_;
  std::array<std::array<uint16_t, kGridRows>, kGridColumns> cellValues_{};
  std::array<std::array<int32_t, kGridRows>, kGridColumns> bgColor_;
  std::array<std::array<CellThreshold, kGridRows>, kGridColumns> thresholds_{};
  std::array<uint16_t, kPolledValueCount> polledValues_{};
  size_t polledCount_ = 0;  // words of polledValues_ the last poll filled
  uint16_t length_ = 0;     // the poll's Length, as last laid out or asked for
  std::array<std::string, kAliasCount> alias_;
  uint64_t polls_ = 0;
  uint64_t valid_ = 0;
  uint64_t errors_ = 0;
  std::string errorText_;
};

}  // namespace mms
