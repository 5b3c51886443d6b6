#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fendrel {

// Cuts a text into blocks of whole lines for parallel work. A block ends where
// a line starts (after CR, LF or CR LF) once it holds at least `blockSize`
// characters, and only before a line whose first character `startsBlock`
// accepts. The cuts depend on the text alone, never on the number of workers,
// so results combined block by block in order are the same whatever the
// workers. The blocks cover the text without gap; an empty text is one empty
// block.
std::vector<std::string_view> LineBlocks(std::string_view text, std::size_t blockSize,
                                         bool (*startsBlock)(char) = nullptr);

// The number of lines the line rules find in a text that a NUL ends, if one
// stands in it; `length` receives where the text ends.
std::size_t CountLines(std::string_view text, std::size_t& length);

// LineBlocks of a text up to a NUL, if one stands in it, each with the number
// of lines before it, so that a reader can put every block's lines straight
// into their place.
struct TCountedBlocks {
  std::vector<std::string_view> texts;
  // One more than texts: the last is the number of lines in all.
  std::vector<std::size_t> firstLines;
};
TCountedBlocks CountedLineBlocks(std::string_view text, std::size_t blockSize);

// The pieces joined in order, copied in parallel; the pieces are used up.
std::string JoinPieces(std::vector<std::string>& pieces);

// Fixed pieces of `pieceSize` items out of `count`: piece i covers items
// i * pieceSize up to the next piece or `count`.
constexpr std::int64_t PieceCount(std::int64_t count, std::int64_t pieceSize) {
  return (count + pieceSize - 1) / pieceSize;
}

}  // namespace fendrel
