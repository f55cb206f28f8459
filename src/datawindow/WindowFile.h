#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "datawindow/AddressStyle.h"
#include "datawindow/DataWindowLimits.h"
#include "datawindow/ValueFormat.h"

namespace mms {

// Window definition files (.kvw): one data window's poll definition, geometry
// and per-offset decorations, as key-value sections.
//
// Length is kept exactly as read (the polling thread polls with it), but the
// per-offset entries are read and written only for offsets 0 .. min(Length,
// 100) - 1: the grid and its per-cell tables hold 100 offsets, so entries
// beyond them would name cells that do not exist.
inline constexpr int kWindowFileOffsets = kMaxGridLength;

inline constexpr const char* kWindowFileOwner = "Zenvik! Modbus Master Simulator";
inline constexpr const char* kWindowFileVersion = "0.1.2-dev-15.04.2011";

// What a file gives an offset that has no keys: no alias, white background,
// threshold off with both colours white.
CellThreshold DefaultFileThreshold();

// [Display]: how the window shows values and addresses.
struct WindowDisplay {
  ValueEncoding Encoding;                // Type, ByteOrder
  AsciiOptions Ascii;                    // Ascii, AsciiMode
  AddressBase Base = AddressBase::Zero;  // AddressBase
  bool operator==(const WindowDisplay&) const = default;
};

struct WindowFile {
  WindowFile();  // the values a missing or empty file reads as

  // [DataDefinition], cut to the width of the poll fields.
  uint8_t DeviceID = 1;
  uint16_t Address = 1;
  uint16_t Length = 1;
  uint8_t Function = 1;  // kept as read, even outside 1..4
  // SingleWriteFunction: 6, or 16 for devices that take no function 6;
  // any other text refuses the file.
  uint8_t SingleWriteFunction = 6;

  // [Window]: outer size and position inside the main window's client area.
  // Kept as read, negative or huge alike; the window clamps when applying.
  int32_t Width = 1;
  int32_t Height = 1;
  int32_t Top = 1;
  int32_t Left = 1;

  WindowDisplay Display;

  // Per offset from Address; only the first StoredOffsets() entries are
  // part of the file.
  std::array<std::string, kWindowFileOffsets> Alias;
  std::array<int32_t, kWindowFileOffsets> BgColor;
  std::array<CellThreshold, kWindowFileOffsets> Threshold;

  int StoredOffsets() const { return Length < kWindowFileOffsets ? Length : kWindowFileOffsets; }

  bool operator==(const WindowFile&) const = default;
};

// Writes every key in its section and order (General, DataDefinition,
// Window, Alias, BgColor, then the six threshold keys per offset, then
// Display) in one atomic commit. [Display] is written only when it differs
// from the defaults or the file has it already, so that a window that never
// chose a display writes the file it always wrote. Keys of an existing file that this save does not
// write stay as they were (line breaks in an alias are stored as blanks by the store). Throws
// Error("Unable to write to <path>"); the old file is then untouched.
void SaveWindowFile(const WindowFile& file, const std::string& path);

// Reads a window file; missing sections or keys give the defaults of
// WindowFile(). A file that cannot be read (missing, a folder, a device, no
// permission, too large) throws Error("Unable to read <path>: <reason>").
// The DataDefinition and Window keys are converted strictly:
// the first one that is present but not an integer (an empty value too)
// throws Error("'<text>' is not a valid integer value"). Colour and threshold
// keys that are not integers read as their defaults. A [Display] key that is
// present but not one of its values throws Error("'<text>' is not a valid
// <key> in [Display]").
WindowFile LoadWindowFile(const std::string& path);

}  // namespace mms
