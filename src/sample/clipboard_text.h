#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sample/sample_data.h"

namespace fendrel {

// One row per sample: the position, a TAB, the fixed-point text of y
// (precision 16, 8 decimals), CR LF. The x values are not written.
std::string TestDataText(const TSampleData& series);

// One row per position of the first band: the position, then a TAB and the
// fixed-point text of each band's y there, CR LF. A band shorter than the
// first (or a null one) leaves its cell empty rather than reading past its end.
std::string BandTableText(const std::vector<const TSampleData*>& bands);
// The same over the bands' y values read in place.
std::string BandValuesTableText(const std::vector<std::span<const double>>& bands);

// Reads clipboard text into the series: the text splits into tokens at
// semicolons and blanks, taken in pairs; sample i becomes (i, number of the
// second token of pair i, or 0). Returns false, leaving the series untouched,
// when the text holds no token at all.
bool PasteTextToSeries(std::string_view text, TSampleData& series);

}  // namespace fendrel
