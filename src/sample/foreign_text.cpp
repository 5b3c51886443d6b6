#include "sample/foreign_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <stdexcept>

#include "core/progress.h"
#include "core/parallel.h"
#include "core/portability.h"
#include "sample/clipboard_text.h"
#include "sample/sample_file.h"
#include "sample/text_blocks.h"
#include "sample/text_encoding.h"
#include "sample/text_format.h"

namespace fendrel {

namespace {

constexpr std::size_t kSampleBytes = std::size_t{64} << 10;
constexpr std::size_t kReadBlockBytes = std::size_t{1} << 18;
constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

bool IsLineEnd(char c) { return c == '\r' || c == '\n' || c == '\0'; }
bool IsSpace(char c) { return c == ' ' || c == '\t'; }

bool StartsWithByteOrderMark(std::string_view text) {
  return text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF";
}

std::string_view WithoutByteOrderMark(std::string_view text) {
  return StartsWithByteOrderMark(text) ? text.substr(3) : text;
}

// The text up to a NUL, which ends every text of the program.
std::string_view UpToNul(std::string_view text) {
  return text.substr(0, std::min(text.size(), text.find('\0')));
}

// The start of a text, cut after a line break so that no line is cut.
std::string_view SampleOf(std::string_view text) {
  if (text.size() <= kSampleBytes) return text;
  const std::size_t cut = text.substr(0, kSampleBytes).find_last_of("\r\n");
  return cut == std::string_view::npos ? text.substr(0, kSampleBytes) : text.substr(0, cut + 1);
}

struct Field {
  // For a quoted field the text between the quotes, doubled quotes kept.
  std::string_view raw;
  bool quoted = false;
  // Neither a doubled quote inside nor anything after the closing quote:
  // `raw` is the field's whole text.
  bool plain = true;
  // A quoted field that holds a line break.
  bool multiLine = false;

  // `raw` is the field as it stands in the text, quotes and all.
  bool verbatim = false;

  std::string Text() const {
    if (!quoted || plain || verbatim) return std::string(raw);
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      text += raw[i];
      if (raw[i] == '"' && i + 1 < raw.size() && raw[i + 1] == '"') ++i;
    }
    return text;
  }
};

bool IsMissingWord(std::string_view field) {
  static constexpr std::array<std::string_view, 10> kWords = {
      "", "NA", "NaN", "nan", "null", "N/A", "inf", "Inf", "-Inf", "-inf"};
  return std::find(kWords.begin(), kWords.end(), field) != kWords.end();
}

// Walks the records of a delimited text: its lines, except that a quoted field
// may hold line breaks. Blank lines and lines beginning with '#' are no
// records and are passed over.
class RecordScanner {
 public:
  RecordScanner(std::string_view text, TTextDelimiter delimiter)
      : p_(text.data()),
        end_(text.data() + text.size()),
        delimiter_(delimiter),
        separated_(delimiter == tdBlanks || delimiter == tdCommaOrBlanks ||
                   delimiter == tdSemicolonOrBlanks) {
    // One look-up a character: the unquoted fields are most of a big text.
    for (int c = 0; c < 256; ++c) endsField_[c] = EndsField(static_cast<char>(c));
  }

  bool NextRecord() {
    while (inRecord_) {
      Field ignored;
      NextField(ignored);
    }
    for (;;) {
      if (p_ == end_ || *p_ == '\0') {
        p_ = end_;
        return false;
      }
      if (*p_ == '#') {
        ++comments_;
        while (p_ != end_ && !IsLineEnd(*p_)) ++p_;
        SkipLineBreak();
        continue;
      }
      const char* q = p_;
      while (q != end_ && IsBlank(*q) && *q != '\r' && *q != '\n') ++q;
      if (q == end_ || *q == '\0') {
        p_ = end_;
        return false;
      }
      if (*q == '\r' || *q == '\n') {
        p_ = q;
        SkipLineBreak();
        continue;
      }
      inRecord_ = true;
      fieldPending_ = true;
      return true;
    }
  }

  // The next field of the current record; false, past the record's line
  // break, at its end.
  bool NextField(Field& field) {
    if (!inRecord_) return false;
    if (Separated()) SkipSeparators();
    // After a delimiter a field follows, if only an empty one.
    if (!fieldPending_ || (Separated() && AtLineEnd())) {
      SkipRestOfLine();
      return false;
    }
    field = Field{};
    if (Separated()) {
      ReadField(field);
      SkipSeparators();
      fieldPending_ = !AtLineEnd();
    } else {
      while (p_ != end_ && IsSpace(*p_) && *p_ != delimiter_) ++p_;
      ReadField(field);
      fieldPending_ = p_ != end_ && *p_ == delimiter_;
      if (fieldPending_) ++p_;
    }
    return true;
  }

  const char* Position() const { return p_; }
  std::int64_t Comments() const { return comments_; }

 private:
  // Runs of separators count once: blanks, and for the own splittings also
  // their delimiter.
  bool Separated() const { return separated_; }
  bool IsSeparator(char c) const {
    return IsSpace(c) || (delimiter_ == tdCommaOrBlanks && c == ',') ||
           (delimiter_ == tdSemicolonOrBlanks && c == ';');
  }
  bool EndsField(char c) const {
    return IsLineEnd(c) || (Separated() ? IsSeparator(c) : c == delimiter_);
  }
  bool AtLineEnd() const { return p_ == end_ || IsLineEnd(*p_); }
  void SkipSeparators() {
    while (p_ != end_ && IsSeparator(*p_)) ++p_;
  }
  void SkipLineBreak() {
    if (p_ != end_ && *p_ == '\r') ++p_;
    if (p_ != end_ && *p_ == '\n') ++p_;
  }
  void SkipRestOfLine() {
    while (p_ != end_ && !IsLineEnd(*p_)) ++p_;
    if (p_ != end_ && *p_ == '\0') p_ = end_;
    SkipLineBreak();
    inRecord_ = false;
  }

  void ReadField(Field& field) {
    if (p_ != end_ && *p_ == '"') {
      field.quoted = true;
      const char* q = p_ + 1;
      for (;;) {
        const void* found = std::memchr(q, '"', static_cast<std::size_t>(end_ - q));
        if (found == nullptr) {
          q = end_;
          field.raw = std::string_view(p_ + 1, static_cast<std::size_t>(end_ - p_ - 1));
          p_ = end_;
          break;
        }
        q = static_cast<const char*>(found);
        if (q + 1 != end_ && q[1] == '"') {
          field.plain = false;
          q += 2;
          continue;
        }
        field.raw = std::string_view(p_ + 1, static_cast<std::size_t>(q - p_ - 1));
        p_ = q + 1;
        break;
      }
      field.multiLine = field.raw.find_first_of("\r\n") != std::string_view::npos;
      while (p_ != end_ && IsSpace(*p_) && !EndsField(*p_)) ++p_;
      if (p_ != end_ && !EndsField(*p_)) {
        // Text after the closing quote: the field is shown as it stands.
        const char* open = field.raw.data() - 1;
        while (p_ != end_ && !EndsField(*p_)) ++p_;
        field.raw = std::string_view(open, static_cast<std::size_t>(p_ - open));
        field.plain = false;
        field.verbatim = true;
      }
      return;
    }
    // Locals, so that the pointer stays in a register: a store through a
    // char pointer could change any member.
    const char* const start = p_;
    const char* const end = end_;
    const char* p = start;
    if (!separated_) {
      // Eight characters at a time up to the delimiter or the line's end.
      const auto delimiter = static_cast<unsigned char>(delimiter_);
      while (end - p >= 8) {
        const std::uint64_t word = LoadLittleEndian64(p);
        const std::uint64_t stops = BytesEqual(word, delimiter) | BytesEqual(word, '\r') |
                                    BytesEqual(word, '\n') | BytesEqual(word, '\0');
        if (stops != 0) {
          p += std::countr_zero(stops) / 8;
          break;
        }
        p += 8;
      }
    }
    while (p != end && !endsField_[static_cast<unsigned char>(*p)]) ++p;
    p_ = p;
    const char* stop = p;
    while (stop != start && IsSpace(stop[-1])) --stop;
    field.raw = std::string_view(start, static_cast<std::size_t>(stop - start));
  }

  const char* p_;
  const char* end_;
  TTextDelimiter delimiter_;
  bool separated_;
  std::array<bool, 256> endsField_{};
  bool inRecord_ = false;
  bool fieldPending_ = false;
  std::int64_t comments_ = 0;
};

char UserSeparator() {
  const char separator = DecimalSeparator();
  return separator == '\0' ? '.' : separator;
}

// A number with the user's separator or with its alternative.
bool IsNumberField(const Field& field) {
  if (!field.plain) return false;
  double value = 0;
  const char separator = UserSeparator();
  const char alternative = AlternativeSeparator(separator);
  return ReadNumber(field.raw, value, separator) ||
         (alternative != '\0' && ReadNumber(field.raw, value, alternative));
}

// What one splitting makes of the records of a text.
struct RecordFacts {
  std::vector<std::int32_t> fields;
  std::vector<char> numeric;
  std::vector<char> missing;
  std::int64_t comments = 0;
};

RecordFacts FactsOf(std::string_view text, TTextDelimiter delimiter) {
  RecordFacts facts;
  RecordScanner scanner(text, delimiter);
  while (scanner.NextRecord()) {
    Field field;
    std::int32_t count = 0;
    bool numeric = false;
    bool missing = false;
    while (scanner.NextField(field)) {
      ++count;
      const bool number = IsNumberField(field);
      numeric = numeric || number;
      missing = missing || (!number && field.plain && IsMissingWord(field.raw));
    }
    facts.fields.push_back(count);
    facts.numeric.push_back(numeric ? 1 : 0);
    facts.missing.push_back(missing ? 1 : 0);
  }
  facts.comments = scanner.Comments();
  return facts;
}

// The common number of fields of the data records, or -1.
std::int32_t CommonFields(const RecordFacts& facts, std::size_t header) {
  if (facts.fields.size() <= header) return -1;
  const std::int32_t first = facts.fields[header];
  for (std::size_t i = header; i < facts.fields.size(); ++i) {
    if (facts.fields[i] != first) return -1;
  }
  return first;
}

TTextDetection Detect(std::string_view text, TTextSource source) {
  text = UpToNul(text);
  TTextDetection detection;
  const bool byteOrderMark = StartsWithByteOrderMark(text);
  text = WithoutByteOrderMark(text);

  constexpr std::array<TTextDelimiter, 6> kSplittings = {
      tdSemicolon, tdTab, tdComma, tdBlanks, tdCommaOrBlanks, tdSemicolonOrBlanks};
  std::array<RecordFacts, kSplittings.size()> facts;
  for (std::size_t m = 0; m < kSplittings.size(); ++m) facts[m] = FactsOf(text, kSplittings[m]);

  // Header lines hold no number however the line is split.
  std::size_t header = std::numeric_limits<std::size_t>::max();
  for (const RecordFacts& f : facts) {
    const auto leading = static_cast<std::size_t>(
        std::find(f.numeric.begin(), f.numeric.end(), 1) - f.numeric.begin());
    header = std::min(header, leading);
  }
  const std::size_t records = facts[0].fields.size();
  if (header >= records) header = 0;
  for (const RecordFacts& f : facts) {
    if (header > f.fields.size()) header = 0;
  }

  // The first delimiter that gives every data line the same two or more
  // fields; else one column when no delimiter splits any line.
  std::size_t chosen = kSplittings.size();
  std::int32_t columns = -1;
  for (std::size_t m = 0; m < 4; ++m) {
    if (kSplittings[m] == tdSemicolon && UserSeparator() == ';') continue;
    const std::int32_t common = CommonFields(facts[m], header);
    if (common >= 2) {
      chosen = m;
      columns = common;
      break;
    }
  }
  bool oneColumn = false;
  if (chosen == kSplittings.size()) {
    oneColumn = true;
    for (std::size_t m = 0; m < 4; ++m) oneColumn = oneColumn && CommonFields(facts[m], header) == 1;
    if (oneColumn) {
      chosen = 2;
      columns = 1;
    } else {
      // Lines of several forms: the splitting that finds two or more fields
      // in the most of them, the source's own one when none does better.
      const std::size_t own = source == tsPaste ? 5 : 4;
      const std::size_t order[] = {0, 1, 2, 3, own};
      std::int64_t best = -1;
      for (const std::size_t m : order) {
        const auto& fields = facts[m].fields;
        const std::int64_t score = std::count_if(
            fields.begin() + static_cast<std::ptrdiff_t>(std::min(header, fields.size())),
            fields.end(), [](std::int32_t count) { return count >= 2; });
        if (score > best || (score == best && m == own)) {
          best = score;
          chosen = m;
        }
      }
      if (best == 0) chosen = own;
    }
  }
  const RecordFacts& data = facts[chosen];
  const std::size_t dataRecords = data.fields.size() > header ? data.fields.size() - header : 0;
  // Columns seen in a single line are no evidence of a layout.
  const bool structural = dataRecords >= 2 && columns != -1 &&
                          (oneColumn || kSplittings[chosen] == tdSemicolon || columns >= 3);
  const bool missing =
      std::find(data.missing.begin() +
                    static_cast<std::ptrdiff_t>(std::min(header, data.missing.size())),
                data.missing.end(), 1) != data.missing.end();
  detection.foreign =
      byteOrderMark || data.comments > 0 || header > 0 || structural || missing;
  if (!detection.foreign) return detection;

  TTextLayout& layout = detection.layout;
  layout.delimiter = kSplittings[chosen];
  layout.headerLines = static_cast<std::int32_t>(header);
  DescribeColumns(text, layout);
  detection.asks = layout.columns >= 3;
  return detection;
}

}  // namespace

TTextDetection DetectTextLayout(std::string_view text, TTextSource source) {
  return Detect(SampleOf(text), source);
}

TTextDetection DetectWholeTextLayout(std::string_view text, TTextSource source) {
  return Detect(text, source);
}

void DescribeColumns(std::string_view text, TTextLayout& layout) {
  text = SampleOf(WithoutByteOrderMark(UpToNul(text)));
  RecordScanner scanner(text, layout.delimiter);
  std::vector<std::string> names;
  std::int32_t skipped = 0;
  while (skipped < layout.headerLines && scanner.NextRecord()) {
    names.clear();
    Field field;
    while (scanner.NextField(field)) names.push_back(field.Text());
    ++skipped;
  }
  std::map<std::int32_t, std::int64_t> counts;
  std::vector<char> numeric;
  while (scanner.NextRecord()) {
    Field field;
    std::int32_t count = 0;
    while (scanner.NextField(field)) {
      if (numeric.size() <= static_cast<std::size_t>(count)) numeric.resize(count + 1, 0);
      if (IsNumberField(field)) numeric[static_cast<std::size_t>(count)] = 1;
      ++count;
    }
    ++counts[count];
  }
  std::int32_t columns = 1;
  std::int64_t most = 0;
  for (const auto& [count, lines] : counts) {
    if (lines >= most && count > 0) {
      most = lines;
      columns = count;
    }
  }
  if (counts.empty() && !names.empty()) columns = static_cast<std::int32_t>(names.size());
  layout.columns = columns;
  if (columns == 1) {
    layout.valueColumn = 0;
  } else if (columns == 2) {
    layout.valueColumn = 1;
  } else {
    layout.valueColumn = columns - 1;
    for (std::int32_t c = columns - 1; c >= 0; --c) {
      if (static_cast<std::size_t>(c) < numeric.size() && numeric[static_cast<std::size_t>(c)]) {
        layout.valueColumn = c;
        break;
      }
    }
  }
  layout.columnNames.assign(static_cast<std::size_t>(columns), std::string());
  for (std::int32_t c = 0; c < columns; ++c) {
    std::string& name = layout.columnNames[static_cast<std::size_t>(c)];
    // A header in a legacy encoding still names its columns legibly.
    if (static_cast<std::size_t>(c) < names.size()) {
      name = AsUtf8(names[static_cast<std::size_t>(c)]);
    }
    if (name.empty()) name = "Column " + std::to_string(c + 1);
  }
}

std::vector<std::vector<std::string>> PreviewRows(std::string_view text, const TTextLayout& layout,
                                                  std::int32_t rows) {
  text = WithoutByteOrderMark(UpToNul(text));
  RecordScanner scanner(text, layout.delimiter);
  for (std::int32_t skipped = 0; skipped < layout.headerLines && scanner.NextRecord(); ++skipped) {
  }
  std::vector<std::vector<std::string>> preview;
  while (static_cast<std::int32_t>(preview.size()) < rows && scanner.NextRecord()) {
    std::vector<std::string>& row = preview.emplace_back();
    Field field;
    while (scanner.NextField(field)) row.push_back(AsUtf8(field.Text()));
  }
  return preview;
}

namespace {

// What reading one block found. Its records went straight into the series,
// from the block's first line on.
struct BlockRead {
  std::size_t records = 0;
  std::int64_t missing = 0;
  // The first and the last record that gave a value, if any did.
  std::size_t firstValue = kNoValue;
  std::size_t lastValue = kNoValue;
  SeparatorEvidence evidence;
  bool regular = true;
  bool xNumbers = true;
  bool multiLine = false;

  static constexpr std::size_t kNoValue = std::numeric_limits<std::size_t>::max();
};

// Reads the records of `text` into `xs` and `ys`, which have room for one
// per line of the text: a record takes at least one line.
void ReadBlock(std::string_view text, const TTextLayout& layout, char separator, double* xs,
               double* ys, std::size_t room, BlockRead& block) {
  RecordScanner scanner(text, layout.delimiter);
  const std::int32_t valueColumn = layout.valueColumn;
  std::size_t record = 0;
  while (scanner.NextRecord()) {
    if (record == room) throw std::logic_error("More records than lines");
    Field field;
    std::int32_t index = 0;
    double y = kMissing;
    while (scanner.NextField(field)) {
      block.multiLine = block.multiLine || field.multiLine;
      if (index == valueColumn && field.plain && !IsMissingWord(field.raw)) {
        double value = 0;
        const bool read = ReadNumber(field.raw, value, separator);
        block.evidence.Note(field.raw, read, separator);
        if (read) y = value;
      }
      if (xs != nullptr && index == 0) {
        double x = 0;
        if (field.plain && ReadNumber(field.raw, x, separator)) {
          xs[record] = x;
        } else {
          block.xNumbers = false;
          xs[record] = 0;
        }
      }
      ++index;
    }
    block.regular = block.regular && index == layout.columns;
    if (std::isnan(y)) {
      ++block.missing;
    } else {
      if (block.firstValue == BlockRead::kNoValue) block.firstValue = record;
      block.lastValue = record;
    }
    ys[record] = y;
    ++record;
  }
  block.records = record;
}

struct ReadInto {
  TSampleData series;
  std::vector<BlockRead> blocks;
  // Where each block's records start in the series.
  std::vector<std::size_t> room;
};

// The whole text's data records read with one separator, each block into its
// own room of the series.
ReadInto ReadBlocks(const TCountedBlocks& blocks, const TTextLayout& layout, char separator,
                    bool wantX) {
  ReadInto read;
  const std::size_t lines = blocks.firstLines.back();
  if (lines > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw std::length_error("Too many lines for a sample series");
  }
  // Sized without clearing: the workers' writes are the first touch of the
  // pages.
  read.series.SetCountForOverwrite(static_cast<std::int32_t>(lines));
  double* const xs = read.series.XData();
  double* const ys = read.series.YData();
  read.blocks.resize(blocks.texts.size());
  read.room = blocks.firstLines;
  ForEachBlock(blocks.texts.size(), [&](std::size_t i) {
    const std::size_t first = blocks.firstLines[i];
    ReadBlock(blocks.texts[i], layout, separator, wantX ? xs + first : nullptr, ys + first,
              blocks.firstLines[i + 1] - first, read.blocks[i]);
    AdvanceProgress(static_cast<std::int64_t>(blocks.texts[i].size()));
  });
  const bool multiLine = std::any_of(read.blocks.begin(), read.blocks.end(),
                                     [](const BlockRead& block) { return block.multiLine; });
  // A quoted field over several lines may straddle a cut: read in one piece.
  if (multiLine && blocks.texts.size() > 1) {
    const std::string_view whole(
        blocks.texts.front().data(),
        static_cast<std::size_t>(blocks.texts.back().data() + blocks.texts.back().size() -
                                 blocks.texts.front().data()));
    read.blocks.assign(1, BlockRead{});
    read.room = {0, lines};
    ReadBlock(whole, layout, separator, wantX ? xs : nullptr, ys, lines, read.blocks[0]);
  }
  return read;
}

SeparatorEvidence EvidenceOf(const std::vector<BlockRead>& read) {
  SeparatorEvidence evidence;
  for (const BlockRead& block : read) evidence.Merge(block.evidence);
  return evidence;
}

// Fills the NaNs of ys[begin, end) from their nearest values: `before` is the
// last value ahead of the range and `after` the first behind it, kNoValue
// where there is none. Only NaNs are written, so that ranges filled at once
// read each other's values safely; every filled value is the one a single
// pass over the whole series gives.
void FillMissing(double* ys, std::size_t begin, std::size_t end, std::size_t before,
                 std::size_t after) {
  constexpr std::size_t kNoValue = BlockRead::kNoValue;
  std::size_t previous = before;
  std::size_t i = begin;
  while (i < end) {
    if (!std::isnan(ys[i])) {
      previous = i++;
      continue;
    }
    std::size_t stop = i;
    while (stop < end && std::isnan(ys[stop])) ++stop;
    const std::size_t next = stop < end ? stop : after;
    if (previous == kNoValue && next == kNoValue) {
      std::fill(ys + i, ys + stop, 0.0);
    } else if (previous == kNoValue) {
      std::fill(ys + i, ys + stop, ys[next]);
    } else if (next == kNoValue) {
      std::fill(ys + i, ys + stop, ys[previous]);
    } else {
      const double from = ys[previous];
      const double to = ys[next];
      const auto span = static_cast<double>(next - previous);
      for (std::size_t j = i; j < stop; ++j) {
        // std::lerp stays between its ends and gives `from` itself between
        // equal ones; a weighted sum can land an ulp outside, and the
        // difference of opposite large values can overflow.
        const double t = static_cast<double>(j - previous) / span;
        ys[j] = std::lerp(from, to, t);
      }
    }
    i = stop;
  }
}

}  // namespace

TForeignRead ReadForeignText(std::string_view text, const TTextLayout& layout, TTextSource source) {
  text = WithoutByteOrderMark(UpToNul(text));
  // The header lines are passed over before the text is cut into blocks.
  RecordScanner header(text, layout.delimiter);
  for (std::int32_t skipped = 0; skipped < layout.headerLines && header.NextRecord(); ++skipped) {
    Field field;
    while (header.NextField(field)) {
    }
  }
  text = text.substr(static_cast<std::size_t>(header.Position() - text.data()));

  const TCountedBlocks blocks = CountedLineBlocks(text, kReadBlockBytes);
  const bool wantX = source == tsFile && layout.columns == 2 && layout.valueColumn == 1;
  TForeignRead result;
  char separator = layout.decimalSeparator != '\0' ? layout.decimalSeparator : UserSeparator();
  ReadInto read = ReadBlocks(blocks, layout, separator, wantX);
  if (layout.decimalSeparator == '\0' && EvidenceOf(read.blocks).SuggestsAlternative(separator)) {
    const char alternative = AlternativeSeparator(separator);
    ReadInto again = ReadBlocks(blocks, layout, alternative, wantX);
    if (EvidenceOf(again.blocks).separatorSeen) {
      read = std::move(again);
      separator = alternative;
    }
  }
  result.decimalSeparator = separator;

  // Blank and comment lines, and quoted line breaks, leave a block fewer
  // records than lines: the blocks close up, in order, behind each other.
  const std::vector<BlockRead>& readBlocks = read.blocks;
  const std::vector<std::size_t>& room = read.room;
  double* const xs = read.series.XData();
  double* const ys = read.series.YData();
  std::vector<std::size_t> offsets(readBlocks.size() + 1, 0);
  bool xNumbers = wantX;
  for (std::size_t i = 0; i < readBlocks.size(); ++i) {
    const BlockRead& block = readBlocks[i];
    offsets[i + 1] = offsets[i] + block.records;
    result.missing += block.missing;
    result.regular = result.regular && block.regular;
    xNumbers = xNumbers && block.xNumbers;
    if (offsets[i] != room[i] && block.records > 0) {
      std::memmove(ys + offsets[i], ys + room[i], block.records * sizeof(double));
      if (wantX) std::memmove(xs + offsets[i], xs + room[i], block.records * sizeof(double));
    }
  }
  const std::size_t count = offsets.back();
  result.values = static_cast<std::int64_t>(count) - result.missing;

  // The last value ahead of each block and the first behind it.
  constexpr std::size_t kNoValue = BlockRead::kNoValue;
  std::vector<std::size_t> before(readBlocks.size(), kNoValue);
  std::vector<std::size_t> after(readBlocks.size(), kNoValue);
  for (std::size_t i = 1; i < readBlocks.size(); ++i) {
    const BlockRead& last = readBlocks[i - 1];
    before[i] = last.lastValue != kNoValue ? offsets[i - 1] + last.lastValue : before[i - 1];
  }
  for (std::size_t i = readBlocks.size(); i-- > 1;) {
    const BlockRead& next = readBlocks[i];
    after[i - 1] = next.firstValue != kNoValue ? offsets[i] + next.firstValue : after[i];
  }
  ForEachBlock(readBlocks.size(), [&](std::size_t i) {
    if (!xNumbers) {
      for (std::size_t k = offsets[i]; k < offsets[i + 1]; ++k) xs[k] = static_cast<double>(k);
    }
    if (readBlocks[i].missing > 0) FillMissing(ys, offsets[i], offsets[i + 1], before[i], after[i]);
  });
  read.series.SetCount(static_cast<std::int32_t>(count));
  result.series = std::move(read.series);
  return result;
}

namespace {

// The text's own reading; false for a paste without a single token.
bool ReadOwnShape(std::string_view text, TTextSource source, TSampleData& series) {
  if (source == tsPaste) return PasteTextToSeries(text, series);
  ReadSampleFileText(text, series);
  return true;
}

}  // namespace

namespace {

TTextImport ImportDecodedText(std::string_view text, TTextSource source, TSampleData& series,
                              const TImportAsker& ask) {
  TTextImport result;
  TTextDetection detection = DetectTextLayout(text, source);
  const bool partly = SampleOf(text).size() < text.size();
  if (!detection.foreign) {
    result.read = ReadOwnShape(text, source, series);
    return result;
  }
  std::optional<TForeignRead> read;
  const auto choose = [&](const TTextLayout& layout) {
    TImportQuestion question{text, source, layout, std::nullopt};
    result.asked = true;
    if (ask && !ask(question)) return false;
    detection.layout = question.layout;
    read = std::move(question.read);
    return true;
  };
  if (detection.asks && !choose(detection.layout)) return result;
  if (!read) read = ReadForeignText(text, detection.layout, source);
  // A layout seen in the start of a text that its rest does not keep is
  // judged on the whole text.
  if (!read->regular && partly && !result.asked) {
    const TTextDetection whole = DetectWholeTextLayout(text, source);
    if (!whole.foreign) {
      result.read = ReadOwnShape(text, source, series);
      return result;
    }
    if (whole.layout != detection.layout) {
      detection = whole;
      read.reset();
      if (detection.asks && !choose(detection.layout)) return result;
      if (!read) read = ReadForeignText(text, detection.layout, source);
    }
  }
  series = std::move(read->series);
  result.read = true;
  result.foreign = true;
  result.missing = read->missing;
  return result;
}

}  // namespace

TTextImport ImportText(std::string_view text, TTextSource source, TSampleData& series,
                       const TImportAsker& ask) {
  // Read byte by byte, a UTF-16 text would be one line of NULs and digits.
  if (const std::optional<std::string> decoded = DecodeUnicodeText(text)) {
    return ImportDecodedText(*decoded, source, series, ask);
  }
  return ImportDecodedText(text, source, series, ask);
}

TTextImport ImportFile(const std::string& path, TSampleData& series, const TImportAsker& ask) {
  TTextImport result;
  ReadFileText(path,
               [&](std::string_view text) { result = ImportText(text, tsFile, series, ask); });
  return result;
}

std::string MissingValuesMessage(std::int64_t missing) {
  if (missing == 1) return "1 missing value was filled in.";
  return std::to_string(missing) + " missing values were filled in.";
}

}  // namespace fendrel
