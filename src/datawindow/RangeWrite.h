#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/WindowRecord.h"
#include "datawindow/ValueEncoding.h"

// Writing a range of coils (function 15) or holding registers (function 16)
// in one request, as the range write dialog lists it: one row per coil, or
// per value of the window's type for registers.
namespace mms {

// The protocol's limits for one request.
inline constexpr int kMaxRangeCoils = 1968;
inline constexpr int kMaxRangeRegisters = 123;

struct RangeRow {
  uint16_t Address = 0;
  std::string Text;
};

// The most coils or registers one range write takes.
int MaxRangeCount(bool coils);

// The count typed in the dialog, checked against the limits; throws Error
// "'<text>' is not a valid count: write 1 to 123 registers in one request"
// (1968 coils) otherwise.
int RangeCount(const std::string& text, bool coils);

// The rows for `count` coils or registers from `address`: coils as "0" or
// "1", registers as whole values of `encoding` (the last one may reach past
// count) in the text the write register dialog would open with. `words`
// holds the `known` words polled from `address` on; the rest read as 0.
std::vector<RangeRow> RangeRows(bool coils, uint16_t address, int count, const uint16_t* words,
                                int known, const ValueEncoding& encoding, char decimalSeparator);

// The function 15 request for the rows' texts ("0"/"1", "off"/"on" in any
// case). Throws Error "'<text>' is not a valid coil value: type 0 or 1".
WriteRequest CoilRangeRequest(const std::vector<std::string>& texts, uint16_t deviceId,
                              uint16_t address);

// The function 16 request for the rows' texts, each read as the write register
// dialog reads its value in `encoding`; the registers of every value in turn.
// Throws that dialog's Error for a refused text, or the count's when the
// values need more than 123 registers.
WriteRequest RegisterRangeRequest(const std::vector<std::string>& texts,
                                  const ValueEncoding& encoding, uint16_t deviceId,
                                  uint16_t address, char decimalSeparator);

}  // namespace mms
