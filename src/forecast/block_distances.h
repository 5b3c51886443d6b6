#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fendrel {

// Distances are worked out for this many neighbouring runs at once: their sums
// are independent, so they fill the vector lanes while each sum is still added
// term by term in order.
inline constexpr std::int32_t kBlockLanes = 32;

// The city-block distances of the kBlockLanes runs starting at runs[0],
// runs[1], ... against target[0 .. length): lane n gets the sum over t of
// |target[t] - runs[n + t]|, added from 0 in the order t = 0, 1, ..., so that
// it is bit for bit what the plain loop gives. Reads runs[0 .. length +
// kBlockLanes - 1). When `bound` is a number and every partial sum has passed
// it, gives up and returns false, leaving `out` unspecified.
bool BlockDistances(const double* target, const double* runs, std::int32_t length, double bound,
                    double* out);

using BlockDistancesFn = bool (*)(const double*, const double*, std::int32_t, double, double*);

struct BlockDistancesVariant {
  std::string name;
  BlockDistancesFn function;
};

// Every build of BlockDistances this processor can run, widest vectors first;
// BlockDistances uses the first.
std::vector<BlockDistancesVariant> BlockDistancesVariants();

}  // namespace fendrel
