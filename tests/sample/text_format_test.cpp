#include "sample/text_format.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "sample/sample_test_support.h"

namespace fendrel {
namespace {

using Strings = std::vector<std::string>;
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(FixedText, Examples) {
  DecimalSeparatorScope scope('.');
  // clang-format off
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0.8414709848078965, "0.84147098"}, {-0.5, "-0.50000000"}, {-0.0, "0.00000000"},
      {12345678.87654321, "12345678.87654321"}, {123456789.123456789, "123456789.12345680"},
      {-0.000000001, "0.00000000"}, {0.000000005, "0.00000001"}, {100.0, "100.00000000"},
      {1e16, "1E16"}, {1.5e20, "1.5E20"}, {-1.5e20, "-1.5E20"}, {9.999999999, "10.00000000"},
      {9999999999999998.0, "9999999999999998.00000000"},
      {-9.999999995, "-9.99999999"},              // the double lies just below the half
      {55424061.450467445, "55424061.45046745"},  // 18 digits: ...4495 becomes ...450
      {123456789012345678901234.0, "1.234567890123457E23"},
      {std::numeric_limits<double>::max(), "1.797693134862315E308"},
      {std::numeric_limits<double>::denorm_min(), "0.00000000"},
      {kInf, "INF"}, {-kInf, "-INF"}, {std::nan(""), "NAN"}};
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(FormatFixed(c.value, 16, 8), c.text) << c.value;
  EXPECT_EQ(FormatFixed(0.8414709848078965, 15, 6), "0.841471");
  EXPECT_EQ(FormatFixed(-12.5, 15, 6), "-12.500000");
  EXPECT_EQ(FormatFixed(-0.0000001, 15, 6), "0.000000");
  EXPECT_EQ(FormatFixed(999999999999999.6, 15, 6), "1E15");
  // Whole numbers: with and without decimals, and with more digits than the precision.
  EXPECT_EQ(FormatFixed(-1048575.0, 16, 8), "-1048575.00000000");
  EXPECT_EQ(FormatFixed(7.0, 15, 0), "7");
  EXPECT_EQ(FormatFixed(123456.0, 4, 2), "1.235E5");
  EXPECT_EQ(FormatFixed(99999.0, 4, 2), "1E5");
  EXPECT_EQ(FormatFixed(123456789012345678.0, 24, 1), "123456789012345680.0");
  DecimalSeparatorScope comma(',');
  EXPECT_EQ(FormatFixed(0.5, 16, 8), "0,50000000");
  EXPECT_EQ(FormatFixed(1.5e20, 16, 8), "1,5E20");
}

TEST(FixedText, SmallValuesKeepTheirDigitsInFilesAndClipboard) {
  DecimalSeparatorScope scope('.');
  // clang-format off
  const struct {
    double value;
    const char* text;
  } cases[] = {
      // What 8 decimals keep well keeps its bytes.
      {0.8414709848078965, "0.84147098"}, {-0.5, "-0.50000000"}, {0.0, "0.00000000"},
      {0.01, "0.01000000"}, {1e-8, "0.00000001"}, {-0.0625, "-0.06250000"},
      {123456789.123456789, "123456789.12345680"}, {1.5e20, "1.5E20"}, {kInf, "INF"},
      // The rest: the fewest decimals beyond 8 that read back within 5e-9.
      {1e-9, "0.000000001"}, {-1e-12, "-0.000000000001"}, {1.2345e-6, "0.0000012345"},
      {1.23456789e-6, "0.00000123456789"}, {0.0123456789, "0.0123456789"},
      {5e-9, "0.000000005"}};
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(FormatKept(c.value), c.text) << c.value;
  // The smallest double needs 332 decimals; a text past the limit stays at 8.
  const double tiny = std::numeric_limits<double>::denorm_min();
  EXPECT_EQ(FormatKept(tiny), "0." + std::string(323, '0') + "494065646");
  char buffer[kKeptTextRoom];
  bool rounded = false;
  EXPECT_EQ(std::string(buffer, FormatKeptTo(buffer, 1e-9, rounded, 10)), "0.00000000");
  EXPECT_TRUE(rounded);
  EXPECT_EQ(std::string(buffer, FormatKeptTo(buffer, 1e-9, rounded, 11)), "0.000000001");
  EXPECT_FALSE(rounded);
  // Read back and written again, a text stays the same.
  std::mt19937_64 random(7);
  for (int i = 0; i < 20000; ++i) {
    const double v = std::ldexp(std::uniform_real_distribution<double>(-1, 1)(random), -i % 60);
    const std::string text = FormatKept(v);
    ASSERT_EQ(FormatKept(ReadNumberOrZero(text)), text) << v;
    ASSERT_LE(std::fabs(ReadNumberOrZero(text) - v),
              5e-9 * std::fabs(v) + 5e-9 * (std::fabs(v) >= 0.1));
  }
  DecimalSeparatorScope comma(',');
  EXPECT_EQ(FormatKept(-2.5e-10), "-0,00000000025");
}

// With 24 digits allowed every value from 1e-6 up keeps all 18 of its digits:
// they must be the C library's exact ones, rounded ties to even.
TEST(FixedText, EighteenDigitsMatchTheLibrary) {
  DecimalSeparatorScope scope('.');
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> power(-6, 23);
  char expected[64];
  for (int i = 0; i < 200000; ++i) {
    double v = mantissa(random) * std::pow(10.0, power(random));
    if (i % 3 == 0) v = std::round(v * 64) / 64;  // short binary fractions: exact ties
    std::snprintf(expected, sizeof expected, "%.17e", v);
    std::string digits = expected[0] + std::string(expected + 2, 17);
    std::string text = FormatFixed(v, 24, 24);
    std::erase(text, '.');
    for (std::string* s : {&digits, &text}) {
      s->erase(s->find_last_not_of('0') + 1);
      s->erase(0, s->find_first_not_of('0'));
    }
    ASSERT_EQ(text, digits) << expected;
  }
}

TEST(NumberReading, Grammar) {
  DecimalSeparatorScope scope('.');
  // clang-format off
  const struct {
    const char* text;
    double value;
  } valid[] = {
      {".", 0}, {"1E2", 100}, {"1e-2", 0.01}, {"+7", 7}, {"1E-999", 0}, {"0E500", 0}, {"1E", 1},
      {"1e+", 1}, {".E5", 0}, {"  -2.5  ", -2.5}, {"5.", 5}, {"007", 7}, {"2E-324", 0},
      {"1.7976931348623157E308", std::numeric_limits<double>::max()},
      {"4.9E-324", std::numeric_limits<double>::denorm_min()},
      {"12345678901234567890123", 1.2345678901234568e22},
      {"9007199254740993", 9007199254740992.0}};  // the tie goes to even
  // clang-format on
  for (const auto& c : valid) {
    double value = -123;
    EXPECT_TRUE(ReadNumber(c.text, value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
  const char* invalid[] = {
      "1E999", "1E5000", "1E0500", "",      "   ", "+",     "E5",    "\t1",
      "1\t",   "1,000",  "1 000",  "1.5.2", "--1", "1e5e5", "\"1\"", "1.7976931348623159E308"};
  for (const char* text : invalid) {
    double value = -123;
    EXPECT_FALSE(ReadNumber(text, value)) << text;
    EXPECT_EQ(value, -123) << text;
  }
  double value = 1;
  EXPECT_FALSE(ReadNumber(std::string_view("1\0", 2), value));
  ASSERT_TRUE(ReadNumber("-1E-999", value));
  EXPECT_TRUE(std::signbit(value));
  EXPECT_EQ(ReadNumberOrZero("abc"), 0.0);
  // Far more digits than a double needs: just above a tie, which must round up.
  EXPECT_EQ(ReadNumberOrZero("9007199254740993" + std::string(900, '0') + "1E-901"),
            9007199254740994.0);
  EXPECT_EQ(ReadNumberOrZero("0." + std::string(399, '0') + "1E400"), 1.0);
  EXPECT_FALSE(ReadNumber("1" + std::string(400, '0'), value));

  DecimalSeparatorScope comma(',');
  EXPECT_EQ(ReadNumberOrZero("-1,25E1"), -12.5);
  EXPECT_FALSE(ReadNumber("0.5", value));
}

TEST(NumberReading, MatchesTheLibraryConversion) {
  DecimalSeparatorScope scope('.');
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> power(-30, 30);
  std::uniform_int_distribution<int> digits(0, 24);
  char buffer[64];
  for (int i = 0; i < 100000; ++i) {
    const double v = mantissa(random) * std::pow(10.0, power(random));
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v,
                                   i % 2 ? std::chars_format::scientific : std::chars_format::fixed,
                                   digits(random));
    const std::string_view text(buffer, static_cast<std::size_t>(end.ptr - buffer));
    double expected = 0;
    std::from_chars(text.data(), text.data() + text.size(), expected);
    ASSERT_EQ(ReadNumberOrZero(text), expected) << text;
  }
  // Eight decimals around the largest integer a double holds exactly.
  for (const char* text : {"90071992.54740992", "90071992.54740993", "-99999999.99999999",
                           "+9007199.25474099", "12345678.00000001 "}) {
    double expected = 0;
    const char* begin = text[0] == '+' ? text + 1 : text;
    std::from_chars(begin, begin + std::strlen(begin), expected);
    EXPECT_EQ(ReadNumberOrZero(text), expected) << text;
  }
}

TEST(DelimitedText, Splitting) {
  // clang-format off
  const struct {
    std::string text;
    Strings tokens;
  } cases[] = {
      {"1;;2", {"1", "", "2"}}, {"1;2;", {"1", "2", ""}}, {"1;2; ", {"1", "2"}}, {";", {"", ""}},
      {" \t\r\n ", {}}, {" a  b\tc ", {"a", "b", "c"}}, {"a ; b", {"a", "b"}},
      {"\"a;b\";c", {"a;b", "c"}}, {"\"a\"\"b\"", {"a\"b"}}, {"\"\"", {""}},
      {"\"unclosed;x y", {"unclosed;x y"}}, {"\"q\"x", {"q", "x"}},
      {std::string("a\0b", 3), {"a"}}, {std::string("1;\0x", 4), {"1", ""}}};
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(SplitDelimited(c.text, ';'), c.tokens) << c.text;
}

TEST(DelimitedText, JoiningQuotesOnlyWhatNeedsIt) {
  EXPECT_EQ(JoinDelimited({"a", "x\"y", "a;b", "c\td", ""}, ';'), "a;\"x\"\"y\";\"a;b\";\"c\td\";");
  EXPECT_EQ(JoinDelimited({""}, ';'), "\"\"");
  EXPECT_EQ(JoinDelimited({}, ';'), "");
  const Strings awkward = {"", " a", "b\"", "\"\"", ";", "c\r\n"};
  EXPECT_EQ(SplitDelimited(JoinDelimited(awkward, ';'), ';'), awkward);
}

TEST(TextLines, SplittingAndJoining) {
  // clang-format off
  const struct {
    std::string text;
    Strings lines;
  } cases[] = {
      {"a\r\nb", {"a", "b"}}, {"a\rb", {"a", "b"}}, {"a\n\rb", {"a", "", "b"}}, {"a\r\n", {"a"}},
      {"", {}}, {"\r\n", {""}}, {"a\r\r\n", {"a", ""}}, {std::string("a\0b\r\nc", 6), {"a"}},
      {"a\x01\x0b z", {"a\x01\x0b z"}}};
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << c.text;
  EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
  EXPECT_EQ(JoinLines({}), "");
}

}  // namespace
}  // namespace fendrel
