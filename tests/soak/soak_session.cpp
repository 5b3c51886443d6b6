#include "soak/soak_session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "chart/chart.h"
#include "chart/series.h"
#include "platform/job_runner.h"
#include "platform/locale.h"
#include "sample/random.h"
#include "sample/sample_data.h"
#include "support/recording_clipboard.h"
#include "support/recording_dialogs.h"
#include "ui/evaluate_dialog.h"
#include "ui/main_window.h"
#include "ui/text_grid.h"
#include "ui/up_down.h"
#include "wavelet/wavelet.h"

namespace fendrel {

namespace fs = std::filesystem;

namespace {

// A broken rule; ends the session.
struct SoakFault : std::runtime_error {
  using std::runtime_error::runtime_error;
};

constexpr std::size_t kRecentActions = 40;
constexpr int kMaxSamples = 200000;
// How long a job may run after its action before the session cancels it, and
// how soon a cancelled job must have ended (sanitizer builds included).
constexpr int kPatienceMs = 3000;
constexpr int kCancelMs = 1000;
constexpr int kPokeKinds = 8;

// Error boxes that a user can provoke on purpose: files that cannot be read
// or written, a clipboard held by another program.
bool ExpectedError(const std::string& text) {
  for (const char* prefix :
       {"Cannot open file \"", "Cannot create file \"", "Cannot open clipboard"}) {
    if (text.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

std::int32_t FloorLog2(std::int64_t n) {
  std::int32_t log = 0;
  while (n >= 2) {
    n /= 2;
    ++log;
  }
  return log;
}

std::string Shortened(const std::string& text) {
  if (text.size() <= 120) return text;
  return text.substr(0, 120) + "... (" + std::to_string(text.size()) + " bytes)";
}

}  // namespace

// The dialogs of the session: boxes are counted, unexpected error boxes
// remembered, file dialogs answered by the session.
class SoakDialogs : public RecordingDialogs {
 public:
  explicit SoakDialogs(SoakSession& session) : session_(session) {}

  void ShowMessage(const std::string& /*text*/) override { ++session_.stats_.messages; }
  void ShowError(const std::string& text) override {
    ++session_.stats_.errors;
    if (!ExpectedError(text) && unexpected.empty()) unexpected = text;
  }
  // The import question answered at random: cancelled now and then, else
  // with any column, the proposal's or another.
  bool AskImport(TImportQuestion& question) override {
    ++session_.stats_.fileDialogs;
    if (session_.Chance(0.15)) return false;
    if (session_.Chance(0.5)) {
      question.layout.valueColumn = session_.Uniform(0, question.layout.columns - 1);
    }
    return true;
  }
  bool ChooseFile(const TFileDialog& dialog, std::string& fileName) override {
    if (session_.Busy() && unexpected.empty()) unexpected = "a file dialog while a job runs";
    if (!session_.forcedPath_.empty()) {
      fileName = session_.forcedPath_;
      return true;
    }
    ++session_.stats_.fileDialogs;
    fileName = dialog.Kind() == fdOpen ? session_.ChooseOpenPath() : session_.ChooseSavePath();
    return !fileName.empty();
  }

  std::string unexpected;

 private:
  SoakSession& session_;
};

SoakSession::SoakSession(std::uint64_t seed, std::ostream* log) : random_(seed) {
  if (log != nullptr) record_.emplace(*log, seed);
  Start(seed);
}

SoakSession::SoakSession(ActionLogReader replay) : replay_(std::move(replay)) {
  Start(replay_->Seed());
}

void SoakSession::Start(std::uint64_t seed) {
  ApplySeparators({'.', ","});
  folder_ = fs::temp_directory_path() /
            ("fendrel-soak-" + std::to_string(::getpid()) + "-" + std::to_string(seed));
  fs::remove_all(folder_);
  fs::create_directories(folder_);
  clipboard_ = std::make_unique<RecordingClipboard>();
  dialogs_ = std::make_unique<SoakDialogs>(*this);
  desktop_ = std::make_unique<TDesktop>(TDesktop{*dialogs_, *clipboard_});
  form_ = std::make_unique<TForm1>(nullptr, desktop_.get());
  // Commands run to their end before the next event, whatever their size, so
  // that a log replays the same way however fast the machine is; JobAction
  // makes its command a job. A session with an inline size of its own runs
  // jobs everywhere, and its log replays only with the same size.
  inlineSize_ = std::numeric_limits<std::int64_t>::max();
  if (const char* size = std::getenv("FENDREL_SOAK_INLINE_SIZE"); size != nullptr && *size != 0) {
    inlineSize_ = std::strtoll(size, nullptr, 10);
    if (record_) record_->Comment("inline size " + std::to_string(inlineSize_));
  }
  form_->Jobs().SetInlineSize(inlineSize_);
  form_->show();
  if (!QTest::qWaitForWindowExposed(form_.get())) throw std::runtime_error("window not shown");
  form_->activateWindow();
  (void)QTest::qWaitForWindowActive(form_.get());
  // The start-up series came from the clock; generate one from the seed.
  SetRandomState(static_cast<std::uint32_t>(seed));
  Click(Control("Button1"), Control("Button1")->rect().center(), Qt::LeftButton);
  Settle();
}

SoakSession::~SoakSession() {
  form_.reset();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  dialogs_.reset();
  clipboard_.reset();
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

std::string SoakSession::CurrentAction() const {
  const std::lock_guard lock(currentMutex_);
  return current_;
}

bool SoakSession::ReplayDone() { return replay_ && replay_->AtEnd(); }

bool SoakSession::Step() {
  if (!failure_.empty() || ReplayDone()) return false;
  ++actions_;
  try {
    Act();
    Settle();
    Check();
  } catch (const SoakFault& fault) {
    failure_ = fault.what();
  } catch (const ActionLogMismatch& mismatch) {
    failure_ = std::string("the log no longer fits the actions: ") + mismatch.what();
  } catch (const std::exception& escaped) {
    failure_ = std::string("an exception escaped to the session: ") + escaped.what();
  }
  {
    const std::lock_guard lock(currentMutex_);
    current_.clear();
  }
  return failure_.empty();
}

void SoakSession::Note(std::string action) {
  if (record_) record_->Comment(std::to_string(actions_) + ": " + action);
  recent_.push_back(std::to_string(actions_) + ": " + action);
  if (recent_.size() > kRecentActions) recent_.pop_front();
  const std::lock_guard lock(currentMutex_);
  current_ = std::move(action);
}

void SoakSession::Act() {
  ReopenIfClosed();
  struct Choice {
    const char* name;
    int weight;
    void (SoakSession::*act)();
  };
  static constexpr std::array<Choice, 15> kActions{{
      {"ClickSpinArrow", 10, &SoakSession::ClickSpinArrow},
      {"PressSpinKeys", 6, &SoakSession::PressSpinKeys},
      {"ClickButton", 8, &SoakSession::ClickButton},
      {"ClickChoice", 6, &SoakSession::ClickChoice},
      {"DragChart", 10, &SoakSession::DragChart},
      {"TurnWheel", 5, &SoakSession::TurnWheel},
      {"KeysOnView", 5, &SoakSession::KeysOnView},
      {"ContextMenuCommand", 8, &SoakSession::ContextMenuCommand},
      {"MenuCommand", 10, &SoakSession::MenuCommand},
      {"Shortcut", 5, &SoakSession::Shortcut},
      {"ResizeWindow", 3, &SoakSession::ResizeWindow},
      {"DragSplitter", 2, &SoakSession::DragSplitter},
      {"DropFile", 3, &SoakSession::DropFile},
      {"Evaluate", 2, &SoakSession::Evaluate},
      {"JobAction", 6, &SoakSession::JobAction},
  }};
  const Choice* chosen = nullptr;
  if (replay_) {
    const std::string name = replay_->Action();
    for (const Choice& choice : kActions) {
      if (name == choice.name) chosen = &choice;
    }
    if (chosen == nullptr) throw ActionLogMismatch("no action named " + name);
  } else {
    int total = 0;
    for (const Choice& choice : kActions) total += choice.weight;
    int pick = std::uniform_int_distribution<int>(0, total - 1)(random_);
    for (const Choice& choice : kActions) {
      if (chosen == nullptr && pick < choice.weight) chosen = &choice;
      pick -= choice.weight;
    }
    if (record_) record_->Action(chosen->name);
  }
  (this->*chosen->act)();
}

// Invariants.

void SoakSession::Check() {
  if (!dialogs_->unexpected.empty()) {
    throw SoakFault("unexpected error box: " + Shortened(dialogs_->unexpected));
  }
  TForm1& f = *form_;
  const auto fail = [](const std::string& what) { throw SoakFault(what); };
  const auto* sgTest = static_cast<const TStringGrid*>(Control("sgTest"));
  const auto* sgWave = static_cast<const TStringGrid*>(Control("sgWave"));
  const auto* chTest = static_cast<const TChart*>(Control("chTest"));
  const auto* chWave = static_cast<const TChart*>(Control("chWave"));
  const auto* upDown1 = static_cast<const TUpDown*>(Control("UpDown1"));
  const auto* upDown2 = static_cast<const TUpDown*>(Control("UpDown2"));

  const std::int32_t count = f.Session().TestData().Count();
  if (sgTest->RowCount() != std::max(1, count + 1) || sgTest->ColCount() != 2) {
    fail("test grid is " + std::to_string(sgTest->ColCount()) + " x " +
         std::to_string(sgTest->RowCount()) + " for " + std::to_string(count) + " samples");
  }
  if (chTest->SeriesTotal() < 1 || chTest->SeriesAt(0)->PointCount() != count) {
    fail("test chart does not hold the " + std::to_string(count) + " samples");
  }

  TWavelet& wavelet = f.Session().Wavelet();
  const std::int32_t bands = wavelet.BandCount();
  if (bands != (1 << wavelet.Level()))
    fail("level " + std::to_string(wavelet.Level()) + " has " + std::to_string(bands) + " bands");
  if (wavelet.MaxLevel() != FloorLog2(count)) {
    fail("packet of " + std::to_string(count) + " samples has " +
         std::to_string(wavelet.MaxLevel()) + " levels");
  }
  if (sgWave->ColCount() != bands + 1) {
    fail("wavelet grid has " + std::to_string(sgWave->ColCount()) + " columns for " +
         std::to_string(bands) + " bands");
  }
  if (chWave->SeriesTotal() != bands) {
    fail("wavelet chart holds " + std::to_string(chWave->SeriesTotal()) + " series for " +
         std::to_string(bands) + " bands");
  }
  const std::int32_t length = wavelet.GetBand(0)->Count();
  if (sgWave->RowCount() != std::max(1, length + 1)) {
    fail("wavelet grid has " + std::to_string(sgWave->RowCount()) + " rows for bands of " +
         std::to_string(length));
  }
  for (std::int32_t b = 0; b < bands; ++b) {
    const std::int32_t n = wavelet.GetBand(b)->Count();
    if (n != length)
      fail("band " + std::to_string(b) + " holds " + std::to_string(n) + " samples, band 0 " +
           std::to_string(length));
    if (chWave->SeriesAt(b)->PointCount() != n) {
      fail("wavelet series " + std::to_string(b) + " holds " +
           std::to_string(chWave->SeriesAt(b)->PointCount()) + " points for " + std::to_string(n));
    }
  }
  const std::string foot = "Level " + std::to_string(wavelet.Level());
  if (chWave->Foot().Text() != std::vector<std::string>{foot})
    fail("wavelet foot does not read " + foot);

  const int levelMax = std::max(0, FloorLog2(count) - 1);
  const int windowMax = std::clamp(count - 1, 0, 32767);
  if (upDown1->Max() != levelMax) {
    fail("level spin maximum " + std::to_string(upDown1->Max()) + ", not " +
         std::to_string(levelMax));
  }
  if (upDown2->Max() != windowMax) {
    fail("window spin maximum " + std::to_string(upDown2->Max()) + ", not " +
         std::to_string(windowMax));
  }
  if (upDown1->Position() != wavelet.Level()) {
    fail("level spin at " + std::to_string(upDown1->Position()) + ", packet at level " +
         std::to_string(wavelet.Level()));
  }
  if (upDown1->Position() < 0 || upDown2->Position() < 0) fail("a spin went below 0");
  for (const TUpDown* spin : {upDown1, upDown2}) {
    if (spin->Associate()->text() !=
        TUpDown::PositionText(spin->Position(), ThousandsSeparator())) {
      fail("a spin's edit does not show its position");
    }
  }
  const auto* rbKNN = static_cast<const QRadioButton*>(Control("rbKNN"));
  const auto* rbMA = static_cast<const QRadioButton*>(Control("rbMA"));
  if (rbKNN->isChecked() == rbMA->isChecked()) fail("both or neither method chosen");
  if (Control("cbKNN")->isEnabled() != rbKNN->isChecked())
    fail("cbKNN enabled without K-NN chosen");

  stats_.largestSeries = std::max<std::int64_t>(stats_.largestSeries, count);
  stats_.deepestLevel = std::max<std::int64_t>(stats_.deepestLevel, wavelet.Level());
  stats_.mostBands = std::max<std::int64_t>(stats_.mostBands, bands);
  const std::int64_t resident = ResidentBytes();
  peakResident_ = std::max(peakResident_, resident);
  if (memoryLimit_ > 0 && resident > memoryLimit_) {
    fail("resident memory " + std::to_string(resident >> 20) + " MiB above the limit");
  }
}

std::int64_t SoakSession::ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  std::int64_t size = 0;
  std::int64_t resident = 0;
  statm >> size >> resident;
  return resident * ::sysconf(_SC_PAGESIZE);
}

// Events.

QWidget* SoakSession::Control(const char* name) const {
  auto* control = form_->findChild<QWidget*>(QString::fromLatin1(name));
  if (control == nullptr) throw SoakFault(std::string("no control named ") + name);
  return control;
}

QWindow* SoakSession::Window() const { return form_->windowHandle(); }

QPoint SoakSession::At(QWidget* widget, QPoint point) const {
  return widget->mapTo(form_.get(), point);
}

QPoint SoakSession::RandomPointIn(QWidget* widget, int outside) {
  return {Uniform(-outside, std::max(0, widget->width() - 1) + outside),
          Uniform(-outside, std::max(0, widget->height() - 1) + outside)};
}

void SoakSession::Click(QWidget* widget, QPoint point, int button) {
  QTest::mouseClick(Window(), static_cast<Qt::MouseButton>(button), {}, At(widget, point));
}

void SoakSession::Key(int key, int modifiers) {
  QTest::keyClick(Window(), static_cast<Qt::Key>(key),
                  static_cast<Qt::KeyboardModifiers>(modifiers));
}

void SoakSession::Settle() {
  QApplication::processEvents();
  FinishJobs();
}

bool SoakSession::Busy() const { return form_ != nullptr && form_->Session().Busy(); }

bool SoakSession::WaitIdle(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (Busy() && clock.elapsed() < ms) {
    QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
  }
  return !Busy();
}

void SoakSession::FinishJobs() {
  if (!Busy()) return;
  ++stats_.jobs;
  if (WaitIdle(kPatienceMs)) return;
  ++stats_.cancelledJobs;
  if (record_) record_->Comment("a job ran on: Escape");
  QElapsedTimer clock;
  clock.start();
  QTest::keyClick(Window(), Qt::Key_Escape);
  if (!WaitIdle(kCancelMs)) {
    throw SoakFault("Escape did not end the job within " + std::to_string(kCancelMs) + " ms");
  }
}

int SoakSession::Uniform(int low, int high) {
  if (inputDepth_ > 0) return std::uniform_int_distribution<int>(low, high)(random_);
  if (replay_) return replay_->Uniform(low, high);
  const int value = std::uniform_int_distribution<int>(low, high)(random_);
  if (record_) record_->Uniform(low, high, value);
  return value;
}

bool SoakSession::Chance(double p) {
  if (inputDepth_ > 0) return std::bernoulli_distribution(p)(random_);
  if (replay_) return replay_->Chance();
  const bool value = std::bernoulli_distribution(p)(random_);
  if (record_) record_->Chance(p, value);
  return value;
}

// What goes into a text is not written down choice by choice: the log holds
// the text itself.
std::string SoakSession::Input(std::string (SoakSession::*make)()) {
  if (replay_) return replay_->Text();
  ++inputDepth_;
  std::string text;
  try {
    text = (this->*make)();
  } catch (...) {
    --inputDepth_;
    throw;
  }
  --inputDepth_;
  if (record_) record_->Text(text);
  return text;
}

void SoakSession::ReopenIfClosed() {
  if (form_->isVisible()) return;
  Note("show the window again after Exit");
  form_->show();
  (void)QTest::qWaitForWindowExposed(form_.get());
  form_->activateWindow();
}

// Actions.

void SoakSession::ClickSpinArrow() {
  auto* spin = static_cast<TUpDown*>(Control(Chance(0.6) ? "UpDown1" : "UpDown2"));
  const bool up = Chance(0.55);
  QToolButton* arrow = up ? spin->UpButton() : spin->DownButton();
  const int clicks = Chance(0.7) ? 1 : Chance(0.67) ? Uniform(2, 8) : Uniform(9, 20);
  Note(std::string("click ") + (up ? "up" : "down") + " arrow of " +
       spin->objectName().toStdString() + " x" + std::to_string(clicks));
  for (int i = 0; i < clicks; ++i) Click(arrow, arrow->rect().center(), Qt::LeftButton);
}

void SoakSession::PressSpinKeys() {
  QWidget* edit = Control(Chance(0.6) ? "Edit1" : "Edit2");
  const int presses = Uniform(1, 6);
  std::string keys;
  Click(edit, edit->rect().center(), Qt::LeftButton);
  for (int i = 0; i < presses; ++i) {
    const int pick = Uniform(0, 9);
    const int key = pick < 4   ? Qt::Key_Up
                    : pick < 8 ? Qt::Key_Down
                    : pick < 9 ? Qt::Key_PageUp
                               : Qt::Key_A;
    keys += key == Qt::Key_Up       ? " Up"
            : key == Qt::Key_Down   ? " Down"
            : key == Qt::Key_PageUp ? " PageUp"
                                    : " A";
    Note("keys on " + edit->objectName().toStdString() + ":" + keys);
    Key(key);
  }
}

void SoakSession::ClickButton() {
  const char* name = Chance(0.5) ? "Button1" : "Button2";
  QWidget* button = Control(name);
  const int clicks = Chance(0.85) ? 1 : Uniform(2, 4);
  Note(std::string("click ") + name + " x" + std::to_string(clicks));
  for (int i = 0; i < clicks; ++i) {
    if (Chance(0.2)) {
      Click(button, button->rect().center(), Qt::LeftButton);
      Click(button, button->rect().center(), Qt::LeftButton);
    } else if (Chance(0.2)) {
      // By keyboard: a right click gives the focus without pressing it.
      Click(button, button->rect().center(), Qt::RightButton);
      Key(Qt::Key_Space);
    } else {
      Click(button, RandomPointIn(button, 2), Qt::LeftButton);
    }
  }
}

void SoakSession::ClickChoice() {
  const char* names[] = {"rbMA", "rbKNN", "cbKNN", "opRandomSample"};
  const char* name = names[Uniform(0, 3)];
  QWidget* choice = Control(name);
  Note(std::string("click ") + name);
  // On the mark, near the left edge, where the caption cannot miss it.
  Click(choice, {Uniform(2, 10), choice->height() / 2}, Qt::LeftButton);
}

void SoakSession::DragChart() {
  QWidget* chart = Control(Chance(0.5) ? "chTest" : "chWave");
  const bool right = Chance(0.35);
  const QPoint from = RandomPointIn(chart, 5);
  QPoint to = RandomPointIn(chart, 40);
  if (!right && Chance(0.3)) {
    // Mostly small zooms into the plot, and undo drags up and left.
    const int dx = Uniform(-120, 120);
    const int dy = Uniform(-120, 120);
    to = from + QPoint(dx, dy);
  }
  const int steps = Uniform(1, 8);
  Note(std::string(right ? "right" : "left") + " drag on " + chart->objectName().toStdString() +
       " from (" + std::to_string(from.x()) + "," + std::to_string(from.y()) + ") to (" +
       std::to_string(to.x()) + "," + std::to_string(to.y()) + ") in " + std::to_string(steps) +
       " moves");
  const Qt::MouseButton button = right ? Qt::RightButton : Qt::LeftButton;
  QTest::mousePress(Window(), button, {}, At(chart, from));
  for (int i = 1; i <= steps; ++i) {
    QTest::mouseMove(Window(), At(chart, from + (to - from) * i / steps));
    if (Chance(0.05)) {
      // Another button during the drag, or a resize under it.
      if (Chance(0.5)) {
        QTest::mouseClick(Window(), right ? Qt::LeftButton : Qt::RightButton, {}, At(chart, to));
      } else {
        form_->resize(form_->width() + Uniform(-50, 50), form_->height() + Uniform(-50, 50));
        Settle();
      }
    }
  }
  QTest::mouseRelease(Window(), button, {}, At(chart, to));
  // A still right click opens the context menu; leave it for a later action
  // or close it now.
  if (QApplication::activePopupWidget() != nullptr && Chance(0.5)) Key(Qt::Key_Escape);
}

void SoakSession::TurnWheel() {
  QWidget* target = Control(Chance(0.4)   ? "chTest"
                            : Chance(0.5) ? "chWave"
                            : Chance(0.5) ? "sgTest"
                                          : "sgWave");
  const QPoint point = RandomPointIn(target, 0);
  QWidget* under = target->childAt(point);
  QWidget* receiver = under != nullptr ? under : target;
  const QPoint local = receiver->mapFrom(target, point);
  const int turns = Uniform(-5, 5);
  const int delta = Chance(0.2) ? turns * Uniform(1, 119) : turns * 120;
  Note("wheel " + std::to_string(delta) + " on " + target->objectName().toStdString());
  QWheelEvent wheel(local, receiver->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(receiver, &wheel);
}

void SoakSession::KeysOnView() {
  const char* names[] = {"sgTest", "sgWave", "chTest", "chWave"};
  QWidget* view = Control(names[Uniform(0, 3)]);
  Click(view, RandomPointIn(view, 0), Qt::LeftButton);
  static constexpr std::array<std::pair<int, int>, 18> keys{{
      {Qt::Key_Down, 0},
      {Qt::Key_Up, 0},
      {Qt::Key_Right, 0},
      {Qt::Key_Left, 0},
      {Qt::Key_PageDown, 0},
      {Qt::Key_PageUp, 0},
      {Qt::Key_Home, 0},
      {Qt::Key_End, 0},
      {Qt::Key_End, Qt::ControlModifier},
      {Qt::Key_Home, Qt::ControlModifier},
      {Qt::Key_A, Qt::ControlModifier},
      {Qt::Key_C, Qt::ControlModifier},
      {Qt::Key_V, Qt::ControlModifier},
      {Qt::Key_Plus, 0},
      {Qt::Key_Minus, 0},
      {Qt::Key_Down, Qt::ShiftModifier},
      {Qt::Key_Tab, 0},
      {Qt::Key_Escape, 0},
  }};
  const int presses = Uniform(1, 8);
  std::string pressed;
  for (int i = 0; i < presses; ++i) {
    const auto [key, modifiers] =
        keys[static_cast<std::size_t>(Uniform(0, static_cast<int>(keys.size()) - 1))];
    pressed += " " + QKeySequence(key | modifiers).toString().toStdString();
    Note("keys on " + view->objectName().toStdString() + ":" + pressed);
    if (key == Qt::Key_V) PrepareClipboard();
    Key(key, modifiers);
  }
}

void SoakSession::ContextMenuCommand() {
  const char* names[] = {"sgTest", "sgWave", "chTest", "chWave"};
  QWidget* control = Control(names[Uniform(0, 3)]);
  const bool byKey = Chance(0.2);
  Note("context menu on " + control->objectName().toStdString() +
       (byKey ? " by key" : " by click"));
  if (byKey) {
    Click(control, RandomPointIn(control, 0), Qt::LeftButton);
    Key(Qt::Key_Menu);
  } else {
    Click(control, RandomPointIn(control, 0), Qt::RightButton);
  }
  ChooseFromOpenMenu();
}

void SoakSession::MenuCommand() {
  const char* menus[] = {"File1", "Edit4", "Help1"};
  const int which = Uniform(0, 2);
  auto* menu = static_cast<QMenu*>(Control(menus[which]));
  Note(std::string("open menu ") + menus[which]);
  if (Chance(0.5)) {
    const int letter[] = {Qt::Key_F, Qt::Key_E, Qt::Key_H};
    Key(letter[which], Qt::AltModifier);
  } else {
    auto* bar = form_->menuBar();
    Click(bar, bar->actionGeometry(menu->menuAction()).center(), Qt::LeftButton);
  }
  ChooseFromOpenMenu();
}

// A menu item is written down by its name, not its place: a log stays true
// when items are added to a menu.
QAction* SoakSession::ChosenItem(const std::vector<QAction*>& items, const std::string& name) {
  for (QAction* item : items) {
    if (item->objectName().toStdString() == name) return item;
  }
  throw ActionLogMismatch("no menu item named " + name);
}

QAction* SoakSession::ChosenItem(const std::vector<QAction*>& items) {
  if (replay_) return ChosenItem(items, replay_->Text());
  QAction* chosen = items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(random_)];
  if (record_) record_->Text(chosen->objectName().toStdString());
  return chosen;
}

void SoakSession::ChooseFromOpenMenu() {
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (menu == nullptr) return;
  std::vector<QAction*> items;
  for (QAction* action : menu->actions()) {
    if (!action->isSeparator() && action->isEnabled() && action->isVisible())
      items.push_back(action);
  }
  if (items.empty() || Chance(0.08)) {
    Note("close the menu");
    Key(Qt::Key_Escape);
    return;
  }
  QAction* chosen = ChosenItem(items);
  const std::string name = chosen->objectName().toStdString();
  if (name == "PastData1" || name == "Past1") PrepareClipboard();
  if (name == "Exit1" && Chance(0.7)) {
    Note("close the menu instead of Exit");
    Key(Qt::Key_Escape);
    return;
  }
  if (Chance(0.5)) {
    Note("choose " + name + " by click");
    QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, {},
                      menu->actionGeometry(chosen).center());
  } else {
    Note("choose " + name + " by keys");
    // The first item is not active yet: Down reaches it.
    const auto index = std::find(items.begin(), items.end(), chosen) - items.begin();
    for (long i = 0; i <= index; ++i) Key(Qt::Key_Down);
    if (menu->activeAction() == chosen) {
      Key(Qt::Key_Return);
    } else {
      Note("choose " + name + " by keys missed it; close the menu");
      Key(Qt::Key_Escape);
    }
  }
}

void SoakSession::Shortcut() {
  const int pick = Uniform(0, 2);
  if (pick == 0) {
    Note("Ctrl+O");
    Key(Qt::Key_O, Qt::ControlModifier);
  } else if (pick == 1) {
    Note("Ctrl+S");
    Key(Qt::Key_S, Qt::ControlModifier);
  } else {
    Note("F1");
    Key(Qt::Key_F1);
  }
}

void SoakSession::ResizeWindow() {
  const int width = Chance(0.2) ? Uniform(1, 300) : Uniform(300, 2600);
  const int height = Chance(0.2) ? Uniform(1, 200) : Uniform(200, 1700);
  Note("resize to " + std::to_string(width) + " x " + std::to_string(height));
  form_->resize(width, height);
}

void SoakSession::DropFile() {
  const std::string path = ChooseOpenPath();
  const QPoint point = RandomPointIn(form_.get(), 0);
  Note("drop \"" + path + "\" at (" + std::to_string(point.x()) + "," + std::to_string(point.y()) +
       ")");
  QMimeData data;
  if (!path.empty()) data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  if (Chance(0.1)) data.setText(QStringLiteral("not a file"));
  QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form_.get(), &enter);
  if (!enter.isAccepted() || Chance(0.1)) {
    QDragLeaveEvent leave;
    QApplication::sendEvent(form_.get(), &leave);
    return;
  }
  QDropEvent drop(QPointF(point), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form_.get(), &drop);
}

void SoakSession::Evaluate() {
  const bool cancel = Chance(0.4);
  const int wait = Uniform(0, 300);
  const bool copy = Chance(0.5);
  Note("Ctrl+E, " +
       (cancel ? "Cancel after " + std::to_string(wait) + " ms" : std::string("wait")) +
       (copy ? ", Ctrl+C" : "") + ", Escape");
  struct Drive {
    int tries = 0;
    bool done = false;
    std::string fault;
  };
  const auto drive = std::make_shared<Drive>();
  const std::int32_t levels = std::max(FloorLog2(form_->Session().TestData().Count()), 1);
  RecordingClipboard* clipboard = clipboard_.get();
  // The dialog is modal: it is driven from its own message loop, by a step
  // that looks again a little later while the dialog is not up yet.
  const auto step = std::make_shared<std::function<void()>>();
  const std::weak_ptr<std::function<void()>> again = step;
  *step = [this, drive, again, cancel, wait, copy, levels, clipboard] {
    auto* dialog = qobject_cast<TEvaluateDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      const auto next = again.lock();
      if (++drive->tries < 100 && next) QTimer::singleShot(10, form_.get(), *next);
      return;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(cancel ? wait : 3000);
    while (dialog->Running() && std::chrono::steady_clock::now() < deadline) {
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    if (dialog->Running()) dialog->CancelButton->click();
    const TEvaluation* evaluation = dialog->Evaluation();
    if (evaluation != nullptr && static_cast<std::int32_t>(evaluation->levels.size()) != levels) {
      drive->fault = "evaluation lists " + std::to_string(evaluation->levels.size()) +
                     " levels for " + std::to_string(levels);
    }
    if (copy) {
      QTest::keyClick(dialog->LevelsTable, Qt::Key_C, Qt::ControlModifier);
      if (!clipboard->refuse && clipboard->Text().rfind("Level\tHorizon\t", 0) != 0) {
        drive->fault = "Ctrl+C in the levels table left no levels table";
      }
    }
    QTest::keyClick(dialog, Qt::Key_Escape);
    drive->done = true;
  };
  QTimer::singleShot(0, form_.get(), *step);
  // A menu closed without a choice can leave no window active, and a menu
  // still open takes the keys itself; then no shortcut fires: Ctrl+E is
  // tried only on the active window with no menu open.
  form_->activateWindow();
  Settle();
  if (QApplication::activeWindow() == form_.get() && QApplication::activePopupWidget() == nullptr) {
    Key(Qt::Key_E, Qt::ControlModifier);
  } else {
    form_->findChild<QAction*>(QStringLiteral("Evaluate1"))->trigger();
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!drive->done && drive->tries < 100 && std::chrono::steady_clock::now() < deadline) {
    QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
  }
  if (!drive->done) throw SoakFault("Ctrl+E showed no Evaluate dialog");
  if (!drive->fault.empty()) throw SoakFault(drive->fault);
}

void SoakSession::DragSplitter() {
  const char* names[] = {"Splitter1", "Splitter2", "Splitter3"};
  QWidget* splitter = Control(names[Uniform(0, 2)]);
  const QPoint from = splitter->rect().center();
  const QPoint to = from + QPoint(Uniform(-400, 400), Uniform(-300, 300));
  Note("drag " + splitter->objectName().toStdString() + " by (" +
       std::to_string(to.x() - from.x()) + "," + std::to_string(to.y() - from.y()) + ")");
  QTest::mousePress(Window(), Qt::LeftButton, {}, At(splitter, from));
  QTest::mouseMove(Window(), At(splitter, (from + to) / 2));
  QTest::mouseMove(Window(), At(splitter, to));
  QTest::mouseRelease(Window(), Qt::LeftButton, {}, At(splitter, to));
}

// A command made to run as a job whatever its size, then, while it runs:
// cancelled at a random moment by Escape or by the "Cancel" button, other
// commands tried (they must change nothing), or the window closed. Every
// choice is drawn before the command. Whether the job was stopped before its
// end depends on the machine's speed: the log keeps that outcome, and a
// replay brings it about again (by stopping the job before it can end, or by
// letting it end), so that the log replays alike anywhere.
void SoakSession::JobAction() {
  static constexpr std::array<const char*, 5> kCommands{"Do forecast", "level up", "level down",
                                                        "Save", "Copy Data"};
  static constexpr std::array<const char*, 4> kThen{"Escape", "Cancel button", "commands",
                                                    "close the window"};
  const int command = Uniform(0, static_cast<int>(kCommands.size()) - 1);
  const int then = Uniform(0, static_cast<int>(kThen.size()) - 1);
  const int wait = Uniform(0, 800);
  std::vector<int> pokes(static_cast<std::size_t>(Uniform(1, 10)));
  for (int& poke : pokes) poke = Uniform(0, kPokeKinds - 1);
  const bool replayStopped = replay_ && replay_->Chance();
  Note(std::string(kCommands[static_cast<std::size_t>(command)]) + " as a job, then " +
       kThen[static_cast<std::size_t>(then)] + " after " + std::to_string(wait) + " ms");

  // A save over a file that is already there: a stopped one must leave it
  // whole.
  const fs::path saved = folder_ / "job.qls";
  const std::string old = "0,1.5\r\n1,2.5\r\n";
  if (command == 3) std::ofstream(saved, std::ios::binary | std::ios::trunc) << old;
  const std::string before = StateFingerprint(true);
  const std::string outsidePacket = StateFingerprint(false);
  const std::string clipboardBefore = clipboard_->Text();

  form_->Jobs().SetInlineSize(0);
  forcedPath_ = saved.string();
  auto* level = static_cast<TUpDown*>(Control("UpDown1"));
  switch (command) {
    case 0:
      Click(Control("Button2"), Control("Button2")->rect().center(), Qt::LeftButton);
      break;
    case 1:
    case 2: {
      QToolButton* arrow = command == 1 ? level->UpButton() : level->DownButton();
      Click(arrow, arrow->rect().center(), Qt::LeftButton);
      break;
    }
    case 3:
      form_->findChild<QAction*>(QStringLiteral("Save1"))->trigger();
      break;
    default:
      form_->findChild<QAction*>(QStringLiteral("CopyData1"))->trigger();
      break;
  }
  forcedPath_.clear();
  form_->Jobs().SetInlineSize(inlineSize_);
  const bool started = Busy();
  if (started) ++stats_.jobs;

  // Until the stop, nothing but the events sent here is processed: the job
  // cannot end unseen.
  bool stopped = false;
  const auto stop = [&](bool byButton) {
    stopped = true;
    ++stats_.cancelledJobs;
    if (then == 3) {
      form_->close();
    } else if (byButton && Control("JobCancel")->isVisible()) {
      auto* button = Control("JobCancel");
      Click(button, button->rect().center(), Qt::LeftButton);
    } else {
      QTest::keyClick(Window(), Qt::Key_Escape);
    }
    if (!WaitIdle(kCancelMs)) {
      throw SoakFault(std::string(kThen[static_cast<std::size_t>(then)]) +
                      " did not end the job within " + std::to_string(kCancelMs) + " ms");
    }
  };
  if (started && then == 2) {
    for (const int poke : pokes) {
      Poke(poke);
      if (StateFingerprint(false) != outsidePacket) {
        throw SoakFault("a command changed the state during a job");
      }
      if (!Busy()) throw SoakFault("a command ended the job");
    }
    for (const char* name : {"Open1", "Save1", "CopyData1", "PastData1", "Evaluate1"}) {
      if (form_->findChild<QAction*>(QString::fromLatin1(name))->isEnabled()) {
        throw SoakFault(std::string(name) + " is enabled during a job");
      }
    }
  }
  if (started && replay_) {
    if (replayStopped) stop(false);
  } else if (started && then != 2) {
    // The "Cancel" button shows after half a second; until then Escape.
    QElapsedTimer clock;
    clock.start();
    while (Busy() && clock.elapsed() < wait) {
      QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    if (Busy()) stop(then == 1);
  }
  if (!WaitIdle(replay_ ? 600000 : kPatienceMs)) stop(false);
  if (!replay_ && record_) record_->Chance(0.5, stopped);
  Settle();
  // A job that ran long enough to show its progress disabled the parameters,
  // and the keyboard focus left them; where it went depends on the
  // machine's speed, and it decides where later keys go.
  Control("Button2")->setFocus();
  if (stopped) {
    if (StateFingerprint(true) != before) throw SoakFault("a cancelled job changed the state");
    if (clipboard_->Text() != clipboardBefore) {
      throw SoakFault("a cancelled copy changed the clipboard");
    }
  }
  if (command == 3) {
    // Whole, the old file or the new one; never a part.
    std::ifstream in(saved, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto lines = std::count(text.begin(), text.end(), '\n');
    if (text != old && lines != form_->Session().TestData().Count()) {
      throw SoakFault("a stopped save left " + std::to_string(text.size()) + " bytes");
    }
  }
}

// Commands a user may try while a job runs; the window must take none.
void SoakSession::Poke(int kind) {
  const auto press = [this](const char* name, QPoint point) {
    QWidget* widget = Control(name);
    const QPointF local(point);
    const QPointF global(widget->mapToGlobal(point));
    QMouseEvent down(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(widget, &up);
  };
  const auto key = [this](const char* name, int code) {
    QWidget* widget = Control(name);
    QKeyEvent down(QEvent::KeyPress, code, Qt::NoModifier);
    QApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, code, Qt::NoModifier);
    QApplication::sendEvent(widget, &up);
  };
  switch (kind) {
    case 0:
      Note("during the job: click Button1");
      press("Button1", Control("Button1")->rect().center());
      break;
    case 1:
      Note("during the job: click Button2");
      press("Button2", Control("Button2")->rect().center());
      break;
    case 2:
      Note("during the job: Up on Edit1");
      key("Edit1", Qt::Key_Up);
      break;
    case 3:
      Note("during the job: click rbKNN");
      press("rbKNN", {5, Control("rbKNN")->height() / 2});
      break;
    case 4:
      Note("during the job: Space on Button1");
      key("Button1", Qt::Key_Space);
      break;
    case 5: {
      Note("during the job: Open, Paste Data, Evaluate from the menus");
      for (const char* name : {"Open1", "PastData1", "Evaluate1", "ExportWaveData1"}) {
        QAction* action = form_->findChild<QAction*>(QString::fromLatin1(name));
        // An enabled one would open its dialog here and wait for an answer.
        if (action->isEnabled()) throw SoakFault(std::string(name) + " is enabled during a job");
        action->trigger();
      }
      break;
    }
    case 6: {
      Note("during the job: a file dropped");
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(QString::fromStdString((folder_ / "job.qls").string()))});
      QDropEvent drop(QPointF(form_->rect().center()), Qt::CopyAction, &data, Qt::LeftButton,
                      Qt::NoModifier);
      QApplication::sendEvent(form_.get(), &drop);
      break;
    }
    default:
      Note("during the job: click the wave chart");
      press("chWave", Control("chWave")->rect().center());
      break;
  }
}

// The series, the packet, the forecast settings and the choices the window
// shows. A level step's compute moves the packet on the workers: while a job
// runs, only the rest is read.
std::string SoakSession::StateFingerprint(bool withPacket) const {
  const TSampleData& data = form_->Session().TestData();
  const TWavelet& wavelet = form_->Session().Wavelet();
  std::uint64_t hash = 1469598103934665603ULL;
  const auto mix = [&hash](double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    hash = (hash ^ bits) * 1099511628211ULL;
  };
  for (std::int32_t i = 0; i < data.Count(); ++i) mix(data.YData()[i]);
  if (withPacket) {
    for (std::int32_t b = 0; b < wavelet.BandCount(); ++b) {
      for (const double value : wavelet.BandValues(b)) mix(value);
    }
  }
  const TForecastSettings& settings = form_->Session().ForecastSettings();
  const auto checked = [this](const char* name) {
    return static_cast<const QAbstractButton*>(Control(name))->isChecked() ? "1" : "0";
  };
  const std::string packet =
      withPacket ? std::to_string(wavelet.Level()) + " " + std::to_string(wavelet.BandCount()) : "";
  return std::to_string(data.Count()) + " " + packet + " " + std::to_string(hash) + " " +
         std::to_string(static_cast<int>(settings.method)) + " " +
         std::to_string(settings.window) + " " + (settings.useWindowAverage ? "1" : "0") + " " +
         checked("rbKNN") + checked("opRandomSample");
}

// Inputs.

int SoakSession::SampleCount() {
  const int pick = Uniform(0, 99);
  if (pick < 5) return 0;
  if (pick < 30) return Uniform(1, 16);
  if (pick < 70) return Uniform(17, 1000);
  if (pick < 90) return Uniform(1001, 20000);
  if (pick < 98) return Uniform(20001, 100000);
  return Uniform(100001, kMaxSamples);
}

std::string SoakSession::ValueText(int mode) {
  static constexpr std::array<const char*, 14> extremes{"1E308",
                                                        "-1E308",
                                                        "1.7976931348623157E308",
                                                        "-1.7976931348623157E308",
                                                        "NAN",
                                                        "INF",
                                                        "-INF",
                                                        "4.9E-324",
                                                        "1E400",
                                                        "-0",
                                                        "1E-320",
                                                        "99999999999999999999",
                                                        "1.5E308",
                                                        "-1.5E308"};
  const bool extreme = mode == 2 || (mode == 1 && Chance(0.05));
  if (extreme) {
    return extremes[static_cast<std::size_t>(Uniform(0, static_cast<int>(extremes.size()) - 1))];
  }
  double value = std::normal_distribution<double>(0, 1)(random_);
  if (mode == 3) value *= 1e307;
  if (Chance(0.1)) value *= std::pow(10.0, Uniform(-20, 20));
  std::array<char, 64> buffer{};
  const int form = Uniform(0, 2);
  if (form == 0) {
    std::snprintf(buffer.data(), buffer.size(), "%.8f", value);
  } else if (form == 1) {
    std::snprintf(buffer.data(), buffer.size(), "%.17g", value);
  } else {
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size() - 1, value);
    *end.ptr = '\0';
  }
  return buffer.data();
}

std::string SoakSession::HostileText() {
  std::string text;
  const int pick = Uniform(0, 6);
  if (pick == 0) {
    const int n = Uniform(0, 4096);
    for (int i = 0; i < n; ++i) text.push_back(static_cast<char>(Uniform(0, 255)));
  } else if (pick == 1) {
    // One enormous token.
    text.assign(static_cast<std::size_t>(Uniform(1000, 2000000)), '9');
  } else if (pick == 2) {
    const int n = Uniform(0, 3000);
    const char* pieces[] = {",", ";", "\t", " ", "\r", "\n",  "\"",  "\"\"",  "E",    "e", "-",
                            "+", ".", "0",  "1", "9",  "NAN", "INF", "1E308", "\r\n", "x", "\xff"};
    for (int i = 0; i < n; ++i) text += pieces[Uniform(0, static_cast<int>(std::size(pieces)) - 1)];
  } else if (pick == 3) {
    // Blank lines only, or none.
    text.assign(static_cast<std::size_t>(Uniform(0, 5000)), Chance(0.5) ? '\n' : ' ');
  } else if (pick == 4) {
    const int n = Uniform(1, 3000);
    for (int i = 0; i < n; ++i) text += "\"" + ValueText(1) + "\",\"" + ValueText(1) + "\"\r\n";
  } else if (pick == 5) {
    // Very long lines of many fields.
    const int n = Uniform(1, 100000);
    for (int i = 0; i < n; ++i) text += ValueText(1) + (Chance(0.5) ? ";" : " ");
  } else {
    // A spreadsheet's "Unicode text": UTF-16 (now and then UTF-32) with a
    // byte-order mark, either byte order, at times with a lone surrogate, a
    // character beyond the first plane or half a code unit at the end.
    const std::string plain = ForeignText();
    const int bytes = Chance(0.8) ? 2 : 4;
    const bool bigEndian = Chance(0.5);
    const auto unit = [&](std::uint32_t value) {
      for (int i = 0; i < bytes; ++i) {
        text.push_back(static_cast<char>(value >> (8 * (bigEndian ? bytes - 1 - i : i))));
      }
    };
    unit(0xFEFF);
    for (const char c : plain) {
      if (Chance(0.001)) unit(bytes == 2 ? 0xD800 + static_cast<std::uint32_t>(Uniform(0, 2047))
                                         : 0x1F600);
      unit(static_cast<unsigned char>(c));
    }
    if (Chance(0.2)) text.push_back('\x31');
  }
  return text;
}

std::string SoakSession::ForeignText() {
  const int count = SampleCount() / 4;
  const int columns = Uniform(1, 6);
  const bool semicolons = Chance(0.3);
  const bool decimalComma = semicolons && Chance(0.5);
  const char delimiter = semicolons ? ';' : Chance(0.2) ? '\t' : ',';
  const bool quoted = Chance(0.3);
  std::string text = Chance(0.1) ? "\xEF\xBB\xBF" : "";
  if (Chance(0.2)) text += "# written by another tool\n";
  const auto field = [&](std::string value) { return quoted ? "\"" + value + "\"" : value; };
  if (Chance(0.7)) {
    for (int c = 0; c < columns; ++c) {
      text += (c > 0 ? std::string(1, delimiter) : "") +
              field(c == 0 && Chance(0.3) ? "" : "col" + std::to_string(c));
    }
    text += Chance(0.5) ? "\r\n" : "\n";
  }
  static constexpr std::array<const char*, 9> missing{"NA", "NaN", "nan", "null", "N/A",
                                                      "",   "inf", "Inf", "-Inf"};
  for (int i = 0; i < count; ++i) {
    for (int c = 0; c < columns; ++c) {
      std::string value = c == 0 ? std::to_string(i)
                          : Chance(0.05)
                              ? missing[static_cast<std::size_t>(Uniform(0, missing.size() - 1))]
                              : ValueText(0);
      if (decimalComma) std::replace(value.begin(), value.end(), '.', ',');
      text += (c > 0 ? std::string(1, delimiter) : "") + field(value);
    }
    text += Chance(0.5) ? "\r\n" : "\n";
  }
  return text;
}

std::string SoakSession::SampleFileText() {
  if (Chance(0.15)) return HostileText();
  if (Chance(0.2)) return ForeignText();
  const int count = SampleCount();
  const int mode = Uniform(0, 3);
  std::string text;
  text.reserve(static_cast<std::size_t>(count) * 24);
  for (int i = 0; i < count; ++i) {
    text += Chance(0.98) ? std::to_string(i) : ValueText(mode);
    text += ',';
    text += ValueText(mode);
    text += "\r\n";
  }
  if (count > 0 && Chance(0.3)) text.resize(text.size() - 2);
  return text;
}

std::string SoakSession::PasteText() {
  if (Chance(0.15)) return HostileText();
  if (Chance(0.2)) return ForeignText();
  const int count = SampleCount();
  const int mode = Uniform(0, 3);
  const int layout = Uniform(0, 4);
  std::string text;
  if (layout == 2) text += "Time\tValue\r\n";
  // Another tool's columns, with missing values, as a spreadsheet copies them.
  if (layout == 4) text += ",YEAR,SUNACTIVITY\r\n";
  for (int i = 0; i < count; ++i) {
    if (layout == 1) {
      text += ValueText(mode) + "\r\n";
    } else if (layout == 4) {
      text += std::to_string(i) + "," + std::to_string(1700 + i) + "," +
              (Chance(0.1) ? std::string("NA") : ValueText(mode)) + "\r\n";
    } else if (layout == 3) {
      text += std::to_string(i) + "; " + ValueText(mode) + " ";
    } else {
      text += std::to_string(i) + "\t" + ValueText(mode) + "\r\n";
    }
  }
  return text;
}

void SoakSession::PrepareClipboard() {
  const int pick = Uniform(0, 9);
  clipboard_->refuse = pick == 0;
  if (pick <= 3) return;  // whatever an earlier copy left
  if (pick == 4) {
    clipboard_->data.reset();
  } else {
    const std::string text = Input(&SoakSession::PasteText);
    clipboard_->HoldText(text);
  }
}

std::string SoakSession::ChooseOpenPath() {
  const int pick = Uniform(0, 19);
  if (pick == 0) return "";
  if (pick == 1) return (folder_ / "missing.qls").string();
  if (pick == 2) return folder_.string();
  if (pick == 3) return (folder_ / std::string(300, 'x')).string();
  if (pick == 4) return (folder_ / "no folder" / "a.qls").string();
  if (pick == 5) {
    // Files that are not stored files: they may block or never end.
    const fs::path pipe = folder_ / "pipe.qls";
    if (!fs::exists(pipe)) ::mkfifo(pipe.c_str(), 0600);
    const char* special[] = {"/dev/zero", "/dev/null", "/proc/kmsg", "/proc/self/status",
                             "/sys/kernel/mm/transparent_hugepage/enabled"};
    const int which = Uniform(0, static_cast<int>(std::size(special)));
    return which == static_cast<int>(std::size(special)) ? pipe.string() : special[which];
  }
  const fs::path path = folder_ / ("in-" + std::to_string(Uniform(0, 7)) + ".qls");
  if (pick == 6 && fs::exists(path)) return path.string();  // what a Save may have written
  std::ofstream(path, std::ios::binary | std::ios::trunc) << Input(&SoakSession::SampleFileText);
  return path.string();
}

std::string SoakSession::ChooseSavePath() {
  const int pick = Uniform(0, 9);
  if (pick == 0) return "";
  if (pick == 1) return folder_.string();
  if (pick == 2) return (folder_ / "no folder" / "b.qls").string();
  if (pick == 3) return "/proc/fendrel-soak.qls";
  if (pick == 4) {
    const fs::path pipe = folder_ / "pipe.qls";
    if (!fs::exists(pipe)) ::mkfifo(pipe.c_str(), 0600);
    return pipe.string();
  }
  return (folder_ / ("in-" + std::to_string(Uniform(0, 7)) + ".qls")).string();
}

}  // namespace fendrel
