#include "datawindow/WriteValue.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "common/Conversions.h"
#include "common/Errors.h"
#include "datawindow/ValueFormat.h"

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

// The message is read as a C string, so an embedded NUL would cut it short.
std::string Quoted(const std::string& text) {
  std::string out = "'" + text + "'";
  for (char& c : out) {
    if (c == '\0') c = '?';
  }
  return out;
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

// "$" or "0x" and 1 to `maxDigits` hexadecimal digits: the bits of a float.
bool ParseFloatBits(const std::string& text, size_t maxDigits, uint64_t* bits) {
  size_t i = 0;
  if (text.rfind('$', 0) == 0) {
    i = 1;
  } else if (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0) {
    i = 2;
  }
  if (i == 0 || text.size() == i || text.size() - i > maxDigits) return false;
  const auto result = std::from_chars(text.data() + i, text.data() + text.size(), *bits, 16);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool TryFloatBits(const std::string& text, ValueType type, char separator, uint64_t* bits) {
  const bool single = type == ValueType::Float32;
  if (ParseFloatBits(text, single ? 8 : 16, bits)) return true;
  double value = 0;
  if (!TryStrToFloat(text, separator, &value)) return false;
  if (single) {
    if (!(std::fabs(value) < kSingleOverflow)) return false;
    const float rounded = static_cast<float>(value);
    uint32_t narrow = 0;
    std::memcpy(&narrow, &rounded, sizeof narrow);
    *bits = narrow;
  } else {
    std::memcpy(bits, &value, sizeof value);
  }
  return true;
}

uint64_t IntegerBits(const std::string& text, ValueType type) {
  constexpr uint64_t kMax32 = 0xFFFFFFFFu;
  constexpr uint64_t kMax64 = ~uint64_t{0};
  switch (type) {
    case ValueType::Signed32:
      return StrToIntBits(text, kMax32 / 2, kMax32 / 2 + 1);
    case ValueType::Unsigned32:
      return StrToIntBits(text, kMax32, 0);
    case ValueType::Signed64:
      return StrToIntBits(text, kMax64 / 2, kMax64 / 2 + 1);
    case ValueType::Unsigned64:
      return StrToIntBits(text, kMax64, 0);
    case ValueType::Signed16:
      return static_cast<uint16_t>(StrToIntBits(text, 0x7FFF, 0x8000));
    default:  // unsigned 16, hexadecimal: what the register holds, nothing wraps
      return StrToIntBits(text, 0xFFFF, 0);
  }
}

std::string HexBits(uint64_t bits, int digits) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text(static_cast<size_t>(digits) + 1, '$');
  for (int i = digits; i >= 1; --i, bits >>= 4) text[static_cast<size_t>(i)] = kDigits[bits & 0xF];
  return text;
}

// The shortest decimal text that reads back as the same bits.
std::string FloatText(uint64_t bits, ValueType type, char separator) {
  char buffer[64];
  std::to_chars_result result{};
  if (type == ValueType::Float32) {
    const auto narrow = static_cast<uint32_t>(bits);
    float value;
    std::memcpy(&value, &narrow, sizeof value);
    result = std::to_chars(buffer, buffer + sizeof buffer, value);
  } else {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    result = std::to_chars(buffer, buffer + sizeof buffer, value);
  }
  std::string text(buffer, result.ec == std::errc() ? result.ptr : buffer);
  for (char& c : text) {
    if (c == '.') c = separator;
  }
  uint64_t back = 0;
  if (TryFloatBits(text, type, separator, &back) && back == bits) return text;
  return HexBits(bits, type == ValueType::Float32 ? 8 : 16);
}

}  // namespace

WriteRequest CoilWriteRequest(uint16_t deviceId, uint16_t address, bool on) {
  WriteRequest request = Request(5, deviceId, address, 1);
  request.WriteValues[0] = on ? 1 : 0;
  return request;
}

WriteRequest RegisterWriteRequest(const std::string& text, const ValueEncoding& encoding,
                                  uint16_t deviceId, uint16_t address, char decimalSeparator) {
  const int count = WordCount(encoding.Type);
  uint64_t bits = 0;
  if (encoding.Type == ValueType::Binary16) {
    bits = ParseBinary(text);
  } else if (IsFloat(encoding.Type)) {
    if (!TryFloatBits(text, encoding.Type, decimalSeparator, &bits)) {
      throw Error(Quoted(text) + " is not a valid floating point value");
    }
  } else {
    bits = IntegerBits(text, encoding.Type);
  }
  WriteRequest request =
      Request(count == 1 ? 6 : 16, deviceId, address, static_cast<uint16_t>(count));
  // A 16-bit value has no byte order of its own.
  WordsFromBits(bits, count, count == 1 ? ByteOrder::BigEndian : encoding.Order,
                request.WriteValues);
  return request;
}

std::string PrefillText(const uint16_t* words, const ValueEncoding& encoding,
                        char decimalSeparator) {
  if (IsFloat(encoding.Type)) {
    const int count = WordCount(encoding.Type);
    return FloatText(BitsFromWords(words, count, encoding.Order), encoding.Type, decimalSeparator);
  }
  const std::string text = FormatValue(words, encoding, decimalSeparator);
  return encoding.Type == ValueType::Hex16 ? "$" + text : text;
}

}  // namespace mms
