#include "datawindow/WindowFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>
#include <sstream>
#include <utility>

#include "common/Errors.h"
#include "windowfile/TestFiles.h"

namespace mms {
namespace {

using test::ReadAll;
using test::TempDir;
using test::WriteAll;

// A window filled with values that differ per field and per offset.
WindowFile Decorated(uint16_t length) {
  WindowFile f;
  f.DeviceID = 247;
  f.Address = 40000;
  f.Length = length;
  f.Function = 4;
  f.Width = 705;
  f.Height = 479;
  f.Top = -12;
  f.Left = 3000;
  for (int i = 0; i < kWindowFileOffsets; ++i) {
    f.Alias[i] = "Sensor " + std::to_string(i) + " = %;[x]";
    f.BgColor[i] = i % 3 == 0 ? -2147483643 + i : 0x00102030 + i;  // system colours are negative
    f.Threshold[i] = CellThreshold{
        static_cast<uint8_t>(i % 2), 1 + i % 2, -1000 - i, 1000 + i, 0x0000FF00 + i, -16777201 + i};
  }
  return f;
}

// The first `n` offsets as saved, the rest as a missing key reads.
WindowFile Expected(const WindowFile& saved) {
  WindowFile e = saved;
  const WindowFile defaults;
  for (int i = saved.StoredOffsets(); i < kWindowFileOffsets; ++i) {
    e.Alias[i] = defaults.Alias[i];
    e.BgColor[i] = defaults.BgColor[i];
    e.Threshold[i] = defaults.Threshold[i];
  }
  return e;
}

int CountLinesStartingWith(const std::string& text, const std::string& prefix) {
  std::istringstream in(text);
  int count = 0;
  for (std::string line; std::getline(in, line);) count += line.rfind(prefix, 0) == 0;
  return count;
}

std::string LoadError(const std::string& path) {
  try {
    LoadWindowFile(path);
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

// --- Writing ---------------------------------------------------------------

TEST(WindowFileSave, HoldingRegisterExampleComesOutExactly) {
  WindowFile f;
  f.DeviceID = 17;
  f.Address = 100;
  f.Length = 2;
  f.Function = 3;
  f.Width = 705;
  f.Height = 479;
  f.Top = 10;
  f.Left = 20;
  f.Alias[0] = "Pressure";
  f.BgColor[0] = kColorWhite;
  f.BgColor[1] = 255;
  f.Threshold[0] = CellThreshold{};
  f.Threshold[1] = CellThreshold{1, 1, 1000, 0, 65280, 255};
  TempDir dir;
  SaveWindowFile(f, dir.File("w.kvw"));
  EXPECT_EQ(ReadAll(dir.File("w.kvw")),
            "[General]\nFileOwner=Zenvik! Modbus Master Simulator\n"
            "FileVersion=0.1.2-dev-15.04.2011\n"
            "[DataDefinition]\nDeviceID=17\nAddress=100\nLength=2\nFunction=3\n"
            "[Window]\nWidth=705\nHeight=479\nTop=10\nLeft=20\n"
            "[Alias]\nAlias0=Pressure\nAlias1=\n"
            "[BgColor]\nBgColor0=16777215\nBgColor1=255\n"
            "[ThresholdEnable]\nThresholdEnable0=0\nThresholdEnable1=1\n"
            "[ThresholdType]\nThresholdType0=0\nThresholdType1=1\n"
            "[Threshold1]\nThresholdL0=0\nThresholdL1=1000\n"
            "[Threshold2]\nThresholdH0=0\nThresholdH1=0\n"
            "[ColorL]\nColorL0=0\nColorL1=65280\n"
            "[ColorH]\nColorH0=0\nColorH1=255\n");
}

TEST(WindowFileSave, FreshWindowOfTenWritesTenKeysPerOffsetSection) {
  WindowFile f;
  f.Length = 10;
  f.Threshold.fill(CellThreshold{});  // a fresh window's threshold table is all zero
  TempDir dir;
  SaveWindowFile(f, dir.File("w.kvw"));
  const std::string text = ReadAll(dir.File("w.kvw"));
  for (const char* stem : {"Alias", "BgColor", "ThresholdEnable", "ThresholdType", "ThresholdL",
                           "ThresholdH", "ColorL", "ColorH"}) {
    EXPECT_EQ(CountLinesStartingWith(text, stem), 10) << stem;
  }
  for (const char* line :
       {"\nBgColor0=16777215\n", "\nThresholdEnable0=0\n", "\nThresholdType0=0\n",
        "\nThresholdL0=0\n", "\nColorL0=0\n", "\nAlias9=\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
}

TEST(WindowFileSave, ShorterWindowOverLongerLeavesOldOffsetsThatLoadIgnores) {
  TempDir dir;
  const std::string path = dir.File("w.kvw");
  WriteAll(path, "; comment\n[Private]\nColour=blue\n");
  SaveWindowFile(Decorated(20), path);
  WindowFile shorter;
  shorter.Length = 5;
  for (int i = 0; i < 5; ++i) shorter.Alias[i] = "new" + std::to_string(i);
  SaveWindowFile(shorter, path);

  const std::string text = ReadAll(path);
  EXPECT_NE(text.find("\nAlias12=Sensor 12"), std::string::npos);
  EXPECT_NE(text.find("\nColorH19="), std::string::npos);
  EXPECT_NE(text.find("\nLength=5\n"), std::string::npos);
  EXPECT_EQ(text.rfind("; comment\n[Private]\nColour=blue\n[General]\n", 0), 0u);
  EXPECT_EQ(LoadWindowFile(path), Expected(shorter));
}

TEST(WindowFileSave, UnwritablePlaceRaisesAndLeavesTheOldFile) {
  TempDir dir;
  const std::string missingFolder = dir.File("no-such-folder/w.kvw");
  try {
    SaveWindowFile(WindowFile(), missingFolder);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + missingFolder);
  }

  const std::string old = "[DataDefinition]\nLength=7\n";
  std::string path, after;
  const std::string message = test::SaveIntoReadOnlyFolder(
      old, [](const std::string& p) { SaveWindowFile(Decorated(50), p); }, &path, &after);
  EXPECT_EQ(message, "Unable to write to " + path);
  EXPECT_EQ(after, old);
}

// --- Reading ---------------------------------------------------------------

TEST(WindowFileLoad, RoundTripKeepsEveryField) {
  for (uint16_t length : {0, 1, 9, 37, 100}) {
    TempDir dir;
    const WindowFile saved = Decorated(length);
    SaveWindowFile(saved, dir.File("w.kvw"));
    EXPECT_EQ(LoadWindowFile(dir.File("w.kvw")), Expected(saved)) << "Length " << length;
  }
}

// A file that reads but lacks keys gets the defaults; one that cannot be
// read is an error naming it and why.
TEST(WindowFileLoad, KeylessFilesGiveDefaultsUnreadableOnesAnError) {
  TempDir dir;
  WriteAll(dir.File("other.ini"), "[Protocol]\nMode=1\n");
  WriteAll(dir.File("empty.kvw"), "");
  ASSERT_EQ(mkfifo(dir.File("pipe.kvw").c_str(), 0600), 0);
  const WindowFile defaults;
  const std::pair<std::string, std::string> cases[] = {
      {dir.File("other.ini"), ""},
      {dir.File("empty.kvw"), ""},
      {dir.File("missing.kvw"), "No such file or directory"},
      {std::string(), "No such file or directory"},
      {dir.Path(), "Is a directory"},
      {"/dev/zero", "Not a regular file"},
      {dir.File("pipe.kvw"), "Not a regular file"},
  };
  for (const auto& [path, reason] : cases) {
    try {
      EXPECT_EQ(LoadWindowFile(path), defaults) << path;
      EXPECT_EQ(reason, "") << path;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to read " + path + ": " + reason);
    }
  }
  EXPECT_EQ(defaults.DeviceID, 1);
  EXPECT_EQ(defaults.Address, 1);
  EXPECT_EQ(defaults.Length, 1);
  EXPECT_EQ(defaults.Function, 1);
  EXPECT_EQ(defaults.Width + defaults.Height + defaults.Top + defaults.Left, 4);
  EXPECT_EQ(defaults.BgColor[99], kColorWhite);
  EXPECT_EQ(defaults.Threshold[0], (CellThreshold{0, 0, 0, 0, kColorWhite, kColorWhite}));
}

TEST(WindowFileLoad, OnlyALengthOfTwenty) {
  TempDir dir;
  WriteAll(dir.File("w.kvw"), "[DataDefinition]\nLength=20\n");
  WindowFile expected;
  expected.Length = 20;
  EXPECT_EQ(LoadWindowFile(dir.File("w.kvw")), expected);
}

TEST(WindowFileLoad, DefinitionAndGeometryAreCutOrKeptAsRead) {
  TempDir dir;
  WriteAll(dir.File("w.kvw"),
           "[DataDefinition]\nDeviceID=300\nAddress=-1\nLength=$1F\nFunction=7\n"
           "[Window]\nWidth=-50\nHeight=0x7FFFFFFF\nTop=  -2147483648\nLeft=+0\n");
  const WindowFile f = LoadWindowFile(dir.File("w.kvw"));
  EXPECT_EQ(f.DeviceID, 44);
  EXPECT_EQ(f.Address, 65535);
  EXPECT_EQ(f.Length, 31);
  EXPECT_EQ(f.Function, 7);
  EXPECT_EQ(f.Width, -50);
  EXPECT_EQ(f.Height, 2147483647);
  EXPECT_EQ(f.Top, -2147483647 - 1);
  EXPECT_EQ(f.Left, 0);
}

TEST(WindowFileLoad, BadDefinitionOrGeometryValueStopsAtTheFirst) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"[DataDefinition]\nDeviceID=abc\n", "'abc' is not a valid integer value"},
      {"[DataDefinition]\nAddress=\n", "'' is not a valid integer value"},
      {"[DataDefinition]\nLength=12x\n", "'12x' is not a valid integer value"},
      {"[DataDefinition]\nFunction=3.0\n", "'3.0' is not a valid integer value"},
      {"[Window]\nWidth=2147483648\n", "'2147483648' is not a valid integer value"},
      {"[Window]\nHeight=0x\n", "'0x' is not a valid integer value"},
      {"[Window]\nTop=- 1\n", "'- 1' is not a valid integer value"},
      {"[Window]\nLeft=1;2\n", "'1;2' is not a valid integer value"},
      // Read in file order: the definition before the geometry.
      {"[Window]\nWidth=late\n[DataDefinition]\nFunction=early\n",
       "'early' is not a valid integer value"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    WriteAll(dir.File("w.kvw"), c.text);
    EXPECT_EQ(LoadError(dir.File("w.kvw")), c.message) << c.text;
  }
}

TEST(WindowFileLoad, BadColourAndThresholdValuesFallBackToDefaults) {
  TempDir dir;
  WriteAll(dir.File("w.kvw"),
           "[DataDefinition]\nLength=3\n"
           "[BgColor]\nBgColor0=red\nBgColor1=$FF\nBgColor2=-16777201\n"
           "[ThresholdEnable]\nThresholdEnable0=7\nThresholdEnable1=yes\nThresholdEnable2=0\n"
           "[ThresholdType]\nThresholdType0=0x2\nThresholdType1=\n"
           "[Threshold1]\nThresholdL0=-5\nThresholdL1=99999999999\n"
           "[Threshold2]\nThresholdH0=1e3\n"
           "[ColorL]\nColorL0=\nColorL1=0\n"
           "[ColorH]\nColorH0=green\n");
  const WindowFile f = LoadWindowFile(dir.File("w.kvw"));
  EXPECT_EQ(f.BgColor[0], kColorWhite);
  EXPECT_EQ(f.BgColor[1], 255);
  EXPECT_EQ(f.BgColor[2], -16777201);
  EXPECT_EQ(f.Threshold[0], (CellThreshold{1, 2, -5, 0, kColorWhite, kColorWhite}));
  EXPECT_EQ(f.Threshold[1], (CellThreshold{0, 0, 0, 0, 0, kColorWhite}));
  EXPECT_EQ(f.Threshold[2], DefaultFileThreshold());
}

TEST(WindowFileLoad, SectionAndKeyNamesInAnyCase) {
  TempDir dir;
  WriteAll(dir.File("w.kvw"),
           "[DATADEFINITION]\ndeviceid=9\nLENGTH=2\n[window]\nwIdTh=640\n"
           "[alias]\nALIAS1=Flow\n[bgcolor]\nbgcolor1=128\n[colorh]\nCOLORH0=5\n");
  const WindowFile f = LoadWindowFile(dir.File("w.kvw"));
  EXPECT_EQ(f.DeviceID, 9);
  EXPECT_EQ(f.Length, 2);
  EXPECT_EQ(f.Width, 640);
  EXPECT_EQ(f.Alias[1], "Flow");
  EXPECT_EQ(f.BgColor[1], 128);
  EXPECT_EQ(f.Threshold[0].ColorH, 5);
}

// Only the 100 offsets the grid holds are written and read; Length itself is
// kept for the poll.
TEST(WindowFileLoad, LengthAboveOneHundredTouchesOnlyTheGridOffsets) {
  TempDir dir;
  const std::string path = dir.File("w.kvw");
  SaveWindowFile(Decorated(300), path);
  std::string text = ReadAll(path);
  EXPECT_NE(text.find("\nLength=300\n"), std::string::npos);
  EXPECT_EQ(CountLinesStartingWith(text, "Alias"), 100);
  EXPECT_EQ(CountLinesStartingWith(text, "ColorH"), 100);
  EXPECT_EQ(text.find("Alias100="), std::string::npos);

  WriteAll(path, text + "[Alias]\nAlias100=beyond\nAlias124=beyond\n");
  const WindowFile f = LoadWindowFile(path);
  EXPECT_EQ(f.Length, 300);
  EXPECT_EQ(f.StoredOffsets(), 100);
  EXPECT_EQ(f, Expected(Decorated(300)));

  WriteAll(path, "[DataDefinition]\nLength=-1\n");
  EXPECT_EQ(LoadWindowFile(path).Length, 65535);
}

// [Display] comes back as saved; saving the defaults over it writes them, so
// its old keys do not win; a bad value names its key.
TEST(WindowFileDisplay, SectionRoundTripAndBadValues) {
  TempDir dir;
  const std::string path = dir.File("w.kvw");
  for (const WindowDisplay& display :
       {WindowDisplay{{ValueType::Float64, ByteOrder::LittleEndian},
                      {true, AsciiMode::TwoCharSwapped},
                      AddressBase::Modicon},
        WindowDisplay{DisplayFormat::Float, {true, AsciiMode::OneChar}, AddressBase::One},
        WindowDisplay{}}) {
    WindowFile f = Decorated(3);
    f.Display = display;
    SaveWindowFile(f, path);
    EXPECT_EQ(LoadWindowFile(path), Expected(f));
  }
  EXPECT_NE(ReadAll(path).find("\n[Display]\nType=uint16\nByteOrder=ABCD\nAscii=0\n"
                               "AsciiMode=OneChar\nAddressBase=0\n"),
            std::string::npos);
  const std::pair<const char*, const char*> bad[] = {
      {"Type=float128", "'float128' is not a valid Type in [Display]"},
      {"ByteOrder=ABDC", "'ABDC' is not a valid ByteOrder in [Display]"},
      {"Ascii=yes", "'yes' is not a valid Ascii in [Display]"},
      {"AddressBase=", "'' is not a valid AddressBase in [Display]"},
  };
  for (const auto& [line, message] : bad) {
    WriteAll(path, std::string("[Display]\n") + line + "\n");
    EXPECT_EQ(LoadError(path), message);
  }
  WriteAll(path, "[display]\ntype=INT64\nbyteorder=hgfedcba\n");
  EXPECT_EQ(LoadWindowFile(path).Display.Encoding,
            ValueEncoding(ValueType::Signed64, ByteOrder::LittleEndian));
}

// The single-register write function: absent in old files (6), written once
// chosen, kept when set back to 6, and anything but 6 or 16 refused.
TEST(WindowFileLoad, SingleWriteFunctionKey) {
  TempDir dir;
  const std::string path = dir.File("w.kvw");
  WindowFile f = Decorated(3);
  SaveWindowFile(f, path);
  EXPECT_EQ(ReadAll(path).find("SingleWriteFunction"), std::string::npos);
  EXPECT_EQ(LoadWindowFile(path).SingleWriteFunction, 6);
  for (uint8_t function : {16, 6}) {
    f.SingleWriteFunction = function;
    SaveWindowFile(f, path);
    EXPECT_EQ(LoadWindowFile(path).SingleWriteFunction, function);
  }
  WriteAll(path, "[DataDefinition]\nSingleWriteFunction=5\n");
  EXPECT_EQ(LoadError(path), "'5' is not a valid SingleWriteFunction in [DataDefinition]");
}

TEST(WindowFileLoad, UnusualFilesNeitherCrashNorHang) {
  TempDir dir;
  std::mt19937 random(7);
  std::string binary(64 * 1024, '\0');
  for (char& c : binary) c = static_cast<char>(random());
  WriteAll(dir.File("binary.kvw"), binary);

  // 10 MB: a valid head, then one endless line and many junk lines.
  std::string big = "[DataDefinition]\nLength=20\n[Alias]\nAlias0=";
  big += std::string(4 * 1024 * 1024, 'a');
  big += "\n";
  while (big.size() < 10 * 1024 * 1024) big += "junk line without equals\n=\n[\n]\n";
  WriteAll(dir.File("big.kvw"), big);

  for (const char* name : {"binary.kvw", "big.kvw"}) {
    try {
      const WindowFile f = LoadWindowFile(dir.File(name));
      EXPECT_LE(f.Alias[0].size(), 2047u) << name;
    } catch (const Error&) {
      // A clear conversion error is an acceptable outcome for garbage.
    }
  }
}

}  // namespace
}  // namespace mms
