#include "common/SettingsFile.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/mms-settingsfile-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    unsetenv("MMS_SETTINGS_DIR");
    mms::SetSettingsDirectory("");
  }
  void TearDown() override {
    unsetenv("MMS_SETTINGS_DIR");
    mms::SetSettingsDirectory("");
    std::remove((dir_ + "/ZeKvadro.ini").c_str());
    rmdir(dir_.c_str());
  }
  std::string dir_;
};

TEST_F(SettingsFileTest, PathPrecedenceIsSetterThenEnvironmentThenExecutableDirectory) {
  const std::string exeDir = mms::ExecutableDirectory();
  ASSERT_FALSE(exeDir.empty());
  EXPECT_EQ(exeDir.front(), '/');  // never relative to the working directory
  EXPECT_EQ(exeDir.back(), '/');
  EXPECT_EQ(mms::SettingsFilePath(), exeDir + "ZeKvadro.ini");

  setenv("MMS_SETTINGS_DIR", "/from/env", 1);
  EXPECT_EQ(mms::SettingsFilePath(), "/from/env/ZeKvadro.ini");

  mms::SetSettingsDirectory("/from/setter/");
  EXPECT_EQ(mms::SettingsFilePath(), "/from/setter/ZeKvadro.ini");

  mms::SetSettingsDirectory("");
  EXPECT_EQ(mms::SettingsFilePath(), "/from/env/ZeKvadro.ini");
}

TEST(SettingsLocationTest, InstalledProgramsKeepTheirSettingsInTheConfigurationFolder) {
  struct Case {
    mms::SettingsLocation location;
    const char* expected;
  };
  const Case cases[] = {
      {{"/set", "/env", "/opt/mms/", true, "/xdg", "/home/u"}, "/set/"},
      {{"", "/env", "/opt/mms/", true, "/xdg", "/home/u"}, "/env/"},
      {{"", "", "/opt/mms/", true, "/xdg", "/home/u"}, "/opt/mms/"},
      {{"", "", "/usr/bin/", false, "/xdg/", "/home/u"}, "/xdg/modbus-master-simulator/"},
      {{"", "", "/usr/bin/", false, "", "/home/u"}, "/home/u/.config/modbus-master-simulator/"},
      // A relative XDG_CONFIG_HOME is not valid and is passed over.
      {{"", "", "/usr/bin/", false, "cfg", "/home/u/"}, "/home/u/.config/modbus-master-simulator/"},
      {{"", "", "/usr/bin/", false, "", ""}, "/usr/bin/"},
      {{"", "", "", false, "", ""}, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(mms::SettingsDirectoryFor(c.location), c.expected) << c.expected;
}

TEST_F(SettingsFileTest, RewriteKeepsForeignKeysAndReplacesValuesWhereTheyStand) {
  const std::string path = dir_ + "/ZeKvadro.ini";
  {
    std::ofstream out(path);
    out << "[general]\nscanrate=77\nTimeout=5\nMine=kept\n[Other]\nx=1\n";
  }
  mms::IniFile file(path);
  mms::ConnectionDialogValues v = mms::ReadConnectionDialogValues(file);
  EXPECT_EQ(v.timeout, "5");
  EXPECT_EQ(mms::ReadScanRateText(file), "77");
  v.protocol = mms::kProtocolTcp;
  v.timeout = " 12 ";  // stored exactly as typed
  mms::WriteConnectionDialogValues(file, v);
  file.Commit();
  const std::string text = ReadAll(path);
  EXPECT_NE(text.find("scanrate=77\nTimeout= 12 \nMine=kept\nDelayBetweenPolls=10\n[Other]\nx=1\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("[Protocol]\nProtocol=ModbusTCP\n"), std::string::npos) << text;
}

// Every dialog value, the new protocols and RS-485 keys among them, reads
// back as written; a file without the RS-485 keys reads as off.
TEST_F(SettingsFileTest, DialogValuesRoundTrip) {
  const std::string path = dir_ + "/ZeKvadro.ini";
  for (const char* protocol : {mms::kProtocolRtuOverTcp, mms::kProtocolUdp}) {
    mms::ConnectionDialogValues v = mms::ReadConnectionDialogValues(mms::IniFile(path));
    EXPECT_EQ(v.rs485, "0");
    EXPECT_EQ(v.rs485DelayBeforeSend, "0");
    EXPECT_EQ(v.rs485DelayAfterSend, "0");
    v.protocol = protocol;
    v.rs485 = "1";
    v.rs485DelayBeforeSend = "3";
    v.rs485DelayAfterSend = "7";
    {
      mms::IniFile file(path);
      mms::WriteConnectionDialogValues(file, v);
      file.Commit();
    }
    const mms::ConnectionDialogValues back = mms::ReadConnectionDialogValues(mms::IniFile(path));
    EXPECT_EQ(back.protocol, protocol);
    EXPECT_EQ(back.rs485, "1");
    EXPECT_EQ(back.rs485DelayBeforeSend, "3");
    EXPECT_EQ(back.rs485DelayAfterSend, "7");
    EXPECT_NE(ReadAll(path).find(std::string("[Protocol]\nProtocol=") + protocol + "\n"),
              std::string::npos);
    std::remove(path.c_str());
  }
}

}  // namespace
