#pragma once

#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/dialogs.h"

namespace fendrel::bench {

// Answers the file dialog with the path set before each command and keeps the
// messages and errors, so that no person is needed.
class BenchDialogs : public TDialogs {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  bool ChooseFile(const TFileDialog& /*dialog*/, std::string& fileName) override {
    fileName = answer;
    return !answer.empty();
  }

  std::string answer;
  std::vector<std::string> messages;
  std::vector<std::string> errors;
};

}  // namespace fendrel::bench

namespace fendrel {

// The benchmarks' boxes with the desktop's own clipboard.
inline TDesktop BenchDesktop(bench::BenchDialogs& dialogs) {
  return {dialogs, OwnDesktop().clipboard};
}

}  // namespace fendrel
