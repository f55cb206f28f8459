#include "common/Conversions.h"

#include <locale.h>

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

// Rejects as soon as the magnitude leaves the 32-bit range, so a text of any
// length costs one pass and cannot overflow the accumulator.
bool ParseInt(const std::string& text, int32_t* value) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
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
  const int64_t limit = negative ? 2147483648LL : 2147483647LL;
  int64_t magnitude = 0;
  for (; i < n; ++i) {
    const int digit = DigitValue(text[i], base);
    if (digit < 0) return false;
    magnitude = magnitude * base + digit;
    if (magnitude > limit) return false;
  }
  if (value) *value = static_cast<int32_t>(negative ? -magnitude : magnitude);
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

}  // namespace mms
