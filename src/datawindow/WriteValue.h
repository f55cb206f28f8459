#pragma once
#include <cstdint>
#include <string>

#include "datawindow/DataWindowLimits.h"
#include "common/WindowRecord.h"

namespace mms {

// The request "Update" of the write coil dialog queues: function 5, count 1,
// value 1 (on) or 0 (off). deviceId keeps its low 8 bits.
WriteRequest CoilWriteRequest(uint16_t deviceId, uint16_t address, bool on);

// The request "Update" of the write register dialog queues for the text
// typed in `format`, the display format of the data window:
// - Decimal, Integer, Hexadecimal: the integer conversion (StrToInt, so
//   hexadecimal needs "$" or "0x"), low 16 bits; function 6, count 1.
// - Binary: 1 to 16 characters "0"/"1", the last one bit 0; function 6, count 1.
// - Float, SwFloat: the floating-point conversion rounded to single;
//   function 16, count 2. Double, SwDouble: to double; function 16, count 4.
//   The word orders are those in which the grid shows these formats, so a
//   value reads back as written.
// Throws Error with the message the error box shows when the text is refused.
WriteRequest RegisterWriteRequest(const std::string& text, DisplayFormat format, uint16_t deviceId,
                                  uint16_t address, char decimalSeparator);

}  // namespace mms
