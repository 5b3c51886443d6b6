#include "sample/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/parallel.h"
#include "core/progress.h"
#include "sample/file_error.h"

namespace fendrel {

namespace {

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
    // The new file is renamed over the old one: a device or a pipe would be
    // replaced, and as root that can be /dev/null itself.
    if (!S_ISREG(info.st_mode))
      throw FileError::CannotCreate(path, std::string("Not a regular file"));
    // A file the user may not write stays protected, as opening it would.
    if (::access(target.path.c_str(), W_OK) != 0) throw FileError::CannotCreate(path, errno);
    target.mode = info.st_mode & 07777;
    target.exists = true;
  }
  if (!target.path.has_filename()) throw FileError::CannotCreate(path, EISDIR);
  return target;
}

}  // namespace

void WriteFileInPieces(const std::string& path, std::int64_t pieces,
                       const TFilePieceMaker& makePiece) {
  const SaveTarget target = CheckSaveTarget(path);
  PendingFile file(path, target.path);
  file.Create(target.mode, target.exists);
  // Pieces are made in parallel a wave at a time and written in order; the
  // wave before is written while the next is made, so that the disk works
  // meanwhile. A wave is two pieces per worker: enough to keep the workers
  // busy beside the writing, few enough that a piece is still in the cache
  // when it is written. Each wave's buffers serve again two waves later; the
  // text is the same whatever the wave.
  const auto wave = static_cast<std::int64_t>(2 * WorkerCount());
  std::array<std::vector<std::string>, 2> texts{
      std::vector<std::string>(static_cast<std::size_t>(wave)),
      std::vector<std::string>(static_cast<std::size_t>(wave))};
  std::size_t unwritten = 0;
  for (std::int64_t first = 0, round = 0; first < pieces || unwritten > 0; first += wave, ++round) {
    std::vector<std::string>& made = texts[static_cast<std::size_t>(round % 2)];
    const std::vector<std::string>& done = texts[static_cast<std::size_t>((round + 1) % 2)];
    const auto making = static_cast<std::size_t>(std::clamp<std::int64_t>(pieces - first, 0, wave));
    ForEachBlock(making + 1, [&](std::size_t block) {
      if (block == 0) {
        for (std::size_t i = 0; i < unwritten; ++i) file.Write(done[i]);
        return;
      }
      makePiece(first + static_cast<std::int64_t>(block) - 1, made[block - 1]);
    });
    unwritten = making;
  }
  // A cancelled save leaves the old file; once the new one replaced it, the
  // save has happened.
  ThrowIfCancelled();
  file.Commit();
}

void WriteWholeFile(const std::string& path, std::string_view contents) {
  const SaveTarget target = CheckSaveTarget(path);
  PendingFile file(path, target.path);
  file.Create(target.mode, target.exists);
  file.Write(contents);
  file.Commit();
}

}  // namespace fendrel
