// fendrel-cli run as a user runs it, its output read back and compared with
// what the session model gives for the same steps.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "forecast/evaluation.h"
#include "sample/sample_data.h"
#include "sample/text_format.h"
#include "session/session.h"
#include "session/session_desktop.h"
#include "session/session_view.h"
#include "support/file_bytes.h"
#include "wavelet/wavelet.h"

namespace fendrel {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Starts the program with the arguments; `input` becomes its standard input.
pid_t Start(const std::vector<std::string>& args, int in, int out, int err) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in, STDIN_FILENO);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    std::vector<char*> argv;
    std::string program = FENDREL_CLI;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (std::string& arg : copies) argv.push_back(arg.data());
    argv.push_back(nullptr);
    ::setenv("LC_ALL", "C", 1);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  return pid;
}

int ExitStatus(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

CliRun RunCli(const std::vector<std::string>& args, const std::string& input = "") {
  int in[2], out[2], err[2];
  // Close-on-exec, so that the program holds no other end of its own pipes.
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
    return {};
  }
  const pid_t pid = Start(args, in[0], out[1], err[1]);
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  // Standard input is written while the outputs are read, none blocking the other.
  CliRun run;
  std::size_t written = 0;
  if (input.empty()) ::close(in[1]);
  std::vector<pollfd> fds{{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {in[1], POLLOUT, 0}};
  int open = input.empty() ? 2 : 3;
  while (open > 0) {
    ::poll(fds.data(), fds.size(), -1);
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      if (i == 2) {
        const ssize_t put = ::write(fds[i].fd, input.data() + written, input.size() - written);
        if (put > 0) written += static_cast<std::size_t>(put);
        if (put <= 0 || written == input.size()) {
          ::close(fds[i].fd);
          fds[i].fd = -1;
          --open;
        }
        continue;
      }
      char buffer[65536];
      const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
      if (got <= 0) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
        continue;
      }
      (i == 0 ? run.out : run.err).append(buffer, static_cast<std::size_t>(got));
    }
    if (input.empty()) fds[2].fd = -1;
  }
  run.status = ExitStatus(pid);
  return run;
}

// The fields of a CSV text of plain fields, header line first.
std::vector<std::vector<std::string>> Rows(const std::string& csv) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(csv);
  std::string line;
  while (std::getline(lines, line)) {
    EXPECT_EQ(line.find('\r'), std::string::npos);
    std::vector<std::string>& row = rows.emplace_back();
    std::size_t start = 0;
    for (;;) {
      const std::size_t comma = line.find(',', start);
      row.push_back(line.substr(start, comma - start));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }
  return rows;
}

std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }

// The same bits, read back from the text; an empty field for none.
void ExpectField(const std::string& field, std::optional<double> value) {
  if (!value) {
    EXPECT_EQ(field, "");
    return;
  }
  EXPECT_EQ(Bits(std::strtod(field.c_str(), nullptr)), Bits(*value)) << field << " " << *value;
}

class QuietView : public TSessionView {
 public:
  void ShowLevelPosition(std::int16_t) override {}
  void ShowTestSeries(const TShownSeries&) override {}
  void ShowBands(const TBandsSnapshot&, std::int16_t, std::int16_t) override {}
};

class QuietDesktop : public TSessionDesktop {
 public:
  void ShowMessage(const std::string&) override {}
  void ShowError(const std::string& message) override { ADD_FAILURE() << message; }
  bool ChooseFile(TFileChoice, std::string&) override { return false; }
  void SetClipboardText(std::string_view) override {}
  std::string ClipboardText() override { return {}; }
  bool AskImport(TImportQuestion&) override { return true; }
};

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDecimalSeparator('.');
    folder_ = fs::temp_directory_path() / ("fendrel-cli-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

  // A noisy series with a cycle, written as a sample file.
  std::string SeriesFile(std::int32_t count) {
    TSampleData series(count);
    for (std::int32_t i = 0; i < count; ++i) {
      series.SetX(i, i);
      series.SetY(i, 10 * std::sin(i * 0.37) + std::cos(i * 1.91) + 0.01 * (i % 7));
    }
    const std::string path = PathOf("series" + std::to_string(count) + ".qls");
    series.SaveToFile(path);
    return path;
  }

  fs::path folder_;
};

TEST_F(CliTest, EachCommandGivesTheSessionsBits) {
  const std::string file = SeriesFile(203);
  for (const char* method : {"ma", "knn"}) {
    for (const std::int32_t level : {0, 2, 5}) {
      SCOPED_TRACE(std::string(method) + " level " + std::to_string(level));
      const TForecastSettings settings{
          std::string(method) == "ma" ? fmMovingAverage : fmNearestNeighbor, 0, true};
      QuietView view;
      QuietDesktop desktop;
      TSession session(view, desktop);
      session.SetForecastSettings(settings);
      ASSERT_TRUE(session.OpenFile(file));
      if (level == 0) {
        const CliRun read = RunCli({"read", file});
        ASSERT_EQ(read.status, 0) << read.err;
        const auto rows = Rows(read.out);
        ASSERT_EQ(rows.size(), 204u);
        EXPECT_EQ(rows[0], (std::vector<std::string>{"index", "value"}));
        for (std::int32_t i = 0; i < 203; ++i) {
          EXPECT_EQ(rows[i + 1][0], std::to_string(i));
          ExpectField(rows[i + 1][1], session.TestData().GetY(i));
        }
      }

      const CliRun bands = RunCli(
          {"bands", file, "--level", std::to_string(level), "--forecast", "--method", method});
      ASSERT_EQ(bands.status, 0) << bands.err;
      ASSERT_TRUE(session.ChangeLevel(level));
      ASSERT_TRUE(session.Forecast());
      const std::vector<std::span<const double>> expected = session.Bands();
      auto rows = Rows(bands.out);
      ASSERT_EQ(rows.size(), expected[0].size() + 1);
      ASSERT_EQ(rows[0].size(), expected.size() + 1);
      EXPECT_EQ(rows[0][1], "Wave 0");
      for (std::size_t r = 0; r < expected[0].size(); ++r) {
        for (std::size_t b = 0; b < expected.size(); ++b) {
          ExpectField(rows[r + 1][b + 1], expected[b][r]);
        }
      }

      // Two presses in all, then back to level 0.
      const CliRun forecast = RunCli(
          {"forecast", file, "--level", std::to_string(level), "--times", "2", "--method", method});
      ASSERT_EQ(forecast.status, 0) << forecast.err;
      ASSERT_TRUE(session.Forecast());
      ASSERT_TRUE(session.ChangeLevel(0));
      const std::span<const double> rebuilt = session.Bands()[0];
      const std::int64_t kept = (203 >> level) << level;
      rows = Rows(forecast.out);
      EXPECT_EQ(rows[0], (std::vector<std::string>{"index", "value", "forecast"}));
      ASSERT_EQ(rows.size(), rebuilt.size() + 1);
      EXPECT_EQ(static_cast<std::int64_t>(rebuilt.size()), kept + 2 * (std::int64_t{1} << level));
      for (std::size_t r = 0; r < rebuilt.size(); ++r) {
        ExpectField(rows[r + 1][1], rebuilt[r]);
        EXPECT_EQ(rows[r + 1][2], static_cast<std::int64_t>(r) < kept ? "0" : "1");
      }
      if (kept < 203) {
        EXPECT_EQ(forecast.err, "fendrel-cli: Samples " + std::to_string(kept) +
                                    " to 202 are left out: level " + std::to_string(level) +
                                    " takes whole blocks of " + std::to_string(1 << level) +
                                    " samples.\n");
      }
    }

    // The session's evaluation of the series it read, with the same settings.
    QuietView view;
    QuietDesktop desktop;
    TSession session(view, desktop);
    ASSERT_TRUE(session.OpenFile(file));
    session.SetMethod(std::string(method) == "ma" ? fmMovingAverage : fmNearestNeighbor);
    TEvaluationSettings settings;
    settings.testSpan = 60;
    settings.maxOrigins = 7;
    settings.season = 17;
    std::optional<TEvaluation> evaluation;
    ASSERT_TRUE(session.Evaluate(settings, [&](const TEvaluation& done) { evaluation = done; }));
    ASSERT_TRUE(evaluation);
    const std::vector<std::string> asked = {"evaluate",  file, "--method", method, "--span", "60",
                                            "--origins", "7",  "--season", "17"};
    const CliRun levels = RunCli(asked);
    ASSERT_EQ(levels.status, 0) << levels.err;
    const auto rows = Rows(levels.out);
    ASSERT_EQ(rows.size(), evaluation->levels.size() + 1);
    for (std::size_t l = 0; l < evaluation->levels.size(); ++l) {
      const TLevelEvaluation& level = evaluation->levels[l];
      const std::vector<std::string>& row = rows[l + 1];
      EXPECT_EQ(row[0], std::to_string(level.level));
      EXPECT_EQ(row[2], std::to_string(level.origins.size()));
      if (!level.Evaluable()) continue;
      ExpectField(row[3], level.method.mae);
      ExpectField(row[4], level.method.rmse);
      ExpectField(row[5], level.method.mape);
      ExpectField(row[6], level.method.mase);
      ExpectField(row[9], level.relativeMae);
      ExpectField(row[10], level.seasonalNaiveMae);
      ExpectField(row[14], level.relativeToBest);
      ExpectField(row[15], level.pValue);
    }
    std::vector<std::string> forecastsAsked = asked;
    forecastsAsked.insert(forecastsAsked.end(), {"--forecasts", "2"});
    const CliRun forecasts = RunCli(forecastsAsked);
    ASSERT_EQ(forecasts.status, 0) << forecasts.err;
    const std::vector<double>& values = evaluation->levels[2].forecasts;
    const auto forecastRows = Rows(forecasts.out);
    // The test span's rows, then the next block's.
    ASSERT_GT(forecastRows.size(), values.size() + 1);
    for (std::size_t r = 0; r < values.size(); ++r) ExpectField(forecastRows[r + 1][2], values[r]);
  }
}

TEST_F(CliTest, ExitStatusesAndTheErrorBoxTexts) {
  const std::string file = SeriesFile(100);
  const CliRun version = RunCli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "fendrel-cli " FENDREL_VERSION "\n");
  EXPECT_EQ(RunCli({"--help"}).status, 0);

  // Usage errors: the message, then a one-line hint.
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"read"}, {"bands", file}, {"read", file, "--method", "arima"}, {"frobnicate"}}) {
    const CliRun usage = RunCli(args);
    EXPECT_EQ(usage.status, 2);
    EXPECT_TRUE(usage.err.starts_with("fendrel-cli: ")) << usage.err;
    EXPECT_TRUE(usage.err.ends_with("\nTry 'fendrel-cli --help' for more information.\n"))
        << usage.err;
    EXPECT_EQ(usage.out, "");
  }

  // Failures of the work: the error box's text, and no output.
  const std::string missing = PathOf("missing.csv");
  CliRun failed = RunCli({"read", missing});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.err,
            "fendrel-cli: Cannot open file \"" + missing + "\". No such file or directory.\n");
  EXPECT_EQ(failed.out, "");
  failed = RunCli({"bands", file, "--level", "6"});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.err, "fendrel-cli: Level 6 is beyond this series' deepest level, 5.\n");
  failed = RunCli({"read", file, "--output", PathOf("no-folder/out.csv")});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.err, "fendrel-cli: Cannot create file \"" + PathOf("no-folder/out.csv") +
                            "\". No such file or directory.\n");

  // --output: the same text as standard output, and no file left beside it.
  const CliRun printed = RunCli({"forecast", file, "--level", "2"});
  const CliRun written = RunCli({"forecast", file, "--level", "2", "--output", PathOf("out.csv")});
  EXPECT_EQ(written.status, 0);
  EXPECT_EQ(written.out, "");
  EXPECT_EQ(ReadBytes(PathOf("out.csv")), printed.out);
}

TEST_F(CliTest, ColumnByNameOrNumberAndStandardInput) {
  const std::string text = "date,high,low\n2020-01,5,1\n2020-02,,2\n2020-03,7,3\n";
  CliRun run = RunCli({"read", "-"}, text);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "index,value\n0,1\n1,2\n2,3\n");
  run = RunCli({"read", "-", "--column", "high"}, text);
  EXPECT_EQ(run.out, "index,value\n0,5\n1,6\n2,7\n");
  EXPECT_EQ(run.err, "fendrel-cli: 1 missing value was filled in.\n");
  run = RunCli({"read", "-", "--column", "2"}, text);
  EXPECT_EQ(run.out, "index,value\n0,5\n1,6\n2,7\n");
  run = RunCli({"read", "-", "--column", "4"}, text);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "fendrel-cli: The text has no column \"4\"; its columns are 1 \"date\", 2 \"high\", "
            "3 \"low\".\n");
  EXPECT_EQ(run.out, "");
  // A spreadsheet's Unicode text (UTF-16LE), from a file and through a pipe:
  // the column is chosen in the decoded text.
  std::string utf16 = "\xFF\xFE";
  for (const char c : text) utf16 += std::string{c, '\0'};
  for (const std::string& file : {WriteBytes(PathOf("unicode.txt"), utf16), std::string("-")}) {
    run = RunCli({"read", file, "--column", "high"}, file == "-" ? utf16 : "");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "index,value\n0,5\n1,6\n2,7\n");
  }
  // A sample file's own lines, through a pipe.
  run = RunCli({"read", "-"}, "0,1.25\n1,-3\n");
  EXPECT_EQ(run.out, "index,value\n0,1.25\n1,-3\n");
}

TEST_F(CliTest, SignalsStopWithinAFifthOfASecondLeavingNoFile) {
  // 100,000 samples: a nearest-neighbour evaluation runs for seconds.
  const std::string file = SeriesFile(100'000);
  struct Case {
    std::vector<std::string> args;
    int signal;
  };
  const std::string output = PathOf("stopped.csv");
  const Case cases[] = {
      {{"evaluate", file, "--method", "knn", "--output", output}, SIGINT},
      {{"forecast", file, "--level", "0", "--times", "1000", "--method", "knn", "--output", output},
       SIGTERM},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const int null = ::open("/dev/null", O_RDWR);
    const pid_t pid = Start(c.args, null, null, null);
    ::close(null);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    const auto sent = std::chrono::steady_clock::now();
    ::kill(pid, c.signal);
    const int status = ExitStatus(pid);
    const auto took = std::chrono::steady_clock::now() - sent;
    EXPECT_EQ(status, 128 + c.signal);
    EXPECT_LT(took, std::chrono::milliseconds(200));
    // Neither the file nor the writer's unfinished one.
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder_))
      left.push_back(entry.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"series100000.qls"});
  }
}

}  // namespace
}  // namespace fendrel
