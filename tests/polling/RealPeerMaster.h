#pragma once
// The program's side of one connection over the real transports (TCP on
// loopback, RTU on a pseudo-terminal), polling one window of holding
// registers, or none.
#include <atomic>
#include <memory>
#include <string>

#include "common/TrafficCounters.h"
#include "modbus/ConnectionSettings.h"
#include "modbus/SerialPort.h"
#include "modbus/TcpClient.h"
#include "polling/PollHarness.h"
#include "support/RecordingLogSink.h"

namespace mms::test {

struct RealPeerMaster {
  RealPeerMaster(uint16_t length, int32_t scanRateMs, bool withWindow = true)
      : scanRate(scanRateMs) {
    record->SetFunction(3);
    record->SetLength(length);
    if (withWindow) table.Add(record);
  }
  ~RealPeerMaster() {
    if (tcp) tcp->Shutdown();
    if (serial) serial->Shutdown();
    ui.Shutdown();
    pool.Shutdown();
  }
  void ConnectTcp(uint16_t port, int timeoutMs = 1000) {
    tcp = std::make_shared<TcpClient>(counters, log);
    tcp->Open("127.0.0.1", std::to_string(port), timeoutMs);
    pool.Resume(tcp, kModbusTcp);
  }
  void ConnectRtu(const std::string& device, int timeoutMs = 1000) {
    serial = std::make_shared<SerialPort>(counters, log);
    SerialLineSettings line;
    line.DevicePath = device;
    line.BaudRate = 115200;
    line.TimeoutMs = timeoutMs;
    ASSERT_EQ(serial->Open(line), SerialPort::OpenResult::kOpened);
    pool.Resume(serial, kModbusRtu);
  }
  // The window's latest result, whatever was taken before.
  PollResult Result() const {
    PollResult result;
    result.Sequence = ~0ull;
    record->TakeResult(&result);
    return result;
  }

  WindowTable table;
  std::shared_ptr<WindowRecord> record = std::make_shared<WindowRecord>();
  TestUiThread ui;
  RecordingWindows windows{table, ui.Id()};
  std::atomic<int32_t> scanRate;
  TrafficCounters counters;
  RecordingLogSink log;
  std::shared_ptr<TcpClient> tcp;
  std::shared_ptr<SerialPort> serial;
  PollingThread pool{table, windows, scanRate};
};

}  // namespace mms::test
