#include "datawindow/MaskReadWrite.h"

#include <algorithm>

#include "common/Conversions.h"
#include "common/Errors.h"
#include "datawindow/RangeWrite.h"

namespace mms {

namespace {

uint16_t Mask(const std::string& text) {
  return static_cast<uint16_t>(StrToIntBits(text, 0xFFFF, 0));
}

}  // namespace

WriteRequest MaskWriteRequest(uint16_t deviceId, const std::string& address,
                              const std::string& andMask, const std::string& orMask,
                              const AddressStyle& style) {
  WriteRequest request;
  request.WriteFunction = 22;
  request.WriteDeviceID = static_cast<uint8_t>(deviceId & 0xFF);
  request.WriteAddress = ProtocolAddress(address, style);
  request.WriteCount = 1;
  request.WriteValues[0] = Mask(andMask);
  request.WriteValues[1] = Mask(orMask);
  return request;
}

std::vector<std::string> SplitValues(const std::string& text) {
  std::vector<std::string> out;
  std::string current;
  for (char c : text + ' ') {
    if (c == ' ' || c == ';' || c == '\t' || c == '\n') {
      if (!current.empty()) out.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  return out;
}

WriteRequest ReadWriteRequest(uint16_t deviceId, const std::string& readAddress,
                              const std::string& readCount, const std::string& writeAddress,
                              const std::string& writeTexts, const ValueEncoding& encoding,
                              const AddressStyle& style, char decimalSeparator) {
  if ((deviceId & 0xFF) == 0) {
    throw Error("Device 0 is broadcast: function 23 needs a device that answers");
  }
  int32_t count = 0;
  if (!TryStrToInt(readCount, &count) || count < 1 || count > kFunction23MaxRead) {
    throw Error("'" + readCount + "' is not a valid count: read 1 to " +
                std::to_string(kFunction23MaxRead) + " registers");
  }
  const std::vector<std::string> texts = SplitValues(writeTexts);
  const size_t words = texts.size() * static_cast<size_t>(WordCount(encoding.Type));
  if (texts.empty() || words > static_cast<size_t>(kFunction23MaxWrite)) {
    throw Error("Type 1 to " + std::to_string(kFunction23MaxWrite) +
                " registers to write, separated by blanks");
  }
  const uint16_t start = ProtocolAddress(writeAddress, style);
  WriteRequest request = RegisterRangeRequest(texts, encoding, deviceId, start, decimalSeparator);
  request.WriteFunction = 23;
  request.ReadAddress = ProtocolAddress(readAddress, style);
  request.ReadCount = static_cast<uint16_t>(count);
  return request;
}

}  // namespace mms
