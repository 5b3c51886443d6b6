#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sample/clipboard_text.h"
#include "sample/file_error.h"
#include "sample/sample_data.h"
#include "sample/sample_file.h"
#include "sample/sample_test_support.h"
#include "sample/text_format.h"
#include "support/file_bytes.h"

namespace fendrel {
namespace {

namespace fs = std::filesystem;

constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kDenormMin = std::numeric_limits<double>::denorm_min();

class RobustInput : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("fendrel-robust-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    for (auto it = mounts_.rbegin(); it != mounts_.rend(); ++it) ::umount2(it->c_str(), MNT_DETACH);
    fs::remove_all(folder_);
  }

  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    return WriteBytes(PathOf(name), bytes);
  }
  static std::string Contents(const std::string& path) { return ReadBytes(path); }
  static std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  static Samples Load(const std::string& path) {
    TSampleData series(4);
    series.LoadFromFile(path);
    return SamplesOf(series);
  }

  // A small file system of its own at folder/name, in a mount namespace of
  // this process only, so that nothing outlives the test. Answers why not
  // where the system does not allow it, "" once mounted.
  std::string MountTmpfs(const std::string& name, const char* options) {
    static const std::string privateMounts = [] {
      if (::unshare(CLONE_NEWNS) != 0 ||
          ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return std::string("a mount namespace of its own needs CAP_SYS_ADMIN (") +
               std::strerror(errno) + ")";
      }
      return std::string();
    }();
    if (!privateMounts.empty()) return privateMounts;
    const std::string path = PathOf(name);
    fs::create_directories(path);
    if (::mount("tmpfs", path.c_str(), "tmpfs", 0, options) != 0) {
      return std::string("mounting a tmpfs failed (") + std::strerror(errno) + ")";
    }
    mounts_.push_back(path);
    return std::string();
  }
  static bool RemountReadOnly(const std::string& path) {
    return ::mount(nullptr, path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
  }

  // Saving `series` to path fails with the reason given and leaves the old
  // file as it was, byte for byte, with no temporary file beside it.
  static void ExpectFailedSave(const TSampleData& series, const std::string& path,
                               const std::string& reason) {
    const bool existed = fs::exists(path);
    const std::string old = existed ? Contents(path) : "";
    const fs::path folder = fs::path(path).parent_path();
    const std::vector<std::string> before = Entries(folder);
    try {
      series.SaveToFile(path);
      ADD_FAILURE() << "no error saving " << path;
    } catch (const FileError& error) {
      EXPECT_EQ(error.what(), "Cannot create file \"" + path + "\". " + reason);
    }
    EXPECT_EQ(fs::exists(path), existed);
    if (existed) {
      EXPECT_EQ(Contents(path), old);
    }
    EXPECT_EQ(Entries(folder), before);
  }

  fs::path folder_;
  std::vector<std::string> mounts_;
};

TEST_F(RobustInput, DegenerateFilesReadAsTheirLines) {
  DecimalSeparatorScope scope('.');
  EXPECT_EQ(Load(Write("empty.qls", "")), Samples{});
  EXPECT_EQ(Load(Write("cr.qls", std::string(5, '\r'))), Samples(5, {0, 0}));
  EXPECT_EQ(Load(Write("lf.qls", std::string(5, '\n'))), Samples(5, {0, 0}));
  EXPECT_EQ(Load(Write("crlf.qls", "\r\n\n\r")), Samples(3, {0, 0}));
  EXPECT_EQ(Load(Write("nul.qls", std::string(4096, '\0'))), Samples{});
  EXPECT_EQ(Load(Write("after-nul.qls", std::string("1,2\r\n\0\r\n3,4\r\n", 12))),
            (Samples{{1, 2}}));

  // Every byte value, in random order: as many samples as lines up to the first NUL.
  std::mt19937 random(11);
  std::string binary(1 << 16, '\0');
  for (char& c : binary) c = static_cast<char>(random());
  const std::string path = Write("binary.qls", binary);
  EXPECT_EQ(Load(path).size(), SplitLines(binary).size());
  binary.erase(std::remove(binary.begin(), binary.end(), '\0'), binary.end());
  EXPECT_EQ(Load(Write("binary-no-nul.qls", binary)).size(), SplitLines(binary).size());
}

TEST_F(RobustInput, ExtremeNumbersReadAndSurviveASave) {
  DecimalSeparatorScope scope('.');
  const std::string path = Write("extreme.qls",
                                 "1E308,-1E308\r\n"
                                 "4.9E-324,-4.9E-324\r\n"
                                 "1E400,5\r\n"
                                 "5,-1E400\r\n"
                                 "1.7976931348623157E308,1E-400\r\n");
  const Samples loaded = Load(path);
  EXPECT_EQ(loaded,
            (Samples{{1e308, -1e308}, {kDenormMin, -kDenormMin}, {0, 0}, {0, 0}, {kMax, 0}}));

  // The largest doubles are written with their digits cut, not rounded up
  // past what a double holds, so that they read back instead of becoming 0.
  const TSampleData series = SeriesOf({{kMax, -kMax}, {1e308, -1e308}, {kDenormMin, 1}});
  series.SaveToFile(path);
  // The smallest double keeps its digits: 323 zeros after the point, then 9 digits.
  const std::string tiny = "0." + std::string(323, '0') + "494065646";
  EXPECT_EQ(Contents(path),
            "1.797693134862315E308,-1.797693134862315E308\r\n"
            "1E308,-1E308\r\n" +
                tiny + ",1.00000000\r\n");
  const Samples back = Load(path);
  ASSERT_EQ(back.size(), 3u);
  EXPECT_NEAR(back[0].first / kMax, 1.0, 1e-15);
  EXPECT_NEAR(back[0].second / kMax, -1.0, 1e-15);
  EXPECT_EQ(back[1], (std::pair<double, double>{1e308, -1e308}));
  EXPECT_EQ(back[2], (std::pair<double, double>{kDenormMin, 1}));
}

TEST_F(RobustInput, AHundredMegabyteLineReadsInReasonableTime) {
  DecimalSeparatorScope scope('.');
  const std::string path = PathOf("long.qls");
  {
    std::ofstream file(path, std::ios::binary);
    const std::string block(1 << 20, '7');
    file << "0.";
    for (int i = 0; i < 100; ++i) file << block;
    file << ",1";
  }
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Load(path), (Samples{{7.0 / 9.0, 1}}));
  // Loose enough for a sanitizer build on a busy machine; a quadratic scan
  // would take hours.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(120));
  fs::remove(path);
}

TEST_F(RobustInput, OnlyRegularFilesOpenAndNothingBlocks) {
  TSampleData series = SeriesOf({{1, 2}});
  const auto expectRefused = [&](const std::string& path, const std::string& reason) {
    try {
      series.LoadFromFile(path);
      ADD_FAILURE() << "no error opening " << path;
    } catch (const FileError& error) {
      EXPECT_EQ(error.what(), "Cannot open file \"" + path + "\". " + reason);
    }
    EXPECT_EQ(SamplesOf(series), (Samples{{1, 2}})) << path;
  };
  const std::string path = Write("gone.qls", "3,4\r\n");
  fs::remove(path);
  expectRefused(path, "No such file or directory");
  fs::create_directory(path);
  expectRefused(path, "Is a directory");

  // A named pipe nobody writes to is refused instead of waited on. Should the
  // open or read wait all the same, a writer comes by after a while and lets
  // it go, so that the wait shows as a failure rather than a hang.
  const std::string pipe = PathOf("pipe.qls");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::atomic<bool> done{false};
  std::thread rescue([&] {
    for (int i = 0; i < 50 && !done; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
  });
  const auto start = std::chrono::steady_clock::now();
  expectRefused(pipe, "Not a regular file");
  const auto waited = std::chrono::steady_clock::now() - start;
  done = true;
  rescue.join();
  EXPECT_LT(waited, std::chrono::seconds(4));
  // Nor does a save replace the pipe (or, as root, a device) by renaming
  // its new file over it.
  try {
    series.SaveToFile(pipe);
    ADD_FAILURE() << "no error saving over a pipe";
  } catch (const FileError& error) {
    EXPECT_EQ(error.what(), "Cannot create file \"" + pipe + "\". Not a regular file");
  }
  EXPECT_TRUE(fs::is_fifo(pipe));

  // Devices and the kernel's own files, which look regular but may never end
  // or block the reader (/proc/kmsg does until the kernel logs something).
  for (const char* special : {"/dev/zero", "/proc/self/status", "/proc/kmsg"}) {
    if (fs::exists(special)) expectRefused(special, "Not a regular file");
  }
}

TEST_F(RobustInput, FullDiskLeavesTheOldFile) {
  DecimalSeparatorScope scope('.');
  const std::string why = MountTmpfs("small", "size=64k");
  if (!why.empty()) GTEST_SKIP() << "needs a full disk of its own: " << why;
  const std::string path = PathOf("small/keep.qls");
  const TSampleData small = SeriesOf({{1, 2}});
  small.SaveToFile(path);
  TSampleData large;
  for (int i = 0; i < 20000; ++i) large.Append(i, std::sin(i));
  ExpectFailedSave(large, path, "No space left on device");
  ExpectFailedSave(large, PathOf("small/new.qls"), "No space left on device");
  // The failed attempts left no space taken: a small save still fits.
  SeriesOf({{5, 6}}).SaveToFile(path);
  EXPECT_EQ(Contents(path), "5.00000000,6.00000000\r\n");
}

TEST_F(RobustInput, ReadOnlyFolderLeavesTheOldFile) {
  DecimalSeparatorScope scope('.');
  const std::string why = MountTmpfs("locked", "size=1m");
  if (!why.empty()) GTEST_SKIP() << "needs a read-only folder of its own: " << why;
  const std::string path = PathOf("locked/keep.qls");
  SeriesOf({{1, 2}}).SaveToFile(path);
  ASSERT_TRUE(RemountReadOnly(PathOf("locked")));
  const TSampleData series = SeriesOf({{3, 4}});
  ExpectFailedSave(series, path, "Read-only file system");
  ExpectFailedSave(series, PathOf("locked/new.qls"), "Read-only file system");
  EXPECT_EQ(Load(path), (Samples{{1, 2}}));
}

TEST(RobustData, PasteOfTensOfThousandsOfFieldsInOneLine) {
  DecimalSeparatorScope scope('.');
  std::string line;
  for (int i = 0; i < 60000; ++i) line += std::to_string(i) + (i % 3 == 0 ? ";" : " ");
  TSampleData series;
  ASSERT_TRUE(PasteTextToSeries(line, series));
  ASSERT_EQ(series.Count(), 30000);
  EXPECT_EQ(series.GetY(0), 1);
  EXPECT_EQ(series.GetY(29999), 59999);
  EXPECT_EQ(series.GetX(29999), 29999);
}

}  // namespace
}  // namespace fendrel
