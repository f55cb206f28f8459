// CRC, request building and the length helpers: pure functions, checked
// against frames written out by hand.
#include <gtest/gtest.h>

#include <cstring>

#include "codec/CodecTestUtil.h"

namespace mms::test {
namespace {

TEST(Crc16Test, KnownValues) {
  const char* text = "123456789";
  EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>(text), 9), 0x4B37);
  EXPECT_EQ(Crc16(nullptr, 0), 0xFFFF);
  // A frame followed by its own CRC sums to 0; a flipped bit anywhere does not.
  Bytes frame = Rtu("11 10 00 01 00 02 04 00 01 00 02");
  EXPECT_EQ(Crc16(frame.data(), static_cast<int>(frame.size())), 0);
  for (size_t i = 0; i < frame.size(); ++i) {
    for (int bit = 0; bit < 8; ++bit) {
      Bytes bad = frame;
      bad[i] ^= static_cast<uint8_t>(1 << bit);
      EXPECT_NE(Crc16(bad.data(), static_cast<int>(bad.size())), 0) << i << ":" << bit;
    }
  }
}

TEST(Crc16Test, AppendCrcWritesLowByteFirstAndGrowsLength) {
  uint8_t frame[8] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xEE, 0xEE};
  int length = 6;
  AppendCrc(frame, length);
  EXPECT_EQ(length, 8);
  EXPECT_EQ(frame[6], 0xC5);
  EXPECT_EQ(frame[7], 0xCD);
}

TEST(ByteSplitTest, HighAndLowByte) {
  EXPECT_EQ(HiByte(0x1234), 0x12);
  EXPECT_EQ(LoByte(0x1234), 0x34);
  EXPECT_EQ(HiByte(0x00FF), 0x00);
  EXPECT_EQ(LoByte(0xFF00), 0x00);
}

struct RequestCase {
  const char* name;
  uint8_t function, deviceId;
  uint16_t address, count;
  std::vector<uint16_t> values;
  const char* rtuFrame;  // with CRC
};

TEST(BuildRequestTest, FramesOfEachFunction) {
  const RequestCase cases[] = {
      {"read 10 holding registers", 3, 1, 0, 10, {}, "01 03 00 00 00 0A C5 CD"},
      {"read 10 coils", 1, 1, 0, 10, {}, "01 01 00 00 00 0A BC 0D"},
      {"write coil ON", 5, 1, 3, 1, {1}, "01 05 00 03 FF 00 7C 3A"},
      {"any non-zero coil value is ON", 5, 1, 3, 1, {0x8000}, "01 05 00 03 FF 00 7C 3A"},
      {"write register", 6, 1, 1, 1, {0x1234}, "01 06 00 01 12 34 D5 7D"},
      {"write two registers", 16, 17, 1, 2, {1, 2}, "11 10 00 01 00 02 04 00 01 00 02 B6 A2"},
  };
  for (const auto& c : cases) {
    uint8_t frame[kRtuFrameSize];
    int length = BuildRequest(c.deviceId, c.function, c.address, c.count, c.values.data(),
                              static_cast<int>(c.values.size()), frame, kRtuFrameSize - 2);
    AppendCrc(frame, length);
    EXPECT_EQ(Hex(Bytes(frame, frame + length)), c.rtuFrame) << c.name;
  }
}

TEST(BuildRequestTest, FieldsAreHighByteFirst) {
  uint8_t frame[16];
  const uint16_t off = 0;
  EXPECT_EQ(BuildRequest(0xF7, 4, 0xABCD, 0x0102, nullptr, 0, frame, 16), 6);
  EXPECT_EQ(Hex(Bytes(frame, frame + 6)), "F7 04 AB CD 01 02");
  EXPECT_EQ(BuildRequest(2, 5, 0x0010, 1, &off, 1, frame, 16), 6);
  EXPECT_EQ(Hex(Bytes(frame, frame + 6)), "02 05 00 10 00 00");
}

TEST(BuildRequestTest, Function16ByteCountKeepsOnlyItsLowByte) {
  // Only reachable with a buffer larger than a Modbus frame; ModbusTransaction
  // never sends such a count.
  std::vector<uint16_t> values(200, 0xA55A);
  std::vector<uint8_t> frame(7 + 2 * 200);
  const struct {
    uint16_t count;
    uint8_t byteCount;
  } cases[] = {{127, 254}, {128, 0x00}, {129, 0x02}, {200, 0x90}};
  for (const auto& c : cases) {
    ASSERT_EQ(BuildRequest(1, 16, 0, c.count, values.data(), 200, frame.data(),
                           static_cast<int>(frame.size())),
              7 + 2 * c.count);
    EXPECT_EQ(frame[6], c.byteCount) << c.count;
    EXPECT_EQ(frame[4] * 256 + frame[5], c.count);
    EXPECT_EQ(frame[7 + 2 * (c.count - 1)], 0xA5);
  }
}

TEST(BuildRequestTest, RefusesWithoutTouchingTheFrame) {
  const uint16_t values[3] = {1, 2, 3};
  const struct {
    const char* name;
    uint8_t function;
    uint16_t count;
    int valueCapacity;
    int frameCapacity;
  } cases[] = {
      {"unknown function", 7, 1, 3, 64},       {"function 0", 0, 1, 3, 64},
      {"exception code", 0x83, 1, 3, 64},      {"read does not fit", 3, 10, 0, 5},
      {"write 16 does not fit", 16, 3, 3, 12}, {"16 with too few values", 16, 3, 2, 64},
      {"6 without a value", 6, 1, 0, 64},      {"5 without a value", 5, 1, 0, 64},
  };
  for (const auto& c : cases) {
    uint8_t frame[64];
    std::memset(frame, 0xEE, sizeof frame);
    EXPECT_EQ(
        BuildRequest(1, c.function, 0, c.count, values, c.valueCapacity, frame, c.frameCapacity), 0)
        << c.name;
    EXPECT_EQ(frame[0], 0xEE) << c.name;
  }
  uint8_t frame[13];
  EXPECT_EQ(BuildRequest(1, 16, 0, 3, values, 3, frame, 13), 13) << "exact fit";
}

TEST(LengthTest, ExpectedReplyLength) {
  const struct {
    uint8_t function;
    uint16_t count;
    int length;
  } cases[] = {
      {1, 0, 5},      {1, 1, 6},    {1, 8, 6},     {1, 9, 7},    {2, 10, 7},
      {2, 2008, 256}, {3, 10, 25},  {4, 125, 255}, {3, 0, 5},    {5, 1, 8},
      {6, 1, 8},      {16, 123, 8}, {7, 1, 0},     {0x83, 1, 0}, {3, 65535, 5 + 131070},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExpectedReplyLength(c.function, c.count), c.length)
        << int(c.function) << "/" << c.count;
  }
}

TEST(LengthTest, TcpFrameLengthFromHeader) {
  const struct {
    const char* header;
    int total;
  } cases[] = {
      {"00 00 00 00 00 17", 29},  {"12 34 00 00 00 03", 9},  {"00 00 00 00 00 02", 8},
      {"00 00 00 00 00 FE", 260}, {"00 00 00 00 00 FF", -1}, {"00 00 00 00 01 00", -1},
      {"00 00 00 00 00 01", -1},  {"00 00 00 00 00 00", -1}, {"00 00 00 00 FF FF", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(TcpFrameLength(H(c.header).data()), c.total) << c.header;
}

}  // namespace
}  // namespace mms::test
