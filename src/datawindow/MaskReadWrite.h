#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/WindowRecord.h"
#include "datawindow/AddressStyle.h"
#include "datawindow/ValueEncoding.h"

// Function 22 (mask write register) and 23 (read/write multiple registers)
// requests from the texts of their dialog.
namespace mms {

// The most registers one function 23 request reads and writes.
inline constexpr int kFunction23MaxRead = 125;
inline constexpr int kFunction23MaxWrite = 121;

// The register becomes (value AND andMask) OR (orMask AND NOT andMask).
// Addresses are typed in `style`; masks as 16-bit integers ("$FF00"
// hexadecimal). Throws Error naming the refused text.
WriteRequest MaskWriteRequest(uint16_t deviceId, const std::string& address,
                              const std::string& andMask, const std::string& orMask,
                              const AddressStyle& style);

// Reads `readCount` registers from `readAddress` and writes the values of
// `writeTexts` (blank- or semicolon-separated, each read as the write register
// dialog reads a value in `encoding`) from `writeAddress`, in one request.
// Device 0 is refused: a broadcast cannot answer with what it read. Throws
// Error naming the refused text or count.
WriteRequest ReadWriteRequest(uint16_t deviceId, const std::string& readAddress,
                              const std::string& readCount, const std::string& writeAddress,
                              const std::string& writeTexts, const ValueEncoding& encoding,
                              const AddressStyle& style, char decimalSeparator);

// The values texts of ReadWriteRequest, split.
std::vector<std::string> SplitValues(const std::string& text);

}  // namespace mms
