// Headless runs against a libmodbus slave on loopback: exit codes, summary
// lines and the CSV log.
#include "modbus/Headless.h"

#include <gtest/gtest.h>

#include <sstream>

#include "common/Csv.h"
#include "common/IniFile.h"
#include "common/TempDir.h"
#include "datawindow/WindowFile.h"
#include "datawindow/WindowsSet.h"
#include "support/LibmodbusSlaves.h"

namespace mms {
namespace {

class HeadlessTest : public ::testing::Test {
 protected:
  HeadlessTest() {
    IniFile settings(dir_.File("ZeKvadro.ini"));
    settings.WriteString("Protocol", "Protocol", "ModbusTCP");
    settings.WriteString("TCPPortSettings", "IPAddress", "127.0.0.1");
    settings.WriteString("TCPPortSettings", "TCPPort", std::to_string(slave_.Port()));
    settings.WriteString("General", "Timeout", "1000");
    settings.WriteString("General", "ScanRate", "100");
    settings.Commit();
    slave_.SetHoldingRegister(0, 1234);
    slave_.SetHoldingRegister(1, 0xFFFF);
  }

  // A set of windows polling holding registers from each address, 2 each.
  std::string Set(const std::vector<uint16_t>& addresses) {
    std::vector<std::string> names;
    for (uint16_t address : addresses) {
      WindowFile file;
      file.Function = 3;
      file.Address = address;
      file.Length = 2;
      file.Display.Encoding = ValueEncoding(DisplayFormat::Integer);
      file.Alias[0] = "level, tank 1";
      names.push_back(dir_.File("w" + std::to_string(address) + ".kvw"));
      SaveWindowFile(file, names.back());
    }
    SaveWindowsSet(dir_.File("set.kvs"), names);
    return dir_.File("set.kvs");
  }

  int Run(const std::vector<std::string>& arguments) {
    std::ostringstream parseErrors;
    const auto options = ParseHeadlessArguments(arguments, parseErrors);
    if (!options) {
      err_ = parseErrors.str();
      return kHeadlessBadInput;
    }
    HeadlessOptions o = *options;
    o.SettingsPath = dir_.File("ZeKvadro.ini");
    o.LogPath = dir_.File("Transmission.log");
    return RunHeadless(o, out_, errStream_);
  }

  test::TempDir dir_;
  test::LibmodbusTcpSlave slave_;
  std::ostringstream out_;
  std::ostringstream errStream_;
  std::string err_;
};

TEST_F(HeadlessTest, HealthyDevicePassesAndLogsEveryCell) {
  const std::string csv = dir_.File("log.csv");
  ASSERT_EQ(Run({"--headless", Set({0}), "--csv", csv, "--duration", "0.6"}), kHeadlessPassed)
      << errStream_.str();
  std::istringstream summary(out_.str());
  std::string caption;
  uint64_t polls = 0, valid = 0, errors = 0;
  summary >> caption >> polls >> valid >> errors;
  EXPECT_EQ(caption, dir_.File("w0.kvw"));
  EXPECT_GE(valid, 1u);
  EXPECT_EQ(errors, 0u);

  const auto records = ParseCsv(test::ReadWhole(csv));
  ASSERT_GE(records.size(), 3u);
  EXPECT_EQ(records[0].fields, (std::vector<std::string>{"time", "window", "device", "function",
                                                         "address", "alias", "raw", "value"}));
  EXPECT_EQ(records.size() - 1, 2 * valid);  // one row per cell per valid poll
  const auto& row = records[1].fields;
  ASSERT_EQ(row.size(), 8u);
  EXPECT_EQ(row[0].size(), std::string("2026-12-08T14:03:07.125+01:00").size());
  EXPECT_EQ((std::vector<std::string>(row.begin() + 1, row.end())),
            (std::vector<std::string>{caption, "1", "3", "0", "level, tank 1", "1234", "1234"}));
  EXPECT_EQ(records[2].fields[6], "65535");
  EXPECT_EQ(records[2].fields[7], "-1");  // Integer, as the window shows it
}

TEST_F(HeadlessTest, ExitCodes) {
  // Addresses past the slave's table answer with an exception: errors.
  EXPECT_EQ(Run({"--headless", Set({0, 3000}), "--duration", "0.5"}), kHeadlessFailed);
  std::istringstream summary(out_.str());
  std::string good, failing;
  uint64_t polls = 0, valid = 0, errors = 0;
  summary >> good >> polls >> valid >> errors >> failing >> polls >> valid >> errors;
  EXPECT_EQ(failing, dir_.File("w3000.kvw"));
  EXPECT_EQ(valid, 0u);
  EXPECT_GE(errors, 1u);

  const struct {
    std::vector<std::string> arguments;
  } bad[] = {
      {{"--headless", dir_.File("missing.kvs")}},
      {{"--headless"}},
      {{"--headless", "x.kvs", "--duration", "soon"}},
      {{"--headless", "x.kvs", "--frobnicate"}},
  };
  for (const auto& c : bad) EXPECT_EQ(Run(c.arguments), kHeadlessBadInput) << c.arguments.back();
}

TEST_F(HeadlessTest, StopsWhenAsked) {
  std::atomic<bool> stop{true};
  HeadlessOptions o;
  o.SetPath = Set({0});
  o.SettingsPath = dir_.File("ZeKvadro.ini");
  o.LogPath = dir_.File("Transmission.log");
  // Asked to stop at once, the run ends without a duration.
  EXPECT_NE(RunHeadless(o, out_, errStream_, &stop), kHeadlessBadInput);
}

}  // namespace
}  // namespace mms
