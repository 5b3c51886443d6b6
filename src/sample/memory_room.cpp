#include "sample/memory_room.h"

#include <sys/stat.h>

#include <fstream>

#include "sample/file_error.h"

namespace fendrel {

namespace {

std::int64_t Megabytes(std::int64_t bytes) { return (bytes + (1 << 20) - 1) >> 20; }

}  // namespace

std::int64_t FileSize(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
  return static_cast<std::int64_t>(info.st_size);
}

std::optional<std::int64_t> AvailableMemory() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  std::int64_t kilobytes = 0;
  std::string unit;
  while (meminfo >> key >> kilobytes >> unit) {
    if (key == "MemAvailable:") return kilobytes * 1024;
  }
  return std::nullopt;
}

std::int64_t MemoryToOpen(std::int64_t bytes) {
  // A sample takes at least four bytes of text ("0,0" and a line end) and,
  // once read, 16 bytes in the series, 16 in the packet's two levels and 16
  // in the views; lines of ordinary numbers are several times longer, so
  // this errs on the side of opening.
  constexpr std::int64_t kBytesPerSample = 48;
  constexpr std::int64_t kTextPerSample = 12;
  return bytes + bytes / kTextPerSample * kBytesPerSample;
}

void CheckRoomToRead(const std::string& path) {
  const std::optional<std::int64_t> available = AvailableMemory();
  if (!available) return;
  const std::int64_t needed = MemoryToOpen(FileSize(path));
  if (needed <= *available) return;
  throw FileError::CannotOpen(
      path, "It needs about " + std::to_string(Megabytes(needed)) +
                " MB of memory, but only " + std::to_string(Megabytes(*available)) +
                " MB are available");
}

}  // namespace fendrel
