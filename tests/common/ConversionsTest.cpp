#include "common/Conversions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "common/Errors.h"

namespace mms {
namespace {

std::string Shown(std::string text) {
  std::replace(text.begin(), text.end(), '\0', '?');
  return text;
}

struct IntCase {
  std::string text;
  int32_t value;
};

TEST(StrToInt, AcceptsDecimalAndHexadecimalForms) {
  const IntCase cases[] = {
      {"0", 0},
      {"42", 42},
      {"+42", 42},
      {"-42", -42},
      {"   7", 7},
      {"\t 7", 7},
      {"  -7", -7},
      {"007", 7},
      {"$10", 16},
      {"$ff", 255},
      {"$FF", 255},
      {"x1A", 26},
      {"X1a", 26},
      {"0x1A", 26},
      {"0X1a", 26},
      {"-$10", -16},
      {"+0x10", 16},
      {"-x10", -16},
      {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<int32_t>::min()},
      {"$7FFFFFFF", 2147483647},
      {"-$80000000", std::numeric_limits<int32_t>::min()},
      {"0x0", 0},
      {"0", 0},
      {std::string(1000, '0') + "5", 5},
  };
  for (const IntCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(StrToInt(c.text), c.value);
    int32_t value = 1;
    EXPECT_TRUE(TryStrToInt(c.text, &value));
    EXPECT_EQ(value, c.value);
  }
}

TEST(StrToInt, RefusesAnythingElseWithTheTextInTheMessage) {
  const std::string cases[] = {
      "",
      "   ",
      "-",
      "+",
      "$",
      "x",
      "0x",
      "-0x",
      "12 ",
      "12a",
      "1 2",
      "--1",
      "+-1",
      "- 1",
      "$ 1",
      "0x$1",
      "$0x1",
      "1.0",
      "1e3",
      "$G",
      "2147483648",
      "-2147483649",
      "$80000000",
      "$FFFFFFFF",
      "-$80000001",
      "99999999999999999999999999",
      std::string(100000, '9'),
      std::string("12\0", 3),
      std::string("\0"
                  "12",
                  3),
      "\xff\xfe",
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text);
    int32_t value = 123;
    EXPECT_FALSE(TryStrToInt(text, &value));
    EXPECT_EQ(value, 123) << "a failed conversion leaves the output alone";
    try {
      StrToInt(text);
      ADD_FAILURE() << "no error raised";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "'" + Shown(text) + "' is not a valid integer value");
    }
  }
  EXPECT_FALSE(TryStrToInt("x", nullptr));
  EXPECT_TRUE(TryStrToInt("5", nullptr));
}

struct FloatCase {
  std::string text;
  char separator;
  double value;
};

TEST(StrToFloat, AcceptsPlainAndScientificFormsWithTheGivenSeparator) {
  const FloatCase cases[] = {
      {"1.5", '.', 1.5},
      {"1,5", ',', 1.5},
      {"-1,5", ',', -1.5},
      {"+2", '.', 2},
      {" 3.25 ", '.', 3.25},
      {"\t3.25", '.', 3.25},
      {".5", '.', 0.5},
      {"5.", '.', 5},
      {"1e3", '.', 1000},
      {"1E+3", '.', 1000},
      {"2.5e-1", '.', 0.25},
      {"2,5E-1", ',', 0.25},
      {"0", '.', 0},
      {"-0", '.', 0},
      {"1.7976931348623157e308", '.', 1.7976931348623157e308},
      {"1e-400", '.', 0},  // underflow is a (zero) value, not an error
      {"1.5", '\0', 1.5},  // an unusable separator falls back to '.'
  };
  for (const FloatCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_DOUBLE_EQ(StrToFloat(c.text, c.separator), c.value);
  }
}

TEST(StrToFloat, RefusesNonNumbersAndOutOfRangeValues) {
  const std::pair<std::string, char> cases[] = {
      {"", '.'},      {"  ", '.'},     {".", '.'},        {"-", '.'},
      {"e5", '.'},    {"1e", '.'},     {"1e+", '.'},      {"1.5", ','},
      {"1,5", '.'},   {"1.2.3", '.'},  {"inf", '.'},      {"-INF", '.'},
      {"nan", '.'},   {"NaN", '.'},    {"infinity", '.'}, {"0x1p3", '.'},
      {"1e400", '.'}, {"-1e400", '.'}, {"1 5", '.'},      {"--1", '.'},
      {"1,5 x", ','}, {"1f", '.'},     {"$10", '.'},      {std::string("1\0", 2), '.'},
  };
  for (const auto& [text, separator] : cases) {
    SCOPED_TRACE(text);
    double value = 7;
    EXPECT_FALSE(TryStrToFloat(text, separator, &value));
    EXPECT_EQ(value, 7);
    try {
      StrToFloat(text, separator);
      ADD_FAILURE() << "no error raised";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "'" + Shown(text) + "' is not a valid floating point value");
    }
  }
}

TEST(StrToFloat, HandlesVeryLongDigitStrings) {
  EXPECT_DOUBLE_EQ(StrToFloat("0." + std::string(200000, '3'), '.'), 1.0 / 3.0);
  EXPECT_FALSE(TryStrToFloat(std::string(400, '9'), '.', nullptr));  // beyond the double range
}

}  // namespace
}  // namespace mms
