#pragma once

#include <optional>
#include <string>

#include "sample/csv_file.h"

namespace fendrel {

// Thrown where a stop was asked for (SIGINT, SIGTERM).
struct TCliCancelled {};

// Writes the CSV text to the file named, atomically through the same writer
// as Save, or else to standard output. A stop asked for meanwhile throws
// TCliCancelled and leaves no file; failures throw FileError.
void WriteOutput(const std::optional<std::string>& path, const TCsvPieces& pieces);

}  // namespace fendrel
