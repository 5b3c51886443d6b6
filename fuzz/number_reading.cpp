#include <locale.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_targets.h"
#include "sample/text_format.h"

namespace fendrel::fuzz {

namespace {

bool Digit(char c) { return c >= '0' && c <= '9'; }

// strtod rounds correctly; a locale of its own keeps its decimal point a full
// stop whatever the process locale is.
double StrtodC(const std::string& text, bool& overflow) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
  const double value = strtod_l(text.c_str(), nullptr, cLocale);
  overflow = std::isinf(value);
  return value;
}

// The number grammar read the slow way, character by character.
bool ReferenceRead(std::string_view text, char separator, double& value) {
  std::size_t i = 0;
  const auto at = [&](std::size_t k) { return k < text.size() ? text[k] : '\0'; };
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (at(i) == '+' || at(i) == '-') negative = text[i++] == '-';
  std::string digits;
  std::size_t intDigits = 0;
  while (i < text.size() && Digit(text[i])) digits += text[i++];
  intDigits = digits.size();
  bool hasSeparator = false;
  if (i < text.size() && text[i] == separator) {
    hasSeparator = true;
    ++i;
    while (i < text.size() && Digit(text[i])) digits += text[i++];
  }
  if (intDigits == 0 && !hasSeparator) return false;
  long exponent = 0;
  if (at(i) == 'E' || at(i) == 'e') {
    ++i;
    bool negativeExponent = false;
    if (at(i) == '+' || at(i) == '-') negativeExponent = text[i++] == '-';
    while (i < text.size() && Digit(text[i])) {
      exponent = exponent * 10 + (text[i++] - '0');
      if (exponent >= 500) break;
    }
    if (negativeExponent) exponent = -exponent;
  }
  while (i < text.size() && text[i] == ' ') ++i;
  if (i != text.size()) return false;

  const std::size_t firstNonZero = digits.find_first_not_of('0');
  if (firstNonZero == std::string::npos) {
    value = negative ? -0.0 : 0.0;
    return true;
  }
  // 0.<significant digits> x 10^(position)
  const long position = static_cast<long>(intDigits) - static_cast<long>(firstNonZero) + exponent;
  const std::string normal = "0." + digits.substr(firstNonZero) + "e" + std::to_string(position);
  bool overflow = false;
  const double magnitude = StrtodC(normal, overflow);
  if (overflow) return false;
  value = negative ? -magnitude : magnitude;
  return true;
}

// Adds one unit to the last digit of a digit string; false when it carries
// out of the first.
bool RoundUp(std::string& digits) {
  for (std::size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return true;
    }
    digits[i] = '0';
  }
  return false;
}

// Fixed-point text by its rules, on digit strings.
std::string ReferenceFormat(double value, int precision, int decimals, char separator) {
  precision = std::clamp(precision, 0, 24);
  decimals = std::clamp(decimals, 0, 24);
  const std::string zero = "0" + (decimals > 0 ? std::string(1, separator) : std::string()) +
                           std::string(static_cast<std::size_t>(decimals), '0');
  if (value == 0) return zero;
  char text[64];
  // d.ddddddddddddddddde±x: the first 18 significant digits, ties to even.
  std::snprintf(text, sizeof text, "%.17e", std::fabs(value));
  std::string digits = std::string(1, text[0]) + std::string(text + 2, 17);
  int exponent = std::atoi(text + 20) + 1;
  const int k = std::min(exponent + decimals, precision);
  if (k < 0) return zero;
  if (k < 18) {
    // A round up past the largest double would no longer read back.
    const bool pastLargest = exponent == 309 && k >= 1 &&
                             digits.compare(0, static_cast<std::size_t>(k), "17976931348623157", 0,
                                            static_cast<std::size_t>(k)) == 0;
    const bool up = digits[static_cast<std::size_t>(k)] >= '5' && !pastLargest;
    digits.resize(static_cast<std::size_t>(k));
    if (up && !RoundUp(digits)) {
      digits = "1";
      ++exponent;
    }
  }
  const std::size_t last = digits.find_last_not_of('0');
  if (last == std::string::npos) return zero;
  digits.resize(last + 1);

  std::string out = value < 0 ? "-" : "";
  if (exponent <= precision) {
    if (exponent <= 0) {
      out += '0';
    } else {
      for (int i = 0; i < exponent; ++i) {
        out += i < static_cast<int>(digits.size()) ? digits[static_cast<std::size_t>(i)] : '0';
      }
    }
    if (decimals > 0) {
      std::string fraction;
      if (exponent < 0) fraction.assign(static_cast<std::size_t>(-exponent), '0');
      if (exponent < static_cast<int>(digits.size())) {
        fraction += digits.substr(static_cast<std::size_t>(std::max(exponent, 0)));
      }
      fraction.resize(static_cast<std::size_t>(decimals), '0');
      out += separator + fraction;
    }
  } else {
    out += digits[0];
    if (digits.size() > 1) out += separator + digits.substr(1);
    out += 'E' + std::to_string(exponent - 1);
  }
  return out;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void CheckReading(std::string_view text, char separator) {
  double value = 12345;
  const bool valid = ReadNumber(text, value);
  double expected = 12345;
  const bool expectedValid = ReferenceRead(text, separator, expected);
  FUZZ_CHECK(valid == expectedValid);
  FUZZ_CHECK(SameBits(value, expected));
  FUZZ_CHECK(ReadNumberOrZero(text) == (valid ? value : 0.0));
  // Without spaces, a valid number is also a prefix that takes all of it.
  if (valid && !text.empty() && text.front() != ' ' && text.back() != ' ') {
    double prefixValue = 0;
    FUZZ_CHECK(ReadNumberPrefix(text, prefixValue) == text.size());
    FUZZ_CHECK(SameBits(prefixValue, value));
  }
}

}  // namespace

void NumberReading(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return;
  const char separator = data[0] == ',' ? ',' : '.';
  SetDecimalSeparator(separator);
  const int precision = data[1] % 25;
  const int decimals = data[2] % 25;
  const std::string_view text(reinterpret_cast<const char*>(data + 3), size - 3);
  CheckReading(text, separator);

  // The same bytes as a double: its text follows the rules and reads back.
  if (text.size() >= sizeof(double)) {
    double value = 0;
    std::memcpy(&value, text.data(), sizeof value);
    const std::string formatted = FormatFixed(value, precision, decimals);
    if (std::isfinite(value)) {
      FUZZ_CHECK(formatted == ReferenceFormat(value, precision, decimals, separator));
      double back = 0;
      FUZZ_CHECK(ReadNumber(formatted, back));
      CheckReading(formatted, separator);
      // All 18 digits kept give the value back exactly.
      if (precision >= 18 && decimals >= 21 && std::fabs(value) >= 1e-3 &&
          std::fabs(value) < 1e16) {
        FUZZ_CHECK(back == value);
      }
    } else {
      FUZZ_CHECK(formatted == (std::isnan(value) ? "NAN" : value < 0 ? "-INF" : "INF"));
    }
  }
}

}  // namespace fendrel::fuzz

FENDREL_FUZZ_TARGET(NumberReading)
