#include "datawindow/RegisterMap.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <system_error>

#include "common/Csv.h"
#include "common/Errors.h"

namespace mms {
namespace {

constexpr off_t kMaxMapFileSize = 16 << 20;

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool AllDigits(const std::string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// The protocol address of a number in the window's base; nullopt for a
// number no address of that base has (it lies outside every window).
std::optional<uint16_t> AddressOf(const std::string& digits, const AddressStyle& style) {
  if (style.Base == AddressBase::Zero) {
    if (digits.size() > 5 || std::stol(digits) > 65535) return std::nullopt;
    return static_cast<uint16_t>(std::stol(digits));
  }
  return TryProtocolAddress(digits, style);
}

std::string ReadTextFile(const std::string& path) {
  const auto fail = [&](const std::string& reason) {
    return Error("Unable to read " + path + ": " + reason);
  };
  struct stat st;
  if (stat(path.c_str(), &st) != 0) throw fail(std::generic_category().message(errno));
  if (S_ISDIR(st.st_mode)) throw fail(std::generic_category().message(EISDIR));
  if (!S_ISREG(st.st_mode)) throw fail("Not a regular file");
  if (st.st_size > kMaxMapFileSize) throw fail(std::generic_category().message(EFBIG));
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw fail(std::generic_category().message(errno));
  std::string content;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      close(fd);
      throw fail(std::generic_category().message(error));
    }
    if (n == 0 || content.size() > static_cast<size_t>(kMaxMapFileSize)) break;
    content.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return content;
}

}  // namespace

RegisterMap ReadRegisterMap(const std::string& csv, uint16_t address, int cells,
                            const AddressStyle& style) {
  RegisterMap map;
  const std::vector<CsvRecordRead> records = ParseCsv(csv);
  size_t addressColumn = 0;
  size_t aliasColumn = 1;
  size_t first = 0;
  if (!records.empty() && !AllDigits(Trimmed(records[0].fields[0]))) {
    const auto& header = records[0].fields;
    for (size_t i = 0; i < header.size(); ++i) {
      const std::string name = Lower(Trimmed(header[i]));
      if (name == "address") addressColumn = i;
      if (name == "alias") aliasColumn = i;
    }
    first = 1;
  }
  for (size_t r = first; r < records.size(); ++r) {
    const auto& fields = records[r].fields;
    const std::string text =
        addressColumn < fields.size() ? Trimmed(fields[addressColumn]) : std::string();
    if (!AllDigits(text)) {
      map.BadLines.push_back(records[r].line);
      continue;
    }
    const std::optional<uint16_t> wire = AddressOf(text, style);
    const int offset = wire ? int{*wire} - int{address} : -1;
    if (offset < 0 || offset >= cells) {
      ++map.Outside;
      continue;
    }
    map.Aliases.emplace_back(offset, aliasColumn < fields.size() ? fields[aliasColumn] : "");
  }
  return map;
}

RegisterMap LoadRegisterMap(const std::string& path, uint16_t address, int cells,
                            const AddressStyle& style) {
  return ReadRegisterMap(ReadTextFile(path), address, cells, style);
}

std::string RegisterMapReport(const RegisterMap& map) {
  if (map.Outside == 0 && map.BadLines.empty()) return std::string();
  std::string text = std::to_string(map.Aliases.size()) + " aliases imported.";
  if (map.Outside) {
    text += "\n" + std::to_string(map.Outside) + (map.Outside == 1 ? " row lies" : " rows lie") +
            " outside the window's addresses.";
  }
  if (!map.BadLines.empty()) {
    text += "\n" + std::to_string(map.BadLines.size()) +
            (map.BadLines.size() == 1 ? " row has" : " rows have") + " no numeric address: line ";
    for (size_t i = 0; i < map.BadLines.size() && i < 10; ++i) {
      if (i) text += ", ";
      text += std::to_string(map.BadLines[i]);
    }
    if (map.BadLines.size() > 10) text += ", ...";
    text += ".";
  }
  return text;
}

}  // namespace mms
