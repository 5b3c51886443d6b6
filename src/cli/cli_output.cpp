#include "cli/cli_output.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

#include "cli/cli_signals.h"
#include "core/parallel.h"
#include "sample/atomic_file.h"
#include "sample/file_error.h"

namespace fendrel {

namespace {

class WritingScope {
 public:
  WritingScope() { TCliSignals::SetWriting(true); }
  ~WritingScope() { TCliSignals::SetWriting(false); }
  WritingScope(const WritingScope&) = delete;
  WritingScope& operator=(const WritingScope&) = delete;
};

void WriteStandardOutput(std::string_view text) {
  while (!text.empty()) {
    const ssize_t put = ::write(STDOUT_FILENO, text.data(), text.size());
    if (put < 0 && errno == EINTR) {
      if (TCliSignals::Requested()) throw TCliCancelled{};
      continue;
    }
    if (put < 0) throw FileError("Cannot write to standard output. " + SystemErrorText(errno));
    text.remove_prefix(static_cast<std::size_t>(put));
  }
}

}  // namespace

void WriteOutput(const std::optional<std::string>& path, const TCsvPieces& pieces) {
  const TFilePieceMaker make = [&pieces](std::int64_t index, std::string& text) {
    if (TCliSignals::Requested()) throw TCliCancelled{};
    pieces.make(index, text);
  };
  if (path) {
    const WritingScope writing;
    WriteFileInPieces(*path, pieces.count, make);
    return;
  }
  // A wave of pieces is made in parallel, then written in order.
  const auto wave = static_cast<std::int64_t>(2 * WorkerCount());
  std::vector<std::string> texts(static_cast<std::size_t>(wave));
  for (std::int64_t first = 0; first < pieces.count; first += wave) {
    const std::int64_t making = std::min(wave, pieces.count - first);
    ForEachBlock(static_cast<std::size_t>(making),
                 [&](std::size_t i) { make(first + static_cast<std::int64_t>(i), texts[i]); });
    for (std::int64_t i = 0; i < making; ++i)
      WriteStandardOutput(texts[static_cast<std::size_t>(i)]);
  }
}

}  // namespace fendrel
