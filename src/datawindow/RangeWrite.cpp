#include "datawindow/RangeWrite.h"

#include <algorithm>
#include <cctype>

#include "common/Conversions.h"
#include "common/Errors.h"
#include "datawindow/WriteValue.h"

namespace mms {

namespace {

Error CountError(const std::string& text, bool coils) {
  return Error("'" + text + "' is not a valid count: write 1 to " +
               std::to_string(MaxRangeCount(coils)) + (coils ? " coils" : " registers") +
               " in one request");
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

int MaxRangeCount(bool coils) { return coils ? kMaxRangeCoils : kMaxRangeRegisters; }

int RangeCount(const std::string& text, bool coils) {
  int32_t count = 0;
  if (!TryStrToInt(text, &count) || count < 1 || count > MaxRangeCount(coils)) {
    throw CountError(text, coils);
  }
  return count;
}

std::vector<RangeRow> RangeRows(bool coils, uint16_t address, int count, const uint16_t* words,
                                int known, const ValueEncoding& encoding, char decimalSeparator) {
  const int width = coils ? 1 : WordCount(encoding.Type);
  const int rows = (std::max(count, 0) + width - 1) / width;
  std::vector<RangeRow> out;
  out.reserve(static_cast<size_t>(rows));
  for (int i = 0; i < rows; ++i) {
    uint16_t value[4] = {};
    for (int k = 0; k < width; ++k) {
      const int offset = i * width + k;
      value[k] = offset < known && words ? words[offset] : 0;
    }
    RangeRow row;
    row.Address = static_cast<uint16_t>(address + i * width);
    row.Text = coils ? (value[0] != 0 ? "1" : "0") : PrefillText(value, encoding, decimalSeparator);
    out.push_back(row);
  }
  return out;
}

WriteRequest CoilRangeRequest(const std::vector<std::string>& texts, uint16_t deviceId,
                              uint16_t address) {
  if (texts.empty() || texts.size() > static_cast<size_t>(kMaxRangeCoils)) {
    throw CountError(std::to_string(texts.size()), true);
  }
  WriteRequest request;
  request.WriteFunction = 15;
  request.WriteDeviceID = static_cast<uint8_t>(deviceId & 0xFF);
  request.WriteAddress = address;
  request.WriteCount = static_cast<uint16_t>(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    const std::string text = Lower(texts[i]);
    const bool on = text == "1" || text == "on";
    if (!on && text != "0" && text != "off") {
      throw Error("'" + texts[i] + "' is not a valid coil value: type 0 or 1");
    }
    if (on) request.WriteValues[i / 16] |= static_cast<uint16_t>(1u << (i % 16));
  }
  return request;
}

WriteRequest RegisterRangeRequest(const std::vector<std::string>& texts,
                                  const ValueEncoding& encoding, uint16_t deviceId,
                                  uint16_t address, char decimalSeparator) {
  const size_t width = static_cast<size_t>(WordCount(encoding.Type));
  if (texts.empty() || texts.size() * width > static_cast<size_t>(kMaxRangeRegisters)) {
    throw CountError(std::to_string(texts.size() * width), false);
  }
  WriteRequest request;
  request.WriteFunction = 16;
  request.WriteDeviceID = static_cast<uint8_t>(deviceId & 0xFF);
  request.WriteAddress = address;
  request.WriteCount = static_cast<uint16_t>(texts.size() * width);
  for (size_t i = 0; i < texts.size(); ++i) {
    const WriteRequest one =
        RegisterWriteRequest(texts[i], encoding, deviceId, address, decimalSeparator);
    std::copy_n(one.WriteValues, width, request.WriteValues + i * width);
  }
  return request;
}

}  // namespace mms
