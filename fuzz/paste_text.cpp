#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_targets.h"
#include "reference_models.h"
#include "sample/clipboard_text.h"
#include "sample/sample_data.h"
#include "sample/text_format.h"
#include "wavelet/wavelet.h"

namespace fendrel::fuzz {

namespace {

// Cells of a TAB-separated, CR LF-ended table.
std::vector<std::vector<std::string>> TableCells(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    FUZZ_CHECK(end != std::string::npos);
    std::vector<std::string> cells;
    std::size_t cell = start;
    for (;;) {
      const std::size_t tab = text.find('\t', cell);
      if (tab == std::string::npos || tab > end) break;
      cells.push_back(text.substr(cell, tab - cell));
      cell = tab + 1;
    }
    cells.push_back(text.substr(cell, end - cell));
    rows.push_back(std::move(cells));
    start = end + 2;
  }
  return rows;
}

}  // namespace

// Input: the decimal separator (',' or anything else for '.'), then the
// clipboard text.
void PasteText(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return;
  SetDecimalSeparator(data[0] == ',' ? ',' : '.');
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  TSampleData series(7);
  const bool pasted = PasteTextToSeries(text, series);
  const std::vector<std::string> tokens = SplitDelimited(text, ';');
  FUZZ_CHECK(pasted == !tokens.empty());
  if (!pasted) {
    FUZZ_CHECK(series.Count() == 7);
    return;
  }
  FUZZ_CHECK(static_cast<std::size_t>(series.Count()) == tokens.size() / 2);
  for (std::int32_t i = 0; i < series.Count(); ++i) {
    FUZZ_CHECK(series.GetX(i) == i);
    const std::string& token = tokens[2 * static_cast<std::size_t>(i) + 1];
    FUZZ_CHECK(SameValue(series.GetY(i), ReadNumberOrZero(token)));
  }

  // The test data text pastes back into the same series, y to 8 decimals.
  const std::string copied = TestDataText(series);
  TSampleData back;
  FUZZ_CHECK(PasteTextToSeries(copied, back) == (series.Count() > 0));
  if (series.Count() > 0) {
    FUZZ_CHECK(back.Count() == series.Count());
    for (std::int32_t i = 0; i < series.Count(); ++i) {
      FUZZ_CHECK(SameValue(back.GetY(i), ReadNumberOrZero(FormatFixed(series.GetY(i), 16, 8))));
    }
  }

  // The plot step's data: the packet at every level, its band table and the
  // grid texts of its cells.
  TWavelet packet;
  packet.Load(&series);
  for (std::int32_t level = 0; level < std::max(packet.MaxLevel(), 1); ++level) {
    packet.SetLevel(level);
    std::vector<const TSampleData*> bands;
    for (std::int32_t b = 0; b < packet.BandCount(); ++b) bands.push_back(packet.GetBand(b));
    const auto rows = TableCells(BandTableText(bands));
    FUZZ_CHECK(static_cast<std::int32_t>(rows.size()) == bands[0]->Count());
    for (std::size_t r = 0; r < rows.size(); ++r) {
      FUZZ_CHECK(rows[r].size() == bands.size() + 1);
      FUZZ_CHECK(rows[r][0] == std::to_string(r));
      for (std::size_t b = 0; b < bands.size(); ++b) {
        const double y = bands[b]->GetY(static_cast<std::int32_t>(r));
        FUZZ_CHECK(rows[r][b + 1] == FormatFixed(y, 16, 8));
        FUZZ_CHECK(FormatFixed(y, 15, 6).size() < 64);
      }
    }
  }
}

}  // namespace fendrel::fuzz

FENDREL_FUZZ_TARGET(PasteText)
