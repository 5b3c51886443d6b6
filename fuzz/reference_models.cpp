#include "reference_models.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "fuzz_targets.h"
#include "sample/text_format.h"
#include "wavelet/wavelet.h"

namespace fendrel::fuzz {

bool SameValue(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

namespace {

// Whether some token reads as a number holding the separator.
bool SomeNumberHolds(const std::vector<std::string>& tokens, char separator) {
  for (const std::string& token : tokens) {
    double value = 0;
    if (token.find(separator) != std::string::npos && ReadNumber(token, value, separator)) {
      return true;
    }
  }
  return false;
}

// The user's separator, or the other of '.' and ',' when only that one reads
// a number holding it.
char SeparatorFor(const std::vector<std::string>& tokens) {
  const char own = DecimalSeparator();
  const char other = own == '.' ? ',' : own == ',' ? '.' : '\0';
  if (other != '\0' && !SomeNumberHolds(tokens, own) && SomeNumberHolds(tokens, other)) {
    return other;
  }
  return own;
}

bool Blank(char c) { return c >= 1 && c <= 32; }

struct Token {
  std::string text;
  std::size_t start;
};

// Delimited-text splitting of a text without NUL, keeping where each token
// starts; the empty token after a final delimiter starts at the end.
std::vector<Token> Tokens(std::string_view text, char delimiter) {
  std::vector<Token> tokens;
  const std::size_t n = text.size();
  std::size_t i = 0;
  const auto skipBlanks = [&] {
    while (i < n && Blank(text[i])) ++i;
  };
  skipBlanks();
  while (i < n) {
    Token token{"", i};
    if (text[i] == '"') {
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            token.text += '"';
            i += 2;
            continue;
          }
          break;
        }
        token.text += text[i++];
      }
      if (i < n) ++i;
    } else {
      while (i < n && !Blank(text[i]) && text[i] != delimiter) token.text += text[i++];
    }
    tokens.push_back(token);
    skipBlanks();
    if (i < n && text[i] == delimiter) {
      if (i + 1 == n) tokens.push_back({"", n});
      ++i;
      skipBlanks();
    }
  }
  return tokens;
}

// The line of every position: CR, LF and CR LF each end one.
std::vector<std::size_t> LineOf(std::string_view text) {
  std::vector<std::size_t> line(text.size() + 1, 0);
  std::size_t current = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    line[i] = current;
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
      ++current;
    }
  }
  line[text.size()] = current;
  return line;
}

}  // namespace

std::vector<double> ReferenceFileValues(std::string_view text) {
  std::vector<std::vector<std::string>> lines;
  std::vector<std::string> read;
  for (const std::string& line : SplitLines(text)) {
    lines.push_back(SplitDelimited(line, ','));
    for (std::size_t i = 0; i < lines.back().size() && i < 2; ++i) read.push_back(lines.back()[i]);
  }
  const char separator = SeparatorFor(read);
  std::vector<double> values;
  for (const std::vector<std::string>& fields : lines) {
    double x = 0;
    double y = 0;
    if (fields.size() < 2 || !ReadNumber(fields[0], x, separator) ||
        !ReadNumber(fields[1], y, separator)) {
      x = 0;
      y = 0;
    }
    values.push_back(x);
    values.push_back(y);
  }
  return values;
}

bool ReferencePasteValues(std::string_view text, std::vector<double>& values) {
  text = text.substr(0, text.find('\0'));
  const std::vector<Token> tokens = Tokens(text, ';');
  if (tokens.empty()) return false;
  std::vector<std::string> texts;
  for (const Token& token : tokens) texts.push_back(token.text);
  const char separator = SeparatorFor(texts);
  const std::vector<std::size_t> line = LineOf(text);
  const auto isNumber = [&](const Token& token) {
    double value = 0;
    return ReadNumber(token.text, value, separator);
  };

  // A first line whose tokens are all no numbers is a header.
  std::size_t first = 0;
  while (first < tokens.size() && line[tokens[first].start] == line[tokens[0].start]) ++first;
  if (std::any_of(tokens.begin(), tokens.begin() + static_cast<std::ptrdiff_t>(first), isNumber)) {
    first = 0;
  }
  bool column = true;
  for (std::size_t k = first + 1; k < tokens.size(); ++k) {
    if (line[tokens[k].start] == line[tokens[k - 1].start]) column = false;
  }
  values.clear();
  for (std::size_t k = first; k < tokens.size(); ++k) {
    const std::size_t rank = k - first;
    if (!column && rank % 2 == 0) continue;  // the first of a pair, or one left over
    double value = 0;
    if (!ReadNumber(tokens[k].text, value, separator)) value = 0;
    values.push_back(value);
  }
  return true;
}

ReferencePacket::ReferencePacket(const TSampleData& series) {
  bands_.emplace_back(series.YData(), series.YData() + series.Count());
  for (std::int32_t n = series.Count(); n >= 2; n /= 2) ++maxLevel_;
}

void ReferencePacket::SetLevel(std::int32_t level) {
  if (level < 0 || level >= maxLevel_) return;
  while (level_ < level) Decompose();
  while (level_ > level) Reconstruct();
}

void ReferencePacket::Decompose() {
  const std::size_t m = bands_[0].size() / 2;
  std::vector<std::vector<double>> next;
  for (const std::vector<double>& band : bands_) {
    std::vector<double> average;
    std::vector<double> difference;
    for (std::size_t c = 0; c < m; ++c) {
      average.push_back((band[2 * c] + band[2 * c + 1]) / 2);
      difference.push_back((band[2 * c] - band[2 * c + 1]) / 2);
    }
    next.push_back(std::move(average));
    next.push_back(std::move(difference));
  }
  bands_ = std::move(next);
  ++level_;
}

void ReferencePacket::Reconstruct() {
  const std::size_t m = bands_[0].size();
  std::vector<std::vector<double>> next;
  for (std::size_t i = 0; i < bands_.size(); i += 2) {
    std::vector<double> band;
    for (std::size_t c = 0; c < m; ++c) {
      band.push_back(bands_[i][c] + bands_[i + 1][c]);
      band.push_back(bands_[i][c] - bands_[i + 1][c]);
    }
    next.push_back(std::move(band));
  }
  bands_ = std::move(next);
  --level_;
}

double ReferenceMovingAverage(const std::vector<double>& y, std::int32_t window) {
  const auto k = static_cast<std::int64_t>(std::max(window, 2));
  const auto a = static_cast<std::int64_t>(y.size()) - 1;
  const std::int64_t b = std::max<std::int64_t>(a - k + 1, 0);
  double sum = 0;
  for (std::int64_t i = a; i >= b; --i) sum = y[static_cast<std::size_t>(i)] + sum;
  return sum / static_cast<double>(k);
}

namespace {

bool LessNaNLast(double a, double b) {
  if (std::isnan(a)) return false;
  if (std::isnan(b)) return true;
  return a < b;
}

}  // namespace

double ReferenceNearestNeighbor(const std::vector<double>& y, std::int32_t window, bool average) {
  const auto k = static_cast<std::int64_t>(std::max(window, 2));
  const auto a = static_cast<std::int64_t>(y.size()) - 1;
  if (a < 0) return 0;
  const std::int64_t b = a - k + 1;
  if (b <= 0) return y[static_cast<std::size_t>(a)];
  struct Candidate {
    double distance;
    double value;
  };
  std::vector<Candidate> candidates;
  for (std::int64_t n = 0; n < b; ++n) {
    double distance = 0;
    for (std::int64_t c = b; c <= a; ++c) {
      distance = distance +
                 std::fabs(y[static_cast<std::size_t>(c)] - y[static_cast<std::size_t>(c + n - b)]);
    }
    candidates.push_back({distance, y[static_cast<std::size_t>(n + k)]});
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const Candidate& l, const Candidate& r) {
                     if (LessNaNLast(l.distance, r.distance)) return true;
                     if (LessNaNLast(r.distance, l.distance)) return false;
                     return LessNaNLast(l.value, r.value);
                   });
  if (!average) return candidates[0].value;
  const std::size_t m = std::min(static_cast<std::size_t>(k), candidates.size());
  double sum = 0;
  for (std::size_t i = 0; i < m; ++i) sum = sum + candidates[i].value;
  return sum / static_cast<double>(m);
}

void CheckPacket(TWavelet& packet, ReferencePacket& reference) {
  FUZZ_CHECK(packet.Level() == reference.Level());
  FUZZ_CHECK(packet.MaxLevel() == reference.MaxLevel());
  const auto& bands = reference.Bands();
  FUZZ_CHECK(packet.BandCount() == static_cast<std::int32_t>(bands.size()));
  FUZZ_CHECK(packet.BandCount() == (std::int32_t{1} << packet.Level()));
  FUZZ_CHECK(packet.GetBand(-1) == nullptr && packet.GetBand(packet.BandCount()) == nullptr);
  for (std::int32_t i = 0; i < packet.BandCount(); ++i) {
    const TSampleData& band = *packet.GetBand(i);
    const std::vector<double>& expected = bands[static_cast<std::size_t>(i)];
    FUZZ_CHECK(band.Count() == static_cast<std::int32_t>(expected.size()));
    for (std::int32_t c = 0; c < band.Count(); ++c) {
      FUZZ_CHECK(band.GetX(c) == c);
      FUZZ_CHECK(SameValue(band.GetY(c), expected[static_cast<std::size_t>(c)]));
    }
  }
}

}  // namespace fendrel::fuzz
