#include "datawindow/WindowFile.h"

#include "common/Conversions.h"
#include "common/Errors.h"
#include "common/IniFile.h"

namespace mms {
namespace {

std::string Key(const char* stem, int n) { return stem + std::to_string(n); }

int32_t ReadStrict(const IniFile& ini, const char* section, const char* key) {
  return StrToInt(ini.ReadString(section, key, "1"));
}

int32_t ReadLenient(const IniFile& ini, const char* section, const std::string& key,
                    int32_t defaultValue) {
  int32_t value = 0;
  return TryStrToInt(ini.ReadString(section, key, ""), &value) ? value : defaultValue;
}

constexpr const char* kDisplay = "Display";
constexpr const char* kDisplayKeys[] = {"Type", "ByteOrder", "Ascii", "AsciiMode", "AddressBase"};
constexpr const char* kAsciiModes[] = {"OneChar", "TwoChar", "TwoCharSwapped"};

// Two different defaults read the same only when the key is there.
bool HasKey(const IniFile& ini, const char* section, const char* key) {
  return ini.ReadString(section, key, "0") == ini.ReadString(section, key, "1");
}

bool HasDisplayKey(const IniFile& ini, const char* key) { return HasKey(ini, kDisplay, key); }

// Which function writes one register: 6 (the default) or 16.
constexpr const char* kSingleWriteKey = "SingleWriteFunction";

bool HasDisplaySection(const IniFile& ini) {
  for (const char* key : kDisplayKeys) {
    if (HasDisplayKey(ini, key)) return true;
  }
  return false;
}

void WriteDisplay(IniFile& ini, const WindowDisplay& display) {
  const ValueEncoding& encoding = display.Encoding;
  ini.WriteString(kDisplay, "Type", TypeKey(encoding.Type));
  ini.WriteString(kDisplay, "ByteOrder", OrderName(encoding.Order, encoding.Type));
  ini.WriteString(kDisplay, "Ascii", display.Ascii.Enabled ? "1" : "0");
  ini.WriteString(kDisplay, "AsciiMode", kAsciiModes[static_cast<int>(display.Ascii.Mode)]);
  ini.WriteString(kDisplay, "AddressBase", AddressBaseName(display.Base));
}

// A missing key keeps `value`; a key that `parse` refuses stops the load.
template <typename T, typename Parse>
void ReadDisplayKey(const IniFile& ini, const char* key, T* value, Parse parse) {
  if (!HasDisplayKey(ini, key)) return;
  const std::string text = ini.ReadString(kDisplay, key, "");
  const std::optional<T> parsed = parse(text);
  if (!parsed) throw Error("'" + text + "' is not a valid " + key + " in [Display]");
  *value = *parsed;
}

WindowDisplay ReadDisplay(const IniFile& ini) {
  WindowDisplay display;
  ReadDisplayKey(ini, "Type", &display.Encoding.Type, TypeFromKey);
  ReadDisplayKey(ini, "ByteOrder", &display.Encoding.Order, OrderFromName);
  ReadDisplayKey(ini, "Ascii", &display.Ascii.Enabled,
                 [](const std::string& text) -> std::optional<bool> {
                   if (text != "0" && text != "1") return std::nullopt;
                   return text == "1";
                 });
  ReadDisplayKey(ini, "AsciiMode", &display.Ascii.Mode,
                 [](const std::string& text) -> std::optional<AsciiMode> {
                   for (int i = 0; i < 3; ++i) {
                     if (EqualIgnoringCase(text, kAsciiModes[i])) return static_cast<AsciiMode>(i);
                   }
                   return std::nullopt;
                 });
  ReadDisplayKey(ini, "AddressBase", &display.Base, AddressBaseFromName);
  return display;
}

}  // namespace

CellThreshold DefaultFileThreshold() {
  CellThreshold t;
  t.ColorL = kColorWhite;
  t.ColorH = kColorWhite;
  return t;
}

WindowFile::WindowFile() {
  BgColor.fill(kColorWhite);
  Threshold.fill(DefaultFileThreshold());
}

void SaveWindowFile(const WindowFile& file, const std::string& path) {
  IniFile ini(path);
  auto write = [&ini](const char* section, const std::string& key, int64_t value) {
    ini.WriteString(section, key, std::to_string(value));
  };
  ini.WriteString("General", "FileOwner", kWindowFileOwner);
  ini.WriteString("General", "FileVersion", kWindowFileVersion);
  write("DataDefinition", "DeviceID", file.DeviceID);
  write("DataDefinition", "Address", file.Address);
  write("DataDefinition", "Length", file.Length);
  write("DataDefinition", "Function", file.Function);
  // Written once chosen, so a window that never chose writes the file it always wrote.
  if (file.SingleWriteFunction != 6 || HasKey(ini, "DataDefinition", kSingleWriteKey)) {
    write("DataDefinition", kSingleWriteKey, file.SingleWriteFunction);
  }
  write("Window", "Width", file.Width);
  write("Window", "Height", file.Height);
  write("Window", "Top", file.Top);
  write("Window", "Left", file.Left);

  const int n = file.StoredOffsets();
  for (int i = 0; i < n; ++i) ini.WriteString("Alias", Key("Alias", i), file.Alias[i]);
  for (int i = 0; i < n; ++i) write("BgColor", Key("BgColor", i), file.BgColor[i]);
  for (int i = 0; i < n; ++i) {
    const CellThreshold& t = file.Threshold[i];
    ini.WriteString("ThresholdEnable", Key("ThresholdEnable", i), t.ThresholdEnable ? "1" : "0");
    write("ThresholdType", Key("ThresholdType", i), t.ThresholdType);
    write("Threshold1", Key("ThresholdL", i), t.ThresholdL);
    write("Threshold2", Key("ThresholdH", i), t.ThresholdH);
    write("ColorL", Key("ColorL", i), t.ColorL);
    write("ColorH", Key("ColorH", i), t.ColorH);
  }
  // Defaults over an existing [Display] are written, or its old keys would win at load.
  if (file.Display != WindowDisplay() || HasDisplaySection(ini)) WriteDisplay(ini, file.Display);
  ini.Commit();
}

WindowFile LoadWindowFile(const std::string& path) {
  const IniFile ini(path);
  ini.RequireRead();
  WindowFile file;
  // Converted in file order, so an error names the first bad key.
  file.DeviceID = static_cast<uint8_t>(ReadStrict(ini, "DataDefinition", "DeviceID"));
  file.Address = static_cast<uint16_t>(ReadStrict(ini, "DataDefinition", "Address"));
  file.Length = static_cast<uint16_t>(ReadStrict(ini, "DataDefinition", "Length"));
  file.Function = static_cast<uint8_t>(ReadStrict(ini, "DataDefinition", "Function"));
  if (HasKey(ini, "DataDefinition", kSingleWriteKey)) {
    const std::string text = ini.ReadString("DataDefinition", kSingleWriteKey, "");
    if (text != "6" && text != "16") {
      throw Error("'" + text + "' is not a valid " + kSingleWriteKey + " in [DataDefinition]");
    }
    file.SingleWriteFunction = static_cast<uint8_t>(std::stoi(text));
  }
  file.Width = ReadStrict(ini, "Window", "Width");
  file.Height = ReadStrict(ini, "Window", "Height");
  file.Top = ReadStrict(ini, "Window", "Top");
  file.Left = ReadStrict(ini, "Window", "Left");

  const int n = file.StoredOffsets();
  for (int i = 0; i < n; ++i) file.Alias[i] = ini.ReadString("Alias", Key("Alias", i), "");
  for (int i = 0; i < n; ++i) {
    file.BgColor[i] = ReadLenient(ini, "BgColor", Key("BgColor", i), kColorWhite);
  }
  for (int i = 0; i < n; ++i) {
    CellThreshold& t = file.Threshold[i];
    t.ThresholdEnable = ReadLenient(ini, "ThresholdEnable", Key("ThresholdEnable", i), 0) != 0;
    t.ThresholdType = ReadLenient(ini, "ThresholdType", Key("ThresholdType", i), 0);
    t.ThresholdL = ReadLenient(ini, "Threshold1", Key("ThresholdL", i), 0);
    t.ThresholdH = ReadLenient(ini, "Threshold2", Key("ThresholdH", i), 0);
    t.ColorL = ReadLenient(ini, "ColorL", Key("ColorL", i), kColorWhite);
    t.ColorH = ReadLenient(ini, "ColorH", Key("ColorH", i), kColorWhite);
  }
  file.Display = ReadDisplay(ini);
  return file;
}

}  // namespace mms
