#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>

namespace fendrel {

// A soak session written down as what it did, not as the seed it came from:
// each action by name, then every choice the action made and every text it
// handed to the window, in order. Replaying a log needs no random generator,
// so a log keeps reproducing its session whatever the standard library's
// distributions give and however the random choice of actions changes.
//
// The text has one entry a line:
//   fendrel-soak-log 1           the first line
//   seed <n>                     the program's own generator starts there
//   action <name>                an action begins
//   uniform <low> <high> <n>     a whole number chosen in low .. high
//   chance <p> <0|1>             a choice made with probability p
//   text <bytes>                 a text handed out, its bytes on the next line
//   # ...                        what the action did, for the reader
// A choice's range and probability are what they were when recorded; a
// replay takes the recorded choice as long as it is still one the action can
// make, and fails, saying where, once the log no longer fits the actions.

// The log does not fit what the session asks of it.
struct ActionLogMismatch : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class ActionLogWriter {
 public:
  // Writes the first lines; every entry is flushed as it is written, so that
  // the log of a run that hangs or crashes is there up to its last choice.
  ActionLogWriter(std::ostream& out, std::uint64_t seed);

  void Action(const std::string& name);
  void Uniform(int low, int high, int value);
  void Chance(double p, bool value);
  void Text(const std::string& text);
  void Comment(const std::string& text);

 private:
  std::ostream& out_;
};

class ActionLogReader {
 public:
  // Throws ActionLogMismatch when the text is no action log.
  explicit ActionLogReader(std::string text);

  std::uint64_t Seed() const { return seed_; }
  // No action left.
  bool AtEnd();
  // The entries the session asks for, in order; each throws
  // ActionLogMismatch when the next entry is another one, or unfit.
  std::string Action();
  int Uniform(int low, int high);
  bool Chance();
  std::string Text();

  // Where the reader stands, for the reports of a mismatch.
  std::size_t Line() const { return line_; }

 private:
  void SkipComments();
  std::string NextEntry(const char* kind);
  [[noreturn]] void Mismatch(const std::string& what) const;

  std::string text_;
  std::size_t at_ = 0;
  std::size_t line_ = 1;
  std::uint64_t seed_ = 0;
  std::string action_;
};

}  // namespace fendrel
