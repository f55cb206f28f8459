// One exchange over the scripted transport: the frames that leave, what is
// waited for, the result for each kind of answer, and what reaches the log.
#include <gtest/gtest.h>

#include <vector>

#include "codec/CodecTestUtil.h"

namespace mms::test {
namespace {

using Piece = FakeTransport::Piece;
constexpr uint16_t kUntouched = 0xBEEF;

class TransactionTest : public ::testing::Test {
 protected:
  int Transact(uint8_t mode, uint8_t function, uint8_t device, uint16_t address, uint16_t count,
               int capacity = 32) {
    return ModbusTransaction(link, mode, function, device, address, count, values.data(), capacity);
  }
  std::string SentHex(size_t i = 0) const {
    const auto sent = link.Sent();
    return i < sent.size() ? Hex(sent[i]) : "<nothing sent>";
  }
  bool ValuesUntouched(size_t from = 0) const {
    for (size_t i = from; i < values.size(); ++i) {
      if (values[i] != kUntouched) return false;
    }
    return true;
  }

  FakeTransport link;
  std::vector<uint16_t> values = std::vector<uint16_t>(1200, kUntouched);
};

struct FrameCase {
  const char* name;
  uint8_t mode, function, device;
  uint16_t address, count;
  std::vector<uint16_t> values;
  const char* request;
  int awaited;  // RTU: the one Receive's length; TCP: the frame length gathered
  Bytes reply;
};

TEST_F(TransactionTest, RequestFramesAndAwaitedLengths) {
  const FrameCase cases[] = {
      {"RTU read registers",
       kModbusRtu,
       3,
       1,
       0,
       10,
       {},
       "01 03 00 00 00 0A C5 CD",
       25,
       Rtu("01 03 14 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00")},
      {"RTU read coils",
       kModbusRtu,
       1,
       1,
       0,
       10,
       {},
       "01 01 00 00 00 0A BC 0D",
       7,
       Rtu("01 01 02 00 00")},
      {"RTU read 0 coils",
       kModbusRtu,
       1,
       1,
       0,
       0,
       {},
       "01 01 00 00 00 00 3C 0A",
       5,
       Rtu("01 01 00")},
      {"RTU write coil",
       kModbusRtu,
       5,
       1,
       3,
       1,
       {7},
       "01 05 00 03 FF 00 7C 3A",
       8,
       Rtu("01 05 00 03 FF 00")},
      {"RTU write register",
       kModbusRtu,
       6,
       1,
       1,
       1,
       {0x1234},
       "01 06 00 01 12 34 D5 7D",
       8,
       Rtu("01 06 00 01 12 34")},
      {"RTU write registers",
       kModbusRtu,
       16,
       17,
       1,
       2,
       {1, 2},
       "11 10 00 01 00 02 04 00 01 00 02 B6 A2",
       8,
       Rtu("11 10 00 01 00 02")},
      {"TCP read registers",
       kModbusTcp,
       3,
       1,
       0,
       10,
       {},
       "00 01 00 00 00 06 01 03 00 00 00 0A",
       29,
       Tcp("01 03 14 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00")},
      {"TCP write registers",
       kModbusTcp,
       16,
       17,
       1,
       2,
       {1, 2},
       "00 01 00 00 00 0B 11 10 00 01 00 02 04 00 01 00 02",
       12,
       Tcp("11 10 00 01 00 02")},
      {"TCP write coil OFF",
       kModbusTcp,
       5,
       2,
       0x100,
       1,
       {0},
       "00 01 00 00 00 06 02 05 01 00 00 00",
       12,
       Tcp("02 05 01 00 00 00")},
  };
  for (const auto& c : cases) {
    FakeTransport fresh;
    fresh.SetTimeoutMs(300);
    fresh.ScriptReply(c.reply);
    std::vector<uint16_t> v = c.values;
    v.resize(32);
    EXPECT_EQ(
        ModbusTransaction(fresh, c.mode, c.function, c.device, c.address, c.count, v.data(), 32),
        trOk)
        << c.name;
    ASSERT_EQ(fresh.Sent().size(), 1u) << c.name;
    EXPECT_EQ(Hex(fresh.Sent()[0]), c.request) << c.name;
    const auto receives = fresh.Receives();
    ASSERT_FALSE(receives.empty()) << c.name;
    if (c.mode == kModbusRtu) {
      ASSERT_EQ(receives.size(), 1u) << c.name;
      EXPECT_EQ(receives[0].length, c.awaited) << c.name;
      EXPECT_EQ(receives[0].waitMs, 300 + c.awaited) << c.name;
    } else {
      EXPECT_EQ(receives[0].length, 6) << c.name << ": the header first";
      int asked = 0;
      for (const auto& r : receives) asked += r.length;
      EXPECT_EQ(asked, c.awaited) << c.name;
      for (const auto& r : receives) EXPECT_LE(r.waitMs, 300) << c.name;
    }
    const std::vector<std::string> order = {"discard", "send"};
    EXPECT_TRUE(std::equal(order.begin(), order.end(), fresh.Events().begin())) << c.name;
    EXPECT_EQ(fresh.Events().back(), "reply") << c.name;
    ASSERT_EQ(fresh.Replies().size(), 1u) << c.name;
    EXPECT_EQ(Hex(fresh.Replies()[0]), Hex(c.reply)) << c.name;
  }
}

TEST_F(TransactionTest, ReadsStoreTheirValues) {
  link.ScriptReply(Rtu("01 01 02 CD 01"));
  ASSERT_EQ(Transact(kModbusRtu, 1, 1, 0, 10), trOk);
  EXPECT_EQ(std::vector<uint16_t>(values.begin(), values.begin() + 11),
            (std::vector<uint16_t>{1, 0, 1, 1, 0, 0, 1, 1, 1, 0, kUntouched}));

  link.ScriptReply(Tcp("05 04 04 12 34 FF FE"));
  ASSERT_EQ(Transact(kModbusTcp, 4, 5, 0, 2), trOk);
  EXPECT_EQ(values[0], 0x1234);
  EXPECT_EQ(values[1], 0xFFFE);
  EXPECT_EQ(values[2], 1);  // left from the coil read

  // A byte count below what was asked for: invalid, nothing stored.
  values.assign(values.size(), kUntouched);
  link.ScriptReply(Rtu("01 04 04 00 01 00 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"));
  ASSERT_EQ(Transact(kModbusRtu, 4, 1, 0, 10), trInvalidReply);
  EXPECT_TRUE(ValuesUntouched(0));
}

struct OutcomeCase {
  const char* name;
  uint8_t mode, function;
  uint16_t count;
  std::vector<Piece> answer;
  int result;
  Bytes logged;  // what ReplyReceived got
};

TEST_F(TransactionTest, OutcomeOfEachKindOfAnswer) {
  const Bytes rtuOk = Rtu("01 03 04 00 01 00 02");
  Bytes rtuBadCrc = rtuOk;
  rtuBadCrc.back() ^= 0x01;
  const Bytes rtuShort(rtuOk.begin(), rtuOk.begin() + 5);
  const Bytes tcpOk = Tcp("01 03 04 00 01 00 02");
  const Bytes tcpHead(tcpOk.begin(), tcpOk.begin() + 7);
  const OutcomeCase cases[] = {
      {"RTU exception reply",
       kModbusRtu,
       3,
       2,
       {{Rtu("01 83 02")}},
       trInvalidReply,
       Rtu("01 83 02")},
      {"TCP exception reply",
       kModbusTcp,
       3,
       2,
       {{Tcp("01 83 02")}},
       trInvalidReply,
       Tcp("01 83 02")},
      {"RTU other device",
       kModbusRtu,
       3,
       2,
       {{Rtu("02 03 04 00 01 00 02")}},
       trInvalidReply,
       Rtu("02 03 04 00 01 00 02")},
      {"RTU other function",
       kModbusRtu,
       3,
       2,
       {{Rtu("01 04 04 00 01 00 02")}},
       trInvalidReply,
       Rtu("01 04 04 00 01 00 02")},
      {"RTU bad CRC", kModbusRtu, 3, 2, {{rtuBadCrc}}, trInvalidReply, rtuBadCrc},
      {"RTU short reply", kModbusRtu, 3, 2, {{rtuShort}}, trInvalidReply, rtuShort},
      {"RTU reply cut by a gap",
       kModbusRtu,
       3,
       2,
       {{rtuShort}, {Bytes(rtuOk.begin() + 5, rtuOk.end()), 5}},
       trInvalidReply,
       rtuShort},
      {"RTU silence", kModbusRtu, 3, 2, {}, trNoReply, {}},
      {"RTU port failure", kModbusRtu, 3, 2, {{{}, 0, true}}, trNoReply, {}},
      {"TCP silence", kModbusTcp, 3, 2, {}, trNoReply, {}},
      {"TCP closed mid-reply", kModbusTcp, 3, 2, {{tcpHead}, {{}, 0, true}}, trNoReply, tcpHead},
      {"TCP rest never comes", kModbusTcp, 3, 2, {{tcpHead}, {{0x04}, 5000}}, trNoReply, tcpHead},
      {"TCP length field 1",
       kModbusTcp,
       3,
       2,
       {{H("00 00 00 00 00 01 01 03 04")}},
       trInvalidReply,
       H("00 00 00 00 00 01")},
      {"TCP length field 0",
       kModbusTcp,
       3,
       2,
       {{H("00 00 00 00 00 00")}},
       trInvalidReply,
       H("00 00 00 00 00 00")},
      {"TCP length beyond the frame",
       kModbusTcp,
       3,
       2,
       {{H("00 00 00 00 01 00 01 03 04 00")}},
       trInvalidReply,
       H("00 00 00 00 01 00")},
      {"TCP length too short for the data",
       kModbusTcp,
       1,
       16,
       {{Tcp("01 01 02 FF")}},
       trInvalidReply,
       Tcp("01 01 02 FF")},
      {"TCP write echo cut short",
       kModbusTcp,
       6,
       1,
       {{Tcp("01 06 00 00")}},
       trInvalidReply,
       Tcp("01 06 00 00")},
  };
  for (const auto& c : cases) {
    FakeTransport fresh;
    fresh.ScriptPieces(c.answer);
    std::vector<uint16_t> v(8, kUntouched);
    v[0] = 0;  // the value a write sends
    const int result = ModbusTransaction(fresh, c.mode, c.function, 1, 0, c.count, v.data(), 8);
    EXPECT_EQ(result, c.result) << c.name;
    ASSERT_EQ(fresh.Replies().size(), 1u) << c.name;
    EXPECT_EQ(Hex(fresh.Replies()[0]), Hex(c.logged)) << c.name;
    if (result != trOk) {
      for (size_t i = 1; i < v.size(); ++i) EXPECT_EQ(v[i], kUntouched) << c.name;
    }
  }
}

TEST_F(TransactionTest, LateReplyIsDiscardedAndTheNextRequestGetsItsOwn) {
  for (uint8_t mode : {kModbusRtu, kModbusTcp}) {
    FakeTransport fresh;
    fresh.SetTimeoutMs(100);
    const Bytes late = mode == kModbusRtu ? Rtu("01 03 02 00 0A") : Tcp("01 03 02 00 0A");
    const Bytes own = mode == kModbusRtu ? Rtu("01 03 02 00 0B") : Tcp("01 03 02 00 0B", 2);
    fresh.ScriptReply(late, 10000);
    fresh.ScriptReply(own);
    std::vector<uint16_t> v(4, kUntouched);
    EXPECT_EQ(ModbusTransaction(fresh, mode, 3, 1, 0, 1, v.data(), 4), trNoReply);
    EXPECT_EQ(v[0], kUntouched);
    EXPECT_EQ(ModbusTransaction(fresh, mode, 3, 1, 0, 1, v.data(), 4), trOk);
    EXPECT_EQ(v[0], 0x0B) << "mode " << int(mode);
    ASSERT_EQ(fresh.Discarded().size(), 1u);
    EXPECT_EQ(Hex(fresh.Discarded()[0]), Hex(late));
  }
}

TEST_F(TransactionTest, TcpTransactionIdsCountUpPerTransportAndSkipZero) {
  FakeTransport other;
  for (int i = 0; i < 65533; ++i) link.NextTransactionId();
  for (int i = 0; i < 3; ++i) Transact(kModbusTcp, 3, 1, 0, 1);
  Transact(kModbusRtu, 3, 1, 0, 1);  // RTU frames carry none
  Transact(kModbusTcp, 3, 1, 0, 1);
  ModbusTransaction(other, kModbusTcp, 3, 1, 0, 1, values.data(), 32);
  const auto sent = link.Sent();
  ASSERT_EQ(sent.size(), 5u);
  const char* ids[] = {"FF FE", "FF FF", "00 01", nullptr, "00 02"};
  for (size_t i = 0; i < sent.size(); ++i) {
    if (ids[i] == nullptr) continue;
    EXPECT_EQ(Hex(Bytes(sent[i].begin(), sent[i].begin() + 2)), ids[i]) << i;
  }
  const Bytes first = other.Sent().at(0);
  EXPECT_EQ(Hex(Bytes(first.begin(), first.begin() + 2)), "00 01") << "counted per transport";
}

// Frames that answer another request (a late reply, another unit) are logged
// and dropped; the wait goes on for the request's own reply.
TEST_F(TransactionTest, TcpFramesForAnotherRequestAreDroppedAndTheWaitGoesOn) {
  const Bytes own = Tcp("01 03 02 00 0B");
  struct Case {
    const char* name;
    Bytes before;  // arrives first, after the request
    bool ownFollows;
    int result;
  };
  const Case cases[] = {
      {"late reply, another id", Tcp("01 03 02 00 0A", 7), true, trOk},
      {"id 0", Tcp("01 03 02 00 0A", 0), true, trOk},
      {"another unit", Tcp("02 03 02 00 0A"), true, trOk},
      {"another function", Tcp("01 04 02 00 0A"), true, trOk},
      {"exception to another request", Tcp("01 83 02", 9), true, trOk},
      {"two strays in one read", Tcp("01 03 02 00 0A", 7) + Tcp("05 03 02 00 0A"), true, trOk},
      {"a stray and nothing else", Tcp("01 03 02 00 0A", 7), false, trNoReply},
      {"own exception", Tcp("01 83 02"), false, trInvalidReply},
  };
  for (const auto& c : cases) {
    FakeTransport fresh;
    std::vector<Piece> pieces = {{c.before}};
    if (c.ownFollows) pieces.push_back({own});
    fresh.ScriptPieces(pieces);
    std::vector<uint16_t> v(4, kUntouched);
    EXPECT_EQ(ModbusTransaction(fresh, kModbusTcp, 3, 1, 0, 1, v.data(), 4), c.result) << c.name;
    EXPECT_EQ(v[0], c.result == trOk ? 0x0B : kUntouched) << c.name;
    Bytes logged;
    for (const auto& r : fresh.Replies()) logged.insert(logged.end(), r.begin(), r.end());
    Bytes arrived = c.before;
    if (c.ownFollows) arrived.insert(arrived.end(), own.begin(), own.end());
    EXPECT_EQ(Hex(logged), Hex(arrived)) << c.name << ": every frame logged once";
  }
}

TEST_F(TransactionTest, TcpStrayFramesDoNotExtendTheTimeout) {
  link.SetRealTime(true);
  link.SetTimeoutMs(200);
  link.ScriptPieces({{Tcp("01 03 02 00 0A", 7), 150}, {Tcp("01 03 02 00 0B"), 150}});
  EXPECT_EQ(Transact(kModbusTcp, 3, 1, 0, 1), trNoReply);
  const auto receives = link.Receives();
  ASSERT_GE(receives.size(), 3u);
  for (size_t i = 2; i < receives.size(); ++i) EXPECT_LE(receives[i].waitMs, 51) << i;
}

TEST_F(TransactionTest, StrayInputBeforeARequestIsNotTakenAsItsReply) {
  link.InjectInput(Rtu("01 03 02 00 63"));
  link.ScriptReply(Rtu("01 03 02 00 01"));
  ASSERT_EQ(Transact(kModbusRtu, 3, 1, 0, 1), trOk);
  EXPECT_EQ(values[0], 1);
}

TEST_F(TransactionTest, SplitTcpRepliesAreGathered) {
  const Bytes reply = Tcp("01 03 14 00 01 00 02 00 03 00 04 00 05 00 06 00 07 00 08 00 09 00 0A");
  for (int pieceSize : {1, 2, 3, 7, 8, 28}) {
    FakeTransport fresh;
    fresh.ScriptSplitReply(reply, pieceSize);
    std::vector<uint16_t> v(10, kUntouched);
    ASSERT_EQ(ModbusTransaction(fresh, kModbusTcp, 3, 1, 0, 10, v.data(), 10), trOk) << pieceSize;
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(v[9], 10) << pieceSize;
    ASSERT_EQ(fresh.Replies().size(), 1u);
    EXPECT_EQ(Hex(fresh.Replies()[0]), Hex(reply)) << "logged once, whole";
    if (pieceSize == 1) {
      EXPECT_EQ(fresh.Receives().size(), reply.size());
    }
  }
}

TEST_F(TransactionTest, RtuReplyInPiecesWithinTheGapIsOneReply) {
  link.SetGatherPieces(true);
  link.ScriptSplitReply(Rtu("01 03 04 00 01 00 02"), 2);
  ASSERT_EQ(Transact(kModbusRtu, 3, 1, 0, 2), trOk);
  EXPECT_EQ(values[1], 2);
}

TEST_F(TransactionTest, TwoRepliesInOneReadTakeOnlyTheFirst) {
  for (uint8_t mode : {kModbusRtu, kModbusTcp}) {
    FakeTransport fresh;
    const auto frame = [&](const char* pdu) { return mode == kModbusRtu ? Rtu(pdu) : Tcp(pdu); };
    Bytes both = frame("01 03 02 00 11");
    const Bytes second = frame("01 03 02 00 22");
    both.insert(both.end(), second.begin(), second.end());
    fresh.ScriptReply(both);
    fresh.ScriptReply(mode == kModbusRtu ? Rtu("01 03 02 00 33") : Tcp("01 03 02 00 33", 2));
    std::vector<uint16_t> v(4, kUntouched);
    ASSERT_EQ(ModbusTransaction(fresh, mode, 3, 1, 0, 1, v.data(), 4), trOk);
    EXPECT_EQ(v[0], 0x11);
    EXPECT_EQ(fresh.PendingInputBytes(), second.size());
    ASSERT_EQ(ModbusTransaction(fresh, mode, 3, 1, 0, 1, v.data(), 4), trOk);
    EXPECT_EQ(v[0], 0x33) << "mode " << int(mode);
    ASSERT_EQ(fresh.Discarded().size(), 1u);
    EXPECT_EQ(Hex(fresh.Discarded()[0]), Hex(second));
  }
}

TEST_F(TransactionTest, RequestsThatCannotBeFramedAreRefusedWithoutTraffic) {
  const struct {
    const char* name;
    uint8_t mode, function;
    uint16_t count;
    int capacity;
    int result;
  } cases[] = {
      {"RTU 126 registers", kModbusRtu, 3, 126, 200, trInvalidReply},
      {"TCP 126 input registers", kModbusTcp, 4, 126, 200, trInvalidReply},
      {"RTU 2009 coils", kModbusRtu, 1, 2009, 1200, trInvalidReply},
      {"TCP 65535 inputs", kModbusTcp, 2, 65535, 1200, trInvalidReply},
      {"RTU write 124 registers", kModbusRtu, 16, 124, 200, trInvalidReply},
      {"TCP write 128 registers (byte count would wrap)", kModbusTcp, 16, 128, 200, trInvalidReply},
      {"write 4 registers from 2 values", kModbusRtu, 16, 4, 2, trInvalidReply},
      {"write register without a value", kModbusTcp, 6, 1, 0, trInvalidReply},
      {"unknown function", kModbusRtu, 8, 1, 8, trInvalidReply},
      {"exception code as function", kModbusTcp, 0x83, 1, 8, trInvalidReply},
      {"unknown protocol", 4, 3, 1, 8, trNoReply},
      {"unknown protocol 255", 255, 3, 1, 8, trNoReply},
  };
  for (const auto& c : cases) {
    FakeTransport fresh;
    std::vector<uint16_t> v(1200, 0);
    EXPECT_EQ(ModbusTransaction(fresh, c.mode, c.function, 1, 0, c.count, v.data(), c.capacity),
              c.result)
        << c.name;
    EXPECT_TRUE(fresh.Events().empty()) << c.name;
  }
}

TEST_F(TransactionTest, LargestCountsAreSent) {
  const struct {
    uint8_t mode, function;
    uint16_t count;
    size_t sentLength;
    int awaited;
  } cases[] = {
      {kModbusRtu, 3, 125, 8, 255},   {kModbusTcp, 3, 125, 12, 259}, {kModbusRtu, 1, 2008, 8, 256},
      {kModbusTcp, 2, 2008, 12, 260}, {kModbusRtu, 16, 123, 255, 8}, {kModbusTcp, 16, 123, 259, 12},
  };
  for (const auto& c : cases) {
    FakeTransport fresh;
    std::vector<uint16_t> v(2008, 0);
    EXPECT_EQ(ModbusTransaction(fresh, c.mode, c.function, 1, 0, c.count, v.data(), 2008),
              trNoReply);
    ASSERT_EQ(fresh.Sent().size(), 1u);
    EXPECT_EQ(fresh.Sent()[0].size(), c.sentLength);
    if (c.mode == kModbusRtu) {
      EXPECT_EQ(fresh.Receives()[0].length, c.awaited);
    }
  }
}

TEST_F(TransactionTest, ReadsIntoASmallArrayStoreOnlyWhatFits) {
  std::vector<uint16_t> memory(12, kUntouched);
  link.ScriptReply(Tcp("01 03 08 00 01 00 02 00 03 00 04"));
  ASSERT_EQ(ModbusTransaction(link, kModbusTcp, 3, 1, 0, 4, memory.data() + 2, 3), trOk);
  EXPECT_EQ(std::vector<uint16_t>(memory.begin(), memory.begin() + 6),
            (std::vector<uint16_t>{kUntouched, kUntouched, 1, 2, 3, kUntouched}));

  link.ScriptReply(Rtu("01 02 02 FF FF"));
  ASSERT_EQ(ModbusTransaction(link, kModbusRtu, 2, 1, 0, 16, memory.data() + 2, 3), trOk);
  EXPECT_EQ(memory[5], kUntouched);
  EXPECT_EQ(ModbusTransaction(link, kModbusRtu, 3, 1, 0, 4, nullptr, 0), trNoReply)
      << "a read with no array is still sent";
}

TEST_F(TransactionTest, TcpPiecesShareOneTimeoutBudget) {
  // Real sleeps: each piece after the header needs 150 ms within a 200 ms budget.
  link.SetRealTime(true);
  link.SetTimeoutMs(200);
  const Bytes reply = Tcp("01 03 04 00 01 00 02");
  link.ScriptPieces({{Bytes(reply.begin(), reply.begin() + 6)},
                     {Bytes(reply.begin() + 6, reply.begin() + 9), 150},
                     {Bytes(reply.begin() + 9, reply.end()), 150}});
  EXPECT_EQ(Transact(kModbusTcp, 3, 1, 0, 2), trNoReply);
  const auto receives = link.Receives();
  ASSERT_GE(receives.size(), 2u);
  EXPECT_LE(receives[1].waitMs, 200);
  for (size_t i = 2; i < receives.size(); ++i) EXPECT_LE(receives[i].waitMs, 51);
}

}  // namespace
}  // namespace mms::test
