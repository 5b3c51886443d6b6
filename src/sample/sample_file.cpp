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
#include <string_view>
#include <system_error>

#include "sample/file_error.h"
#include "sample/text_format.h"

namespace fendrel {

namespace {

constexpr int kFilePrecision = 16;
constexpr int kFileDecimals = 8;

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

// A whole file in memory, without the cost of clearing the buffer first.
struct FileContents {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;

  std::string_view Text() const { return std::string_view(data.get(), size); }
};

FileContents ReadWholeFile(const std::string& path) {
  // Without O_NONBLOCK, opening a named pipe would wait for a writer forever.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.Get() < 0) throw FileError::CannotOpen(path, errno);
  const int flags = ::fcntl(file.Get(), F_GETFL);
  if (flags >= 0) ::fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK);
  struct stat info {};
  std::size_t capacity = 1 << 16;
  if (::fstat(file.Get(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    // One byte more than the size, so that reaching the end needs no regrowth.
    capacity = static_cast<std::size_t>(info.st_size) + 1;
  }
  FileContents contents{std::make_unique_for_overwrite<char[]>(capacity), 0};
  for (;;) {
    if (contents.size == capacity) {
      auto larger = std::make_unique_for_overwrite<char[]>(capacity * 2);
      std::memcpy(larger.get(), contents.data.get(), contents.size);
      contents.data = std::move(larger);
      capacity *= 2;
    }
    const ssize_t got =
        ::read(file.Get(), contents.data.get() + contents.size, capacity - contents.size);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw FileError::CannotOpen(path, errno);
    }
    if (got == 0) break;
    // A NUL ends the text, so nothing after it is needed; this also ends the
    // read of an endless source of NULs such as /dev/zero.
    const char* piece = contents.data.get() + contents.size;
    const void* nul = std::memchr(piece, '\0', static_cast<std::size_t>(got));
    if (nul != nullptr) {
      contents.size += static_cast<std::size_t>(static_cast<const char*>(nul) - piece);
      break;
    }
    contents.size += static_cast<std::size_t>(got);
  }
  return contents;
}

// A file written next to its target and renamed over it once complete, so
// that a failed save never leaves the target damaged. Removed unless committed.
class PendingFile {
 public:
  PendingFile(const std::string& reportedPath, const std::filesystem::path& target)
      : reportedPath_(reportedPath), target_(target) {}
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!name_.empty() && !committed_) ::unlink(name_.c_str());
  }

  void Create(mode_t mode, bool keepMode) {
    static std::atomic<unsigned> counter{0};
    std::filesystem::path folder = target_.parent_path();
    if (folder.empty()) folder = ".";
    // Room for the suffix within the usual 255-byte name limit.
    const std::string base = target_.filename().string().substr(0, 200);
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string name = "." + base + "." + std::to_string(::getpid()) + "-" +
                               std::to_string(counter.fetch_add(1)) + ".tmp";
      const std::string candidate = (folder / name).string();
      fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0) {
        name_ = candidate;
        if (keepMode) ::fchmod(fd_, mode);
        return;
      }
      if (errno != EEXIST) Fail(errno);
    }
    Fail(EEXIST);
  }

  void Write(std::string_view text) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
      const ssize_t put = ::write(fd_, data, std::min<std::size_t>(left, 1u << 30));
      if (put < 0) {
        if (errno == EINTR) continue;
        Fail(errno);
      }
      data += put;
      left -= static_cast<std::size_t>(put);
    }
#ifdef __linux__
    // Start writing this piece to disk now; the final fsync then has less to
    // wait for. Its errors, if any, reach fsync too.
    ::sync_file_range(fd_, static_cast<off_t>(written_), static_cast<off_t>(text.size()),
                      SYNC_FILE_RANGE_WRITE);
#endif
    written_ += text.size();
  }

  void Commit() {
    if (::fsync(fd_) != 0) Fail(errno);
    const int result = ::close(fd_);
    fd_ = -1;
    if (result != 0) Fail(errno);
    if (::rename(name_.c_str(), target_.c_str()) != 0) Fail(errno);
    committed_ = true;
    SyncFolder();
  }

 private:
  [[noreturn]] void Fail(int error) { throw FileError::CannotCreate(reportedPath_, error); }

  // Makes the rename itself durable; the save has succeeded either way.
  void SyncFolder() const {
    std::filesystem::path folder = target_.parent_path();
    if (folder.empty()) folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
  }

  std::string reportedPath_;
  std::filesystem::path target_;
  std::string name_;
  int fd_ = -1;
  std::size_t written_ = 0;
  bool committed_ = false;
};

// Where a save to `path` writes, and the mode an existing file there has.
struct SaveTarget {
  std::filesystem::path path;
  mode_t mode = 0;
  bool exists = false;
};

SaveTarget CheckSaveTarget(const std::string& path) {
  if (path.empty()) throw FileError::CannotCreate(path, ENOENT);
  SaveTarget target{path};
  struct stat info {};
  // Through a symbolic link the file it names is replaced, not the link.
  if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(target.path, error);
    if (!error) target.path = std::move(resolved);
  }
  if (::stat(target.path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) throw FileError::CannotCreate(path, EISDIR);
    // A file the user may not write stays protected, as opening it would.
    if (::access(target.path.c_str(), W_OK) != 0) throw FileError::CannotCreate(path, errno);
    target.mode = info.st_mode & 07777;
    target.exists = true;
  }
  if (!target.path.has_filename()) throw FileError::CannotCreate(path, EISDIR);
  return target;
}

void AppendSampleLines(std::string& text, const TSampleData& series, std::int32_t begin,
                       std::int32_t end) {
  // Fixed-point text holds digits, sign, 'E' and the separator; only the
  // separator can ever call for quotes.
  const char separator = DecimalSeparator();
  const bool quoted = separator == ',' || separator == '"' || IsBlank(separator);
  char number[64];
  const auto append = [&](double value) {
    const std::size_t length = FormatFixedTo(number, value, kFilePrecision, kFileDecimals);
    if (quoted) {
      AppendDelimitedField(text, std::string_view(number, length), ',');
    } else {
      text.append(number, length);
    }
  };
  for (std::int32_t i = begin; i < end; ++i) {
    append(series.GetX(i));
    text += ',';
    append(series.GetY(i));
    text += "\r\n";
  }
}

}  // namespace

FileError FileError::CannotOpen(const std::string& path, int error) {
  return FileError("Cannot open file \"" + FullPath(path) + "\". " + SystemErrorText(error));
}

FileError FileError::CannotCreate(const std::string& path, int error) {
  return FileError("Cannot create file \"" + FullPath(path) + "\". " + SystemErrorText(error));
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
  text.reserve(static_cast<std::size_t>(series.Count()) * 34);
  AppendSampleLines(text, series, 0, series.Count());
  return text;
}

namespace {

// One field as the files this program writes have them: a number, perhaps in
// quotes. Returns where the field ends, or nullptr for anything else, which
// the general route then reads. Unquoted fields are taken only when the
// decimal separator cannot end a token.
const char* ReadPlainField(const char* p, const char* end, bool unquotedAllowed, double& value,
                           bool& quoted) {
  quoted = p != end && *p == '"';
  if (quoted) {
    ++p;
  } else if (!unquotedAllowed) {
    return nullptr;
  }
  const std::size_t used =
      ReadNumberPrefix(std::string_view(p, static_cast<std::size_t>(end - p)), value);
  if (used == 0) return nullptr;
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
void ReadLine(std::string_view line, double& x, double& y) {
  DelimitedScanner fields(line, ',');
  DelimitedToken first;
  DelimitedToken second;
  // A quoted field keeps its doubled quotes here, which no number contains,
  // so it reads exactly as the unquoted token would.
  if (!fields.Next(first) || !fields.Next(second) || !ReadNumber(first.raw, x) ||
      !ReadNumber(second.raw, y)) {
    x = 0;
    y = 0;
  }
}

}  // namespace

void ReadSampleFileText(std::string_view text, TSampleData& series) {
  // Built apart and moved in at the end: the series changes only as a whole.
  TSampleData loaded;
  const char* p = text.data();
  const char* const end = p + text.size();
  // Lines end at CR, LF or NUL; a NUL also ends the text. Lines of the form
  // this program writes are read in one pass; any other line by the general
  // splitting, which gives the same samples for these.
  const char separator = DecimalSeparator();
  const bool fastRoute = separator != '"';
  const bool unquotedAllowed = separator != ',' && !IsBlank(separator);
  while (p != end && *p != '\0') {
    if (loaded.Count() == std::numeric_limits<std::int32_t>::max()) {
      throw std::length_error("Too many lines for a sample series");
    }
    double x = 0;
    double y = 0;
    bool quoted = false;
    const char* q = fastRoute ? ReadPlainField(p, end, unquotedAllowed, x, quoted) : nullptr;
    q = q != nullptr && q != end && *q == ','
            ? ReadPlainField(q + 1, end, unquotedAllowed, y, quoted)
            : nullptr;
    // An unquoted second field must end where its token ends.
    if (q != nullptr && !quoted && q != end && !IsBlank(*q) && *q != ',' && *q != '\0') {
      q = nullptr;
    }
    const char* lineEnd = q != nullptr ? q : p;
    while (lineEnd != end && !IsLineBreak(*lineEnd)) ++lineEnd;
    if (q == nullptr) {
      ReadLine(std::string_view(p, static_cast<std::size_t>(lineEnd - p)), x, y);
    }
    loaded.Append(x, y);
    p = lineEnd;
    if (p != end && *p == '\r') ++p;
    if (p != end && *p == '\n') ++p;
  }
  series = std::move(loaded);
}

void TSampleData::LoadFromFile(const std::string& path) {
  const FileContents contents = ReadWholeFile(path);
  try {
    ReadSampleFileText(contents.Text(), *this);
  } catch (const std::length_error&) {
    throw FileError::CannotOpen(path, EFBIG);
  }
}

void TSampleData::SaveToFile(const std::string& path) const {
  const SaveTarget target = CheckSaveTarget(path);
  PendingFile file(path, target.path);
  file.Create(target.mode, target.exists);
  // Written in pieces, so that the disk works while the next piece is made.
  constexpr std::int64_t kLinesPerPiece = 32768;
  std::string piece;
  piece.reserve(kLinesPerPiece * 34);
  for (std::int64_t begin = 0; begin < Count(); begin += kLinesPerPiece) {
    piece.clear();
    const auto end =
        static_cast<std::int32_t>(std::min<std::int64_t>(Count(), begin + kLinesPerPiece));
    AppendSampleLines(piece, *this, static_cast<std::int32_t>(begin), end);
    file.Write(piece);
  }
  file.Commit();
}

}  // namespace fendrel
