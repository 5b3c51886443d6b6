#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "soak/soak_session.h"

namespace fendrel {
namespace {

// Short random sessions whose seeds once found a fault.
TEST(SoakRegression, SeedsThatFoundFaults) {
  for (const std::uint64_t seed : {1u}) {
    SoakSession session(seed);
    for (int i = 0; i < 60; ++i) {
      if (session.Step()) continue;
      std::string actions;
      for (const std::string& action : session.RecentActions()) actions += "\n  " + action;
      FAIL() << "seed " << seed << ": " << session.Failure() << actions;
    }
  }
}

}  // namespace
}  // namespace fendrel
