#include "datawindow/DataWindowModel.h"

#include <gtest/gtest.h>

#include "common/Errors.h"

#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace mms {
namespace {

std::vector<std::string> Row0(const DataWindowModel& m) {
  std::vector<std::string> texts;
  for (int c = 0; c < m.ColumnCount(); ++c) texts.push_back(m.CellText(c, 0));
  return texts;
}

std::vector<uint16_t> Counting(size_t n) {
  std::vector<uint16_t> words(n);
  for (size_t i = 0; i < n; ++i) words[i] = static_cast<uint16_t>(i);
  return words;
}

TEST(GridLayout, ShapeFollowsLength) {
  struct Case {
    int length;
    int columns;
  };
  const DataWindowModel fresh;
  EXPECT_EQ(Row0(fresh), (std::vector<std::string>{" ", "Alias", "0", "Alias", "10"}));
  EXPECT_EQ(fresh.CellText(0, 10), "9");
  for (Case c : {Case{0, 3}, Case{9, 3}, Case{10, 5}, Case{15, 5}, Case{20, 7}, Case{99, 21},
                 Case{100, 23}}) {
    DataWindowModel m;
    EXPECT_TRUE(m.RebuildGrid(0, static_cast<uint16_t>(c.length)));
    EXPECT_EQ(m.ColumnCount(), c.columns) << c.length;
    EXPECT_EQ(m.CellText(c.columns - 1, 0), std::to_string((c.columns - 3) / 2 * 10));
    EXPECT_EQ(m.CellText(c.columns, 0), "") << "nothing past the last column";
  }
}

TEST(GridLayout, LengthAbove100KeepsLayoutAndContents) {
  DataWindowModel m;
  m.RebuildGrid(0, 20);
  const uint16_t words[30] = {7};
  m.FillGrid(words, 30, CellFormat{});
  for (int length : {101, 1090, 2000, 65535}) {
    EXPECT_FALSE(m.RebuildGrid(500, static_cast<uint16_t>(length)));
    EXPECT_EQ(m.ColumnCount(), 7);
    EXPECT_EQ(m.CellText(2, 0), "0");
    EXPECT_EQ(m.CellText(2, 1), "7");
  }
}

TEST(GridLayout, AddressHeadersDoNotWrap) {
  DataWindowModel m;
  m.RebuildGrid(65530, 20);
  EXPECT_EQ(Row0(m),
            (std::vector<std::string>{" ", "Alias", "65530", "Alias", "65540", "Alias", "65550"}));
}

TEST(GridLayout, SelectedAddress) {
  struct Case {
    int col, row;
    uint16_t address;
    uint16_t expected;
  };
  const Case cases[] = {
      {2, 1, 0, 0},         {2, 10, 0, 9},    {4, 3, 100, 112}, {22, 10, 0, 109}, {4, 1, 65535, 9},
      {2, 1, 65535, 65535}, {1, 1, 0, 65531}, {0, 1, 0, 65526}, {3, 5, 100, 109},
  };
  for (const Case& c : cases) {
    SelectCell(c.col, c.row, c.address);
    EXPECT_EQ(SelectedAddress, c.expected) << c.col << "," << c.row << " @" << c.address;
    EXPECT_EQ(SelectedCol, c.col);
    EXPECT_EQ(SelectedRow, c.row);
  }
}

TEST(DataWindowModel, RebuildPutsKeptAliasesBackAndEmptiesValues) {
  DataWindowModel m;
  m.SetAlias(0, "Pressure");
  m.SetAlias(12, "Flow");
  m.SetAlias(124, "Last");
  m.RebuildGrid(0, 15);
  EXPECT_EQ(m.CellText(1, 1), "Pressure");
  EXPECT_EQ(m.CellText(3, 3), "Flow");
  EXPECT_EQ(m.AliasShownAt(12), "Flow");

  m.SetCellText(1, 1, "Typed");  // edited in the grid
  EXPECT_EQ(m.AliasShownAt(0), "Typed");
  const uint16_t words[20] = {1};
  m.FillGrid(words, 20, CellFormat{});
  m.RebuildGrid(0, 15);
  EXPECT_EQ(m.CellText(1, 1), "Pressure") << "a rebuild brings the kept alias back";
  EXPECT_EQ(m.CellText(2, 1), "") << "values vanish until the next poll";

  m.RebuildGrid(0, 12);
  EXPECT_EQ(m.CellText(3, 3), "") << "offset 12 is not polled with Length 12";
  m.SetAlias(125, "beyond");  // ignored
  EXPECT_EQ(m.Alias(125), "");
  EXPECT_EQ(m.Alias(124), "Last");
}

TEST(DataWindowModel, FillGridShowsOnlyThePolledWords) {
  DataWindowModel m;
  m.RebuildGrid(0, 15);
  const std::vector<uint16_t> words = Counting(kReadBufferSize);
  // Fills in turn: the words a poll of 15 brought, the same again in another
  // format, a shorter reply of another window's buffer, and nothing.
  const struct {
    size_t size;
    DisplayFormat format;
    const char* cell3;  // offset 3
    const char* cell14;
  } fills[] = {{15, DisplayFormat::Decimal, "3", "14"},
               {15, DisplayFormat::Hexadecimal, "0003", "000E"},
               {4, DisplayFormat::Hexadecimal, "0003", ""},
               {0, DisplayFormat::Decimal, "", ""}};
  for (const auto& f : fills) {
    m.FillGrid(words.data(), f.size, CellFormat{f.format, {}, '.'});
    EXPECT_EQ(m.CellText(ValueCellOfOffset(3).Col, ValueCellOfOffset(3).Row), f.cell3);
    EXPECT_EQ(m.CellText(ValueCellOfOffset(14).Col, ValueCellOfOffset(14).Row), f.cell14);
    for (int k = 15; k < 20; ++k) {  // the trailing group is never another window's words
      EXPECT_EQ(m.CellText(ValueCellOfOffset(k).Col, ValueCellOfOffset(k).Row), "") << k;
    }
  }
  m.FillGrid(words.data(), 15, CellFormat{});
  EXPECT_EQ(m.PolledValue(14), 14);
  EXPECT_EQ(m.PolledValue(15), 0);
  EXPECT_EQ(m.CellText(1, 1), "") << "alias cells are not touched";
}

TEST(DataWindowModel, LargestGridUsesColumns21And22) {
  DataWindowModel m;
  m.RebuildGrid(0, 100);
  const std::vector<uint16_t> words = Counting(kReadBufferSize);
  m.FillGrid(words.data(), words.size(), CellFormat{});
  EXPECT_EQ(m.CellText(20, 10), "99");
  EXPECT_EQ(m.CellText(22, 10), "") << "past Length";
  m.SetBgColor(22, 10, 255);
  m.SetThreshold(21, 5, CellThreshold{1, 1, 5, 0, 1, 2});
  EXPECT_EQ(m.BgColorAt(109), 255);
  EXPECT_EQ(m.FillColor(22, 10), 255);
  EXPECT_EQ(m.FillColor(21, 5), 1) << "alias cells test 0";
}

// Whatever Length, buffer size or coordinates come in, nothing reads or
// writes outside a table: out-of-range writes are dropped, reads give defaults.
TEST(DataWindowModel, OutOfRangeCoordinatesAreHarmless) {
  auto m = std::make_unique<DataWindowModel>();
  for (int length : {0, 100, 101, 1090, 2000, 65535}) {
    m->RebuildGrid(65535, static_cast<uint16_t>(length));
    const uint16_t few[3] = {1, 2, 3};
    m->FillGrid(few, 3, CellFormat{DisplayFormat::SwappedDouble, {}, '.'});
    m->FillGrid(nullptr, 0, CellFormat{});
  }
  EXPECT_EQ(m->ColumnCount(), 23);
  EXPECT_EQ(m->CellText(22, 10), "") << "words past the buffer are not shown";
  for (int col : {-5, -1, 23, 24, 1000}) {
    for (int row : {-1, 0, 5, 11, 12}) {
      m->SetBgColor(col, row, 1);
      m->SetThreshold(col, row, CellThreshold{1, 1, 0, 0, 1, 1});
      m->SetCellText(col, row, "x");
      EXPECT_EQ(m->BgColor(col, row), kColorWhite);
      EXPECT_EQ(m->Threshold(col, row), CellThreshold{});
      EXPECT_EQ(m->CellText(col, row), "");
      EXPECT_EQ(m->CellValue(col, row), 0);
      EXPECT_FALSE(m->FillColor(col, row).has_value());
    }
  }
  for (int offset : {-1, 110, 2000, 65535}) {
    m->SetBgColorAt(offset, 1);
    m->SetThresholdAt(offset, CellThreshold{1, 2, 0, 0, 0, 0});
    EXPECT_EQ(m->BgColorAt(offset), kColorWhite);
    EXPECT_EQ(m->ThresholdAt(offset), CellThreshold{});
    EXPECT_EQ(m->AliasShownAt(offset), "");
    EXPECT_EQ(m->PolledValue(offset), 0);
  }
  m->SetCellText(0, 3, "header");  // fixed cells are not editable
  EXPECT_EQ(m->CellText(0, 3), "2");
}

// The conventions at their edges, both ways, and what each refuses; the wire
// keeps the protocol address.
TEST(AddressStyle, TextAndProtocolAddressBothWays) {
  using B = AddressBase;
  const std::tuple<AddressStyle, uint16_t, const char*> both[] = {
      {{B::Zero, 3}, 0, "0"},
      {{B::Zero, 3}, 65535, "65535"},
      {{B::One, 3}, 0, "1"},
      {{B::One, 1}, 65535, "65536"},
      {{B::Modicon, 3}, 0, "40001"},
      {{B::Modicon, 3}, 9998, "49999"},
      {{B::Modicon, 3}, 9999, "410000"},
      {{B::Modicon, 3}, 65535, "465536"},
      {{B::Modicon, 4}, 0, "30001"},
      {{B::Modicon, 2}, 0, "10001"},
      {{B::Modicon, 1}, 65535, "065536"},
      {{B::Modicon, 7}, 4, "5"},  // no prefix outside 1..4
  };
  for (const auto& [style, address, text] : both) {
    EXPECT_EQ(AddressText(address, style), text);
    EXPECT_EQ(ProtocolAddress(text, style), address) << text;
  }
  EXPECT_EQ(ProtocolAddress("400001", {B::Modicon, 3}), 0) << "six digits for a low address too";
  EXPECT_EQ(ProtocolAddress("-1", {B::Zero, 3}), 65535) << "base 0 keeps the low 16 bits";
  const std::pair<AddressStyle, const char*> refused[] = {
      {{B::One, 3}, "0"},          {{B::One, 3}, "65537"},     {{B::Modicon, 3}, "40000"},
      {{B::Modicon, 3}, "465537"}, {{B::Modicon, 3}, "30001"}, {{B::Modicon, 3}, "4001"},
      {{B::Modicon, 3}, "4000a"},  {{B::Modicon, 1}, "1"},
  };
  for (const auto& [style, text] : refused) EXPECT_FALSE(TryProtocolAddress(text, style)) << text;
  try {
    ProtocolAddress("40000", {B::Modicon, 3});
    ADD_FAILURE() << "accepted";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(),
                 "'40000' is not a valid address: type 40001 to 49999 or 400001 to 465536");
  }
  DataWindowModel m;
  m.RebuildGrid(9990, 20, {B::Modicon, 4});
  EXPECT_EQ(Row0(m), (std::vector<std::string>{" ", "Alias", "39991", "Alias", "310001", "Alias",
                                               "310011"}));
}

// What the decode inspector and the write dialog get: the words the last
// poll gave the grid, none after a rebuild.
TEST(DataWindowModel, PolledWordsFromAnOffset) {
  DataWindowModel m;
  m.RebuildGrid(0, 20);
  const std::vector<uint16_t> words = Counting(kReadBufferSize);
  m.FillGrid(words.data(), 12, CellFormat{});
  uint16_t out[4] = {};
  EXPECT_EQ(m.PolledWords(9, out, 4), 3);
  EXPECT_EQ(out[2], 11);
  SelectCell(2, 9, 0);  // offset 8
  EXPECT_EQ(m.DoubleClickTarget(3, 0)->FollowingWords, (std::array<uint16_t, 3>{9, 10, 11}));
  m.RebuildGrid(0, 3);
  EXPECT_EQ(m.PolledWords(0, out, 4), 0);
  m.FillGrid(words.data(), words.size(), CellFormat{DisplayFormat::Float, {}, '.'});
  EXPECT_EQ(m.CellText(2, 3), "") << "its second word lies past Length";
  EXPECT_EQ(m.PolledWords(0, out, 4), 3);
}

TEST(DataWindowModel, DoubleClickTarget) {
  DataWindowModel m;
  m.RebuildGrid(100, 20);
  const std::vector<uint16_t> words = Counting(kReadBufferSize);
  m.FillGrid(words.data(), words.size(), CellFormat{});

  SelectCell(4, 3, 100);  // row 3 of group 1
  auto target = m.DoubleClickTarget(3, 100);
  ASSERT_TRUE(target.has_value());
  EXPECT_FALSE(target->Coil);
  EXPECT_EQ(target->Address, 112);
  EXPECT_EQ(target->Value, 12);
  target = m.DoubleClickTarget(1, 100);
  ASSERT_TRUE(target.has_value());
  EXPECT_TRUE(target->Coil);

  EXPECT_FALSE(m.DoubleClickTarget(2, 100).has_value()) << "inputs cannot be written";
  EXPECT_FALSE(m.DoubleClickTarget(4, 100).has_value());
  for (int col : {0, 1, 3}) {
    SelectCell(col, 3, 100);
    EXPECT_FALSE(m.DoubleClickTarget(3, 100).has_value()) << col;
  }
  // A selection made before the address moved far away reads no stale table entry.
  SelectCell(2, 1, 100);
  target = m.DoubleClickTarget(3, 50000);
  ASSERT_TRUE(target.has_value());
  EXPECT_EQ(target->Value, 0);
}

}  // namespace
}  // namespace mms
