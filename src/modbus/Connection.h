#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "common/TrafficCounters.h"

namespace mms {

class TransmissionLog;
class IniFile;
class PollingThread;
class SerialPort;
class TcpClient;
class UiDispatcher;

// What Connect and Disconnect change in the main window. Called on the
// user-interface thread only.
class ConnectionView {
 public:
  virtual ~ConnectionView() = default;
  // The "Port opening error!" message box, with `advice` (may be empty) below.
  virtual void ShowPortOpeningError(const std::string& advice) = 0;
  // Status panel 0.
  virtual void SetConnectionText(const std::string& text) = 0;
  // connectAction, disconnectAction, connectButton, disconnectButton.
  virtual void SetConnectedControls(bool connected) = 0;
};

// The Connect and Disconnect commands: open the serial port or the TCP
// connection from the settings, start the polling thread and the
// transmission log, and undo it again. Lives on the user-interface thread.
class Connection {
 public:
  Connection(TrafficCounters& counters, std::atomic<int32_t>& scanRate,
             std::atomic<uint8_t>& protocolMode, PollingThread& pool, TransmissionLog& log,
             UiDispatcher& dispatcher, ConnectionView& view);
  ~Connection();

  // ConnectCommand over the settings just read. Every value is converted
  // before anything is opened, so a bad value (mms::Error with its message)
  // leaves nothing half-open; only ProtocolMode, read first, has changed.
  // The log file is created (bounded by LogSizeLimitMB) and its writer
  // resumed also when the port fails to open, and before polling starts, so
  // that no frame misses the log.
  void Connect(const IniFile& settings);

  // DisconnectCommand: stop request, 50 ms, transport shut down (a
  // transaction in progress ends at once), writer paused once nothing more
  // can be logged, "Not connected", log closed. Never waits for the polling
  // thread.
  void Disconnect();

  // Exit: shuts the transport down so the polling thread can be joined.
  void Shutdown();

  bool Connected() const { return connected_; }
  // Where the log is created; "Transmission.log" in the current directory.
  void SetLogPath(std::string path) { logPath_ = std::move(path); }

 private:
  void ShutdownTransport();

  TrafficCounters& counters_;
  std::atomic<int32_t>& scanRate_;
  std::atomic<uint8_t>& protocolMode_;
  PollingThread& pool_;
  TransmissionLog& log_;
  UiDispatcher& dispatcher_;
  ConnectionView& view_;
  std::string logPath_ = "Transmission.log";

  // The transport of the current connection; the polling thread holds its
  // own reference while it uses it.
  std::shared_ptr<SerialPort> serial_;
  std::shared_ptr<TcpClient> tcp_;
  bool connected_ = false;
  // Tells a "TIMEOUT" posted by an earlier connection from the current one.
  std::shared_ptr<std::atomic<uint64_t>> generation_ = std::make_shared<std::atomic<uint64_t>>(0);
};

}  // namespace mms
