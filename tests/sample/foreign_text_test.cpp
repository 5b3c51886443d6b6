#include "sample/foreign_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "sample/clipboard_text.h"
#include "sample/sample_file.h"
#include "sample/text_encoding.h"
#include "sample/text_format.h"
#include "sample_test_support.h"
#include "support/worker_count.h"

namespace fendrel {
namespace {

struct Imported {
  TTextImport import;
  Samples samples;
  std::vector<TTextLayout> asked;
};

// Imports a text, answering the question with the proposal.
Imported Import(std::string_view text, TTextSource source = tsFile) {
  Imported result;
  TSampleData series;
  result.import = ImportText(text, source, series, [&](TImportQuestion& question) {
    result.asked.push_back(question.layout);
    return true;
  });
  result.samples = SamplesOf(series);
  return result;
}

std::vector<double> ValuesOf(const Samples& samples) {
  std::vector<double> values;
  for (const auto& sample : samples) values.push_back(sample.second);
  return values;
}

TEST(ForeignTextDetection, FindsEachLayoutAndItsColumns) {
  const DecimalSeparatorScope scope('.');
  struct Case {
    const char* text;
    bool foreign;
    TTextDelimiter delimiter;
    std::int32_t header;
    std::int32_t columns;
    std::int32_t value;
  };
  const Case cases[] = {
      {",YEAR,SUNACTIVITY\n0,1700.0,5.0\n1,1701.0,11.0\n", true, tdComma, 1, 3, 2},
      {"YEAR,SUNACTIVITY\n1700.0,5.0\n1701.0,11.0\n", true, tdComma, 1, 2, 1},
      {"\"year\",\"x\"\n\"1\",1700,5\n", true, tdComma, 1, 3, 2},
      {"YEAR;SUNACTIVITY\r\n1700;5\r\n1701;11\r\n", true, tdSemicolon, 1, 2, 1},
      {"1700,0;5,0\n1701,0;11,0\n", true, tdSemicolon, 0, 2, 1},
      {"YEAR\tSUNACTIVITY\n1700\t5\n", true, tdTab, 1, 2, 1},
      {"5.0e+00\n1.1e+01\n", true, tdComma, 0, 1, 0},
      {"1 2 3\n4 5 6\n", true, tdBlanks, 0, 3, 2},
      {"a,b,c\n1,2,x\n3,4,y\n", true, tdComma, 1, 3, 1},
      {"# made by hand\n1,2\n", true, tdComma, 0, 2, 1},
      {"\xEF\xBB\xBF"
       "1,2\n3,4\n",
       true, tdComma, 0, 2, 1},
      {"1,NA\n2,3\n", true, tdComma, 0, 2, 1},
      {"1,\n2,3\n", true, tdComma, 0, 2, 1},
      {"\"a;b\";\"c\"\"d\"\n1;2\n3;4\n", true, tdSemicolon, 1, 2, 1},
      {"\"multi\nline\";x\n1;2\n3;4\n", true, tdSemicolon, 1, 2, 1},
      // None: the program's own reading stays.
      {"1.5,2.5\r\n3,4\r\n", false, tdComma, 0, 0, 0},
      {"1 2\n3,4\n", false, tdComma, 0, 0, 0},
      {"3,4,5\r\n", false, tdComma, 0, 0, 0},
      {"7\r\n", false, tdComma, 0, 0, 0},
      {"1,2\n7\n3,4,5\n1.5,abc\n\n", false, tdComma, 0, 0, 0},
      {"", false, tdComma, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const TTextDetection detection = DetectTextLayout(c.text, tsFile);
    EXPECT_EQ(detection.foreign, c.foreign);
    if (!c.foreign) continue;
    EXPECT_EQ(detection.layout.delimiter, c.delimiter);
    EXPECT_EQ(detection.layout.headerLines, c.header);
    EXPECT_EQ(detection.layout.columns, c.columns);
    EXPECT_EQ(detection.layout.valueColumn, c.value);
    EXPECT_EQ(detection.asks, c.columns >= 3);
  }
  EXPECT_EQ(DetectTextLayout(",YEAR,SUNACTIVITY\n0,1,2\n", tsFile).layout.columnNames,
            (std::vector<std::string>{"Column 1", "YEAR", "SUNACTIVITY"}));
  EXPECT_EQ(DetectTextLayout("\"a;b\";\"c\"\"d\"\n1;2\n3;4\n", tsFile).layout.columnNames,
            (std::vector<std::string>{"a;b", "c\"d"}));
}

TEST(ForeignTextReading, ReadsTheValueColumnAndFillsMissingValues) {
  const DecimalSeparatorScope scope('.');
  // Two columns keep x from the first one, as the own reading does.
  Imported two = Import("YEAR,SUNACTIVITY\n1700.0,5.0\n1701.0,11.0\n");
  EXPECT_TRUE(two.import.foreign);
  EXPECT_EQ(two.samples, (Samples{{1700, 5}, {1701, 11}}));
  // Missing values between numbers on a line, leading and trailing runs take
  // the nearest value; every missing word and an absent field count.
  Imported gaps = Import(
      "t;v\n0;NA\n1;2\n2;\n3;nan\n4;8\n5;null\n6;N/"
      "A\n7\n8;inf\n9;-Inf\n10;Inf\n11;NaN\n12;4\n13;NA\n");
  EXPECT_EQ(ValuesOf(gaps.samples),
            (std::vector<double>{2, 2, 4, 6, 8, 7.5, 7, 6.5, 6, 5.5, 5, 4.5, 4, 4}));
  EXPECT_EQ(gaps.import.missing, 11);
  // No number at all: no header either, and every place is 0.
  EXPECT_EQ(Import("x\nNA\nNA\n").samples, (Samples{{0, 0}, {1, 0}, {2, 0}}));
  // A first column that is not numbers throughout gives the positions.
  EXPECT_EQ(Import("Month,#Passengers\n1949-01,112\n1949-02,118\n").samples,
            (Samples{{0, 112}, {1, 118}}));
  // The value column the answer chose.
  TSampleData series;
  const TTextImport chosen =
      ImportText("a,b,c\n1,2,3\n4,5,6\n", tsFile, series, [](TImportQuestion& question) {
        question.layout.valueColumn = 0;
        return true;
      });
  EXPECT_TRUE(chosen.asked);
  EXPECT_EQ(SamplesOf(series), (Samples{{0, 1}, {1, 4}}));
  // Cancelled: nothing changes.
  const TTextImport cancelled =
      ImportText("a,b,c\n1,2,3\n4,5,6\n", tsFile, series, [](TImportQuestion&) { return false; });
  EXPECT_FALSE(cancelled.read);
  EXPECT_EQ(SamplesOf(series), (Samples{{0, 1}, {1, 4}}));
  // Decimal commas found by the per-text rule; quoted delimiters and line breaks.
  EXPECT_EQ(Import("YEAR;SUN\n1700,0;5,5\n1701,0;11,25\n").samples,
            (Samples{{1700, 5.5}, {1701, 11.25}}));
  EXPECT_EQ(Import("\"a\";\"b\"\n\"x;\ny\";1\n\"\"\"q\";2\n").samples, (Samples{{0, 1}, {1, 2}}));
  // A paste never takes x from the text.
  EXPECT_EQ(Import("Time\tValue\n5\t1\n6\t2\n", tsPaste).samples, (Samples{{0, 1}, {1, 2}}));
  EXPECT_EQ(MissingValuesMessage(3), "3 missing values were filled in.");
  EXPECT_EQ(MissingValuesMessage(1), "1 missing value was filled in.");
}

// Random series as Save writes them, and texts mixing the forms of lines the
// own reading knows, read exactly as the own reading reads them.
TEST(ForeignTextReading, OwnShapeTextsKeepTheirMeaning) {
  std::mt19937_64 random(19);
  for (const char separator : {'.', ','}) {
    const DecimalSeparatorScope scope(separator);
    for (int round = 0; round < 300; ++round) {
      std::string text;
      if (round % 2 == 0) {
        TSampleData series;
        const int count = static_cast<int>(random() % 40);
        std::uniform_real_distribution<double> value(-1e6, 1e6);
        for (int i = 0; i < count; ++i) {
          const double scale = std::pow(10.0, static_cast<int>(random() % 30) - 12);
          series.Append(value(random) * scale, value(random) * scale);
        }
        text = SampleFileText(series);
      } else {
        // Lines of every form but at least two forms, each holding a number.
        const char* forms[] = {"1.5,2", "3 4", "5\t6", "7, 8", "3,4,5", "7", "1.5,abc", "-2e3,+4"};
        const int lines = 2 + static_cast<int>(random() % 10);
        int first = -1;
        bool mixed = false;
        for (int i = 0; i < lines; ++i) {
          const int form = static_cast<int>(random() % std::size(forms));
          mixed = mixed || (first != -1 && form != first);
          if (first == -1) first = form;
          text += forms[form];
          text += random() % 4 == 0 ? "\n\n" : "\r\n";
        }
        if (!mixed) text += "7\r\n1,2\r\n";
      }
      SCOPED_TRACE(text);
      TSampleData own;
      ReadSampleFileText(text, own);
      const Imported imported = Import(text);
      EXPECT_FALSE(imported.import.foreign);
      EXPECT_EQ(imported.samples, SamplesOf(own));
    }
  }
}

TEST(ForeignTextReading, SameBitsForAnyNumberOfWorkers) {
  const DecimalSeparatorScope scope('.');
  std::string text = ",YEAR,\"SUN\"\r\n";
  std::mt19937 random(7);
  for (int i = 0; i < 300000; ++i) {
    text += std::to_string(i) + "," + std::to_string(1700 + i) + ",";
    // A long gap crosses several blocks of the parallel reading.
    if (i >= 100000 && i < 130000) {
      text += "NA";
    } else if (i != 99999 && i != 130000 && random() % 50 == 0) {
      text += random() % 2 ? "NA" : "";
    } else {
      text += std::to_string(static_cast<double>(random()) / 3.0);
    }
    text += i % 1000 == 0 ? "\r\n# note\r\n" : "\r\n";
  }
  Samples first;
  for (const int workers : kWorkerCounts) {
    const Samples samples = WithWorkers(workers, [&] { return Import(text).samples; });
    ASSERT_EQ(samples.size(), 300000u);
    for (const auto& [x, y] : samples) ASSERT_FALSE(std::isnan(y));
    const double from = samples[99999].second;
    const double to = samples[130000].second;
    for (std::size_t j = 100000; j < 130000; ++j) {
      ASSERT_EQ(samples[j].second, std::lerp(from, to, static_cast<double>(j - 99999) / 30001.0));
    }
    if (first.empty()) {
      first = samples;
    } else {
      EXPECT_TRUE(std::memcmp(first.data(), samples.data(), first.size() * sizeof(first[0])) == 0);
    }
  }
}

// Each file as its tool wrote it opens whole: every value, in order, with the
// years as x where a file of two columns holds them.
TEST(ForeignTextReading, OpensTheFilesOfOtherTools) {
  const DecimalSeparatorScope scope('.');
  const std::vector<double> sun = {5, 11, 16, 23, 36, 58, 29, 20, 10, 8,
                                   3, 0,  0,  2,  11, 27, 47, 63, 60, 39};
  const std::vector<double> air = {112, 118, 132, 129, 121, 135, 148, 148, 136, 119,
                                   104, 118, 115, 126, 141, 135, 125, 149, 170, 170};
  std::vector<double> years;
  std::vector<double> positions;
  std::vector<double> rows;
  for (int i = 0; i < 20; ++i) {
    years.push_back(1700 + i);
    positions.push_back(i);
    rows.push_back(i + 1);
  }
  // 118 and 121 around the two missing counts.
  std::vector<double> airFilled = air;
  airFilled[2] = 118 + (121 - 118) / 3.0;
  airFilled[3] = 118 * (1 - 2 / 3.0) + 121 * (2 / 3.0);
  struct Case {
    const char* file;
    const std::vector<double>& xs;
    const std::vector<double>& ys;
    bool asks;
    std::int64_t missing;
  };
  const Case cases[] = {
      {"pandas_index.csv", positions, sun, true, 0},
      {"pandas_no_index.csv", years, sun, false, 0},
      {"pandas_one_column.csv", positions, sun, false, 0},
      {"pandas_decimal_comma.csv", years, sun, false, 0},
      {"numpy_one_array.txt", positions, sun, false, 0},
      {"numpy_two_columns.txt", years, sun, false, 0},
      {"numpy_commas.csv", years, sun, false, 0},
      {"r_write_csv.csv", years, sun, false, 0},
      {"r_write_csv_missing.csv", rows, airFilled, false, 2},
      {"r_write_csv2.csv", rows, air, false, 0},
      {"r_write_table.txt", rows, sun, false, 0},
      {"calc_quoted_header.csv", years, sun, false, 0},
      {"calc_semicolons.csv", years, sun, false, 0},
      {"calc_tabs.tsv", years, sun, false, 0},
      {"calc_unicode_text.txt", years, sun, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TSampleData series;
    bool asked = false;
    const TTextImport import = ImportFile(
        std::string(FENDREL_FIXTURE_DIR "/") + c.file, series, [&](TImportQuestion& question) {
          asked = true;
          EXPECT_EQ(question.layout.columnNames.back(), "SUNACTIVITY");
          return true;
        });
    EXPECT_TRUE(import.read);
    EXPECT_EQ(asked, c.asks);
    EXPECT_EQ(import.missing, c.missing);
    ASSERT_EQ(series.Count(), 20);
    for (std::int32_t i = 0; i < 20; ++i) {
      EXPECT_EQ(series.GetX(i), c.xs[static_cast<std::size_t>(i)]) << i;
      EXPECT_DOUBLE_EQ(series.GetY(i), c.ys[static_cast<std::size_t>(i)]) << i;
    }
  }
}

TEST(ForeignTextReading, UnicodeAndLegacyEncodingsReadTheirNumbers) {
  const DecimalSeparatorScope scope('.');
  const std::u32string text = U"Zeit;Gr\u00F6\u00DFe \U0001F600;Wert\r\n1;a;1.5\r\n2;b;-2\r\n";
  const auto encode = [&](int bytes, bool bigEndian) {
    std::string out;
    const auto unit = [&](std::uint32_t value) {
      for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>(value >> (8 * (bigEndian ? bytes - 1 - i : i)));
      }
    };
    unit(0xFEFF);
    for (const char32_t c : text) {
      if (bytes == 2 && c > 0xFFFF) {
        unit(0xD800 + ((c - 0x10000) >> 10));
        unit(0xDC00 + ((c - 0x10000) & 0x3FF));
      } else {
        unit(c);
      }
    }
    return out;
  };
  for (const auto& [bytes, bigEndian] : {std::pair{2, false}, {2, true}, {4, false}, {4, true}}) {
    SCOPED_TRACE(std::to_string(bytes) + (bigEndian ? " BE" : " LE"));
    TSampleData series;
    std::vector<std::string> names;
    const TTextImport import =
        ImportText(encode(bytes, bigEndian), tsFile, series, [&](TImportQuestion& question) {
          names = question.layout.columnNames;
          return true;
        });
    EXPECT_TRUE(import.read);
    EXPECT_EQ(names, (std::vector<std::string>{"Zeit", "Gr\u00F6\u00DFe \U0001F600", "Wert"}));
    ASSERT_EQ(series.Count(), 2);
    EXPECT_EQ(series.GetY(0), 1.5);
    EXPECT_EQ(series.GetY(1), -2.0);
  }
  // A lone surrogate and a last half unit are replaced, not read as text.
  EXPECT_EQ(DecodeUnicodeText(std::string("\xFF\xFE\x00\xD8\x31\x00\x32", 7)),
            "\xEF\xBB\xBF\xEF\xBF\xBD" "1\xEF\xBF\xBD");
  EXPECT_FALSE(DecodeUnicodeText("1,2\n"));

  // A header in Latin-1 or Windows-1252 still reads, and names its columns.
  TSampleData series;
  std::vector<std::string> names;
  EXPECT_TRUE(ImportText("Ann\xE9" "e;Activit\xE9;\x80\n2020;1,5;7\n2021;2,25;8\n", tsFile,
                         series,
                         [&](TImportQuestion& question) {
                           names = question.layout.columnNames;
                           question.layout.valueColumn = 1;
                           return true;
                         })
                  .read);
  EXPECT_EQ(names, (std::vector<std::string>{"Ann\u00E9e", "Activit\u00E9", "\u20AC"}));
  ASSERT_EQ(series.Count(), 2);
  EXPECT_EQ(series.GetY(1), 2.25);
}

}  // namespace
}  // namespace fendrel
