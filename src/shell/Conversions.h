#pragma once
#include <cstdint>
#include <string>

namespace mms {

// Integer conversion of a text: leading blanks skipped, optional sign, decimal
// digits or hexadecimal digits after "$", "x" or "0x"; nothing may follow and
// the value must fit 32 bits signed. Throws Error("'<text>' is not a valid
// integer value") otherwise.
int32_t StrToInt(const std::string& text);
bool TryStrToInt(const std::string& text, int32_t* value);

// Floating-point conversion: optional sign, digits, a fraction after
// `decimalSeparator`, an optional exponent. Throws Error("'<text>' is not a
// valid floating point value") otherwise.
double StrToFloat(const std::string& text, char decimalSeparator);
bool TryStrToFloat(const std::string& text, char decimalSeparator, double* value);

}  // namespace mms
