#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_targets.h"
#include "reference_models.h"
#include "sample/clipboard_text.h"
#include "sample/foreign_text.h"
#include "sample/sample_data.h"
#include "sample/sample_file.h"
#include "sample/text_encoding.h"
#include "sample/text_format.h"

namespace fendrel::fuzz {

namespace {

bool SameSeries(const TSampleData& a, const TSampleData& b) {
  if (a.Count() != b.Count()) return false;
  for (std::int32_t i = 0; i < a.Count(); ++i) {
    if (!SameValue(a.GetX(i), b.GetX(i)) || !SameValue(a.GetY(i), b.GetY(i))) return false;
  }
  return true;
}

}  // namespace

// Input: the decimal separator (',' for ',', anything else for '.'), one byte
// whose low bit chooses a paste over a file and whose next bits a value
// column to answer, then the text.
void ForeignText(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return;
  SetDecimalSeparator(data[0] == ',' ? ',' : '.');
  const TTextSource source = (data[1] & 1) != 0 ? tsPaste : tsFile;
  const int answer = data[1] >> 1;
  const std::string_view given(reinterpret_cast<const char*>(data + 2), size - 2);
  // A UTF-16 or UTF-32 text is read as the UTF-8 it decodes to; the checks
  // below look at that.
  const std::optional<std::string> decoded = DecodeUnicodeText(given);
  const std::string_view text = decoded ? std::string_view(*decoded) : given;

  TSampleData series(3);
  TTextLayout asked;
  const TTextImport import = ImportText(given, source, series, [&](TImportQuestion& question) {
    FUZZ_CHECK(question.text == text);
    FUZZ_CHECK(question.layout.columns >= 3);
    FUZZ_CHECK(question.layout.valueColumn >= 0 &&
               question.layout.valueColumn < question.layout.columns);
    FUZZ_CHECK(static_cast<std::int32_t>(question.layout.columnNames.size()) ==
               question.layout.columns);
    question.layout.valueColumn = answer % question.layout.columns;
    asked = question.layout;
    return answer != 127;
  });
  if (!import.read) {
    FUZZ_CHECK(series.Count() == 3);
    return;
  }
  if (import.foreign) {
    const TTextDetection detection = DetectTextLayout(text, source);
    FUZZ_CHECK(detection.foreign);
    const TTextLayout layout = import.asked ? asked : detection.layout;
    // One sample per data line, whatever the blocks; the numbers of the
    // value column as they are, every other place filled between them.
    const TForeignRead read = ReadForeignText(text, layout, source);
    FUZZ_CHECK(SameSeries(read.series, series));
    FUZZ_CHECK(read.values + read.missing == series.Count());
    FUZZ_CHECK(read.missing == import.missing);
    const auto rows = PreviewRows(text, layout, std::numeric_limits<std::int32_t>::max());
    FUZZ_CHECK(static_cast<std::int32_t>(rows.size()) == series.Count());
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    std::int64_t numbers = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const auto column = static_cast<std::size_t>(layout.valueColumn);
      const std::string field = column < rows[i].size() ? rows[i][column] : std::string();
      double value = 0;
      if (field.find('"') != std::string::npos || field == "NaN" || field == "nan" ||
          !ReadNumber(field, value, read.decimalSeparator)) {
        continue;
      }
      ++numbers;
      FUZZ_CHECK(SameValue(series.GetY(static_cast<std::int32_t>(i)), value));
      low = std::min(low, value);
      high = std::max(high, value);
    }
    FUZZ_CHECK(numbers <= read.values);
    for (std::int32_t i = 0; i < series.Count(); ++i) {
      const double y = series.GetY(i);
      FUZZ_CHECK(!std::isnan(y));
      if (read.values > 0 && numbers == read.values) FUZZ_CHECK(low <= y && y <= high);
      if (read.values == 0) FUZZ_CHECK(y == 0);
    }
  }

  // What Save writes of the series reads back as the own reading reads it,
  // and so does the test data text pasted.
  const std::string saved = SampleFileText(series);
  FUZZ_CHECK(!DetectTextLayout(saved, tsFile).foreign);
  TSampleData own;
  ReadSampleFileText(saved, own);
  TSampleData back;
  FUZZ_CHECK(ImportText(saved, tsFile, back, nullptr).read);
  FUZZ_CHECK(SameSeries(back, own));
  FUZZ_CHECK(!DetectTextLayout(TestDataText(series), tsPaste).foreign);
}

}  // namespace fendrel::fuzz

FENDREL_FUZZ_TARGET(ForeignText)
