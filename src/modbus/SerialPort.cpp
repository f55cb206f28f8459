#include "modbus/SerialPort.h"

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "log/LogSink.h"
#include "common/TrafficCounters.h"
#include "common/Errors.h"

namespace mms {
namespace {

// Input read in one go when dropping stale bytes, and the most of it taken
// before the rest is flushed unseen (a line that never stops talking).
constexpr int kStaleChunk = 256;
constexpr int kMaxStaleChunks = 16;

bool BaudConstant(int baud, speed_t* speed) {
  switch (baud) {
    case 1200:
      *speed = B1200;
      return true;
    case 2400:
      *speed = B2400;
      return true;
    case 4800:
      *speed = B4800;
      return true;
    case 9600:
      *speed = B9600;
      return true;
    case 19200:
      *speed = B19200;
      return true;
    case 38400:
      *speed = B38400;
      return true;
    case 57600:
      *speed = B57600;
      return true;
    case 115200:
      *speed = B115200;
      return true;
    default:
      return false;
  }
}

void ApplyParity(ParityCode parity, termios* tio) {
  tio->c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
  switch (parity) {
    case ParityCode::kNone:
      break;
    case ParityCode::kOdd:
      tio->c_cflag |= PARENB | PARODD;
      break;
    case ParityCode::kEven:
      tio->c_cflag |= PARENB;
      break;
    case ParityCode::kMark:
      tio->c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case ParityCode::kSpace:
      tio->c_cflag |= PARENB | CMSPAR;
      break;
  }
}

void CheckLine(const SerialLineSettings& line) {
  speed_t speed;
  if (!BaudConstant(line.BaudRate, &speed)) {
    throw Error("Unsupported bit rate '" + std::to_string(line.BaudRate) + "'");
  }
  if (static_cast<int>(line.Parity) > static_cast<int>(ParityCode::kSpace)) {
    throw Error("Unsupported parity code " + std::to_string(static_cast<int>(line.Parity)));
  }
  if (line.StopBits == StopBitsCode::kOneAndHalf) {
    throw Error("1.5 stop bits are not supported by the serial driver");
  }
  if (line.StopBits != StopBitsCode::kOne && line.StopBits != StopBitsCode::kTwo) {
    throw Error("Unsupported stop bits code " + std::to_string(static_cast<int>(line.StopBits)));
  }
}

bool Configure(int fd, const SerialLineSettings& line) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  cfmakeraw(&tio);
  tio.c_iflag &= ~static_cast<tcflag_t>(INPCK | IXON | IXOFF | IXANY | IGNPAR | PARMRK);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | HUPCL | CRTSCTS);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  if (line.StopBits == StopBitsCode::kTwo) tio.c_cflag |= CSTOPB;
  ApplyParity(line.Parity, &tio);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  speed_t speed = B0;
  BaudConstant(line.BaudRate, &speed);
  if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0) return false;
  if (tcsetattr(fd, TCSANOW, &tio) != 0) return false;
  // Nobody drives the modem lines; a pty has none, so failure is fine.
  int lines = TIOCM_DTR | TIOCM_RTS;
  ioctl(fd, TIOCMBIC, &lines);
  tcflush(fd, TCIOFLUSH);
  return true;
}

// The kernel's RS-485 mode: the driver raises RTS for each frame it sends.
// Returns 0, or the errno of a driver that refuses.
int EnableRs485(int fd, const SerialLineSettings& line) {
  serial_rs485 rs485{};
  rs485.flags = SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
  rs485.delay_rts_before_send = static_cast<uint32_t>(line.Rs485DelayBeforeSendMs);
  rs485.delay_rts_after_send = static_cast<uint32_t>(line.Rs485DelayAfterSendMs);
  return ioctl(fd, TIOCSRS485, &rs485) == 0 ? 0 : errno;
}

}  // namespace

int CharacterTimeUs(const SerialLineSettings& line) {
  const int bits = 1 + 8 + (line.Parity == ParityCode::kNone ? 0 : 1) +
                   (line.StopBits == StopBitsCode::kTwo ? 2 : 1);
  const int baud = std::max(line.BaudRate, 1);
  return (bits * 1000000 + baud - 1) / baud;
}

int InterByteGapUs(const SerialLineSettings& line) {
  const int bits = 1 + 8 + (line.Parity == ParityCode::kNone ? 0 : 1) +
                   (line.StopBits == StopBitsCode::kTwo ? 2 : 1);
  const int baud = std::max(line.BaudRate, 1);
  // 3.5 characters, computed in whole bits to round only once.
  const int gap = (7 * bits * 500000 + baud - 1) / baud;
  return std::max(gap, 1000);
}

std::string PortOpeningAdvice(const std::string& devicePath, int error) {
  switch (error) {
    case EACCES:
    case EPERM: {
      // The device's own group where it has one; root's group is no advice.
      std::string groupName = "dialout";
      struct stat st {};
      if (stat(devicePath.c_str(), &st) == 0 && st.st_gid != 0) {
        if (const struct group* entry = getgrgid(st.st_gid)) groupName = entry->gr_name;
      }
      return "Permission denied for " + devicePath + ". Serial devices belong to the group \"" +
             groupName + "\": add your user to it (sudo adduser $USER " + groupName +
             "), then log out and log in again, as a new group takes effect at a new login.";
    }
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "There is no device " + devicePath + ": check the Port in Connection > Settings " +
             "and that the adapter is plugged in.";
    case EBUSY:
    case EWOULDBLOCK:
      return devicePath + " is in use by another program.";
    default:
      return std::string();
  }
}

SerialPort::SerialPort(TrafficCounters& counters, LogSink& log, std::function<void()> onTimeout)
    : counters_(counters), log_(log), onTimeout_(std::move(onTimeout)) {}

SerialPort::~SerialPort() { Shutdown(); }

SerialPort::OpenResult SerialPort::Open(const SerialLineSettings& line) {
  CheckLine(line);
  if (io_.IsShutDown()) return OpenResult::kOpenFailed;
  // Outside the lock, so that a driver slow to open never holds up
  // Shutdown(). O_NONBLOCK: neither the open (no carrier) nor any read or
  // write may block.
  const int fd = open(line.DevicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    openError_ = errno;
    return OpenResult::kOpenFailed;
  }
  // TIOCEXCL keeps other programs out (root excepted); flock also stops root
  // and a second open in this process.
  if (!isatty(fd) || flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0 ||
      !Configure(fd, line)) {
    openError_ = errno;
    close(fd);
    return OpenResult::kOpenFailed;
  }
  if (line.Rs485) {
    if (const int error = EnableRs485(fd, line)) {
      close(fd);
      throw Error("The serial driver of " + line.DevicePath +
                  " refused RS-485 mode: " + std::strerror(error));
    }
  }
  auto lock = io_.Lock();
  if (io_.IsShutDown()) {
    close(fd);
    return OpenResult::kOpenFailed;
  }
  openError_ = 0;
  line_ = line;
  timeoutMs_.store(std::clamp(line.TimeoutMs, 0, kMaxTimeoutMs), std::memory_order_relaxed);
  gapUs_ = InterByteGapUs(line);
  perByteUs_ = std::max(CharacterTimeUs(line), 1000);
  io_.Reset(fd);
  return OpenResult::kOpened;
}

void SerialPort::Shutdown() { io_.Shutdown(); }

bool SerialPort::IsOpen() const { return io_.HasFd(); }

void SerialPort::DiscardStale() {
  uint8_t chunk[kStaleChunk];
  for (int i = 0; i < kMaxStaleChunks; ++i) {
    auto lock = io_.Lock();
    if (io_.Fd() < 0) return;
    const ssize_t n = read(io_.Fd(), chunk, sizeof chunk);
    if (n <= 0) return;
    if (i == kMaxStaleChunks - 1) tcflush(io_.Fd(), TCIFLUSH);
    // Counted like any reply, so the status bar's totals match the log.
    log_.LogHandOff(kLogReceived, chunk, static_cast<int>(n));
    counters_.RxBytes.fetch_add(static_cast<uint32_t>(n), std::memory_order_relaxed);
    counters_.RxFrames.fetch_add(1, std::memory_order_relaxed);
    if (n < kStaleChunk) return;
  }
}

void SerialPort::Send(const uint8_t* frame, int length) {
  if (length <= 0 || io_.IsShutDown()) return;
  {
    auto lock = io_.Lock();
    const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs());
    int sent = 0;
    while (sent < length && io_.Fd() >= 0) {
      const ssize_t n = write(io_.Fd(), frame + sent, static_cast<size_t>(length - sent));
      if (n > 0) {
        sent += static_cast<int>(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else if (n < 0 && errno == EAGAIN) {
        if (io_.Wait(POLLOUT, deadline) != InterruptibleFd::WaitResult::kReady) break;
      } else {
        break;
      }
    }
    // The driver still has to clock the frame out; the reply wait starts after.
    lineFreeAt_ = Clock::now() + std::chrono::microseconds(int64_t{sent} * CharacterTimeUs(line_));
    // Under the lock: once Shutdown() has returned, no frame is logged or
    // counted any more, so Disconnect can pause the log without losing one.
    if (io_.IsShutDown()) return;
    log_.LogHandOff(kLogTransmitted, frame, length);
    counters_.TxBytes.fetch_add(static_cast<uint32_t>(length), std::memory_order_relaxed);
    counters_.TxFrames.fetch_add(1, std::memory_order_relaxed);
  }
}

int SerialPort::Receive(uint8_t* buffer, int length, int waitMs) {
  using std::chrono::microseconds;
  using std::chrono::milliseconds;
  using Wait = InterruptibleFd::WaitResult;
  lastReceiveFailed_ = false;
  if (length <= 0) return 0;
  auto lock = io_.Lock();
  const auto start = std::max(Clock::now(), lineFreeAt_) + milliseconds(std::max(waitMs, 0));
  const auto hardEnd = start + microseconds(int64_t{length} * perByteUs_);
  auto deadline = start;
  int got = 0;
  bool failed = false;
  while (got < length) {
    const Wait waited = io_.Wait(POLLIN, deadline);
    if (waited == Wait::kTimeout) break;
    if (waited == Wait::kShutdown) {
      failed = true;
      break;
    }
    const ssize_t n = read(io_.Fd(), buffer + got, static_cast<size_t>(length - got));
    if (n > 0) {
      got += static_cast<int>(n);
      deadline = std::min(Clock::now() + microseconds(gapUs_), hardEnd);
    } else if (!(n < 0 && (errno == EAGAIN || errno == EINTR) && waited == Wait::kReady)) {
      failed = true;  // hung up, unplugged, or an I/O error
      break;
    }
  }
  if (io_.IsShutDown())
    failed = true;
  else if (got > 0)
    return got;  // what came before a failure is still the reply
  lastReceiveFailed_ = failed;
  return failed ? -1 : 0;
}

void SerialPort::ReplyReceived(const uint8_t* buffer, int count) {
  auto lock = io_.Lock();
  if (count > 0 && !io_.IsShutDown()) {
    log_.LogHandOff(kLogReceived, buffer, count);
    counters_.RxBytes.fetch_add(static_cast<uint32_t>(count), std::memory_order_relaxed);
    counters_.RxFrames.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  if (io_.IsShutDown()) return;  // disconnected: no "TIMEOUT" over "Not connected"
  log_.LogHandOff(kLogReceived, buffer, 0);
  if (!lastReceiveFailed_ && onTimeout_) onTimeout_();
}

}  // namespace mms
