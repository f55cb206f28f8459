#include "datawindow/DataWindowModel.h"

#include <algorithm>

#include "datawindow/CellColour.h"

namespace mms {
namespace {

const std::string kEmpty;

bool InOffsets(int offset, int count) { return offset >= 0 && offset < count; }

}  // namespace

DataWindowModel::DataWindowModel() {
  for (auto& column : bgColor_) column.fill(kColorWhite);
  RebuildGrid(0, 10);
}

bool DataWindowModel::RebuildGrid(uint16_t address, uint16_t length, const AddressStyle& style) {
  length_ = length;
  if (length > kMaxGridLength) return false;
  columns_ = GridColumnCount(length);
  polledCount_ = 0;
  for (auto& column : text_) {
    for (auto& cell : column) cell.clear();
  }
  shownWords_.reset();  // every value cell is empty now: the next fill writes them all
  text_[0][0] = " ";
  for (int r = 1; r < kGridRows; ++r) text_[0][r] = std::to_string(r - 1);
  for (int g = 0; g <= length / 10; ++g) {
    text_[2 * g + 1][0] = "Alias";
    // No wrap-around: 65530 is followed by 65540.
    text_[2 * g + 2][0] = AddressText(int64_t{address} + 10 * g, style);
  }
  for (int k = 0; k < length; ++k) {
    const GridCell cell = AliasCellOfOffset(k);
    text_[cell.Col][cell.Row] = alias_[k];
  }
  return true;
}

int DataWindowModel::ColumnWidth(int col) const {
  return col < columns_ && IsValueColumn(col) ? kValueColumnWidth : kDefaultColumnWidth;
}

const std::string& DataWindowModel::CellText(int col, int row) const {
  if (!InCellTables(col, row) || col >= columns_) return kEmpty;
  return text_[col][row];
}

void DataWindowModel::SetCellText(int col, int row, const std::string& text) {
  if (!InCellTables(col, row) || col < 1 || row < 1 || col >= columns_) return;
  text_[col][row] = text;
}

void DataWindowModel::FillGrid(const uint16_t* buffer, size_t size, const CellFormat& format) {
  // Words past Length were not polled, whatever the buffer holds.
  size = buffer ? std::min(size, size_t{length_}) : 0;
  // A word the poll did not bring is kNotPolled, never a value of another window.
  ShownWords words;
  for (size_t i = 0; i < words.size(); ++i) words[i] = i < size ? buffer[i] : kNotPolled;
  // Only cells whose words or format changed are written again.
  const bool sameFormat = shownWords_ && shownFormat_ == format;
  for (int g = 0; g < GroupCount(); ++g) {
    const int col = 2 * g + 2;
    for (int r = 1; r < kGridRows; ++r) {
      const size_t k = static_cast<size_t>(10 * g + r - 1);
      const bool polled = k < size;
      cellValues_[col][r] = polled ? buffer[k] : 0;
      polledValues_[k] = polled ? buffer[k] : 0;
      rewritten_[col][r] = !sameFormat || !std::equal(words.begin() + k,
                                                      words.begin() + k + kWordsPerCell,
                                                      shownWords_->begin() + k);
      if (rewritten_[col][r]) {
        text_[col][r] = polled ? FormatValueCell(buffer, size, k, format) : std::string();
      }
    }
  }
  shownWords_ = words;
  shownFormat_ = format;
  polledCount_ = std::min(size, static_cast<size_t>(10 * GroupCount()));
  errorText_.clear();
}

uint16_t DataWindowModel::CellValue(int col, int row) const {
  return InCellTables(col, row) ? cellValues_[col][row] : 0;
}

uint16_t DataWindowModel::PolledValue(int offset) const {
  return InOffsets(offset, kPolledValueCount) ? polledValues_[offset] : 0;
}

int DataWindowModel::PolledWords(int offset, uint16_t* out, int max) const {
  int n = 0;
  for (; n < max && offset >= 0 && static_cast<size_t>(offset) + n < polledCount_; ++n) {
    out[n] = polledValues_[offset + n];
  }
  return n;
}

const std::string& DataWindowModel::Alias(int offset) const {
  return InOffsets(offset, kAliasCount) ? alias_[offset] : kEmpty;
}

void DataWindowModel::SetAlias(int offset, const std::string& text) {
  if (InOffsets(offset, kAliasCount)) alias_[offset] = text;
}

int32_t DataWindowModel::BgColor(int col, int row) const {
  return InCellTables(col, row) ? bgColor_[col][row] : kColorWhite;
}

void DataWindowModel::SetBgColor(int col, int row, int32_t color) {
  if (InCellTables(col, row)) bgColor_[col][row] = color;
}

CellThreshold DataWindowModel::Threshold(int col, int row) const {
  return InCellTables(col, row) ? thresholds_[col][row] : CellThreshold{};
}

void DataWindowModel::SetThreshold(int col, int row, const CellThreshold& rule) {
  if (InCellTables(col, row)) thresholds_[col][row] = rule;
}

void DataWindowModel::SetBgColorAt(int offset, int32_t color) {
  SetBgColor(Value(offset).Col, Value(offset).Row, color);
}

CellThreshold DataWindowModel::ThresholdAt(int offset) const {
  return Threshold(Value(offset).Col, Value(offset).Row);
}

void DataWindowModel::SetThresholdAt(int offset, const CellThreshold& rule) {
  SetThreshold(Value(offset).Col, Value(offset).Row, rule);
}

const std::string& DataWindowModel::AliasShownAt(int offset) const {
  if (offset < 0) return kEmpty;
  const GridCell cell = AliasCellOfOffset(offset);
  return CellText(cell.Col, cell.Row);
}

std::optional<int32_t> DataWindowModel::FillColor(int col, int row) const {
  if (col < 1 || row < 1 || !InCellTables(col, row)) return std::nullopt;
  return CellFillColor(thresholds_[col][row], bgColor_[col][row], cellValues_[col][row]);
}

std::optional<WriteTarget> DataWindowModel::DoubleClickTarget(uint8_t function,
                                                              uint16_t address) const {
  if (!IsValueColumn(SelectedCol)) return std::nullopt;
  if (function != 1 && function != 3) return std::nullopt;
  WriteTarget target;
  target.Coil = function == 1;
  target.Address = SelectedAddress;
  // The selection may come from before an address change that did not
  // rebuild the grid, so the offset can lie beyond the polled values.
  const int offset = static_cast<uint16_t>(SelectedAddress - address);
  target.Value = PolledValue(offset);
  for (int i = 0; i < 3; ++i) target.FollowingWords[i] = PolledValue(offset + 1 + i);
  return target;
}

}  // namespace mms
