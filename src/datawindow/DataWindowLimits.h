#pragma once
#include <cstdint>

namespace mms {

// Table sizes of a data window. The per-cell tables are sized to the largest
// grid (Length 100 lays out 23 columns), so no drawn or selected cell falls
// outside them.
inline constexpr int kMaxGridLength = 100;
inline constexpr int kGridColumns = 23;
inline constexpr int kGridRows = 11;
inline constexpr int kAliasCount = 125;
inline constexpr int kPolledValueCount = 2000;
inline constexpr int kReadBufferSize = 1100;
inline constexpr int32_t kColorWhite = 0xFFFFFF;

// One cell's threshold rule.
struct CellThreshold {
  uint8_t ThresholdEnable = 0;  // 1: the rule colours the cell
  int32_t ThresholdType = 0;    // 1 simple, 2 range
  int32_t ThresholdL = 0;
  int32_t ThresholdH = 0;
  int32_t ColorL = 0;  // below / outside-range colour
  int32_t ColorH = 0;  // above / inside-range colour
  bool operator==(const CellThreshold&) const = default;
};

}  // namespace mms

namespace mms {

// The display formats of a data window, in the order of its radio buttons.
enum class DisplayFormat {
  Decimal,
  Integer,
  Hexadecimal,
  Binary,
  Float,
  SwappedFloat,
  Double,
  SwappedDouble
};

}  // namespace mms
