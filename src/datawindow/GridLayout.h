#pragma once
#include <cstdint>

#include "datawindow/DataWindowLimits.h"

namespace mms {

// Grid coordinates as the data window's grid numbers them: column 0 and
// row 0 are the headers; group g of ten offsets has its alias column 2g+1
// and its value column 2g+2; row r (1..10) holds offset 10g + r - 1.
struct GridCell {
  int Col = 0;
  int Row = 0;
  bool operator==(const GridCell&) const = default;
};

inline constexpr int kDefaultColumnWidth = 72;
inline constexpr int kValueColumnWidth = 100;
// Offsets that the largest grid lays out (Length 100 shows eleven groups).
inline constexpr int kGridOffsets = (kGridColumns - 1) / 2 * 10;

// (Length div 10) x 2 + 3 for a Length the grid lays out (at most 100).
inline constexpr int GridColumnCount(int length) { return length / 10 * 2 + 3; }

inline constexpr GridCell ValueCellOfOffset(int offset) {
  return GridCell{offset / 10 * 2 + 2, offset % 10 + 1};
}
inline constexpr GridCell AliasCellOfOffset(int offset) {
  return GridCell{offset / 10 * 2 + 1, offset % 10 + 1};
}
inline constexpr bool IsValueColumn(int col) { return col >= 2 && col % 2 == 0; }
inline constexpr bool InCellTables(int col, int row) {
  return col >= 0 && col < kGridColumns && row >= 0 && row < kGridRows;
}

// The register address of a cell: (row + Address + (column - 2) x 5 - 1)
// mod 65536; for value column 2g+2 that is Address + 10g + row - 1.
inline constexpr uint16_t SelectedAddressOf(int col, int row, uint16_t address) {
  return static_cast<uint16_t>(row + address + (col - 2) * 5 - 1);
}

// The application-wide selection, written by whichever data window's grid
// last selected a cell. User-interface thread only.
inline uint16_t SelectedCol = 0;
inline uint16_t SelectedRow = 0;
inline uint16_t SelectedAddress = 0;

void SelectCell(int col, int row, uint16_t address);

}  // namespace mms
