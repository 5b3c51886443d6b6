#include "cli/cli_ports.h"

#include <unistd.h>

#include <charconv>
#include <stdexcept>

#include "cli/cli_signals.h"
#include "sample/foreign_text.h"

namespace fendrel {

namespace {

// The column the option names: a name first, as a header may well hold
// numbers, then a number counted from 1.
std::optional<std::int32_t> FindColumn(const TTextLayout& layout, const std::string& wanted) {
  const std::vector<std::string>& names = layout.columnNames;
  for (std::size_t c = 0; c < names.size(); ++c) {
    if (names[c] == wanted) return static_cast<std::int32_t>(c);
  }
  std::int32_t number = 0;
  const char* end = wanted.data() + wanted.size();
  const auto [at, error] = std::from_chars(wanted.data(), end, number);
  if (error == std::errc() && at == end && number >= 1 && number <= layout.columns) {
    return number - 1;
  }
  return std::nullopt;
}

std::string ColumnList(const TTextLayout& layout) {
  std::string list;
  for (std::size_t c = 0; c < layout.columnNames.size(); ++c) {
    if (c > 0) list += ", ";
    list += std::to_string(c + 1) + " \"" + layout.columnNames[c] + "\"";
  }
  return list;
}

void WriteAll(const std::string& line) {
  const char* data = line.data();
  std::size_t left = line.size();
  while (left > 0) {
    const ssize_t put = ::write(STDERR_FILENO, data, left);
    if (put <= 0) return;
    data += put;
    left -= static_cast<std::size_t>(put);
  }
}

}  // namespace

std::string ErrorBoxText(std::string message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
  return message;
}

void Say(const std::string& text) { WriteAll("fendrel-cli: " + text + "\n"); }

void TCliDesktop::ShowMessage(const std::string& text) { Say(text); }

void TCliDesktop::ShowError(const std::string& message) { Say(ErrorBoxText(message)); }

void TCliJobRunner::Run(TJob job) {
  TProgress progress;
  progress_ = &progress;
  TCliSignals::ShowProgress(
      job.what, [&progress] { return progress.Fraction(); }, [&progress] { progress.Cancel(); });
  std::exception_ptr failure;
  TJob::TApply apply = ComputeJob(job, progress, failure);
  // No longer watched once the work has ended.
  TCliSignals::EndProgress();
  progress_ = nullptr;
  EndJob(job, apply, failure);
}

bool TCliDesktop::AskImport(TImportQuestion& question) {
  asked_ = true;
  if (column_) {
    const std::optional<std::int32_t> found = FindColumn(question.layout, *column_);
    if (!found) {
      throw std::invalid_argument("The text has no column \"" + *column_ + "\"; its columns are " +
                                  ColumnList(question.layout) + ".");
    }
    question.layout.valueColumn = *found;
  }
  question.read = ReadForeignText(question.text, question.layout, question.source);
  if (question.read->missing > 0) ShowMessage(MissingValuesMessage(question.read->missing));
  return true;
}

}  // namespace fendrel
