#pragma once
#include <cstdint>
#include <string>

namespace mms {

// The name of a Modbus exception code as engineers know it: "illegal data
// address" for 2. Codes without a standard name give an empty string.
const char* ModbusExceptionName(uint8_t code);

// "exception 02, illegal data address"; "exception 0C" for a code without a
// name. Two upper-case hex digits, so it reads like the frame.
std::string DescribeModbusException(uint8_t code);

}  // namespace mms
