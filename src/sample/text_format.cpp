#include "sample/text_format.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <system_error>

#include "core/portability.h"

namespace fendrel {

namespace {

std::atomic<char> decimalSeparator{'.'};

constexpr std::uint64_t kAbove18 = 1000000000000000000ull;
constexpr int kMaxFormatDigits = 24;

// The exact powers of ten a double holds; used by the one-rounding fast path
// of number reading.
constexpr double kExactPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                    1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

constexpr int kMaxScale = 32;  // 5^32 * 2^53 still fits 128 bits

constexpr auto kPow5 = [] {
  struct Table {
    UInt128 value[kMaxScale + 1];
  } table{};
  UInt128 p = 1;
  for (int i = 0; i <= kMaxScale; ++i) {
    table.value[i] = p;
    p *= 5;
  }
  return table;
}();

constexpr UInt128 kPow10Wide(int n) { return kPow5.value[n] << n; }

// A positive value as 0.d1 d2 ... d18 x 10^exponent, the 18 digits rounded to
// nearest with ties to even and held as one integer in [10^17, 10^18).
struct Decimal18 {
  std::uint64_t digits;
  int exponent;
};

// floor(e * log10(2)), exact for |e| < 1650.
constexpr int FloorLog10Pow2(int e) { return (e * 78913) >> 18; }

// round-half-even(m * 2^q * 10^s), computed exactly; false when the operands
// leave the range the 128-bit product covers.
bool ScaleExact(std::uint64_t m, int q, int s, std::uint64_t& result) {
  if (s < 0 || s > kMaxScale) return false;
  const UInt128 product = static_cast<UInt128>(m) * kPow5.value[s];
  const int shift = q + s;
  if (shift >= 0) {
    if (shift > 63) return false;
    const UInt128 scaled = product << shift;
    if ((scaled >> 64) != 0 || (scaled >> shift) != product) return false;
    result = static_cast<std::uint64_t>(scaled);
    return true;
  }
  const int drop = -shift;
  if (drop > 127) return false;
  UInt128 quotient = product >> drop;
  const UInt128 remainder = product & ((static_cast<UInt128>(1) << drop) - 1);
  const UInt128 half = static_cast<UInt128>(1) << (drop - 1);
  if (remainder > half || (remainder == half && (quotient & 1) != 0)) ++quotient;
  if ((quotient >> 64) != 0) return false;
  result = static_cast<std::uint64_t>(quotient);
  return true;
}

// Integer arithmetic for normal values from about 1e-15 to 1e17, the range
// that files and grids hold; false outside it.
bool ToDecimal18Fast(double magnitude, Decimal18& out) {
  const auto bits = std::bit_cast<std::uint64_t>(magnitude);
  const int biasedExponent = static_cast<int>(bits >> 52);
  if (biasedExponent == 0) return false;
  const std::uint64_t mantissa = (bits & ((1ull << 52) - 1)) | (1ull << 52);
  const int q = biasedExponent - 1075;
  // magnitude >= 2^(q+52), so this never exceeds floor(log10(magnitude)).
  int power = FloorLog10Pow2(q + 52);
  std::uint64_t digits = 0;
  if (!ScaleExact(mantissa, q, 17 - power, digits)) return false;
  if (digits >= kAbove18) {
    ++power;
    if (!ScaleExact(mantissa, q, 17 - power, digits)) return false;
  }
  // No carry to 10^18 is possible: doubles lie more than 10^-17 (relative)
  // apart, so none has eighteen nines that round up.
  out = {digits, power + 1};
  return true;
}

constexpr auto kDigitPairs = [] {
  struct Table {
    char text[200];
  } table{};
  for (int i = 0; i < 100; ++i) {
    table.text[2 * i] = static_cast<char>('0' + i / 10);
    table.text[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return table;
}();

void WritePair(char* out, std::uint32_t value) {
  std::memcpy(out, kDigitPairs.text + 2 * value, 2);
}

void WriteEight(char* out, std::uint32_t value) {
  const std::uint32_t high = value / 10000;
  const std::uint32_t low = value % 10000;
  WritePair(out, high / 100);
  WritePair(out + 2, high % 100);
  WritePair(out + 4, low / 100);
  WritePair(out + 6, low % 100);
}

// Exactly 18 digits of a value below 10^18, in three independent parts.
void WriteEighteen(char* out, std::uint64_t value) {
  const std::uint64_t high = value / 100000000;
  WritePair(out, static_cast<std::uint32_t>(high / 100000000));
  WriteEight(out + 2, static_cast<std::uint32_t>(high % 100000000));
  WriteEight(out + 10, static_cast<std::uint32_t>(value % 100000000));
}

Decimal18 ToDecimal18Exact(double magnitude) {
  // d.ddddddddddddddddde+XXX: correctly rounded, ties to even.
  char text[40];
  const auto result =
      std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, 17);
  std::uint64_t digits = static_cast<std::uint64_t>(text[0] - '0');
  for (int i = 2; i < 19; ++i) digits = digits * 10 + static_cast<std::uint64_t>(text[i] - '0');
  int exponent = 0;
  const char* e = text + 20;
  const bool negative = *e == '-';
  ++e;
  std::from_chars(e, result.ptr, exponent);
  if (negative) exponent = -exponent;
  return {digits, exponent + 1};
}

char* WriteRepeated(char* out, char c, int count) {
  for (int i = 0; i < count; ++i) *out++ = c;
  return out;
}

std::size_t WriteZero(char* buffer, char separator, int decimals) {
  char* out = buffer;
  *out++ = '0';
  if (decimals > 0) {
    *out++ = separator;
    out = WriteRepeated(out, '0', decimals);
  }
  *out = '\0';
  return static_cast<std::size_t>(out - buffer);
}

std::size_t WriteSpecial(char* buffer, double value) {
  const char* text = std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
  const std::size_t length = std::strlen(text);
  std::memcpy(buffer, text, length + 1);
  return length;
}

// Whether rounding the first k of the 18 digits up would give a number above
// the largest double, which would no longer read back: such a value keeps its
// first k digits as they are. Only the decade of the largest double can pass
// it, and only when the kept digits are its own.
bool RoundsPastLargest(const char* digits, int k, int exponent) {
  constexpr char kLargest[] = "17976931348623157";  // 1.7976931348623157E308, then more digits
  return exponent == 309 && k >= 1 && k <= 17 && std::memcmp(digits, kLargest, k) == 0;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal number split into its parts; the digit ranges skip the separator.
struct DecimalParts {
  const char* intBegin;
  const char* intEnd;
  const char* fracBegin;
  const char* fracEnd;
  int exponent;
  bool negative;
};

double Signed(double magnitude, bool negative) { return negative ? -magnitude : magnitude; }

int BitLength(UInt128 value) {
  const auto high = static_cast<std::uint64_t>(value >> 64);
  return high != 0 ? 128 - std::countl_zero(high)
                   : 64 - std::countl_zero(static_cast<std::uint64_t>(value));
}

// value * 2^exponent rounded to 53 bits, ties to even; `sticky` tells that
// the true value lies a little above `value`. value has more than 53 bits and
// the result must be a normal double.
double RoundToDouble(UInt128 value, int exponent, bool sticky) {
  const int drop = BitLength(value) - 53;
  std::uint64_t mantissa = static_cast<std::uint64_t>(value >> drop);
  const UInt128 rest = value & ((static_cast<UInt128>(1) << drop) - 1);
  const UInt128 half = static_cast<UInt128>(1) << (drop - 1);
  if (rest > half || (rest == half && (sticky || (mantissa & 1) != 0))) ++mantissa;
  int binaryExponent = exponent + drop;
  if (mantissa == (1ull << 53)) {
    mantissa >>= 1;
    ++binaryExponent;
  }
  const auto biased = static_cast<std::uint64_t>(binaryExponent + 52 + 1023);
  return std::bit_cast<double>((biased << 52) | (mantissa & ((1ull << 52) - 1)));
}

// mantissa * 10^scale correctly rounded, by integer arithmetic, for the
// mantissas of up to 19 digits that a double cannot hold exactly.
bool ScaleDecimalExact(std::uint64_t mantissa, int scale, double& result) {
  if (scale >= 0 && scale <= 19) {
    const UInt128 product = static_cast<UInt128>(mantissa) * kPow10Wide(scale);
    if (BitLength(product) <= 53) {
      result = static_cast<double>(static_cast<std::uint64_t>(product));
    } else {
      result = RoundToDouble(product, 0, false);
    }
    return true;
  }
  if (scale < 0 && scale >= -27) {
    // Divide by 5^k (< 2^63) with 64 spare bits, then take 2^-k into the exponent.
    const int k = -scale;
    const int lead = std::countl_zero(mantissa);
    const UInt128 numerator = static_cast<UInt128>(mantissa << lead) << 64;
    const auto divisor = static_cast<std::uint64_t>(kPow5.value[k]);
    const UInt128 quotient = numerator / divisor;
    const bool sticky = numerator % divisor != 0;
    result = RoundToDouble(quotient, -64 - lead - k, sticky);
    return true;
  }
  return false;
}

// Any number of digits: the significant ones (capped, with a sticky digit for
// the rest, which keeps the rounding exact) go to from_chars.
bool ConvertLong(const DecimalParts& parts, double& value) {
  // Where the first significant digit stands: value lies in [10^(pos-1), 10^pos).
  const char* first = parts.intBegin;
  while (first != parts.intEnd && *first == '0') ++first;
  const bool inInteger = first != parts.intEnd;
  std::int64_t position = parts.exponent;
  if (inInteger) {
    position += parts.intEnd - first;
  } else {
    first = parts.fracBegin;
    while (first != parts.fracEnd && *first == '0') ++first;
    if (first == parts.fracEnd) {
      value = Signed(0.0, parts.negative);
      return true;
    }
    position -= first - parts.fracBegin;
  }
  if (position > 309) return false;
  if (position < -330) {
    value = Signed(0.0, parts.negative);
    return true;
  }

  // A halfway point between two doubles has at most 767 significant digits.
  constexpr std::size_t kKeep = 780;
  char text[kKeep + 32];
  std::size_t kept = 0;
  bool sticky = false;
  const auto gather = [&](const char* from, const char* to) {
    const auto count = std::min(static_cast<std::size_t>(to - from), kKeep - kept);
    std::memcpy(text + kept, from, count);
    kept += count;
    if (!sticky) sticky = std::find_if(from + count, to, [](char c) { return c != '0'; }) != to;
  };
  if (inInteger) {
    gather(first, parts.intEnd);
    gather(parts.fracBegin, parts.fracEnd);
  } else {
    gather(first, parts.fracEnd);
  }
  if (sticky) {
    text[kept++] = '1';
  } else {
    while (text[kept - 1] == '0') --kept;
  }
  const std::int64_t tailExponent = position - static_cast<std::int64_t>(kept);
  char* end = text + kept;
  *end++ = 'e';
  end = std::to_chars(end, text + sizeof text, tailExponent).ptr;
  double magnitude = 0;
  const auto result = std::from_chars(text, end, magnitude);
  if (result.ec == std::errc::result_out_of_range) {
    if (position > 0) return false;
    magnitude = 0;
  } else if (result.ec != std::errc()) {
    return false;
  }
  value = Signed(magnitude, parts.negative);
  return true;
}

// `mantissa` holds the digits as read when there are at most 19 of them.
bool Convert(const DecimalParts& parts, std::uint64_t mantissa, double& value) {
  const std::int64_t fracLength = parts.fracEnd - parts.fracBegin;
  if ((parts.intEnd - parts.intBegin) + fracLength <= 19) {
    if (mantissa == 0) {
      value = Signed(0.0, parts.negative);
      return true;
    }
    const std::int64_t scale = parts.exponent - fracLength;
    // Both operands exact, so the one multiplication or division rounds once.
    if (mantissa <= (1ull << 53) && scale >= -22 && scale <= 22) {
      const auto m = static_cast<double>(mantissa);
      const double magnitude = scale >= 0 ? m * kExactPow10[scale] : m / kExactPow10[-scale];
      value = Signed(magnitude, parts.negative);
      return true;
    }
    double magnitude = 0;
    if (ScaleDecimalExact(mantissa, static_cast<int>(scale), magnitude)) {
      value = Signed(magnitude, parts.negative);
      return true;
    }
  }
  return ConvertLong(parts, value);
}

// Eight ASCII digits at once, the first in the lowest byte.
bool AreEightDigits(std::uint64_t chunk) {
  return (((chunk & 0xF0F0F0F0F0F0F0F0ull) |
           (((chunk + 0x0606060606060606ull) & 0xF0F0F0F0F0F0F0F0ull) >> 4)) ==
          0x3333333333333333ull);
}

std::uint64_t EightDigitsValue(std::uint64_t chunk) {
  chunk = ((chunk & 0x0F0F0F0F0F0F0F0Full) * 2561) >> 8;
  chunk = ((chunk & 0x00FF00FF00FF00FFull) * 6553601) >> 16;
  return ((chunk & 0x0000FFFF0000FFFFull) * 42949672960001ull) >> 32;
}

// Reads the number grammar from p without spaces: sign, digits, separator
// and digits, exponent. Returns the end of what it read, or nullptr when no
// digit or separator stands between the sign and the exponent. The digits are
// gathered while they are checked; past 19 of them the sum wraps and Convert
// takes the long route instead.
const char* ScanNumber(const char* p, const char* end, char separator, DecimalParts& parts,
                       std::uint64_t& mantissa) {
  // Locals, not the out-parameters, in the loops: stores through those could
  // alias the text and would be redone for every character.
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  std::uint64_t sum = 0;
  const char* const intBegin = p;
  for (; p != end && IsDigit(*p); ++p) sum = sum * 10 + static_cast<unsigned>(*p - '0');
  const char* const intEnd = p;
  const char* fracBegin = p;
  bool hasSeparator = false;
  if (p != end && *p == separator) {
    hasSeparator = true;
    fracBegin = ++p;
    while (end - p >= 8) {
      const std::uint64_t chunk = LoadLittleEndian64(p);
      if (!AreEightDigits(chunk)) break;
      sum = sum * 100000000 + EightDigitsValue(chunk);
      p += 8;
    }
    for (; p != end && IsDigit(*p); ++p) sum = sum * 10 + static_cast<unsigned>(*p - '0');
  }
  if (intBegin == intEnd && !hasSeparator) return nullptr;
  parts = {intBegin, intEnd, fracBegin, p, 0, negative};
  mantissa = sum;
  if (p != end && (*p == 'E' || *p == 'e')) {
    ++p;
    bool negativeExponent = false;
    if (p != end && (*p == '+' || *p == '-')) {
      negativeExponent = *p == '-';
      ++p;
    }
    // Reading stops at the digit that brings the exponent to 500; a digit
    // after it is then an invalid character.
    int exponent = 0;
    while (p != end && IsDigit(*p) && exponent < 500) {
      exponent = exponent * 10 + (*p - '0');
      ++p;
    }
    parts.exponent = negativeExponent ? -exponent : exponent;
  }
  return p;
}

// The shape files and clipboard texts hold for values below 9 * 10^7: a
// sign, one to eight digits, the separator and exactly eight digits, with
// neither a digit nor an exponent after them. Read as Convert reads it, by
// one exact division of the integer the digits make; returns the end of the
// number, or nullptr for any other shape.
const char* ReadEightDecimals(const char* p, const char* end, char separator, double& value) {
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  const char* const digits = p;
  std::uint64_t whole = 0;
  for (; p != end && IsDigit(*p) && p - digits < 9; ++p) {
    whole = whole * 10 + static_cast<unsigned>(*p - '0');
  }
  if (p == digits || p - digits > 8 || p == end || *p != separator || end - p < 9) return nullptr;
  ++p;
  const std::uint64_t chunk = LoadLittleEndian64(p);
  if (!AreEightDigits(chunk)) return nullptr;
  p += 8;
  if (p != end && (IsDigit(*p) || *p == 'E' || *p == 'e')) return nullptr;
  const std::uint64_t mantissa = whole * 100000000 + EightDigitsValue(chunk);
  if (mantissa > (1ull << 53)) return nullptr;  // no longer exact as a double
  value = Signed(static_cast<double>(mantissa) / kExactPow10[8], negative);
  return p;
}

}  // namespace

char DecimalSeparator() { return decimalSeparator.load(std::memory_order_relaxed); }

void SetDecimalSeparator(char separator) {
  decimalSeparator.store(separator == '\0' ? '.' : separator, std::memory_order_relaxed);
}

std::size_t FormatFixedTo(char* buffer, double value, int precision, int decimals) {
  precision = std::clamp(precision, 0, kMaxFormatDigits);
  decimals = std::clamp(decimals, 0, kMaxFormatDigits);
  const char separator = DecimalSeparator();
  if (!std::isfinite(value)) return WriteSpecial(buffer, value);
  if (value == 0) return WriteZero(buffer, separator, decimals);
  const bool negative = value < 0;
  const double magnitude = negative ? -value : value;

  // Whole numbers with no more digits than the precision, such as sample
  // positions, are exact as they stand: their digits need no scaling.
  // Below 10^18 every whole double keeps all its digits in the 18 kept.
  if (magnitude < kExactPow10[std::min(precision, 18)] && magnitude == std::floor(magnitude)) {
    char* out = buffer;
    if (negative) *out++ = '-';
    out = std::to_chars(out, buffer + 63, static_cast<std::uint64_t>(magnitude)).ptr;
    if (decimals > 0) {
      *out++ = separator;
      out = WriteRepeated(out, '0', decimals);
    }
    *out = '\0';
    return static_cast<std::size_t>(out - buffer);
  }

  Decimal18 decimal;
  if (!ToDecimal18Fast(magnitude, decimal)) decimal = ToDecimal18Exact(magnitude);

  // Second rounding, half up on the 18 digit characters, to k significant
  // digits; a carry out of the first digit leaves the single digit 1.
  int exponent = decimal.exponent;
  const int k = std::min(exponent + decimals, precision);
  if (k < 0) return WriteZero(buffer, separator, decimals);
  char digits[18];
  WriteEighteen(digits, decimal.digits);
  int count = 18;
  if (k < 18) {
    count = k;
    if (digits[k] >= '5' && !RoundsPastLargest(digits, k, exponent)) {
      int i = k - 1;
      while (i >= 0 && digits[i] == '9') digits[i--] = '0';
      if (i < 0) {
        digits[0] = '1';
        count = 1;
        ++exponent;
      } else {
        ++digits[i];
      }
    } else if (k == 0) {
      return WriteZero(buffer, separator, decimals);
    }
  }
  while (digits[count - 1] == '0') --count;  // digits[0] is never '0'

  char* out = buffer;
  if (negative) *out++ = '-';
  if (exponent <= precision) {
    if (exponent <= 0) {
      *out++ = '0';
    } else {
      const int taken = std::min(exponent, count);
      std::memcpy(out, digits, static_cast<std::size_t>(taken));
      out = WriteRepeated(out + taken, '0', exponent - taken);
    }
    if (decimals > 0) {
      *out++ = separator;
      const int zeros = std::min(std::max(-exponent, 0), decimals);
      out = WriteRepeated(out, '0', zeros);
      // With precision above 18 the integer part may use up every digit.
      const int first = std::min(std::max(exponent, 0), count);
      const int taken = std::clamp(count - first, 0, decimals - zeros);
      std::memcpy(out, digits + first, static_cast<std::size_t>(taken));
      out = WriteRepeated(out + taken, '0', decimals - zeros - taken);
    }
  } else {
    *out++ = digits[0];
    if (count > 1) {
      *out++ = separator;
      std::memcpy(out, digits + 1, static_cast<std::size_t>(count - 1));
      out += count - 1;
    }
    *out++ = 'E';
    out = std::to_chars(out, buffer + 63, exponent - 1).ptr;
  }
  *out = '\0';
  return static_cast<std::size_t>(out - buffer);
}

std::string FormatFixed(double value, int precision, int decimals) {
  char buffer[64];
  const std::size_t length = FormatFixedTo(buffer, value, precision, decimals);
  return std::string(buffer, length);
}

namespace {

constexpr int kKeptPrecision = 16;
constexpr int kKeptDecimals = 8;
constexpr double kKeptError = 5e-9;

}  // namespace

std::size_t FormatKeptTo(char* buffer, double value, bool& rounded, std::size_t limit) {
  rounded = false;
  // Ordinary values take the fast road and keep their bytes.
  if (!(std::abs(value) < 0.1) || value == 0) {
    return FormatFixedTo(buffer, value, kKeptPrecision, kKeptDecimals);
  }
  char eight[64];
  const std::size_t eightLength = FormatFixedTo(eight, value, kKeptPrecision, kKeptDecimals);
  // The value to 9 significant digits, which hold it within 5e-9 of itself.
  // Deciding on them rather than on the value keeps the text stable: what is
  // read back from it is written again with the same bytes.
  char nine[40];
  const double magnitude = std::abs(value);
  const auto made =
      std::to_chars(nine, nine + sizeof nine, magnitude, std::chars_format::scientific, 8);
  double kept = 0;
  std::from_chars(nine, made.ptr, kept);
  const char separator = DecimalSeparator();
  double back = 0;
  if (ReadNumber(std::string_view(eight, eightLength), back, separator) &&
      std::abs(std::abs(back) - kept) <= kKeptError * kept) {
    std::memcpy(buffer, eight, eightLength + 1);
    return eightLength;
  }
  const char* e = std::find(nine, made.ptr, 'e');
  int exponent = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), made.ptr, exponent);
  // Below 0.1 the first digit stands -exponent places after the separator;
  // digit k > 1 of the nine stands at nine[k].
  const int zeros = -exponent - 1;
  int digits = 9;
  while (digits > 1 && nine[digits] == '0') --digits;
  const int decimals = zeros + digits;
  if (zeros < 0 || decimals <= kKeptDecimals) {
    std::memcpy(buffer, eight, eightLength + 1);
    return eightLength;
  }
  if ((value < 0 ? 1u : 0u) + 2u + static_cast<std::size_t>(decimals) > limit) {
    rounded = true;
    std::memcpy(buffer, eight, eightLength + 1);
    return eightLength;
  }
  char* out = buffer;
  if (value < 0) *out++ = '-';
  *out++ = '0';
  *out++ = separator;
  out = WriteRepeated(out, '0', zeros);
  *out++ = nine[0];
  std::memcpy(out, nine + 2, static_cast<std::size_t>(digits - 1));
  out += digits - 1;
  *out = '\0';
  return static_cast<std::size_t>(out - buffer);
}

std::string FormatKept(double value) {
  char buffer[kKeptTextRoom];
  bool rounded = false;
  const std::size_t length = FormatKeptTo(buffer, value, rounded);
  return std::string(buffer, length);
}

char AlternativeSeparator(char separator) {
  if (separator == '.') return ',';
  if (separator == ',') return '.';
  return '\0';
}

bool ReadNumber(std::string_view text, double& value, char separator) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p != end && *p == ' ') ++p;
  double quick = 0;
  if (const char* after = ReadEightDecimals(p, end, separator, quick); after != nullptr) {
    while (after != end && *after == ' ') ++after;
    if (after != end) return false;
    value = quick;
    return true;
  }
  DecimalParts parts{};
  std::uint64_t mantissa = 0;
  p = ScanNumber(p, end, separator, parts, mantissa);
  if (p == nullptr) return false;
  while (p != end && *p == ' ') ++p;
  return p == end && Convert(parts, mantissa, value);
}

std::size_t ReadNumberPrefix(std::string_view text, double& value, char separator) {
  const char* const begin = text.data();
  if (const char* after = ReadEightDecimals(begin, begin + text.size(), separator, value);
      after != nullptr) {
    return static_cast<std::size_t>(after - begin);
  }
  DecimalParts parts{};
  std::uint64_t mantissa = 0;
  const char* p = ScanNumber(begin, begin + text.size(), separator, parts, mantissa);
  if (p == nullptr || !Convert(parts, mantissa, value)) return 0;
  return static_cast<std::size_t>(p - begin);
}

double ReadNumberOrZero(std::string_view text, char separator) {
  double value = 0;
  return ReadNumber(text, value, separator) ? value : 0.0;
}

bool ReadNumber(std::string_view text, double& value) {
  return ReadNumber(text, value, DecimalSeparator());
}

std::size_t ReadNumberPrefix(std::string_view text, double& value) {
  return ReadNumberPrefix(text, value, DecimalSeparator());
}

double ReadNumberOrZero(std::string_view text) {
  return ReadNumberOrZero(text, DecimalSeparator());
}

std::string DelimitedToken::Text() const {
  if (!quoted) return std::string(raw);
  std::string text;
  text.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    text += raw[i];
    if (raw[i] == '"') ++i;  // the pair stands for one quote
  }
  return text;
}

std::string_view DelimitedToken::Unquoted(std::string& scratch) const {
  if (!quoted || raw.find('"') == std::string_view::npos) return raw;
  scratch = Text();
  return scratch;
}

DelimitedScanner::DelimitedScanner(std::string_view text, char delimiter)
    : pos_(text.data()), end_(text.data() + text.size()), delimiter_(delimiter) {
  SkipBlanks();
}

void DelimitedScanner::SkipBlanks() {
  while (!AtEnd(pos_) && IsBlank(*pos_)) ++pos_;
}

bool DelimitedScanner::Next(DelimitedToken& token) {
  if (pendingEmpty_) {
    pendingEmpty_ = false;
    token = {};
    return true;
  }
  if (AtEnd(pos_)) return false;
  if (*pos_ == '"') {
    const char* start = ++pos_;
    while (!AtEnd(pos_)) {
      if (*pos_ == '"') {
        if (AtEnd(pos_ + 1) || pos_[1] != '"') break;
        ++pos_;
      }
      ++pos_;
    }
    token = {std::string_view(start, static_cast<std::size_t>(pos_ - start)), true};
    if (!AtEnd(pos_)) ++pos_;  // the closing quote
  } else {
    const char* start = pos_;
    while (!AtEnd(pos_) && !IsBlank(*pos_) && *pos_ != delimiter_) ++pos_;
    token = {std::string_view(start, static_cast<std::size_t>(pos_ - start)), false};
  }
  SkipBlanks();
  if (!AtEnd(pos_) && *pos_ == delimiter_) {
    // Only a delimiter that is the very last character adds an empty token;
    // one followed by blanks does not.
    pendingEmpty_ = AtEnd(pos_ + 1);
    ++pos_;
    SkipBlanks();
  }
  return true;
}

std::vector<std::string> SplitDelimited(std::string_view text, char delimiter) {
  std::vector<std::string> tokens;
  DelimitedScanner scanner(text, delimiter);
  DelimitedToken token;
  while (scanner.Next(token)) tokens.push_back(token.Text());
  return tokens;
}

void AppendDelimitedField(std::string& out, std::string_view field, char delimiter) {
  const bool quote = std::any_of(field.begin(), field.end(),
                                 [&](char c) { return IsBlank(c) || c == '"' || c == delimiter; });
  if (!quote) {
    out.append(field);
    return;
  }
  out += '"';
  for (char c : field) {
    out += c;
    if (c == '"') out += '"';
  }
  out += '"';
}

std::string JoinDelimited(const std::vector<std::string>& fields, char delimiter) {
  if (fields.size() == 1 && fields[0].empty()) return "\"\"";
  std::string text;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) text += delimiter;
    AppendDelimitedField(text, fields[i], delimiter);
  }
  return text;
}

bool LineScanner::Next(std::string_view& line) {
  if (pos_ == end_ || *pos_ == '\0') return false;
  const char* start = pos_;
  while (pos_ != end_) {
    const char c = *pos_;
    // Everything above CR is line content: one comparison for most bytes.
    if (static_cast<unsigned char>(c) > '\r') {
      ++pos_;
      continue;
    }
    if (c == '\r' || c == '\n' || c == '\0') break;
    ++pos_;
  }
  line = std::string_view(start, static_cast<std::size_t>(pos_ - start));
  if (pos_ != end_ && *pos_ == '\r') ++pos_;
  if (pos_ != end_ && *pos_ == '\n') ++pos_;
  return true;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  LineScanner scanner(text);
  std::string_view line;
  while (scanner.Next(line)) lines.emplace_back(line);
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace fendrel
