#include "datawindow/AddressStyle.h"

#include <cctype>

#include "common/Conversions.h"
#include "common/Errors.h"

namespace mms {
namespace {

constexpr const char* kBaseNames[kAddressBaseCount] = {"0", "1", "Modicon"};

// The leading digit of a Modicon address, by function; none outside 1..4.
std::optional<char> ModiconPrefix(uint8_t function) {
  switch (function) {
    case 1:
      return '0';
    case 2:
      return '1';
    case 3:
      return '4';
    case 4:
      return '3';
    default:
      return std::nullopt;
  }
}

std::string Padded(int64_t n, size_t width) {
  std::string digits = std::to_string(n);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<uint16_t> FromOneBased(const std::string& text) {
  int32_t n = 0;
  if (!TryStrToInt(text, &n) || n < 1 || n > 65536) return std::nullopt;
  return static_cast<uint16_t>(n - 1);
}

std::optional<uint16_t> FromModicon(const std::string& text, char prefix) {
  const std::string digits = Trimmed(text);
  if ((digits.size() != 5 && digits.size() != 6) || digits[0] != prefix) return std::nullopt;
  int32_t n = 0;
  for (size_t i = 1; i < digits.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(digits[i]))) return std::nullopt;
    n = n * 10 + (digits[i] - '0');
  }
  if (n < 1 || n > (digits.size() == 5 ? 9999 : 65536)) return std::nullopt;
  return static_cast<uint16_t>(n - 1);
}

std::string WhatToType(const AddressStyle& style) {
  const std::optional<char> prefix = ModiconPrefix(style.Function);
  if (style.Base != AddressBase::Modicon || !prefix) return "1 to 65536";
  const std::string p(1, *prefix);
  return p + "0001 to " + p + "9999 or " + p + "00001 to " + p + "65536";
}

}  // namespace

const char* AddressBaseName(AddressBase base) {
  const int i = static_cast<int>(base);
  return kBaseNames[i >= 0 && i < kAddressBaseCount ? i : 0];
}

std::optional<AddressBase> AddressBaseFromName(const std::string& name) {
  for (int i = 0; i < kAddressBaseCount; ++i) {
    if (EqualIgnoringCase(name, kBaseNames[i])) return static_cast<AddressBase>(i);
  }
  return std::nullopt;
}

std::string AddressText(int64_t address, const AddressStyle& style) {
  if (style.Base == AddressBase::Zero) return std::to_string(address);
  const std::optional<char> prefix = ModiconPrefix(style.Function);
  if (style.Base == AddressBase::One || !prefix) return std::to_string(address + 1);
  const int64_t n = address + 1;
  return *prefix + Padded(n, n <= 9999 ? 4 : 5);
}

std::optional<uint16_t> TryProtocolAddress(const std::string& text, const AddressStyle& style) {
  if (style.Base == AddressBase::Zero) {
    int32_t n = 0;
    if (!TryStrToInt(text, &n)) return std::nullopt;
    return static_cast<uint16_t>(n);
  }
  const std::optional<char> prefix = ModiconPrefix(style.Function);
  if (style.Base == AddressBase::One || !prefix) return FromOneBased(text);
  return FromModicon(text, *prefix);
}

uint16_t ProtocolAddress(const std::string& text, const AddressStyle& style) {
  if (style.Base == AddressBase::Zero) return static_cast<uint16_t>(StrToInt(text));
  if (const std::optional<uint16_t> address = TryProtocolAddress(text, style)) return *address;
  std::string shown = text;
  for (char& c : shown) {
    if (c == '\0') c = '?';  // the message is read as a C string
  }
  throw Error("'" + shown + "' is not a valid address: type " + WhatToType(style));
}

}  // namespace mms
