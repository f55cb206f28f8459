#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "datawindow/DataWindowLimits.h"
#include "datawindow/ValueEncoding.h"

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

// How a value cell is written: the type and byte order, the ASCII options and
// the user's decimal separator for the float types.
struct CellFormat {
  ValueEncoding Encoding;
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

// The text of one value from its WordCount(type) registers, first register
// first: integers in decimal, 16-bit hex as four digits, binary as sixteen,
// floats in FormatFixed (6 significant digits for 32-bit, 8 for 64-bit).
std::string FormatValue(const uint16_t* words, const ValueEncoding& encoding,
                        char decimalSeparator);

// The text of the value cell of offset `k`, reading words[k] and, for the
// 32- and 64-bit types, the words after it; those show on the first offset
// of their group (k a multiple of their word count) only. Empty when the
// value needs words at or past `wordCount`, so only a value whose words were
// all polled is shown. The 16-bit types except binary carry the ASCII text.
std::string FormatValueCell(const uint16_t* words, size_t wordCount, size_t k,
                            const CellFormat& format);

// Texts at least as wide as any value cell of `format` can show, in digits
// that are the widest of most fonts: a value column as wide as the widest of
// them never cuts a value, and never changes width when the values change.
std::vector<std::string> WidestValueTexts(const CellFormat& format);

}  // namespace mms
