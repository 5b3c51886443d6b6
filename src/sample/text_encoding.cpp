#include "sample/text_encoding.h"

#include <array>
#include <cstdint>

namespace fendrel {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::uint32_t Unit(const unsigned char* p, int bytes, bool bigEndian) {
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) {
    const int shift = 8 * (bigEndian ? bytes - 1 - i : i);
    value |= static_cast<std::uint32_t>(p[i]) << shift;
  }
  return value;
}

std::string FromUtf16(std::string_view body, bool bigEndian) {
  const auto* p = reinterpret_cast<const unsigned char*>(body.data());
  const std::size_t units = body.size() / 2;
  std::string out;
  // Mostly ASCII digits and separators: one byte a unit.
  out.reserve(units + 8);
  for (std::size_t i = 0; i < units; ++i) {
    const std::uint32_t unit = Unit(p + 2 * i, 2, bigEndian);
    if (unit < 0xD800 || unit > 0xDFFF) {
      AppendUtf8(out, unit);
      continue;
    }
    if (unit <= 0xDBFF && i + 1 < units) {
      const std::uint32_t low = Unit(p + 2 * (i + 1), 2, bigEndian);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, kReplacement);
  }
  if (body.size() % 2 != 0) AppendUtf8(out, kReplacement);
  return out;
}

std::string FromUtf32(std::string_view body, bool bigEndian) {
  const auto* p = reinterpret_cast<const unsigned char*>(body.data());
  const std::size_t units = body.size() / 4;
  std::string out;
  out.reserve(units + 8);
  for (std::size_t i = 0; i < units; ++i) {
    const std::uint32_t unit = Unit(p + 4 * i, 4, bigEndian);
    AppendUtf8(out, unit > 0x10FFFF || (unit >= 0xD800 && unit <= 0xDFFF) ? kReplacement : unit);
  }
  if (body.size() % 4 != 0) AppendUtf8(out, kReplacement);
  return out;
}

// Windows-1252's characters at 0x80 .. 0x9F; its five unassigned codes keep
// the C1 control of the same number, as browsers read them.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::optional<std::string> DecodeUnicodeText(std::string_view text) {
  // UTF-32LE's mark begins with UTF-16LE's, so it is looked for first.
  if (text.starts_with(std::string_view("\xFF\xFE\0\0", 4))) return FromUtf32(text, false);
  if (text.starts_with(std::string_view("\0\0\xFE\xFF", 4))) return FromUtf32(text, true);
  if (text.starts_with("\xFF\xFE")) return FromUtf16(text, false);
  if (text.starts_with("\xFE\xFF")) return FromUtf16(text, true);
  return std::nullopt;
}

bool IsValidUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    char32_t value = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
      value = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      value = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      value = c & 0x07;
    } else {
      return false;
    }
    if (i + length > n) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      value = (value << 6) | (p[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF.
    if ((length == 3 && value < 0x800) || (length == 4 && value < 0x10000) ||
        (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
      return false;
    }
    i += length;
  }
  return true;
}

std::string AsUtf8(std::string_view text) {
  if (IsValidUtf8(text)) return std::string(text);
  std::string out;
  out.reserve(text.size() * 2);
  for (const char byte : text) {
    const auto c = static_cast<unsigned char>(byte);
    if (c >= 0x80 && c <= 0x9F) {
      AppendUtf8(out, kWindows1252High[c - 0x80]);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

}  // namespace fendrel
