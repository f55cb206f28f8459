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
  explicit WindowsSetReader(const std::string& path);

  // NumOfFiles, 0 when missing. Throws Error("'<text>' is not a valid
  // integer value") when it is not an integer.
  int32_t NumOfFiles() const;
  // Entry i, empty when its key is missing.
  std::string File(int32_t i) const;

 private:
  IniFile ini_;
};

}  // namespace mms
