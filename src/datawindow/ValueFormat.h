#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "datawindow/DataWindowLimits.h"

namespace mms {

// Which register bytes the ASCII display shows beside a value.
enum class AsciiMode {
  OneChar,        // low byte
  TwoChar,        // low byte, then high byte
  TwoCharSwapped  // high byte, then low byte
};

struct AsciiOptions {
  bool Enabled = false;
  AsciiMode Mode = AsciiMode::OneChar;
  bool operator==(const AsciiOptions&) const = default;
};

// How a value cell is written: the display format, the ASCII options and the
// user's decimal separator for the float formats.
struct CellFormat {
  DisplayFormat Format = DisplayFormat::Decimal;
  AsciiOptions Ascii;
  char DecimalSeparator = '.';
  bool operator==(const CellFormat&) const = default;
};

// "  '<chars>'": the bytes picked by `options` up to the first zero byte, each
// byte taken as a Latin-1 character and returned as UTF-8. Empty when the
// ASCII display is off.
std::string AsciiSuffix(uint16_t word, const AsciiOptions& options);

// Fixed notation with 4 decimals and `precision` significant digits: the
// value is rounded once, at whichever of the two keeps fewer digits. A value
// whose integer part needs more than `precision` digits is written in
// scientific notation ("1.23457E+06", the mantissa with `precision`
// significant digits, the exponent with a sign and at least two digits).
// A value that rounds to zero has no sign ("0.0000"). Not-a-number is
// "NAN", the infinities "INF" and "-INF".
std::string FormatFixed(double value, int precision, char decimalSeparator);

// The text of the value cell of offset `k`, reading words[k] and, for the
// 32- and 64-bit formats, the words after it. Words at or past `wordCount`
// count as 0, so a window near the end of the buffer never reads outside it.
std::string FormatValueCell(const uint16_t* words, size_t wordCount, size_t k,
                            const CellFormat& format);

// Texts at least as wide as any value cell of `format` can show, in digits
// that are the widest of most fonts: a value column as wide as the widest of
// them never cuts a value, and never changes width when the values change.
std::vector<std::string> WidestValueTexts(const CellFormat& format);

// The IEEE-754 values that the float formats show, from their words in
// display order (first register first).
float SingleFromWords(uint16_t first, uint16_t second, bool swapped);
double DoubleFromWords(const uint16_t words[4], bool swapped);

}  // namespace mms
