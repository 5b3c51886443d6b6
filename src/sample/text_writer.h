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
    Quote(out, length, quoteIf);
  }
  // The number text of the sample file and the clipboard (FormatKeptTo),
  // quoted as Fixed quotes; counts the values it had to round to 8 decimals.
  void Kept(double value, char quoteIf = '\0') {
    Room(2 * kKeptTextRoom + 2);
    char* out = text_.data() + used_;
    bool rounded = false;
    const std::size_t length = FormatKeptTo(out, value, rounded);
    if (rounded) ++rounded_;
    Quote(out, length, quoteIf);
  }
  // How many values Kept had to round.
  std::int64_t Rounded() const { return rounded_; }
  void Finish() { text_.resize(used_); }

 private:
  // Takes the number just formatted at `out`, in quotes when it holds quoteIf.
  void Quote(char* out, std::size_t length, char quoteIf) {
    if (quoteIf == '\0' || std::memchr(out, quoteIf, length) == nullptr) {
      used_ += length;
      return;
    }
    char number[kKeptTextRoom];
    std::memcpy(number, out, length);
    *out++ = '"';
    for (std::size_t i = 0; i < length; ++i) {
      *out++ = number[i];
      if (number[i] == '"') *out++ = '"';
    }
    *out++ = '"';
    used_ = static_cast<std::size_t>(out - text_.data());
  }
  void Room(std::size_t bytes) {
    if (used_ + bytes > text_.size()) text_.resize(std::max(2 * text_.size(), used_ + bytes));
  }

  std::string& text_;
  std::size_t used_ = 0;
  std::int64_t rounded_ = 0;
};

}  // namespace fendrel
