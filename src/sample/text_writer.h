#pragma once

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "sample/text_format.h"

namespace fendrel {

// Writes a text straight into a string: room is made before each piece, and
// numbers are formatted in place, so that no piece is copied twice. Finish
// trims the string to what was written.
class TextWriter {
 public:
  TextWriter(std::string& text, std::size_t expected) : text_(text) {
    text_.resize(std::max(expected, std::size_t{64}));
  }
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  void Char(char c) {
    Room(1);
    text_[used_++] = c;
  }
  void LineEnd() {
    Room(2);
    text_[used_++] = '\r';
    text_[used_++] = '\n';
  }
  void Text(std::string_view piece) {
    Room(piece.size());
    std::memcpy(text_.data() + used_, piece.data(), piece.size());
    used_ += piece.size();
  }
  void Whole(std::int32_t value) {
    Room(16);
    char* out = text_.data() + used_;
    used_ += static_cast<std::size_t>(std::to_chars(out, out + 16, value).ptr - out);
  }
  // The shortest text that reads back to the same double, with a full stop
  // whatever the decimal separator; any NaN is "nan", since its sign and
  // payload mean nothing to a reader.
  void Shortest(double value) {
    Room(32);
    char* out = text_.data() + used_;
    if (std::isnan(value)) {
      std::memcpy(out, "nan", 3);
      used_ += 3;
      return;
    }
    used_ += static_cast<std::size_t>(std::to_chars(out, out + 32, value).ptr - out);
  }
  // Fixed-point text; `quoteIf`, when not NUL, quotes a text that holds it,
  // as delimited text does, doubling any quote inside.
  void Fixed(double value, int precision, int decimals, char quoteIf = '\0') {
    Room(2 * 64 + 2);
    char* out = text_.data() + used_;
    const std::size_t length = FormatFixedTo(out, value, precision, decimals);
    if (quoteIf == '\0' || std::memchr(out, quoteIf, length) == nullptr) {
      used_ += length;
      return;
    }
    char number[64];
    std::memcpy(number, out, length);
    *out++ = '"';
    for (std::size_t i = 0; i < length; ++i) {
      *out++ = number[i];
      if (number[i] == '"') *out++ = '"';
    }
    *out++ = '"';
    used_ = static_cast<std::size_t>(out - text_.data());
  }
  void Finish() { text_.resize(used_); }

 private:
  void Room(std::size_t bytes) {
    if (used_ + bytes > text_.size()) text_.resize(std::max(2 * text_.size(), used_ + bytes));
  }

  std::string& text_;
  std::size_t used_ = 0;
};

}  // namespace fendrel
