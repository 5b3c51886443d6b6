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

// Input: the decimal separator (',' or '"', anything else for '.'), then the
// clipboard text.
void PasteText(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return;
  SetDecimalSeparator(data[0] == ',' || data[0] == '"' ? static_cast<char>(data[0]) : '.');
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  TSampleData series(7);
  const bool pasted = PasteTextToSeries(text, series);
  std::vector<double> expected;
  FUZZ_CHECK(pasted == ReferencePasteValues(text, expected));
  if (!pasted) {
    FUZZ_CHECK(series.Count() == 7);
    return;
  }
  FUZZ_CHECK(static_cast<std::size_t>(series.Count()) == expected.size());
  for (std::int32_t i = 0; i < series.Count(); ++i) {
    FUZZ_CHECK(series.GetX(i) == i);
    FUZZ_CHECK(SameValue(series.GetY(i), expected[static_cast<std::size_t>(i)]));
  }

  // The test data text pastes back into the same series, y to 8 decimals.
  const std::string copied = TestDataText(series);
  TSampleData back;
  FUZZ_CHECK(PasteTextToSeries(copied, back) == (series.Count() > 0));
  if (series.Count() > 0) {
    FUZZ_CHECK(back.Count() == series.Count());
    for (std::int32_t i = 0; i < series.Count(); ++i) {
      FUZZ_CHECK(SameValue(back.GetY(i), ReadNumberOrZero(FormatKept(series.GetY(i)))));
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
    // One row per position of band 0: the position, then a TAB and the text
    // of every band's value there.
    std::string expected;
    for (std::int32_t r = 0; r < bands[0]->Count(); ++r) {
      expected += std::to_string(r);
      for (const TSampleData* band : bands) {
        expected += '\t';
        expected += FormatKept(band->GetY(r));
      }
      expected += "\r\n";
    }
    FUZZ_CHECK(BandTableText(bands) == expected);
  }
}

}  // namespace fendrel::fuzz

FENDREL_FUZZ_TARGET(PasteText)
