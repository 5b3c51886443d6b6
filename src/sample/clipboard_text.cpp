#include "sample/clipboard_text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "core/progress.h"
#include "core/parallel.h"
#include "sample/huge_page_allocator.h"
#include "sample/text_blocks.h"
#include "sample/text_format.h"
#include "sample/text_writer.h"

namespace fendrel {

namespace {

// Rows per piece of a copied text; the pieces are made in parallel, each in
// megabytes of huge pages.
constexpr std::int64_t kRowsPerPiece = 131072;

// Makes `rows` rows, piece by piece in parallel, and joins the pieces in order.
template <typename WriteRows>
std::string MakeRows(std::int32_t rows, std::size_t bytesPerRow, WriteRows writeRows) {
  const auto pieces = static_cast<std::size_t>(PieceCount(rows, kRowsPerPiece));
  std::vector<std::string> made(pieces);
  ForEachBlock(pieces, [&](std::size_t i) {
    const auto begin = static_cast<std::int32_t>(static_cast<std::int64_t>(i) * kRowsPerPiece);
    const auto end = static_cast<std::int32_t>(
        std::min<std::int64_t>(rows, static_cast<std::int64_t>(begin) + kRowsPerPiece));
    const std::size_t expected = static_cast<std::size_t>(end - begin) * bytesPerRow;
    made[i].reserve(expected);
    AdviseHugePages(made[i].data(), made[i].capacity());
    TextWriter writer(made[i], expected);
    writeRows(writer, begin, end);
    writer.Finish();
    AdvanceProgress(end - begin);
  });
  return JoinPieces(made);
}

}  // namespace

std::string TestDataText(const TSampleData& series) {
  return MakeRows(series.Count(), 24, [&](TextWriter& text, std::int32_t begin, std::int32_t end) {
    for (std::int32_t i = begin; i < end; ++i) {
      text.Whole(i);
      text.Char('\t');
      text.Kept(series.GetY(i));
      text.LineEnd();
    }
  });
}

std::string BandTableText(const std::vector<const TSampleData*>& bands) {
  if (bands.empty() || bands.front() == nullptr) return std::string();
  std::vector<std::span<const double>> values;
  values.reserve(bands.size());
  for (const TSampleData* band : bands) {
    if (band == nullptr) {
      values.emplace_back();
    } else {
      values.emplace_back(band->YData(), static_cast<std::size_t>(band->Count()));
    }
  }
  return BandValuesTableText(values);
}

std::string BandValuesTableText(const std::vector<std::span<const double>>& bands) {
  if (bands.empty()) return std::string();
  const std::size_t bytesPerRow = 8 + 15 * bands.size();
  return MakeRows(static_cast<std::int32_t>(bands.front().size()), bytesPerRow,
                  [&](TextWriter& text, std::int32_t begin, std::int32_t end) {
                    for (std::int32_t i = begin; i < end; ++i) {
                      text.Whole(i);
                      const auto at = static_cast<std::size_t>(i);
                      for (const std::span<const double> band : bands) {
                        text.Char('\t');
                        if (at < band.size()) {
                          text.Kept(band[at]);
                        }
                      }
                      text.LineEnd();
                    }
                  });
}

namespace {

// Large pasted texts are read in blocks of whole lines, one block per task;
// a block's numbers fill some megabytes of huge pages.
constexpr std::size_t kPasteBlockBytes = std::size_t{2} << 20;

constexpr std::uint8_t kValid = 1;
constexpr std::uint8_t kNewLine = 2;

// The tokens of one block of pasted text, read with one separator.
struct PasteBlock {
  std::vector<double, HugePageAllocator<double>> values;  // the token's number, 0 when none
  std::vector<std::uint8_t, HugePageAllocator<std::uint8_t>> flags;
  SeparatorEvidence evidence;
  // Tokens that share their line with an earlier token.
  std::size_t sameLine = 0;
};

// A block may begin only where the scan of the whole text begins a token:
// at a line whose first character starts an unquoted token.
bool StartsPasteBlock(char c) { return !IsBlank(c) && c != ';' && c != '"' && c != '\0'; }

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

void ReadPasteBlock(std::string_view text, char separator, PasteBlock& block) {
  // Room for tokens of three characters with their separators; what stays
  // untouched costs no memory.
  block.values.reserve(text.size() / 4 + 1);
  block.flags.reserve(text.size() / 4 + 1);
  DelimitedScanner scanner(text, ';');
  DelimitedToken token;
  std::string scratch;
  const char* const end = text.data() + text.size();
  // Line breaks before `checked` have been looked for.
  const char* checked = text.data();
  bool first = true;
  while (scanner.Next(token)) {
    // The empty token after a final semicolon stands at the end of the text.
    const char* start = token.raw.data() != nullptr ? token.raw.data() : end;
    const bool newLine = first || std::find_if(checked, start, IsLineBreak) != start;
    first = false;
    // A quoted token may hold line breaks of its own.
    checked = token.quoted ? start : start + token.raw.size();
    const std::string_view number = token.Unquoted(scratch);
    double value = 0;
    const bool valid = ReadNumber(number, value, separator);
    block.evidence.Note(number, valid, separator);
    block.values.push_back(valid ? value : 0.0);
    block.flags.push_back(
        static_cast<std::uint8_t>((valid ? kValid : 0) | (newLine ? kNewLine : 0)));
    if (!newLine) ++block.sameLine;
  }
}

void ReadPasteBlocks(const std::vector<std::string_view>& blocks, char separator,
                     std::vector<PasteBlock>& read) {
  read.assign(blocks.size(), PasteBlock{});
  ForEachBlock(blocks.size(),
               [&](std::size_t i) { ReadPasteBlock(blocks[i], separator, read[i]); });
}

SeparatorEvidence EvidenceOf(const std::vector<PasteBlock>& read) {
  SeparatorEvidence evidence;
  for (const PasteBlock& block : read) evidence.Merge(block.evidence);
  return evidence;
}

}  // namespace

bool PasteTextToSeries(std::string_view text, TSampleData& series) {
  text = text.substr(0, std::min(text.size(), text.find('\0')));
  // Quoted tokens may run over lines, so a text with quotes is read in one go.
  const std::vector<std::string_view> blocks =
      text.find('"') == std::string_view::npos
          ? LineBlocks(text, kPasteBlockBytes, StartsPasteBlock)
          : std::vector<std::string_view>{text};
  const char separator = DecimalSeparator();
  std::vector<PasteBlock> read;
  ReadPasteBlocks(blocks, separator, read);
  if (EvidenceOf(read).SuggestsAlternative(separator)) {
    std::vector<PasteBlock> again;
    ReadPasteBlocks(blocks, AlternativeSeparator(separator), again);
    if (EvidenceOf(again).separatorSeen) read = std::move(again);
  }

  std::vector<std::size_t> offsets(read.size() + 1, 0);
  std::size_t sameLine = 0;
  for (std::size_t b = 0; b < read.size(); ++b) {
    offsets[b + 1] = offsets[b] + read[b].values.size();
    sameLine += read[b].sameLine;
  }
  const std::size_t tokens = offsets.back();
  if (tokens == 0) return false;

  // A first line without a single number is a header, such as "Time Value".
  const auto firstBlock = static_cast<std::size_t>(
      std::find_if(read.begin(), read.end(),
                   [](const PasteBlock& block) { return !block.values.empty(); }) -
      read.begin());
  const auto& flags = read[firstBlock].flags;
  const auto lineEnd = static_cast<std::size_t>(
      std::find_if(flags.begin() + 1, flags.end(), [](std::uint8_t f) { return f & kNewLine; }) -
      flags.begin());
  const bool header =
      std::none_of(flags.begin(), flags.begin() + static_cast<std::ptrdiff_t>(lineEnd),
                   [](std::uint8_t f) { return f & kValid; });
  const std::size_t skipped = header ? offsets[firstBlock] + lineEnd : 0;
  if (header) sameLine -= lineEnd - 1;

  // One token per line is a column of values; otherwise the tokens pair up
  // and the second of each pair is the value.
  const bool column = sameLine == 0;
  const std::size_t count = column ? tokens - skipped : (tokens - skipped) / 2;
  if (count > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw std::length_error("Too many values for a sample series");
  }
  TSampleData pasted(static_cast<std::int32_t>(count));
  double* const xs = pasted.XData();
  double* const ys = pasted.YData();
  ForEachBlock(read.size(), [&](std::size_t b) {
    const auto& values = read[b].values;
    for (std::size_t k = 0; k < values.size(); ++k) {
      const std::size_t token = offsets[b] + k;
      if (token < skipped) continue;
      std::size_t i = token - skipped;
      if (!column) {
        if (i % 2 == 0) continue;
        i /= 2;
        if (i >= count) continue;
      }
      xs[i] = static_cast<double>(i);
      ys[i] = values[k];
    }
  });
  series = std::move(pasted);
  return true;
}

}  // namespace fendrel
