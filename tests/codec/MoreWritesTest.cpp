// Functions 15, 22 and 23 and broadcasts: request bytes, awaited lengths,
// reply validation, limits, and a broadcast that waits for nothing.
#include <gtest/gtest.h>

#include <vector>

#include "codec/CodecTestUtil.h"

namespace mms::test {
namespace {

struct WriteCase {
  const char* name;
  uint8_t function;
  uint16_t address, count;
  std::vector<uint16_t> values;
  const char* request;  // no CRC
  int replyLength;      // RTU, with CRC
  const char* reply;    // a valid answer, no CRC
};

const WriteCase kWrites[] = {
    {"15: ten coils, packed low bit first, bits past the last coil zero",
     15,
     0x13,
     10,
     {0xFFCD},
     "01 0F 00 13 00 0A 02 CD 03",
     8,
     "01 0F 00 13 00 0A"},
    {"15: seventeen coils across two words",
     15,
     0,
     17,
     {0x00FF, 0x0001},
     "01 0F 00 00 00 11 03 FF 00 01",
     8,
     "01 0F 00 00 00 11"},
    {"22: address, AND mask, OR mask",
     22,
     4,
     1,
     {0x00F2, 0x0025},
     "01 16 00 04 00 F2 00 25",
     10,
     "01 16 00 04 00 F2 00 25"},
    {"23: read 6 from 3, write 3 at 14",
     23,
     3,
     6,
     {14, 3, 0x00FF, 0x00FF, 0x00FF},
     "01 17 00 03 00 06 00 0E 00 03 06 00 FF 00 FF 00 FF",
     17,
     "01 17 0C 00 FE 0A CD 00 01 00 03 00 0D 00 FF"},
};

TEST(MoreWritesTest, RequestBytesAwaitedLengthAndValidReply) {
  for (const WriteCase& c : kWrites) {
    SCOPED_TRACE(c.name);
    uint8_t frame[kRtuFrameSize] = {};
    const int length = BuildRequest(1, c.function, c.address, c.count, c.values.data(),
                                    static_cast<int>(c.values.size()), frame, kRtuFrameSize);
    EXPECT_EQ(Hex(Bytes(frame, frame + length)), c.request);
    EXPECT_EQ(ExpectedReplyLength(c.function, c.count), c.replyLength);
    std::vector<uint16_t> values = c.values;
    values.resize(16);
    const Bytes reply = H(c.reply);
    EXPECT_EQ(CheckReply(1, c.function, c.address, c.count, values.data(), 16, reply.data(),
                         static_cast<int>(reply.size())),
              trOk);
  }
}

TEST(MoreWritesTest, FunctionTwentyThreeStoresTheWordsRead) {
  std::vector<uint16_t> values = {14, 3, 0x00FF, 0x00FF, 0x00FF, 0, 0, 0};
  const Bytes reply = H("01 17 0C 00 FE 0A CD 00 01 00 03 00 0D 00 FF");
  ASSERT_EQ(CheckReply(1, 23, 3, 6, values.data(), 8, reply.data(), 15), trOk);
  EXPECT_EQ(values, (std::vector<uint16_t>{0xFE, 0x0ACD, 1, 3, 0x0D, 0xFF, 0, 0}));
}

TEST(MoreWritesTest, RepliesThatDoNotEchoTheRequestAreInvalid) {
  const struct {
    const char* name;
    uint8_t function;
    uint16_t address, count;
    std::vector<uint16_t> values;
    const char* reply;
  } cases[] = {
      {"15: other address", 15, 0x13, 10, {0}, "01 0F 00 14 00 0A"},
      {"15: other count", 15, 0x13, 10, {0}, "01 0F 00 13 00 09"},
      {"15: short", 15, 0x13, 10, {0}, "01 0F 00 13 00"},
      {"22: other OR mask", 22, 4, 1, {0xF2, 0x25}, "01 16 00 04 00 F2 00 24"},
      {"22: short", 22, 4, 1, {0xF2, 0x25}, "01 16 00 04 00 F2 00"},
      {"23: byte count not the one asked for", 23, 3, 2, {0, 1, 5}, "01 17 02 00 01"},
      {"23: exception", 23, 3, 2, {0, 1, 5}, "01 97 02"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint16_t> values = c.values;
    const Bytes reply = H(c.reply);
    EXPECT_EQ(
        CheckReply(1, c.function, c.address, c.count, values.data(),
                   static_cast<int>(values.size()), reply.data(), static_cast<int>(reply.size())),
        trInvalidReply);
  }
}

TEST(MoreWritesTest, CountsBeyondTheProtocolLimitsAreRefusedUnsent) {
  std::vector<uint16_t> values(200, 0);
  const struct {
    const char* name;
    uint8_t function;
    uint16_t count, writeCount;
    int result;
  } cases[] = {
      {"1968 coils fit", 15, 1968, 0, trNoReply},
      {"1969 coils do not", 15, 1969, 0, trInvalidReply},
      {"23 reading 125, writing 121 fits", 23, 125, 121, trNoReply},
      {"23 reading 126 does not", 23, 126, 1, trInvalidReply},
      {"23 writing 122 does not", 23, 1, 122, trInvalidReply},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (uint8_t mode : {kModbusRtu, kModbusTcp}) {
      FakeTransport link;
      link.ScriptSilence();
      values[1] = c.writeCount;
      EXPECT_EQ(ModbusTransaction(link, mode, c.function, 1, 0, c.count, values.data(), 200),
                c.result);
      EXPECT_EQ(link.Sent().size(), c.result == trNoReply ? 1u : 0u);
    }
  }
}

TEST(MoreWritesTest, BroadcastWritesAreSentAndNothingIsAwaitedReadsNeverLeave) {
  const struct {
    const char* name;
    uint8_t function;
    uint16_t count;
    int result;
    size_t sent;
  } cases[] = {
      {"write coil", 5, 1, trOk, 1},           {"write register", 6, 1, trOk, 1},
      {"write coils", 15, 8, trOk, 1},         {"write registers", 16, 2, trOk, 1},
      {"mask write", 22, 1, trOk, 1},          {"read registers", 3, 2, trInvalidReply, 0},
      {"read coils", 1, 8, trInvalidReply, 0}, {"read/write", 23, 1, trInvalidReply, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (uint8_t mode : {kModbusRtu, kModbusTcp}) {
      FakeTransport link;
      link.ScriptSilence();
      std::vector<uint16_t> values = {0, 1, 0, 0};
      EXPECT_EQ(
          ModbusTransaction(link, mode, c.function, kBroadcastId, 0, c.count, values.data(), 4),
          c.result);
      EXPECT_EQ(link.Sent().size(), c.sent);
      EXPECT_TRUE(link.Receives().empty());
      EXPECT_TRUE(link.Replies().empty());  // no "<rx>" line, no timeout shown
    }
  }
}

}  // namespace
}  // namespace mms::test
