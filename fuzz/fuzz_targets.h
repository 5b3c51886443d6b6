#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The fuzz targets as plain functions, so that the fuzzers and the corpus
// replay in the unit tests run the same code. Each takes any bytes, checks
// the properties its input must keep and aborts on a broken one.
namespace fendrel::fuzz {

// Number reading and fixed-point text against plain reference versions.
void NumberReading(const std::uint8_t* data, std::size_t size);
// Delimited text and text lines: splitting what joining made gives it back.
void DelimitedText(const std::uint8_t* data, std::size_t size);
// A sample file of any bytes, then the wavelet packet and both forecasters.
void SampleFile(const std::uint8_t* data, std::size_t size);
// Clipboard text pasted into a series, and the plot step's data work.
void PasteText(const std::uint8_t* data, std::size_t size);
// Another tool's text: its layout found, read by it, and what Save then
// writes of the series read back as before.
void ForeignText(const std::uint8_t* data, std::size_t size);
// One paint pass of both charts onto a recording. Needs a QApplication.
void ChartPaint(const std::uint8_t* data, std::size_t size);

[[noreturn]] inline void Fail(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, what);
  std::abort();
}

}  // namespace fendrel::fuzz

// Checked in every build type: these are the point of the target.
#define FUZZ_CHECK(condition) \
  ((condition) ? void(0) : ::fendrel::fuzz::Fail(__FILE__, __LINE__, #condition))

// The libFuzzer entry point of one target, compiled only into the fuzzers.
#ifdef FENDREL_FUZZ_ENTRY
#define FENDREL_FUZZ_TARGET(function)                                                 \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
    ::fendrel::fuzz::function(data, size);                                            \
    return 0;                                                                         \
  }
#else
#define FENDREL_FUZZ_TARGET(function)
#endif
