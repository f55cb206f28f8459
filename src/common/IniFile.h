#pragma once
#include <cstddef>
#include <string>
#include <unordered_map>
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
//
// Reading tolerates LF, CRLF and CR line ends, a missing final line end and
// a leading UTF-8 byte-order mark (which Commit() writes back); blanks
// (spaces, tabs) around names and values are dropped; a line whose first
// non-blank character is ';' is a comment. The first "[Name]" of a
// section and the first line of a key within it count; later duplicates are
// kept in the file but not read. Commit() writes LF line ends and adds no
// blank lines. A CR or LF inside a written section, key or value becomes a
// blank, so one write always stays one line. (A section name holding ']', or
// a key name holding '=' or starting with '[' or ';', does not read back the
// same; no name the program uses does.)
//
// A file that exists but cannot be read (a directory, no permission, not a
// regular file, larger than kMaxFileSize) reads as empty, and Commit() then
// refuses to replace it rather than lose its content. Anything but a regular
// file is refused before it is opened, so a FIFO or a device never blocks.
class IniFile {
 public:
  // Reads the file when it exists and is readable; anything else (missing,
  // a directory, unreadable, too large) gives an empty store.
  explicit IniFile(std::string path);

  const std::string& Path() const { return path_; }

  // Why the file was not read: "" when it was, else the system's text ("No
  // such file or directory", "Permission denied", "Is a directory", "File
  // too large") or "Not a regular file".
  const std::string& ReadFailure() const { return readFailure_; }
  // For files that must exist: throws Error("Unable to read <path>: <ReadFailure()>").
  void RequireRead() const;

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  void WriteString(const std::string& section, const std::string& key, const std::string& value);

  // Throws Error("Unable to write to <path>") when the file cannot be written.
  // A symbolic link is followed: its target is replaced, and an existing
  // file keeps its permission bits.
  void Commit() const;

  static constexpr size_t kMaxValueLength = 2047;
  static constexpr size_t kMaxFileSize = 16u << 20;

 private:
  struct Section {
    size_t headerLine = 0;
    size_t lastKeyLine = 0;  // where a new key goes after; the header when empty
    std::unordered_map<std::string, size_t> keys;  // lower-case key -> line
  };

  void Load();
  void RefuseRead(std::string reason);
  void BuildIndex();
  void InsertLine(size_t at, std::string text);
  std::string Text() const;

  std::string path_;
  std::vector<std::string> lines_;
  std::unordered_map<std::string, Section> sections_;  // lower-case name -> first one
  // Exists but was not read: Commit() refuses to replace it.
  bool unreadable_ = false;
  std::string readFailure_;
  bool bom_ = false;  // the file started with a UTF-8 byte-order mark
};

// Writes `text` as the whole of `path` the way Commit() does: to a temporary
// file beside it, renamed over it. Throws Error("Unable to write to <path>").
void CommitFileText(const std::string& path, const std::string& text);

}  // namespace mms
