#include "modbus/DeviceIdentification.h"

#include <cstdio>

#include "modbus/ErrorTexts.h"
#include "modbus/ModbusProtocol.h"
#include "modbus/PduExchange.h"

namespace mms {

namespace {

constexpr uint8_t kEncapsulated = 0x2B;
constexpr uint8_t kReadDeviceId = 0x0E;
constexpr uint8_t kReportServerId = 0x11;
// A device whose "more follows" never ends is not followed forever.
constexpr int kMaxPages = 32;

std::string Hex(uint8_t byte) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", byte);
  return text;
}

// Object values are ASCII by the standard; control bytes would garble the
// dialog, so they show as dots.
std::string Printable(const uint8_t* bytes, int length) {
  std::string text;
  for (int i = 0; i < length; ++i) {
    const uint8_t c = bytes[i];
    text += (c < 0x20 || c == 0x7F) ? '.' : static_cast<char>(c);
  }
  return text;
}

std::string ConformityText(uint8_t level) {
  std::string text = Hex(level);
  switch (level & 0x7F) {
    case 1:
      text += " (basic";
      break;
    case 2:
      text += " (regular";
      break;
    case 3:
      text += " (extended";
      break;
    default:
      return text;
  }
  return text + ((level & 0x80) ? ", individual access)" : ")");
}

void ReadObjects(Transport& transport, uint8_t mode, uint8_t deviceId, Identification& found) {
  uint8_t readCode = 2;
  uint8_t objectId = 0;
  uint8_t reply[kRtuFrameSize];
  for (int page = 0; page < kMaxPages; ++page) {
    const std::vector<uint8_t> request = DeviceIdRequest(readCode, objectId);
    int length = 0;
    found.IdResult = ExchangePdu(transport, mode, deviceId, request.data(),
                                 static_cast<int>(request.size()), reply, sizeof reply, &length);
    found.IdException = transport.LastExchange().ExceptionCode;
    // A device that knows only the basic objects may refuse the regular ones.
    if (page == 0 && readCode == 2 && found.IdException == 3) {
      readCode = 1;
      --page;
      continue;
    }
    if (found.IdResult != trOk) return;
    DeviceIdPage parsed;
    if (!ParseDeviceIdPage(reply, length, &parsed)) {
      found.IdResult = trInvalidReply;
      return;
    }
    found.Conformity = parsed.Conformity;
    for (DeviceIdObject& object : parsed.Objects) found.Objects.push_back(std::move(object));
    // The next page must start further on, or the device would be asked again and again.
    if (!parsed.MoreFollows || parsed.NextObjectId <= objectId) return;
    objectId = parsed.NextObjectId;
  }
}

void Describe(std::string& text, int result, uint8_t exceptionCode) {
  text += ExchangeErrorText(result, exceptionCode) + "\n";
}

}  // namespace

std::vector<uint8_t> DeviceIdRequest(uint8_t readCode, uint8_t objectId) {
  return {kEncapsulated, kReadDeviceId, readCode, objectId};
}

bool ParseDeviceIdPage(const uint8_t* pdu, int length, DeviceIdPage* page) {
  if (pdu == nullptr || length < 7 || pdu[0] != kEncapsulated || pdu[1] != kReadDeviceId)
    return false;
  if (pdu[4] != 0x00 && pdu[4] != 0xFF) return false;
  DeviceIdPage parsed;
  parsed.ReadCode = pdu[2];
  parsed.Conformity = pdu[3];
  parsed.MoreFollows = pdu[4] == 0xFF;
  parsed.NextObjectId = pdu[5];
  const int count = pdu[6];
  int at = 7;
  for (int i = 0; i < count; ++i) {
    if (at + 2 > length || at + 2 + pdu[at + 1] > length) return false;
    parsed.Objects.push_back(DeviceIdObject{pdu[at], Printable(pdu + at + 2, pdu[at + 1])});
    at += 2 + pdu[at + 1];
  }
  if (at != length) return false;
  *page = std::move(parsed);
  return true;
}

const char* DeviceIdObjectName(uint8_t id) {
  static const char* const kNames[] = {"VendorName",         "ProductCode", "MajorMinorRevision",
                                       "VendorUrl",          "ProductName", "ModelName",
                                       "UserApplicationName"};
  return id < 7 ? kNames[id] : "";
}

bool ParseServerIdReply(const uint8_t* pdu, int length, std::vector<uint8_t>* data) {
  if (pdu == nullptr || length < 2 || pdu[0] != kReportServerId || pdu[1] != length - 2)
    return false;
  data->assign(pdu + 2, pdu + length);
  return true;
}

Identification IdentifyDevice(Transport& transport, uint8_t protocolMode, uint8_t deviceId) {
  Identification found;
  ReadObjects(transport, protocolMode, deviceId, found);

  const uint8_t request[] = {kReportServerId};
  uint8_t reply[kRtuFrameSize];
  int length = 0;
  found.ServerIdResult =
      ExchangePdu(transport, protocolMode, deviceId, request, 1, reply, sizeof reply, &length);
  found.ServerIdException = transport.LastExchange().ExceptionCode;
  if (found.ServerIdResult == trOk && !ParseServerIdReply(reply, length, &found.ServerIdData))
    found.ServerIdResult = trInvalidReply;
  return found;
}

std::string IdentificationReport(uint8_t deviceId, const Identification& found) {
  std::string text = "Device " + std::to_string(deviceId) + "\n\n";
  text += "Read device identification (function 43 / MEI 14)\n";
  if (!found.Objects.empty() || found.IdResult == trOk)
    text += "Conformity level: " + ConformityText(found.Conformity) + "\n";
  for (const DeviceIdObject& object : found.Objects) {
    const std::string name = DeviceIdObjectName(object.Id);
    text += (name.empty() ? "Object " + Hex(object.Id) : name) + ": " + object.Value + "\n";
  }
  if (found.IdResult != trOk) Describe(text, found.IdResult, found.IdException);

  text += "\nReport server ID (function 17)\n";
  if (found.ServerIdResult != trOk) {
    Describe(text, found.ServerIdResult, found.ServerIdException);
    return text;
  }
  const std::vector<uint8_t>& data = found.ServerIdData;
  if (!data.empty()) text += "Server ID: " + Hex(data[0]) + "\n";
  if (data.size() > 1) {
    text += "Run indicator: ";
    text += data[1] == 0xFF ? "ON" : data[1] == 0x00 ? "OFF" : Hex(data[1]);
    text += "\n";
  }
  if (data.size() > 2)
    text +=
        "Additional data: " + Printable(data.data() + 2, static_cast<int>(data.size()) - 2) + "\n";
  text += "Bytes:";
  for (uint8_t byte : data) text += " " + Hex(byte);
  return text + "\n";
}

}  // namespace mms
