#include "datawindow/ValueFormat.h"

#include "datawindow/DecodeTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace mms {
namespace {

using F = DisplayFormat;

AsciiOptions Ascii(AsciiMode mode) { return AsciiOptions{true, mode}; }
const AsciiOptions kNoAscii{};

struct CellCase {
  F format;
  std::vector<uint16_t> words;  // from offset k on
  AsciiOptions ascii;
  const char* expected;
};

// Every case formats offset 0 of its words; the table covers the examples a
// user sees in each format, with and without the ASCII display.
TEST(ValueFormat, CellTextsOfEveryFormat) {
  const CellCase cases[] = {
      {F::Decimal, {65}, Ascii(AsciiMode::OneChar), "65  'A'"},
      {F::Decimal, {0x4142}, Ascii(AsciiMode::TwoChar), "16706  'BA'"},
      {F::Decimal, {0x4142}, Ascii(AsciiMode::TwoCharSwapped), "16706  'AB'"},
      {F::Decimal, {0x4100}, Ascii(AsciiMode::TwoChar), "16640  ''"},
      {F::Decimal, {0x4100}, Ascii(AsciiMode::TwoCharSwapped), "16640  'A'"},
      {F::Decimal, {0x0041}, Ascii(AsciiMode::TwoCharSwapped), "65  ''"},
      {F::Decimal, {0}, Ascii(AsciiMode::OneChar), "0  ''"},
      {F::Decimal, {65535}, kNoAscii, "65535"},
      {F::Decimal, {0}, kNoAscii, "0"},
      {F::Integer, {65535}, kNoAscii, "-1"},
      {F::Integer, {0x8000}, kNoAscii, "-32768"},
      {F::Integer, {0x7FFF}, kNoAscii, "32767"},
      {F::Integer, {0xFF41}, Ascii(AsciiMode::OneChar), "-191  'A'"},
      {F::Hexadecimal, {10}, kNoAscii, "000A"},
      {F::Hexadecimal, {0xBEEF}, kNoAscii, "BEEF"},
      {F::Hexadecimal, {0x4142}, Ascii(AsciiMode::TwoChar), "4142  'BA'"},
      {F::Binary, {5}, kNoAscii, "0000000000000101"},
      {F::Binary, {0x8001}, Ascii(AsciiMode::TwoChar), "1000000000000001"},
      // Latin-1 bytes come out as UTF-8 characters.
      {F::Decimal, {0x00E9}, Ascii(AsciiMode::OneChar), "233  '\xC3\xA9'"},
      // Float formats never carry the ASCII text.
      {F::Float, {0x0000, 0x3F80}, Ascii(AsciiMode::OneChar), "1.0000"},
      {F::SwappedFloat, {0x3F80, 0x0000}, kNoAscii, "1.0000"},
      {F::Float, {0x3F80, 0x0000}, kNoAscii, "0.0000"},  // a denormal
      {F::SwappedFloat, {0xC049, 0x0FDB}, kNoAscii, "-3.1416"},
      {F::Float, {0x0FDB, 0x4049}, kNoAscii, "3.1416"},
      {F::Float, {0xF000, 0x47F1}, kNoAscii, "123872.0000"},
      {F::Float, {0xFFFF, 0x7F7F}, kNoAscii, "3.40282E+38"},
      {F::Float, {0x0000, 0x7FC0}, kNoAscii, "NAN"},
      {F::Float, {0x0000, 0x7F80}, kNoAscii, "INF"},
      {F::SwappedFloat, {0xFF80, 0x0000}, kNoAscii, "-INF"},
      {F::Double, {0, 0, 0, 0x3FF0}, kNoAscii, "1.0000"},
      {F::SwappedDouble, {0x3FF0, 0, 0, 0}, kNoAscii, "1.0000"},
      {F::SwappedDouble, {0x4009, 0x21FB, 0x5444, 0x2D18}, kNoAscii, "3.1416"},
      {F::Double, {0x2D18, 0x5444, 0x21FB, 0xC009}, kNoAscii, "-3.1416"},
      {F::SwappedDouble, {0x7FEF, 0xFFFF, 0xFFFF, 0xFFFF}, kNoAscii, "1.7976931E+308"},
      {F::SwappedDouble, {0xFFF8, 0, 0, 0}, kNoAscii, "NAN"},
  };
  for (const CellCase& c : cases) {
    CellFormat format{c.format, c.ascii, '.'};
    EXPECT_EQ(FormatValueCell(c.words.data(), c.words.size(), 0, format), c.expected)
        << "format " << static_cast<int>(c.format) << " word " << c.words[0];
  }
}

// The multi-word formats show on their first offset only, and take the
// following words even past the polled range; words past the buffer are 0.
TEST(ValueFormat, MultiWordFormatsUseTheirFirstOffsetOnly) {
  const uint16_t words[] = {0, 0x3F80, 0, 0x4000, 0, 0, 0, 0x3FF0};
  CellFormat single{F::Float, {}, '.'};
  EXPECT_EQ(FormatValueCell(words, 8, 0, single), "1.0000");
  EXPECT_EQ(FormatValueCell(words, 8, 1, single), "");
  EXPECT_EQ(FormatValueCell(words, 8, 2, single), "2.0000");
  CellFormat dbl{F::Double, {}, '.'};
  EXPECT_EQ(FormatValueCell(words, 8, 4, dbl), "1.0000");
  for (size_t k : {1, 2, 3, 5, 6, 7}) EXPECT_EQ(FormatValueCell(words, 8, k, dbl), "") << k;

  // A value whose words are not all in the buffer (were not all polled) is blank.
  EXPECT_EQ(FormatValueCell(words + 6, 1, 0, single), "");
  EXPECT_EQ(FormatValueCell(words, 7, 4, dbl), "");
  EXPECT_EQ(FormatValueCell(words, 8, 8, single), "");
  EXPECT_EQ(FormatValueCell(words, 8, 1000, CellFormat{}), "");
  EXPECT_EQ(FormatValueCell(nullptr, 0, 0, CellFormat{F::Hexadecimal, {}, '.'}), "");
}

struct TypedCase {
  ValueType type;
  std::vector<uint16_t> words;
  const char* expected[kByteOrderCount];  // ABCD, CDAB, BADC, DCBA (ABCDEFGH, GHEFCDAB, ...)
};

TEST(ValueFormat, EveryTypeInEveryByteOrder) {
  using T = ValueType;
  const TypedCase cases[] = {
      {T::Float32, {0x3F80, 0x0000}, {"1.0000", "0.0000", "0.0000", "0.0000"}},
      {T::Float32, {0x0000, 0x3F80}, {"0.0000", "1.0000", "0.0000", "0.0000"}},
      {T::Float32, {0x4049, 0x0FDB}, {"3.1416", "0.0000", "789937.0000", "-4.03315E+16"}},
      {T::Float32, {0x7FC0, 0x0000}, {"NAN", "0.0000", "-3.9844", "0.0000"}},
      {T::Signed32, {0xFFFF, 0xFFFE}, {"-2", "-65537", "-257", "-16777217"}},
      {T::Unsigned32, {0x4049, 0x0FDB}, {"1078530011", "266027081", "1228987151", "3675212096"}},
      {T::Unsigned32, {0xFFFF, 0xFFFF}, {"4294967295", "4294967295", "4294967295", "4294967295"}},
      {T::Signed64,
       {1, 0x0203, 0x0405, 0x0607},
       {"283686952306183", "434320308619640833", "72060901246895878", "506097522914230528"}},
      {T::Unsigned64,
       {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFE},
       {"18446744073709551614", "18446462598732840959", "18446744073709551359",
        "18374686479671623679"}},
      {T::Float64, {0x3FF0, 0, 0, 0}, {"1.0000", "0.0000", "-4.8128061E+232", "0.0000"}},
      {T::Signed16, {0xFFFE}, {"-2", "-2", "-2", "-2"}},  // no order of its own
  };
  for (const TypedCase& c : cases) {
    for (int order = 0; order < kByteOrderCount; ++order) {
      const CellFormat format{ValueEncoding(c.type, static_cast<ByteOrder>(order)), {}, '.'};
      EXPECT_EQ(FormatValueCell(c.words.data(), c.words.size(), 0, format), c.expected[order])
          << TypeName(c.type) << " " << OrderName(format.Encoding.Order, c.type);
    }
  }
}

TEST(ValueFormat, RadioButtonsAreTypesAndOrders) {
  using T = ValueType;
  const ValueEncoding radios[] = {
      {T::Unsigned16, ByteOrder::BigEndian}, {T::Signed16, ByteOrder::BigEndian},
      {T::Hex16, ByteOrder::BigEndian},      {T::Binary16, ByteOrder::BigEndian},
      {T::Float32, ByteOrder::WordSwapped},  {T::Float32, ByteOrder::BigEndian},
      {T::Float64, ByteOrder::WordSwapped},  {T::Float64, ByteOrder::BigEndian}};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(ValueEncoding(static_cast<F>(i)), radios[i]) << i;
    EXPECT_EQ(RadioFormatOf(radios[i]), static_cast<F>(i)) << i;
  }
  EXPECT_EQ(RadioFormatOf({T::Hex16, ByteOrder::LittleEndian}), F::Hexadecimal);
  EXPECT_EQ(RadioFormatOf({T::Float32, ByteOrder::ByteSwapped}), std::nullopt);
}

// One register set read every way at once, implausible readings marked "!".
TEST(DecodeTable, EveryReadingOfOneRegisterSet) {
  const uint16_t words[] = {0x4049, 0x0FDB, 0x7FF0, 0x0000};
  const char* expected =
      "16-bit unsigned=16457 16-bit signed=16457 16-bit hex=4049 "
      "16-bit binary=0100000001001001 ASCII='@I' 32-bit signed ABCD=1078530011 "
      "32-bit signed CDAB=266027081 32-bit signed BADC=1228987151 32-bit signed DCBA=-619755200 "
      "32-bit unsigned ABCD=1078530011 32-bit unsigned CDAB=266027081 "
      "32-bit unsigned BADC=1228987151 32-bit unsigned DCBA=3675212096 32-bit float ABCD=3.1416 "
      "32-bit float CDAB=0.0000 32-bit float BADC=789937.0000 32-bit float DCBA=-4.03315E+16! "
      "64-bit signed ABCDEFGH=4632251127145955328! 64-bit signed GHEFCDAB=140669034905673 "
      "64-bit signed BADCFEHG=5278459624784068608! 64-bit signed HGFEDCBA=264431926724928 "
      "64-bit unsigned ABCDEFGH=4632251127145955328! 64-bit unsigned GHEFCDAB=140669034905673 "
      "64-bit unsigned BADCFEHG=5278459624784068608! 64-bit unsigned HGFEDCBA=264431926724928 "
      "64-bit float ABCDEFGH=50.1239 64-bit float GHEFCDAB=0.0000! "
      "64-bit float BADCFEHG=7.5178988E+44! 64-bit float HGFEDCBA=0.0000! ";
  auto joined = [](const std::vector<DecodeRow>& rows) {
    std::string text;
    for (const DecodeRow& r : rows) text += r.Label + "=" + r.Text + (r.Implausible ? "! " : " ");
    return text;
  };
  const std::vector<DecodeRow> rows = DecodeRegisters(words, 4, '.');
  EXPECT_EQ(joined(rows), expected);
  EXPECT_EQ(rows[14].Encoding, ValueEncoding(F::Float));
  EXPECT_EQ(rows[4].Encoding, std::nullopt) << "ASCII is no display format";
  // Two words polled: no 64-bit reading; NaN is implausible.
  const std::vector<DecodeRow> two = DecodeRegisters(words + 2, 2, '.');
  EXPECT_TRUE(two[13].Text == "NAN" && two[13].Implausible && two[17].Text.empty());
}

struct FixedCase {
  double value;
  int precision;
  const char* expected;
};

TEST(ValueFormat, FixedNotation) {
  const FixedCase cases[] = {
      {1.0, 6, "1.0000"},
      {3.14159265, 6, "3.1416"},
      {123456.7, 6, "123457.0000"},
      {0.00001, 6, "0.0000"},
      {-0.00001, 6, "0.0000"},  // no "-0.0000"
      {-0.0, 6, "0.0000"},
      {0.0, 8, "0.0000"},
      {-2.5, 6, "-2.5000"},
      {0.00005, 6, "0.0001"},
      {1234.56789, 6, "1234.5700"},  // six significant digits win over four decimals
      {1234.56789, 8, "1234.5679"},
      {12.345678, 6, "12.3457"},
      {99.99999, 6, "100.0000"},
      {999999.4, 6, "999999.0000"},
      {999999.7, 6, "1.00000E+06"},  // the rounded value needs seven digits
      {1234567.0, 6, "1.23457E+06"},
      {-1234567.0, 6, "-1.23457E+06"},
      {12345678.0, 8, "12345678.0000"},
      {123456789.0, 8, "1.2345679E+08"},
      {1e300, 8, "1.0000000E+300"},
      {std::numeric_limits<double>::quiet_NaN(), 6, "NAN"},
      {std::numeric_limits<double>::infinity(), 8, "INF"},
      {-std::numeric_limits<double>::infinity(), 8, "-INF"},
      {std::numeric_limits<double>::denorm_min(), 8, "0.0000"},
  };
  for (const FixedCase& c : cases) {
    EXPECT_EQ(FormatFixed(c.value, c.precision, '.'), c.expected) << c.value;
  }
}

TEST(ValueFormat, DecimalSeparatorIsTheCallers) {
  EXPECT_EQ(FormatFixed(3.14159265, 6, ','), "3,1416");
  EXPECT_EQ(FormatFixed(1234567.0, 6, ','), "1,23457E+06");
  EXPECT_EQ(FormatFixed(1234.56789, 6, ','), "1234,5700");
  const uint16_t one[] = {0, 0x3F80};
  EXPECT_EQ(FormatValueCell(one, 2, 0, CellFormat{F::Float, {}, ','}), "1,0000");
}

}  // namespace
}  // namespace mms
