#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "datawindow/AddressStyle.h"
#include "datawindow/ValueFormat.h"

namespace mms {

// How one window shows its cells: what its CSV rows are written with.
struct CellView {
  CellFormat Format;
  AddressBase Base = AddressBase::Zero;
  std::vector<std::string> Aliases;  // by offset; missing ones are empty
};

// One value cell as the window shows it: its address in the window's base,
// alias, the polled word in decimal and the cell's text.
struct CellRow {
  std::string Address;
  std::string Alias;
  std::string Raw;
  std::string Value;
};

// The rows of the first `cells` cells (at most 100, as the grid) of a window
// polling `function` from `address` whose last poll brought `words` (`count`
// of them; none yet: 0). A 32- or 64-bit value shows on the first cell of its
// words only, as in the grid; a cell whose words were not all polled has an
// empty value, one whose own word was not polled an empty raw too.
std::vector<CellRow> CellRows(uint8_t function, uint16_t address, const uint16_t* words,
                              size_t count, size_t cells, const CellView& view);

// "Export to CSV": the header "address,alias,raw,value" and one record per row.
std::string CellRowsCsv(const std::vector<CellRow>& rows);

}  // namespace mms
