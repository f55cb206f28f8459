#include "common/Conversions.h"

#include <locale.h>

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "common/Errors.h"

namespace mms {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int DigitValue(char c, int base) {
  if (base == 10) return IsDigit(c) ? c - '0' : -1;
  return HexDigitValue(c);
}

// Rejects as soon as the magnitude passes its limit, so a text of any length
// costs one pass and cannot overflow the accumulator. *bits gets the value in
// two's complement.
bool ParseInt(const std::string& text, uint64_t maxPositive, uint64_t maxNegative, uint64_t* bits) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  unsigned base = 10;
  if (i < n && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i < n && (text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == n) return false;
  const uint64_t limit = negative ? maxNegative : maxPositive;
  uint64_t magnitude = 0;
  for (; i < n; ++i) {
    const int digit = DigitValue(text[i], static_cast<int>(base));
    if (digit < 0) return false;
    const auto d = static_cast<unsigned>(digit);
    if (d > limit || magnitude > (limit - d) / base) return false;
    magnitude = magnitude * base + d;
  }
  if (bits) *bits = negative ? 0 - magnitude : magnitude;
  return true;
}

bool ParseInt(const std::string& text, int32_t* value) {
  uint64_t bits = 0;
  if (!ParseInt(text, 2147483647u, 2147483648u, &bits)) return false;
  if (value) *value = static_cast<int32_t>(static_cast<uint32_t>(bits));
  return true;
}

locale_t CLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return locale;
}

// Checks the shape first and hands strtod only a plain "-12.5e3" text, so
// that hexadecimal floats, "inf" and "nan" never get through and the process
// locale (which Qt sets from the environment) plays no part.
bool ParseFloat(const std::string& text, char decimalSeparator, double* value) {
  if (IsDigit(decimalSeparator) || IsBlank(decimalSeparator) || decimalSeparator == '+' ||
      decimalSeparator == '-' || decimalSeparator == 'e' || decimalSeparator == 'E' ||
      decimalSeparator == '\0') {
    decimalSeparator = '.';
  }
  size_t i = 0;
  size_t n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  while (n > i && IsBlank(text[n - 1])) --n;

  std::string plain;
  plain.reserve(n - i + 1);
  if (i < n && (text[i] == '+' || text[i] == '-')) plain += text[i++];
  size_t digits = 0;
  for (; i < n && IsDigit(text[i]); ++i, ++digits) plain += text[i];
  if (i < n && text[i] == decimalSeparator) {
    plain += '.';
    for (++i; i < n && IsDigit(text[i]); ++i, ++digits) plain += text[i];
  }
  if (digits == 0) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    plain += 'e';
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) plain += text[i++];
    size_t exponentDigits = 0;
    for (; i < n && IsDigit(text[i]); ++i, ++exponentDigits) plain += text[i];
    if (exponentDigits == 0) return false;
  }
  if (i != n) return false;

  const locale_t locale = CLocale();
  if (locale == static_cast<locale_t>(0)) return false;
  const double result = strtod_l(plain.c_str(), nullptr, locale);
  // An underflow reads as zero or a tiny value, which is fine; an overflow
  // reads as infinity, which is not a value.
  if (!std::isfinite(result)) return false;
  if (value) *value = result;
  return true;
}

// The message is read as a C string, so an embedded NUL would cut it short.
std::string Quoted(const std::string& text) {
  std::string out = "'" + text + "'";
  for (char& c : out) {
    if (c == '\0') c = '?';
  }
  return out;
}

}  // namespace

int32_t StrToInt(const std::string& text) {
  int32_t value = 0;
  if (!ParseInt(text, &value)) throw Error(Quoted(text) + " is not a valid integer value");
  return value;
}

bool TryStrToInt(const std::string& text, int32_t* value) { return ParseInt(text, value); }

uint64_t StrToIntBits(const std::string& text, uint64_t maxPositive, uint64_t maxNegative) {
  uint64_t bits = 0;
  if (!ParseInt(text, maxPositive, maxNegative, &bits)) {
    throw Error(Quoted(text) + " is not a valid integer value");
  }
  return bits;
}

double StrToFloat(const std::string& text, char decimalSeparator) {
  double value = 0;
  if (!ParseFloat(text, decimalSeparator, &value)) {
    throw Error(Quoted(text) + " is not a valid floating point value");
  }
  return value;
}

bool TryStrToFloat(const std::string& text, char decimalSeparator, double* value) {
  return ParseFloat(text, decimalSeparator, value);
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace mms
