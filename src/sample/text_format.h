#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace fendrel {

// The decimal separator of every number written or read. One setting for the
// whole process: the platform layer sets it from the regional settings, tests
// set it directly. A NUL separator stands for "none given" and reads as '.'.
char DecimalSeparator();
void SetDecimalSeparator(char separator);

// Fixed-point text of `value` with `precision` significant digits at most and
// `decimals` digits after the separator; scientific form from 10^precision up.
// Precision and decimals are clamped to 0..24 so the text always fits 64 chars.
std::string FormatFixed(double value, int precision, int decimals);
// Allocation-free form for hot loops: writes at most 63 characters and a NUL
// into a buffer of at least 64, and returns the length without the NUL.
std::size_t FormatFixedTo(char* buffer, double value, int precision, int decimals);

// The number text of the sample file and the clipboard: the fixed-point text
// with precision 16 and 8 decimals, except for a value below 0.1 in magnitude,
// of which 8 decimals keep fewer than eight significant digits. Unless its
// 8-decimal text reads back within 5e-9 of the value's first 9 significant
// digits, such a value is written with the fewest decimals beyond 8 that hold
// those 9 digits, still in fixed point: within 5e-9 of the value, and read
// back and written again, the same text. A text that would pass `limit`
// characters stays the 8-decimal one, and `rounded` is set. `buffer` holds at
// least limit + 1 characters (kKeptTextRoom serves the usual limit).
inline constexpr std::size_t kLongestKeptText = 350;
inline constexpr std::size_t kKeptTextRoom = kLongestKeptText + 1;
std::size_t FormatKeptTo(char* buffer, double value, bool& rounded,
                         std::size_t limit = kLongestKeptText);
std::string FormatKept(double value);

// The other of the two common decimal separators: ',' for '.' and '.' for
// ','; NUL for any other separator, which has no such partner.
char AlternativeSeparator(char separator);

// Reads a number written with the current decimal separator. Returns false,
// leaving `value` alone, for anything that is not a number or does not fit a
// double; values too small for a double read as the nearest one, possibly 0.
bool ReadNumber(std::string_view text, double& value);
double ReadNumberOrZero(std::string_view text);
// Reads the number that starts right at the beginning of `text` (no spaces)
// and returns how many characters it takes, or 0 when none starts there or it
// does not fit a double. A token is a valid number exactly when this reads
// all of it.
std::size_t ReadNumberPrefix(std::string_view text, double& value);
// The same with a separator given, for texts read with another than the
// process-wide one.
bool ReadNumber(std::string_view text, double& value, char separator);
double ReadNumberOrZero(std::string_view text, char separator);
std::size_t ReadNumberPrefix(std::string_view text, double& value, char separator);

// What the tokens of a text tell about the decimal separator it was written
// with. A text is read with the user's separator unless none of its numbers
// holds that separator while some of its tokens fail to read: then it may
// come from the other of '.' and ',', and is read again with that one.
struct SeparatorEvidence {
  // Some token read as a number holding the separator, which would not
  // read with the alternative one.
  bool separatorSeen = false;
  // Some token read as no number.
  bool failureSeen = false;

  void Note(std::string_view token, bool valid, char separator) {
    if (!valid) {
      failureSeen = true;
    } else if (!separatorSeen) {
      separatorSeen = token.find(separator) != std::string_view::npos;
    }
  }
  void Merge(const SeparatorEvidence& other) {
    separatorSeen = separatorSeen || other.separatorSeen;
    failureSeen = failureSeen || other.failureSeen;
  }
  // Whether a text read with `separator` is worth reading again with its
  // alternative; that reading wins when it sees its own separator.
  bool SuggestsAlternative(char separator) const {
    return !separatorSeen && failureSeen && AlternativeSeparator(separator) != '\0';
  }
};

// A blank is any character from code 1 to 32.
constexpr bool IsBlank(char c) {
  return static_cast<unsigned char>(c) >= 1 && static_cast<unsigned char>(c) <= 32;
}

// One token of a delimited text. For a quoted token `raw` is the text between
// the quotes with inner quote pairs still doubled; Text() undoes the doubling.
struct DelimitedToken {
  std::string_view raw;
  bool quoted = false;

  std::string Text() const;
  // The text as a number is read from it: `raw` itself unless it holds
  // doubled quotes, which are then undone into `scratch`.
  std::string_view Unquoted(std::string& scratch) const;
};

// Walks the tokens of a delimited text without copying it. Blanks separate
// tokens as the delimiter does; a NUL character ends the text.
class DelimitedScanner {
 public:
  DelimitedScanner(std::string_view text, char delimiter);

  bool Next(DelimitedToken& token);

 private:
  bool AtEnd(const char* p) const { return p == end_ || *p == '\0'; }
  void SkipBlanks();

  const char* pos_;
  const char* end_;
  char delimiter_;
  bool pendingEmpty_ = false;
};

std::vector<std::string> SplitDelimited(std::string_view text, char delimiter);
std::string JoinDelimited(const std::vector<std::string>& fields, char delimiter);
// Appends one field as JoinDelimited writes it (quoted when it holds a blank,
// a quote or the delimiter), without the delimiter itself.
void AppendDelimitedField(std::string& out, std::string_view field, char delimiter);

// Walks the lines of a text: CR, LF and CR LF each end one line, a NUL ends
// the text, and a final line break yields no empty last line.
class LineScanner {
 public:
  explicit LineScanner(std::string_view text)
      : pos_(text.data()), end_(text.data() + text.size()) {}

  bool Next(std::string_view& line);

 private:
  const char* pos_;
  const char* end_;
};

std::vector<std::string> SplitLines(std::string_view text);
// Every line followed by CR LF, the last one included.
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace fendrel
