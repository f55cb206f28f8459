// The polling thread over the real codec and the in-process transport: what
// the device answers decides what the window shows.
#include <gtest/gtest.h>

#include "modbus/Modbusrtufunctions.h"
#include "polling/PollHarness.h"
#include "support/FakeTransport.h"

namespace mms::test {
namespace {

Bytes WithCrc(Bytes frame) {
  int length = static_cast<int>(frame.size());
  frame.resize(frame.size() + 2);
  AppendCrc(frame.data(), length);
  return frame;
}

TEST(PollOverCodec, RtuRepliesReachTheWindow) {
  WindowTable table;
  auto record = std::make_shared<WindowRecord>();
  record->SetFunction(3);
  record->SetDeviceID(1);
  record->SetAddress(0);
  record->SetLength(2);
  table.Add(record);
  TestUiThread ui;
  RecordingWindows windows(table, ui.Id());
  std::atomic<int32_t> scan{20};
  auto device = std::make_shared<FakeTransport>();
  device->ScriptReply(WithCrc({0x01, 0x03, 0x04, 0x00, 0x0A, 0x00, 0x0B}));
  device->ScriptReply(WithCrc({0x01, 0x83, 0x02}));  // exception
  device->ScriptSilence();
  device->ScriptReply(WithCrc({0x02, 0x03, 0x04, 0x00, 0x0A, 0x00, 0x0B}));  // another device

  Pool pool(table, ui, windows, scan);
  pool.Resume(device, kModbusRtu);
  const std::string expected =
      "poll grid poll error invalid poll error timeout poll error invalid";
  ASSERT_TRUE(Eventually([&] { return windows.Trace(0).rfind(expected, 0) == 0; }))
      << windows.Trace(0);
  ui.Shutdown();
  pool.Shutdown();

  const auto events = windows.Events();
  ASSERT_EQ(events[1].what, "grid");
  EXPECT_EQ(events[1].firstValue, 10);
  EXPECT_EQ(events[1].request.Length, 2);
  // Each poll went out as the same read request.
  const auto sent = device->Sent();
  ASSERT_GE(sent.size(), 4u);
  EXPECT_EQ(sent[0], WithCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x02}));
  EXPECT_EQ(sent[3], sent[0]);
}

TEST(PollOverCodec, QueuedWritesGoOutAsTheirFrames) {
  WindowTable table;
  auto record = std::make_shared<WindowRecord>();
  table.Add(record);
  DirectDispatcher direct;
  RecordingWindows windows(table, std::this_thread::get_id());
  std::atomic<int32_t> scan{20};
  auto device = std::make_shared<FakeTransport>();
  record->QueueWrite(WriteRequest{16, 7, 0x0102, 2, {0x0000, 0x3FC0, 0, 0}});

  Pool pool(table, direct, windows, scan);
  pool.Resume(device, kModbusTcp);
  ASSERT_TRUE(device->WaitForSends(1, kPatience));
  pool.Shutdown();

  const Bytes expected = {0x00, 0x00, 0x00, 0x00, 0x00, 0x0B, 0x07, 0x10, 0x01,
                          0x02, 0x00, 0x02, 0x04, 0x00, 0x00, 0x3F, 0xC0};
  EXPECT_EQ(device->Sent()[0], expected);
}

}  // namespace
}  // namespace mms::test
