#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mms {

class IniFile;

// Parity code of the serial line.
enum class ParityCode : uint8_t { kNone = 0, kOdd = 1, kEven = 2, kMark = 3, kSpace = 4 };

// Stop-bits code of the serial line.
enum class StopBitsCode : uint8_t { kOne = 0, kOneAndHalf = 1, kTwo = 2 };

// The texts Connect reads from the settings file, exactly as stored, with
// Connect's own defaults for missing keys (the settings dialog has other
// defaults of its own). Nothing is converted here, so that Connect can report
// a bad value at the step that uses it.
struct ConnectionSettings {
  std::string Protocol = "ModbusRTU";   // [Protocol] Protocol
  std::string Port = "COM1";            // [RTUPortSettings] Port
  std::string Bitrate = "115200";       // [RTUPortSettings] Bitrate
  std::string Parity = "NONE";          // [RTUPortSettings] Parity
  std::string StopBits = "1";           // [RTUPortSettings] StopBits
  std::string RS485 = "0";              // [RTUPortSettings] RS485 ("1": on)
  // [RTUPortSettings] RS485DelayBeforeSend and RS485DelayAfterSend, in ms.
  std::string RS485DelayBeforeSend = "0";
  std::string RS485DelayAfterSend = "0";
  std::string Timeout = "1000";         // [General] Timeout
  std::string DelayBetweenPolls = "5";  // [General] DelayBetweenPolls
  std::string IPAddress = "127.0.0.1";  // [TCPPortSettings] IPAddress
  std::string TCPPort = "502";          // [TCPPortSettings] TCPPort
  std::string ScanRate = "1000";        // [General] ScanRate
  std::string LogSizeLimitMB = "100";   // [General] LogSizeLimitMB
};

ConnectionSettings ReadConnectionSettings(const IniFile& file);

// "ModbusRTU" -> kModbusRtu, "ModbusTCP" -> kModbusTcp, "ModbusRTUoverTCP"
// -> kModbusRtuOverTcp, "ModbusUDP" -> kModbusUdp (exact, case-sensitive);
// anything else -> nullopt, and Connect keeps the protocol it had.
std::optional<uint8_t> ProtocolModeFromText(const std::string& text);

// One of 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200 given as an
// integer text (see StrToInt); nullopt for any other value or text.
std::optional<int> BaudFromText(const std::string& text);
// "NONE", "ODD", "EVEN", "MARK", "SPACE" (exact); nullopt otherwise.
std::optional<ParityCode> ParityFromText(const std::string& text);
// "1", "1.5", "2" (exact); nullopt otherwise.
std::optional<StopBitsCode> StopBitsFromText(const std::string& text);

// The serial line Connect opens, converted from the settings.
struct SerialLineSettings {
  std::string Port = "COM1";  // as typed; shown in the status bar
  std::string DevicePath = "/dev/ttyS0";
  int BaudRate = 115200;
  ParityCode Parity = ParityCode::kNone;
  StopBitsCode StopBits = StopBitsCode::kOne;
  int TimeoutMs = 1000;  // never negative
  // The driver switches the RS-485 transmitter by RTS, raised this long
  // before a frame and held this long after it.
  bool Rs485 = false;
  int Rs485DelayBeforeSendMs = 0;
  int Rs485DelayAfterSendMs = 0;
};

// Converts Port, Bitrate, Parity, StopBits and Timeout in that order. Throws
// Error with the message Connect shows: the integer conversion message for a
// Bitrate or Timeout that is not an integer, "Unsupported bit rate '<text>'",
// "Unsupported parity '<text>'", "Unsupported stop bits '<text>'", or, for
// "1.5", "1.5 stop bits are not supported by the serial driver", or the
// range message of MillisecondsFromText for the Timeout. Then, with RS485
// "1" only, the two delays by MillisecondsFromText under their key names.
SerialLineSettings SerialLineFromSettings(const ConnectionSettings& settings);

// Timeouts and pauses are at most one day, so that a timeout plus a frame's
// worth of milliseconds never overflows an int.
inline constexpr int kMaxTimeoutMs = 24 * 60 * 60 * 1000;

// Timeout, DelayBetweenPolls or ScanRate text to milliseconds: StrToInt, then
// 0 to kMaxTimeoutMs, or Error("<key> value <n> is out of range (0 to
// 86400000 ms)").
int32_t MillisecondsFromText(const std::string& key, const std::string& text);
// MillisecondsFromText("Timeout", text).
int TimeoutFromText(const std::string& text);

// LogSizeLimitMB text: StrToInt, then 0 (no limit) to kMaxLogSizeLimitMB, or
// Error("LogSizeLimitMB value <n> is out of range (0 to 1048576 MB)").
inline constexpr int32_t kMaxLogSizeLimitMB = 1 << 20;
int32_t LogSizeLimitFromText(const std::string& text);

// The device behind a Port setting: a name starting with "/" is a path,
// "COMn" (n >= 1, any letter case) is "/dev/ttyS<n-1>", any other name is
// taken below "/dev/".
std::string SerialDevicePath(const std::string& port);

// One entry of the Port list. Description is empty but for adapters named
// by /dev/serial/by-id, where it is "<short name>: <adapter>", e.g.
// "ttyUSB0: FTDI FT232R USB UART A50285BI".
struct PortChoice {
  std::string Name;
  std::string Description;
  bool operator==(const PortChoice&) const = default;
};

// "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0" -> "FTDI FT232R USB UART
// A50285BI": the bus prefix and the interface and port suffixes dropped,
// underscores read as blanks.
std::string AdapterDescription(const std::string& byIdName);

// The Port list: "COM1" ... "COM9", then the stable names of USB adapters
// (the links in /dev/serial/by-id, whose names survive re-plugging and
// renumbering) in the natural order of the devices they lead to, then the
// paths of the other serial devices present on this machine (/dev/ttyS* that
// have a UART behind them, /dev/ttyUSB*, /dev/ttyACM* and other
// hardware-backed ttys), in natural order.
std::vector<PortChoice> SerialPortChoices();

// SerialPortChoices over other roots, for tests: `sysClassTty` stands for
// /sys/class/tty and `devDir` for /dev (links are read in devDir/serial/by-id).
std::vector<PortChoice> SerialPortChoicesFrom(const std::string& sysClassTty,
                                              const std::string& devDir);

}  // namespace mms
