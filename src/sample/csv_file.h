#pragma once

#include <span>
#include <string>
#include <vector>

namespace fendrel {

// Writes the band table for other tools to read: a header row
// "Time,Wave 0,Wave 1,...", then one row per position of the first band with
// the position and each band's y there, comma-separated and CR LF-ended. Each
// value is the shortest text that reads back to the same double, with a full
// stop whatever the user's decimal separator; a band shorter than the first
// leaves its cell empty. Written atomically as a sample file is; failures
// throw FileError "Cannot create file "<full path>". <reason>".
void SaveBandTableCsv(const std::string& path, const std::vector<std::span<const double>>& bands);

}  // namespace fendrel
