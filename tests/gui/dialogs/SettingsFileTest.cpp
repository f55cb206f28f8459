#include "shell/SettingsFile.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

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
  EXPECT_EQ(exeDir.back(), '/');
  EXPECT_EQ(mms::SettingsFilePath(), exeDir + "ZeKvadro.ini");

  setenv("MMS_SETTINGS_DIR", "/from/env", 1);
  EXPECT_EQ(mms::SettingsFilePath(), "/from/env/ZeKvadro.ini");

  mms::SetSettingsDirectory("/from/setter/");
  EXPECT_EQ(mms::SettingsFilePath(), "/from/setter/ZeKvadro.ini");

  mms::SetSettingsDirectory("");
  EXPECT_EQ(mms::SettingsFilePath(), "/from/env/ZeKvadro.ini");
}

TEST_F(SettingsFileTest, WorkingDirectoryPlaysNoPart) {
  mms::SetSettingsDirectory(dir_);
  const std::string before = mms::SettingsFilePath();
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir("/"), 0);
  EXPECT_EQ(mms::SettingsFilePath(), before);
  unsetenv("MMS_SETTINGS_DIR");
  mms::SetSettingsDirectory("");
  EXPECT_EQ(mms::SettingsFilePath()[0], '/');
  ASSERT_EQ(chdir(cwd), 0);
}

TEST_F(SettingsFileTest, MissingFileGivesTheDialogDefaults) {
  const mms::IniFile file(dir_ + "/ZeKvadro.ini");
  const mms::ConnectionDialogValues v = mms::ReadConnectionDialogValues(file);
  EXPECT_EQ(v.protocol, "");
  EXPECT_EQ(v.port, "COM2");
  EXPECT_EQ(v.bitrate, "115200");
  EXPECT_EQ(v.parity, "NONE");
  EXPECT_EQ(v.stopBits, "1");
  EXPECT_EQ(v.ipAddress, "127.0.0.1");
  EXPECT_EQ(v.tcpPort, "502");
  EXPECT_EQ(v.timeout, "1000");
  EXPECT_EQ(v.delayBetweenPolls, "10");
  EXPECT_EQ(mms::ReadScanRateText(file), "1000");
}

TEST_F(SettingsFileTest, FreshFileHoldsTheKeysInTheirFixedOrder) {
  const std::string path = dir_ + "/ZeKvadro.ini";
  {
    mms::IniFile file(path);
    mms::ConnectionDialogValues v = mms::ReadConnectionDialogValues(file);
    v.protocol = mms::kProtocolRtu;
    mms::WriteConnectionDialogValues(file, v);
    file.Commit();
  }
  {
    mms::IniFile file(path);
    mms::WriteScanRateText(file, "250");
    file.Commit();
  }
  EXPECT_EQ(ReadAll(path),
            "[Protocol]\nProtocol=ModbusRTU\n"
            "[RTUPortSettings]\nPort=COM2\nBitrate=115200\nParity=NONE\nStopBits=1\n"
            "Timeout=1000\nDelayBetweenPolls=10\n"
            "[TCPPortSettings]\nIPAddress=127.0.0.1\nTCPPort=502\n"
            "[General]\nTimeout=1000\nDelayBetweenPolls=10\nScanRate=250\n");
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

}  // namespace
