// Range, mask and read/write requests from the texts of their dialogs.
#include <gtest/gtest.h>

#include "common/Errors.h"
#include "datawindow/MaskReadWrite.h"
#include "datawindow/RangeWrite.h"

namespace mms {
namespace {

const ValueEncoding kFloatCdab{ValueType::Float32, ByteOrder::WordSwapped};

TEST(RangeWrite, RowsShowPolledValuesInTheWindowsTypeAndZeroBeyond) {
  const uint16_t words[] = {0x0000, 0x3FC0, 0x0000, 0x4020, 7};
  const struct {
    const char* name;
    bool coils;
    int count, known;
    ValueEncoding encoding;
    std::vector<std::string> texts;
    uint16_t lastAddress;
  } cases[] = {
      {"coils", true, 3, 2, {}, {"0", "1", "0"}, 12},
      {"16-bit hex", false, 2, 5, {ValueType::Hex16, ByteOrder::BigEndian}, {"$0000", "$3FC0"}, 11},
      {"float, whole values, last one unpolled", false, 6, 4, kFloatCdab, {"1.5", "2.5", "0"}, 14},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const uint16_t bits[] = {0, 1, 0};
    const std::vector<RangeRow> rows =
        RangeRows(c.coils, 10, c.count, c.coils ? bits : words, c.known, c.encoding, '.');
    ASSERT_EQ(rows.size(), c.texts.size());
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].Text, c.texts[i]) << i;
    EXPECT_EQ(rows.back().Address, c.lastAddress);
  }
}

TEST(RangeWrite, CoilAndRegisterRangesPackTheirWords) {
  std::vector<std::string> coils(18, "0");
  coils[0] = "1";
  coils[15] = "ON";
  coils[17] = "1";
  const WriteRequest c = CoilRangeRequest(coils, 0x107, 20);
  EXPECT_EQ(c.WriteFunction, 15);
  EXPECT_EQ(c.WriteDeviceID, 7);
  EXPECT_EQ(c.WriteCount, 18);
  EXPECT_EQ(c.WriteValues[0], 0x8001);
  EXPECT_EQ(c.WriteValues[1], 0x0002);

  const WriteRequest r = RegisterRangeRequest({"1.5", "2.5"}, kFloatCdab, 1, 10, '.');
  EXPECT_EQ(r.WriteFunction, 16);
  EXPECT_EQ(r.WriteCount, 4);
  EXPECT_EQ((std::vector<uint16_t>(r.WriteValues, r.WriteValues + 4)),
            (std::vector<uint16_t>{0, 0x3FC0, 0, 0x4020}));
}

TEST(RangeWrite, RefusedTextsAndCountsNameWhatWasTyped) {
  const auto message = [](auto call) {
    try {
      call();
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("<accepted>");
  };
  const std::pair<std::function<void()>, const char*> cases[] = {
      {[] { RangeCount("1969", true); },
       "'1969' is not a valid count: write 1 to 1968 coils in one request"},
      {[] {
         RegisterRangeRequest(std::vector<std::string>(31, "1"),
                              {ValueType::Unsigned64, ByteOrder::BigEndian}, 1, 0, '.');
       },
       "'124' is not a valid count: write 1 to 123 registers in one request"},
      {[] {
         CoilRangeRequest({"1", "2"}, 1, 0);
       },
       "'2' is not a valid coil value: type 0 or 1"},
      {[] { ReadWriteRequest(0, "0", "1", "0", "1", {}, {}, '.'); },
       "Device 0 is broadcast: function 23 needs a device that answers"},
      {[] { ReadWriteRequest(1, "0", "1", "0", " ; ", {}, {}, '.'); },
       "Type 1 to 121 registers to write, separated by blanks"},
  };
  for (const auto& [call, text] : cases) EXPECT_EQ(message(call), text);
}

TEST(RangeWrite, MaskAndReadWriteRequestsCarryTheirOperands) {
  const AddressStyle oneBased{AddressBase::One, 3};
  const WriteRequest m = MaskWriteRequest(1, "5", "$FF00", "86", oneBased);
  EXPECT_EQ(m.WriteFunction, 22);
  EXPECT_EQ(m.WriteAddress, 4);
  EXPECT_EQ(m.WriteValues[0], 0xFF00);
  EXPECT_EQ(m.WriteValues[1], 86);

  const WriteRequest rw = ReadWriteRequest(1, "101", "3", "301", "7; 8 9", {}, oneBased, '.');
  EXPECT_EQ(rw.WriteFunction, 23);
  EXPECT_EQ(rw.ReadAddress, 100);
  EXPECT_EQ(rw.ReadCount, 3);
  EXPECT_EQ(rw.WriteAddress, 300);
  EXPECT_EQ(rw.WriteCount, 3);
  EXPECT_EQ(rw.WriteValues[2], 9);
}

}  // namespace
}  // namespace mms
