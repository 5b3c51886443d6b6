#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "sample/atomic_file.h"

namespace fendrel {

enum class TCsvLineEnd : std::uint8_t { leCrLf, leLf };
using enum TCsvLineEnd;

// A CSV text made in pieces that may be made in parallel and are written in
// order (see WriteFileInPieces).
struct TCsvPieces {
  std::int64_t count = 0;
  TFilePieceMaker make;
};

// The band table for other tools to read: a header row
// "Time,Wave 0,Wave 1,...", then one row per position of the first band with
// the position and each band's y there, comma-separated. Each value is the
// shortest text that reads back to the same double, with a full stop whatever
// the user's decimal separator; a band shorter than the first leaves its cell
// empty. The pieces read the bands in place: they must outlive the pieces.
TCsvPieces BandTablePieces(const std::vector<std::span<const double>>& bands, TCsvLineEnd lineEnd);

// Writes the band table with CR LF line ends, atomically as a sample file is;
// failures throw FileError "Cannot create file "<full path>". <reason>".
void SaveBandTableCsv(const std::string& path, const std::vector<std::span<const double>>& bands);

// One field of a table: empty, a whole number, a number written as the
// shortest text that reads back to the same double, or a text, quoted as
// RFC 4180 has it when it holds a comma, a quote or a line break.
using TCsvCell = std::variant<std::monostate, std::int64_t, double, std::string>;

struct TCsvTable {
  std::vector<std::string> columns;
  std::int64_t rows = 0;
  // Called from several workers at once, each row once.
  std::function<TCsvCell(std::int64_t row, int column)> cell;
};

// The table with a header line of its column names. The table must outlive
// the pieces.
TCsvPieces TablePieces(const TCsvTable& table, TCsvLineEnd lineEnd);

}  // namespace fendrel
