#pragma once
#include <cstdint>
#include <string>

namespace mms {

inline constexpr const char* kTimeoutText = "Modbus message timeout";
inline constexpr const char* kInvalidReplyText = "Invalid response to Modbus message";

// The error text of a failed exchange (a TransactionResult), as a data window
// shows it: kTimeoutText for trNoReply, kInvalidReplyText for trInvalidReply,
// followed by ": exception 02, illegal data address" for an exception reply
// (exceptionCode != 0). Empty for trOk.
std::string ExchangeErrorText(int result, uint8_t exceptionCode);

}  // namespace mms
