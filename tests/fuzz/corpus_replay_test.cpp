#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_targets.h"
#include "sample/text_format.h"

namespace fendrel {
namespace {

namespace fs = std::filesystem;

using Target = void (*)(const std::uint8_t*, std::size_t);

// Runs every input kept for a fuzz target: the seeds and every input that
// once broke it. A broken property aborts the program, naming the file last.
void Replay(const char* name, Target target) {
  const fs::path folder = fs::path(FENDREL_CORPUS_DIR) / name;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty()) << folder;
  const char saved = DecimalSeparator();
  for (const fs::path& file : files) {
    std::ifstream stream(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(stream),
                                  std::istreambuf_iterator<char>()};
    std::fprintf(stderr, "replaying %s\n", file.c_str());
    target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  SetDecimalSeparator(saved);
}

TEST(FuzzCorpus, NumberReading) { Replay("number_reading", fuzz::NumberReading); }
TEST(FuzzCorpus, DelimitedText) { Replay("delimited_text", fuzz::DelimitedText); }
TEST(FuzzCorpus, SampleFile) { Replay("sample_file", fuzz::SampleFile); }
TEST(FuzzCorpus, PasteText) { Replay("paste_text", fuzz::PasteText); }
TEST(FuzzCorpus, ForeignText) { Replay("foreign_text", fuzz::ForeignText); }
TEST(FuzzCorpus, ChartPaint) { Replay("chart_paint", fuzz::ChartPaint); }

}  // namespace
}  // namespace fendrel
