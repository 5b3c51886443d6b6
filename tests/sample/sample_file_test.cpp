#include "sample/sample_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tbb/global_control.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "sample/clipboard_text.h"
#include "sample/file_error.h"
#include "sample/sample_test_support.h"
#include "sample/text_format.h"

namespace fendrel {
namespace {

namespace fs = std::filesystem;

Samples ReadText(std::string_view text) {
  TSampleData series(3);
  ReadSampleFileText(text, series);
  return SamplesOf(series);
}

// The literal route: lines, then the fields of each line, then the numbers,
// read with the other of '.' and ',' when no field holds the user's one and
// some field holds that other one, and no field reads with the user's.
Samples ReadByTheRules(const std::string& text) {
  std::vector<std::vector<std::string>> lines;
  for (const std::string& line : SplitLines(text)) lines.push_back(SplitDelimited(line, ','));
  const auto readsWith = [&](char separator) {
    for (const auto& fields : lines) {
      for (std::size_t i = 0; i < fields.size() && i < 2; ++i) {
        double value = 0;
        if (fields[i].find(separator) != std::string::npos &&
            ReadNumber(fields[i], value, separator)) {
          return true;
        }
      }
    }
    return false;
  };
  char separator = DecimalSeparator();
  const char other = separator == '.' ? ',' : separator == ',' ? '.' : '\0';
  if (other != '\0' && !readsWith(separator) && readsWith(other)) separator = other;
  Samples samples;
  for (const auto& fields : lines) {
    double x = 0;
    double y = 0;
    if (fields.size() < 2 || !ReadNumber(fields[0], x, separator) ||
        !ReadNumber(fields[1], y, separator)) {
      x = y = 0;
    }
    samples.emplace_back(x, y);
  }
  return samples;
}

TEST(SampleFileText, LinesReadAsSamples) {
  DecimalSeparatorScope scope('.');
  // clang-format off
  const struct {
    std::string text;
    Samples samples;
  } cases[] = {
      {"3,4,5\r\n", {{3, 4}}}, {"7\r\n", {{0, 0}}}, {"1,2\r\n\r\n3,4", {{1, 2}, {0, 0}, {3, 4}}},
      {"1 2\r\n1, 2\r\n1\t2\r\n", {{1, 2}, {1, 2}, {1, 2}}}, {"1.5,abc", {{0, 0}}},
      {"1.5,\r\n", {{0, 0}}}, {"\"0,5\",\"1,5\"\r\n0.5,2", {{0, 0}, {0.5, 2}}},
      {"\"0.5\",\"1.5\"", {{0.5, 1.5}}},
      {"1,2\r\n\r\n", {{1, 2}, {0, 0}}}, {"1,2\r3,4\r", {{1, 2}, {3, 4}}},
      {"1,2\n3,4\n", {{1, 2}, {3, 4}}}, {std::string("1,2\r\n\0003,4\r\n", 11), {{1, 2}}}, {"", {}}};
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(ReadText(c.text), c.samples) << c.text;
  DecimalSeparatorScope comma(',');
  EXPECT_EQ(ReadText("\"0,5\",\"1,5\"\r\n0,5\r\n"), (Samples{{0.5, 1.5}, {0, 5}}));
}

// A file from a machine whose separator is the other of '.' and ',' reads with
// that one as a whole, unless some number in it reads with the user's own.
TEST(SampleFileText, TextsOfTheOtherCommonSeparatorReadWithIt) {
  const std::string comma = "\"0,00000000\",\"0,50000000\"\r\n\"1E20\",\"-2,5\"\r\nx,1\r\n";
  const std::string stop = "0.00000000,0.50000000\r\n1E20,-2.5\r\nx,1\r\n";
  const Samples values = {{0, 0.5}, {1e20, -2.5}, {0, 0}};
  for (char separator : {'.', ','}) {
    DecimalSeparatorScope scope(separator);
    EXPECT_EQ(ReadText(comma), values) << separator;
    EXPECT_EQ(ReadText(stop), values) << separator;
  }
  DecimalSeparatorScope scope('.');
  // One number with the user's separator keeps the whole text as it reads.
  EXPECT_EQ(ReadText(comma + "0.5,1\r\n"), (Samples{{0, 0}, {0, 0}, {0, 0}, {0.5, 1}}));
  // Numbers without a separator read alike with both and decide nothing.
  EXPECT_EQ(ReadText("1,2\r\nx,y\r\n"), (Samples{{1, 2}, {0, 0}}));
  DecimalSeparatorScope semicolon(';');
  EXPECT_EQ(ReadText(comma), (Samples{{0, 0}, {0, 0}, {0, 0}}));
}

// Whatever the separator, what Save writes reads back as its numbers: quoted
// fields lose their quotes, doubled quotes included, before they are read.
TEST(SampleFileText, EverySeparatorReadsBackWhatWasWritten) {
  const TSampleData series = SeriesOf({{1, 0.5}, {-2.25, 1e20}, {3, -0.125}});
  for (char separator : {'.', ',', '"', ' ', '\t', ';', 'x', '\''}) {
    DecimalSeparatorScope scope(separator);
    const std::string text = SampleFileText(series);
    EXPECT_EQ(ReadText(text), SamplesOf(series)) << text;
    EXPECT_EQ(ReadText(text), ReadByTheRules(text)) << text;
  }
  DecimalSeparatorScope scope('"');
  EXPECT_EQ(SampleFileText(SeriesOf({{1, 0.5}})), "\"1\"\"00000000\",\"0\"\"50000000\"\r\n");
}

// Lines in the form this program writes take a one-pass route; every line
// must read exactly as the literal route reads it.
TEST(SampleFileText, OnePassReadingAgreesWithTheLiteralRoute) {
  std::mt19937 random(17);
  const auto pick = [&](const auto& list) { return list[random() % std::size(list)]; };
  const auto chance = [&](unsigned percent) { return random() % 100 < percent; };
  const std::string numbers[] = {"1", "25", ".5", "0,5", "7.25", "9E400", "-3e-2", "", "a", "1E"};
  const std::string extras[] = {"\"", "\"\"", " ", "\t", ",", "x", "\r", "\n", "\r\n"};
  const std::string breaks[] = {"\r\n", "\n", "\r", ""};
  for (char separator : {'.', ','}) {
    DecimalSeparatorScope scope(separator);
    for (int i = 0; i < 40000; ++i) {
      std::string text;
      for (unsigned line = random() % 4; line > 0; --line) {
        for (unsigned field = 1 + random() % 3; field > 0; --field) {
          if (chance(40)) text += '"';
          if (chance(10)) text += pick(extras);
          text += pick(numbers);
          if (chance(40)) text += '"';
          if (chance(15)) text += pick(extras);
          if (field > 1) text += chance(90) ? "," : ", ";
        }
        text += pick(breaks);
      }
      ASSERT_EQ(ReadText(text), ReadByTheRules(text)) << separator << " [" << text << "]";
    }
  }
}

// Large texts are read and written in blocks on several workers; the result
// is the literal route's and the same whatever the number of workers.
TEST(SampleFileText, LargeTextsGiveTheSameResultsWithAnyNumberOfWorkers) {
  DecimalSeparatorScope scope('.');
  std::mt19937 random(23);
  const std::string fields[] = {"1.5", "\"-2.25\"", "7", "x", "", "\"1\"\"\"", "3E5", " 4 "};
  const std::string breaks[] = {"\r\n", "\n", "\r", "\n\r"};
  std::string mixed;
  std::string comma;
  std::string column = "Value\n";
  TSampleData series;
  while (mixed.size() < (3u << 19)) {
    mixed += fields[random() % 8] + "," + fields[random() % 8] + breaks[random() % 4];
    const double x = static_cast<double>(random() % 1000) / 8;
    const double y = std::sin(x) * 1e6;
    series.Append(x, y);
    comma += "\"" + FormatFixed(x, 16, 4) + "\";\"" + FormatFixed(y, 16, 4) + "\"\r\n";
    column += FormatFixed(y, 16, 4) + "\n";
  }
  // Written where the decimal separator is a comma.
  std::replace(comma.begin(), comma.end(), '.', ',');
  std::replace(comma.begin(), comma.end(), ';', ',');
  std::replace(column.begin(), column.end(), '.', ',');

  struct Results {
    Samples mixed, comma, truncated, pasted, column;
    std::string copied, table, saved;
  };
  const auto run = [&](std::size_t workers) {
    const tbb::global_control limit(tbb::global_control::max_allowed_parallelism, workers);
    Results r;
    r.mixed = ReadText(mixed);
    r.comma = ReadText(comma);
    r.truncated = ReadText(comma.substr(0, comma.size() / 3) + '\0' + comma);
    r.copied = TestDataText(series);
    r.table = BandTableText({&series, &series});
    TSampleData pasted;
    EXPECT_TRUE(PasteTextToSeries(r.copied, pasted));
    r.pasted = SamplesOf(pasted);
    EXPECT_TRUE(PasteTextToSeries(column, pasted));
    r.column = SamplesOf(pasted);
    const std::string path =
        (fs::temp_directory_path() / ("fendrel-workers-" + std::to_string(::getpid()) + ".qls"))
            .string();
    series.SaveToFile(path);
    r.saved = (std::stringstream() << std::ifstream(path, std::ios::binary).rdbuf()).str();
    fs::remove(path);
    return r;
  };
  const Results one = run(1);
  EXPECT_EQ(one.mixed, ReadByTheRules(mixed));
  EXPECT_EQ(one.comma, ReadByTheRules(comma));
  EXPECT_EQ(one.truncated.size(), SplitLines(comma.substr(0, comma.size() / 3)).size());
  const double last = ReadNumberOrZero(FormatFixed(series.GetY(series.Count() - 1), 16, 4));
  EXPECT_EQ(one.comma.back().second, last);
  EXPECT_EQ(one.saved, SampleFileText(series));
  ASSERT_EQ(one.pasted.size(), static_cast<std::size_t>(series.Count()));
  ASSERT_EQ(one.column.size(), static_cast<std::size_t>(series.Count()));
  EXPECT_EQ(one.column.back().second, last);
  for (std::size_t workers : {2, 8}) {
    const Results many = run(workers);
    EXPECT_EQ(many.mixed, one.mixed) << workers;
    EXPECT_EQ(many.comma, one.comma) << workers;
    EXPECT_EQ(many.truncated, one.truncated) << workers;
    EXPECT_EQ(many.copied, one.copied) << workers;
    EXPECT_EQ(many.table, one.table) << workers;
    EXPECT_EQ(many.pasted, one.pasted) << workers;
    EXPECT_EQ(many.column, one.column) << workers;
    EXPECT_EQ(many.saved, one.saved) << workers;
  }
}

TEST(SampleFileText, HostileInputNeverCrashes) {
  DecimalSeparatorScope scope('.');
  std::mt19937 random(5);
  std::string junk(1 << 20, '\0');
  for (char& c : junk) c = static_cast<char>(random() % 255 + 1);
  EXPECT_EQ(ReadText(junk).size(), SplitLines(junk).size());
  // One line of 100 MB without a break, too large for a double, then a small value.
  std::string longLine(100u << 20, '7');
  EXPECT_EQ(ReadText(longLine), (Samples{{0, 0}}));
  longLine.replace(0, 2, "0.");
  EXPECT_EQ(ReadText(longLine + ",1"), (Samples{{7.0 / 9.0, 1}}));
}

class SampleFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("fendrel-sample-file-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(folder_);
  }

  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }
  static std::string Contents(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path folder_;
};

// Powers of ten and values with ten significant digits in every decade,
// but 0.1 to 1, whose 8 decimals keep the designed 8 digits.
TEST_F(SampleFile, SmallAndLargeValuesComeBackWithinFiveBillionths) {
  DecimalSeparatorScope scope('.');
  TSampleData series;
  for (int e = -12; e <= 12; ++e) {
    for (double m : {1.0, 1.234567891, 9.876543219}) {
      if (e == -1 && m != 1.0) continue;
      const double v = m * std::pow(10.0, e);
      series.Append(series.Count(), v);
      series.Append(series.Count(), -v);
    }
  }
  const std::string path = PathOf("small.qls");
  EXPECT_EQ(series.SaveToFile(path), 0);
  TSampleData loaded;
  loaded.LoadFromFile(path);
  ASSERT_EQ(loaded.Count(), series.Count());
  for (std::int32_t i = 0; i < series.Count(); ++i) {
    EXPECT_LE(std::fabs(loaded.GetY(i) - series.GetY(i)), 5e-9 * std::fabs(series.GetY(i)))
        << series.GetY(i);
  }
  EXPECT_NE(Contents(path).find("\r\n1.00000000,-0.000000000001\r\n"), std::string::npos);
  EXPECT_EQ(TestDataText(SeriesOf({{0, 1.5e-10}, {1, 0.25}})),
            "0\t0.00000000015\r\n1\t0.25000000\r\n");
}

TEST_F(SampleFile, SaveThenLoadKeepsEightDecimalsAtEitherSeparator) {
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> value(-1e6, 1e6);
  TSampleData series = SeriesOf({{0, 0}, {1, 0.8414709848078965}});
  for (char separator : {'.', ','}) {
    DecimalSeparatorScope scope(separator);
    const std::string path = PathOf(separator == '.' ? "stop.qls" : "comma.qls");
    series.SaveToFile(path);
    EXPECT_EQ(Contents(path),
              separator == '.'
                  ? "0.00000000,0.00000000\r\n1.00000000,0.84147098\r\n"
                  : "\"0,00000000\",\"0,00000000\"\r\n\"1,00000000\",\"0,84147098\"\r\n");
    for (int i = 0; i < 1000; ++i) series.Append(value(random), value(random) / (i + 1));
    series.SaveToFile(path);
    TSampleData loaded(5);
    loaded.LoadFromFile(path);
    ASSERT_EQ(loaded.Count(), series.Count());
    for (std::int32_t i = 0; i < series.Count(); ++i) {
      ASSERT_EQ(loaded.GetX(i), ReadNumberOrZero(FormatFixed(series.GetX(i), 16, 8)));
      ASSERT_NEAR(loaded.GetY(i), series.GetY(i), 5.0000001e-9 + std::fabs(series.GetY(i)) * 3e-16);
    }
    series.SetCount(2);
  }
  EXPECT_EQ(Entries(), (std::vector<std::string>{"comma.qls", "stop.qls"}));
}

TEST_F(SampleFile, SaveReplacesAnOldFileKeepingItsModeAndLinks) {
  DecimalSeparatorScope scope('.');
  const std::string path = PathOf("old.qls");
  std::ofstream(path) << std::string(5000, 'x');
  const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(path, mode);
  fs::create_symlink(path, PathOf("link.qls"));
  SeriesOf({{3, 4}}).SaveToFile(PathOf("link.qls"));
  EXPECT_TRUE(fs::is_symlink(PathOf("link.qls")));
  EXPECT_EQ(Contents(path), "3.00000000,4.00000000\r\n");
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, mode);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"link.qls", "old.qls"}));
}

TEST_F(SampleFile, LoadFailuresNameTheFullPathAndLeaveTheSeries) {
  TSampleData series = SeriesOf({{1, 2}});
  const auto expectError = [&](const std::string& path, const std::string& message) {
    try {
      series.LoadFromFile(path);
      ADD_FAILURE() << "no error for " << path;
    } catch (const FileError& error) {
      EXPECT_EQ(error.what(), message);
    }
    EXPECT_EQ(SamplesOf(series), (Samples{{1, 2}}));
  };
  expectError(PathOf("none.qls"),
              "Cannot open file \"" + PathOf("none.qls") + "\". No such file or directory");
  expectError(folder_.string(), "Cannot open file \"" + folder_.string() + "\". Is a directory");
  const fs::path saved = fs::current_path();
  fs::current_path(folder_);
  expectError("sub/../none.qls",
              "Cannot open file \"" + PathOf("none.qls") + "\". No such file or directory");
  fs::current_path(saved);
}

TEST_F(SampleFile, FailedSaveLeavesTheOldFileUntouched) {
  DecimalSeparatorScope scope('.');
  const std::string old = "old contents\r\n";
  const std::string path = PathOf("keep.qls");
  std::ofstream(path, std::ios::binary) << old;
  const TSampleData series = SeriesOf({{1, 2}, {3, 4}});
  const auto expectError = [&](const std::string& target, const std::string& reason) {
    try {
      series.SaveToFile(target);
      ADD_FAILURE() << "no error for " << target;
    } catch (const FileError& error) {
      EXPECT_EQ(error.what(), "Cannot create file \"" + FullPath(target) + "\". " + reason);
    }
    EXPECT_EQ(Contents(path), old);
  };
  expectError(PathOf("missing/new.qls"), "No such file or directory");
  expectError(PathOf("keep.qls/new.qls"), "Not a directory");
  expectError(folder_.string(), "Is a directory");
  expectError("", "No such file or directory");

  {
    // A write that fails part way: the file-size limit stops it.
    const SmallFileLimit limit;
    expectError(path, "File too large");
  }

  if (::geteuid() != 0) {  // permissions do not bind the superuser
    fs::permissions(path, fs::perms::owner_read);
    expectError(path, "Permission denied");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
    expectError(path, "Permission denied");
    fs::permissions(folder_, fs::perms::owner_all);
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"keep.qls"});
}

}  // namespace
}  // namespace fendrel
