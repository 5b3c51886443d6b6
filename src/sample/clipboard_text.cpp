#include "sample/clipboard_text.h"

#include <charconv>

#include "sample/text_format.h"

namespace fendrel {

namespace {

constexpr int kClipboardPrecision = 16;
constexpr int kClipboardDecimals = 8;

void AppendPosition(std::string& text, std::int32_t position) {
  char digits[16];
  text.append(digits, std::to_chars(digits, digits + sizeof digits, position).ptr);
}

void AppendValue(std::string& text, double value) {
  char number[64];
  text.append(number, FormatFixedTo(number, value, kClipboardPrecision, kClipboardDecimals));
}

}  // namespace

std::string TestDataText(const TSampleData& series) {
  std::string text;
  text.reserve(static_cast<std::size_t>(series.Count()) * 20);
  for (std::int32_t i = 0; i < series.Count(); ++i) {
    AppendPosition(text, i);
    text += '\t';
    AppendValue(text, series.GetY(i));
    text += "\r\n";
  }
  return text;
}

std::string BandTableText(const std::vector<const TSampleData*>& bands) {
  std::string text;
  if (bands.empty() || bands.front() == nullptr) return text;
  const std::int32_t rows = bands.front()->Count();
  text.reserve(static_cast<std::size_t>(rows) * (8 + 13 * bands.size()));
  for (std::int32_t i = 0; i < rows; ++i) {
    AppendPosition(text, i);
    for (const TSampleData* band : bands) {
      text += '\t';
      if (band != nullptr && i < band->Count()) AppendValue(text, band->GetY(i));
    }
    text += "\r\n";
  }
  return text;
}

bool PasteTextToSeries(std::string_view text, TSampleData& series) {
  // Only every second token is read; its number is kept as the scan passes.
  std::vector<double> values;
  DelimitedScanner scanner(text, ';');
  DelimitedToken token;
  bool second = false;
  bool any = false;
  while (scanner.Next(token)) {
    any = true;
    if (second) values.push_back(ReadNumberOrZero(token.raw));
    second = !second;
  }
  if (!any) return false;
  const auto count = static_cast<std::int32_t>(values.size());
  TSampleData pasted(count);
  for (std::int32_t i = 0; i < count; ++i) {
    pasted.SetX(i, i);
    pasted.SetY(i, values[static_cast<std::size_t>(i)]);
  }
  series = std::move(pasted);
  return true;
}

}  // namespace fendrel
