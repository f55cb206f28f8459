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
class NetClient;
class Transport;
class UiDispatcher;

// What Connect and Disconnect change in the main window. Called on the
// user-interface thread only.
class ConnectionView {
 public:
  virtual ~ConnectionView() = default;
  // The "Port opening error!" message box, with `advice` (may be empty) below.
  virtual void ShowPortOpeningError(const std::string& advice) = 0;
  // The error box, for a failure found only while opening ("Unknown host").
  virtual void ShowError(const std::string& message) = 0;
  // Status panel 0.
  virtual void SetConnectionText(const std::string& text) = 0;
  // connectAction, disconnectAction, connectButton, disconnectButton.
  virtual void SetConnectedControls(bool connected) = 0;
};

// The Connect and Disconnect commands: open the serial port, the TCP
// connection or the UDP socket from the settings, start the polling thread and the
// transmission log, and undo it again. Lives on the user-interface thread;
// the opening itself (name lookup, TCP connect, opening a port) runs on a
// thread of its own, which may take up to Timeout, so no window waits for it.
class Connection {
 public:
  // Panel 0 while the opening is under way.
  static constexpr const char* kConnectingText = "Connecting...";

  Connection(TrafficCounters& counters, std::atomic<int32_t>& scanRate,
             std::atomic<uint8_t>& protocolMode, PollingThread& pool, TransmissionLog& log,
             UiDispatcher& dispatcher, ConnectionView& view);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // ConnectCommand over the settings just read. Every value is converted
  // before anything is opened, so a bad value (mms::Error with its message)
  // leaves nothing half-open; only ProtocolMode, read first, has changed.
  // Then the log file is created (bounded by LogSizeLimitMB) and its writer
  // resumed, the controls switch to connected and the opening starts on its
  // own thread; Connect returns at once. The outcome arrives through the
  // dispatcher: polling starts with the port or connection text in panel 0;
  // a port that fails shows "Port opening error!" and goes back to
  // disconnected; a TCP connect that fails still polls (every transaction
  // tries to connect again and reports a timeout).
  void Connect(const IniFile& settings);

  // DisconnectCommand: stop request, 50 ms, transport shut down (a
  // transaction or an opening in progress ends at once, and the outcome of
  // the opening is ignored), writer paused once nothing more can be logged,
  // "Not connected", log closed. Never waits for the polling thread or the
  // opening.
  void Disconnect();

  // Exit: shuts the transport down so the polling thread can be joined, and
  // cuts the opening off from the dispatcher. Never waits for the opening.
  void Shutdown();

  // Polling (Connect's outcome has arrived and was not a failure).
  bool Connected() const { return state_ == State::kConnected; }
  // Between Connect and the arrival of its outcome.
  bool Connecting() const { return state_ == State::kConnecting; }
  // Where the log is created; "Transmission.log" in the current directory.
  void SetLogPath(std::string path) { logPath_ = std::move(path); }

 private:
  enum class State { kDisconnected, kConnecting, kConnected };
  struct Opening;
  struct OpeningLink;

  void StartOpening(std::shared_ptr<Opening> opening);
  void FinishOpening(const Opening& opening);
  void ShutdownTransport();

  TrafficCounters& counters_;
  std::atomic<int32_t>& scanRate_;
  std::atomic<uint8_t>& protocolMode_;
  PollingThread& pool_;
  TransmissionLog& log_;
  UiDispatcher& dispatcher_;
  ConnectionView& view_;
  std::string logPath_ = "Transmission.log";
  State state_ = State::kDisconnected;

  // The transport of the current connection; the polling thread and the
  // opening thread hold their own references while they use it.
  std::shared_ptr<SerialPort> serial_;
  std::shared_ptr<NetClient> net_;  // TCP, RTU over TCP or UDP
  // How an opening thread reaches back; shared, since it may outlive us.
  std::shared_ptr<OpeningLink> link_;
  // Tells a "TIMEOUT" or an opening's outcome from an earlier connection
  // from the current one.
  std::shared_ptr<std::atomic<uint64_t>> generation_ = std::make_shared<std::atomic<uint64_t>>(0);
};

}  // namespace mms
