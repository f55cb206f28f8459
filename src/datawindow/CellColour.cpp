#include "datawindow/CellColour.h"

#include <cmath>
#include <iterator>

namespace mms {
namespace {

constexpr NamedColor kStandard[] = {
    {"Black", 0x000000},  {"Maroon", 0x000080},  {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000},   {"Purple", 0x800080},  {"Teal", 0x808000},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},     {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00},  {"White", 0xFFFFFF},
};

constexpr NamedColor kExtended[] = {
    {"Money Green", 0xC0DCC0},
    {"Sky Blue", 0xF0CAA6},
    {"Cream", 0xF0FBFF},
    {"Medium Gray", 0xA4A0A0},
};

// Identifiers follow the platform's system-colour numbering, which stored
// files carry.
constexpr NamedColor kSystem[] = {
    {"Scroll Bar", SystemColor(0)},
    {"Background", SystemColor(1)},
    {"Active Caption", SystemColor(2)},
    {"Inactive Caption", SystemColor(3)},
    {"Menu", SystemColor(4)},
    {"Window", SystemColor(5)},
    {"Window Frame", SystemColor(6)},
    {"Menu Text", SystemColor(7)},
    {"Window Text", SystemColor(8)},
    {"Caption Text", SystemColor(9)},
    {"Active Border", SystemColor(10)},
    {"Inactive Border", SystemColor(11)},
    {"Application Workspace", SystemColor(12)},
    {"Highlight", SystemColor(13)},
    {"Highlight Text", SystemColor(14)},
    {"Button Face", SystemColor(15)},
    {"Button Shadow", SystemColor(16)},
    {"Gray Text", SystemColor(17)},
    {"Button Text", SystemColor(18)},
    {"Inactive Caption Text", SystemColor(19)},
    {"Button Highlight", SystemColor(20)},
    {"3D Dark Shadow", SystemColor(21)},
    {"3D Light", SystemColor(22)},
    {"Info Text", SystemColor(23)},
    {"Info Background", SystemColor(24)},
    {"Hot Light", SystemColor(26)},
    {"Gradient Active Caption", SystemColor(27)},
    {"Gradient Inactive Caption", SystemColor(28)},
    {"Menu Highlight", SystemColor(29)},
    {"Menu Bar", SystemColor(30)},
};

}  // namespace

bool BlackTextReadsBetterOn(Rgb background) {
  auto linear = [](uint8_t channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  const double luminance = 0.2126 * linear(background.Red) + 0.7152 * linear(background.Green) +
                           0.0722 * linear(background.Blue);
  // Contrast with black (L + 0.05) / 0.05 against contrast with white 1.05 / (L + 0.05).
  return (luminance + 0.05) * (luminance + 0.05) >= 0.05 * 1.05;
}

const NamedColor* ColorList(ColorGroup group, int* count) {
  switch (group) {
    case ColorGroup::Standard:
      *count = static_cast<int>(std::size(kStandard));
      return kStandard;
    case ColorGroup::Extended:
      *count = static_cast<int>(std::size(kExtended));
      return kExtended;
    case ColorGroup::System:
      *count = static_cast<int>(std::size(kSystem));
      return kSystem;
  }
  *count = 0;
  return nullptr;
}

const char* ColorName(int32_t color) {
  for (ColorGroup group : {ColorGroup::Standard, ColorGroup::Extended, ColorGroup::System}) {
    int count = 0;
    const NamedColor* list = ColorList(group, &count);
    for (int i = 0; i < count; ++i) {
      if (list[i].Value == color) return list[i].Name;
    }
  }
  return nullptr;
}

std::optional<int32_t> CellFillColor(const CellThreshold& rule, int32_t background,
                                     uint16_t value) {
  if (rule.ThresholdEnable != 1) return background;
  const int32_t v = value;
  switch (rule.ThresholdType) {
    case 1:
      return v < rule.ThresholdL ? rule.ColorL : rule.ColorH;
    case 2:
      return rule.ThresholdL <= v && v <= rule.ThresholdH ? rule.ColorH : rule.ColorL;
    default:
      return std::nullopt;
  }
}

}  // namespace mms
