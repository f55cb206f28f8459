#include "modbus/ModbusExceptions.h"

#include <cstdio>

namespace mms {

const char* ModbusExceptionName(uint8_t code) {
  switch (code) {
    case 0x01: return "illegal function";
    case 0x02: return "illegal data address";
    case 0x03: return "illegal data value";
    case 0x04: return "server device failure";
    case 0x05: return "acknowledge";
    case 0x06: return "server device busy";
    case 0x08: return "memory parity error";
    case 0x0A: return "gateway path unavailable";
    case 0x0B: return "gateway target device failed to respond";
    default: return "";
  }
}

std::string DescribeModbusException(uint8_t code) {
  char text[64];
  const char* name = ModbusExceptionName(code);
  if (*name)
    std::snprintf(text, sizeof text, "exception %02X, %s", code, name);
  else
    std::snprintf(text, sizeof text, "exception %02X", code);
  return text;
}

}  // namespace mms
