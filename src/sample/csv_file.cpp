#include "sample/csv_file.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "core/progress.h"
#include "sample/text_blocks.h"
#include "sample/text_writer.h"

namespace fendrel {

namespace {

// About this many cells go into one piece, however the table is shaped: the
// deepest levels have two rows of half a million bands.
constexpr std::int64_t kCellsPerPiece = std::int64_t{1} << 18;

void EndLine(TextWriter& text, TCsvLineEnd lineEnd) {
  if (lineEnd == leCrLf) {
    text.LineEnd();
  } else {
    text.Char('\n');
  }
}

void WriteBandHeader(TextWriter& text, std::size_t bands) {
  text.Text("Time");
  for (std::size_t j = 0; j < bands; ++j) {
    text.Text(",Wave ");
    text.Whole(static_cast<std::int32_t>(j));
  }
}

void WriteTextField(TextWriter& text, std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    text.Text(field);
    return;
  }
  text.Char('"');
  for (const char c : field) {
    if (c == '"') text.Char('"');
    text.Char(c);
  }
  text.Char('"');
}

void WriteCell(TextWriter& text, const TCsvCell& cell) {
  if (const auto* whole = std::get_if<std::int64_t>(&cell)) {
    text.Text(std::to_string(*whole));
  } else if (const auto* number = std::get_if<double>(&cell)) {
    text.Shortest(*number);
  } else if (const auto* field = std::get_if<std::string>(&cell)) {
    WriteTextField(text, *field);
  }
}

// Rows per piece and the piece count, the header being piece 0 of its own so
// that an empty table still gets it.
struct Split {
  std::int64_t rowsPerPiece;
  std::int64_t pieces;
};

Split SplitRows(std::int64_t rows, std::int64_t columns) {
  const std::int64_t rowsPerPiece = std::max<std::int64_t>(1, kCellsPerPiece / columns);
  return {rowsPerPiece, 1 + PieceCount(rows, rowsPerPiece)};
}

}  // namespace

TCsvPieces BandTablePieces(const std::vector<std::span<const double>>& bands, TCsvLineEnd lineEnd) {
  const auto rows = static_cast<std::int64_t>(bands.empty() ? 0 : bands.front().size());
  const auto columns = static_cast<std::int64_t>(bands.size()) + 1;
  const Split split = SplitRows(rows, columns);
  return {split.pieces,
          [&bands, rows, columns, split, lineEnd](std::int64_t piece, std::string& out) {
            if (piece == 0) {
              TextWriter text(out, 16 + 12 * bands.size());
              WriteBandHeader(text, bands.size());
              EndLine(text, lineEnd);
              text.Finish();
              return;
            }
            const std::int64_t begin = (piece - 1) * split.rowsPerPiece;
            const std::int64_t end = std::min(rows, begin + split.rowsPerPiece);
            AdvanceProgress(end - begin);
            TextWriter text(out, static_cast<std::size_t>((end - begin) * columns * 20));
            for (std::int64_t i = begin; i < end; ++i) {
              text.Whole(static_cast<std::int32_t>(i));
              const auto at = static_cast<std::size_t>(i);
              for (const std::span<const double> band : bands) {
                text.Char(',');
                if (at < band.size()) text.Shortest(band[at]);
              }
              EndLine(text, lineEnd);
            }
            text.Finish();
          }};
}

void SaveBandTableCsv(const std::string& path, const std::vector<std::span<const double>>& bands) {
  const TCsvPieces pieces = BandTablePieces(bands, leCrLf);
  WriteFileInPieces(path, pieces.count, pieces.make);
}

TCsvPieces TablePieces(const TCsvTable& table, TCsvLineEnd lineEnd) {
  const auto columns = static_cast<std::int64_t>(std::max<std::size_t>(table.columns.size(), 1));
  const Split split = SplitRows(table.rows, columns);
  return {split.pieces, [&table, split, lineEnd](std::int64_t piece, std::string& out) {
            if (piece == 0) {
              TextWriter text(out, 64);
              for (std::size_t c = 0; c < table.columns.size(); ++c) {
                if (c > 0) text.Char(',');
                WriteTextField(text, table.columns[c]);
              }
              EndLine(text, lineEnd);
              text.Finish();
              return;
            }
            const std::int64_t begin = (piece - 1) * split.rowsPerPiece;
            const std::int64_t end = std::min(table.rows, begin + split.rowsPerPiece);
            AdvanceProgress(end - begin);
            const auto columns = static_cast<int>(table.columns.size());
            TextWriter text(out, static_cast<std::size_t>((end - begin) * (columns + 1) * 20));
            for (std::int64_t row = begin; row < end; ++row) {
              for (int c = 0; c < columns; ++c) {
                if (c > 0) text.Char(',');
                WriteCell(text, table.cell(row, c));
              }
              EndLine(text, lineEnd);
            }
            text.Finish();
          }};
}

}  // namespace fendrel
