#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace fendrel {

// Answers every box and file dialog without a person and keeps what was shown.
// Installed for the life of the object.
class RecordingDialogs : public TDialogs {
 public:
  RecordingDialogs() : previous_(SetDialogs(this)) {}
  ~RecordingDialogs() override { SetDialogs(previous_); }

  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  bool ChooseFile(const TFileDialog& dialog, std::string& fileName) override {
    fileDialogs.push_back(dialog.Kind());
    if (fileAnswers.empty() || fileAnswers.front().empty()) {
      if (!fileAnswers.empty()) fileAnswers.pop_front();
      return false;
    }
    fileName = fileAnswers.front();
    fileAnswers.pop_front();
    return true;
  }

  std::vector<std::string> messages;
  std::vector<std::string> errors;
  std::vector<TFileDialogKind> fileDialogs;
  // Paths the file dialogs answer in turn; an empty one, or none left, cancels.
  std::deque<std::string> fileAnswers;

 private:
  TDialogs* previous_;
};

}  // namespace fendrel
