#include "soak/action_log.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <utility>
#include <vector>

namespace fendrel {

namespace {

constexpr std::string_view kFirstLine = "fendrel-soak-log 1";

std::string ProbabilityText(double p) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, p).ptr;
  return std::string(buffer, end);
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

// The words of an entry after its kind; they point into the entry, which must
// outlive them.
std::vector<std::string_view> Words(std::string_view entry) {
  std::vector<std::string_view> words;
  while (!entry.empty()) {
    const std::size_t space = entry.find(' ');
    words.push_back(entry.substr(0, space));
    if (space == std::string_view::npos) break;
    entry.remove_prefix(space + 1);
  }
  return words;
}

}  // namespace

ActionLogWriter::ActionLogWriter(std::ostream& out, std::uint64_t seed) : out_(out) {
  out_ << kFirstLine << "\nseed " << seed << '\n' << std::flush;
}

void ActionLogWriter::Action(const std::string& name) {
  out_ << "action " << name << '\n' << std::flush;
}

void ActionLogWriter::Uniform(int low, int high, int value) {
  out_ << "uniform " << low << ' ' << high << ' ' << value << '\n' << std::flush;
}

void ActionLogWriter::Chance(double p, bool value) {
  out_ << "chance " << ProbabilityText(p) << ' ' << (value ? 1 : 0) << '\n' << std::flush;
}

void ActionLogWriter::Text(const std::string& text) {
  out_ << "text " << text.size() << '\n';
  out_.write(text.data(), static_cast<std::streamsize>(text.size()));
  out_ << '\n' << std::flush;
}

void ActionLogWriter::Comment(const std::string& text) {
  std::string line = text;
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  out_ << "# " << line << '\n' << std::flush;
}

ActionLogReader::ActionLogReader(std::string text) : text_(std::move(text)) {
  const std::size_t end = text_.find('\n');
  if (std::string_view(text_).substr(0, end) != kFirstLine) Mismatch("not a soak action log");
  at_ = end + 1;
  ++line_;
  const std::string entry = NextEntry("seed");
  const std::vector<std::string_view> words = Words(entry);
  if (words.size() != 1 || !ParseNumber(words[0], seed_)) Mismatch("no seed");
}

void ActionLogReader::SkipComments() {
  while (at_ < text_.size() && text_[at_] == '#') {
    const std::size_t end = text_.find('\n', at_);
    at_ = end == std::string::npos ? text_.size() : end + 1;
    ++line_;
  }
}

bool ActionLogReader::AtEnd() {
  SkipComments();
  return at_ >= text_.size();
}

std::string ActionLogReader::NextEntry(const char* kind) {
  SkipComments();
  if (at_ >= text_.size()) Mismatch(std::string("the log ends where ") + kind + " was asked for");
  std::size_t end = text_.find('\n', at_);
  if (end == std::string::npos) end = text_.size();
  const std::string_view line = std::string_view(text_).substr(at_, end - at_);
  const std::string_view prefix = kind;
  if (line.substr(0, prefix.size()) != prefix ||
      (line.size() > prefix.size() && line[prefix.size()] != ' ')) {
    Mismatch(std::string(kind) + " asked for, the log has \"" + std::string(line.substr(0, 60)) +
             "\"");
  }
  at_ = end + 1;
  ++line_;
  return std::string(line.substr(std::min(line.size(), prefix.size() + 1)));
}

std::string ActionLogReader::Action() {
  action_ = NextEntry("action");
  return action_;
}

int ActionLogReader::Uniform(int low, int high) {
  const std::string entry = NextEntry("uniform");
  const std::vector<std::string_view> words = Words(entry);
  int value = 0;
  if (words.size() != 3 || !ParseNumber(words[2], value)) Mismatch("a broken uniform entry");
  if (value < low || value > high) {
    Mismatch("the choice " + std::to_string(value) + " lies outside " + std::to_string(low) +
             " .. " + std::to_string(high));
  }
  return value;
}

bool ActionLogReader::Chance() {
  const std::string entry = NextEntry("chance");
  const std::vector<std::string_view> words = Words(entry);
  if (words.size() != 2 || (words[1] != "0" && words[1] != "1")) Mismatch("a broken chance entry");
  return words[1] == "1";
}

std::string ActionLogReader::Text() {
  const std::string entry = NextEntry("text");
  const std::vector<std::string_view> words = Words(entry);
  std::size_t size = 0;
  if (words.size() != 1 || !ParseNumber(words[0], size) || text_.size() - at_ < size + 1 ||
      text_[at_ + size] != '\n') {
    Mismatch("a broken text entry");
  }
  std::string text = text_.substr(at_, size);
  for (const char c : text) {
    if (c == '\n') ++line_;
  }
  at_ += size + 1;
  ++line_;
  return text;
}

void ActionLogReader::Mismatch(const std::string& what) const {
  throw ActionLogMismatch("action log line " + std::to_string(line_) +
                          (action_.empty() ? "" : " (in " + action_ + ")") + ": " + what);
}

}  // namespace fendrel
