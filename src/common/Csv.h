#pragma once
#include <chrono>
#include <string>
#include <vector>

namespace mms {

// Comma-separated values as RFC 4180 has them: a field holding a comma, a
// double quote, CR or LF is enclosed in double quotes, its quotes doubled;
// records end with CRLF. Text is UTF-8 and passes through unchanged.
std::string CsvField(const std::string& text);
// The fields joined by commas, with the CRLF that ends a record.
std::string CsvRecord(const std::vector<std::string>& fields);

// The records of a CSV text. Takes CRLF, LF or CR record ends, a missing final
// one, and a leading UTF-8 byte-order mark; quoted fields may hold commas,
// doubled quotes and line breaks. Blank lines give no record. An unclosed
// quote runs to the end of the text.
struct CsvRecordRead {
  std::vector<std::string> fields;
  int line = 0;  // the line the record starts on, from 1
};
std::vector<CsvRecordRead> ParseCsv(const std::string& text);

// ISO 8601 local time with milliseconds and the offset from UTC:
// "2026-12-08T14:03:07.125+01:00".
std::string IsoLocalTime(std::chrono::system_clock::time_point time);

}  // namespace mms
