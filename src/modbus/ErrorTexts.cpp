#include "modbus/ErrorTexts.h"

#include "modbus/ModbusExceptions.h"
#include "modbus/ModbusProtocol.h"

namespace mms {

std::string ExchangeErrorText(int result, uint8_t exceptionCode) {
  if (result == trOk) return {};
  if (result != trInvalidReply) return kTimeoutText;
  if (exceptionCode == 0) return kInvalidReplyText;
  return std::string(kInvalidReplyText) + ": " + DescribeModbusException(exceptionCode);
}

}  // namespace mms
