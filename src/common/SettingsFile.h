#pragma once
#include <string>

#include "common/IniFile.h"

namespace mms {

inline constexpr const char* kSettingsFileName = "ZeKvadro.ini";

inline constexpr const char* kSettingsFolderName = "modbus-master-simulator";

// What decides where the settings file lives, gathered from the process.
struct SettingsLocation {
  std::string overrideDirectory;     // SetSettingsDirectory()
  std::string environmentDirectory;  // MMS_SETTINGS_DIR
  std::string executableDirectory;
  bool executableDirectoryWritable = false;
  std::string xdgConfigHome;  // XDG_CONFIG_HOME
  std::string home;           // HOME
};

// The settings directory, with a trailing separator, in this order of
// precedence: the override, the environment variable, the executable's
// directory when it is writable (a program run from its build or unpacked
// folder), else "modbus-master-simulator/" below XDG_CONFIG_HOME (only an
// absolute one counts) or below HOME's ".config" (an installed program).
// With none of those the executable's directory stands, writable or not.
std::string SettingsDirectoryFor(const SettingsLocation& location);

// Full path of the settings file: SettingsDirectoryFor() of this process,
// then "ZeKvadro.ini". A configuration folder chosen by the rules is created
// when missing, so the settings can be saved there. The current working
// directory never plays a part.
std::string SettingsFilePath();

// Overrides the settings directory for this process (tests, or a front end
// that knows better); an empty text drops the override.
void SetSettingsDirectory(const std::string& directory);

// Directory of the running executable with a trailing '/', or "" when it
// cannot be found.
std::string ExecutableDirectory();

// What the connection settings dialog shows and stores, as the texts of its
// controls. Values are kept exactly as typed: conversions happen at connect.
struct ConnectionDialogValues {
  std::string protocol;  // one of the kProtocol... texts, or whatever the file held
  std::string port;
  std::string bitrate;
  std::string parity;
  std::string stopBits;
  std::string rs485;  // "1": the driver switches the RS-485 transmitter
  std::string rs485DelayBeforeSend;
  std::string rs485DelayAfterSend;
  std::string ipAddress;
  std::string tcpPort;
  std::string timeout;
  std::string delayBetweenPolls;
};

inline constexpr const char* kProtocolRtu = "ModbusRTU";
inline constexpr const char* kProtocolTcp = "ModbusTCP";
inline constexpr const char* kProtocolRtuOverTcp = "ModbusRTUoverTCP";
inline constexpr const char* kProtocolUdp = "ModbusUDP";

// Reads the dialog's keys with the dialog's own defaults (protocol "", port
// "COM2", delay "10", RS-485 "0" with delays "0", ...). The copies of Timeout
// and DelayBetweenPolls in RTUPortSettings are not read.
ConnectionDialogValues ReadConnectionDialogValues(const IniFile& file);

// Writes the dialog's keys in their fixed order: Protocol; RTUPortSettings
// Port, Bitrate, Parity, StopBits, RS485, RS485DelayBeforeSend,
// RS485DelayAfterSend, Timeout, DelayBetweenPolls; TCPPortSettings
// IPAddress, TCPPort; General Timeout, DelayBetweenPolls. Does not commit.
void WriteConnectionDialogValues(IniFile& file, const ConnectionDialogValues& values);

// General/ScanRate as the data definition dialog reads it (default "1000").
std::string ReadScanRateText(const IniFile& file);
void WriteScanRateText(IniFile& file, const std::string& text);

}  // namespace mms
