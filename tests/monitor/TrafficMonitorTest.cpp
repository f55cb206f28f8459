#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "modbus/ModbusProtocol.h"
#include "monitor/TrafficDecoder.h"
#include "monitor/TrafficHistory.h"
#include "monitor/TrafficTap.h"
#include "monitor/TrendSeries.h"

namespace mms {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Rtu(const Bytes& body) {
  uint8_t frame[kRtuFrameSize] = {};
  std::copy(body.begin(), body.end(), frame);
  int length = static_cast<int>(body.size());
  AppendCrc(frame, length);
  return Bytes(frame, frame + length);
}

// An MBAP frame: transaction id, protocol 0, length, then unit and PDU.
Bytes Tcp(uint16_t id, const Bytes& unitAndPdu) {
  const auto length = static_cast<uint16_t>(unitAndPdu.size());
  Bytes frame(kTcpHeaderSize + unitAndPdu.size());
  frame[0] = HiByte(id);
  frame[1] = LoByte(id);
  frame[4] = HiByte(length);
  frame[5] = LoByte(length);
  std::copy(unitAndPdu.begin(), unitAndPdu.end(), frame.begin() + kTcpHeaderSize);
  return frame;
}

// One step of what the polling thread did: a frame (sent or received) or
// the transaction's end with its result.
struct Step {
  TapEvent::Kind kind;
  Bytes bytes;
  int result = 0;
};

std::vector<MonitorFrame> Decode(uint8_t mode, const std::vector<Step>& steps) {
  TrafficTap tap(64);
  tap.SetEnabled(true);
  tap.TransactionBegun(2, mode);
  for (const Step& step : steps) {
    if (step.kind == TapEvent::kEnd) {
      tap.TransactionEnded(step.result);
    } else {
      tap.LogHandOff(step.kind == TapEvent::kTransmitted ? kLogTransmitted : kLogReceived,
                     step.bytes.data(), static_cast<int>(step.bytes.size()));
    }
  }
  TrafficDecoder decoder;
  std::vector<MonitorFrame> frames;
  tap.Drain([&](const TapEvent& event) {
    decoder.Feed(event, [&](MonitorFrame& frame) { frames.push_back(frame); });
  });
  return frames;
}

struct Expected {
  const char* direction;
  uint16_t problems;
  std::string values;
};

struct Case {
  const char* name;
  uint8_t mode;
  std::vector<Step> steps;
  std::vector<Expected> frames;
};

constexpr auto kTx = TapEvent::kTransmitted;
constexpr auto kRx = TapEvent::kReceived;
constexpr auto kEnd = TapEvent::kEnd;

TEST(TrafficDecoderTest, DecodesFramesAndMarksProblems) {
  const Bytes readTwo = Rtu({1, 3, 0, 10, 0, 2});
  const Bytes answer = Rtu({1, 3, 4, 0, 7, 0x01, 0x00});
  Bytes badCrc = answer;
  badCrc.back() ^= 0xFF;
  const Bytes tcpRead = Tcp(5, {1, 3, 0, 0, 0, 1});
  const std::vector<Case> cases = {
      {"valid RTU read",
       kModbusRtu,
       {{kTx, readTwo}, {kRx, answer}, {kEnd, {}, trOk}},
       {{"tx", 0, ""}, {"rx", 0, "7 256"}}},
      {"exception by name",
       kModbusRtu,
       {{kTx, readTwo}, {kRx, Rtu({1, 0x83, 2})}, {kEnd, {}, trInvalidReply}},
       {{"tx", 0, ""}, {"rx", 0, "exception 02, illegal data address"}}},
      {"CRC error",
       kModbusRtu,
       {{kTx, readTwo}, {kRx, badCrc}, {kEnd, {}, trInvalidReply}},
       {{"tx", 0, ""}, {"rx", kProblemCrc, "7 256"}}},
      {"short reply",
       kModbusRtu,
       {{kTx, readTwo}, {kRx, {1, 3, 4, 0}}, {kEnd, {}, trInvalidReply}},
       {{"tx", 0, ""}, {"rx", kProblemShort, ""}}},
      {"wrong unit",
       kModbusRtu,
       {{kTx, readTwo}, {kRx, Rtu({9, 3, 4, 0, 7, 0x01, 0x00})}, {kEnd, {}, trInvalidReply}},
       {{"tx", 0, ""}, {"rx", kProblemWrongUnit, "7 256"}}},
      {"serial silence",
       kModbusRtu,
       {{kTx, readTwo}, {kRx, {}}, {kEnd, {}, trNoReply}},
       {{"tx", 0, ""}, {"rx", kProblemTimeout, ""}}},
      {"stale bytes before the request",
       kModbusRtu,
       {{kRx, answer}, {kTx, readTwo}, {kRx, answer}, {kEnd, {}, trOk}},
       {{"rx", kProblemStale, "7 256"}, {"tx", 0, ""}, {"rx", 0, "7 256"}}},
      {"written values",
       kModbusRtu,
       {{kTx, Rtu({1, 16, 0, 5, 0, 2, 4, 0, 1, 0, 2})},
        {kRx, Rtu({1, 16, 0, 5, 0, 2})},
        {kEnd, {}, trOk}},
       {{"tx", 0, "1 2"}, {"rx", 0, ""}}},
      {"TCP silence",
       kModbusTcp,
       {{kTx, tcpRead}, {kEnd, {}, trNoReply}},
       {{"tx", 0, ""}, {"rx", kProblemTimeout, ""}}},
      {"TCP wrong identifier, then the answer",
       kModbusTcp,
       {{kTx, tcpRead},
        {kRx, Tcp(4, {1, 3, 2, 0, 9})},
        {kRx, Tcp(5, {1, 3, 2, 0, 8})},
        {kEnd, {}, trOk}},
       {{"tx", 0, ""}, {"rx", kProblemWrongId, "9"}, {"rx", 0, "8"}}},
      {"TCP exception",
       kModbusTcp,
       {{kTx, tcpRead}, {kRx, Tcp(5, {1, 0x83, 1})}, {kEnd, {}, trInvalidReply}},
       {{"tx", 0, ""}, {"rx", 0, "exception 01, illegal function"}}},
      {"RTU over TCP",
       kModbusRtuOverTcp,
       {{kTx, readTwo}, {kRx, answer}, {kEnd, {}, trOk}},
       {{"tx", 0, ""}, {"rx", 0, "7 256"}}},
      {"UDP",
       kModbusUdp,
       {{kTx, tcpRead}, {kRx, Tcp(5, {1, 3, 2, 0, 8})}, {kEnd, {}, trOk}},
       {{"tx", 0, ""}, {"rx", 0, "8"}}},
      {"TCP reply cut short",
       kModbusTcp,
       {{kTx, tcpRead}, {kRx, Bytes{0, 5, 0, 0, 0, 5, 1, 3}}, {kEnd, {}, trNoReply}},
       {{"tx", 0, ""}, {"rx", kProblemShort | kProblemTimeout, ""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<MonitorFrame> frames = Decode(c.mode, c.steps);
    ASSERT_EQ(frames.size(), c.frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_STREQ(DirectionText(frames[i]), c.frames[i].direction);
      EXPECT_EQ(ProblemsText(frames[i].problems), ProblemsText(c.frames[i].problems));
      EXPECT_EQ(ValuesText(frames[i], 8), c.frames[i].values);
      EXPECT_EQ(frames[i].slot, 2);
    }
  }
}

TEST(TrafficDecoderTest, RequestFieldsAndReplyTiming) {
  const std::vector<MonitorFrame> frames =
      Decode(kModbusRtu, {{kTx, Rtu({7, 4, 0x01, 0x00, 0, 3})},
                          {kRx, Rtu({7, 4, 6, 0, 1, 0, 2, 0, 3})},
                          {kEnd, {}, trOk}});
  ASSERT_EQ(frames.size(), 2u);
  for (const MonitorFrame& frame : frames) {
    EXPECT_EQ(frame.unit, 7);
    EXPECT_EQ(FunctionText(frame), "Read input registers");
    EXPECT_EQ(frame.address, 256);
    EXPECT_EQ(frame.count, 3);
  }
  EXPECT_EQ(frames[0].responseUs, -1);
  EXPECT_GE(frames[1].responseUs, 0);
  EXPECT_EQ(BytesText(frames[0]).substr(0, 17), "07 04 01 00 00 03");
}

TEST(TrafficTapTest, BurstIsBoundedAndNeverWaits) {
  TrafficTap tap(100);
  const Bytes frame = Rtu({1, 3, 0, 0, 0, 1});
  tap.LogHandOff(kLogTransmitted, frame.data(), 8);  // disabled: nothing kept
  tap.SetEnabled(true);
  for (int i = 0; i < 250; ++i) tap.LogHandOff(kLogTransmitted, frame.data(), 8);
  int taken = 0;
  EXPECT_EQ(tap.Drain([&](const TapEvent&) { ++taken; }), 150u);
  EXPECT_EQ(taken, 100);
  // The other buffer takes what comes next.
  tap.LogHandOff(kLogReceived, frame.data(), 8);
  taken = 0;
  EXPECT_EQ(tap.Drain([&](const TapEvent& e) { taken += e.kind == TapEvent::kReceived; }), 0u);
  EXPECT_EQ(taken, 1);
}

TEST(TrafficTapTest, PollingThreadAndMonitorAtOnce) {
  TrafficTap tap(256);
  tap.SetEnabled(true);
  constexpr int kFrames = 200000;
  std::atomic<bool> done{false};
  std::thread polling([&] {
    const Bytes frame = Rtu({1, 3, 0, 0, 0, 1});
    for (int i = 0; i < kFrames; ++i) tap.LogHandOff(kLogTransmitted, frame.data(), 8);
    done.store(true);
  });
  uint64_t seen = 0;
  uint64_t dropped = 0;
  bool last = false;
  while (!last) {
    last = done.load();  // one more drain after the producer has finished
    dropped += tap.Drain([&](const TapEvent& event) { seen += event.size == 8; });
    std::this_thread::yield();
  }
  polling.join();
  EXPECT_EQ(seen + dropped, static_cast<uint64_t>(kFrames));
}

TEST(TrafficHistoryTest, KeepsTheLastFramesOfABurst) {
  TrafficHistory history;
  MonitorFrame frame;
  for (int i = 0; i < 250000; ++i) {
    frame.address = static_cast<uint16_t>(i);
    history.Append(frame);
  }
  EXPECT_EQ(history.Size(), 100000u);
  EXPECT_EQ(history.FirstSeq(), 150001u);
  EXPECT_EQ(history.Find(150000), nullptr);
  ASSERT_NE(history.Find(150001), nullptr);
  EXPECT_EQ(history.Find(150001)->address, static_cast<uint16_t>(150000));
  EXPECT_EQ(history.Find(250000)->address, static_cast<uint16_t>(249999));

  TrafficFilter filter;
  frame.decoded = true;
  frame.unit = 3;
  EXPECT_TRUE(filter.Matches(frame));
  filter.unit = 4;
  EXPECT_FALSE(filter.Matches(frame));
  filter = TrafficFilter{};
  filter.problemsOnly = true;
  EXPECT_FALSE(filter.Matches(frame));
  frame.exception = 2;
  EXPECT_TRUE(filter.Matches(frame));
}

TEST(TrendSeriesTest, CellNumbersAndBounds) {
  PollResult result;
  result.ValuesSequence = 1;
  result.Request.Function = 3;
  result.ValueCount = 4;
  result.Values = {0x3F80, 0x0000, 0xFFFF, 0x0001};
  const ValueEncoding float32{ValueType::Float32, ByteOrder::BigEndian};
  const ValueEncoding unsigned32{ValueType::Unsigned32, ByteOrder::BigEndian};
  EXPECT_EQ(CellNumber(result, 0, float32), 1.0);
  EXPECT_EQ(CellNumber(result, 1, float32), 1.0);  // the first offset of its group
  EXPECT_EQ(CellNumber(result, 2, {ValueType::Signed16, ByteOrder::BigEndian}), -1.0);
  EXPECT_EQ(CellNumber(result, 2, unsigned32), 4294901761.0);
  result.ValueCount = 3;
  EXPECT_EQ(CellNumber(result, 2, unsigned32), std::nullopt);  // a word not polled
  result.Request.Function = 1;
  EXPECT_EQ(CellNumber(result, 0, float32), 1.0);  // coils read 0 and 1

  TrendSeries series;
  for (int64_t i = 0; i < 30000; ++i) series.Add(i, 1.0);
  EXPECT_EQ(series.Points().size(), TrendSeries::kMaxPoints);
  series.Add(TrendSeries::kMaxSpanMs + 25000, 2.0);
  EXPECT_EQ(series.Points().front().ms, 25000);

  // Thinned for the plot: per bucket its lowest and highest, in time order.
  TrendSeries wave;
  for (int64_t ms = 0; ms < 1000; ++ms)
    wave.Add(ms, ms % 100 == 42 ? 9.0 : ms % 100 == 7 ? -9.0 : 0.0);
  const std::vector<TrendPoint> shown = PlotPoints(wave, 0, 1000, 10);
  ASSERT_EQ(shown.size(), 20u);
  EXPECT_EQ(shown[0].ms, 7);
  EXPECT_EQ(shown[0].value, -9.0);
  EXPECT_EQ(shown[1].ms, 42);
  EXPECT_EQ(shown[1].value, 9.0);
  EXPECT_EQ(PlotPoints(wave, 950, 1000, 10).size(), 10u);  // a flat bucket keeps one point
}

}  // namespace
}  // namespace mms
