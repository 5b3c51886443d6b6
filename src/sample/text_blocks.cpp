#include "sample/text_blocks.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "core/progress.h"
#include "core/parallel.h"
#include "core/portability.h"
#include "sample/huge_page_allocator.h"

namespace fendrel {

std::vector<std::string_view> LineBlocks(std::string_view text, std::size_t blockSize,
                                         bool (*startsBlock)(char)) {
  std::vector<std::string_view> blocks;
  const std::size_t size = text.size();
  std::size_t begin = 0;
  std::size_t scan = blockSize;
  // Every character is looked at once at most, so a line of any length costs
  // no more than its size.
  while (scan < size) {
    std::size_t cut = scan;
    while (cut < size && text[cut] != '\r' && text[cut] != '\n') ++cut;
    if (cut >= size) break;
    cut += text[cut] == '\r' && cut + 1 < size && text[cut + 1] == '\n' ? 2 : 1;
    if (cut >= size) break;
    if (startsBlock != nullptr && !startsBlock(text[cut])) {
      scan = cut;
      continue;
    }
    blocks.push_back(text.substr(begin, cut - begin));
    begin = cut;
    scan = cut + blockSize;
  }
  blocks.push_back(text.substr(begin));
  return blocks;
}

namespace {

constexpr std::uint64_t kLow8 = 0x00FF00FF00FF00FFull;

// The sum of the eight byte counters of `lanes`, each at most 255.
std::size_t SumLanes(std::uint64_t lanes) {
  return static_cast<std::size_t>(
      (((lanes & kLow8) + ((lanes >> 8) & kLow8)) * 0x0001000100010001ull) >> 48);
}

}  // namespace

std::size_t CountLines(std::string_view text, std::size_t& length) {
  const char* const data = text.data();
  const std::size_t size = text.size();
  // Every LF and every CR ends a line, except a CR right before an LF.
  std::size_t breaks = 0;
  std::size_t i = 0;
  // Eight bytes at a time, with a counter per byte that is emptied before it
  // can pass 255.
  bool crBefore = false;
  std::size_t crossPairs = 0;
  while (i + 8 <= size) {
    std::uint64_t lanes = 0;
    std::uint64_t pairLanes = 0;
    const std::size_t stop = std::min(size, i + 8 * 100);
    bool nul = false;
    for (; i + 8 <= stop; i += 8) {
      const std::uint64_t word = LoadLittleEndian64(data + i);
      if (BytesEqual(word, 0) != 0) {
        nul = true;
        break;
      }
      const std::uint64_t cr = BytesEqual(word, '\r');
      const std::uint64_t lf = BytesEqual(word, '\n');
      lanes += (cr >> 7) + (lf >> 7);
      pairLanes += ((cr << 8) & lf) >> 7;
      if (crBefore && (lf & 0x80) != 0) ++crossPairs;
      crBefore = (cr >> 63) != 0;
    }
    breaks += SumLanes(lanes) - SumLanes(pairLanes);
    if (nul) break;
  }
  for (; i < size && data[i] != '\0'; ++i) {
    if (data[i] == '\r') ++breaks;
    if (data[i] == '\n' && !(i > 0 && data[i - 1] == '\r')) ++breaks;
  }
  breaks -= crossPairs;
  length = i;
  if (i > 0 && data[i - 1] != '\r' && data[i - 1] != '\n') ++breaks;
  return breaks;
}

TCountedBlocks CountedLineBlocks(std::string_view text, std::size_t blockSize) {
  TCountedBlocks blocks{LineBlocks(text, blockSize), {}};
  const std::size_t count = blocks.texts.size();
  std::vector<std::size_t> lines(count);
  std::vector<std::size_t> lengths(count);
  // A reading job counts each character twice: once here, once read.
  ForEachBlock(count, [&](std::size_t i) {
    lines[i] = CountLines(blocks.texts[i], lengths[i]);
    AdvanceProgress(static_cast<std::int64_t>(blocks.texts[i].size()));
  });
  std::size_t used = 0;
  blocks.firstLines.push_back(0);
  while (used < count) {
    const bool endsText = lengths[used] < blocks.texts[used].size();
    blocks.texts[used] = blocks.texts[used].substr(0, lengths[used]);
    blocks.firstLines.push_back(blocks.firstLines.back() + lines[used]);
    ++used;
    if (endsText) break;
  }
  blocks.texts.resize(used);
  return blocks;
}

std::string JoinPieces(std::vector<std::string>& pieces) {
  if (pieces.empty()) return std::string();
  if (pieces.size() == 1) return std::move(pieces.front());
  std::vector<std::size_t> offsets(pieces.size() + 1, 0);
  for (std::size_t i = 0; i < pieces.size(); ++i) offsets[i + 1] = offsets[i] + pieces[i].size();
  std::string text;
  text.reserve(offsets.back());
  AdviseHugePages(text.data(), offsets.back());
  text.resize(offsets.back());
  ForEachBlock(pieces.size(), [&](std::size_t i) {
    std::memcpy(text.data() + offsets[i], pieces[i].data(), pieces[i].size());
    std::string().swap(pieces[i]);
  });
  return text;
}

}  // namespace fendrel
