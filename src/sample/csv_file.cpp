#include "sample/csv_file.h"

#include <algorithm>
#include <cstdint>

#include "core/progress.h"
#include "sample/atomic_file.h"
#include "sample/text_blocks.h"
#include "sample/text_writer.h"

namespace fendrel {

namespace {

// About this many cells go into one piece, however the table is shaped: the
// deepest levels have two rows of half a million bands.
constexpr std::int64_t kCellsPerPiece = std::int64_t{1} << 18;

void WriteHeader(TextWriter& text, std::size_t bands) {
  text.Text("Time");
  for (std::size_t j = 0; j < bands; ++j) {
    text.Text(",Wave ");
    text.Whole(static_cast<std::int32_t>(j));
  }
  text.LineEnd();
}

}  // namespace

void SaveBandTableCsv(const std::string& path, const std::vector<std::span<const double>>& bands) {
  const auto rows = static_cast<std::int64_t>(bands.empty() ? 0 : bands.front().size());
  const auto columns = static_cast<std::int64_t>(bands.size()) + 1;
  const std::int64_t rowsPerPiece = std::max<std::int64_t>(1, kCellsPerPiece / columns);
  // The header is piece 0 of its own, so that an empty table still gets it.
  WriteFileInPieces(path, 1 + PieceCount(rows, rowsPerPiece),
                    [&](std::int64_t piece, std::string& out) {
                      if (piece == 0) {
                        TextWriter text(out, 16 + 12 * bands.size());
                        WriteHeader(text, bands.size());
                        text.Finish();
                        return;
                      }
                      const std::int64_t begin = (piece - 1) * rowsPerPiece;
                      const std::int64_t end = std::min(rows, begin + rowsPerPiece);
                      AdvanceProgress(end - begin);
                      TextWriter text(out, static_cast<std::size_t>((end - begin) * columns * 20));
                      for (std::int64_t i = begin; i < end; ++i) {
                        text.Whole(static_cast<std::int32_t>(i));
                        const auto at = static_cast<std::size_t>(i);
                        for (const std::span<const double> band : bands) {
                          text.Char(',');
                          if (at < band.size()) text.Shortest(band[at]);
                        }
                        text.LineEnd();
                      }
                      text.Finish();
                    });
}

}  // namespace fendrel
