// The write branch of the polling thread against libmodbus: ranges of coils
// and registers (15, 16), mask write (22), read/write (23) and broadcasts.
#include <gtest/gtest.h>

#include "common/TrafficCounters.h"
#include "modbus/ConnectionSettings.h"
#include "modbus/SerialPort.h"
#include "modbus/TcpClient.h"
#include "polling/RealPeerMaster.h"
#include "support/LibmodbusSlaves.h"
#include "support/RecordingLogSink.h"

namespace mms::test {
namespace {

struct Master : RealPeerMaster {
  Master() : RealPeerMaster(4, 10) {}
  // Queues `request` and waits until the polling thread has sent it.
  WriteOutcome Write(const WriteRequest& request) {
    const uint64_t before = record->LastWriteOutcome().Sequence;
    record->QueueWrite(request);
    EXPECT_TRUE(Eventually([&] { return record->LastWriteOutcome().Sequence != before; }));
    return record->LastWriteOutcome();
  }
};

WriteRequest Request(uint8_t function, uint8_t device, uint16_t address, uint16_t count,
                     std::initializer_list<uint16_t> values) {
  WriteRequest r;
  r.WriteFunction = function;
  r.WriteDeviceID = device;
  r.WriteAddress = address;
  r.WriteCount = count;
  std::copy(values.begin(), values.end(), r.WriteValues);
  return r;
}

TEST(RangeWritesOverPeers, RangesMaskAndReadWriteReachTheSlaveAndReadBack) {
  LibmodbusTcpSlave slave;
  Master master;
  master.tcp = std::make_shared<TcpClient>(master.counters, master.log);
  master.tcp->Open("127.0.0.1", std::to_string(slave.Port()), 2000);
  master.pool.Resume(master.tcp, kModbusTcp);

  // 1968 coils, every third one on: the largest range one request carries.
  WriteRequest coils = Request(15, 1, 10, 1968, {});
  for (int i = 0; i < 1968; i += 3) coils.WriteValues[i / 16] |= uint16_t(1u << (i % 16));
  EXPECT_EQ(master.Write(coils).Result, trOk);
  for (int i : {0, 1, 3, 1965, 1967}) EXPECT_EQ(slave.Coil(10 + i), i % 3 == 0) << i;

  WriteRequest registers = Request(16, 1, 100, 123, {});
  for (int i = 0; i < 123; ++i) registers.WriteValues[i] = uint16_t(1000 + i);
  EXPECT_EQ(master.Write(registers).Result, trOk);
  EXPECT_EQ(slave.HoldingRegister(100), 1000);
  EXPECT_EQ(slave.HoldingRegister(222), 1122);

  slave.SetHoldingRegister(5, 0x1234);
  EXPECT_EQ(master.Write(Request(22, 1, 5, 1, {0xFF00, 0x0056})).Result, trOk);
  EXPECT_EQ(slave.HoldingRegister(5), 0x1256);

  WriteRequest readWrite = Request(23, 1, 300, 2, {7, 8});
  readWrite.ReadAddress = 100;
  readWrite.ReadCount = 3;
  const WriteOutcome outcome = master.Write(readWrite);
  EXPECT_EQ(outcome.Result, trOk);
  ASSERT_EQ(outcome.WordCount, 3);
  EXPECT_EQ(outcome.Words[0], 1000);
  EXPECT_EQ(outcome.Words[2], 1002);
  EXPECT_EQ(slave.HoldingRegister(301), 8);
}

TEST(RangeWritesOverPeers, BroadcastWritesAreSentReadsAreRefusedUnsent) {
  LibmodbusRtuSlave slave(1);
  Master master;
  master.record->SetDeviceID(kBroadcastId);
  master.serial = std::make_shared<SerialPort>(master.counters, master.log);
  SerialLineSettings line;
  line.DevicePath = slave.DevicePath();
  line.BaudRate = 115200;
  line.TimeoutMs = 1000;
  ASSERT_EQ(master.serial->Open(line), SerialPort::OpenResult::kOpened);
  master.pool.Resume(master.serial, kModbusRtu);

  ASSERT_TRUE(Eventually([&] { return master.Result().Last == PollOutcome::BroadcastRead; }));
  EXPECT_EQ(master.counters.TxFrames.load(), 0u);

  const WriteOutcome outcome = master.Write(Request(16, kBroadcastId, 2, 2, {11, 12}));
  EXPECT_TRUE(outcome.Broadcast);
  EXPECT_EQ(outcome.Result, trOk);
  EXPECT_TRUE(Eventually([&] { return slave.HoldingRegister(3) == 12; }));
  const PollResult result = master.Result();
  EXPECT_EQ(result.Last, PollOutcome::BroadcastSent);
  EXPECT_EQ(result.Polls, 1u);
  EXPECT_EQ(result.Errors, 0u);
  EXPECT_EQ(master.counters.TxFrames.load(), 1u);
  EXPECT_EQ(master.counters.RxFrames.load(), 0u);
}

}  // namespace
}  // namespace mms::test
