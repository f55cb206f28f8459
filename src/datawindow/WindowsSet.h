#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/IniFile.h"

namespace mms {

// Windows set files (.kvs): section "Scene" with File0 .. File<N-1> and
// NumOfFiles, the paths of window files stored verbatim.

// Writes the non-empty names as File0, fileMenu, ... in the given order and
// NumOfFiles last, in one atomic commit; an empty name (a closed or never
// saved window) is left out. Keys of an existing set that this save does not
// write stay as they were. Returns the number of entries written. Throws
// Error("Unable to write to <path>"); the old file is then untouched.
int SaveWindowsSet(const std::string& path, const std::vector<std::string>& fileNames);

// Reads a set file once; entries are looked up one at a time, so a
// NumOfFiles of any size costs nothing until entries are asked for.
class WindowsSetReader {
 public:
  // Throws Error("Unable to read <path>: <reason>") when the file cannot be
  // read (see LoadWindowFile).
  explicit WindowsSetReader(const std::string& path);

  // NumOfFiles, 0 when missing. Throws Error("'<text>' is not a valid
  // integer value") when it is not an integer.
  int32_t NumOfFiles() const;
  // Entry i. Throws Error("Unable to read <path>: File<i> is missing") when
  // its key is missing or empty, as past the end of a damaged NumOfFiles.
  std::string File(int32_t i) const;

 private:
  IniFile ini_;
};

}  // namespace mms
