#pragma once

namespace fendrel {

// Shows the busy cursor over the program's windows while a command that may
// take long runs. Guards nest: the first one shows the cursor, and once the
// last one is gone the pointer comes back after the paints the command asked
// for, which are part of the wait. Safe to leave by an exception.
class TBusyCursor {
 public:
  TBusyCursor();
  ~TBusyCursor();
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;

  // Whether the busy cursor is on show now.
  static bool Shown();
  // A failure ends the command that runs: the busy cursor goes at once and
  // stays away while the command unwinds, even under its guards.
  static void EndForFailure();

  // Takes the busy cursor away while a box or dialog waits for the user, and
  // brings it back afterwards if the command still runs.
  class TPause {
   public:
    TPause();
    ~TPause();
    TPause(const TPause&) = delete;
    TPause& operator=(const TPause&) = delete;

   private:
    bool wasShown_;
  };

 private:
  friend class TBusyCursorRestorer;
  static void RestoreIfIdle();
};

}  // namespace fendrel
