// Connect's settings: keys and defaults, text conversions, port names.
#include "modbus/ConnectionSettings.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "modbus/SerialPort.h"
#include "modbus/Transport.h"
#include "common/Errors.h"
#include "common/IniFile.h"

namespace mms {
namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "mms-settings-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() { fs::remove_all(path_); }
  const fs::path& Path() const { return path_; }
  void Write(const fs::path& relative, const std::string& text) const {
    fs::create_directories((path_ / relative).parent_path());
    std::ofstream(path_ / relative) << text;
  }

 private:
  fs::path path_;
};

TEST(ConnectionSettingsTest, MissingFileGivesConnectDefaults) {
  TempDir dir;
  const ConnectionSettings s = ReadConnectionSettings(IniFile((dir.Path() / "none.ini").string()));
  EXPECT_EQ(s.Protocol, "ModbusRTU");
  EXPECT_EQ(s.Port, "COM1");
  EXPECT_EQ(s.Bitrate, "115200");
  EXPECT_EQ(s.Parity, "NONE");
  EXPECT_EQ(s.StopBits, "1");
  EXPECT_EQ(s.Timeout, "1000");
  EXPECT_EQ(s.DelayBetweenPolls, "5");
  EXPECT_EQ(s.IPAddress, "127.0.0.1");
  EXPECT_EQ(s.TCPPort, "502");
  EXPECT_EQ(s.ScanRate, "1000");
  EXPECT_EQ(s.LogSizeLimitMB, "100");
}

// The dialog also stores Timeout and DelayBetweenPolls under RTUPortSettings;
// Connect must take the General ones.
TEST(ConnectionSettingsTest, EachKeyComesFromItsOwnSection) {
  TempDir dir;
  dir.Write("ZeKvadro.ini",
            "[Protocol]\nProtocol=ModbusTCP\n"
            "[RTUPortSettings]\nPort=COM12\nBitrate=9600\nParity=EVEN\nStopBits=2\n"
            "Timeout=111\nDelayBetweenPolls=222\n"
            "[TCPPortSettings]\nIPAddress=10.1.2.3\nTCPPort=1502\n"
            "[General]\nTimeout=333\nDelayBetweenPolls=44\nScanRate=555\nLogSizeLimitMB=7\n");
  const ConnectionSettings s =
      ReadConnectionSettings(IniFile((dir.Path() / "ZeKvadro.ini").string()));
  EXPECT_EQ(s.Protocol, "ModbusTCP");
  EXPECT_EQ(s.Port, "COM12");
  EXPECT_EQ(s.Bitrate, "9600");
  EXPECT_EQ(s.Parity, "EVEN");
  EXPECT_EQ(s.StopBits, "2");
  EXPECT_EQ(s.Timeout, "333");
  EXPECT_EQ(s.DelayBetweenPolls, "44");
  EXPECT_EQ(s.IPAddress, "10.1.2.3");
  EXPECT_EQ(s.TCPPort, "1502");
  EXPECT_EQ(s.ScanRate, "555");
  EXPECT_EQ(s.LogSizeLimitMB, "7");
}

TEST(ConnectionSettingsTest, TextConversionsAreExact) {
  EXPECT_EQ(ProtocolModeFromText("ModbusRTU"), kModbusRtu);
  EXPECT_EQ(ProtocolModeFromText("ModbusTCP"), kModbusTcp);
  EXPECT_EQ(ProtocolModeFromText("ModbusRTUoverTCP"), kModbusRtuOverTcp);
  EXPECT_EQ(ProtocolModeFromText("ModbusUDP"), kModbusUdp);
  for (const char* other :
       {"modbustcp", "MODBUSRTU", "ModbusTCP ", "", "TCP", "ModbusRTUOverTCP", "modbusudp"}) {
    EXPECT_FALSE(ProtocolModeFromText(other)) << other;
  }

  for (int rate : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200}) {
    EXPECT_EQ(BaudFromText(std::to_string(rate)), rate);
  }
  for (const char* other : {"300", "230400", "0", "-9600", "9600x", "", "abc"}) {
    EXPECT_FALSE(BaudFromText(other)) << other;
  }

  EXPECT_EQ(ParityFromText("NONE"), ParityCode::kNone);
  EXPECT_EQ(ParityFromText("ODD"), ParityCode::kOdd);
  EXPECT_EQ(ParityFromText("EVEN"), ParityCode::kEven);
  EXPECT_EQ(ParityFromText("MARK"), ParityCode::kMark);
  EXPECT_EQ(ParityFromText("SPACE"), ParityCode::kSpace);
  for (const char* other : {"none", "Even", " ODD", "N", ""}) {
    EXPECT_FALSE(ParityFromText(other)) << other;
  }

  EXPECT_EQ(StopBitsFromText("1"), StopBitsCode::kOne);
  EXPECT_EQ(StopBitsFromText("1.5"), StopBitsCode::kOneAndHalf);
  EXPECT_EQ(StopBitsFromText("2"), StopBitsCode::kTwo);
  for (const char* other : {"0", "3", "1,5", " 1", ""}) {
    EXPECT_FALSE(StopBitsFromText(other)) << other;
  }
}

TEST(ConnectionSettingsTest, SerialLineFromSettingsConvertsOrRefuses) {
  ConnectionSettings s;
  s.Port = "COM3";
  s.Bitrate = "19200";
  s.Parity = "MARK";
  s.StopBits = "2";
  s.Timeout = "0";
  const SerialLineSettings line = SerialLineFromSettings(s);
  EXPECT_EQ(line.Port, "COM3");
  EXPECT_EQ(line.DevicePath, "/dev/ttyS2");
  EXPECT_EQ(line.BaudRate, 19200);
  EXPECT_EQ(line.Parity, ParityCode::kMark);
  EXPECT_EQ(line.StopBits, StopBitsCode::kTwo);
  EXPECT_EQ(line.TimeoutMs, 0);

  struct Case {
    const char* key;
    const char* value;
    const char* message;
  };
  const Case cases[] = {
      {"Bitrate", "fast", "'fast' is not a valid integer value"},
      {"Bitrate", "14400", "Unsupported bit rate '14400'"},
      {"Parity", "even", "Unsupported parity 'even'"},
      {"StopBits", "3", "Unsupported stop bits '3'"},
      {"StopBits", "1.5", "1.5 stop bits are not supported by the serial driver"},
      {"Timeout", "1s", "'1s' is not a valid integer value"},
      {"Timeout", "-5", "Timeout value -5 is out of range (0 to 86400000 ms)"},
  };
  for (const Case& c : cases) {
    ConnectionSettings bad;
    if (std::string(c.key) == "Bitrate") bad.Bitrate = c.value;
    if (std::string(c.key) == "Parity") bad.Parity = c.value;
    if (std::string(c.key) == "StopBits") bad.StopBits = c.value;
    if (std::string(c.key) == "Timeout") bad.Timeout = c.value;
    try {
      SerialLineFromSettings(bad);
      ADD_FAILURE() << c.key << "=" << c.value << " accepted";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

// RS-485 is on with "1" only; its delays count (and are checked) only then.
TEST(ConnectionSettingsTest, Rs485KeysReadAsOffInOldFiles) {
  TempDir dir;
  dir.Write("old.ini", "[RTUPortSettings]\nPort=COM2\n");
  dir.Write("new.ini",
            "[RTUPortSettings]\nRS485=1\nRS485DelayBeforeSend=2\nRS485DelayAfterSend=3\n");
  const SerialLineSettings old =
      SerialLineFromSettings(ReadConnectionSettings(IniFile((dir.Path() / "old.ini").string())));
  EXPECT_FALSE(old.Rs485);
  const SerialLineSettings on =
      SerialLineFromSettings(ReadConnectionSettings(IniFile((dir.Path() / "new.ini").string())));
  EXPECT_TRUE(on.Rs485);
  EXPECT_EQ(on.Rs485DelayBeforeSendMs, 2);
  EXPECT_EQ(on.Rs485DelayAfterSendMs, 3);

  ConnectionSettings s;
  s.RS485DelayAfterSend = "soon";
  EXPECT_FALSE(SerialLineFromSettings(s).Rs485) << "an unused delay stops nothing";
  s.RS485 = "1";
  EXPECT_THROW(SerialLineFromSettings(s), Error);
  s.RS485DelayAfterSend = "0";
  s.RS485DelayBeforeSend = "-1";
  try {
    SerialLineFromSettings(s);
    ADD_FAILURE() << "negative delay accepted";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "RS485DelayBeforeSend value -1 is out of range (0 to 86400000 ms)");
  }
}

// Refused with the key and value in the message (checked at Connect).
TEST(ConnectionSettingsTest, ValuesOutOfRangeAreRefused) {
  const std::pair<const char*, int> cases[] = {
      {"0", 0}, {"86400000", 86400000}, {"-1", -1}, {"86400001", -1}, {"-2147483648", -1}};
  for (const auto& [text, value] : cases) {
    if (value >= 0) {
      EXPECT_EQ(MillisecondsFromText("ScanRate", text), value);
    } else {
      EXPECT_THROW(MillisecondsFromText("ScanRate", text), Error) << text;
    }
  }
  EXPECT_EQ(LogSizeLimitFromText("0"), 0);
  EXPECT_EQ(LogSizeLimitFromText("1048576"), 1048576);
  EXPECT_THROW(LogSizeLimitFromText("1048577"), Error);
}

TEST(ConnectionSettingsTest, PortNamesMapToDevices) {
  const std::pair<const char*, const char*> cases[] = {
      {"COM1", "/dev/ttyS0"},  {"COM10", "/dev/ttyS9"},
      {"com2", "/dev/ttyS1"},  {"/dev/ttyUSB0", "/dev/ttyUSB0"},
      {"/tmp/x", "/tmp/x"},    {"ttyACM1", "/dev/ttyACM1"},
      {"COM0", "/dev/COM0"},   {"COM", "/dev/COM"},
      {"COM1x", "/dev/COM1x"}, {"COM99999999999999", "/dev/COM99999999999999"},
  };
  for (const auto& [port, path] : cases) EXPECT_EQ(SerialDevicePath(port), path) << port;
}

TEST(ConnectionSettingsTest, PortChoicesListComPortsThenPresentDevices) {
  TempDir root;
  // ttyS0 has a UART, ttyS1 is an empty slot, tty1 is a virtual console,
  // ttyUSB10 sorts after ttyUSB2, ttyACM0 has no device node.
  root.Write("sys/ttyS0/device/x", "");
  root.Write("sys/ttyS0/type", "4\n");
  root.Write("sys/ttyS1/device/x", "");
  root.Write("sys/ttyS1/type", "0\n");
  root.Write("sys/tty1/dev", "");
  root.Write("sys/ttyUSB10/device/x", "");
  root.Write("sys/ttyUSB2/device/x", "");
  root.Write("sys/ttyACM0/device/x", "");
  for (const char* node : {"ttyS0", "ttyS1", "tty1", "ttyUSB10", "ttyUSB2"}) {
    root.Write(fs::path("dev") / node, "");
  }
  const std::string dev = (root.Path() / "dev").string();
  const auto choices = SerialPortChoicesFrom((root.Path() / "sys").string(), dev);
  std::vector<std::string> names;
  for (const PortChoice& choice : choices) names.push_back(choice.Name);
  const std::vector<std::string> expected = {
      "COM1", "COM2", "COM3", "COM4",         "COM5",           "COM6",
      "COM7", "COM8", "COM9", dev + "/ttyS0", dev + "/ttyUSB2", dev + "/ttyUSB10"};
  EXPECT_EQ(names, expected);

  const auto none = SerialPortChoicesFrom((root.Path() / "absent").string(), dev);
  EXPECT_EQ(none.size(), 9u);
  EXPECT_EQ(SerialPortChoices().front().Name, "COM1");
}

TEST(ConnectionSettingsTest, UsbAdaptersAreListedByTheirStableNames) {
  TempDir root;
  root.Write("sys/ttyUSB0/device/x", "");
  root.Write("sys/ttyUSB1/device/x", "");
  root.Write("sys/ttyACM0/device/x", "");
  for (const char* node : {"ttyUSB0", "ttyUSB1", "ttyACM0"}) root.Write(fs::path("dev") / node, "");
  const fs::path byId = root.Path() / "dev/serial/by-id";
  fs::create_directories(byId);
  // Links as udev makes them, relative to the device; a dangling one is left out.
  fs::create_symlink("../../ttyUSB1", byId / "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
  fs::create_symlink("../../ttyUSB0", byId / "usb-1a86_USB2.0-Serial-if00-port0");
  fs::create_symlink("../../ttyUSB7", byId / "usb-Gone_Adapter_1-if00-port0");
  root.Write("dev/serial/by-id/not-a-link", "");
  const std::string dev = (root.Path() / "dev").string();
  const auto choices = SerialPortChoicesFrom((root.Path() / "sys").string(), dev);
  ASSERT_EQ(choices.size(), 12u);
  const std::vector<PortChoice> tail(choices.begin() + 9, choices.end());
  const std::string id = dev + "/serial/by-id/";
  const std::vector<PortChoice> expected = {
      {id + "usb-1a86_USB2.0-Serial-if00-port0", "ttyUSB0: 1a86 USB2.0-Serial"},
      {id + "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
       "ttyUSB1: FTDI FT232R USB UART A50285BI"},
      {dev + "/ttyACM0", ""},  // no stable name: the device path as before
  };
  EXPECT_EQ(tail, expected);

  const std::pair<const char*, const char*> names[] = {
      {"usb-Silicon_Labs_CP2102_USB_to_UART_Bridge_Controller_0001-if00-port0",
       "Silicon Labs CP2102 USB to UART Bridge Controller 0001"},
      {"usb-Arduino__www.arduino.cc__0043_5573-if00", "Arduino www.arduino.cc 0043 5573"},
      {"pci-Intel_Modem-port3", "Intel Modem"},
      {"plain", "plain"},
      {"", ""},
  };
  for (const auto& [name, description] : names) EXPECT_EQ(AdapterDescription(name), description);
}

TEST(ConnectionSettingsTest, CharacterTimeAndGapFollowTheLine) {
  struct Case {
    int baud;
    ParityCode parity;
    StopBitsCode stop;
    int characterUs;
    int gapUs;
  };
  const Case cases[] = {
      {9600, ParityCode::kNone, StopBitsCode::kOne, 1042, 3646},    // 10 bits
      {1200, ParityCode::kEven, StopBitsCode::kTwo, 10000, 35000},  // 12 bits
      {19200, ParityCode::kOdd, StopBitsCode::kOne, 573, 2006},     // 11 bits
      {115200, ParityCode::kNone, StopBitsCode::kOne, 87, 1000},    // the 1 ms floor
  };
  for (const Case& c : cases) {
    SerialLineSettings line;
    line.BaudRate = c.baud;
    line.Parity = c.parity;
    line.StopBits = c.stop;
    EXPECT_EQ(CharacterTimeUs(line), c.characterUs) << c.baud;
    EXPECT_EQ(InterByteGapUs(line), c.gapUs) << c.baud;
  }
}

}  // namespace
}  // namespace mms
