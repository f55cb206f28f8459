#include "datawindow/CellColour.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace mms {
namespace {

constexpr int32_t kBg = 0x123456;
constexpr int32_t kBelow = kColorRed;
constexpr int32_t kAbove = kColorLime;

CellThreshold Simple(int32_t threshold) {
  return CellThreshold{1, 1, threshold, 0, kBelow, kAbove};
}
CellThreshold Range(int32_t low, int32_t high) {
  return CellThreshold{1, 2, low, high, kBelow, kAbove};  // outside, inside
}

struct RuleCase {
  CellThreshold rule;
  uint16_t value;
  int32_t expected;
};

TEST(CellColour, ThresholdRulesAtAndAroundTheirEnds) {
  const RuleCase cases[] = {
      // Simple: equal to the threshold takes the above colour; the raw word
      // 65535 is above 100 also when shown as "-1".
      {Simple(100), 0, kBelow},
      {Simple(100), 99, kBelow},
      {Simple(100), 100, kAbove},
      {Simple(100), 101, kAbove},
      {Simple(100), 65535, kAbove},
      {Simple(-1), 0, kAbove},
      {Simple(65536), 65535, kBelow},
      {Simple(0), 0, kAbove},
      // Range: both ends inside.
      {Range(10, 20), 9, kBelow},
      {Range(10, 20), 10, kAbove},
      {Range(10, 20), 15, kAbove},
      {Range(10, 20), 20, kAbove},
      {Range(10, 20), 21, kBelow},
      {Range(10, 20), 65535, kBelow},
      {Range(-5, 70000), 65535, kAbove},
      // Low above high: every value is outside.
      {Range(20, 10), 9, kBelow},
      {Range(20, 10), 15, kBelow},
      {Range(20, 10), 21, kBelow},
  };
  for (const RuleCase& c : cases) {
    EXPECT_EQ(CellFillColor(c.rule, kBg, c.value), c.expected)
        << "type " << c.rule.ThresholdType << " L " << c.rule.ThresholdL << " H "
        << c.rule.ThresholdH << " value " << c.value;
  }
}

TEST(CellColour, RuleOffOrUnknownType) {
  CellThreshold off = Simple(100);
  off.ThresholdEnable = 0;
  EXPECT_EQ(CellFillColor(off, kBg, 5), kBg) << "a switched-off rule keeps its values";
  off.ThresholdEnable = 2;  // only 1 switches the rule on
  EXPECT_EQ(CellFillColor(off, kBg, 5), kBg);
  for (int32_t type : {0, 3, -1}) {
    CellThreshold odd = Simple(100);
    odd.ThresholdType = type;
    EXPECT_FALSE(CellFillColor(odd, kBg, 5).has_value()) << type;
  }
}

TEST(CellColour, ColourValues) {
  EXPECT_EQ(ColorFromRgb(255, 0, 0), 255);
  EXPECT_EQ(ColorFromRgb(0, 255, 0), 65280);
  EXPECT_EQ(RgbOf(0x00332211), (Rgb{0x11, 0x22, 0x33}));
  EXPECT_FALSE(IsSystemColor(kColorWhite));
  EXPECT_TRUE(IsSystemColor(SystemColor(15)));
  EXPECT_LT(SystemColor(15), 0) << "system colours are stored as negative numbers";
  EXPECT_EQ(SystemColor(15), -16777201);
  EXPECT_EQ(SystemColorIndex(-16777201), 15);
}

TEST(CellColour, TextColourFollowsTheBackgroundsLuminance) {
  struct Case {
    Rgb background;
    bool black;
  };
  const Case cases[] = {
      {{255, 255, 255}, true},  {{0, 0, 0}, false},      {{255, 0, 0}, true},  // red: 0.21
      {{0, 0, 255}, false},     {{0, 128, 0}, false},    {{128, 128, 128}, true},
      {{0, 128, 128}, false},   {{255, 0, 255}, true},   {{255, 255, 0}, true},
      {{128, 0, 0}, false},     {{118, 118, 118}, true},  // 0.181, just above the turn
      {{116, 116, 116}, false},                           // 0.175, just below it
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BlackTextReadsBetterOn(c.background), c.black)
        << int(c.background.Red) << "," << int(c.background.Green) << "," << int(c.background.Blue);
  }
}

TEST(CellColour, PickListEntries) {
  int count = 0;
  const NamedColor* standard = ColorList(ColorGroup::Standard, &count);
  ASSERT_EQ(count, 16);
  EXPECT_STREQ(ColorName(kColorRed), "Red");
  EXPECT_STREQ(ColorName(kColorLime), "Lime");
  EXPECT_STREQ(ColorName(kColorWhite), "White");
  EXPECT_STREQ(ColorName(kColorBlack), "Black");
  EXPECT_EQ(ColorName(0x010203), nullptr);
  std::set<int32_t> seen;
  for (ColorGroup g : {ColorGroup::Standard, ColorGroup::Extended, ColorGroup::System}) {
    const NamedColor* list = ColorList(g, &count);
    for (int i = 0; i < count; ++i) {
      EXPECT_TRUE(seen.insert(list[i].Value).second) << list[i].Name << " listed twice";
      EXPECT_EQ(IsSystemColor(list[i].Value), g == ColorGroup::System) << list[i].Name;
    }
  }
  EXPECT_STREQ(standard[0].Name, "Black");
}

}  // namespace
}  // namespace mms
