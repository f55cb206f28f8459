#include "datawindow/CellRows.h"

#include <algorithm>

#include "common/Csv.h"
#include "datawindow/DataWindowLimits.h"

namespace mms {

std::vector<CellRow> CellRows(uint8_t function, uint16_t address, const uint16_t* words,
                              size_t count, size_t cells, const CellView& view) {
  std::vector<CellRow> rows;
  if (!words) count = 0;
  cells = std::min(cells, size_t{kMaxGridLength});
  const AddressStyle style{view.Base, function};
  rows.reserve(cells);
  for (size_t k = 0; k < cells; ++k) {
    CellRow row;
    row.Address = AddressText(int64_t{address} + static_cast<int64_t>(k), style);
    if (k < view.Aliases.size()) row.Alias = view.Aliases[k];
    if (k < count) {
      row.Raw = std::to_string(words[k]);
      row.Value = FormatValueCell(words, count, k, view.Format);
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string CellRowsCsv(const std::vector<CellRow>& rows) {
  std::string text = CsvRecord({"address", "alias", "raw", "value"});
  for (const CellRow& row : rows) text += CsvRecord({row.Address, row.Alias, row.Raw, row.Value});
  return text;
}

}  // namespace mms
