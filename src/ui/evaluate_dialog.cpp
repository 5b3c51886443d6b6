#include "ui/evaluate_dialog.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QColor>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <optional>
#include <utility>
#include <variant>

#include "chart/chart.h"
#include "chart/series.h"
#include "core/parallel.h"
#include "forecast/evaluation_table.h"
#include "platform/application.h"
#include "platform/clipboard.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/job_runner.h"
#include "sample/huge_page_allocator.h"
#include "sample/text_format.h"
#include "ui/tooltips.h"

namespace fendrel {

// A read-only view of an evaluation table whose cells are worked out when
// shown: the per-horizon table of a deep level has hundreds of thousands of
// rows.
class TEvaluationTableModel : public QAbstractTableModel {
 public:
  using TGridText = std::function<QString(const TTableCell& cell, int row, int column)>;
  using TStandsOut = std::function<bool(int row)>;

  TEvaluationTableModel(TTable table, QObject* parent)
      : QAbstractTableModel(parent), table_(std::move(table)) {}

  void Reset(TTable table, TGridText text = {}, TStandsOut standsOut = {}) {
    beginResetModel();
    table_ = std::move(table);
    text_ = std::move(text);
    standsOut_ = std::move(standsOut);
    endResetModel();
  }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(table_.rows);
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(table_.columns.size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) {
      const TTableCell cell = table_.cell(index.row(), index.column());
      return text_ ? text_(cell, index.row(), index.column()) : GridText(cell);
    }
    if (role == Qt::TextAlignmentRole) {
      return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    }
    const bool out = standsOut_ && standsOut_(index.row());
    if (role == Qt::BackgroundRole && out) return QBrush(QColor(0xd4, 0xf0, 0xd4));
    if (role == Qt::FontRole && out) {
      QFont font;
      font.setBold(true);
      return font;
    }
    return {};
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal) return {};
    if (section < 0 || section >= static_cast<int>(table_.columns.size())) return {};
    const QString name = QString::fromStdString(table_.columns[static_cast<std::size_t>(section)]);
    if (role == Qt::DisplayRole) return name;
    if (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole) {
      const QString tip = EvaluationColumnTip(name);
      if (tip.isEmpty()) return {};
      // As rich text a tooltip wraps at words.
      if (role == Qt::ToolTipRole) return QStringLiteral("<p>") + tip.toHtmlEscaped() + "</p>";
      return tip;
    }
    return {};
  }

  // A field as the grid shows it: numbers with 15 digits and 6 decimals.
  static QString GridText(const TTableCell& cell) {
    if (const auto* integer = std::get_if<std::int64_t>(&cell)) return QString::number(*integer);
    if (const auto* number = std::get_if<double>(&cell)) {
      return QString::fromStdString(FormatFixed(*number, 15, 6));
    }
    if (const auto* text = std::get_if<std::string>(&cell)) return QString::fromStdString(*text);
    return {};
  }

 private:
  TTable table_;
  TGridText text_;
  TStandsOut standsOut_;
};

namespace {

constexpr int kProgressSteps = 1000;

// The tables' columns while no evaluation has finished.
const TEvaluation& NoEvaluation() {
  static const TEvaluation none;
  return none;
}

// `count` values, value(i) for each, written straight into a buffer a chart
// series can share, on every worker: a test span holds millions of them.
template <typename Value>
TSharedValues SharedValues(std::size_t count, const Value& value) {
  const std::shared_ptr<double[]> made = MakeSharedLarge(std::max<std::size_t>(count, 1));
  ForEachRange(count, std::size_t{1} << 16, [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) made[i] = value(i);
  });
  return {made, made.get(), static_cast<int>(count)};
}

void SetUpSeries(TLineSeries& series, const char* title, TColor color, TChart* chart) {
  series.SetTitle(title);
  series.SetSeriesColor(color);
  series.Marks().SetVisible(false);
  series.Pointer().SetVisible(false);
  series.XValues().SetOrder(loAscending);
  series.YValues().SetOrder(loNone);
  series.SetParentChart(chart);
}

}  // namespace

TEvaluateDialog::TEvaluateDialog(TSession& session, TQtJobRunner& jobs, QWidget* parent)
    : QDialog(parent),
      session_(session),
      jobs_(jobs),
      series_(session.TestData()),
      settings_(session.ForecastSettings()) {
  setWindowTitle(QStringLiteral("Evaluate forecast"));
  setModal(true);
  setObjectName(QStringLiteral("EvaluateDialog"));
  resize(1100, 700);

  auto* layout = new QVBoxLayout(this);
  MethodLabel = new QLabel(QString::fromStdString(MethodText(settings_)), this);
  layout->addWidget(MethodLabel);

  auto* inputs = new QHBoxLayout;
  const std::int32_t count = series_.Count();
  SpanSpin = new QSpinBox(this);
  SpanSpin->setRange(1, std::max(count - 1, 1));
  SpanSpin->setValue(DefaultTestSpan(count));
  SpanSpin->setObjectName(QStringLiteral("SpanSpin"));
  OriginsSpin = new QSpinBox(this);
  OriginsSpin->setRange(1, 1'000'000);
  OriginsSpin->setValue(TEvaluationSettings{}.maxOrigins);
  OriginsSpin->setObjectName(QStringLiteral("OriginsSpin"));
  auto* spanLabel = new QLabel(QStringLiteral("&Test span (last samples):"), this);
  spanLabel->setBuddy(SpanSpin);
  auto* originsLabel = new QLabel(QStringLiteral("&Origins per level at most:"), this);
  originsLabel->setBuddy(OriginsSpin);
  inputs->addWidget(spanLabel);
  inputs->addWidget(SpanSpin);
  inputs->addSpacing(16);
  inputs->addWidget(originsLabel);
  inputs->addWidget(OriginsSpin);
  SeasonSpin = new QSpinBox(this);
  SeasonSpin->setRange(1, std::max((count - SpanSpin->value()) / 2, 1));
  SeasonSpin->setValue(1);
  SeasonSpin->setObjectName(QStringLiteral("SeasonSpin"));
  auto* seasonLabel = new QLabel(QStringLiteral("&Season:"), this);
  seasonLabel->setBuddy(SeasonSpin);
  SeasonSourceLabel = new QLabel(QStringLiteral("found in the series"), this);
  SeasonSourceLabel->setObjectName(QStringLiteral("SeasonSourceLabel"));
  inputs->addSpacing(16);
  inputs->addWidget(seasonLabel);
  inputs->addWidget(SeasonSpin);
  inputs->addWidget(SeasonSourceLabel);
  inputs->addStretch(1);
  layout->addLayout(inputs);

  auto* splitter = new QSplitter(Qt::Vertical, this);
  auto* tables = new QWidget(splitter);
  auto* tablesLayout = new QGridLayout(tables);
  tablesLayout->setContentsMargins(0, 0, 0, 0);
  levelsModel_ = new TEvaluationTableModel(fendrel::LevelsTable(NoEvaluation()), this);
  LevelsTable = new QTableView(tables);
  LevelsTable->setObjectName(QStringLiteral("LevelsTable"));
  LevelsTable->setModel(levelsModel_);
  LevelsTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  LevelsTable->setSelectionMode(QAbstractItemView::SingleSelection);
  LevelsTable->verticalHeader()->setVisible(false);
  LevelsTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  BestLabel = new QLabel(tables);
  BestLabel->setObjectName(QStringLiteral("BestLabel"));
  BestLabel->setWordWrap(true);
  CoverageLabel = new QLabel(tables);
  CoverageLabel->setObjectName(QStringLiteral("CoverageLabel"));
  horizonModel_ = new TEvaluationTableModel(fendrel::HorizonTable(NoEvaluation(), 0), this);
  HorizonTable = new QTableView(tables);
  HorizonTable->setObjectName(QStringLiteral("HorizonTable"));
  HorizonTable->setModel(horizonModel_);
  HorizonTable->verticalHeader()->setVisible(false);
  HorizonTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  HorizonTable->setWordWrap(false);
  LevelsTable->setWordWrap(false);
  tablesLayout->addWidget(LevelsTable, 0, 0);
  tablesLayout->addWidget(HorizonTable, 0, 1);
  tablesLayout->addWidget(BestLabel, 1, 0, 1, 2);
  tablesLayout->addWidget(CoverageLabel, 2, 0, 1, 2);
  tablesLayout->setColumnStretch(0, 5);
  tablesLayout->setColumnStretch(1, 2);

  Chart = new TChart(splitter);
  Chart->setObjectName(QStringLiteral("EvaluationChart"));
  Chart->SetView3D(false);
  Chart->Title().ClearText();
  Chart->Title().AddText("Test span");
  Chart->BottomAxis().Title().SetCaption("Time");
  Chart->LeftAxis().Title().SetCaption("Values");
  Chart->Legend().SetVisible(true);
  Chart->Legend().SetAlignment(laBottom);
  Chart->Legend().SetLegendStyle(lsSeries);
  Chart->BackWall().Brush().SetColor(clWhite);
  Chart->BackWall().Brush().SetStyle(bsClear);
  actual_ = std::make_unique<TLineSeries>();
  forecast_ = std::make_unique<TLineSeries>();
  naive_ = std::make_unique<TLineSeries>();
  SetUpSeries(*actual_, "Actual", clBlue, Chart);
  SetUpSeries(*forecast_, "Forecast", clRed, Chart);
  SetUpSeries(*naive_, "Naive", clGreen, Chart);
  best_ = std::make_unique<TLineSeries>();
  next_ = std::make_unique<TLineSeries>();
  low80_ = std::make_unique<TLineSeries>();
  high80_ = std::make_unique<TLineSeries>();
  low95_ = std::make_unique<TLineSeries>();
  high95_ = std::make_unique<TLineSeries>();
  SetUpSeries(*best_, "Best simple forecast", clOlive, Chart);
  SetUpSeries(*next_, "Next block", clFuchsia, Chart);
  SetUpSeries(*low80_, "80 % low", clPurple, Chart);
  SetUpSeries(*high80_, "80 % high", clPurple, Chart);
  SetUpSeries(*low95_, "95 % low", clGray, Chart);
  SetUpSeries(*high95_, "95 % high", clGray, Chart);
  for (TLineSeries* bound : {low80_.get(), high80_.get(), low95_.get(), high95_.get()}) {
    bound->LinePen().SetStyle(psDash);
  }
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 1);
  layout->addWidget(splitter, 1);

  auto* running = new QHBoxLayout;
  Progress = new QProgressBar(this);
  Progress->setRange(0, kProgressSteps);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  running->addWidget(Progress, 1);
  running->addWidget(CancelButton);
  layout->addLayout(running);

  auto* buttons = new QHBoxLayout;
  CopyChartButton = new QPushButton(QStringLiteral("Copy C&hart"), this);
  ExportPictureButton = new QPushButton(QStringLiteral("&Export Picture..."), this);
  CopyForecastsButton = new QPushButton(QStringLiteral("Copy &Forecasts"), this);
  CloseButton = new QPushButton(QStringLiteral("Close"), this);
  for (QPushButton* button : {CopyChartButton, ExportPictureButton, CopyForecastsButton}) {
    buttons->addWidget(button);
    button->setAutoDefault(false);
  }
  buttons->addStretch(1);
  buttons->addWidget(CloseButton);
  CancelButton->setAutoDefault(false);
  CloseButton->setAutoDefault(false);
  layout->addLayout(buttons);

  connect(&jobs_, &TQtJobRunner::Progressed, this, [this](double fraction) {
    if (running_) Progress->setValue(static_cast<int>(fraction * kProgressSteps));
  });
  // An evaluation that failed or was cancelled ends without a result.
  connect(&jobs_, &TQtJobRunner::Ended, this, [this] {
    if (!running_ || restart_->isActive()) return;
    running_ = false;
    ShowRunning(false);
  });
  // A run of spin steps starts one evaluation, not one per step.
  restart_ = new QTimer(this);
  restart_->setSingleShot(true);
  restart_->setInterval(150);
  connect(restart_, &QTimer::timeout, this, [this] { Start(); });
  const auto changed = [this] { restart_->start(); };
  connect(SpanSpin, &QSpinBox::valueChanged, this, [this, changed] {
    SpanChanged();
    changed();
  });
  connect(OriginsSpin, &QSpinBox::valueChanged, this, changed);
  connect(SeasonSpin, &QSpinBox::valueChanged, this, [this, changed] {
    SeasonSetByUser();
    changed();
  });
  connect(CancelButton, &QPushButton::clicked, this, [this] {
    StopJob();
    ShowRunning(false);
  });
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(CopyChartButton, &QPushButton::clicked, this,
          [this] { RunCommand(this, [&] { CopyChart(); }); });
  connect(ExportPictureButton, &QPushButton::clicked, this,
          [this] { RunCommand(this, [&] { ExportPicture(); }); });
  connect(CopyForecastsButton, &QPushButton::clicked, this,
          [this] { RunCommand(this, [&] { CopyForecasts(); }); });
  connect(LevelsTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this] { ShowSelectedLevel(); });

  LevelsTable->installEventFilter(this);
  setTabOrder(LevelsTable, HorizonTable);
  LevelsTable->setFocus();
  Start();
}

TEvaluateDialog::~TEvaluateDialog() {
  // Nothing of a running evaluation reaches a dialog that is gone: the
  // session drops a cancelled job whole.
  StopJob();
}

std::string TEvaluateDialog::MethodText(const TForecastSettings& settings) {
  std::string text = settings.method == fmMovingAverage ? "Moving average" : "K-Nearest-Neighbor";
  text += settings.window > 0 ? ", window " + std::to_string(settings.window)
                              : std::string(", automatic window");
  if (settings.method == fmNearestNeighbor) {
    text += settings.useWindowAverage ? ", window average" : ", nearest run";
  }
  return text;
}

bool TEvaluateDialog::Running() const { return running_ || restart_->isActive(); }

void TEvaluateDialog::Start() {
  StopJob();
  const TEvaluationSettings settings{settings_, SpanSpin->value(), OriginsSpin->value(),
                                     seasonSetByUser_ ? SeasonSpin->value() : 0};
  running_ = true;
  ShowRunning(true);
  // The result is handed over, not copied: at millions of samples it holds
  // every origin's forecasts.
  session_.Evaluate(settings, [this](TEvaluation&& evaluation) {
    running_ = false;
    ShowRunning(false);
    evaluation_ = std::make_unique<TEvaluation>(std::move(evaluation));
    ShowEvaluation();
  });
  // A failure has gone to the error box; an evaluation that ran at once is
  // shown already.
  if (!session_.Busy() && running_) {
    running_ = false;
    ShowRunning(false);
  }
}

void TEvaluateDialog::StopJob() {
  restart_->stop();
  if (!running_) return;
  session_.Cancel();
  running_ = false;
}

void TEvaluateDialog::SeasonSetByUser() {
  seasonSetByUser_ = true;
  SeasonSourceLabel->setText(QStringLiteral("set by you"));
}

void TEvaluateDialog::SpanChanged() {
  // The season is looked for before the test span, in at most half of it.
  const QSignalBlocker quiet(SeasonSpin);
  SeasonSpin->setMaximum(std::max((series_.Count() - SpanSpin->value()) / 2, 1));
}

void TEvaluateDialog::ShowRunning(bool running) {
  Progress->setVisible(running);
  CancelButton->setVisible(running);
  if (running) Progress->setValue(0);
}

void TEvaluateDialog::ShowEvaluation() {
  const TEvaluation& evaluation = *evaluation_;
  const TEvaluation* shown = &evaluation;
  levelsModel_->Reset(
      fendrel::LevelsTable(evaluation),
      [shown](const TTableCell& cell, int row, int column) {
        const TLevelEvaluation& level = shown->levels[static_cast<std::size_t>(row)];
        if (!level.Evaluable() && column == 3) return QStringLiteral("not evaluable");
        return TEvaluationTableModel::GridText(cell);
      },
      [shown](int row) { return shown->levels[static_cast<std::size_t>(row)].BeatsBest(); });

  if (evaluation.seasonFound) {
    const QSignalBlocker quiet(SeasonSpin);
    SeasonSpin->setValue(evaluation.season);
  }
  MethodLabel->setText(
      QString::fromStdString(MethodText(settings_) + "; " + SeasonText(evaluation)));
  BestLabel->setText(QString::fromStdString(VerdictText(evaluation)));

  std::optional<std::int32_t> best = evaluation.VerdictLevel();
  if (!best) best = evaluation.ClosestLevel();
  int select = 0;
  if (best) {
    select = *best;
  } else {
    const auto first = std::ranges::find_if(evaluation.levels, &TLevelEvaluation::Evaluable);
    if (first != evaluation.levels.end()) select = first->level;
  }
  // A new current row shows itself; the same row again must be shown anew.
  const bool same = LevelsTable->currentIndex().row() == select;
  SelectLevel(select);
  if (same) ShowSelectedLevel();
}

int TEvaluateDialog::SelectedLevel() const {
  const QModelIndex current = LevelsTable->currentIndex();
  return current.isValid() ? current.row() : 0;
}

void TEvaluateDialog::SelectLevel(int level) {
  if (level < 0 || level >= levelsModel_->rowCount()) return;
  LevelsTable->setCurrentIndex(levelsModel_->index(level, 0));
}

void TEvaluateDialog::ShowSelectedLevel() {
  for (TLineSeries* series :
       {actual_.get(), forecast_.get(), naive_.get(), best_.get(), next_.get(), low80_.get(),
        high80_.get(), low95_.get(), high95_.get()}) {
    series->ClearPoints();
  }
  CoverageLabel->clear();
  if (!evaluation_ || evaluation_->levels.empty()) {
    horizonModel_->Reset(fendrel::HorizonTable(NoEvaluation(), 0));
    return;
  }
  const auto index = static_cast<std::size_t>(
      std::clamp(SelectedLevel(), 0, static_cast<int>(evaluation_->levels.size()) - 1));
  const TLevelEvaluation* level = &evaluation_->levels[index];
  horizonModel_->Reset(fendrel::HorizonTable(*evaluation_, level->level));

  const double* x = series_.YData();
  const std::int32_t count = series_.Count();
  // A test span of millions of points goes to the chart as whole buffers:
  // point by point it would hold up the window.
  const std::int32_t first = std::max(count - evaluation_->settings.testSpan, 0);
  const auto span = static_cast<std::size_t>(count - first);
  actual_->SharePoints(
      SharedValues(span, [&](std::size_t i) { return static_cast<double>(first) + i; }),
      SharedValues(span, [&](std::size_t i) { return x[first + i]; }));
  const auto h = static_cast<std::size_t>(std::max(level->horizon, 1));
  const TSimpleForecast simple = level->bestSimple.value_or(sfNaive);
  const std::size_t steps = std::min(
      level->origins.size() * static_cast<std::size_t>(level->horizon), level->forecasts.size());
  const auto origin = [&](std::size_t i) { return level->origins[i / h]; };
  const TSharedValues at = SharedValues(steps, [&](std::size_t i) {
    return static_cast<double>(origin(i)) + static_cast<double>(i % h);
  });
  forecast_->SharePoints(at,
                         SharedValues(steps, [&](std::size_t i) { return level->forecasts[i]; }));
  naive_->SharePoints(at, SharedValues(steps, [&](std::size_t i) { return x[origin(i) - 1]; }));
  best_->SharePoints(at, SharedValues(steps, [&](std::size_t i) {
                       return level->Simple(x, evaluation_->season, simple, i / h,
                                            static_cast<std::int32_t>(i % h));
                     }));
  const std::vector<TInterval> intervals = StepIntervals(*level);
  for (std::size_t j = 0; j < level->next.size() && j < intervals.size(); ++j) {
    const double at = static_cast<double>(count) + static_cast<double>(j);
    const double f = level->next[j];
    const TInterval& step = intervals[j];
    next_->AddPoint(at, f);
    low80_->AddPoint(at, f + step.low80);
    high80_->AddPoint(at, f + step.high80);
    low95_->AddPoint(at, f + step.low95);
    high95_->AddPoint(at, f + step.high95);
  }
  best_->SetTitle("Best simple forecast (" + std::string(SimpleForecastName(simple)) + ")");
  CoverageLabel->setText(QString::fromStdString(CoverageText(*level)));
  Chart->Title().ClearText();
  Chart->Title().AddText("Test span, level " + std::to_string(level->level));
}

std::string TEvaluateDialog::LevelsText() const {
  return TableText(fendrel::LevelsTable(evaluation_ ? *evaluation_ : NoEvaluation()));
}

std::string TEvaluateDialog::ForecastsText() const {
  if (!evaluation_) return TableText(fendrel::ForecastsTable(NoEvaluation(), series_, 0));
  return TableText(fendrel::ForecastsTable(*evaluation_, series_, SelectedLevel()));
}

void TEvaluateDialog::ExportPicture() {
  // The same choice as the window's Export Picture... offers.
  TFileDialog dialog(fdSave, "png", kPictureFilter);
  dialog.SetTitle("Export Picture");
  if (!dialog.Execute(DesktopOf(this).dialogs)) return;
  Chart->SavePictureToFile(dialog.FileName(), PictureFormatOfPath(dialog.FileName()));
}

void TEvaluateDialog::CopyChart() {
  Chart->CopyPictureToClipboard(true);
  DesktopOf(this).dialogs.ShowMessage("Chart copied.");
}

void TEvaluateDialog::CopyForecasts() {
  const TDesktop desktop = DesktopOf(this);
  desktop.clipboard.SetText(ForecastsText());
  desktop.dialogs.ShowMessage("Forecasts copied.");
}

bool TEvaluateDialog::eventFilter(QObject* watched, QEvent* event) {
  // Before the table's own copy, which would take the current cell only.
  if (watched == LevelsTable && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    RunCommand(this, [&] { DesktopOf(this).clipboard.SetText(LevelsText()); });
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace fendrel
