#include "log/TransmissionLog.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace mms {
namespace {

// "<tx>" + "0xHH " per byte + "</tx>\r\n"
constexpr size_t kMaxLineLength = 4 + 5 * TransmissionLog::kMaxFrameBytes + 5 + 2;

size_t FormatLine(int direction, const uint8_t* bytes, int count, char* line) {
  static const char kHex[] = "0123456789ABCDEF";
  const char* open = direction == kLogTransmitted ? "<tx>" : "<rx>";
  const char* close = direction == kLogTransmitted ? "</tx>\r\n" : "</rx>\r\n";
  char* out = line;
  std::memcpy(out, open, 4);
  out += 4;
  for (int i = 0; i < count; ++i) {
    *out++ = '0';
    *out++ = 'x';
    *out++ = kHex[bytes[i] >> 4];
    *out++ = kHex[bytes[i] & 0x0F];
    *out++ = ' ';
  }
  std::memcpy(out, close, 7);
  out += 7;
  return static_cast<size_t>(out - line);
}

// One write(2) per line; only a short write (a full disk) needs a second one
// to finish the same line. A failure loses the line, as logging must not stop
// the connection.
void WriteLine(int fd, const char* line, size_t length) {
  size_t done = 0;
  while (done < length) {
    const ssize_t n = write(fd, line + done, length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

}  // namespace

TransmissionLog::TransmissionLog() : queue_(kQueueEntries), thread_([this] { Run(); }) {}

TransmissionLog::~TransmissionLog() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  work_.notify_one();
  thread_.join();
  if (fd_ >= 0) close(fd_);
}

void TransmissionLog::Run() {
  pthread_setname_np(pthread_self(), "LogThread");  // a debugger aid only
  Entry entry;
  char line[kMaxLineLength];
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    work_.wait(lock, [this] { return stop_ || size_ > 0; });
    if (size_ == 0) break;  // stopping, and everything queued is written
    const Entry& front = queue_[head_];
    entry.direction = front.direction;
    entry.count = front.count;
    std::memcpy(entry.bytes, front.bytes, static_cast<size_t>(front.count));
    head_ = (head_ + 1) % kQueueEntries;
    --size_;
    const int fd = fd_;
    if (fd >= 0) {
      writing_ = true;
      lock.unlock();
      WriteLine(fd, line, FormatLine(entry.direction, entry.bytes, entry.count, line));
      lock.lock();
      writing_ = false;
    }
    idle_.notify_all();
  }
  idle_.notify_all();
}

void TransmissionLog::WaitUntilIdle(std::unique_lock<std::mutex>& lock) {
  idle_.wait(lock, [this] { return size_ == 0 && !writing_; });
}

void TransmissionLog::LogHandOff(int direction, const uint8_t* bytes, int count) {
  if (direction != kLogTransmitted && direction != kLogReceived) return;
  if (bytes == nullptr || count < 0) count = 0;
  if (count > kMaxFrameBytes) count = kMaxFrameBytes;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (paused_) return;
    if (size_ == kQueueEntries) {
      ++overflow_;
      return;
    }
    Entry& entry = queue_[(head_ + size_) % kQueueEntries];
    entry.direction = direction;
    entry.count = count;
    if (count > 0) std::memcpy(entry.bytes, bytes, static_cast<size_t>(count));
    ++size_;
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

// The lock is taken before truncating, so a log another program holds is
// left as it is. O_NONBLOCK keeps a FIFO in the way from blocking the open.
bool TransmissionLog::CreateLogFile(const std::string& path) {
  CloseLogFile();  // our own earlier lock would refuse the new one
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat st;
  const bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                  ftruncate(fd, 0) == 0 && fcntl(fd, F_SETFL, 0) == 0;
  if (!ok) {
    close(fd);
    return false;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  fd_ = fd;
  return true;
}

bool TransmissionLog::HasLogFile() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return fd_ >= 0;
}

uint64_t TransmissionLog::OverflowCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return overflow_;
}

}  // namespace mms
