#include "datawindow/WindowsSet.h"

#include "common/Conversions.h"
#include "common/Errors.h"

namespace mms {
namespace {

constexpr const char* kScene = "Scene";

std::string FileKey(int32_t i) { return "File" + std::to_string(i); }

}  // namespace

int SaveWindowsSet(const std::string& path, const std::vector<std::string>& fileNames) {
  IniFile ini(path);
  int written = 0;
  for (const std::string& name : fileNames) {
    if (name.empty()) continue;
    ini.WriteString(kScene, FileKey(written), name);
    ++written;
  }
  ini.WriteString(kScene, "NumOfFiles", std::to_string(written));
  ini.Commit();
  return written;
}

WindowsSetReader::WindowsSetReader(const std::string& path) : ini_(path) { ini_.RequireRead(); }

int32_t WindowsSetReader::NumOfFiles() const {
  return StrToInt(ini_.ReadString(kScene, "NumOfFiles", "0"));
}

std::string WindowsSetReader::File(int32_t i) const {
  std::string name = ini_.ReadString(kScene, FileKey(i), "");
  if (name.empty())
    throw Error("Unable to read " + ini_.Path() + ": " + FileKey(i) + " is missing");
  return name;
}

}  // namespace mms
