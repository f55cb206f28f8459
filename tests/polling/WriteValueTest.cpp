#include "datawindow/WriteValue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "common/Errors.h"
#include "datawindow/ValueFormat.h"

namespace mms {
namespace {

using F = DisplayFormat;

using T = ValueType;
using O = ByteOrder;

struct Accepted {
  const char* text;
  ValueEncoding format;
  uint8_t function;
  uint16_t count;
  std::vector<uint16_t> values;
};

TEST(RegisterWriteRequest, AcceptedTextsBecomeTheWordsThatReadBackTheSame) {
  const std::vector<Accepted> cases = {
      {"0", F::Decimal, 6, 1, {0}},
      {"65535", F::Decimal, 6, 1, {0xFFFF}},
      {"-1", F::Integer, 6, 1, {0xFFFF}},
      {"-32768", F::Integer, 6, 1, {0x8000}},
      {"$1F", F::Hexadecimal, 6, 1, {31}},
      {"0x1f", F::Hexadecimal, 6, 1, {31}},
      {"  12", F::Decimal, 6, 1, {12}},
      {"1", F::Binary, 6, 1, {1}},
      {"101", F::Binary, 6, 1, {5}},
      {"1000000000000001", F::Binary, 6, 1, {0x8001}},  // bit 15 first
      {"1,5", F::Float, 16, 2, {0x0000, 0x3FC0}},
      {"1,5", F::SwappedFloat, 16, 2, {0x3FC0, 0x0000}},
      {"-2", F::Float, 16, 2, {0x0000, 0xC000}},
      {"0,1", F::Float, 16, 2, {0xCCCD, 0x3DCC}},           // rounded to single
      {"3,4028235e38", F::Float, 16, 2, {0xFFFF, 0x7F7F}},  // rounds to the largest single
      {"1e-50", F::Float, 16, 2, {0, 0}},                   // underflows to zero
      {"1", F::Double, 16, 4, {0, 0, 0, 0x3FF0}},
      {"1", F::SwappedDouble, 16, 4, {0x3FF0, 0, 0, 0}},
      {"1e300", F::Double, 16, 4, {0x759C, 0x8800, 0xE43C, 0x7E37}},
      {"-0,0", F::SwappedDouble, 16, 4, {0x8000, 0, 0, 0}},
      {"$12345678", {T::Unsigned32, O::ByteSwapped}, 16, 2, {0x3412, 0x7856}},
      {"-9223372036854775808", {T::Signed64, O::BigEndian}, 16, 4, {0x8000, 0, 0, 0}},
      {"1", {T::Float64, O::ByteSwapped}, 16, 4, {0xF03F, 0, 0, 0}},
      {"$7FC00001", {T::Float32, O::BigEndian}, 16, 2, {0x7FC0, 0x0001}},  // bits: any NaN
      {"$0A", {T::Hex16, O::LittleEndian}, 6, 1, {0x000A}},                // no order for 16 bits
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "'" << c.text << "' " << TypeName(c.format.Type) << " "
                                    << OrderName(c.format.Order, c.format.Type));
    const WriteRequest r = RegisterWriteRequest(c.text, c.format, 0x1207, 112, ',');
    EXPECT_EQ(r.WriteFunction, c.function);
    EXPECT_EQ(r.WriteDeviceID, 0x07);  // low 8 bits of the dialog's DeviceID
    EXPECT_EQ(r.WriteAddress, 112);
    EXPECT_EQ(r.WriteCount, c.count);
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(r.WriteValues[i], i < c.values.size() ? c.values[i] : 0) << "word " << i;
    }
  }
}

struct Refused {
  const char* text;
  ValueEncoding format;
  const char* message;
};

TEST(RegisterWriteRequest, RefusedTextsNameTheText) {
  const char* kBinary = "is not a valid binary value: type 1 to 16 digits 0 or 1";
  const std::vector<Refused> cases = {
      {"1F", F::Hexadecimal, "'1F' is not a valid integer value"},
      {"", F::Decimal, "'' is not a valid integer value"},
      {"12a", F::Decimal, "'12a' is not a valid integer value"},
      {"2147483648", F::Integer, "'2147483648' is not a valid integer value"},
      // Out of range for the type: refused, never wrapped to another value.
      {"70000", F::Decimal, "'70000' is not a valid integer value"},
      {"-1", F::Decimal, "'-1' is not a valid integer value"},
      {"32768", F::Integer, "'32768' is not a valid integer value"},
      {"$10000", F::Hexadecimal, "'$10000' is not a valid integer value"},
      {"", F::Binary, kBinary},
      {"2", F::Binary, kBinary},
      {"10 1", F::Binary, kBinary},
      {"10000000000000000", F::Binary, kBinary},                       // 17 digits
      {"1.5", F::Float, "'1.5' is not a valid floating point value"},  // separator is ','
      {"abc", F::Double, "'abc' is not a valid floating point value"},
      {"3,5e38", F::Float, "'3,5e38' is not a valid floating point value"},
      {"-1e39", F::SwappedFloat, "'-1e39' is not a valid floating point value"},
      {"1e400", F::Double, "'1e400' is not a valid floating point value"},
      {"2147483648", {T::Signed32, O::BigEndian}, "'2147483648' is not a valid integer value"},
      {"-1", {T::Unsigned32, O::BigEndian}, "'-1' is not a valid integer value"},
      {"18446744073709551616", {T::Unsigned64, O::BigEndian}, "is not a valid integer value"},
      {"$123456789", {T::Float32, O::BigEndian}, "is not a valid floating point value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "'" << c.text << "' " << TypeName(c.format.Type) << " "
                                    << OrderName(c.format.Order, c.format.Type));
    try {
      RegisterWriteRequest(c.text, c.format, 1, 0, ',');
      ADD_FAILURE() << "accepted";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
      EXPECT_EQ(std::string(e.what()).rfind(std::string("'") + c.text + "'", 0), 0u) << e.what();
    }
  }
}

// A value typed in a format reads back unchanged in that format, and the
// text a dialog opens with writes back the very words it was opened on.
TEST(RegisterWriteRequest, WriteThenReadInEveryTypeAndOrder) {
  const std::pair<T, const char*> typed[] = {{T::Unsigned16, "65535"},
                                             {T::Signed16, "-32768"},
                                             {T::Hex16, "BEEF"},
                                             {T::Binary16, "1000000000000011"},
                                             {T::Signed32, "-2147483648"},
                                             {T::Unsigned32, "4294967295"},
                                             {T::Float32, "-3.1416"},
                                             {T::Signed64, "-9223372036854775808"},
                                             {T::Unsigned64, "18446744073709551615"},
                                             {T::Float64, "1.7976931E+308"}};
  const uint16_t opened[][4] = {
      {0x000A, 0, 0, 0}, {0x3DCC, 0xCCCD, 0, 0},           {0x7FC0, 0x0001, 0, 0},
      {0x8000, 0, 0, 0}, {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}, {0x3FB9, 0x9999, 0x9999, 0x999A}};
  for (const auto& [type, text] : typed) {
    for (int order = 0; order < kByteOrderCount; ++order) {
      const ValueEncoding encoding(type, static_cast<O>(order));
      SCOPED_TRACE(testing::Message() << TypeName(type) << " " << OrderName(encoding.Order, type));
      const std::string typedText = type == T::Hex16 ? std::string("$") + text : text;
      const WriteRequest r = RegisterWriteRequest(typedText, encoding, 1, 0, '.');
      EXPECT_EQ(FormatValue(r.WriteValues, encoding, '.'), text);
      for (const uint16_t* words : opened) {
        const std::string prefill = PrefillText(words, encoding, ',');
        const WriteRequest back = RegisterWriteRequest(prefill, encoding, 1, 0, ',');
        EXPECT_TRUE(std::equal(words, words + WordCount(type), back.WriteValues)) << prefill;
      }
    }
  }
  const uint16_t tenth[] = {0x3DCC, 0xCCCD};
  EXPECT_EQ(PrefillText(tenth, {T::Hex16, O::BigEndian}, '.'), "$3DCC");
  EXPECT_EQ(PrefillText(tenth, {T::Binary16, O::BigEndian}, '.'), "0011110111001100");
  EXPECT_EQ(PrefillText(tenth, {T::Float32, O::BigEndian}, ','), "0,1");
  EXPECT_EQ(PrefillText(opened[2], F::SwappedFloat, '.'), "$7FC00001");  // NaN as its bits
}

TEST(CoilWriteRequest, OnIsOneOffIsZero) {
  for (bool on : {false, true}) {
    const WriteRequest r = CoilWriteRequest(0x0305, 42, on);
    EXPECT_EQ(r.WriteFunction, 5);
    EXPECT_EQ(r.WriteDeviceID, 5);
    EXPECT_EQ(r.WriteAddress, 42);
    EXPECT_EQ(r.WriteCount, 1);
    EXPECT_EQ(r.WriteValues[0], on ? 1 : 0);
  }
}

}  // namespace
}  // namespace mms
