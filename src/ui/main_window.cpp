#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <memory>
#include <string>

#include "chart/chart.h"
#include "chart/series.h"
#include "platform/application.h"
#include "platform/busy_cursor.h"
#include "platform/clipboard.h"
#include "platform/job_runner.h"
#include "platform/locale.h"
#include "sample/random.h"
#include "sample/sample_data.h"
#include "session/band_coverage.h"
#include "session/session.h"
#include "ui/dock_layout.h"
#include "ui/evaluate_dialog.h"
#include "ui/import_dialog.h"
#include "ui/popup_menu.h"
#include "ui/splitter.h"
#include "ui/status_line.h"
#include "ui/text_grid.h"
#include "ui/tooltips.h"
#include "ui/user_guide.h"
#include "ui/wavelet_view.h"
#include "wavelet/wavelet.h"

// Resources of a static library must be registered by name, outside any
// namespace.
static void InitWindowResources() { Q_INIT_RESOURCE(fendrel); }

namespace fendrel {

namespace {

constexpr int kClientWidth = 775;
constexpr int kClientHeight = 486;
// The least room a chart keeps when the window is made small: enough for its
// title, axis labels and a plot one can still read.
constexpr int kMinChartWidth = 160;
constexpr int kMinChartHeight = 120;
constexpr char kSampleExt[] = "qls";
// A job that ends sooner shows nothing of itself.
constexpr int kJobShowMs = 500;
constexpr int kProgressSteps = 100000;

QFont WindowFont() {
  // Stands in for the 8-point "MS Sans Serif" of the design: a sans face whose
  // characters are 11 pixels high at any screen resolution.
  QFont font(QStringLiteral("Liberation Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  return font;
}

// The stand-in font is a little wider than the design's; a check box or radio
// button whose caption would be cut grows to the right, within its parent.
void FitCaption(QWidget* control) {
  const int room = control->parentWidget()->width() - control->x() - 4;
  const int wanted = std::min(control->sizeHint().width(), room);
  if (wanted > control->width()) control->resize(wanted, control->height());
}

// The settings both design-time series share.
std::unique_ptr<TLineSeries> MakeSampleSeries() {
  auto series = std::make_unique<TLineSeries>();
  series->SetTitle("Sample");
  series->SetSeriesColor(clRed);
  series->Marks().SetVisible(false);
  series->Marks().SetArrowLength(8);
  series->Pointer().SetVisible(false);
  series->Pointer().SetStyle(psRectangle);
  series->Pointer().SetInflateMargins(true);
  series->XValues().SetName("X");
  series->XValues().SetMultiplier(1);
  series->XValues().SetDateTime(false);
  series->XValues().SetOrder(loAscending);
  series->YValues().SetName("Y");
  series->YValues().SetMultiplier(1);
  series->YValues().SetDateTime(false);
  series->YValues().SetOrder(loNone);
  return series;
}

void SetUpChart(TChart& chart, const char* title) {
  chart.Title().ClearText();
  chart.Title().AddText(title);
  chart.BottomAxis().Title().SetCaption("Time");
  chart.LeftAxis().Title().SetCaption("Values");
  chart.Legend().SetVisible(false);
  chart.Legend().SetAlignment(laBottom);
  // Colour first: a clear style set afterwards keeps the brush clear.
  chart.BackWall().Brush().SetColor(clWhite);
  chart.BackWall().Brush().SetStyle(bsClear);
}

}  // namespace

TForm1::TForm1(QWidget* parent, const TDesktop* desktop)
    : QMainWindow(parent),
      ownDialogs_(desktop != nullptr ? nullptr : std::make_unique<TWindowDialogs>()),
      ownClipboard_(desktop != nullptr ? nullptr : std::make_unique<TQtClipboard>()),
      desktop_(desktop != nullptr ? *desktop : TDesktop{*ownDialogs_, *ownClipboard_}),
      OpenDialog1(fdOpen, kSampleExt, kOpenFilter),
      SaveDialog1(fdSave, kSampleExt, kSampleFilter),
      WaveDataDialog(fdSave, "csv", kWaveDataFilter),
      PictureDialog(fdSave, "png", kPictureFilter) {
  WaveDataDialog.SetTitle("Export Wave Data");
  PictureDialog.SetTitle("Export Picture");
  InitWindowResources();
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Fendrel (Haars method)"));
  QIcon icon;
  icon.addFile(QStringLiteral(":/fendrel/fendrel-16.png"), QSize(16, 16));
  icon.addFile(QStringLiteral(":/fendrel/fendrel-32.png"), QSize(32, 32));
  setWindowIcon(icon);
  setFont(WindowFont());
  setAcceptDrops(true);

  jobs_ = new TQtJobRunner(this);
  CreateMenus();
  ClientArea = new QWidget(this);
  ClientArea->setObjectName(QStringLiteral("ClientArea"));
  setCentralWidget(ClientArea);
  ClientLayout = new TDockLayout(ClientArea);
  CreateParameters();
  CreateDataViews();
  SetUpCharts();
  CreateStatusBar();
  SetToolTips();
  SetTabOrder();
  ConnectEvents();
  NameControls();
  SetMinimumClientSize();
  CreateJobProgress();

  // The client area lies between the menu bar and the status bar. A bar's
  // size hint can be a pixel short of the height the style gives it, so
  // measure the laid-out client area and correct by the difference.
  resize(kClientWidth,
         kClientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
  layout()->activate();
  resize(size() + QSize(kClientWidth, kClientHeight) - ClientArea->size());
  CentreOnScreen();
  FormCreate(this);
}

TForm1::~TForm1() { FormDestroy(this); }

void TForm1::CreateMenus() {
  QMenuBar* bar = menuBar();
  File1 = bar->addMenu(QStringLiteral("&File"));
  Open1 = File1->addAction(QStringLiteral("Open"));
  Open1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  Save1 = File1->addAction(QStringLiteral("Save"));
  Save1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  ExportWaveData1 = File1->addAction(QStringLiteral("Export Wave Data..."));
  ExportPicture1 = File1->addAction(QStringLiteral("Export Picture..."));
  N1 = File1->addSeparator();
  Exit1 = File1->addAction(QStringLiteral("Exit"));

  Edit4 = bar->addMenu(QStringLiteral("&Edit"));
  CopyData1 = Edit4->addAction(QStringLiteral("Copy Data"));
  CopyChart1 = Edit4->addAction(QStringLiteral("Copy Chart"));
  CopyModel1 = Edit4->addAction(QStringLiteral("Copy Wave Data"));
  N2 = Edit4->addSeparator();
  PastData1 = Edit4->addAction(QStringLiteral("Paste Data"));

  Forecast1 = bar->addMenu(QStringLiteral("F&orecast"));
  Evaluate1 = Forecast1->addAction(QStringLiteral("&Evaluate..."));
  Evaluate1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));

  Help1 = bar->addMenu(QStringLiteral("&Help"));
  About1 = Help1->addAction(QStringLiteral("About"));
  About1->setShortcut(QKeySequence(Qt::Key_F1));
  UserGuide1 = Help1->addAction(QStringLiteral("User Guide"));

  PopupMenu1 = new TPopupMenu(this);
  Copy1 = PopupMenu1->addAction(QStringLiteral("Copy"));
  Past1 = PopupMenu1->addAction(QStringLiteral("Paste"));
  PopupMenu2 = new TPopupMenu(this);
  Copy2 = PopupMenu2->addAction(QStringLiteral("Copy"));
  ExportPicture2 = PopupMenu2->addAction(QStringLiteral("Export Picture..."));
  // Menus are windows of their own and do not inherit the window's font.
  for (QMenu* menu : {File1, Edit4, Forecast1, Help1, static_cast<QMenu*>(PopupMenu1),
                      static_cast<QMenu*>(PopupMenu2)}) {
    menu->setFont(WindowFont());
  }
}

void TForm1::CreateParameters() {
  GroupBox1 = new QGroupBox(QStringLiteral("Parameters"), ClientArea);
  GroupBox1->setGeometry(0, 0, 161, 486);
  ClientLayout->AddControl(GroupBox1, alLeft);

  Label1 = new QLabel(QStringLiteral("Level:"), GroupBox1);
  Label1->setGeometry(16, 24, 29, 13);
  Edit1 = new QLineEdit(QStringLiteral("0"), GroupBox1);
  Edit1->setGeometry(88, 16, 49, 21);
  Label1->setBuddy(Edit1);
  Edit1->setAccessibleName(QStringLiteral("Level"));
  UpDown1 = new TUpDown(GroupBox1);
  UpDown1->setGeometry(137, 16, 16, 21);
  UpDown1->SetMax(20);
  UpDown1->SetAssociate(Edit1);
  opRandomSample = new QCheckBox(QStringLiteral("Random sample"), GroupBox1);
  opRandomSample->setGeometry(16, 70, 97, 17);
  Button1 = new QPushButton(QStringLiteral("Sample generate"), GroupBox1);
  Button1->setGeometry(16, 96, 129, 25);
  // The plot step and the wavelet view redraw as buttons nobody sees: the
  // other commands run their handlers. Each is a window of its own that is
  // never shown, which keeps it out of the group box's accessible children:
  // a screen reader must not offer what nobody can press.
  btPlot = new QPushButton(QStringLiteral("Plot"), GroupBox1);
  btPlot->setWindowFlags(Qt::Window);
  btPlot->setGeometry(72, 416, 33, 25);
  btPlot->setFocusPolicy(Qt::NoFocus);
  btPlot->setVisible(false);
  GroupBox4 = new QGroupBox(QStringLiteral("Forecast"), GroupBox1);
  GroupBox4->setGeometry(8, 136, 145, 161);
  Button3 = new QPushButton(QStringLiteral("Wave"), GroupBox1);
  Button3->setWindowFlags(Qt::Window);
  Button3->setGeometry(72, 448, 33, 25);
  Button3->setFocusPolicy(Qt::NoFocus);
  Button3->setVisible(false);

  Label2 = new QLabel(QStringLiteral("Window Size:"), GroupBox4);
  Label2->setGeometry(8, 24, 65, 13);
  Edit2 = new QLineEdit(QStringLiteral("0"), GroupBox4);
  Edit2->setGeometry(80, 16, 41, 21);
  Label2->setBuddy(Edit2);
  Edit2->setAccessibleName(QStringLiteral("Window Size"));
  UpDown2 = new TUpDown(GroupBox4);
  UpDown2->setGeometry(121, 16, 16, 21);
  UpDown2->SetMax(20);
  UpDown2->SetAssociate(Edit2);
  rbMA = new QRadioButton(QStringLiteral("Moving average"), GroupBox4);
  rbMA->setGeometry(8, 48, 113, 17);
  rbMA->setChecked(true);
  rbKNN = new QRadioButton(QStringLiteral("K-Nearest-Neighbor"), GroupBox4);
  rbKNN->setGeometry(8, 72, 113, 17);
  cbKNN = new QCheckBox(QStringLiteral("Use window average"), GroupBox4);
  cbKNN->setGeometry(8, 96, 129, 17);
  cbKNN->setChecked(true);
  cbKNN->setEnabled(false);
  Button2 = new QPushButton(QStringLiteral("Do forecast"), GroupBox4);
  Button2->setGeometry(8, 120, 129, 33);

  for (QWidget* control : {static_cast<QWidget*>(opRandomSample), static_cast<QWidget*>(rbMA),
                           static_cast<QWidget*>(rbKNN), static_cast<QWidget*>(cbKNN)}) {
    FitCaption(control);
  }
}

void TForm1::CreateStatusBar() {
  StatusLine = new TStatusLine(this);
  StatusLine->setObjectName(QStringLiteral("StatusLine"));
  statusBar()->addWidget(StatusLine, 1);
}

void TForm1::SetToolTips() {
  for (QWidget* control : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(Edit1),
                           static_cast<QWidget*>(UpDown1)}) {
    SetControlTip(control, TControlTips::Level());
  }
  for (QWidget* control : {static_cast<QWidget*>(Label2), static_cast<QWidget*>(Edit2),
                           static_cast<QWidget*>(UpDown2)}) {
    SetControlTip(control, TControlTips::WindowSize());
  }
  SetControlTip(rbMA, TControlTips::MovingAverage());
  SetControlTip(rbKNN, TControlTips::NearestNeighbor());
  SetControlTip(cbKNN, TControlTips::UseWindowAverage());
  SetControlTip(Button2, TControlTips::DoForecast());
  SetControlTip(opRandomSample, TControlTips::RandomSample());
  SetControlTip(Button1, TControlTips::SampleGenerate());
}

void TForm1::CreateDataViews() {
  Panel1 = new QFrame(ClientArea);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(1);
  Panel1->setGeometry(161, 0, 614, 486);
  ClientLayout->AddControl(Panel1, alClient);
  Panel1Layout = new TDockLayout(Panel1, QMargins(1, 1, 1, 1));

  const QMargins groupMargins(2, 15, 2, 2);
  GroupBox2 = new QGroupBox(QStringLiteral("Test data"), Panel1);
  GroupBox2->setGeometry(1, 1, 612, 208);
  GroupBox3 = new QGroupBox(QStringLiteral("Wavelet data"), Panel1);
  GroupBox3->setGeometry(1, 212, 612, 273);
  Splitter1 = new TSplitter(Panel1, Panel1Layout, GroupBox2, GroupBox3, Qt::Vertical);
  Splitter1->setGeometry(1, 209, 612, TSplitter::Thickness);
  Panel1Layout->AddControl(GroupBox2, alTop);
  Panel1Layout->AddControl(Splitter1, alTop);
  Panel1Layout->AddControl(GroupBox3, alClient);

  GroupBox2Layout = new TDockLayout(GroupBox2, groupMargins);
  sgTest = new TStringGrid(GroupBox2);
  sgTest->setGeometry(2, 15, 207, 191);
  chTest = new TChart(GroupBox2);
  chTest->setGeometry(212, 15, 398, 191);
  Splitter2 = new TSplitter(GroupBox2, GroupBox2Layout, sgTest, chTest, Qt::Horizontal);
  Splitter2->setGeometry(209, 15, TSplitter::Thickness, 191);
  GroupBox2Layout->AddControl(sgTest, alLeft);
  GroupBox2Layout->AddControl(Splitter2, alLeft);
  GroupBox2Layout->AddControl(chTest, alClient);

  GroupBox3Layout = new TDockLayout(GroupBox3, groupMargins);
  sgWave = new TStringGrid(GroupBox3);
  sgWave->setGeometry(2, 15, 207, 256);
  chWave = new TChart(GroupBox3);
  chWave->setGeometry(212, 15, 398, 256);
  Splitter3 = new TSplitter(GroupBox3, GroupBox3Layout, sgWave, chWave, Qt::Horizontal);
  Splitter3->setGeometry(209, 15, TSplitter::Thickness, 256);
  GroupBox3Layout->AddControl(sgWave, alLeft);
  GroupBox3Layout->AddControl(Splitter3, alLeft);
  GroupBox3Layout->AddControl(chWave, alClient);

  // The grids are known by their group's caption, as a reader sees them.
  sgTest->setAccessibleName(QStringLiteral("Test data"));
  sgWave->setAccessibleName(QStringLiteral("Wavelet data"));
  // A group box would be named after the group around it.
  for (QGroupBox* group : {GroupBox1, GroupBox4, GroupBox2, GroupBox3}) {
    group->setAccessibleName(group->title());
  }

  PopupMenu1->AttachTo(sgTest);
  PopupMenu1->AttachTo(sgWave);
  PopupMenu2->AttachTo(chTest);
  PopupMenu2->AttachTo(chWave);
}

void TForm1::SetUpCharts() {
  SetUpChart(*chTest, "Test data");
  chTest->SetView3D(false);
  Series1 = MakeSampleSeries();
  Series1->SetParentChart(chTest);

  SetUpChart(*chWave, "Wavelet data (haars)");
  chWave->SetSeriesNouns("band", "bands");
  chWave->Foot().ClearText();
  chWave->Foot().AddText("Level 0");
  chWave->SetView3D(true);
  LineSeries1 = MakeSampleSeries();
  LineSeries1->SetParentChart(chWave);
  waveView_ = std::make_unique<TWaveletView>(*chWave, *sgWave);
}

void TForm1::SetMinimumClientSize() {
  // The parameter panel shows every control whole, with the margin its
  // controls keep from its left edge also below the last one.
  const int panelHeight = GroupBox4->geometry().bottom() + 1 + GroupBox4->x();
  // The grids keep their designed widths and the top group its height, so
  // whatever the window loses beyond this would come out of the charts.
  const QMargins frame = Panel1Layout->contentsMargins();
  const QMargins group = GroupBox3Layout->contentsMargins();
  const int width = GroupBox1->width() + frame.left() + frame.right() + group.left() +
                    sgWave->width() + TSplitter::Thickness + kMinChartWidth + group.right();
  const int height = frame.top() + GroupBox2->height() + TSplitter::Thickness + group.top() +
                     kMinChartHeight + group.bottom() + frame.bottom();
  ClientArea->setMinimumSize(width, std::max(panelHeight, height));
}

void TForm1::SetTabOrder() {
  QWidget* const order[] = {Edit1, opRandomSample, Button1, rbMA,   Button2, Edit2,
                            rbKNN, cbKNN,          sgTest,  chTest, sgWave,  chWave};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
    QWidget::setTabOrder(order[i], order[i + 1]);
  }
}

void TForm1::ConnectEvents() {
  // The session shows the failures of its own commands; the guard here keeps
  // those of a binding's widget work from reaching Qt's event dispatch. Any
  // command may take long with a large series: the busy cursor shows.
  const auto on = [this](auto* source, auto signal, auto handler) {
    connect(source, signal, this, [this, source, handler] {
      if (!Idle()) return;
      RunCommand(this, [&] {
        const TBusyCursor busy;
        (this->*handler)(source);
      });
    });
  };
  on(Button1, &QPushButton::clicked, &TForm1::Button1Click);
  on(btPlot, &QPushButton::clicked, &TForm1::btPlotClick);
  on(Button3, &QPushButton::clicked, &TForm1::Button3Click);
  on(Button2, &QPushButton::clicked, &TForm1::Button2Click);
  on(Open1, &QAction::triggered, &TForm1::Open1Click);
  on(Save1, &QAction::triggered, &TForm1::Save1Click);
  on(Exit1, &QAction::triggered, &TForm1::Exit1Click);
  on(CopyData1, &QAction::triggered, &TForm1::CopyData1Click);
  on(CopyChart1, &QAction::triggered, &TForm1::CopyChart1Click);
  on(CopyModel1, &QAction::triggered, &TForm1::CopyModel1Click);
  on(PastData1, &QAction::triggered, &TForm1::PastData1Click);
  on(About1, &QAction::triggered, &TForm1::About1Click);
  on(UserGuide1, &QAction::triggered, &TForm1::UserGuide1Click);
  // The dialog shows its own progress: no busy cursor over it.
  connect(Evaluate1, &QAction::triggered, this, [this] {
    if (Idle()) RunCommand(this, [&] { Evaluate1Click(Evaluate1); });
  });
  on(Copy1, &QAction::triggered, &TForm1::CopyData1Click);
  on(Past1, &QAction::triggered, &TForm1::PastData1Click);
  on(Copy2, &QAction::triggered, &TForm1::CopyChart1Click);
  on(ExportWaveData1, &QAction::triggered, &TForm1::ExportWaveData1Click);
  on(ExportPicture1, &QAction::triggered, &TForm1::ExportPicture1Click);
  on(ExportPicture2, &QAction::triggered, &TForm1::ExportPicture1Click);
  // A radio button's click event comes when it becomes checked, by mouse or key.
  connect(rbMA, &QRadioButton::toggled, this, [this](bool checked) {
    if (checked) RunCommand(this, [&] { rbMAClick(rbMA); });
  });
  connect(rbKNN, &QRadioButton::toggled, this, [this](bool checked) {
    if (checked) RunCommand(this, [&] { rbKNNClick(rbKNN); });
  });
  // Ctrl+V in a grid pastes there, leaving the context menu's target alone.
  sgTest->OnPaste = [this] {
    if (!Idle()) return;
    RunCommand(this, [&] {
      const TBusyCursor busy;
      session_->PasteData(gtTest);
    });
  };
  sgWave->OnPaste = [this] {
    if (Idle()) RunCommand(this, [&] { session_->PasteData(gtWave); });
  };
  // The settings of "Do forecast" live in the session; the controls write
  // them as the user changes them.
  connect(UpDown2, &TUpDown::Click, this,
          [this] { RunCommand(this, [&] { session_->SetWindow(UpDown2->Position()); }); });
  connect(cbKNN, &QCheckBox::toggled, this,
          [this](bool on) { RunCommand(this, [&] { session_->SetUseWindowAverage(on); }); });
  connect(UpDown1, &TUpDown::Click, this, [this](TUDBtnType button) {
    if (!Idle()) {
      UpDown1->SetPosition(static_cast<std::int16_t>(session_->Wavelet().Level()));
      return;
    }
    RunCommand(this, [&] {
      const TBusyCursor busy;
      UpDown1Click(UpDown1, button);
    });
  });
}

void TForm1::NameControls() {
  // Controls are told apart by their names, as in the window's design.
  QObject* const controls[] = {
      GroupBox1, Label1,    Edit1,      UpDown1,   opRandomSample,  Button1,        btPlot,
      GroupBox4, Button3,   Label2,     Edit2,     UpDown2,         rbMA,           rbKNN,
      cbKNN,     Button2,   Panel1,     GroupBox2, Splitter1,       GroupBox3,      sgTest,
      Splitter2, chTest,    sgWave,     Splitter3, chWave,          File1,          Open1,
      Save1,     N1,        Exit1,      Edit4,     CopyData1,       CopyChart1,     CopyModel1,
      N2,        PastData1, Forecast1,  Evaluate1, Help1,           About1,         PopupMenu1,
      Copy1,     Past1,     PopupMenu2, Copy2,     ExportWaveData1, ExportPicture1, ExportPicture2,
      UserGuide1};
  const QStringList names =
      QStringLiteral(
          "GroupBox1 Label1 Edit1 UpDown1 opRandomSample Button1 btPlot GroupBox4 Button3 Label2 "
          "Edit2 UpDown2 rbMA rbKNN cbKNN Button2 Panel1 GroupBox2 Splitter1 GroupBox3 sgTest "
          "Splitter2 chTest sgWave Splitter3 chWave File1 Open1 Save1 N1 Exit1 Edit4 CopyData1 "
          "CopyChart1 CopyModel1 N2 PastData1 Forecast1 Evaluate1 Help1 About1 PopupMenu1 Copy1 "
          "Past1 PopupMenu2 Copy2 ExportWaveData1 ExportPicture1 ExportPicture2 UserGuide1")
          .split(QLatin1Char(' '));
  Q_ASSERT(names.size() == static_cast<qsizetype>(std::size(controls)));
  for (std::size_t i = 0; i < std::size(controls); ++i) {
    controls[i]->setObjectName(names[static_cast<qsizetype>(i)]);
  }
}

void TForm1::CreateJobProgress() {
  JobProgress = new QProgressBar(this);
  JobProgress->setObjectName(QStringLiteral("JobProgress"));
  JobProgress->setAccessibleName(QStringLiteral("Progress"));
  JobProgress->setMaximumWidth(200);
  // Tenths of a percent: a job of many minutes still shows that it moves.
  connect(JobProgress, &QProgressBar::valueChanged, this, [this](int value) {
    JobProgress->setFormat(QStringLiteral("%1 %").arg(100.0 * value / kProgressSteps, 0, 'f', 1));
  });
  JobCancel = new QPushButton(QStringLiteral("Cancel"), this);
  JobCancel->setObjectName(QStringLiteral("JobCancel"));
  JobCancel->setFocusPolicy(Qt::NoFocus);
  statusBar()->addPermanentWidget(JobProgress);
  statusBar()->addPermanentWidget(JobCancel);
  JobProgress->hide();
  JobCancel->hide();
  JobShowTimer = new QTimer(this);
  JobShowTimer->setSingleShot(true);
  JobShowTimer->setInterval(kJobShowMs);
  connect(JobShowTimer, &QTimer::timeout, this, [this] { ShowJobRunning(); });
  connect(JobCancel, &QPushButton::clicked, this, [this] { session_->Cancel(); });
  connect(jobs_, &TQtJobRunner::Started, this, [this] { ShowJobStarted(); });
  connect(jobs_, &TQtJobRunner::Ended, this, [this] { ShowJobEnded(); });
  connect(jobs_, &TQtJobRunner::Progressed, this, [this](double fraction) {
    if (JobProgress->maximum() > 0) {
      JobProgress->setValue(static_cast<int>(fraction * kProgressSteps));
    }
  });
}

bool TForm1::Idle() const { return session_ != nullptr && !session_->Busy(); }

void TForm1::ShowJobStarted() {
  // The menus and shortcuts go at once, unseen; the input to the controls
  // is held back, so that a short job does not flicker them grey.
  EnableCommands(false);
  qApp->installEventFilter(this);
  JobShowTimer->start();
}

void TForm1::ShowJobRunning() {
  if (!jobs_->Busy()) return;
  const TProgress* progress = jobs_->Progress();
  const bool counted = progress != nullptr && progress->Counted();
  // A job that cannot count its work shows a bar that only says it works.
  JobProgress->setRange(0, counted ? kProgressSteps : 0);
  if (counted) JobProgress->setValue(static_cast<int>(progress->Fraction() * kProgressSteps));
  // Disabling the parameters takes the focus from them; it comes back.
  focusBeforeJob_ = QApplication::focusWidget();
  GroupBox1->setEnabled(false);
  JobProgress->show();
  JobCancel->show();
}

void TForm1::ShowJobEnded() {
  JobShowTimer->stop();
  qApp->removeEventFilter(this);
  JobProgress->hide();
  JobCancel->hide();
  GroupBox1->setEnabled(true);
  EnableCommands(true);
  if (focusBeforeJob_ != nullptr && focusBeforeJob_->window() == this && isActiveWindow()) {
    focusBeforeJob_->setFocus(Qt::OtherFocusReason);
  }
  focusBeforeJob_ = nullptr;
}

void TForm1::EnableCommands(bool enabled) {
  for (QAction* action :
       {Open1, Save1, ExportWaveData1, ExportPicture1, CopyData1, CopyChart1, CopyModel1, PastData1,
        Evaluate1, About1, Copy1, Past1, Copy2, ExportPicture2}) {
    action->setEnabled(enabled);
  }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (!jobs_ || !jobs_->Busy()) return QMainWindow::eventFilter(watched, event);
  // Only this window's commands wait, and only its Escape cancels: a dialog
  // over it (the evaluation's) keeps its own keys, and Cancel answers.
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget == JobCancel || widget->window() != this) {
    return QMainWindow::eventFilter(watched, event);
  }
  switch (event->type()) {
    case QEvent::KeyPress:
      if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        session_->Cancel();
        return true;
      }
      [[fallthrough]];
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Drop:
      return true;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::closeEvent(QCloseEvent* event) {
  // Nothing of a job is kept when the window goes: it stops, and the
  // window waits only until it has let go.
  if (session_ != nullptr) session_->Cancel();
  QMainWindow::closeEvent(event);
}

void TForm1::CentreOnScreen() {
  const QScreen* target = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  if (target == nullptr) return;
  const QRect area = target->availableGeometry();
  move(area.center() - QPoint(width() / 2, height() / 2));
}

void TForm1::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LocaleChange) {
    RunCommand(this, [&] {
      ApplySystemLocale();
      UpDown1->RefreshText();
      UpDown2->RefreshText();
    });
  }
  QMainWindow::changeEvent(event);
}

void TForm1::FormCreate(QObject* sender) {
  SeedRandom();
  sgTest->SetColCount(2);
  sgTest->SetCell(0, 0, "Time");
  sgTest->SetCell(1, 0, "Value");
  sgWave->SetColCount(2);
  sgWave->SetCell(0, 0, "Time");
  sgWave->SetCell(1, 0, "Wave 0");
  session_ = std::make_unique<TSession>(static_cast<TSessionView&>(*this),
                                        static_cast<TSessionDesktop&>(*this), *jobs_);
  Button1Click(sender);
}

void TForm1::FormDestroy(QObject* /*sender*/) {
  waveView_->Clear();
  // A job's compute reads the session: it must have let go first.
  delete jobs_;
  jobs_ = nullptr;
  session_.reset();
}

void TForm1::Button1Click(QObject* /*sender*/) { session_->Generate(opRandomSample->isChecked()); }

void TForm1::btPlotClick(QObject* /*sender*/) { session_->Plot(); }

void TForm1::Button3Click(QObject* /*sender*/) { session_->Redraw(); }

void TForm1::UpDown1Click(QObject* /*sender*/, TUDBtnType /*button*/) {
  session_->ChangeLevel(UpDown1->Position());
}

void TForm1::Button2Click(QObject* /*sender*/) { session_->Forecast(); }

void TForm1::Evaluate1Click(QObject* /*sender*/) {
  TEvaluateDialog dialog(*session_, *jobs_, this);
  dialog.exec();
}

void TForm1::rbMAClick(QObject* /*sender*/) {
  if (rbMA->isChecked()) session_->SetMethod(fmMovingAverage);
  cbKNN->setEnabled(rbKNN->isChecked());
}

void TForm1::rbKNNClick(QObject* /*sender*/) {
  if (rbKNN->isChecked()) session_->SetMethod(fmNearestNeighbor);
  cbKNN->setEnabled(rbKNN->isChecked());
}

void TForm1::Open1Click(QObject* /*sender*/) { session_->Open(); }

void TForm1::Save1Click(QObject* /*sender*/) { session_->Save(); }

void TForm1::ExportWaveData1Click(QObject* /*sender*/) { session_->ExportWaveData(); }

void TForm1::ExportPicture1Click(QObject* /*sender*/) { session_->ExportPicture(ChartTarget()); }

TGridTarget TForm1::GridTarget() const {
  const QWidget* control = PopupMenu1->PopupComponent();
  return control == nullptr || control == sgTest ? gtTest : gtWave;
}

TChartTarget TForm1::ChartTarget() const {
  const QWidget* control = PopupMenu2->PopupComponent();
  return control == nullptr || control == chTest ? ctTest : ctWave;
}

TChart* TForm1::Chart(TChartTarget target) const { return target == ctTest ? chTest : chWave; }

void TForm1::CopyData1Click(QObject* /*sender*/) { session_->CopyData(GridTarget()); }

void TForm1::PastData1Click(QObject* /*sender*/) { session_->PasteData(GridTarget()); }

void TForm1::CopyChart1Click(QObject* /*sender*/) { session_->CopyChart(ChartTarget()); }

void TForm1::CopyModel1Click(QObject* /*sender*/) { session_->CopyWaveData(); }

void TForm1::About1Click(QObject* /*sender*/) { session_->About(); }

void TForm1::UserGuide1Click(QObject* /*sender*/) {
  if (UserGuide == nullptr) UserGuide = new TUserGuide(this);
  UserGuide->show();
  UserGuide->raise();
  UserGuide->activateWindow();
}

void TForm1::Exit1Click(QObject* /*sender*/) { close(); }

void TForm1::ShowLevelPosition(std::int16_t level) { UpDown1->SetPosition(level); }

void TForm1::ShowTestSeries(const TShownSeries& series) {
  waveView_->ShowTestSeries(series, *sgTest, *chTest->SeriesAt(0));
  // A new series is shown from the top-left cell of both grids.
  sgTest->ScrollToStart();
  sgWave->ScrollToStart();
}

void TForm1::ShowBands(const TBandsSnapshot& bands, std::int16_t levelMax, std::int16_t windowMax) {
  UpDown1->SetMax(levelMax);
  UpDown2->SetMax(windowMax);
  // The spin may have come down with its maximum.
  session_->SetWindow(UpDown2->Position());
  // The design-time series is never shown again once the bands are.
  LineSeries1.reset();
  waveView_->ShowBands(bands);
  StatusLine->SetStatus(BandCoverageText(TBandCoverage::Of(bands)));
}

void TForm1::ShowMessage(const std::string& text) { desktop_.dialogs.ShowMessage(text); }

void TForm1::ShowError(const std::string& message) { ShowFailure(this, message); }

bool TForm1::ChooseFile(TFileChoice choice, std::string& path) {
  TFileDialog& dialog = choice == fcOpenSample       ? OpenDialog1
                        : choice == fcSaveSample     ? SaveDialog1
                        : choice == fcExportWaveData ? WaveDataDialog
                                                     : PictureDialog;
  if (!dialog.Execute(desktop_.dialogs)) return false;
  path = dialog.FileName();
  return true;
}

void TForm1::SetClipboardText(std::string_view text) { desktop_.clipboard.SetText(text); }

void TForm1::KeepClipboardText(std::shared_ptr<const std::string> text) {
  desktop_.clipboard.KeepText(std::move(text));
}

std::string TForm1::ClipboardText() { return desktop_.clipboard.GetText(); }

bool TForm1::AskImport(TImportQuestion& question) { return desktop_.dialogs.AskImport(question); }

TDesktop TForm1::Desktop() const { return desktop_; }

void TForm1::CopyChartPicture(TChartTarget target) { Chart(target)->CopyPictureToClipboard(true); }

void TForm1::SaveChartPicture(TChartTarget target, const std::string& path) {
  Chart(target)->SavePictureToFile(path, PictureFormatOfPath(path));
}

void TForm1::OpenFileLater(std::string path) {
  QMetaObject::invokeMethod(
      this,
      [this, path = std::move(path)] {
        if (!Idle()) return;
        RunCommand(this, [&] {
          const TBusyCursor busy;
          session_->OpenFile(path);
        });
      },
      Qt::QueuedConnection);
}

namespace {

// The first local file of a drag, or an empty name when it carries none.
QString DraggedFile(const QMimeData* data) {
  if (data == nullptr) return {};
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) return url.toLocalFile();
  }
  return {};
}

}  // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  RunCommand(this, [&] {
    if (Idle() && !DraggedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
  });
}

// The drop ends before the file is read, so that the program that dragged it
// never waits on an error box.
void TForm1::dropEvent(QDropEvent* event) {
  RunCommand(this, [&] {
    const QString file = DraggedFile(event->mimeData());
    if (file.isEmpty() || !Idle()) return;
    event->acceptProposedAction();
    OpenFileLater(file.toStdString());
  });
}

}  // namespace fendrel
