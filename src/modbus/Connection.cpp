#include "modbus/Connection.h"

#include <chrono>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

#include "common/IniFile.h"
#include "common/UiDispatcher.h"
#include "log/TransmissionLog.h"
#include "modbus/ConnectionSettings.h"
#include "modbus/PollingThread.h"
#include "modbus/SerialPort.h"
#include "modbus/RtuOverTcpClient.h"
#include "modbus/TcpClient.h"
#include "modbus/UdpClient.h"

namespace mms {
namespace {

std::shared_ptr<NetClient> MakeNetClient(uint8_t mode, TrafficCounters& counters, LogSink& log) {
  if (mode == kModbusRtuOverTcp) return std::make_shared<RtuOverTcpClient>(counters, log);
  if (mode == kModbusUdp) return std::make_shared<UdpClient>(counters, log);
  return std::make_shared<TcpClient>(counters, log);
}

// Panel 0 for a device reached by address: "host:port", and the mode's name
// for all but plain Modbus TCP.
std::string NetConnectionText(uint8_t mode, const ConnectionSettings& settings) {
  std::string text = settings.IPAddress + ":" + settings.TCPPort;
  if (mode == kModbusRtuOverTcp) text += " Modbus RTU over TCP";
  if (mode == kModbusUdp) text += " Modbus UDP";
  return text;
}

}  // namespace

// One opening: what its thread is to open, and what it found. The thread
// writes the outcome before it posts it; the user-interface thread reads it
// in FinishOpening only.
struct Connection::Opening {
  uint64_t generation = 0;
  std::shared_ptr<SerialPort> serialPort;
  SerialLineSettings line;
  int32_t delayBetweenPolls = 0;
  std::shared_ptr<NetClient> netClient;
  std::string host;
  std::string port;
  int timeoutMs = 0;
  std::string statusText;
  // Outcome.
  bool opened = false;
  std::string error;  // an exception's message; the error box shows it
};

// An opening thread may outlive the Connection (a name lookup cannot be
// interrupted), so it reaches the dispatcher only through here, and only
// until Shutdown().
struct Connection::OpeningLink {
  std::mutex mutex;
  UiDispatcher* dispatcher = nullptr;  // under mutex; null after Shutdown()
  Connection* owner = nullptr;         // user-interface thread only
};

Connection::Connection(TrafficCounters& counters, std::atomic<int32_t>& scanRate,
                       std::atomic<uint8_t>& protocolMode, PollingThread& pool,
                       TransmissionLog& log, UiDispatcher& dispatcher, ConnectionView& view)
    : counters_(counters),
      scanRate_(scanRate),
      protocolMode_(protocolMode),
      pool_(pool),
      log_(log),
      dispatcher_(dispatcher),
      view_(view),
      link_(std::make_shared<OpeningLink>()) {
  link_->dispatcher = &dispatcher_;
  link_->owner = this;
}

Connection::~Connection() { Shutdown(); }

void Connection::Connect(const IniFile& file) {
  if (state_ != State::kDisconnected) return;
  const ConnectionSettings settings = ReadConnectionSettings(file);
  if (const auto mode = ProtocolModeFromText(settings.Protocol)) protocolMode_.store(*mode);
  const uint8_t mode = protocolMode_.load();
  const bool serial = mode == kModbusRtu;

  // Convert everything first: a value that fails must not leave a port open
  // behind a "Not connected" window (our own exclusive lock would then
  // refuse the next Connect).
  auto opening = std::make_shared<Opening>();
  if (serial) {
    opening->line = SerialLineFromSettings(settings);
    opening->delayBetweenPolls =
        MillisecondsFromText("DelayBetweenPolls", settings.DelayBetweenPolls);
  } else {
    PortFromText(settings.TCPPort);
  }
  opening->timeoutMs = TimeoutFromText(settings.Timeout);
  const int32_t scanRate = MillisecondsFromText("ScanRate", settings.ScanRate);
  const int32_t logSizeLimitMB = LogSizeLimitFromText(settings.LogSizeLimitMB);

  opening->generation = ++*generation_;
  if (serial) {
    // "TIMEOUT" is set on the user-interface thread; one posted by a
    // connection that has ended since must not overwrite "Not connected".
    auto generation = generation_;
    const uint64_t mine = opening->generation;
    ConnectionView* view = &view_;
    UiDispatcher* dispatcher = &dispatcher_;
    serial_ = std::make_shared<SerialPort>(counters_, log_, [generation, mine, view, dispatcher] {
      dispatcher->Post([generation, mine, view] {
        if (generation->load() == mine) view->SetConnectionText("TIMEOUT");
      });
    });
    opening->serialPort = serial_;
    opening->statusText = settings.Port + " " + std::to_string(opening->line.BaudRate);
  } else {
    net_ = MakeNetClient(mode, counters_, log_);
    opening->netClient = net_;
    opening->host = settings.IPAddress;
    opening->port = settings.TCPPort;
    opening->statusText = NetConnectionText(mode, settings);
  }

  scanRate_.store(scanRate);
  log_.SetSizeLimitMB(logSizeLimitMB);
  log_.CreateLogFile(logPath_);
  log_.Resume();

  // Connected controls at once, so that Disconnect can cut the opening short.
  state_ = State::kConnecting;
  view_.SetConnectedControls(true);
  view_.SetConnectionText(kConnectingText);
  StartOpening(std::move(opening));
}

void Connection::StartOpening(std::shared_ptr<Opening> opening) {
  auto open = [link = link_, opening] {
    try {
      if (opening->serialPort) {
        opening->opened =
            opening->serialPort->Open(opening->line) == SerialPort::OpenResult::kOpened;
      } else {
        // A failed connect still leaves a usable client: polling goes on.
        opening->netClient->Open(opening->host, opening->port, opening->timeoutMs);
        opening->opened = true;
      }
    } catch (const std::exception& e) {
      opening->error = e.what();
    }
    std::lock_guard<std::mutex> lock(link->mutex);
    if (!link->dispatcher) return;
    link->dispatcher->Post([link, opening] {
      if (link->owner) link->owner->FinishOpening(*opening);
    });
  };
  try {
    std::thread(std::move(open)).detach();
  } catch (const std::system_error& e) {
    opening->error = e.what();
    FinishOpening(*opening);
  }
}

void Connection::FinishOpening(const Opening& opening) {
  if (opening.generation != generation_->load() || state_ != State::kConnecting) {
    // Disconnect came first: nothing of this opening may stay open.
    if (opening.serialPort) opening.serialPort->Shutdown();
    if (opening.netClient) opening.netClient->Shutdown();
    return;
  }
  if (!opening.opened) {
    state_ = State::kDisconnected;
    ShutdownTransport();
    view_.SetConnectedControls(false);
    view_.SetConnectionText("Not connected");
    if (opening.error.empty()) {
      view_.ShowPortOpeningError(
          opening.serialPort
              ? PortOpeningAdvice(opening.line.DevicePath, opening.serialPort->OpenError())
              : std::string());
    } else {
      view_.ShowError(opening.error);
    }
    return;
  }
  state_ = State::kConnected;
  if (opening.serialPort) {
    pool_.SetDelayBetweenPolls(opening.delayBetweenPolls);
    pool_.Resume(opening.serialPort, protocolMode_.load());
  } else {
    pool_.RaisePriority();
    pool_.Resume(opening.netClient, protocolMode_.load());
  }
  view_.SetConnectionText(opening.statusText);
}

void Connection::Disconnect() {
  pool_.RequestStop();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  // The transport first: after its shutdown nothing more is sent, logged or
  // counted, so pausing the log then keeps every frame that went out.
  ShutdownTransport();
  log_.Pause();
  ++*generation_;
  state_ = State::kDisconnected;
  view_.SetConnectedControls(false);
  view_.SetConnectionText("Not connected");
  log_.CloseLogFile();
}

void Connection::Shutdown() {
  ++*generation_;
  {
    std::lock_guard<std::mutex> lock(link_->mutex);
    link_->dispatcher = nullptr;
  }
  link_->owner = nullptr;
  ShutdownTransport();
}

void Connection::ShutdownTransport() {
  if (serial_) serial_->Shutdown();
  if (net_) net_->Shutdown();
  serial_.reset();
  net_.reset();
}

}  // namespace mms
