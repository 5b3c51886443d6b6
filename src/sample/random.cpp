#include "sample/random.h"

#include <chrono>

namespace fendrel {

namespace {

std::uint32_t randomState = 0;

std::uint32_t Advance() {
  randomState = randomState * 134775813u + 1u;
  return randomState;
}

}  // namespace

std::uint32_t ClockSeed() {
  using namespace std::chrono;
  // steady_clock is the high-resolution counter where the system has one;
  // with a coarser clock, milliseconds carry the most changing bits.
  const auto now = steady_clock::now().time_since_epoch();
  if constexpr (steady_clock::period::den >= 1000 * steady_clock::period::num) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.count()));
  } else {
    return static_cast<std::uint32_t>(
        static_cast<std::uint64_t>(duration_cast<milliseconds>(now).count()));
  }
}

void SeedRandom() { randomState = ClockSeed(); }

std::int32_t RandomInt(std::int32_t n) {
  const std::uint64_t product =
      static_cast<std::uint64_t>(Advance()) * static_cast<std::uint32_t>(n);
  return static_cast<std::int32_t>(product >> 32);
}

double RandomReal() { return static_cast<double>(Advance()) * (1.0 / 4294967296.0); }

std::uint32_t RandomState() { return randomState; }

void SetRandomState(std::uint32_t state) { randomState = state; }

}  // namespace fendrel
