#pragma once
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/WindowRecord.h"
#include "common/WindowTable.h"
#include "datawindow/CellRows.h"

namespace mms {

// A logged window: its caption and how it shows its cells.
struct CsvLogWindow {
  std::string Caption;
  CellView View;
};

// The CSV data log: one file, the header
//   time,window,device,function,address,alias,raw,value
// then one record per cell of every valid poll of the chosen windows.
//
// The polling thread hands each poll over with HandOff, which copies it into
// a fixed queue entry and returns at once: it never waits for the file, and
// a poll that finds the queue full is dropped and counted. The writer thread
// formats and writes what is queued at least every kWriteIntervalMs, so a
// crash of the program loses at most that much.
//
// Start, SetWindow and Stop are called from one controlling thread.
class CsvLogWriter {
 public:
  static constexpr size_t kQueueEntries = 1024;
  static constexpr int kWriteIntervalMs = 200;
  static constexpr const char* kHeader = "time,window,device,function,address,alias,raw,value";

  CsvLogWriter();
  ~CsvLogWriter();  // Stop()
  CsvLogWriter(const CsvLogWriter&) = delete;
  CsvLogWriter& operator=(const CsvLogWriter&) = delete;

  // Creates (or empties) `path`, writes the header and starts the writer.
  // Throws Error("Unable to write to <path>").
  void Start(const std::string& path);
  // Polls of `slot` are logged from now on, shown as `window` says (called
  // again when the window's caption or display changes).
  void SetWindow(int slot, CsvLogWindow window);
  // Writes what is queued, closes the file and ends the writer thread.
  // Idempotent.
  void Stop();

  // The polling thread: one valid poll, `request.Length` words (at most
  // kPublishedWords are logged), taken at `time`.
  void HandOff(int slot, const PollDefinition& request, const uint16_t* words,
               std::chrono::system_clock::time_point time);

  bool Active() const { return active_.load(); }
  const std::string& Path() const { return path_; }
  uint64_t Rows() const { return rows_.load(); }
  uint64_t Dropped() const { return dropped_.load(); }
  uint64_t WriteErrors() const { return writeErrors_.load(); }

 private:
  struct Entry {
    int Slot = 0;
    PollDefinition Request;
    uint16_t Count = 0;
    std::array<uint16_t, kPublishedWords> Words{};
    std::chrono::system_clock::time_point Time;
  };

  void Run();
  void Write(const std::vector<Entry>& batch);
  void WriteText(const std::string& text);

  std::string path_;
  int fd_ = -1;
  std::thread thread_;
  std::atomic<bool> active_{false};
  std::array<std::atomic<bool>, kMaxDataWindows> chosen_{};

  std::mutex queueMutex_;
  std::condition_variable wake_;
  std::vector<Entry> queue_;  // a ring of kQueueEntries
  size_t head_ = 0;
  size_t count_ = 0;
  bool stop_ = false;

  std::mutex windowsMutex_;
  std::array<std::shared_ptr<const CsvLogWindow>, kMaxDataWindows> windows_;

  std::atomic<uint64_t> rows_{0};
  std::atomic<uint64_t> dropped_{0};
  std::atomic<uint64_t> writeErrors_{0};
};

}  // namespace mms
