#include "datawindow/WriteValue.h"

#include <cmath>
#include <cstring>

#include "common/Conversions.h"
#include "common/Errors.h"

namespace mms {

namespace {

// Doubles at or beyond this round to infinity in single precision: the
// largest single plus half of its last place.
constexpr double kSingleOverflow = 0x1.ffffffp+127;

WriteRequest Request(uint8_t function, uint16_t deviceId, uint16_t address, uint16_t count) {
  WriteRequest request;
  request.WriteFunction = function;
  request.WriteDeviceID = static_cast<uint8_t>(deviceId & 0xFF);
  request.WriteAddress = address;
  request.WriteCount = count;
  return request;
}

uint16_t ParseBinary(const std::string& text) {
  if (text.empty() || text.size() > 16) {
    throw Error("'" + text + "' is not a valid binary value: type 1 to 16 digits 0 or 1");
  }
  uint16_t value = 0;
  for (char c : text) {
    if (c != '0' && c != '1') {
      throw Error("'" + text + "' is not a valid binary value: type 1 to 16 digits 0 or 1");
    }
    value = static_cast<uint16_t>((value << 1) | (c - '0'));
  }
  return value;
}

uint32_t SingleBits(const std::string& text, char decimalSeparator) {
  const double value = StrToFloat(text, decimalSeparator);
  if (!(std::fabs(value) < kSingleOverflow)) {
    throw Error("'" + text + "' is not a valid floating point value");
  }
  const float single = static_cast<float>(value);
  uint32_t bits = 0;
  std::memcpy(&bits, &single, sizeof bits);
  return bits;
}

uint64_t DoubleBits(const std::string& text, char decimalSeparator) {
  const double value = StrToFloat(text, decimalSeparator);
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

uint16_t Word(uint64_t bits, int index) { return static_cast<uint16_t>(bits >> (16 * index)); }

}  // namespace

WriteRequest CoilWriteRequest(uint16_t deviceId, uint16_t address, bool on) {
  WriteRequest request = Request(5, deviceId, address, 1);
  request.WriteValues[0] = on ? 1 : 0;
  return request;
}

WriteRequest RegisterWriteRequest(const std::string& text, DisplayFormat format, uint16_t deviceId,
                                  uint16_t address, char decimalSeparator) {
  switch (format) {
    case DisplayFormat::Decimal:
    case DisplayFormat::Integer:
    case DisplayFormat::Hexadecimal: {
      WriteRequest request = Request(6, deviceId, address, 1);
      request.WriteValues[0] = static_cast<uint16_t>(StrToInt(text));
      return request;
    }
    case DisplayFormat::Binary: {
      WriteRequest request = Request(6, deviceId, address, 1);
      request.WriteValues[0] = ParseBinary(text);
      return request;
    }
    case DisplayFormat::Float:
    case DisplayFormat::SwappedFloat: {
      const uint32_t bits = SingleBits(text, decimalSeparator);
      const bool swapped = format == DisplayFormat::SwappedFloat;
      WriteRequest request = Request(16, deviceId, address, 2);
      for (int i = 0; i < 2; ++i) request.WriteValues[i] = Word(bits, swapped ? 1 - i : i);
      return request;
    }
    case DisplayFormat::Double:
    case DisplayFormat::SwappedDouble: {
      const uint64_t bits = DoubleBits(text, decimalSeparator);
      const bool swapped = format == DisplayFormat::SwappedDouble;
      WriteRequest request = Request(16, deviceId, address, 4);
      for (int i = 0; i < 4; ++i) request.WriteValues[i] = Word(bits, swapped ? 3 - i : i);
      return request;
    }
  }
  throw Error("Unknown display format");
}

}  // namespace mms
