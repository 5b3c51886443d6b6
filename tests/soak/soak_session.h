#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "soak/action_log.h"

class QAction;
class QPoint;
class QWidget;
class QWindow;

namespace fendrel {

class RecordingClipboard;
class SoakDialogs;
class TForm1;

// Drives the real main window with random user actions, all through Qt's
// event system (mouse and keys at the window, wheel turns and resizes at the
// widgets), with the dialogs and the clipboard faked to answer random,
// hostile and huge inputs. After every action it checks what must always
// hold. A session can write down what it does as an action log, and replay
// one (see action_log.h) without drawing anything at random.
class SoakSession {
 public:
  // Random actions from the seed, written to `log` if one is given.
  explicit SoakSession(std::uint64_t seed, std::ostream* log = nullptr);
  // The actions of a log, in order.
  explicit SoakSession(ActionLogReader replay);
  ~SoakSession();
  SoakSession(const SoakSession&) = delete;
  SoakSession& operator=(const SoakSession&) = delete;

  // Runs one action and checks the window; false once something broke, with
  // Failure() telling what, or once a replay has run the log's last action.
  bool Step();
  bool ReplayDone();
  const std::string& Failure() const { return failure_; }
  std::int64_t Actions() const { return actions_; }
  // The latest actions, oldest first, for the report of a failure.
  const std::deque<std::string>& RecentActions() const { return recent_; }
  // What the action now running does ("" between actions).
  std::string CurrentAction() const;
  // Resident memory of the process now and at most so far, in bytes.
  static std::int64_t ResidentBytes();
  std::int64_t PeakResidentBytes() const { return peakResident_; }
  // What the session reached, to tell that the actions do reach the commands.
  struct Stats {
    std::int64_t messages = 0;
    std::int64_t errors = 0;
    std::int64_t fileDialogs = 0;
    std::int64_t largestSeries = 0;
    std::int64_t deepestLevel = 0;
    std::int64_t mostBands = 0;
    std::int64_t jobs = 0;
    std::int64_t cancelledJobs = 0;
  };
  const Stats& Reached() const { return stats_; }
  // Resident memory above which the session fails.
  void SetMemoryLimit(std::int64_t bytes) { memoryLimit_ = bytes; }

 private:
  void Start(std::uint64_t seed);
  void Act();
  void Check();
  void Note(std::string action);

  // Actions.
  void ClickSpinArrow();
  void PressSpinKeys();
  void ClickButton();
  void ClickChoice();
  void DragChart();
  void TurnWheel();
  void KeysOnView();
  void ContextMenuCommand();
  void MenuCommand();
  void Shortcut();
  void ResizeWindow();
  void DragSplitter();
  void DropFile();
  void Evaluate();
  void JobAction();
  void ReopenIfClosed();

  // Jobs: commands that run on while the window answers. After every action
  // the session waits until the job has ended; one still running after a
  // while is cancelled with Escape, as an impatient user does, and must then
  // end at once.
  void FinishJobs();
  bool Busy() const;
  // Spins the event loop until no job runs, for at most `ms`; whether none
  // runs.
  bool WaitIdle(int ms);
  // What a job that is cancelled or refused must leave as it was.
  std::string StateFingerprint(bool withPacket) const;
  // One command tried while a job runs, by event, straight to the window
  // (nothing else is processed meanwhile, so the job runs on throughout).
  void Poke(int kind);

  // Inputs the fakes hand out.
  void PrepareClipboard();
  std::string ChooseOpenPath();
  std::string ChooseSavePath();
  std::string SampleFileText();
  std::string PasteText();
  std::string HostileText();
  // Text as other tools write it: header lines, one or many columns, semicolons
  // and decimal commas, quotes, missing-value words, a byte-order mark,
  // comments.
  std::string ForeignText();
  std::string ValueText(int mode);
  int SampleCount();

  // Events at the window.
  QWidget* Control(const char* name) const;
  QWindow* Window() const;
  QPoint At(QWidget* widget, QPoint point) const;
  QPoint RandomPointIn(QWidget* widget, int outside);
  void Click(QWidget* widget, QPoint point, int button);
  void Key(int key, int modifiers = 0);
  void ChooseFromOpenMenu();
  QAction* ChosenItem(const std::vector<QAction*>& items);
  static QAction* ChosenItem(const std::vector<QAction*>& items, const std::string& name);
  void Settle();

  // Every choice of an action goes through these, so that a log holds it.
  int Uniform(int low, int high);
  bool Chance(double p);
  // A text made by `make` when recording, taken from the log when replaying.
  std::string Input(std::string (SoakSession::*make)());

  std::mt19937_64 random_;
  std::optional<ActionLogWriter> record_;
  std::optional<ActionLogReader> replay_;
  int inputDepth_ = 0;
  std::unique_ptr<RecordingClipboard> clipboard_;
  std::unique_ptr<SoakDialogs> dialogs_;
  std::unique_ptr<TDesktop> desktop_;
  std::unique_ptr<TForm1> form_;
  std::filesystem::path folder_;
  std::string failure_;
  mutable std::mutex currentMutex_;
  std::string current_;
  std::deque<std::string> recent_;
  std::int64_t actions_ = 0;
  std::int64_t peakResident_ = 0;
  std::int64_t memoryLimit_ = 0;
  // The job runner's inline size for the session's actions: none runs as a
  // job unless FENDREL_SOAK_INLINE_SIZE says otherwise.
  std::int64_t inlineSize_ = 0;
  // While set, the file dialogs answer with this path and draw nothing.
  std::string forcedPath_;
  Stats stats_;

  friend class SoakDialogs;
};

}  // namespace fendrel
