#pragma once
#include <cstdint>
#include <string>

#include "common/WindowRecord.h"
#include "datawindow/ValueEncoding.h"

namespace mms {

// The request "Update" of the write coil dialog queues: function 5, count 1,
// value 1 (on) or 0 (off). deviceId keeps its low 8 bits.
WriteRequest CoilWriteRequest(uint16_t deviceId, uint16_t address, bool on);

// The request "Update" of the write register dialog queues for the text
// typed in `encoding`, the type and byte order of the data window:
// - 16-bit unsigned, signed, hex: the integer conversion (StrToInt, so
//   hexadecimal needs "$" or "0x"), low 16 bits; function 6, count 1.
// - 16-bit binary: 1 to 16 characters "0"/"1", the last one bit 0; function 6.
// - 32- and 64-bit integers: the same conversion within the type's range;
//   function 16, count 2 or 4.
// - Floats: the floating-point conversion (rounded to single for 32 bits),
//   or "$" and up to 8 (16) hexadecimal digits giving the bits themselves;
//   function 16, count 2 or 4.
// The words are laid out in the byte order in which the grid reads them, so
// a value reads back as written.
// Throws Error with the message the error box shows when the text is refused.
WriteRequest RegisterWriteRequest(const std::string& text, const ValueEncoding& encoding,
                                  uint16_t deviceId, uint16_t address, char decimalSeparator);

// The text the write register dialog opens with for the value whose
// WordCount(type) registers are `words`, such that RegisterWriteRequest of
// it writes these very words back: hex as "$000A", binary as 16 digits,
// floats in the shortest text that reads back the same, or in "$" and the
// hexadecimal bits where no number does (not-a-number, the infinities).
std::string PrefillText(const uint16_t* words, const ValueEncoding& encoding,
                        char decimalSeparator);

}  // namespace mms
