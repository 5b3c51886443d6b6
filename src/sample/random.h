#pragma once

#include <cstdint>

namespace fendrel {

// One process-wide linear congruential generator. The test data depend on it
// bit for bit, so the step and the two readings must not change.
void SeedRandom();
std::int32_t RandomInt(std::int32_t n);
double RandomReal();

// Direct access to the state, for tests and for reproducing a run.
std::uint32_t RandomState();
void SetRandomState(std::uint32_t state);

// The seed source: the low 32 bits of a high-resolution counter, or of a
// millisecond clock where no such counter can be read.
std::uint32_t ClockSeed();

}  // namespace fendrel
