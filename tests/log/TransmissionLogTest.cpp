#include "log/TransmissionLog.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/TempDir.h"

namespace mms {
namespace {

using test::ReadWhole;
using test::TempDir;
using test::WriteWhole;

void HandOff(TransmissionLog& log, int direction, std::vector<uint8_t> bytes) {
  log.LogHandOff(direction, bytes.data(), static_cast<int>(bytes.size()));
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "the file ends with a whole line";
  return lines;
}

bool EndsWithWholeLine(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const std::streamoff size = in.tellg();
  if (size == 0) return true;
  char end[2] = {};
  in.seekg(size - 2);
  in.read(end, 2);
  return size >= 2 && end[0] == '\r' && end[1] == '\n';
}

// A frame carrying a 32-bit sequence number and some filler, so that order,
// gaps and torn lines can be read back from the file.
std::vector<uint8_t> NumberedFrame(uint32_t n) {
  std::vector<uint8_t> frame{static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                             static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
  for (uint32_t i = 4; i < 4 + n % 37; ++i) frame.push_back(static_cast<uint8_t>(n + i));
  return frame;
}

int NumberedDirection(uint32_t n) { return n % 2 ? kLogReceived : kLogTransmitted; }

void HandOffNumbered(TransmissionLog& log, uint32_t n) {
  HandOff(log, NumberedDirection(n), NumberedFrame(n));
}

std::string ExpectedLine(uint32_t n) {
  const char* mark = NumberedDirection(n) == kLogReceived ? "rx" : "tx";
  std::string line = std::string("<") + mark + ">";
  for (uint8_t byte : NumberedFrame(n)) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X ", byte);
    line += text;
  }
  return line + "</" + mark + ">";
}

// Checks every line against the frame its number says it came from and
// returns the numbers in file order.
std::vector<uint32_t> NumbersOf(const std::string& text) {
  std::vector<uint32_t> numbers;
  for (const std::string& line : Lines(text)) {
    unsigned b[4] = {};
    if (std::sscanf(line.c_str(), "<%*2[tr]x>0x%2X 0x%2X 0x%2X 0x%2X ", &b[0], &b[1], &b[2],
                    &b[3]) != 4) {
      ADD_FAILURE() << "malformed line: " << line;
      continue;
    }
    const uint32_t n = b[0] << 24 | b[1] << 16 | b[2] << 8 | b[3];
    EXPECT_EQ(line, ExpectedLine(n));
    numbers.push_back(n);
  }
  return numbers;
}

TEST(TransmissionLogLines, EachFrameBecomesOneLineOfUpperCaseHexBytes) {
  TempDir dir;
  const std::string path = dir.File("Transmission.log");
  TransmissionLog log;
  ASSERT_TRUE(log.CreateLogFile(path));
  log.Resume();
  HandOff(log, kLogTransmitted, {0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B});
  HandOff(log, kLogReceived, {0x01, 0x03, 0x04, 0x00, 0x01, 0x00, 0x02, 0x2A, 0x32});
  HandOff(log, kLogTransmitted, {10, 255, 5});
  HandOff(log, kLogReceived, {});
  log.LogHandOff(kLogReceived, nullptr, 5);   // no buffer: no bytes
  log.LogHandOff(kLogReceived, nullptr, -1);  // a failed receive
  HandOff(log, 0, {1});                       // not a direction: ignored
  HandOff(log, 3, {1});
  std::vector<uint8_t> longFrame(301);
  for (size_t i = 0; i < longFrame.size(); ++i) longFrame[i] = static_cast<uint8_t>(i);
  HandOff(log, kLogTransmitted, longFrame);  // cut to 300 bytes
  log.Pause();
  log.CloseLogFile();

  std::string longLine = "<tx>";
  for (int i = 0; i < 300; ++i) {
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X ", i & 0xFF);
    longLine += byte;
  }
  longLine += "</tx>\r\n";
  EXPECT_EQ(ReadWhole(path),
            "<tx>0x01 0x03 0x00 0x00 0x00 0x02 0xC4 0x0B </tx>\r\n"
            "<rx>0x01 0x03 0x04 0x00 0x01 0x00 0x02 0x2A 0x32 </rx>\r\n"
            "<tx>0x0A 0xFF 0x05 </tx>\r\n"
            "<rx></rx>\r\n"
            "<rx></rx>\r\n"
            "<rx></rx>\r\n" +
                longLine);
}

TEST(TransmissionLogLifecycle, PauseWritesWhatIsQueuedAndFramesWhilePausedAreDropped) {
  TempDir dir;
  const std::string path = dir.File("Transmission.log");
  TransmissionLog log;
  ASSERT_TRUE(log.CreateLogFile(path));
  HandOffNumbered(log, 1000);  // before the first Resume: dropped
  log.Resume();
  for (uint32_t n = 0; n < 200; ++n) HandOffNumbered(log, n);  // fewer than the queue holds
  log.Pause();
  const std::string afterPause = ReadWhole(path);
  std::vector<uint32_t> expected(200);
  for (uint32_t n = 0; n < 200; ++n) expected[n] = n;
  EXPECT_EQ(NumbersOf(afterPause), expected);

  HandOffNumbered(log, 2000);  // paused: dropped, not kept for later
  log.Resume();
  HandOffNumbered(log, 201);
  log.Pause();
  expected.push_back(201);
  EXPECT_EQ(NumbersOf(ReadWhole(path)), expected);
  EXPECT_EQ(log.OverflowCount(), 0u);
}

TEST(TransmissionLogLifecycle, EveryConnectStartsAnEmptyFile) {
  TempDir dir;
  const std::string path = dir.File("Transmission.log");
  WriteWhole(path, "from an earlier run\r\n");
  TransmissionLog log;
  ASSERT_TRUE(log.CreateLogFile(path));
  EXPECT_EQ(ReadWhole(path), "");
  log.Resume();
  HandOffNumbered(log, 1);
  log.Pause();
  log.CloseLogFile();
  EXPECT_FALSE(log.HasLogFile());

  ASSERT_TRUE(log.CreateLogFile(path));
  log.Resume();
  HandOffNumbered(log, 2);
  log.Pause();
  EXPECT_EQ(NumbersOf(ReadWhole(path)), std::vector<uint32_t>{2});

  // A connect while the file is still open (no close in between) reopens it.
  ASSERT_TRUE(log.CreateLogFile(path));
  log.Resume();
  HandOffNumbered(log, 3);
  log.Pause();
  log.CloseLogFile();
  EXPECT_EQ(NumbersOf(ReadWhole(path)), std::vector<uint32_t>{3});
}

TEST(TransmissionLogLifecycle, CreateFailsWithoutHarmAndTheConnectionRunsWithoutALog) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("folder"));
  ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
  const std::string held = dir.File("held.log");
  TransmissionLog holder;
  ASSERT_TRUE(holder.CreateLogFile(held));
  holder.Resume();
  HandOffNumbered(holder, 7);
  holder.Pause();

  TransmissionLog log;
  for (const std::string& path :
       {dir.File("folder"), dir.File("pipe"), dir.File("missing/Transmission.log"), held}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(log.CreateLogFile(path));
    EXPECT_FALSE(log.HasLogFile());
  }
  log.Resume();
  HandOffNumbered(log, 8);
  log.Pause();
  EXPECT_EQ(NumbersOf(ReadWhole(held)), std::vector<uint32_t>{7}) << "the held log is untouched";
  EXPECT_EQ(log.StatusText(), "Log: no log file, 1 frame not written");

  holder.CloseLogFile();  // after disconnect another program may take the file
  const int fd = open(held.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
  close(fd);
  EXPECT_TRUE(log.CreateLogFile(held));
  EXPECT_EQ(log.StatusText(), "") << "a new file starts a new count";
}

TEST(TransmissionLogConcurrency, LinesStayWholeAndInOrderWhilePausingAndResuming) {
  TempDir dir;
  const std::string path = dir.File("Transmission.log");
  TransmissionLog log;
  ASSERT_TRUE(log.CreateLogFile(path));
  log.Resume();
  std::atomic<bool> done{false};
  constexpr uint32_t kFrames = 10000;
  std::thread producer([&] {
    for (uint32_t n = 0; n < kFrames; ++n) {
      HandOffNumbered(log, n);
      std::this_thread::yield();
    }
    done = true;
  });
  int toggles = 0;
  while (!done) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    log.Pause();
    EXPECT_TRUE(EndsWithWholeLine(path)) << "paused between lines";
    log.Resume();
    ++toggles;
  }
  producer.join();
  log.Pause();
  log.CloseLogFile();

  const std::vector<uint32_t> numbers = NumbersOf(ReadWhole(path));
  for (size_t i = 1; i < numbers.size(); ++i) {
    ASSERT_LT(numbers[i - 1], numbers[i]) << "lines in hand-over order";
  }
  EXPECT_GT(toggles, 0);
  EXPECT_GT(numbers.size(), 0u);
}

// A producer far faster than the disk waits for room instead of losing frames.
TEST(TransmissionLogConcurrency, EveryFrameIsWrittenWhenTheProducerOutrunsTheWriter) {
  TempDir dir;
  const std::string path = dir.File("Transmission.log");
  TransmissionLog log;
  ASSERT_TRUE(log.CreateLogFile(path));
  log.Resume();
  constexpr uint32_t kFrames = 20000;
  std::thread producer([&] {
    for (uint32_t n = 0; n < kFrames; ++n) HandOffNumbered(log, n);
  });
  producer.join();
  log.Pause();
  const std::vector<uint32_t> numbers = NumbersOf(ReadWhole(path));
  EXPECT_EQ(numbers.size(), kFrames);
  EXPECT_EQ(log.OverflowCount(), 0u);
  EXPECT_EQ(log.StatusText(), "");
  for (size_t i = 1; i < numbers.size(); ++i) ASSERT_LT(numbers[i - 1], numbers[i]);
}

// A write that fails (here: past the process's file size limit, EFBIG) is
// counted and shown, and the line it cut short is taken off again.
TEST(TransmissionLogFailures, WriteErrorsAreCountedAndLeaveWholeLines) {
  TempDir dir;
  const std::string path = dir.File("Transmission.log");
  TransmissionLog log;
  ASSERT_TRUE(log.CreateLogFile(path));
  log.Resume();
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldSignal = signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  for (uint32_t n = 0; n < 50; ++n) HandOffNumbered(log, n);
  log.Pause();
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldSignal);

  const std::vector<uint32_t> numbers = NumbersOf(ReadWhole(path));  // whole lines only
  ASSERT_GT(numbers.size(), 0u);
  EXPECT_LT(numbers.size(), 50u);
  EXPECT_EQ(numbers.back(), numbers.size() - 1) << "the first lines, none missing";
  EXPECT_EQ(log.FramesNotWritten(), 50 - numbers.size());
  EXPECT_EQ(log.StatusText(),
            "Log: write error, " + std::to_string(50 - numbers.size()) + " frames not written");

  ASSERT_TRUE(log.CreateLogFile(path));
  EXPECT_EQ(log.StatusText(), "");
}

// At the size limit the file becomes "<name>.1" and a new one starts; with
// no limit it just grows.
TEST(TransmissionLogFailures, TheFileIsRotatedAtItsSizeLimit) {
  TempDir dir;
  const std::string path = dir.File("Transmission.log");
  WriteWhole(path + ".1", "from an older rotation\r\n");
  constexpr uint32_t kFrames = 12000;  // about 1.4 MB of lines
  for (int32_t limitMB : {1, 0}) {
    SCOPED_TRACE(limitMB);
    TransmissionLog log;
    log.SetSizeLimitMB(limitMB);
    ASSERT_TRUE(log.CreateLogFile(path));
    log.Resume();
    for (uint32_t n = 0; n < kFrames; ++n) HandOffNumbered(log, n);
    log.Pause();
    log.CloseLogFile();
    std::vector<uint32_t> numbers;
    if (limitMB > 0) {
      const std::string rotated = ReadWhole(path + ".1");
      EXPECT_LE(rotated.size(), 1u << 20);
      EXPECT_GT(rotated.size(), (1u << 20) - 2000) << "filled up to the limit";
      numbers = NumbersOf(rotated);
    }
    for (uint32_t n : NumbersOf(ReadWhole(path))) numbers.push_back(n);
    ASSERT_EQ(numbers.size(), kFrames);
    for (uint32_t n = 0; n < kFrames; ++n) ASSERT_EQ(numbers[n], n);
    EXPECT_EQ(log.StatusText(), "");
  }
}

TEST(TransmissionLogLifecycle, ThreadIsNamedAndStopsCleanlyWhateverItsState) {
  {
    TransmissionLog log;
    bool named = false;
    // The name is set by the thread itself as it starts.
    for (int attempt = 0; attempt < 1000 && !named; ++attempt) {
      for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        named = named || name == "LogThread";
      }
      if (!named) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(named);
  }  // never resumed
  TempDir dir;
  const std::string path = dir.File("Transmission.log");
  {
    TransmissionLog log;
    ASSERT_TRUE(log.CreateLogFile(path));
    log.Resume();
    for (uint32_t n = 0; n < 100; ++n) HandOffNumbered(log, n);
  }  // destroyed while running with frames queued: they are written
  EXPECT_EQ(NumbersOf(ReadWhole(path)).size(), 100u);
}

}  // namespace
}  // namespace mms
