#include "modbus/Headless.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "common/Errors.h"
#include "common/IniFile.h"
#include "common/SettingsFile.h"
#include "common/TrafficCounters.h"
#include "common/UiDispatcher.h"
#include "common/WindowTable.h"
#include "datawindow/WindowFile.h"
#include "datawindow/WindowsSet.h"
#include "log/CsvLogWriter.h"
#include "log/TransmissionLog.h"
#include "modbus/Connection.h"
#include "modbus/PollObservers.h"
#include "modbus/PollingThread.h"

namespace mms {
namespace {

volatile std::sig_atomic_t gSignalled = 0;

void OnSignal(int) { gSignalled = 1; }

// Ctrl+C and SIGTERM end the run instead of the process, for the run only.
class SignalStop {
 public:
  SignalStop() {
    gSignalled = 0;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
  }
  ~SignalStop() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
  }

 private:
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};

// The main thread plays the user-interface thread: it runs what the
// connection posts between its checks of the clock and the signals.
class HeadlessDispatcher : public UiDispatcher {
 public:
  bool RunAndWait(const std::function<void()>& task) override {
    std::mutex doneMutex;
    std::condition_variable doneWake;
    bool done = false;
    Post([&] {
      task();
      std::lock_guard<std::mutex> lock(doneMutex);
      done = true;
      doneWake.notify_all();
    });
    std::unique_lock<std::mutex> lock(doneMutex);
    doneWake.wait(lock, [&] { return done; });
    return true;
  }
  void Post(std::function<void()> task) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      tasks_.push_back(std::move(task));
    }
    wake_.notify_all();
  }
  // Runs what is posted, waiting at most `pause` for something to come.
  void RunPosted(std::chrono::milliseconds pause) {
    std::deque<std::function<void()>> tasks;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait_for(lock, pause, [this] { return !tasks_.empty(); });
      tasks.swap(tasks_);
    }
    for (auto& task : tasks) task();
  }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
};

class HeadlessView : public ConnectionView {
 public:
  explicit HeadlessView(std::ostream& err) : err_(err) {}
  void ShowPortOpeningError(const std::string& advice) override {
    err_ << "Port opening error!" << (advice.empty() ? "" : " " + advice) << "\n";
    failed = true;
  }
  void ShowError(const std::string& message) override {
    err_ << message << "\n";
    failed = true;
  }
  void SetConnectionText(const std::string&) override {}
  void SetConnectedControls(bool) override {}
  bool failed = false;

 private:
  std::ostream& err_;
};

struct HeadlessWindow {
  std::string Caption;
  std::shared_ptr<WindowRecord> Record;
};

bool ParseSeconds(const std::string& text, double* seconds) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(value > 0) || value > 1e9) return false;
  *seconds = value;
  return true;
}

constexpr const char* kUsageHint = "Try 'ModbusMasterSimulator --help'.\n";

}  // namespace

bool WantsHeadless(const std::vector<std::string>& arguments) {
  for (const std::string& a : arguments)
    if (a == "--headless") return true;
  return false;
}

std::optional<HeadlessOptions> ParseHeadlessArguments(const std::vector<std::string>& arguments,
                                                      std::ostream& err) {
  HeadlessOptions options;
  bool haveSet = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    if (a == "--headless" || a == "--csv" || a == "--duration") {
      if (!hasValue) {
        err << a << " needs a value\n" << kUsageHint;
        return std::nullopt;
      }
      const std::string& value = arguments[++i];
      if (a == "--headless") {
        options.SetPath = value;
        haveSet = true;
      } else if (a == "--csv") {
        options.CsvPath = value;
      } else if (!ParseSeconds(value, &options.DurationSeconds)) {
        err << "--duration: '" << value << "' is not a number of seconds above 0\n" << kUsageHint;
        return std::nullopt;
      }
    } else {
      err << "unknown argument '" << a << "'\n" << kUsageHint;
      return std::nullopt;
    }
  }
  if (!haveSet || options.SetPath.empty()) {
    err << "--headless needs a windows set file (.kvs)\n" << kUsageHint;
    return std::nullopt;
  }
  return options;
}

int RunHeadless(const HeadlessOptions& options, std::ostream& out, std::ostream& err,
                const std::atomic<bool>* stop) {
  // Everything is read before anything is opened: a bad file costs nothing.
  std::vector<HeadlessWindow> windows;
  std::vector<WindowFile> files;
  std::unique_ptr<IniFile> settings;
  try {
    const WindowsSetReader set(options.SetPath);
    const int32_t count = set.NumOfFiles();
    if (count <= 0) throw Error(options.SetPath + " holds no windows");
    if (count > kMaxDataWindows) throw Error(options.SetPath + " holds more than 65 windows");
    for (int32_t i = 0; i < count; ++i) {
      const std::string path = set.File(i);
      files.push_back(LoadWindowFile(path));
      windows.push_back({path, std::make_shared<WindowRecord>()});
    }
    settings = std::make_unique<IniFile>(options.SettingsPath.empty() ? SettingsFilePath()
                                                                      : options.SettingsPath);
    settings->RequireRead();
  } catch (const Error& e) {
    err << e.what() << "\n";
    return kHeadlessBadInput;
  }

  WindowTable table;
  for (size_t i = 0; i < windows.size(); ++i) {
    const WindowFile& file = files[i];
    WindowRecord& record = *windows[i].Record;
    record.SetFunction(file.Function);
    record.SetDeviceID(file.DeviceID);
    record.SetAddress(file.Address);
    record.SetLength(file.Length);
    table.Add(windows[i].Record);
  }

  auto writer = std::make_shared<CsvLogWriter>();
  PollObserverFanOut observers;
  if (!options.CsvPath.empty()) {
    try {
      writer->Start(options.CsvPath);
    } catch (const Error& e) {
      err << e.what() << "\n";
      return kHeadlessBadInput;
    }
    for (size_t i = 0; i < files.size(); ++i) {
      CsvLogWindow window{windows[i].Caption, CellView{}};
      window.View.Format = CellFormat{files[i].Display.Encoding, files[i].Display.Ascii, '.'};
      window.View.Base = files[i].Display.Base;
      window.View.Aliases.assign(files[i].Alias.begin(),
                                 files[i].Alias.begin() + files[i].StoredOffsets());
      writer->SetWindow(static_cast<int>(i), std::move(window));
    }
    observers.Add(std::make_shared<CsvLogObserver>(writer));
  }

  TrafficCounters counters;
  std::atomic<int32_t> scanRate{0};
  std::atomic<uint8_t> protocolMode{kModbusRtu};
  HeadlessDispatcher dispatcher;
  HeadlessView view(err);
  TransmissionLog log;
  PollingThread pool(table, observers, scanRate);
  Connection connection(counters, scanRate, protocolMode, pool, log, dispatcher, view);
  connection.SetLogPath(options.LogPath);

  const SignalStop signals;
  try {
    connection.Connect(*settings);
  } catch (const Error& e) {
    err << settings->Path() << ": " << e.what() << "\n";
    return kHeadlessBadInput;
  }
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(options.DurationSeconds));
  for (;;) {
    dispatcher.RunPosted(std::chrono::milliseconds(100));
    if (gSignalled || view.failed || (stop && stop->load())) break;
    if (options.DurationSeconds > 0 && Clock::now() >= deadline) break;
  }
  // The pass under way ends with the transport still open, so the windows
  // after the current one are not charged an error for the closing; a pass
  // that takes longer (a silent device) is cut short.
  pool.RequestStop();
  const auto passDeadline = Clock::now() + std::chrono::seconds(3);
  while (pool.Running() && Clock::now() < passDeadline) {
    dispatcher.RunPosted(std::chrono::milliseconds(10));
  }
  std::vector<PollResult> results(windows.size());
  for (size_t i = 0; i < windows.size(); ++i) {
    results[i].Sequence = ~uint64_t{0};
    windows[i].Record->TakeResult(&results[i]);
  }
  connection.Disconnect();
  pool.Shutdown();
  writer->Stop();
  connection.Shutdown();

  bool passed = !view.failed;
  for (size_t i = 0; i < windows.size(); ++i) {
    const PollResult& result = results[i];
    out << windows[i].Caption << " " << result.Polls << " " << result.Valid << " " << result.Errors
        << "\n";
    if (result.Valid == 0 || result.Errors != 0) passed = false;
  }
  if (writer->Dropped() || writer->WriteErrors()) {
    err << options.CsvPath << ": " << writer->Dropped() << " polls not logged, "
        << writer->WriteErrors() << " write errors\n";
    passed = false;
  }
  out.flush();
  return passed ? kHeadlessPassed : kHeadlessFailed;
}

}  // namespace mms
