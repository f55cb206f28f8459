#include "log/CsvLogWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "common/Csv.h"
#include "common/Errors.h"

namespace mms {

CsvLogWriter::CsvLogWriter() : queue_(kQueueEntries) {}

CsvLogWriter::~CsvLogWriter() { Stop(); }

void CsvLogWriter::Start(const std::string& path) {
  Stop();
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw Error("Unable to write to " + path);
  path_ = path;
  fd_ = fd;
  rows_ = dropped_ = writeErrors_ = 0;
  WriteText(std::string(kHeader) + "\r\n");
  if (writeErrors_.load()) {
    close(fd_);
    fd_ = -1;
    throw Error("Unable to write to " + path);
  }
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    head_ = count_ = 0;
    stop_ = false;
  }
  active_ = true;
  thread_ = std::thread([this] { Run(); });
}

void CsvLogWriter::SetWindow(int slot, CsvLogWindow window) {
  if (slot < 0 || slot >= kMaxDataWindows) return;
  {
    std::lock_guard<std::mutex> lock(windowsMutex_);
    windows_[slot] = std::make_shared<const CsvLogWindow>(std::move(window));
  }
  chosen_[slot] = true;
}

void CsvLogWriter::Stop() {
  active_ = false;
  if (thread_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(queueMutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  if (fd_ >= 0) {
    fsync(fd_);
    close(fd_);
    fd_ = -1;
  }
  for (auto& chosen : chosen_) chosen = false;
  std::lock_guard<std::mutex> lock(windowsMutex_);
  for (auto& window : windows_) window.reset();
}

void CsvLogWriter::HandOff(int slot, const PollDefinition& request, const uint16_t* words,
                           std::chrono::system_clock::time_point time) {
  if (!active_.load() || slot < 0 || slot >= kMaxDataWindows || !chosen_[slot].load() || !words)
    return;
  std::lock_guard<std::mutex> lock(queueMutex_);
  if (count_ == queue_.size()) {
    ++dropped_;
    return;
  }
  Entry& entry = queue_[(head_ + count_) % queue_.size()];
  entry.Slot = slot;
  entry.Request = request;
  entry.Count = std::min<uint16_t>(request.Length, kPublishedWords);
  std::copy_n(words, entry.Count, entry.Words.begin());
  entry.Time = time;
  ++count_;
}

void CsvLogWriter::Run() {
  std::vector<Entry> batch;
  batch.reserve(queue_.size());
  for (;;) {
    bool last = false;
    {
      std::unique_lock<std::mutex> lock(queueMutex_);
      // A bounded pause, not a wake-up per poll: polls gather into one write.
      wake_.wait_for(lock, std::chrono::milliseconds(kWriteIntervalMs), [this] { return stop_; });
      last = stop_;
      batch.clear();
      for (; count_ > 0; --count_) {
        batch.push_back(queue_[head_]);
        head_ = (head_ + 1) % queue_.size();
      }
    }
    if (!batch.empty()) Write(batch);
    if (last) return;
  }
}

void CsvLogWriter::Write(const std::vector<Entry>& batch) {
  std::array<std::shared_ptr<const CsvLogWindow>, kMaxDataWindows> windows;
  {
    std::lock_guard<std::mutex> lock(windowsMutex_);
    windows = windows_;
  }
  std::string text;
  uint64_t rows = 0;
  for (const Entry& entry : batch) {
    const CsvLogWindow* window = windows[entry.Slot].get();
    if (!window) continue;
    const std::string time = IsoLocalTime(entry.Time);
    const std::string device = std::to_string(entry.Request.DeviceID);
    const std::string function = std::to_string(entry.Request.Function);
    for (const CellRow& row :
         CellRows(entry.Request.Function, entry.Request.Address, entry.Words.data(), entry.Count,
                  entry.Request.Length, window->View)) {
      text += CsvRecord(
          {time, window->Caption, device, function, row.Address, row.Alias, row.Raw, row.Value});
      ++rows;
    }
  }
  WriteText(text);
  rows_ += rows;
}

void CsvLogWriter::WriteText(const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ++writeErrors_;
      return;
    }
    done += static_cast<size_t>(n);
  }
}

}  // namespace mms
