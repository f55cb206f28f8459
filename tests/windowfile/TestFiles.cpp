#include "windowfile/TestFiles.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/Errors.h"

namespace mms::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "mms-windowfile-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Restore write access first so that a read-only subfolder can be removed.
  for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ec)) {
    if (entry.is_directory(ec)) chmod(entry.path().c_str(), 0700);
  }
  std::filesystem::remove_all(path_, ec);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteAll(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::string SaveIntoReadOnlyFolder(const std::string& oldText,
                                   const std::function<void(const std::string&)>& save,
                                   std::string* path, std::string* textAfter) {
  TempDir dir;
  const std::string folder = dir.File("locked");
  mkdir(folder.c_str(), 0700);
  *path = folder + "/old.file";
  WriteAll(*path, oldText);
  chmod(path->c_str(), 0644);
  chmod(folder.c_str(), 0555);
  chmod(dir.Path().c_str(), 0755);

  // Root writes anywhere, so the save runs in a child that drops to "nobody".
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return "pipe failed";
  const pid_t child = fork();
  if (child == 0) {
    close(pipeFds[0]);
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    std::string message;
    try {
      save(*path);
    } catch (const Error& e) {
      message = e.what();
    }
    if (write(pipeFds[1], message.data(), message.size()) < 0) _exit(3);
    _exit(0);
  }
  close(pipeFds[1]);
  std::string message;
  char buffer[256];
  ssize_t n;
  while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) message.append(buffer, n);
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) message = "child failed";
  *textAfter = ReadAll(*path);
  return message;
}

}  // namespace mms::test
