#include "sample/csv_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "sample/file_error.h"
#include "sample/sample_test_support.h"
#include "support/file_bytes.h"
#include "support/worker_count.h"

namespace fendrel {
namespace {

namespace fs = std::filesystem;

class BandTableCsv : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("fendrel-csv-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

  fs::path folder_;
};

using Spans = std::vector<std::span<const double>>;

TEST_F(BandTableCsv, HeaderRowsAndShortestValuesWhateverTheSeparator) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<double> wave0 = {0.1, -0.0, 1e16, 5e-324, 1.0 / 3};
  const std::vector<double> wave1 = {-2.5, std::nan(""), -inf, 1.7976931348623157e308};
  const std::vector<double> wave2 = {1234567.0, inf};
  for (char separator : {'.', ','}) {
    DecimalSeparatorScope scope(separator);
    const std::string path = PathOf("bands.csv");
    SaveBandTableCsv(path, Spans{wave0, wave1, wave2});
    // A band shorter than the first leaves its cells empty.
    EXPECT_EQ(ReadBytes(path),
              "Time,Wave 0,Wave 1,Wave 2\r\n"
              "0,0.1,-2.5,1234567\r\n"
              "1,-0,nan,inf\r\n"
              "2,1e+16,-inf,\r\n"
              "3,5e-324,1.7976931348623157e+308,\r\n"
              "4,0.3333333333333333,,\r\n");
  }
  SaveBandTableCsv(PathOf("empty.csv"), Spans{std::span<const double>()});
  EXPECT_EQ(ReadBytes(PathOf("empty.csv")), "Time,Wave 0\r\n");
}

TEST_F(BandTableCsv, LargeTablesReadBackBitForBitWithAnyNumberOfWorkers) {
  std::mt19937_64 random(19);
  std::vector<std::vector<double>> bands(3, std::vector<double>(100000));
  for (auto& band : bands) {
    for (double& value : band) {
      // Any finite double, of every magnitude.
      do {
        value = std::bit_cast<double>(random());
      } while (!std::isfinite(value));
    }
  }
  const Spans spans(bands.begin(), bands.end());
  std::string first;
  for (int workers : kWorkerCounts) {
    WithWorkers(workers, [&] { SaveBandTableCsv(PathOf("big.csv"), spans); });
    const std::string text = ReadBytes(PathOf("big.csv"));
    if (first.empty()) {
      first = text;
    } else {
      ASSERT_EQ(text, first) << workers << " workers";
    }
  }
  const char* p = first.data() + first.find("\r\n") + 2;
  const char* const end = first.data() + first.size();
  for (std::size_t row = 0; row < bands[0].size(); ++row) {
    std::int64_t index = -1;
    p = std::from_chars(p, end, index).ptr;
    ASSERT_EQ(index, static_cast<std::int64_t>(row));
    for (const auto& band : bands) {
      ASSERT_EQ(*p++, ',');
      double value = 0;
      p = std::from_chars(p, end, value).ptr;
      ASSERT_EQ(std::bit_cast<std::uint64_t>(value), std::bit_cast<std::uint64_t>(band[row]))
          << "row " << row;
    }
    ASSERT_EQ(std::string(p, 2), "\r\n");
    p += 2;
  }
  EXPECT_EQ(p, end);
}

TEST_F(BandTableCsv, FailedExportLeavesTheOldFileUntouched) {
  const std::string path = PathOf("keep.csv");
  WriteBytes(path, "old contents\r\n");
  const std::vector<double> band(1000, 0.25);
  std::string message;
  {
    // A write that fails part way: the file-size limit stops it.
    const SmallFileLimit limit;
    try {
      SaveBandTableCsv(path, Spans{band});
    } catch (const FileError& error) {
      message = error.what();
    }
  }
  EXPECT_EQ(message, "Cannot create file \"" + path + "\". File too large");
  EXPECT_EQ(ReadBytes(path), "old contents\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace fendrel
