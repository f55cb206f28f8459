#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "datawindow/DataWindowLimits.h"

namespace mms {

// What the registers of one value hold, in the order of the window's Type drop-down.
enum class ValueType {
  Unsigned16,
  Signed16,
  Hex16,
  Binary16,
  Signed32,
  Unsigned32,
  Float32,
  Signed64,
  Unsigned64,
  Float64
};
inline constexpr int kValueTypeCount = 10;

// How the bytes of a 32- or 64-bit value lie in its registers, in the order
// of the window's Order drop-down. Named as datasheets name them: ABCD
// (ABCDEFGH) is big-endian, the first register holding the high word.
enum class ByteOrder {
  BigEndian,     // ABCD, ABCDEFGH
  WordSwapped,   // CDAB, GHEFCDAB
  ByteSwapped,   // BADC, BADCFEHG
  LittleEndian,  // DCBA, HGFEDCBA
};
inline constexpr int kByteOrderCount = 4;

// A value's type and byte order. The order means nothing to the 16-bit types.
struct ValueEncoding {
  ValueType Type = ValueType::Unsigned16;
  ByteOrder Order = ByteOrder::BigEndian;

  constexpr ValueEncoding() = default;
  constexpr ValueEncoding(ValueType type, ByteOrder order) : Type(type), Order(order) {}
  // Each display-option radio button stands for one encoding.
  ValueEncoding(DisplayFormat radio);  // NOLINT: implicit on purpose

  bool operator==(const ValueEncoding&) const = default;
};

// 1, 2 or 4 registers.
int WordCount(ValueType type);
bool IsFloat(ValueType type);

// The texts of the Type and Order drop-downs: "32-bit float", "CDAB" (four
// letters for the 16- and 32-bit types, eight for the 64-bit ones).
const char* TypeName(ValueType type);
const char* OrderName(ByteOrder order, ValueType type);

// The radio button whose encoding this is; any order matches a 16-bit type.
std::optional<DisplayFormat> RadioFormatOf(const ValueEncoding& encoding);

// The value's bits, in the low 16 x `count` bits, from its registers
// (first register first), and back.
uint64_t BitsFromWords(const uint16_t* words, int count, ByteOrder order);
void WordsFromBits(uint64_t bits, int count, ByteOrder order, uint16_t* words);

// Identifiers used in window files: "float32", "CDAB" / "GHEFCDAB".
const char* TypeKey(ValueType type);
std::optional<ValueType> TypeFromKey(const std::string& key);
std::optional<ByteOrder> OrderFromName(const std::string& name);  // either width, any case

}  // namespace mms
