#pragma once
#include <functional>
#include <string>

namespace mms::test {

// A fresh folder below the system temp folder, removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& text);

// Runs `save` on a path in a folder the process may not write to (as an
// unprivileged user when the tests run as root) over an existing file.
// Returns the message of the error it raised ("" when it raised none), and
// leaves in `textAfter` what the old file holds afterwards.
std::string SaveIntoReadOnlyFolder(const std::string& oldText,
                                   const std::function<void(const std::string&)>& save,
                                   std::string* path, std::string* textAfter);

}  // namespace mms::test
