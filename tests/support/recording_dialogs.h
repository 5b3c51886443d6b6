#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace fendrel {

// Answers every box and file dialog without a person and keeps what was shown.
class RecordingDialogs : public TDialogs {
 public:

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

  bool AskImport(TImportQuestion& question) override {
    importQuestions.push_back(question.layout);
    if (importAnswers.empty()) return true;
    const int answer = importAnswers.front();
    importAnswers.pop_front();
    if (answer < 0) return false;
    question.layout.valueColumn = answer;
    return true;
  }

  std::vector<std::string> messages;
  std::vector<std::string> errors;
  std::vector<TFileDialogKind> fileDialogs;
  // Paths the file dialogs answer in turn; an empty one, or none left, cancels.
  std::deque<std::string> fileAnswers;
  // The layouts the import dialog was asked about, and the value columns it
  // answers in turn: a negative one cancels, none left takes the proposal.
  std::vector<TTextLayout> importQuestions;
  std::deque<int> importAnswers;
};

}  // namespace fendrel
