#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "modbus/Transport.h"

// Who a device says it is: function 43 / MEI type 14 (read device
// identification) and function 17 (report server ID).
namespace mms {

struct DeviceIdObject {
  uint8_t Id = 0;
  std::string Value;
};

// One reply to read device identification.
struct DeviceIdPage {
  uint8_t ReadCode = 0;
  uint8_t Conformity = 0;
  bool MoreFollows = false;
  uint8_t NextObjectId = 0;
  std::vector<DeviceIdObject> Objects;
};

// The request PDU: 2B 0E readCode objectId. readCode 1 basic, 2 regular.
std::vector<uint8_t> DeviceIdRequest(uint8_t readCode, uint8_t objectId);
// Parses a reply PDU (from its function code on); false when it is not a
// whole, well-formed one (an object running past the end, a "more follows"
// other than 00 or FF, ...).
bool ParseDeviceIdPage(const uint8_t* pdu, int length, DeviceIdPage* page);
// "VendorName" for 0 ... "UserApplicationName" for 6; "" for other ids.
const char* DeviceIdObjectName(uint8_t id);

// Parses a report server ID reply PDU (11, byte count, data): the data, or
// false when the byte count does not match the reply.
bool ParseServerIdReply(const uint8_t* pdu, int length, std::vector<uint8_t>* data);

// What the two requests brought. Results are TransactionResult values; an
// exception reply gives trInvalidReply and its code.
struct Identification {
  int IdResult = 0;
  uint8_t IdException = 0;
  uint8_t Conformity = 0;
  std::vector<DeviceIdObject> Objects;  // in the order they came, across pages
  int ServerIdResult = 0;
  uint8_t ServerIdException = 0;
  std::vector<uint8_t> ServerIdData;
};

// Asks `deviceId` over `transport`: read device identification, regular
// objects (basic if the device refuses that), following "more follows" to
// the next object id, then report server ID.
Identification IdentifyDevice(Transport& transport, uint8_t protocolMode, uint8_t deviceId);

// The answers as the dialog shows them: one "Name: value" line per object,
// the server ID data read the way most devices lay it out (server ID, run
// indicator, additional data) and in hexadecimal, or each request's error
// in the words of the data windows.
std::string IdentificationReport(uint8_t deviceId, const Identification& found);

}  // namespace mms
