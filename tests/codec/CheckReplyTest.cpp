// Reply validation on its own: what is accepted, what is stored where, and
// that nothing is read or written outside the reply and the value array.
#include <gtest/gtest.h>

#include <vector>

#include "codec/CodecTestUtil.h"

namespace mms::test {
namespace {

constexpr uint16_t kUntouched = 0xBEEF;

struct CheckCase {
  const char* name;
  uint8_t function;
  uint16_t address, count;
  uint16_t value0;    // values[0] before the call (compared by function 6)
  const char* reply;  // from the device-ID byte, no CRC; device ID expected 1
  int result;
  std::vector<uint16_t> stored;  // values[0..] afterwards, up to the first untouched
};

std::vector<uint16_t> RunCheck(const CheckCase& c, int* result, int capacity = 16) {
  std::vector<uint16_t> values(static_cast<size_t>(capacity), kUntouched);
  values[0] = c.value0;
  Bytes reply = H(c.reply);
  *result = CheckReply(1, c.function, c.address, c.count, values.data(), capacity, reply.data(),
                       static_cast<int>(reply.size()));
  return values;
}

TEST(CheckReplyTest, AcceptsAndRejectsByFunction) {
  const CheckCase cases[] = {
      {"coils: bit 0 of byte 3 first",
       1,
       0,
       10,
       kUntouched,
       "01 01 02 CD 01",
       trOk,
       {1, 0, 1, 1, 0, 0, 1, 1, 1, 0}},
      {"inputs: byte count must be 1 for 3 bits",
       2,
       0,
       3,
       kUntouched,
       "01 02 09 05",
       trInvalidReply,
       {}},
      {"inputs: 3 bits", 2, 0, 3, kUntouched, "01 02 01 05", trOk, {1, 0, 1}},
      {"holding registers", 3, 0, 2, kUntouched, "01 03 04 12 34 AB CD", trOk, {0x1234, 0xABCD}},
      {"input registers, byte count below count",
       4,
       0,
       10,
       kUntouched,
       "01 04 04 00 01 00 02",
       trInvalidReply,
       {}},
      {"registers, odd byte count", 3, 0, 2, kUntouched, "01 03 03 00 07 00", trInvalidReply, {}},
      {"registers, byte count 0", 3, 0, 2, kUntouched, "01 03 00", trInvalidReply, {}},
      // Exactly the count asked for, no fewer and no more.
      {"17 coils need 3 bytes", 1, 0, 17, kUntouched, "01 01 02 FF FF", trInvalidReply, {}},
      {"3 registers for 2", 3, 0, 2, kUntouched, "01 03 06 00 01 00 02 00 03", trInvalidReply, {}},
      {"write coil: echoed state not compared", 5, 3, 1, 1, "01 05 00 03 00 00", trOk, {1}},
      {"write coil: last byte must be 0", 5, 3, 1, 1, "01 05 00 03 FF 01", trInvalidReply, {1}},
      {"write coil: address differs", 5, 3, 1, 1, "01 05 00 04 FF 00", trInvalidReply, {1}},
      {"write register echo", 6, 1, 1, 0x1234, "01 06 00 01 12 34", trOk, {0x1234}},
      {"write register: value differs",
       6,
       1,
       1,
       0x1234,
       "01 06 00 01 12 35",
       trInvalidReply,
       {0x1234}},
      {"write register: address differs",
       6,
       1,
       1,
       0x1234,
       "01 06 01 01 12 34",
       trInvalidReply,
       {0x1234}},
      {"write registers: address and count not compared",
       16,
       1,
       2,
       5,
       "01 10 FF FF 00 09",
       trOk,
       {5}},
      {"wrong device", 3, 0, 1, kUntouched, "02 03 02 00 01", trInvalidReply, {}},
      {"wrong function", 3, 0, 1, kUntouched, "01 04 02 00 01", trInvalidReply, {}},
      {"exception reply", 3, 0, 1, kUntouched, "01 83 02", trInvalidReply, {}},
      {"exception to a write", 6, 1, 1, 9, "01 86 04", trInvalidReply, {9}},
      {"unknown function echoed", 7, 0, 1, kUntouched, "01 07 00 00 00 00", trInvalidReply, {}},
  };
  for (const auto& c : cases) {
    int result = -1;
    const auto values = RunCheck(c, &result);
    EXPECT_EQ(result, c.result) << c.name;
    for (size_t i = 0; i < c.stored.size(); ++i) EXPECT_EQ(values[i], c.stored[i]) << c.name;
    const size_t firstUntouched = std::max<size_t>(c.stored.size(), 1);
    for (size_t i = firstUntouched; i < values.size(); ++i) {
      EXPECT_EQ(values[i], kUntouched) << c.name << " index " << i;
    }
  }
}

TEST(CheckReplyTest, RepliesTooShortForTheirFunctionAreInvalid) {
  const CheckCase cases[] = {
      {"nothing but the device", 3, 0, 1, kUntouched, "01", trInvalidReply, {}},
      {"coils missing their data", 1, 0, 10, kUntouched, "01 01 02 FF", trInvalidReply, {}},
      {"registers without byte count", 3, 0, 1, kUntouched, "01 03", trInvalidReply, {}},
      {"write coil cut short", 5, 3, 1, 1, "01 05 00 03 FF", trInvalidReply, {1}},
      {"write register cut short", 6, 1, 1, 0x1234, "01 06 00 01 12", trInvalidReply, {0x1234}},
      {"write registers cut short", 16, 1, 2, 5, "01 10 00 01", trInvalidReply, {5}},
  };
  for (const auto& c : cases) {
    int result = -1;
    const auto values = RunCheck(c, &result);
    EXPECT_EQ(result, c.result) << c.name;
    for (size_t i = 1; i < values.size(); ++i) EXPECT_EQ(values[i], kUntouched) << c.name;
  }
  EXPECT_EQ(CheckReply(1, 3, 0, 1, nullptr, 0, nullptr, 0), trInvalidReply);
}

TEST(CheckReplyTest, ByteCountLargerThanTheFrameIsInvalid) {
  // Byte count 0xF0 claims the 120 registers asked for; the frame carries 2 and a half.
  const CheckCase c{"", 3, 0, 120, kUntouched, "01 03 F0 00 0A 00 0B 00", trInvalidReply, {}};
  int result = -1;
  const auto values = RunCheck(c, &result, 200);
  EXPECT_EQ(result, trInvalidReply);
  for (size_t i = 0; i < values.size(); ++i) ASSERT_EQ(values[i], kUntouched) << i;
}

TEST(CheckReplyTest, NeverWritesPastTheValueArray) {
  // The array is the middle of a larger one, so a stray write shows up beside it.
  Bytes registers = H("01 03 08 00 01 00 02 00 03 00 04");
  Bytes coils = H("01 01 02 FF FF");
  const struct {
    const char* name;
    const Bytes& reply;
    uint8_t function;
    uint16_t count;
    int capacity;
    int storedUpTo;
  } cases[] = {
      {"registers into 2", registers, 3, 4, 2, 2},
      {"registers into 0", registers, 3, 4, 0, 0},
      {"coils into 3", coils, 1, 16, 3, 3},
      {"coils into 0", coils, 1, 16, 0, 0},
  };
  for (const auto& c : cases) {
    std::vector<uint16_t> memory(8, kUntouched);
    uint16_t* values = memory.data() + 2;
    EXPECT_EQ(CheckReply(1, c.function, 0, c.count, values, c.capacity, c.reply.data(),
                         static_cast<int>(c.reply.size())),
              trOk)
        << c.name;
    for (int i = 0; i < 8; ++i) {
      const bool inside = i >= 2 && i < 2 + c.storedUpTo;
      EXPECT_EQ(memory[static_cast<size_t>(i)] != kUntouched, inside) << c.name << " " << i;
    }
  }
  EXPECT_EQ(CheckReply(1, 6, 1, 1, nullptr, 0, H("01 06 00 01 00 00").data(), 6), trInvalidReply)
      << "function 6 with no value to compare";
}

}  // namespace
}  // namespace mms::test
