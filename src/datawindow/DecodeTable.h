#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "datawindow/ValueEncoding.h"

namespace mms {

// One reading of a cell's registers in the decode inspector.
struct DecodeRow {
  std::string Label;         // "32-bit float CDAB"
  std::string Text;          // as a value cell shows it; empty when its words were not all polled
  bool Implausible = false;  // as a measurement: NaN, infinite, subnormal, magnitude above 1e15
  std::optional<ValueEncoding> Encoding;  // the display format it stands for; none for ASCII
};

// Every reading of the registers `words[0..count)` from one cell on, in a
// fixed order: the 16-bit types and the ASCII of both bytes (high byte
// first, other than printable ASCII as '.') of words[0]; then the 32-bit
// signed, unsigned and float types and the 64-bit ones, each in the four byte
// orders. Always the same rows; a reading that needs more than `count` words
// has an empty text.
std::vector<DecodeRow> DecodeRegisters(const uint16_t* words, size_t count, char decimalSeparator);

}  // namespace mms
