#pragma once
#include <string>
#include <vector>

namespace mms {

// An initialisation-style key-value file ("[Section]" lines, "Key=Value"
// lines). Section and key names match without regard to letter case; values
// are text, cut to 2047 characters when read. A missing file, section or key
// reads as the caller's default.
//
// Writes change the text in memory: a key is replaced where it stands, or
// added at the end of its section, the section being added at the end of the
// file when missing; every other line stays as it was. Commit() writes the
// whole text to a temporary file in the same folder and renames it over the
// old one, so a failed or interrupted save never leaves a damaged file.
class IniFile {
 public:
  // Reads the file when it exists and is readable; anything else (missing,
  // a directory, unreadable, too large) gives an empty store.
  explicit IniFile(std::string path);

  const std::string& Path() const { return path_; }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value);

  // Throws Error("Unable to write to <path>") when the file cannot be written.
  void Commit() const;

 private:
  std::string path_;
  std::vector<std::string> lines_;
};

}  // namespace mms
