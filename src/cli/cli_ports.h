#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "session/job.h"
#include "session/session_desktop.h"
#include "session/session_view.h"

namespace fendrel {

// The program's view of the session: nothing is shown while the steps run;
// the command prints what it asked for once they are done.
class TCliView : public TSessionView {
 public:
  bool ShowsValues() const override { return false; }
  void ShowLevelPosition(std::int16_t /*level*/) override {}
  void ShowTestSeries(const TShownSeries& /*series*/) override {}
  void ShowBands(const TBandsSnapshot& /*bands*/, std::int16_t /*levelMax*/,
                 std::int16_t /*windowMax*/) override {}
};

// The desktop answers from the command line: what a box would say goes to
// standard error, and the Import dialog's question takes its proposal or the
// column the user named.
class TCliDesktop : public TSessionDesktop {
 public:
  // `column`: a column's name, or its number counted from 1.
  explicit TCliDesktop(std::optional<std::string> column) : column_(std::move(column)) {}

  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& message) override;
  // No command of the program asks for a file: every path comes with it.
  bool ChooseFile(TFileChoice /*choice*/, std::string& /*path*/) override { return false; }
  void SetClipboardText(std::string_view /*text*/) override {}
  std::string ClipboardText() override { return {}; }
  // Reads the text with the chosen column, telling the count of missing
  // values filled in as the dialog does; a column named that the text does
  // not have fails the open, naming the columns it has.
  bool AskImport(TImportQuestion& question) override;

  // The text was one whose column the window lets the user choose.
  bool Asked() const { return asked_; }

 private:
  std::optional<std::string> column_;
  bool asked_ = false;
};

// Runs each job to its end on the calling thread, as the tests' runner does,
// with its progress shown on a terminal and a stop asked for by a signal
// passed on to it.
class TCliJobRunner : public TJobRunner {
 public:
  void Run(TJob job) override;
  bool Busy() const override { return progress_ != nullptr; }
  void Cancel() override {
    if (progress_ != nullptr) progress_->Cancel();
  }

 private:
  TProgress* progress_ = nullptr;
};

// The error box's text: a message that does not end in ".", "!" or ")" or
// another character below them gets a full stop.
std::string ErrorBoxText(std::string message);

// Writes one line to standard error, prefixed with the program's name.
void Say(const std::string& text);

}  // namespace fendrel
