#include "monitor/MonitorFrame.h"

#include <cstdio>
#include <ctime>

#include "modbus/ModbusExceptions.h"
#include "modbus/ModbusProtocol.h"

namespace mms {

namespace {

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// Appends `value` to a space-separated list while `shown` < `max`.
bool AddValue(std::string& text, int& shown, int max, const std::string& value) {
  if (shown == max) {
    text += " ...";
    return false;
  }
  if (!text.empty()) text += ' ';
  text += value;
  ++shown;
  return true;
}

std::string Registers(const uint8_t* data, int available, int words, int max) {
  std::string text;
  int shown = 0;
  for (int i = 0; i < words && 2 * i + 1 < available; ++i) {
    if (!AddValue(text, shown, max, std::to_string(Word(data + 2 * i)))) break;
  }
  return text;
}

std::string Bits(const uint8_t* data, int available, int bits, int max) {
  std::string text;
  int shown = 0;
  for (int i = 0; i < bits && i / 8 < available; ++i) {
    if (!AddValue(text, shown, max, (data[i / 8] >> (i % 8)) & 1 ? "1" : "0")) break;
  }
  return text;
}

}  // namespace

std::string TimeText(int64_t wallUs) {
  const time_t seconds = static_cast<time_t>(wallUs / 1000000);
  struct tm local {};
  localtime_r(&seconds, &local);
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(wallUs / 1000 % 1000));
  return text;
}

const char* DirectionText(const MonitorFrame& frame) {
  return frame.direction == kLogTransmitted ? "tx" : "rx";
}

const char* FunctionName(uint8_t function) {
  switch (function) {
    case 1:
      return "Read coils";
    case 2:
      return "Read discrete inputs";
    case 3:
      return "Read holding registers";
    case 4:
      return "Read input registers";
    case 5:
      return "Write single coil";
    case 6:
      return "Write single register";
    case 7:
      return "Read exception status";
    case 8:
      return "Diagnostics";
    case 15:
      return "Write multiple coils";
    case 16:
      return "Write multiple registers";
    case 17:
      return "Report server ID";
    case 22:
      return "Mask write register";
    case 23:
      return "Read/write multiple registers";
    case 43:
      return "Read device identification";
    default:
      return "";
  }
}

std::string FunctionText(const MonitorFrame& frame) {
  if (!frame.decoded) return "";
  const char* name = FunctionName(frame.function);
  return *name ? name : "Function " + std::to_string(frame.function);
}

std::string ValuesText(const MonitorFrame& frame, int maxValues) {
  if (!frame.decoded) return "";
  if (frame.exception) return DescribeModbusException(frame.exception);
  const int pdu = frame.rtu ? 1 : kTcpHeaderSize + 1;
  const int end = frame.kept - (frame.rtu ? 2 : 0);
  const uint8_t* p = frame.bytes + pdu;
  const int available = end - pdu;  // PDU bytes, function code first
  if (available < 2) return "";
  const bool request = frame.direction == kLogTransmitted;
  // A reply nobody asked for (stale input) tells its size by its byte count.
  const int bytesRead = p[1];
  const int bits = frame.hasRange ? frame.count : 8 * bytesRead;
  const int words = frame.hasRange ? frame.count : bytesRead / 2;
  switch (frame.function) {
    case 5:
      return available >= 5 ? (Word(p + 3) == 0xFF00 ? "ON" : Word(p + 3) == 0 ? "OFF" : "?") : "";
    case 6:
      return available >= 5 ? std::to_string(Word(p + 3)) : "";
    case 1:
    case 2:
      return request ? "" : Bits(p + 2, available - 2, bits, maxValues);
    case 3:
    case 4:
      return request ? "" : Registers(p + 2, available - 2, words, maxValues);
    case 15:
      return request ? Bits(p + 6, available - 6, frame.count, maxValues) : "";
    case 16:
      return request ? Registers(p + 6, available - 6, frame.count, maxValues) : "";
    case 23:
      return request ? Registers(p + 10, available - 10, available > 8 ? Word(p + 7) : 0, maxValues)
                     : Registers(p + 2, available - 2, words, maxValues);
    default:
      return "";
  }
}

std::string ResponseText(const MonitorFrame& frame) {
  if (frame.responseUs < 0) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f ms", frame.responseUs / 1000.0);
  return text;
}

std::string ProblemsText(uint16_t problems) {
  static const struct {
    uint16_t bit;
    const char* text;
  } kNames[] = {{kProblemTimeout, "timeout"},      {kProblemCrc, "CRC error"},
                {kProblemWrongUnit, "wrong unit"}, {kProblemWrongId, "wrong identifier"},
                {kProblemShort, "short reply"},    {kProblemStale, "stale bytes discarded"},
                {kProblemInvalid, "invalid reply"}};
  std::string text;
  for (const auto& name : kNames) {
    if (!(problems & name.bit)) continue;
    if (!text.empty()) text += ", ";
    text += name.text;
  }
  return text;
}

std::string BytesText(const MonitorFrame& frame) {
  std::string text;
  char hex[4];
  for (int i = 0; i < frame.kept; ++i) {
    std::snprintf(hex, sizeof hex, i ? " %02X" : "%02X", frame.bytes[i]);
    text += hex;
  }
  if (frame.size > frame.kept) text += " ... (" + std::to_string(frame.size) + " bytes)";
  return text;
}

std::string FrameLine(const MonitorFrame& frame, const std::string& window) {
  std::string line = TimeText(frame.wallUs);
  auto add = [&line](const std::string& field) {
    line += '\t';
    line += field;
  };
  add(DirectionText(frame));
  add(window);
  add(frame.decoded ? std::to_string(frame.unit) : "");
  add(FunctionText(frame));
  add(frame.hasRange ? std::to_string(frame.address) : "");
  add(frame.hasRange ? std::to_string(frame.count) : "");
  add(ValuesText(frame, 1 << 16));
  add(ResponseText(frame));
  add(ProblemsText(frame.problems));
  add(BytesText(frame));
  return line;
}

}  // namespace mms
