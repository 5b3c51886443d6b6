#include "sample/text_blocks.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <cstring>

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

void ForEachBlock(std::size_t count, void (*body)(void*, std::size_t), void* context) {
  if (count == 1) {
    body(context, 0);
    return;
  }
  tbb::parallel_for(tbb::blocked_range<std::size_t>(0, count, 1),
                    [&](const tbb::blocked_range<std::size_t>& range) {
                      for (std::size_t i = range.begin(); i != range.end(); ++i) body(context, i);
                    });
}

std::string JoinPieces(std::vector<std::string>& pieces) {
  if (pieces.empty()) return std::string();
  if (pieces.size() == 1) return std::move(pieces.front());
  std::vector<std::size_t> offsets(pieces.size() + 1, 0);
  for (std::size_t i = 0; i < pieces.size(); ++i) offsets[i + 1] = offsets[i] + pieces[i].size();
  std::string text(offsets.back(), '\0');
  ForEachBlock(pieces.size(), [&](std::size_t i) {
    std::memcpy(text.data() + offsets[i], pieces[i].data(), pieces[i].size());
    std::string().swap(pieces[i]);
  });
  return text;
}

}  // namespace fendrel
