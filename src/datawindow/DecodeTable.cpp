#include "datawindow/DecodeTable.h"

#include <cmath>
#include <cstring>

#include "datawindow/ValueFormat.h"

namespace mms {
namespace {

constexpr double kLargestPlausible = 1e15;

// Subnormal as its own type: a float of 1e-40 is subnormal, the same double is not.
template <typename Real>
bool Implausible(Real value) {
  return !std::isfinite(value) || std::fpclassify(value) == FP_SUBNORMAL ||
         std::fabs(value) > kLargestPlausible;
}

bool ImplausibleValue(const uint16_t* words, const ValueEncoding& encoding) {
  const uint64_t bits = BitsFromWords(words, WordCount(encoding.Type), encoding.Order);
  switch (encoding.Type) {
    case ValueType::Float32: {
      const auto narrow = static_cast<uint32_t>(bits);
      float value;
      std::memcpy(&value, &narrow, sizeof value);
      return Implausible(value);
    }
    case ValueType::Float64: {
      double value;
      std::memcpy(&value, &bits, sizeof value);
      return Implausible(value);
    }
    case ValueType::Signed64:
      return Implausible(static_cast<double>(static_cast<int64_t>(bits)));
    case ValueType::Unsigned64:
      return Implausible(static_cast<double>(bits));
    default:
      return false;  // 16- and 32-bit integers never reach 1e15
  }
}

char Printable(uint8_t byte) { return byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.'; }

}  // namespace

std::vector<DecodeRow> DecodeRegisters(const uint16_t* words, size_t count, char decimalSeparator) {
  std::vector<DecodeRow> rows;
  auto add = [&](const ValueEncoding& encoding) {
    const int needed = WordCount(encoding.Type);
    DecodeRow row;
    row.Label = TypeName(encoding.Type);
    if (needed > 1) row.Label += std::string(" ") + OrderName(encoding.Order, encoding.Type);
    row.Encoding = encoding;
    if (words && count >= static_cast<size_t>(needed)) {
      row.Text = FormatValue(words, encoding, decimalSeparator);
      row.Implausible = ImplausibleValue(words, encoding);
    }
    rows.push_back(row);
  };
  for (ValueType type :
       {ValueType::Unsigned16, ValueType::Signed16, ValueType::Hex16, ValueType::Binary16}) {
    add({type, ByteOrder::BigEndian});
  }
  DecodeRow ascii;
  ascii.Label = "ASCII";
  if (words && count >= 1) {
    ascii.Text = {'\'', Printable(words[0] >> 8), Printable(words[0] & 0xFF), '\''};
  }
  rows.push_back(ascii);
  for (ValueType type : {ValueType::Signed32, ValueType::Unsigned32, ValueType::Float32,
                         ValueType::Signed64, ValueType::Unsigned64, ValueType::Float64}) {
    for (int order = 0; order < kByteOrderCount; ++order) {
      add({type, static_cast<ByteOrder>(order)});
    }
  }
  return rows;
}

}  // namespace mms
