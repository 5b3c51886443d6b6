#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "sample/sample_data.h"

namespace fendrel {

// The sample-file text of a series: one line "x,y" per sample, both numbers
// as fixed-point text with precision 16 and 8 decimals, every line ended by
// CR LF. With a comma as decimal separator the fields are quoted.
std::string SampleFileText(const TSampleData& series);

// What Save says when it had to round values to 8 decimals.
std::string RoundedValuesMessage(std::int64_t rounded);

// Replaces the series by the samples of a sample-file text: one sample per
// line, (0, 0) for a line without two numbers as its first two fields.
// Throws std::length_error, leaving the series alone, past 2^31 - 1 lines.
void ReadSampleFileText(std::string_view text, TSampleData& series);

// Reads a whole file as LoadFromFile does and hands its text to `read`, which
// may throw std::length_error for a text too long for a series: that becomes
// the file's error "Cannot open file".
void ReadFileText(const std::string& path, const std::function<void(std::string_view)>& read);

}  // namespace fendrel
