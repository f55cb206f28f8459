#include "datawindow/ValueEncoding.h"

#include <iterator>
#include <tuple>
#include <utility>

#include "common/Conversions.h"

namespace mms {
namespace {

struct TypeInfo {
  const char* name;
  const char* key;
  int words;
};

constexpr TypeInfo kTypes[kValueTypeCount] = {
    {"16-bit unsigned", "uint16", 1}, {"16-bit signed", "int16", 1},
    {"16-bit hex", "hex16", 1},       {"16-bit binary", "binary16", 1},
    {"32-bit signed", "int32", 2},    {"32-bit unsigned", "uint32", 2},
    {"32-bit float", "float32", 2},   {"64-bit signed", "int64", 4},
    {"64-bit unsigned", "uint64", 4}, {"64-bit float", "float64", 4},
};

constexpr const char* kOrderNames[kByteOrderCount][2] = {
    {"ABCD", "ABCDEFGH"}, {"CDAB", "GHEFCDAB"}, {"BADC", "BADCFEHG"}, {"DCBA", "HGFEDCBA"}};

const TypeInfo& Info(ValueType type) {
  const int i = static_cast<int>(type);
  return kTypes[i >= 0 && i < kValueTypeCount ? i : 0];
}

bool SwapsWords(ByteOrder order) {
  return order == ByteOrder::WordSwapped || order == ByteOrder::LittleEndian;
}
bool SwapsBytes(ByteOrder order) {
  return order == ByteOrder::ByteSwapped || order == ByteOrder::LittleEndian;
}
uint16_t SwapBytes(uint16_t w) { return static_cast<uint16_t>((w << 8) | (w >> 8)); }

// The radio buttons in their order: 32bit float is CDAB, 32bit sw. float
// ABCD, 64bit float GHEFCDAB, 64bit sw. float ABCDEFGH.
constexpr std::pair<ValueType, ByteOrder> kRadios[] = {
    {ValueType::Unsigned16, ByteOrder::BigEndian}, {ValueType::Signed16, ByteOrder::BigEndian},
    {ValueType::Hex16, ByteOrder::BigEndian},      {ValueType::Binary16, ByteOrder::BigEndian},
    {ValueType::Float32, ByteOrder::WordSwapped},  {ValueType::Float32, ByteOrder::BigEndian},
    {ValueType::Float64, ByteOrder::WordSwapped},  {ValueType::Float64, ByteOrder::BigEndian},
};

}  // namespace

ValueEncoding::ValueEncoding(DisplayFormat radio) {
  const auto i = static_cast<size_t>(radio);
  if (i < std::size(kRadios)) std::tie(Type, Order) = kRadios[i];
}

int WordCount(ValueType type) { return Info(type).words; }

bool IsFloat(ValueType type) { return type == ValueType::Float32 || type == ValueType::Float64; }

const char* TypeName(ValueType type) { return Info(type).name; }

const char* OrderName(ByteOrder order, ValueType type) {
  const int i = static_cast<int>(order);
  return kOrderNames[i >= 0 && i < kByteOrderCount ? i : 0][WordCount(type) == 4 ? 1 : 0];
}

std::optional<DisplayFormat> RadioFormatOf(const ValueEncoding& encoding) {
  for (size_t i = 0; i < std::size(kRadios); ++i) {
    const auto radio = static_cast<DisplayFormat>(i);
    const ValueEncoding its(radio);
    if (its.Type != encoding.Type) continue;
    if (WordCount(its.Type) == 1 || its.Order == encoding.Order) return radio;
  }
  return std::nullopt;
}

uint64_t BitsFromWords(const uint16_t* words, int count, ByteOrder order) {
  uint64_t bits = 0;
  for (int i = 0; i < count; ++i) {
    const uint16_t w = SwapsBytes(order) ? SwapBytes(words[i]) : words[i];
    const int place = SwapsWords(order) ? i : count - 1 - i;
    bits |= uint64_t{w} << (16 * place);
  }
  return bits;
}

void WordsFromBits(uint64_t bits, int count, ByteOrder order, uint16_t* words) {
  for (int i = 0; i < count; ++i) {
    const int place = SwapsWords(order) ? i : count - 1 - i;
    const auto w = static_cast<uint16_t>(bits >> (16 * place));
    words[i] = SwapsBytes(order) ? SwapBytes(w) : w;
  }
}

const char* TypeKey(ValueType type) { return Info(type).key; }

std::optional<ValueType> TypeFromKey(const std::string& key) {
  for (int i = 0; i < kValueTypeCount; ++i) {
    if (EqualIgnoringCase(key, kTypes[i].key)) return static_cast<ValueType>(i);
  }
  return std::nullopt;
}

std::optional<ByteOrder> OrderFromName(const std::string& name) {
  for (int i = 0; i < kByteOrderCount; ++i) {
    if (EqualIgnoringCase(name, kOrderNames[i][0]) || EqualIgnoringCase(name, kOrderNames[i][1])) {
      return static_cast<ByteOrder>(i);
    }
  }
  return std::nullopt;
}

}  // namespace mms
