#include "sample/sample_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/progress.h"
#include "core/parallel.h"
#include "core/portability.h"
#include "sample/atomic_file.h"
#include "sample/file_error.h"
#include "sample/huge_page_allocator.h"
#include "sample/text_blocks.h"
#include "sample/text_format.h"
#include "sample/text_writer.h"

namespace fendrel {

namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }

  int Get() const { return fd_; }

 private:
  int fd_;
};

struct FreeMemory {
  void operator()(char* data) const { FreeLarge(data); }
};

std::unique_ptr<char[], FreeMemory> FileBuffer(std::size_t size) {
  return std::unique_ptr<char[], FreeMemory>(static_cast<char*>(AllocateLarge(size)));
}

// A whole file in memory, without the cost of clearing the buffer first.
struct FileContents {
  std::unique_ptr<char[], FreeMemory> data;
  std::size_t size = 0;

  std::string_view Text() const { return std::string_view(data.get(), size); }
};

// Only stored, regular files are sample files. A FIFO or a device may block
// or act on being opened or read, so they are refused before the open; the
// same checks on the open file close the gap in between.
void CheckSampleFile(const std::string& path, const struct stat& info, bool kernelFileSystem) {
  if (S_ISDIR(info.st_mode)) throw FileError::CannotOpen(path, EISDIR);
  if (!S_ISREG(info.st_mode) || kernelFileSystem) {
    throw FileError::CannotOpen(path, std::string("Not a regular file"));
  }
}

FileContents ReadWholeFile(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) throw FileError::CannotOpen(path, errno);
  CheckSampleFile(path, info, OnKernelFileSystem(path.c_str()));
  // Non-blocking, should the file have turned into a pipe since.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.Get() < 0) throw FileError::CannotOpen(path, errno);
  if (::fstat(file.Get(), &info) != 0) throw FileError::CannotOpen(path, errno);
  CheckSampleFile(path, info, OnKernelFileSystem(file.Get()));
  const int flags = ::fcntl(file.Get(), F_GETFL);
  if (flags >= 0) ::fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK);
  const auto known = static_cast<std::size_t>(std::max<off_t>(info.st_size, 0));
  // One byte more than the size, so that reaching the end needs no regrowth.
  std::size_t capacity = known > 0 ? known + 1 : std::size_t{1} << 16;
  FileContents contents{FileBuffer(capacity), 0};
  // A large file is read in pieces by several workers at once; each fills
  // (and so maps in) its own part of the buffer. What follows the size the
  // file had when opened, if it grew since, the plain loop reads.
  constexpr std::size_t kReadPiece = std::size_t{4} << 20;
  if (known >= 2 * kReadPiece) {
    const std::size_t pieces = (known + kReadPiece - 1) / kReadPiece;
    std::vector<std::size_t> got(pieces, 0);
    std::vector<int> failures(pieces, 0);
    ForEachBlock(pieces, [&](std::size_t i) {
      const std::size_t begin = i * kReadPiece;
      const std::size_t size = std::min(kReadPiece, known - begin);
      while (got[i] < size) {
        const ssize_t n = ::pread(file.Get(), contents.data.get() + begin + got[i], size - got[i],
                                  static_cast<off_t>(begin + got[i]));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failures[i] = errno;
        if (n <= 0) break;
        got[i] += static_cast<std::size_t>(n);
      }
    });
    // A file that shrank meanwhile ends at its first short piece.
    for (std::size_t i = 0; i < pieces; ++i) {
      if (failures[i] != 0) throw FileError::CannotOpen(path, failures[i]);
      contents.size += got[i];
      if (got[i] < std::min(kReadPiece, known - i * kReadPiece)) return contents;
    }
  }
  for (;;) {
    if (contents.size == capacity) {
      auto larger = FileBuffer(capacity * 2);
      std::memcpy(larger.get(), contents.data.get(), contents.size);
      contents.data = std::move(larger);
      capacity *= 2;
    }
    const ssize_t got = ::pread(file.Get(), contents.data.get() + contents.size,
                                capacity - contents.size, static_cast<off_t>(contents.size));
    if (got < 0) {
      if (errno == EINTR) continue;
      throw FileError::CannotOpen(path, errno);
    }
    if (got == 0) break;
    contents.size += static_cast<std::size_t>(got);
  }
  return contents;
}

void WriteSampleLines(TextWriter& text, const TSampleData& series, std::int32_t begin,
                      std::int32_t end) {
  // Fixed-point text holds digits, sign, 'E' and the separator; only the
  // separator can ever call for quotes.
  const char separator = DecimalSeparator();
  const bool quoted = separator == ',' || separator == '"' || IsBlank(separator);
  const char quoteIf = quoted ? separator : '\0';
  for (std::int32_t i = begin; i < end; ++i) {
    text.Kept(series.GetX(i), quoteIf);
    text.Char(',');
    text.Kept(series.GetY(i), quoteIf);
    text.LineEnd();
  }
}

}  // namespace

FileError FileError::CannotOpen(const std::string& path, int error) {
  return FileError("Cannot open file \"" + FullPath(path) + "\". " + SystemErrorText(error));
}

FileError FileError::CannotOpen(const std::string& path, const std::string& reason) {
  return FileError("Cannot open file \"" + FullPath(path) + "\". " + reason);
}

FileError FileError::CannotCreate(const std::string& path, int error) {
  return FileError("Cannot create file \"" + FullPath(path) + "\". " + SystemErrorText(error));
}

FileError FileError::CannotCreate(const std::string& path, const std::string& reason) {
  return FileError("Cannot create file \"" + FullPath(path) + "\". " + reason);
}

std::string SystemErrorText(int error) {
  std::string text = std::system_category().message(error);
  while (!text.empty() &&
         (text.back() == ' ' || text.back() == '\r' || text.back() == '\n' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

std::string FullPath(const std::string& path) {
  if (path.empty()) return path;
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  if (error) return path;
  return full.lexically_normal().string();
}

std::string SampleFileText(const TSampleData& series) {
  std::string text;
  TextWriter writer(text, static_cast<std::size_t>(series.Count()) * 34);
  WriteSampleLines(writer, series, 0, series.Count());
  writer.Finish();
  return text;
}

namespace {

// One field as the files this program writes have them: a number, perhaps in
// quotes. Returns where the field ends, or nullptr for anything else, which
// the general route then reads. Unquoted fields are taken only when the
// decimal separator cannot end a token. `number` receives the number's text.
const char* ReadPlainField(const char* p, const char* end, bool unquotedAllowed, char separator,
                           double& value, bool& quoted, std::string_view& number) {
  quoted = p != end && *p == '"';
  if (quoted) {
    ++p;
  } else if (!unquotedAllowed) {
    return nullptr;
  }
  const std::size_t used =
      ReadNumberPrefix(std::string_view(p, static_cast<std::size_t>(end - p)), value, separator);
  if (used == 0) return nullptr;
  number = std::string_view(p, used);
  p += used;
  if (quoted) {
    // A doubled quote would continue the token.
    if (p == end || *p != '"' || (p + 1 != end && p[1] == '"')) return nullptr;
    ++p;
  }
  return p;
}

bool IsLineBreak(char c) { return c == '\r' || c == '\n' || c == '\0'; }

// The general reading of one line: its first two fields, each a valid number,
// or (0, 0).
void ReadLine(std::string_view line, char separator, double& x, double& y,
              SeparatorEvidence& evidence, std::string& scratch) {
  DelimitedScanner fields(line, ',');
  DelimitedToken field;
  double values[2] = {0, 0};
  bool valid = true;
  int count = 0;
  for (; count < 2 && fields.Next(field); ++count) {
    const std::string_view number = field.Unquoted(scratch);
    const bool read = ReadNumber(number, values[count], separator);
    evidence.Note(number, read, separator);
    valid = valid && read;
  }
  if (count < 2 || !valid) {
    x = 0;
    y = 0;
  } else {
    x = values[0];
    y = values[1];
  }
}

// Large texts are read in blocks of whole lines, one block per task.
constexpr std::size_t kReadBlockBytes = std::size_t{1} << 18;

// Reads the `count` lines of one block into xs and ys.
void ReadFileBlock(std::string_view text, char separator, double* xs, double* ys, std::size_t count,
                   SeparatorEvidence& evidence) {
  const char* p = text.data();
  const char* const end = p + text.size();
  // Lines of the form this program writes are read in one pass; any other
  // line by the general splitting, which gives the same samples for these.
  const bool fastRoute = separator != '"';
  const bool unquotedAllowed = separator != ',' && !IsBlank(separator);
  std::string scratch;
  std::size_t line = 0;
  for (; line < count && p != end && *p != '\0'; ++line) {
    double x = 0;
    double y = 0;
    bool quoted = false;
    std::string_view first;
    std::string_view second;
    const char* q =
        fastRoute ? ReadPlainField(p, end, unquotedAllowed, separator, x, quoted, first) : nullptr;
    q = q != nullptr && q != end && *q == ','
            ? ReadPlainField(q + 1, end, unquotedAllowed, separator, y, quoted, second)
            : nullptr;
    // An unquoted second field must end where its token ends.
    if (q != nullptr && !quoted && q != end && !IsBlank(*q) && *q != ',' && *q != '\0') {
      q = nullptr;
    }
    const char* lineEnd = q != nullptr ? q : p;
    while (lineEnd != end && !IsLineBreak(*lineEnd)) ++lineEnd;
    if (q == nullptr) {
      ReadLine(std::string_view(p, static_cast<std::size_t>(lineEnd - p)), separator, x, y,
               evidence, scratch);
    } else if (!evidence.separatorSeen) {
      evidence.Note(first, true, separator);
      evidence.Note(second, true, separator);
    }
    xs[line] = x;
    ys[line] = y;
    p = lineEnd;
    if (p != end && *p == '\r') ++p;
    if (p != end && *p == '\n') ++p;
  }
  // The series was sized without clearing: every counted line gets a sample.
  std::fill(xs + line, xs + count, 0.0);
  std::fill(ys + line, ys + count, 0.0);
}

// Reads every block with one separator into `series`, sized beforehand.
SeparatorEvidence ReadFileBlocks(const TCountedBlocks& blocks, char separator,
                                 TSampleData& series) {
  std::vector<SeparatorEvidence> evidence(blocks.texts.size());
  ForEachBlock(blocks.texts.size(), [&](std::size_t i) {
    const std::size_t first = blocks.firstLines[i];
    ReadFileBlock(blocks.texts[i], separator, series.XData() + first, series.YData() + first,
                  blocks.firstLines[i + 1] - first, evidence[i]);
    AdvanceProgress(static_cast<std::int64_t>(blocks.texts[i].size()));
  });
  SeparatorEvidence all;
  for (const SeparatorEvidence& e : evidence) all.Merge(e);
  return all;
}

}  // namespace

void ReadSampleFileText(std::string_view text, TSampleData& series) {
  // The lines of every block are counted first, so that each block reads
  // straight into its place in the series. A NUL ends the text.
  const TCountedBlocks blocks = CountedLineBlocks(text, kReadBlockBytes);
  const std::size_t lines = blocks.firstLines.back();
  if (lines > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw std::length_error("Too many lines for a sample series");
  }
  // Built apart and moved in at the end: the series changes only as a whole.
  const auto samples = static_cast<std::int32_t>(lines);
  // Sized without clearing: the workers' writes are the first touch of the
  // pages, which a series of millions of samples would otherwise pay here.
  TSampleData loaded;
  loaded.SetCountForOverwrite(samples);
  const char separator = DecimalSeparator();
  // A file from a machine with the other common separator reads as a whole
  // with that one; a text that reads with the user's own is never read twice.
  if (ReadFileBlocks(blocks, separator, loaded).SuggestsAlternative(separator)) {
    TSampleData again;
    again.SetCountForOverwrite(samples);
    if (ReadFileBlocks(blocks, AlternativeSeparator(separator), again).separatorSeen) {
      loaded = std::move(again);
    }
  }
  series = std::move(loaded);
}

void ReadFileText(const std::string& path, const std::function<void(std::string_view)>& read) {
  const FileContents contents = ReadWholeFile(path);
  try {
    read(contents.Text());
  } catch (const std::length_error&) {
    throw FileError::CannotOpen(path, EFBIG);
  }
}

void TSampleData::LoadFromFile(const std::string& path) {
  ReadFileText(path, [this](std::string_view text) { ReadSampleFileText(text, *this); });
}

std::int64_t TSampleData::SaveToFile(const std::string& path) const {
  constexpr std::int64_t kLinesPerPiece = 32768;
  std::atomic<std::int64_t> rounded{0};
  WriteFileInPieces(
      path, PieceCount(Count(), kLinesPerPiece), [&](std::int64_t piece, std::string& text) {
        const std::int64_t begin = piece * kLinesPerPiece;
        const std::int64_t end = std::min<std::int64_t>(Count(), begin + kLinesPerPiece);
        TextWriter writer(text, static_cast<std::size_t>(end - begin) * 36);
        WriteSampleLines(writer, *this, static_cast<std::int32_t>(begin),
                         static_cast<std::int32_t>(end));
        writer.Finish();
        AdvanceProgress(end - begin);
        rounded += writer.Rounded();
      });
  return rounded;
}

std::string RoundedValuesMessage(std::int64_t rounded) {
  return std::to_string(rounded) + (rounded == 1 ? " value was" : " values were") +
         " saved with 8 decimals only: written in full, " + (rounded == 1 ? "its" : "each") +
         " text would pass " + std::to_string(kLongestKeptText) + " characters.";
}

}  // namespace fendrel
