#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "soak/action_log.h"
#include "soak/soak_session.h"

namespace fendrel {
namespace {

std::string Contents(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Sessions that once found faults, replayed action by action from their
// logs; a log that no longer fits the actions fails too.
TEST(SoakRegression, LoggedSessionsThatFoundFaults) {
  std::vector<std::filesystem::path> logs;
  for (const auto& entry : std::filesystem::directory_iterator(FENDREL_SOAK_LOGS)) {
    if (entry.path().extension() == ".log") logs.push_back(entry.path());
  }
  std::sort(logs.begin(), logs.end());
  ASSERT_FALSE(logs.empty());
  for (const std::filesystem::path& log : logs) {
    SoakSession session{ActionLogReader(Contents(log))};
    while (session.Step()) {
    }
    std::string actions;
    for (const std::string& action : session.RecentActions()) actions += "\n  " + action;
    EXPECT_TRUE(session.Failure().empty())
        << log.filename() << ": " << session.Failure() << actions;
    EXPECT_GT(session.Actions(), 0) << log.filename();
  }
}

}  // namespace
}  // namespace fendrel
