#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sample/sample_data.h"

namespace fendrel {

// Where a text comes from decides its own reading, the one a text keeps when
// it shows no other tool's layout: a file reads as a sample file, a paste as
// pasted tokens.
enum TTextSource { tsFile, tsPaste };

// The field separators a layout can have. Comma, semicolon and TAB each end
// one field, with quoted fields as RFC 4180 has them; with blanks any run of
// spaces and TABs separates fields. The last two are the program's own
// splittings, used when no one delimiter fits every line.
enum TTextDelimiter : char {
  tdComma = ',',
  tdSemicolon = ';',
  tdTab = '\t',
  tdBlanks = ' ',
  tdCommaOrBlanks = '\1',
  tdSemicolonOrBlanks = '\2',
};

// How another tool laid out a delimited text.
struct TTextLayout {
  TTextDelimiter delimiter = tdComma;
  // NUL: found from the text, as the program's own texts find theirs.
  char decimalSeparator = '\0';
  // Leading lines (not blank, not comments) that name the columns.
  std::int32_t headerLines = 0;
  // Fields in the data lines: their common number, else the most frequent.
  std::int32_t columns = 1;
  std::int32_t valueColumn = 0;
  // One per column: the fields of the last header line, else "Column n".
  std::vector<std::string> columnNames;

  bool operator==(const TTextLayout&) const = default;
};

struct TTextDetection {
  // The text shows another tool's layout and is read by `layout`.
  bool foreign = false;
  // Three or more columns: the user chooses the value column.
  bool asks = false;
  TTextLayout layout;
};

// Looks at the start of a text (its first 64 KiB) for the layouts of other
// tools: header lines, one column, semicolons, three or more columns,
// missing-value words, a UTF-8 byte-order mark or comment lines.
TTextDetection DetectTextLayout(std::string_view text, TTextSource source);
// The same over the whole text, however long.
TTextDetection DetectWholeTextLayout(std::string_view text, TTextSource source);

// After the delimiter or the header lines changed: the columns, their names
// and the proposed value column (the last that holds numbers) anew.
void DescribeColumns(std::string_view text, TTextLayout& layout);

// The first `rows` data lines split into fields, for showing.
std::vector<std::vector<std::string>> PreviewRows(std::string_view text, const TTextLayout& layout,
                                                  std::int32_t rows);

struct TForeignRead {
  TSampleData series;
  // Values the value column gave, and places without one that were filled.
  std::int64_t values = 0;
  std::int64_t missing = 0;
  char decimalSeparator = '.';
  // Every data line had `columns` fields.
  bool regular = true;
};

// Reads the whole text by its layout, in parallel blocks. Sample i takes the
// value column's number of data line i; missing values (missing-value words,
// empty or other non-number fields, absent fields) are filled by linear
// interpolation between their nearest values, a leading or trailing run taking
// the nearest one, and all of them 0 when the column holds no number. x is the
// first column of a file of two columns when that column is numbers
// throughout, else the sample's position. Throws std::length_error past
// 2^31 - 1 data lines.
TForeignRead ReadForeignText(std::string_view text, const TTextLayout& layout, TTextSource source);

// The question the import dialog answers: `layout` is the proposal and the
// answer; an answer that read the text with its final layout leaves the
// reading in `read`.
struct TImportQuestion {
  std::string_view text;
  TTextSource source = tsFile;
  TTextLayout layout;
  std::optional<TForeignRead> read;
};
// Returns false when the user cancelled.
using TImportAsker = std::function<bool(TImportQuestion&)>;

struct TTextImport {
  // The series was replaced.
  bool read = false;
  // The import question was asked (and answered, when `read`).
  bool asked = false;
  bool foreign = false;
  std::int64_t missing = 0;
};

// Reads the text of a file or of a paste into `series`: by its own reading
// when it shows no other tool's layout, else by the layout found, asking
// `ask` when the value column is to be chosen. The series changes only as a
// whole, and not at all when the question is cancelled or a paste holds no
// token.
TTextImport ImportText(std::string_view text, TTextSource source, TSampleData& series,
                       const TImportAsker& ask);

// ImportText of a file's whole text, read as LoadFromFile reads it.
TTextImport ImportFile(const std::string& path, TSampleData& series, const TImportAsker& ask);

// "3 missing values were filled in.", "1 missing value was filled in."
std::string MissingValuesMessage(std::int64_t missing);

}  // namespace fendrel
