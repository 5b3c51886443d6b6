#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// What the domain code needs beyond standard C++: wide integers, vector
// lanes, byte order and file-system kinds. GCC and Clang on Linux provide
// them; a port starts here.

namespace fendrel {

// Exact products of a 64-bit mantissa and a power of five.
__extension__ typedef unsigned __int128 UInt128;

// Vectors of 2, 4 and 8 doubles, and of as many 64-bit integers for their
// bits: the operators work lane by lane, in the order the scalar code would.
typedef double DoubleLanes2 __attribute__((vector_size(16)));
typedef double DoubleLanes4 __attribute__((vector_size(32)));
typedef double DoubleLanes8 __attribute__((vector_size(64)));
typedef std::int64_t BitLanes2 __attribute__((vector_size(16)));
typedef std::int64_t BitLanes4 __attribute__((vector_size(32)));
typedef std::int64_t BitLanes8 __attribute__((vector_size(64)));
// As many 32-bit integers as the double vectors above have lanes.
typedef std::int32_t IntLanes2 __attribute__((vector_size(8)));
typedef std::int32_t IntLanes4 __attribute__((vector_size(16)));
typedef std::int32_t IntLanes8 __attribute__((vector_size(32)));

// Eight bytes as one word, the first byte lowest, on any byte order.
inline std::uint64_t LoadLittleEndian64(const void* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word;
}

// The high bit of every byte of `word` that equals `byte`, and no other bit:
// eight characters of a text looked at in one step.
inline std::uint64_t BytesEqual(std::uint64_t word, unsigned char byte) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  const std::uint64_t t = word ^ (kOnes * byte);
  return ~(((t & kLow7) + kLow7) | t | kLow7);
}

// Whether a path or an open file lies on one of the kernel's own file
// systems (/proc, /sys and the like): their entries are windows on the
// system, not stored files; some never end, and some (such as /proc/kmsg)
// block the reader until the kernel has something to say. False when that
// cannot be told.
bool OnKernelFileSystem(const char* path);
bool OnKernelFileSystem(int descriptor);

}  // namespace fendrel
