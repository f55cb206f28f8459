#include "log/TransmissionLog.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace mms {
namespace {

// "<tx>" + "0xHH " per byte + "</tx>\r\n"
constexpr size_t LineLength(int count) { return 4 + 5 * static_cast<size_t>(count) + 5 + 2; }
constexpr size_t kMaxLineLength = LineLength(TransmissionLog::kMaxFrameBytes);

// "0xHH " of every byte value, padded to 8 so that a byte is one 8-byte store
// (the 3 bytes past it are overwritten by the next one or the closing tag).
struct HexTable {
  uint64_t text[256];
  HexTable() {
    static const char kHex[] = "0123456789ABCDEF";
    for (int b = 0; b < 256; ++b) {
      const char chars[8] = {'0', 'x', kHex[b >> 4], kHex[b & 0x0F], ' ', 0, 0, 0};
      std::memcpy(&text[b], chars, sizeof chars);
    }
  }
} const kHexTable;

// Writes the LineLength(count) bytes of the line at `line`.
void FormatLine(int direction, const uint8_t* bytes, int count, char* line) {
  const char* open = direction == kLogTransmitted ? "<tx>" : "<rx>";
  const char* close = direction == kLogTransmitted ? "</tx>\r\n" : "</rx>\r\n";
  char* out = line;
  std::memcpy(out, open, 4);
  out += 4;
  for (int i = 0; i < count; ++i, out += 5) std::memcpy(out, &kHexTable.text[bytes[i]], 8);
  std::memcpy(out, close, 7);
}

// One write of whole lines at `at`, the end of the file; only a short write
// (a full disk) needs a second one. Returns 0 or the error; on an error,
// `kept` is the length of the whole lines that made it, and a line that
// failed halfway is cut off again. A failure loses the rest, as logging must
// not stop the connection.
int WriteLines(int fd, const char* text, size_t length, uint64_t at, size_t& kept) {
  size_t done = 0;
  kept = length;
  while (done < length) {
    const ssize_t n = pwrite(fd, text + done, length - done, static_cast<off_t>(at + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : EIO;
      kept = done;
      while (kept > 0 && text[kept - 1] != '\n') --kept;
      if (kept < done) (void)ftruncate(fd, static_cast<off_t>(at + kept));
      return error;
    }
    done += static_cast<size_t>(n);
  }
  return 0;
}

// The lock is taken before truncating, so a log another program holds is
// left as it is. O_NONBLOCK keeps a FIFO in the way from blocking the open.
int OpenLogFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  struct stat st;
  const bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                  ftruncate(fd, 0) == 0 && fcntl(fd, F_SETFL, 0) == 0;
  if (!ok) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

TransmissionLog::TransmissionLog() : queue_(kQueueEntries), thread_([this] { Run(); }) {}

TransmissionLog::~TransmissionLog() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  work_.notify_one();
  room_.notify_all();
  thread_.join();
  if (fd_ >= 0) close(fd_);
}

void TransmissionLog::Run() {
  pthread_setname_np(pthread_self(), "LogThread");  // a debugger aid only
  std::vector<Entry> batch(kQueueEntries);
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    work_.wait(lock, [this] { return stop_ || size_ > 0; });
    if (size_ == 0) break;  // stopping, and everything queued is written
    // Frames come in bursts of request and reply: a short pause gathers
    // them, so the disk sees one write per batch, not one per frame.
    work_.wait_for(lock, std::chrono::milliseconds(kBatchPauseMs),
                   [this] { return stop_ || flush_ || size_ >= kBatchFrames; });
    const size_t count = size_;
    for (size_t i = 0; i < count; ++i) {  // only the bytes each frame has
      const Entry& from = queue_[(head_ + i) % kQueueEntries];
      batch[i].direction = from.direction;
      batch[i].count = from.count;
      std::memcpy(batch[i].bytes, from.bytes, static_cast<size_t>(from.count));
    }
    head_ = (head_ + count) % kQueueEntries;
    size_ = 0;
    room_.notify_all();
    if (fd_ < 0) {
      for (size_t i = 0; i < count; ++i) CountNotWritten(Failure::kNoFile);
    } else {
      writing_ = true;
      int fd = fd_;
      lock.unlock();
      WriteBatch(batch.data(), count, fd);
      lock.lock();
      fd_ = fd;
      writing_ = false;
    }
    idle_.notify_all();
  }
  idle_.notify_all();
}

void TransmissionLog::WriteBatch(const Entry* entries, size_t count, int& fd) {
  static thread_local std::vector<char> text(kQueueEntries * kMaxLineLength);
  size_t pending = 0;
  size_t lines = 0;
  const auto flush = [&] {
    if (pending == 0) return;
    size_t kept = 0;
    const int error = WriteLines(fd, text.data(), pending, fileSize_, kept);
    fileSize_ += kept;
    if (error != 0) {
      const auto written = std::count(text.data(), text.data() + kept, '\n');
      std::lock_guard<std::mutex> lock(mutex_);
      for (size_t i = static_cast<size_t>(written); i < lines; ++i) {
        CountNotWritten(error == ENOSPC || error == EDQUOT ? Failure::kDiskFull
                                                           : Failure::kWriteError);
      }
    }
    pending = 0;
    lines = 0;
  };
  const uint64_t limit = sizeLimit_.load(std::memory_order_relaxed);
  for (size_t i = 0; i < count; ++i) {
    const size_t length = LineLength(entries[i].count);
    // A line that would pass the size limit goes to the next file.
    if (limit != 0 && fileSize_ + pending + length > limit) {
      flush();
      fd = FileFor(fd, length);
    }
    FormatLine(entries[i].direction, entries[i].bytes, entries[i].count, text.data() + pending);
    pending += length;
    ++lines;
  }
  flush();
}

int TransmissionLog::FileFor(int fd, size_t length) {
  const uint64_t limit = sizeLimit_.load(std::memory_order_relaxed);
  if (limit == 0 || fileSize_ == 0 || fileSize_ + length <= limit || rotateFailed_) return fd;
  // The old file keeps its lock until it is closed, so no other program
  // takes the name in between.
  const std::string previous = path_ + ".1";
  const int fresh = rename(path_.c_str(), previous.c_str()) == 0 ? OpenLogFile(path_) : -1;
  if (fresh < 0) {
    rotateFailed_ = true;  // keep writing the file we have; nothing is lost
    return fd;
  }
  close(fd);
  fileSize_ = 0;
  return fresh;
}

void TransmissionLog::CountNotWritten(Failure cause) {
  ++notWritten_;
  failure_ = cause;
}

void TransmissionLog::WaitUntilIdle(std::unique_lock<std::mutex>& lock) {
  flush_ = true;
  work_.notify_one();
  idle_.wait(lock, [this] { return size_ == 0 && !writing_; });
  flush_ = false;
}

void TransmissionLog::LogHandOff(int direction, const uint8_t* bytes, int count) {
  if (LogSink* tap = tap_.load()) tap->LogHandOff(direction, bytes, count);
  if (direction != kLogTransmitted && direction != kLogReceived) return;
  if (bytes == nullptr || count < 0) count = 0;
  if (count > kMaxFrameBytes) count = kMaxFrameBytes;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (paused_) return;
    if (size_ == kQueueEntries) {
      room_.wait_for(lock, std::chrono::milliseconds(kHandOffWaitMs),
                     [this] { return size_ < kQueueEntries || paused_ || stop_; });
      if (paused_) return;
      if (size_ == kQueueEntries) {
        ++overflow_;
        CountNotWritten(Failure::kTooSlow);
        return;
      }
    }
    Entry& entry = queue_[(head_ + size_) % kQueueEntries];
    entry.direction = direction;
    entry.count = count;
    if (count > 0) std::memcpy(entry.bytes, bytes, static_cast<size_t>(count));
    ++size_;
    // The writer waits for the first frame, then gathers a batch.
    if (size_ != 1 && size_ != kBatchFrames) return;
  }
  work_.notify_one();
}

void TransmissionLog::Resume() {
  std::lock_guard<std::mutex> lock(mutex_);
  paused_ = false;
}

void TransmissionLog::Pause() {
  std::unique_lock<std::mutex> lock(mutex_);
  paused_ = true;
  room_.notify_all();
  WaitUntilIdle(lock);
}

void TransmissionLog::CloseLogFile() {
  int fd = -1;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return !writing_; });
    fd = fd_;
    fd_ = -1;
  }
  if (fd >= 0) close(fd);
}

bool TransmissionLog::CreateLogFile(const std::string& path) {
  CloseLogFile();  // our own earlier lock would refuse the new one
  const int fd = OpenLogFile(path);
  std::lock_guard<std::mutex> lock(mutex_);
  fd_ = fd;
  path_ = path;
  fileSize_ = 0;
  rotateFailed_ = false;
  notWritten_ = 0;
  failure_ = Failure::kNone;
  return fd >= 0;
}

bool TransmissionLog::HasLogFile() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return fd_ >= 0;
}

uint64_t TransmissionLog::OverflowCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return overflow_;
}

void TransmissionLog::SetSizeLimitMB(int32_t megabytes) {
  sizeLimit_.store(megabytes > 0 ? uint64_t(megabytes) << 20 : 0, std::memory_order_relaxed);
}

std::string TransmissionLog::StatusText() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (notWritten_ == 0) return "";
  const char* cause = "no log file";
  switch (failure_) {
    case Failure::kDiskFull:
      cause = "disk full";
      break;
    case Failure::kWriteError:
      cause = "write error";
      break;
    case Failure::kTooSlow:
      cause = "writer too slow";
      break;
    default:
      break;
  }
  return std::string("Log: ") + cause + ", " + std::to_string(notWritten_) +
         (notWritten_ == 1 ? " frame" : " frames") + " not written";
}

uint64_t TransmissionLog::FramesNotWritten() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return notWritten_;
}

}  // namespace mms
