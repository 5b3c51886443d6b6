#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>

namespace fendrel {

// How parallel work is split, everywhere in the program: into blocks whose
// bounds depend on the sizes alone, never on the number of workers. Each block
// writes only what belongs to it, and what is combined across blocks is
// combined afterwards, in block order, on the calling thread; so the bits of a
// result are the same for any number of workers and any timing. Anything else
// blocks share while they run (such as a pruning bound) comes with the
// argument, where it is used, for why the result cannot depend on it.

// The number of blocks of `blockSize` items that cover `count` items; block i
// covers items i * blockSize up to the next block or `count`.
constexpr std::size_t BlockCount(std::size_t count, std::size_t blockSize) {
  return (count + blockSize - 1) / blockSize;
}

// Runs body(context, i) for every i in 0 .. count - 1 on the oneTBB workers,
// one task per block. While it waits, the calling thread takes on only blocks
// of this call (task isolation): a block never starts on a thread in the
// middle of an unrelated task, so per-thread scratch that a block borrows is
// never in use twice. A single block runs on the calling thread. A block
// does not start once the caller's job (CurrentProgress) is cancelled:
// TCancelled then ends the call.
void ForEachBlock(std::size_t count, void (*body)(void*, std::size_t), void* context);

// How many threads may take part in ForEachBlock here: for how much work to
// keep in flight, never for where a block begins or ends.
std::size_t WorkerCount();

// body(i) for every block i in 0 .. count - 1; see above. The body may be an
// lvalue or an rvalue, const or not.
template <typename Body>
void ForEachBlock(std::size_t count, Body&& body) {
  using Callable = std::remove_reference_t<Body>;
  ForEachBlock(
      count, [](void* context, std::size_t i) { (*static_cast<Callable*>(context))(i); },
      const_cast<void*>(static_cast<const void*>(std::addressof(body))));
}

// body(begin, end) for the fixed blocks of `blockSize` items that cover
// 0 .. count - 1.
template <typename Body>
void ForEachRange(std::size_t count, std::size_t blockSize, Body&& body) {
  ForEachBlock(BlockCount(count, blockSize), [&](std::size_t block) {
    const std::size_t begin = block * blockSize;
    body(begin, count - begin < blockSize ? count : begin + blockSize);
  });
}

}  // namespace fendrel
