// CSV quoting and reading, timestamps, cell rows and register maps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "common/Csv.h"
#include "common/Errors.h"
#include "common/TempDir.h"
#include "datawindow/CellRows.h"
#include "datawindow/RegisterMap.h"

namespace mms {
namespace {

TEST(Csv, QuotesOnlyWhatRfc4180Requires) {
  const struct {
    std::string text, field;
  } cases[] = {
      {"plain", "plain"},
      {"", ""},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"two\nlines", "\"two\nlines\""},
      {"cr\r", "\"cr\r\""},
      {"Zähler °C", "Zähler °C"},
      {" padded ", " padded "},
  };
  for (const auto& c : cases) EXPECT_EQ(CsvField(c.text), c.field) << c.text;
  EXPECT_EQ(CsvRecord({"1", "a,b", ""}), "1,\"a,b\",\r\n");
}

TEST(Csv, ReadsWhatItWritesAndWhatEditorsWrite) {
  const std::string text =
      "\xEF\xBB\xBF"
      "address,alias\r\n"
      "1,\"a,b\"\n"
      "\n"
      "2,\"say \"\"hi\"\"\nmore\"\r"
      "3,last";
  const auto records = ParseCsv(text);
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].fields, (std::vector<std::string>{"address", "alias"}));
  EXPECT_EQ(records[1].fields, (std::vector<std::string>{"1", "a,b"}));
  EXPECT_EQ(records[2].fields, (std::vector<std::string>{"2", "say \"hi\"\nmore"}));
  EXPECT_EQ(records[2].line, 4);
  EXPECT_EQ(records[3].fields, (std::vector<std::string>{"3", "last"}));
  EXPECT_EQ(records[3].line, 6);
}

TEST(Csv, IsoLocalTimeHasMillisecondsAndOffset) {
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  const struct {
    const char* zone;
    const char* text;
  } cases[] = {
      {"UTC0", "2026-12-08T13:03:07.125+00:00"},
      {"CET-1", "2026-12-08T14:03:07.125+01:00"},
      {"NST+3:30", "2026-12-08T09:33:07.125-03:30"},
  };
  // 2026-12-08T13:03:07.125Z
  const auto time = std::chrono::system_clock::time_point(std::chrono::milliseconds(1796734987125));
  for (const auto& c : cases) {
    setenv("TZ", c.zone, 1);
    tzset();
    EXPECT_EQ(IsoLocalTime(time), c.text) << c.zone;
  }
  if (old)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

TEST(CellRows, ShowCellsAsTheWindowDoes) {
  const uint16_t words[] = {0x4049, 0x0FDB, 65535, 7};
  CellView view;
  view.Format.Encoding = ValueEncoding(DisplayFormat::SwappedFloat);  // float32 ABCD
  view.Base = AddressBase::Modicon;
  view.Aliases = {"pi, roughly"};
  const auto rows = CellRows(3, 0, words, 4, 5, view);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0].Address, "40001");
  EXPECT_EQ(rows[0].Value, "3.1416");
  EXPECT_EQ(rows[1].Value, "");  // the second word of the float
  EXPECT_EQ(rows[2].Raw, "65535");
  EXPECT_EQ(rows[4].Raw, "");  // not polled
  EXPECT_EQ(CellRowsCsv({rows[0]}),
            "address,alias,raw,value\r\n40001,\"pi, roughly\",16457,3.1416\r\n");
}

TEST(RegisterMap, PlacesAliasesAndReportsTheRest) {
  const std::string csv =
      "Alias,Address,Unit\n"
      "Speed,40011,rpm\n"
      "\"Temp, inlet\",40012\n"
      "Far away,40200\n"
      "Broken,x12\n"
      "Empty,\n"
      "Low,40001\n";
  const RegisterMap map = ReadRegisterMap(csv, 10, 10, AddressStyle{AddressBase::Modicon, 3});
  ASSERT_EQ(map.Aliases.size(), 2u);
  EXPECT_EQ(map.Aliases[0], (std::pair<int, std::string>{0, "Speed"}));
  EXPECT_EQ(map.Aliases[1], (std::pair<int, std::string>{1, "Temp, inlet"}));
  EXPECT_EQ(map.Outside, 2);
  EXPECT_EQ(map.BadLines, (std::vector<int>{5, 6}));
  EXPECT_EQ(RegisterMapReport(map),
            "2 aliases imported.\n2 rows lie outside the window's addresses.\n"
            "2 rows have no numeric address: line 5, 6.");
}

TEST(RegisterMap, WithoutHeaderAndInBaseZero) {
  const struct {
    std::string csv;
    size_t placed;
    int outside;
  } cases[] = {
      {"0,first\n9,last\n", 2, 0},  // no header: the first row is data
      {"address,alias\n10,past\n", 0, 1},
      {"address,alias\n70000,huge\n", 0, 1},  // no wrap-around
  };
  for (const auto& c : cases) {
    const RegisterMap map = ReadRegisterMap(c.csv, 0, 10, AddressStyle{});
    EXPECT_EQ(map.Aliases.size(), c.placed) << c.csv;
    EXPECT_EQ(map.Outside, c.outside) << c.csv;
    EXPECT_TRUE(map.BadLines.empty()) << c.csv;
  }
  EXPECT_THROW(LoadRegisterMap("/nonexistent/map.csv", 0, 10, AddressStyle{}), Error);
}

}  // namespace
}  // namespace mms
