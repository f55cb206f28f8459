#pragma once
// A pseudo-terminal pair standing in for a serial cable: the test peer talks
// on the master side, the program under test opens SlavePath() like any
// serial device. Both sides start in raw mode.
#include <string>

namespace mms::test {

class PtyPair {
 public:
  // Throws std::runtime_error when no pseudo-terminal can be had.
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  int MasterFd() const { return master_; }
  // The pair's own descriptor of the slave side: for reading back the line
  // settings the program under test applied.
  int SlaveFd() const { return slave_; }
  // The device path for the program under test, e.g. "/dev/pts/7". The
  // pair keeps its own slave descriptor open, so the master side never sees
  // a hang-up while the program has the device closed.
  const std::string& SlavePath() const { return slavePath_; }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

}  // namespace mms::test
