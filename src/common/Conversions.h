#pragma once
#include <cstdint>
#include <string>

namespace mms {

// Integer conversion of a text: leading blanks (spaces, tabs) skipped,
// optional sign, decimal digits or hexadecimal digits after "$", "x" or "0x"
// (either case); nothing may follow and the value must fit 32 bits signed.
// Hexadecimal digits are a magnitude like decimal ones: "$7FFFFFFF" and
// "-$80000000" fit, "$FFFFFFFF" does not. Throws Error("'<text>' is not a
// valid integer value") otherwise; the Try form returns false instead. In the
// messages a NUL character of the text shows as '?'.
int32_t StrToInt(const std::string& text);
bool TryStrToInt(const std::string& text, int32_t* value);

// The same text for a wider range: a magnitude up to `maxPositive` without
// '-', up to `maxNegative` with it (2^64 - 1 at most). Returns the value in
// two's complement, 64 bits wide; throws the same Error as StrToInt.
uint64_t StrToIntBits(const std::string& text, uint64_t maxPositive, uint64_t maxNegative);

// Floating-point conversion: optional blanks around the number, optional
// sign, digits, a fraction after `decimalSeparator`, an optional exponent
// ("e" or "E", optional sign, digits); at least one mantissa digit. Infinity,
// NaN, hexadecimal floats and values beyond the double range are refused with
// Error("'<text>' is not a valid floating point value"). Independent of the
// process locale. A separator that would be ambiguous (a digit, sign, blank,
// 'e', 'E' or NUL) is taken as '.'.
double StrToFloat(const std::string& text, char decimalSeparator);
bool TryStrToFloat(const std::string& text, char decimalSeparator, double* value);

// Whether two texts are the same but for the case of ASCII letters.
bool EqualIgnoringCase(const std::string& a, const std::string& b);

}  // namespace mms
