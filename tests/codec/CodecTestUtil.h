#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "modbus/ModbusProtocol.h"
#include "support/FakeTransport.h"

namespace mms::test {

// "01 03 00 0A" -> bytes.
inline Bytes H(const std::string& text) {
  Bytes out;
  unsigned value = 0;
  int digits = 0;
  for (char c : text) {
    if (c == ' ') continue;
    value = value * 16 + static_cast<unsigned>(std::stoi(std::string(1, c), nullptr, 16));
    if (++digits == 2) {
      out.push_back(static_cast<uint8_t>(value));
      value = 0;
      digits = 0;
    }
  }
  return out;
}

// bytes -> "01 03 00 0A", so failures show frames the way they are written.
inline std::string Hex(const Bytes& bytes) {
  std::string out;
  char cell[4];
  for (uint8_t b : bytes) {
    std::snprintf(cell, sizeof cell, "%02X", b);
    if (!out.empty()) out += ' ';
    out += cell;
  }
  return out;
}

// An RTU frame: the bytes from the device ID on, then their CRC.
inline Bytes Rtu(const std::string& pdu) {
  Bytes frame = H(pdu);
  frame.resize(frame.size() + 2);
  int length = static_cast<int>(frame.size()) - 2;
  AppendCrc(frame.data(), length);
  return frame;
}

// A TCP frame: header with the given transaction id (by default the first
// one a transport sends) and a length field that matches the bytes from the
// unit id on.
inline Bytes Tcp(const std::string& pdu, uint16_t transactionId = 1) {
  Bytes body = H(pdu);
  const auto length = static_cast<uint16_t>(body.size());
  Bytes frame(6 + body.size());
  frame[0] = HiByte(transactionId);
  frame[1] = LoByte(transactionId);
  frame[4] = HiByte(length);
  frame[5] = LoByte(length);
  std::copy(body.begin(), body.end(), frame.begin() + 6);
  return frame;
}

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace mms::test
