#include "datawindow/ValueFormat.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace mms {
namespace {

void AppendLatin1(std::string& out, uint8_t byte) {
  if (byte < 0x80) {
    out += static_cast<char>(byte);
  } else {
    out += static_cast<char>(0xC0 | (byte >> 6));
    out += static_cast<char>(0x80 | (byte & 0x3F));
  }
}

// to_chars is locale independent; the separator is put in afterwards.
std::string ToChars(double value, std::chars_format fmt, int precision) {
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, fmt, precision);
  if (result.ec != std::errc()) return std::string();
  return std::string(buffer, result.ptr);
}

bool HasNonZeroDigit(const std::string& text) {
  for (char c : text) {
    if (c == 'E') break;
    if (c >= '1' && c <= '9') return true;
  }
  return false;
}

std::string Hex4(uint16_t w) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text(4, '0');
  for (int i = 3; i >= 0; --i, w >>= 4) text[i] = kDigits[w & 0xF];
  return text;
}

std::string Binary16(uint16_t w) {
  std::string text(16, '0');
  for (int bit = 0; bit < 16; ++bit) {
    if (w & (1u << bit)) text[15 - bit] = '1';
  }
  return text;
}

}  // namespace

std::string AsciiSuffix(uint16_t word, const AsciiOptions& options) {
  if (!options.Enabled) return std::string();
  const uint8_t low = word & 0xFF;
  const uint8_t high = word >> 8;
  uint8_t bytes[2] = {0, 0};
  switch (options.Mode) {
    case AsciiMode::OneChar:
      bytes[0] = low;
      break;
    case AsciiMode::TwoChar:
      bytes[0] = low;
      bytes[1] = high;
      break;
    case AsciiMode::TwoCharSwapped:
      bytes[0] = high;
      bytes[1] = low;
      break;
  }
  std::string text = "  '";
  for (uint8_t b : bytes) {
    if (b == 0) break;
    AppendLatin1(text, b);
  }
  text += '\'';
  return text;
}

std::string FormatFixed(double value, int precision, char decimalSeparator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (precision < 1) precision = 1;
  if (precision > 17) precision = 17;
  const double magnitude = std::fabs(value);

  // Rounded to `precision` significant digits, the value tells how many
  // integer digits it has and so where the single rounding must happen.
  const std::string sci = ToChars(magnitude, std::chars_format::scientific, precision - 1);
  const size_t e = sci.find('e');
  if (e == std::string::npos) return std::string();
  const int exponent = std::atoi(sci.c_str() + e + 1);
  std::string digits;
  for (size_t i = 0; i < e; ++i) {
    if (sci[i] != '.') digits += sci[i];
  }
  const int intDigits = magnitude == 0 ? 1 : exponent + 1;

  std::string body;
  if (intDigits > precision) {
    body = digits.substr(0, 1);
    if (digits.size() > 1) body += decimalSeparator + digits.substr(1);
    body += 'E';
    body += exponent < 0 ? '-' : '+';
    const int absExp = std::abs(exponent);
    if (absExp < 10) body += '0';
    body += std::to_string(absExp);
  } else if (intDigits + 4 <= precision) {
    body = ToChars(magnitude, std::chars_format::fixed, 4);
    const size_t dot = body.find('.');
    if (dot != std::string::npos) body[dot] = decimalSeparator;
  } else {
    // Fewer than 4 decimals survive the significant digits; pad with zeros.
    std::string integer = intDigits > 0 ? digits.substr(0, intDigits) : "0";
    std::string fraction = intDigits > 0 ? digits.substr(intDigits) : digits;
    if (intDigits < 0) fraction.insert(0, static_cast<size_t>(-intDigits), '0');
    fraction.resize(4, '0');
    body = integer + decimalSeparator + fraction;
  }
  if (std::signbit(value) && HasNonZeroDigit(body)) body.insert(0, 1, '-');
  return body;
}

std::string FormatValue(const uint16_t* words, const ValueEncoding& encoding,
                        char decimalSeparator) {
  const int count = WordCount(encoding.Type);
  const uint64_t bits = BitsFromWords(words, count, encoding.Order);
  switch (encoding.Type) {
    case ValueType::Unsigned16:
      return std::to_string(words[0]);
    case ValueType::Signed16:
      return std::to_string(static_cast<int16_t>(words[0]));
    case ValueType::Hex16:
      return Hex4(words[0]);
    case ValueType::Binary16:
      return Binary16(words[0]);
    case ValueType::Signed32:
      return std::to_string(static_cast<int32_t>(static_cast<uint32_t>(bits)));
    case ValueType::Unsigned32:
    case ValueType::Unsigned64:
      return std::to_string(bits);
    case ValueType::Signed64:
      return std::to_string(static_cast<int64_t>(bits));
    case ValueType::Float32: {
      const auto single = static_cast<uint32_t>(bits);
      float value;
      std::memcpy(&value, &single, sizeof value);
      return FormatFixed(value, 6, decimalSeparator);
    }
    case ValueType::Float64: {
      double value;
      std::memcpy(&value, &bits, sizeof value);
      return FormatFixed(value, 8, decimalSeparator);
    }
  }
  return std::string();
}

std::vector<std::string> WidestValueTexts(const CellFormat& format) {
  const std::string separator(1, format.DecimalSeparator);
  // Two wide characters in the widest quoting AsciiSuffix writes.
  const std::string ascii = format.Ascii.Enabled ? "  'WW'" : "";
  switch (format.Encoding.Type) {
    case ValueType::Unsigned16:
      return {"88888" + ascii};
    case ValueType::Signed16:
      return {"-88888" + ascii};
    case ValueType::Hex16:
      return {"8888" + ascii, "DDDD" + ascii};
    case ValueType::Binary16:
      return {std::string(16, '8')};
    case ValueType::Signed32:
    case ValueType::Unsigned32:
      return {"-8888888888"};
    case ValueType::Signed64:
    case ValueType::Unsigned64:
      return {"88888888888888888888"};
    case ValueType::Float32:
      // FormatFixed with 6 digits: "-999999.0000" or "-3.40282E+38".
      return {"-888888" + separator + "8888", "-8" + separator + "88888E+88"};
    case ValueType::Float64:
      // With 8 digits: "-99999999.0000" or "-1.7976931E+308".
      return {"-88888888" + separator + "8888", "-8" + separator + "8888888E+888"};
  }
  return {};
}

std::string FormatValueCell(const uint16_t* words, size_t wordCount, size_t k,
                            const CellFormat& format) {
  const ValueType type = format.Encoding.Type;
  const auto count = static_cast<size_t>(WordCount(type));
  if (k % count != 0 || !words || k >= wordCount || wordCount - k < count) return std::string();
  std::string text = FormatValue(words + k, format.Encoding, format.DecimalSeparator);
  if (count == 1 && type != ValueType::Binary16) text += AsciiSuffix(words[k], format.Ascii);
  return text;
}

}  // namespace mms
