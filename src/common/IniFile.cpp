#include "common/IniFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <string_view>
#include <system_error>

#include "common/Errors.h"

namespace mms {
namespace {

enum class LineKind { kOther, kSection, kKey };

struct ParsedLine {
  LineKind kind = LineKind::kOther;
  std::string_view name;   // trimmed section or key name
  std::string_view value;  // trimmed value of a key line
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  size_t begin = 0;
  size_t end = s.size();
  while (begin < end && IsBlank(s[begin])) ++begin;
  while (end > begin && IsBlank(s[end - 1])) --end;
  return s.substr(begin, end - begin);
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

ParsedLine Parse(const std::string& line) {
  ParsedLine parsed;
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';') return parsed;
  if (trimmed.front() == '[') {
    const size_t close = trimmed.find(']');
    parsed.kind = LineKind::kSection;
    parsed.name = Trim(trimmed.substr(1, close == std::string_view::npos ? close : close - 1));
    return parsed;
  }
  const size_t equals = trimmed.find('=');
  if (equals == std::string_view::npos) return parsed;
  parsed.kind = LineKind::kKey;
  parsed.name = Trim(trimmed.substr(0, equals));
  parsed.value = Trim(trimmed.substr(equals + 1));
  return parsed;
}

// One write is one line of the file, whatever the caller passes.
std::string OneLine(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Follows symbolic links so that saving through a link replaces the file it
// points at instead of the link. Empty when the chain does not end.
std::string ResolveLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string target(4096, '\0');
    const ssize_t n = readlink(path.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<size_t>(n) >= target.size()) return std::string();
    target.resize(static_cast<size_t>(n));
    if (target.front() == '/') {
      path = target;
    } else {
      const size_t slash = path.rfind('/');
      path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + target;
    }
  }
  return std::string();
}

// Creates a new file next to `target` that no one else has open. Opened with
// mode 0666 so the process umask decides the permissions of a new file, as it
// would for a file created directly.
int CreateTempBeside(const std::string& target, std::string* tempPath) {
  static std::atomic<unsigned> counter{0};
  const size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    *tempPath = dir + "." + base + "." + std::to_string(getpid()) + "-" +
                std::to_string(counter.fetch_add(1)) + "-" + std::to_string(now.tv_nsec);
    const int fd = open(tempPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

void SyncDirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);  // durability only; the rename has already happened
  close(fd);
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {
  Load();
  BuildIndex();
}

// Checked before opening, since opening a device can block or act on it;
// O_NONBLOCK and the second check cover a file swapped in between.
void IniFile::Load() {
  const auto systemText = [](int error) { return std::generic_category().message(error); };
  struct stat st;
  if (stat(path_.c_str(), &st) != 0) {
    const int error = errno;
    RefuseRead(systemText(error));
    unreadable_ = error != ENOENT && error != ENOTDIR;  // nothing there to lose
    return;
  }
  if (S_ISDIR(st.st_mode)) return RefuseRead(systemText(EISDIR));
  if (!S_ISREG(st.st_mode)) return RefuseRead("Not a regular file");
  const int fd = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return RefuseRead(systemText(errno));
  std::string content;
  std::string failure;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    failure = "Not a regular file";
  } else if (static_cast<unsigned long long>(st.st_size) > kMaxFileSize) {
    failure = systemText(EFBIG);
  } else {
    content.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < content.size()) {
      const ssize_t n = read(fd, content.data() + done, content.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) failure = systemText(errno);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    content.resize(done);  // a file that shrank while being read
  }
  close(fd);
  if (!failure.empty()) return RefuseRead(failure);
  // Windows editors start UTF-8 files with a byte-order mark; left in, it
  // would hide the first section header. Kept for Commit().
  static constexpr std::string_view kBom = "\xEF\xBB\xBF";
  size_t start = 0;
  if (std::string_view(content).substr(0, kBom.size()) == kBom) {
    bom_ = true;
    start = kBom.size();
  }
  for (size_t i = start; i < content.size(); ++i) {
    if (content[i] != '\r' && content[i] != '\n') continue;
    lines_.emplace_back(content, start, i - start);
    if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < content.size()) lines_.emplace_back(content, start);
}

void IniFile::RefuseRead(std::string reason) {
  readFailure_ = std::move(reason);
  unreadable_ = true;
}

void IniFile::RequireRead() const {
  if (!readFailure_.empty()) throw Error("Unable to read " + path_ + ": " + readFailure_);
}

void IniFile::BuildIndex() {
  sections_.clear();
  Section* current = nullptr;  // null before the first header and in duplicate sections
  for (size_t i = 0; i < lines_.size(); ++i) {
    const ParsedLine parsed = Parse(lines_[i]);
    if (parsed.kind == LineKind::kSection) {
      auto [it, added] = sections_.try_emplace(Lower(parsed.name));
      current = added ? &it->second : nullptr;
      if (current) current->headerLine = current->lastKeyLine = i;
    } else if (parsed.kind == LineKind::kKey && current) {
      current->keys.try_emplace(Lower(parsed.name), i);
      current->lastKeyLine = i;
    }
  }
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
  const auto s = sections_.find(Lower(Trim(section)));
  if (s == sections_.end()) return defaultValue;
  const auto k = s->second.keys.find(Lower(Trim(key)));
  if (k == s->second.keys.end()) return defaultValue;
  const std::string_view value = Parse(lines_[k->second]).value;
  return std::string(value.substr(0, kMaxValueLength));
}

void IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
  const std::string sectionName(Trim(OneLine(section)));
  const std::string keyName(Trim(OneLine(key)));
  const std::string line = keyName + "=" + OneLine(value);
  const auto s = sections_.find(Lower(sectionName));
  if (s == sections_.end()) {
    Section& added = sections_[Lower(sectionName)];
    added.headerLine = lines_.size();
    lines_.push_back("[" + sectionName + "]");
    added.lastKeyLine = lines_.size();
    added.keys.emplace(Lower(keyName), lines_.size());
    lines_.push_back(line);
    return;
  }
  Section& found = s->second;
  const auto k = found.keys.find(Lower(keyName));
  if (k != found.keys.end()) {
    // Keep the key as the file spells it; only the value changes.
    std::string& existing = lines_[k->second];
    existing = std::string(Parse(existing).name) + "=" + OneLine(value);
    return;
  }
  const size_t at = found.lastKeyLine + 1;
  InsertLine(at, line);
  found.keys.emplace(Lower(keyName), at);
  found.lastKeyLine = at;
}

void IniFile::InsertLine(size_t at, std::string text) {
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(text));
  for (auto& [name, section] : sections_) {
    if (section.headerLine >= at) ++section.headerLine;
    if (section.lastKeyLine >= at) ++section.lastKeyLine;
    for (auto& [keyName, line] : section.keys) {
      if (line >= at) ++line;
    }
  }
}

std::string IniFile::Text() const {
  size_t size = 0;
  for (const std::string& line : lines_) size += line.size() + 1;
  std::string text = bom_ ? "\xEF\xBB\xBF" : "";
  text.reserve(size + 3);
  for (const std::string& line : lines_) {
    text += line;
    text += '\n';
  }
  return text;
}

void IniFile::Commit() const {
  if (unreadable_ || path_.empty()) throw Error("Unable to write to " + path_);
  CommitFileText(path_, Text());
}

void CommitFileText(const std::string& path, const std::string& text) {
  const Error failure("Unable to write to " + path);
  if (path.empty()) throw failure;
  const std::string target = ResolveLinks(path);
  if (target.empty() || target.back() == '/') throw failure;

  std::string tempPath;
  const int fd = CreateTempBeside(target, &tempPath);
  if (fd < 0) throw failure;
  struct stat existing;
  bool ok = true;
  if (stat(target.c_str(), &existing) == 0) {
    ok = S_ISREG(existing.st_mode) && fchmod(fd, existing.st_mode & 07777) == 0;
  }
  ok = ok && WriteAll(fd, text) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(tempPath.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(tempPath.c_str());
    throw failure;
  }
  SyncDirectoryOf(target);
}

}  // namespace mms
