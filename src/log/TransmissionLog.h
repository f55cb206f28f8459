#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "log/LogSink.h"

namespace mms {

// The transmission log writer. Transports hand each frame over with
// LogHandOff; the writer thread turns every frame into one line of
// "Transmission.log":
//   "<tx>0x01 0x03 0x00 0x00 0x00 0x02 0xC4 0x0B </tx>\r\n"
//   "<rx></rx>\r\n"  (a frame of no bytes)
// one whole line per frame, in hand-over order, each line one write(2).
//
// The thread exists from construction to destruction and is paused at
// first; idle or paused, it sleeps on a condition variable.
//
// Frames:
// - LogHandOff copies the frame into a fixed queue entry (no allocation) and
//   returns at once; it never waits for the disk. Frames longer than
//   kMaxFrameBytes are cut to their first kMaxFrameBytes bytes; a negative
//   count or a null buffer gives a line without bytes; a direction other than
//   kLogTransmitted or kLogReceived is ignored.
// - Frames handed over while paused are dropped: they belong to no open
//   connection, and writing them at the next Resume would put them into the
//   next connection's new file.
// - When kQueueEntries frames are already waiting, a new frame is dropped
//   and counted in OverflowCount(); earlier frames are never overwritten.
// - Frames queued while no file is open are discarded when their turn comes.
//
// Control, from the user-interface thread (Connect: CreateLogFile, Resume;
// Disconnect: Pause, CloseLogFile):
// - Pause() first lets the writer write every frame already queued, then
//   returns with the writer between lines.
// - CloseLogFile() and CreateLogFile() never close the file under a write.
class TransmissionLog : public LogSink {
 public:
  static constexpr int kMaxFrameBytes = 300;
  static constexpr size_t kQueueEntries = 256;

  TransmissionLog();
  ~TransmissionLog() override;  // writes what is queued, stops and joins the thread
  TransmissionLog(const TransmissionLog&) = delete;
  TransmissionLog& operator=(const TransmissionLog&) = delete;

  // Creates the file, or truncates it to empty, for reading and writing,
  // locked exclusively (flock) against other programs. A file still open from
  // an earlier connect is closed first. Refuses anything but a regular file.
  // On failure returns false and the connection runs without a log.
  bool CreateLogFile(const std::string& path);
  void CloseLogFile();
  bool HasLogFile() const;

  void Resume();
  void Pause();

  void LogHandOff(int direction, const uint8_t* bytes, int count) override;

  uint64_t OverflowCount() const;

 private:
  struct Entry {
    int direction;
    int count;
    uint8_t bytes[kMaxFrameBytes];
  };

  void Run();
  void WaitUntilIdle(std::unique_lock<std::mutex>& lock);

  mutable std::mutex mutex_;
  std::condition_variable work_;  // the writer waits here for frames or stop
  std::condition_variable idle_;  // Pause and the file calls wait here
  std::vector<Entry> queue_;      // ring of kQueueEntries
  size_t head_ = 0;
  size_t size_ = 0;
  bool paused_ = true;
  bool writing_ = false;
  bool stop_ = false;
  int fd_ = -1;
  uint64_t overflow_ = 0;
  std::thread thread_;  // last: started once everything above exists
};

}  // namespace mms
