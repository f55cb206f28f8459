#pragma once
#include <string>

#include "common/IniFile.h"

namespace mms {

inline constexpr const char* kSettingsFileName = "ZeKvadro.ini";

// Full path of the settings file: the settings directory with a trailing
// separator, then "ZeKvadro.ini". The directory is, in this order of
// precedence: the one given to SetSettingsDirectory(), the environment
// variable MMS_SETTINGS_DIR, the directory of the running executable. The
// current working directory never plays a part.
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
  std::string protocol;  // "ModbusRTU", "ModbusTCP" or whatever the file held
  std::string port;
  std::string bitrate;
  std::string parity;
  std::string stopBits;
  std::string ipAddress;
  std::string tcpPort;
  std::string timeout;
  std::string delayBetweenPolls;
};

inline constexpr const char* kProtocolRtu = "ModbusRTU";
inline constexpr const char* kProtocolTcp = "ModbusTCP";

// Reads the dialog's keys with the dialog's own defaults (protocol "", port
// "COM2", delay "10", ...). The copies of Timeout and DelayBetweenPolls in
// RTUPortSettings are not read.
ConnectionDialogValues ReadConnectionDialogValues(const IniFile& file);

// Writes the dialog's keys in their fixed order: Protocol; RTUPortSettings
// Port, Bitrate, Parity, StopBits, Timeout, DelayBetweenPolls; TCPPortSettings
// IPAddress, TCPPort; General Timeout, DelayBetweenPolls. Does not commit.
void WriteConnectionDialogValues(IniFile& file, const ConnectionDialogValues& values);

// General/ScanRate as the data definition dialog reads it (default "1000").
std::string ReadScanRateText(const IniFile& file);
void WriteScanRateText(IniFile& file, const std::string& text);

}  // namespace mms
