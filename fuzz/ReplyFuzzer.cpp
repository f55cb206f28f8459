// Arbitrary bytes as the reply to each kind of request, over both protocols:
// through CheckReply on an exactly sized buffer and through ModbusTransaction
// over the scripted transport, cut into pieces, late or failing as the input
// says. Any read or write out of bounds is a sanitizer report.
//
// Input: [flags] [device] [count hi] [count lo] [capacity] [piece size] reply...
//   flags bit 0: TCP; bit 1: serial-like gathering; bits 2-4: function
//   (1, 2, 3, 4, 5, 6, 16, or the device byte as a raw code); bit 5: keep
//   the count within the frame limits; bit 6: last piece arrives late;
//   bit 7: the link fails after the reply.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "modbus/ModbusProtocol.h"
#include "support/FakeTransport.h"

namespace {

constexpr uint8_t kFunctions[7] = {1, 2, 3, 4, 5, 6, 16};

uint16_t Limit(uint8_t function) {
  switch (function) {
    case 1:
    case 2:
      return mms::kMaxReadBits;
    case 3:
    case 4:
      return mms::kMaxReadRegisters;
    case 16:
      return mms::kMaxWriteRegisters;
    default:
      return 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 6) return 0;
  const uint8_t flags = data[0];
  const uint8_t device = data[1];
  const int pick = (flags >> 2) & 7;
  const uint8_t function = pick < 7 ? kFunctions[pick] : device;
  uint16_t count = static_cast<uint16_t>(data[2] << 8 | data[3]);
  if (flags & 0x20) count = static_cast<uint16_t>(count % (Limit(function) + 1));
  const int capacity = data[4] * 9;
  const int pieceSize = data[5];
  const std::vector<uint8_t> reply(data + 6, data + size);

  // Exactly sized, so a stray access lands outside an allocation.
  std::vector<uint16_t> values(static_cast<size_t>(capacity));
  for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<uint16_t>(i * 0x0101);
  uint16_t* array = capacity > 0 ? values.data() : nullptr;

  std::vector<uint8_t> exact(reply);
  mms::CheckReply(device, function, 0x0102, count, array, capacity,
                  exact.empty() ? nullptr : exact.data(), static_cast<int>(exact.size()));

  mms::test::FakeTransport link;
  link.SetGatherPieces(flags & 0x02);
  std::vector<mms::test::FakeTransport::Piece> pieces;
  const size_t step = pieceSize == 0 ? reply.size() + 1 : static_cast<size_t>(pieceSize);
  for (size_t i = 0; i < reply.size(); i += step) {
    const size_t end = std::min(reply.size(), i + step);
    pieces.push_back({std::vector<uint8_t>(reply.begin() + static_cast<long>(i),
                                           reply.begin() + static_cast<long>(end)),
                      0, false});
  }
  if ((flags & 0x40) && !pieces.empty()) pieces.back().delayMs = 1 << 20;
  if (flags & 0x80) pieces.push_back({{}, 0, true});
  link.ScriptPieces(pieces);
  link.ScriptPieces(pieces);  // the second exchange first discards what is left

  const uint8_t mode = (flags & 0x01) ? mms::kModbusTcp : mms::kModbusRtu;
  for (int round = 0; round < 2; ++round) {
    const int result =
        mms::ModbusTransaction(link, mode, function, device, 0x0102, count, array, capacity);
    if (result != mms::trOk && result != mms::trInvalidReply && result != mms::trNoReply) {
      __builtin_trap();
    }
  }
  return 0;
}
