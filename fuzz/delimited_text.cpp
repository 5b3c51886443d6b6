#include <string>
#include <string_view>
#include <vector>

#include "fuzz_targets.h"
#include "sample/text_format.h"

namespace fendrel::fuzz {

namespace {

bool HasLineEnd(const std::string& text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
}

}  // namespace

// Input: one byte naming the delimiter, then fields separated by NUL bytes.
//
// For a delimiter that is neither a blank nor the quote character (nor NUL),
// splitting the join of any fields gives the fields back, as long as no field
// holds a NUL, which ends every text. Blanks inside a field are safe: the
// join quotes such a field. A blank delimiter breaks the property, since a
// delimiter followed by nothing but blanks adds no empty token. The same
// holds for lines: lines without CR, LF or NUL come back from their join.
void DelimitedText(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return;
  char delimiter = static_cast<char>(data[0]);
  if (IsBlank(delimiter) || delimiter == '"' || delimiter == '\0') delimiter = ';';
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);

  std::vector<std::string> fields;
  if (!rest.empty()) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t nul = rest.find('\0', start);
      fields.emplace_back(rest.substr(start, nul - start));
      if (nul == std::string_view::npos) break;
      start = nul + 1;
    }
  }
  const std::string joined = JoinDelimited(fields, delimiter);
  FUZZ_CHECK(SplitDelimited(joined, delimiter) == fields);

  // Whatever text: its tokens hold no NUL, so they survive a join and split.
  const std::vector<std::string> tokens = SplitDelimited(rest, delimiter);
  FUZZ_CHECK(SplitDelimited(JoinDelimited(tokens, delimiter), delimiter) == tokens);
  // The scanner the paste uses finds the same tokens.
  DelimitedScanner scanner(rest, delimiter);
  DelimitedToken token;
  std::size_t count = 0;
  while (scanner.Next(token)) {
    FUZZ_CHECK(count < tokens.size() && token.Text() == tokens[count]);
    ++count;
  }
  FUZZ_CHECK(count == tokens.size());

  // Lines: what splitting gives holds no line end and survives a round trip.
  const std::vector<std::string> lines = SplitLines(rest);
  for (const std::string& line : lines) FUZZ_CHECK(!HasLineEnd(line));
  FUZZ_CHECK(SplitLines(JoinLines(lines)) == lines);
  std::vector<std::string> cleanFields;
  for (const std::string& field : fields) {
    if (!HasLineEnd(field)) cleanFields.push_back(field);
  }
  FUZZ_CHECK(SplitLines(JoinLines(cleanFields)) == cleanFields);
}

}  // namespace fendrel::fuzz

FENDREL_FUZZ_TARGET(DelimitedText)
