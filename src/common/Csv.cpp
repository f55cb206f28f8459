#include "common/Csv.h"

#include <cstdio>
#include <ctime>

namespace mms {

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::string CsvRecord(const std::vector<std::string>& fields) {
  std::string record;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) record += ',';
    record += CsvField(fields[i]);
  }
  record += "\r\n";
  return record;
}

std::vector<CsvRecordRead> ParseCsv(const std::string& text) {
  std::vector<CsvRecordRead> records;
  size_t i = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  int line = 1;
  CsvRecordRead record;
  std::string field;
  bool quoted = false;
  bool anything = false;  // the record has a character or a separator
  auto endRecord = [&] {
    if (anything) {
      record.fields.push_back(field);
      records.push_back(record);
    }
    record = CsvRecordRead{};
    field.clear();
    anything = false;
  };
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (!anything) record.line = line;
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) ++line;
        field += c;
      }
      continue;
    }
    if (c == '"') {
      quoted = true;
      anything = true;
    } else if (c == ',') {
      record.fields.push_back(field);
      field.clear();
      anything = true;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      endRecord();
      ++line;
    } else {
      field += c;
      anything = true;
    }
  }
  endRecord();
  return records;
}

std::string IsoLocalTime(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const auto sinceEpoch = time.time_since_epoch();
  auto seconds = duration_cast<std::chrono::seconds>(sinceEpoch);
  auto millis = duration_cast<milliseconds>(sinceEpoch - seconds).count();
  if (millis < 0) {  // before 1970: the fraction counts up from the second below
    millis += 1000;
    seconds -= std::chrono::seconds(1);
  }
  const std::time_t t = static_cast<std::time_t>(seconds.count());
  std::tm local{};
  localtime_r(&t, &local);
  const int offset = static_cast<int>(local.tm_gmtoff / 60) % (24 * 60);  // minutes east of UTC
  const int absolute = offset < 0 ? -offset : offset;
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d",
                local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec, static_cast<int>(millis), offset < 0 ? '-' : '+', absolute / 60,
                absolute % 60);
  return text;
}

}  // namespace mms
