#pragma once
#include <cstdint>
#include <optional>

#include "datawindow/DataWindowLimits.h"

namespace mms {

// Colour values: 0x00BBGGRR for an RGB colour (red in the low byte), or a
// system-colour identifier 0xFF0000nn naming the platform colour nn (these
// read as negative numbers when stored as signed 32-bit).
inline constexpr int32_t kColorBlack = 0x000000;
inline constexpr int32_t kColorRed = 0x0000FF;
inline constexpr int32_t kColorLime = 0x00FF00;

struct Rgb {
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  bool operator==(const Rgb&) const = default;
};

inline constexpr int32_t ColorFromRgb(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<int32_t>(red | (green << 8) | (blue << 16));
}
// The RGB part; anything in the high byte other than a system identifier is ignored.
inline constexpr Rgb RgbOf(int32_t color) {
  const uint32_t v = static_cast<uint32_t>(color);
  return Rgb{static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>((v >> 8) & 0xFF),
             static_cast<uint8_t>((v >> 16) & 0xFF)};
}
inline constexpr bool IsSystemColor(int32_t color) {
  return (static_cast<uint32_t>(color) >> 24) == 0xFF;
}
inline constexpr int SystemColorIndex(int32_t color) {
  return static_cast<int>(static_cast<uint32_t>(color) & 0xFF);
}
inline constexpr int32_t SystemColor(int index) {
  return static_cast<int32_t>(0xFF000000u | static_cast<uint32_t>(index & 0xFF));
}

// Whether black text reads better than white on `background`: black when the
// background's relative luminance (sRGB, as for contrast ratios) gives it the
// higher contrast against black, which is from a luminance of about 0.18 up.
bool BlackTextReadsBetterOn(Rgb background);

// The entries of a colour pick list.
struct NamedColor {
  const char* Name;
  int32_t Value;
};
enum class ColorGroup { Standard, Extended, System };

// The colours of one group, in list order; `count` receives their number.
const NamedColor* ColorList(ColorGroup group, int* count);
// The list name of a colour, or null when no list holds it.
const char* ColorName(int32_t color);

// The colour a threshold rule gives to a cell showing `value` (the raw word;
// comparisons are signed 32-bit, so the word 65535 is above 100). With the
// rule off the fixed background applies. nullopt: the rule has a type other
// than simple or range, and the cell keeps the grid's own look.
std::optional<int32_t> CellFillColor(const CellThreshold& rule, int32_t background, uint16_t value);

}  // namespace mms
