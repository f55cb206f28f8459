// Functions 15, 22 and 23 and broadcasts: request bytes, awaited lengths,
// reply validation, limits, and a broadcast that waits for nothing.
#include <gtest/gtest.h>

#include <vector>

#include "codec/CodecTestUtil.h"

namespace mms::test {
namespace {

struct Exchange {
  uint8_t function;
  uint16_t address, count;
  std::vector<uint16_t> values;
  const char* request;  // no CRC
  int replyLength;      // RTU, with CRC
  const char* reply;    // no CRC
  int result;
};

int Check(const Exchange& c) {
  std::vector<uint16_t> values = c.values;
  const Bytes reply = H(c.reply);
  return CheckReply(1, c.function, c.address, c.count, values.data(),
                    static_cast<int>(values.size()), reply.data(), static_cast<int>(reply.size()));
}

TEST(MoreWritesTest, RequestBytesAwaitedLengthAndReplyValidation) {
  // 15: coil 0 at bit 0, bits past the last coil sent as 0. 22: address, AND,
  // OR. 23: read 6 from 3, write 3 at 14.
  const Exchange cases[] = {
      {15, 0x13, 10, {0xFFCD}, "01 0F 00 13 00 0A 02 CD 03", 8, "01 0F 00 13 00 0A", trOk},
      {22, 4, 1, {0xF2, 0x25}, "01 16 00 04 00 F2 00 25", 10, "01 16 00 04 00 F2 00 25", trOk},
      {23,
       3,
       6,
       {14, 3, 0xFF, 0xFF, 0xFF, 0},
       "01 17 00 03 00 06 00 0E 00 03 06 00 FF 00 FF 00 FF",
       17,
       "01 17 0C 00 FE 0A CD 00 01 00 03 00 0D 00 FF",
       trOk},
  };
  for (const Exchange& c : cases) {
    SCOPED_TRACE(c.request);
    uint8_t frame[kRtuFrameSize] = {};
    const int length = BuildRequest(1, c.function, c.address, c.count, c.values.data(),
                                    static_cast<int>(c.values.size()), frame, kRtuFrameSize);
    EXPECT_EQ(Hex(Bytes(frame, frame + length)), c.request);
    EXPECT_EQ(ExpectedReplyLength(c.function, c.count), c.replyLength);
    EXPECT_EQ(Check(c), c.result);
  }
  const Exchange bad[] = {
      {15, 0x13, 10, {0}, "", 0, "01 0F 00 13 00 09", trInvalidReply},  // other count
      {22, 4, 1, {0xF2, 0x25}, "", 0, "01 16 00 04 00 F2 00 24", 0},    // other OR mask
      {22, 4, 1, {0xF2, 0x25}, "", 0, "01 16 00 04 00 F2 00", 0},       // short
      {23, 3, 2, {0, 1, 5}, "", 0, "01 17 02 00 01", 0},                // byte count
      {23, 3, 2, {0, 1, 5}, "", 0, "01 97 02", 0},                      // exception
  };
  for (const Exchange& c : bad) EXPECT_EQ(Check(c), trInvalidReply) << c.reply;
}

TEST(MoreWritesTest, CountsBeyondTheProtocolLimitsAreRefusedUnsent) {
  // function, count, write count (23), sent
  const std::tuple<uint8_t, uint16_t, uint16_t, bool> cases[] = {
      {15, 1968, 0, true}, {15, 1969, 0, false}, {23, 125, 121, true},
      {23, 126, 1, false}, {23, 1, 122, false},
  };
  for (const auto& [function, count, writeCount, sent] : cases) {
    for (uint8_t mode : {kModbusRtu, kModbusTcp}) {
      FakeTransport link;
      link.ScriptSilence();
      std::vector<uint16_t> values(200, 0);
      values[1] = writeCount;
      EXPECT_EQ(ModbusTransaction(link, mode, function, 1, 0, count, values.data(), 200),
                sent ? trNoReply : trInvalidReply)
          << int(function) << " " << count << " " << writeCount;
      EXPECT_EQ(link.Sent().size(), sent ? 1u : 0u);
    }
  }
}

TEST(MoreWritesTest, BroadcastWritesAreSentAndNothingIsAwaitedReadsNeverLeave) {
  for (uint8_t function : {5, 15, 16, 22, 3, 23}) {
    const bool write = function != 3 && function != 23;
    for (uint8_t mode : {kModbusRtu, kModbusTcp}) {
      FakeTransport link;
      link.ScriptSilence();
      std::vector<uint16_t> values = {0, 1, 0, 0};
      EXPECT_EQ(ModbusTransaction(link, mode, function, kBroadcastId, 0, 2, values.data(), 4),
                write ? trOk : trInvalidReply)
          << int(function);
      EXPECT_EQ(link.Sent().size(), write ? 1u : 0u);
      EXPECT_TRUE(link.Receives().empty());
      EXPECT_TRUE(link.Replies().empty());  // no "<rx>" line, no timeout shown
    }
  }
}

}  // namespace
}  // namespace mms::test
