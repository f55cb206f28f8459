#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "datawindow/AddressStyle.h"

namespace mms {

// A register map read for one window: CSV with the columns "address" and
// "alias" (found by their header names in any case, else the first two
// columns; further columns are ignored). The first record is a header when
// its address field is not a number. Addresses are written in the window's
// address base.
struct RegisterMap {
  std::vector<std::pair<int, std::string>> Aliases;  // offset in the window, alias
  int Outside = 0;                                   // rows for addresses the window does not poll
  std::vector<int> BadLines;                         // rows whose address is not a number
};

// `address` and `cells` are the window's first address and number of cells
// (what its grid shows, at most 100).
RegisterMap ReadRegisterMap(const std::string& csv, uint16_t address, int cells,
                            const AddressStyle& style);

// Reads the file first; throws Error("Unable to read <path>: <reason>").
RegisterMap LoadRegisterMap(const std::string& path, uint16_t address, int cells,
                            const AddressStyle& style);

// What the import tells the user, in one message: the aliases placed, then
// the rows outside the window and the bad rows (their line numbers, the first
// ten); "" when every row was placed.
std::string RegisterMapReport(const RegisterMap& map);

}  // namespace mms
