#include "modbus/ConnectionSettings.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <set>

#include "modbus/Transport.h"
#include "common/Conversions.h"
#include "common/Errors.h"
#include "common/IniFile.h"

namespace mms {
namespace {

bool IsDigits(const std::string& text, size_t from) {
  if (from >= text.size()) return false;
  return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

// Linux keeps ttyS0..ttyS31 whether or not a UART answers there; serial
// core reports type 0 (unknown) for the empty ones.
bool HasUart(const std::string& sysEntry) {
  std::ifstream in(sysEntry + "/type");
  int type = 0;
  return static_cast<bool>(in >> type) && type != 0;
}

bool IsPresentSerialDevice(const std::string& sysClassTty, const std::string& name) {
  const std::string entry = sysClassTty + "/" + name;
  if (!Exists(entry + "/device")) return false;  // virtual consoles, ptys
  if (name.rfind("ttyS", 0) == 0 && IsDigits(name, 4)) return HasUart(entry);
  return true;
}

// "ttyUSB2" < "ttyUSB10": letters compared as text, the trailing number as a number.
bool NaturalLess(const std::string& a, const std::string& b) {
  auto split = [](const std::string& s) {
    size_t i = s.size();
    while (i > 0 && s[i - 1] >= '0' && s[i - 1] <= '9') --i;
    return std::make_pair(s.substr(0, i), s.substr(i));
  };
  const auto [aStem, aNumber] = split(a);
  const auto [bStem, bNumber] = split(b);
  if (aStem != bStem) return aStem < bStem;
  if (aNumber.size() != bNumber.size()) return aNumber.size() < bNumber.size();
  return aNumber < bNumber;
}

}  // namespace

ConnectionSettings ReadConnectionSettings(const IniFile& file) {
  ConnectionSettings s;
  s.Protocol = file.ReadString("Protocol", "Protocol", s.Protocol);
  s.Port = file.ReadString("RTUPortSettings", "Port", s.Port);
  s.Bitrate = file.ReadString("RTUPortSettings", "Bitrate", s.Bitrate);
  s.Parity = file.ReadString("RTUPortSettings", "Parity", s.Parity);
  s.StopBits = file.ReadString("RTUPortSettings", "StopBits", s.StopBits);
  s.RS485 = file.ReadString("RTUPortSettings", "RS485", s.RS485);
  s.RS485DelayBeforeSend =
      file.ReadString("RTUPortSettings", "RS485DelayBeforeSend", s.RS485DelayBeforeSend);
  s.RS485DelayAfterSend =
      file.ReadString("RTUPortSettings", "RS485DelayAfterSend", s.RS485DelayAfterSend);
  s.Timeout = file.ReadString("General", "Timeout", s.Timeout);
  s.DelayBetweenPolls = file.ReadString("General", "DelayBetweenPolls", s.DelayBetweenPolls);
  s.IPAddress = file.ReadString("TCPPortSettings", "IPAddress", s.IPAddress);
  s.TCPPort = file.ReadString("TCPPortSettings", "TCPPort", s.TCPPort);
  s.ScanRate = file.ReadString("General", "ScanRate", s.ScanRate);
  s.LogSizeLimitMB = file.ReadString("General", "LogSizeLimitMB", s.LogSizeLimitMB);
  return s;
}

std::optional<uint8_t> ProtocolModeFromText(const std::string& text) {
  if (text == "ModbusRTU") return kModbusRtu;
  if (text == "ModbusTCP") return kModbusTcp;
  if (text == "ModbusRTUoverTCP") return kModbusRtuOverTcp;
  if (text == "ModbusUDP") return kModbusUdp;
  return std::nullopt;
}

std::optional<int> BaudFromText(const std::string& text) {
  static constexpr std::array<int, 8> kRates = {1200,  2400,  4800,  9600,
                                                19200, 38400, 57600, 115200};
  int32_t value = 0;
  if (!TryStrToInt(text, &value)) return std::nullopt;
  if (std::find(kRates.begin(), kRates.end(), value) == kRates.end()) return std::nullopt;
  return value;
}

std::optional<ParityCode> ParityFromText(const std::string& text) {
  if (text == "NONE") return ParityCode::kNone;
  if (text == "ODD") return ParityCode::kOdd;
  if (text == "EVEN") return ParityCode::kEven;
  if (text == "MARK") return ParityCode::kMark;
  if (text == "SPACE") return ParityCode::kSpace;
  return std::nullopt;
}

std::optional<StopBitsCode> StopBitsFromText(const std::string& text) {
  if (text == "1") return StopBitsCode::kOne;
  if (text == "1.5") return StopBitsCode::kOneAndHalf;
  if (text == "2") return StopBitsCode::kTwo;
  return std::nullopt;
}

int32_t MillisecondsFromText(const std::string& key, const std::string& text) {
  const int32_t value = StrToInt(text);
  // Refused, not clamped: a negative value taken as 0 would poll flat out.
  if (value < 0 || value > kMaxTimeoutMs) {
    throw Error(key + " value " + std::to_string(value) + " is out of range (0 to " +
                std::to_string(kMaxTimeoutMs) + " ms)");
  }
  return value;
}

int TimeoutFromText(const std::string& text) { return MillisecondsFromText("Timeout", text); }

int32_t LogSizeLimitFromText(const std::string& text) {
  const int32_t value = StrToInt(text);
  if (value < 0 || value > kMaxLogSizeLimitMB) {
    throw Error("LogSizeLimitMB value " + std::to_string(value) + " is out of range (0 to " +
                std::to_string(kMaxLogSizeLimitMB) + " MB)");
  }
  return value;
}

SerialLineSettings SerialLineFromSettings(const ConnectionSettings& settings) {
  SerialLineSettings line;
  line.Port = settings.Port;
  line.DevicePath = SerialDevicePath(settings.Port);
  StrToInt(settings.Bitrate);  // a text that is no integer at all gets the usual message
  const auto baud = BaudFromText(settings.Bitrate);
  if (!baud) throw Error("Unsupported bit rate '" + settings.Bitrate + "'");
  line.BaudRate = *baud;
  const auto parity = ParityFromText(settings.Parity);
  if (!parity) throw Error("Unsupported parity '" + settings.Parity + "'");
  line.Parity = *parity;
  const auto stopBits = StopBitsFromText(settings.StopBits);
  if (!stopBits) throw Error("Unsupported stop bits '" + settings.StopBits + "'");
  // termios has one or two stop bits, nothing in between.
  if (*stopBits == StopBitsCode::kOneAndHalf) {
    throw Error("1.5 stop bits are not supported by the serial driver");
  }
  line.StopBits = *stopBits;
  line.TimeoutMs = TimeoutFromText(settings.Timeout);
  // Delays only count with RS-485 on: an unused bad value stops no Connect.
  line.Rs485 = settings.RS485 == "1";
  if (line.Rs485) {
    line.Rs485DelayBeforeSendMs =
        MillisecondsFromText("RS485DelayBeforeSend", settings.RS485DelayBeforeSend);
    line.Rs485DelayAfterSendMs =
        MillisecondsFromText("RS485DelayAfterSend", settings.RS485DelayAfterSend);
  }
  return line;
}

std::string SerialDevicePath(const std::string& port) {
  if (!port.empty() && port[0] == '/') return port;
  if (port.size() > 3 && (port[0] == 'C' || port[0] == 'c') && (port[1] == 'O' || port[1] == 'o') &&
      (port[2] == 'M' || port[2] == 'm') && IsDigits(port, 3) && port.size() <= 12) {
    const long long n = std::stoll(port.substr(3));
    if (n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
  }
  return "/dev/" + port;
}

std::string AdapterDescription(const std::string& byIdName) {
  std::string name = byIdName;
  const size_t bus = name.find('-');
  if (bus != std::string::npos && bus <= 4) name.erase(0, bus + 1);  // "usb-", "pci-"
  // Interface and port suffixes: "-if00", "-port0".
  for (const char* suffix : {"-port", "-if"}) {
    const size_t at = name.rfind(suffix);
    if (at != std::string::npos && IsDigits(name, at + std::string(suffix).size())) name.erase(at);
  }
  std::string text;
  for (char c : name) {
    const char shown = c == '_' ? ' ' : c;
    if (shown == ' ' && (text.empty() || text.back() == ' ')) continue;
    text += shown;
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::vector<PortChoice> SerialPortChoicesFrom(const std::string& sysClassTty,
                                              const std::string& devDir) {
  namespace fs = std::filesystem;
  std::vector<PortChoice> choices;
  for (int i = 1; i <= 9; ++i) choices.push_back({"COM" + std::to_string(i), ""});

  // Stable names first, keyed by the device they lead to.
  std::vector<std::pair<std::string, PortChoice>> stable;
  std::set<std::string> named;
  const fs::path byId = fs::path(devDir) / "serial" / "by-id";
  std::error_code error;
  for (fs::directory_iterator it(byId, error), end; !error && it != end; it.increment(error)) {
    std::error_code linkError;
    if (!it->is_symlink(linkError) || !fs::exists(it->path(), linkError)) continue;
    const std::string device = fs::read_symlink(it->path(), linkError).filename().string();
    if (linkError || device.empty()) continue;
    const std::string link = it->path().filename().string();
    stable.push_back({device, {(byId / link).string(), device + ": " + AdapterDescription(link)}});
    named.insert(device);
  }
  std::sort(stable.begin(), stable.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? NaturalLess(a.first, b.first) : a.second.Name < b.second.Name;
  });
  for (const auto& entry : stable) choices.push_back(entry.second);

  std::vector<std::string> present;
  if (DIR* dir = opendir(sysClassTty.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.empty() || name[0] == '.' || named.count(name) != 0) continue;
      if (IsPresentSerialDevice(sysClassTty, name) && Exists(devDir + "/" + name)) {
        present.push_back(name);
      }
    }
    closedir(dir);
  }
  std::sort(present.begin(), present.end(), NaturalLess);
  for (const auto& name : present) choices.push_back({devDir + "/" + name, ""});
  return choices;
}

std::vector<PortChoice> SerialPortChoices() {
  return SerialPortChoicesFrom("/sys/class/tty", "/dev");
}

}  // namespace mms
