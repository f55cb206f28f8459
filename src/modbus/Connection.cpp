#include "modbus/Connection.h"

#include <chrono>
#include <thread>

#include "log/TransmissionLog.h"
#include "modbus/ConnectionSettings.h"
#include "modbus/PollingThread.h"
#include "modbus/SerialPort.h"
#include "modbus/TcpClient.h"
#include "common/IniFile.h"
#include "common/UiDispatcher.h"

namespace mms {

Connection::Connection(TrafficCounters& counters, std::atomic<int32_t>& scanRate,
                       std::atomic<uint8_t>& protocolMode, PollingThread& pool, TransmissionLog& log,
                       UiDispatcher& dispatcher, ConnectionView& view)
    : counters_(counters),
      scanRate_(scanRate),
      protocolMode_(protocolMode),
      pool_(pool),
      log_(log),
      dispatcher_(dispatcher),
      view_(view) {}

Connection::~Connection() { ShutdownTransport(); }

void Connection::Connect(const IniFile& file) {
  if (connected_) return;
  const ConnectionSettings settings = ReadConnectionSettings(file);
  if (const auto mode = ProtocolModeFromText(settings.Protocol)) protocolMode_.store(*mode);
  const bool serial = protocolMode_.load() == kModbusRtu;

  // Convert everything first: a value that fails must not leave a port open
  // behind a "Not connected" window (our own exclusive lock would then
  // refuse the next Connect).
  SerialLineSettings line;
  int32_t delayBetweenPolls = 0;
  if (serial) {
    line = SerialLineFromSettings(settings);
    delayBetweenPolls = MillisecondsFromText("DelayBetweenPolls", settings.DelayBetweenPolls);
  }
  const int timeoutMs = TimeoutFromText(settings.Timeout);
  const int32_t scanRate = MillisecondsFromText("ScanRate", settings.ScanRate);
  const int32_t logSizeLimitMB = LogSizeLimitFromText(settings.LogSizeLimitMB);

  ++*generation_;
  std::shared_ptr<Transport> transport;
  std::string statusText;
  if (serial) {
    // "TIMEOUT" is set on the user-interface thread; one posted by a
    // connection that has ended since must not overwrite "Not connected".
    auto generation = generation_;
    const uint64_t mine = generation->load();
    ConnectionView* view = &view_;
    UiDispatcher* dispatcher = &dispatcher_;
    auto port = std::make_shared<SerialPort>(counters_, log_, [generation, mine, view, dispatcher] {
      dispatcher->Post([generation, mine, view] {
        if (generation->load() == mine) view->SetConnectionText("TIMEOUT");
      });
    });
    if (port->Open(line) == SerialPort::OpenResult::kOpened) {
      serial_ = port;
      transport = port;
      pool_.SetDelayBetweenPolls(delayBetweenPolls);
      statusText = settings.Port + " " + std::to_string(line.BaudRate);
    } else {
      view_.ShowPortOpeningError(PortOpeningAdvice(line.DevicePath, port->OpenError()));
    }
  } else {
    auto client = std::make_shared<TcpClient>(counters_, log_);
    client->Open(settings.IPAddress, settings.TCPPort, timeoutMs);  // a failed attempt is retried
    tcp_ = client;
    transport = client;
    pool_.RaisePriority();
    statusText = settings.IPAddress + ":" + settings.TCPPort;
  }

  scanRate_.store(scanRate);
  log_.SetSizeLimitMB(logSizeLimitMB);
  log_.CreateLogFile(logPath_);
  log_.Resume();

  if (!transport) return;
  pool_.Resume(transport, protocolMode_.load());
  view_.SetConnectionText(statusText);
  view_.SetConnectedControls(true);
  connected_ = true;
}

void Connection::Disconnect() {
  pool_.RequestStop();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  // The transport first: after its shutdown nothing more is sent, logged or
  // counted, so pausing the log then keeps every frame that went out.
  ShutdownTransport();
  log_.Pause();
  ++*generation_;
  view_.SetConnectedControls(false);
  view_.SetConnectionText("Not connected");
  log_.CloseLogFile();
  connected_ = false;
}

void Connection::Shutdown() {
  ++*generation_;
  ShutdownTransport();
}

void Connection::ShutdownTransport() {
  if (serial_) serial_->Shutdown();
  if (tcp_) tcp_->Shutdown();
  serial_.reset();
  tcp_.reset();
}

}  // namespace mms
