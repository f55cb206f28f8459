#pragma once
#include <atomic>
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
// one whole line per frame, in hand-over order; the lines of a burst of
// frames go to the file in one write(2).
//
// The thread exists from construction to destruction and is paused at
// first; idle or paused, it sleeps on a condition variable.
//
// Frames:
// - LogHandOff copies the frame into a fixed queue entry (no allocation) and
//   returns at once while there is room. Frames longer than
//   kMaxFrameBytes are cut to their first kMaxFrameBytes bytes; a negative
//   count or a null buffer gives a line without bytes; a direction other than
//   kLogTransmitted or kLogReceived is ignored.
// - Frames handed over while paused are dropped: they belong to no open
//   connection, and writing them at the next Resume would put them into the
//   next connection's new file.
// - When kQueueEntries frames are already waiting, LogHandOff waits for room,
//   at most kHandOffWaitMs, so a writer that falls behind slows the polling
//   thread down instead of losing frames. Only after that wait is the frame
//   dropped (OverflowCount()); earlier frames are never overwritten.
// - A frame that cannot be written (write error, full disk, no file open,
//   the wait above ran out) is counted and shows in StatusText(); a line
//   that failed halfway is cut off again, so the file holds whole lines.
// - At the size limit the file is renamed to "<path>.1" (replacing an older
//   one) and a new, empty file is started at the same path.
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
  // The writer gathers frames for up to kBatchPauseMs, or until kBatchFrames wait.
  static constexpr int kBatchPauseMs = 10;
  static constexpr size_t kBatchFrames = 64;
  static constexpr int kHandOffWaitMs = 1000;
  static constexpr int32_t kDefaultSizeLimitMB = 100;

  TransmissionLog();
  ~TransmissionLog() override;  // writes what is queued, stops and joins the thread
  TransmissionLog(const TransmissionLog&) = delete;
  TransmissionLog& operator=(const TransmissionLog&) = delete;

  // Creates the file, or truncates it to empty, for reading and writing,
  // locked exclusively (flock) against other programs. A file still open from
  // an earlier connect is closed first. Refuses anything but a regular file.
  // On failure returns false and the connection runs without a log. Either
  // way StatusText() starts again from "".
  bool CreateLogFile(const std::string& path);
  void CloseLogFile();
  bool HasLogFile() const;

  void Resume();
  void Pause();

  void LogHandOff(int direction, const uint8_t* bytes, int count) override;

  // Also hands every frame to `tap` (the traffic monitor), first, paused or
  // not; null for none. `tap` must outlive the log or be removed first.
  void SetFrameTap(LogSink* tap) { tap_.store(tap); }

  uint64_t OverflowCount() const;

  // Size at which the file is rotated, in MB (2^20 bytes); 0: no limit,
  // negative counts as 0. Any thread; applies from the next line.
  void SetSizeLimitMB(int32_t megabytes);

  // For the status bar, any thread: "" while every frame has been written
  // since CreateLogFile, else the latest cause and the count, e.g.
  // "Log: disk full, 12 frames not written". Causes: "disk full", "write
  // error", "writer too slow", "no log file".
  std::string StatusText() const;
  uint64_t FramesNotWritten() const;

 private:
  struct Entry {
    int direction;
    int count;
    uint8_t bytes[kMaxFrameBytes];
  };

  enum class Failure { kNone, kNoFile, kTooSlow, kWriteError, kDiskFull };

  void Run();
  // Writer thread: writes `count` taken entries, in as few writes as the
  // size limit allows.
  void WriteBatch(const Entry* entries, size_t count, int& fd);
  void WaitUntilIdle(std::unique_lock<std::mutex>& lock);
  // Writer thread, while writing_: the file to write `length` more bytes to,
  // rotated first when they would pass the size limit.
  int FileFor(int fd, size_t length);
  // Under the lock.
  void CountNotWritten(Failure cause);

  mutable std::mutex mutex_;
  std::condition_variable work_;  // the writer waits here for frames or stop
  std::condition_variable idle_;  // Pause and the file calls wait here
  std::condition_variable room_;  // LogHandOff waits here when the queue is full
  std::vector<Entry> queue_;      // ring of kQueueEntries
  size_t head_ = 0;
  size_t size_ = 0;
  bool paused_ = true;
  bool writing_ = false;
  bool flush_ = false;  // a caller waits for the queue to be written: no batching pause
  bool stop_ = false;
  int fd_ = -1;
  uint64_t overflow_ = 0;
  uint64_t notWritten_ = 0;
  Failure failure_ = Failure::kNone;
  std::atomic<LogSink*> tap_{nullptr};
  std::atomic<uint64_t> sizeLimit_{uint64_t{kDefaultSizeLimitMB} << 20};
  // Set with fd_ by CreateLogFile; used by the writer only while writing_.
  std::string path_;
  uint64_t fileSize_ = 0;
  bool rotateFailed_ = false;
  std::thread thread_;  // last: started once everything above exists
};

}  // namespace mms
