#include "common/SettingsFile.h"

#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace mms {
namespace {

std::mutex overrideMutex;
std::string overrideDirectory;

std::string WithTrailingSeparator(std::string directory) {
  if (!directory.empty() && directory.back() != '/') directory += '/';
  return directory;
}

}  // namespace

std::string ExecutableDirectory() {
  char buffer[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  // A full buffer may mean a cut path; better no directory than a wrong one.
  if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer) return "";
  const std::string path(buffer, static_cast<size_t>(length));
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

void SetSettingsDirectory(const std::string& directory) {
  std::lock_guard<std::mutex> lock(overrideMutex);
  overrideDirectory = directory;
}

std::string SettingsDirectoryFor(const SettingsLocation& location) {
  if (!location.overrideDirectory.empty()) return WithTrailingSeparator(location.overrideDirectory);
  if (!location.environmentDirectory.empty())
    return WithTrailingSeparator(location.environmentDirectory);
  const std::string executable = WithTrailingSeparator(location.executableDirectory);
  if (!executable.empty() && location.executableDirectoryWritable) return executable;
  // A relative XDG_CONFIG_HOME is invalid by the XDG rules and is ignored.
  if (!location.xdgConfigHome.empty() && location.xdgConfigHome.front() == '/')
    return WithTrailingSeparator(location.xdgConfigHome) + kSettingsFolderName + "/";
  if (!location.home.empty())
    return WithTrailingSeparator(location.home) + ".config/" + kSettingsFolderName + "/";
  return executable;
}

std::string SettingsFilePath() {
  SettingsLocation location;
  {
    std::lock_guard<std::mutex> lock(overrideMutex);
    location.overrideDirectory = overrideDirectory;
  }
  auto environment = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
  };
  location.environmentDirectory = environment("MMS_SETTINGS_DIR");
  location.executableDirectory = ExecutableDirectory();
  // A program installed under /usr keeps no settings there, even when run by root.
  location.executableDirectoryWritable = !location.executableDirectory.empty() &&
                                         location.executableDirectory.rfind("/usr/", 0) != 0 &&
                                         access(location.executableDirectory.c_str(), W_OK) == 0;
  location.xdgConfigHome = environment("XDG_CONFIG_HOME");
  location.home = environment("HOME");
  const std::string directory = SettingsDirectoryFor(location);
  if (location.overrideDirectory.empty() && location.environmentDirectory.empty() &&
      directory != location.executableDirectory) {
    std::error_code ignored;  // a folder that cannot be made shows when saving fails
    std::filesystem::create_directories(directory, ignored);
  }
  return directory + kSettingsFileName;
}

ConnectionDialogValues ReadConnectionDialogValues(const IniFile& file) {
  ConnectionDialogValues v;
  v.protocol = file.ReadString("Protocol", "Protocol", "");
  v.port = file.ReadString("RTUPortSettings", "Port", "COM2");
  v.bitrate = file.ReadString("RTUPortSettings", "Bitrate", "115200");
  v.parity = file.ReadString("RTUPortSettings", "Parity", "NONE");
  v.stopBits = file.ReadString("RTUPortSettings", "StopBits", "1");
  v.rs485 = file.ReadString("RTUPortSettings", "RS485", "0");
  v.rs485DelayBeforeSend = file.ReadString("RTUPortSettings", "RS485DelayBeforeSend", "0");
  v.rs485DelayAfterSend = file.ReadString("RTUPortSettings", "RS485DelayAfterSend", "0");
  v.ipAddress = file.ReadString("TCPPortSettings", "IPAddress", "127.0.0.1");
  v.tcpPort = file.ReadString("TCPPortSettings", "TCPPort", "502");
  v.timeout = file.ReadString("General", "Timeout", "1000");
  v.delayBetweenPolls = file.ReadString("General", "DelayBetweenPolls", "10");
  return v;
}

void WriteConnectionDialogValues(IniFile& file, const ConnectionDialogValues& v) {
  file.WriteString("Protocol", "Protocol", v.protocol);
  file.WriteString("RTUPortSettings", "Port", v.port);
  file.WriteString("RTUPortSettings", "Bitrate", v.bitrate);
  file.WriteString("RTUPortSettings", "Parity", v.parity);
  file.WriteString("RTUPortSettings", "StopBits", v.stopBits);
  file.WriteString("RTUPortSettings", "RS485", v.rs485);
  file.WriteString("RTUPortSettings", "RS485DelayBeforeSend", v.rs485DelayBeforeSend);
  file.WriteString("RTUPortSettings", "RS485DelayAfterSend", v.rs485DelayAfterSend);
  // Nothing reads these two copies; older files carry them, so keep writing them.
  file.WriteString("RTUPortSettings", "Timeout", v.timeout);
  file.WriteString("RTUPortSettings", "DelayBetweenPolls", v.delayBetweenPolls);
  file.WriteString("TCPPortSettings", "IPAddress", v.ipAddress);
  file.WriteString("TCPPortSettings", "TCPPort", v.tcpPort);
  file.WriteString("General", "Timeout", v.timeout);
  file.WriteString("General", "DelayBetweenPolls", v.delayBetweenPolls);
}

std::string ReadScanRateText(const IniFile& file) {
  return file.ReadString("General", "ScanRate", "1000");
}

void WriteScanRateText(IniFile& file, const std::string& text) {
  file.WriteString("General", "ScanRate", text);
}

}  // namespace mms
