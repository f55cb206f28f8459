#pragma once
#include <cstdint>

#include "modbus/Transport.h"

namespace mms {

// One request of any function code and its reply of any length, for the
// one-off requests of the device tools (identification, report server ID)
// whose replies announce their own length. `pdu` is the request from its
// function code on; the reply's PDU (function code on) goes to replyPdu and
// its length to *replyLength. RTU: the reply ends with the line's silence
// and must carry a good CRC; TCP: its header tells its length, and frames
// that answer another request are logged and dropped as ModbusTransaction
// does. Returns trOk for a reply of `deviceId` with the request's function,
// trInvalidReply for an exception reply (its code in LastExchange()) or a
// broken one, trNoReply when nothing whole arrived in TimeoutMs().
int ExchangePdu(Transport& transport, uint8_t protocolMode, uint8_t deviceId, const uint8_t* pdu,
                int pduLength, uint8_t* replyPdu, int replyCapacity, int* replyLength);

}  // namespace mms
