#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <string>
#include <string_view>

#include "platform/clipboard.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "session/session.h"
#include "session/session_desktop.h"
#include "session/session_view.h"
#include "ui/up_down.h"

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace fendrel {

class TChart;
class TDockLayout;
class TLineSeries;
class TPopupMenu;
class TQtJobRunner;
class TSplitter;
class TStatusLine;
class TStringGrid;
class TUserGuide;
class TWaveletView;

// The one window of Fendrel: the parameters on the left, the test series and
// the bands of the current wavelet level on the right, each as a grid and a
// chart. The window lays out its controls and binds them to the session,
// which holds the data and runs the commands; handlers carry the names of the
// window's design. Controls are told apart by their object names.
class TForm1 : public QMainWindow,
               public TDesktopWindow,
               private TSessionView,
               private TSessionDesktop {
  Q_OBJECT

  // First, as everything after may show a box.
  std::unique_ptr<TDialogs> ownDialogs_;
  std::unique_ptr<TClipboard> ownClipboard_;
  TDesktop desktop_;

 public:
  // With the desktop's own boxes and clipboard unless given others.
  explicit TForm1(QWidget* parent = nullptr, const TDesktop* desktop = nullptr);
  ~TForm1() override;

  // Events and commands.
  void FormCreate(QObject* sender);
  void FormDestroy(QObject* sender);
  void Button1Click(QObject* sender);
  void btPlotClick(QObject* sender);
  void Button3Click(QObject* sender);
  void UpDown1Click(QObject* sender, TUDBtnType button);
  void Button2Click(QObject* sender);
  void rbMAClick(QObject* sender);
  void rbKNNClick(QObject* sender);
  void Open1Click(QObject* sender);
  void Save1Click(QObject* sender);
  void CopyData1Click(QObject* sender);
  void PastData1Click(QObject* sender);
  void CopyChart1Click(QObject* sender);
  void CopyModel1Click(QObject* sender);
  void ExportWaveData1Click(QObject* sender);
  // Writes the chart that Copy Chart would copy, in the type its name asks for.
  void ExportPicture1Click(QObject* sender);
  void About1Click(QObject* sender);
  // Opens the user guide, a window of its own beside the main one.
  void UserGuide1Click(QObject* sender);
  void Evaluate1Click(QObject* sender);
  void Exit1Click(QObject* sender);

  // Opens a file named by the desktop (the command line, a drop) once the
  // message loop runs, as a command of its own.
  void OpenFileLater(std::string path);

  // The boxes and the clipboard of this window and everything inside it.
  TDesktop Desktop() const override;

  // The window's data and commands.
  TSession& Session() { return *session_; }
  // Runs the session's long commands while the window goes on answering.
  TQtJobRunner& Jobs() { return *jobs_; }
  const TSession& Session() const { return *session_; }
  // The band series now shown in chWave.
  const TWaveletView& WaveView() const { return *waveView_; }

  TFileDialog OpenDialog1;
  TFileDialog SaveDialog1;

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateMenus();
  void CreateParameters();
  // The status line, left in the status bar, whose right stays free.
  void CreateStatusBar();
  // What every control says it does, as tooltip and accessible description.
  void SetToolTips();
  void CreateDataViews();
  void SetUpCharts();
  void SetTabOrder();
  // Small enough to keep the window usable on a small screen, never so
  // small that a control is cut.
  void SetMinimumClientSize();
  void ConnectEvents();
  void NameControls();
  void CentreOnScreen();
  // The targets of the clipboard commands: where the matching context menu
  // was last opened, the test grid or chart before it ever was.
  TGridTarget GridTarget() const;
  TChartTarget ChartTarget() const;
  // The progress bar and its Cancel button in the status bar, shown when a
  // job has run for half a second.
  void CreateJobProgress();
  void ShowJobStarted();
  void ShowJobRunning();
  void ShowJobEnded();
  // Every command but Cancel, while a job runs.
  void EnableCommands(bool enabled);
  // A command's binding: nothing while a job runs (input is held back then,
  // but a queued event may still arrive).
  bool Idle() const;

  // What the session shows.
  void ShowLevelPosition(std::int16_t level) override;
  void ShowTestSeries(const TShownSeries& series) override;
  void ShowBands(const TBandsSnapshot& bands, std::int16_t levelMax,
                 std::int16_t windowMax) override;
  // What the session asks of the user and the desktop.
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& message) override;
  bool ChooseFile(TFileChoice choice, std::string& path) override;
  void SetClipboardText(std::string_view text) override;
  void KeepClipboardText(std::shared_ptr<const std::string> text) override;
  std::string ClipboardText() override;
  bool AskImport(TImportQuestion& question) override;
  void CopyChartPicture(TChartTarget target) override;
  void SaveChartPicture(TChartTarget target, const std::string& path) override;
  TChart* Chart(TChartTarget target) const;

  TQtJobRunner* jobs_ = nullptr;
  std::unique_ptr<TSession> session_;
  std::unique_ptr<TWaveletView> waveView_;
  std::unique_ptr<TLineSeries> Series1;
  // Only until the first wavelet view redraw replaces it.
  std::unique_ptr<TLineSeries> LineSeries1;

  // Controls.
  QWidget* ClientArea = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  TUpDown* UpDown1 = nullptr;
  QCheckBox* opRandomSample = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* btPlot = nullptr;
  QGroupBox* GroupBox4 = nullptr;
  QPushButton* Button3 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* Edit2 = nullptr;
  TUpDown* UpDown2 = nullptr;
  QRadioButton* rbMA = nullptr;
  QRadioButton* rbKNN = nullptr;
  QCheckBox* cbKNN = nullptr;
  QPushButton* Button2 = nullptr;
  QFrame* Panel1 = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  TSplitter* Splitter1 = nullptr;
  QGroupBox* GroupBox3 = nullptr;
  TStringGrid* sgTest = nullptr;
  TSplitter* Splitter2 = nullptr;
  TChart* chTest = nullptr;
  TStringGrid* sgWave = nullptr;
  TSplitter* Splitter3 = nullptr;
  TChart* chWave = nullptr;
  TStatusLine* StatusLine = nullptr;
  TUserGuide* UserGuide = nullptr;

  // Menus.
  QMenu* File1 = nullptr;
  QAction* Open1 = nullptr;
  QAction* Save1 = nullptr;
  QAction* ExportWaveData1 = nullptr;
  QAction* ExportPicture1 = nullptr;
  QAction* N1 = nullptr;
  QAction* Exit1 = nullptr;
  QMenu* Edit4 = nullptr;
  QAction* CopyData1 = nullptr;
  QAction* CopyChart1 = nullptr;
  QAction* CopyModel1 = nullptr;
  QAction* N2 = nullptr;
  QAction* PastData1 = nullptr;
  QMenu* Forecast1 = nullptr;
  QAction* Evaluate1 = nullptr;
  QMenu* Help1 = nullptr;
  QAction* About1 = nullptr;
  QAction* UserGuide1 = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;
  QAction* Copy1 = nullptr;
  QAction* Past1 = nullptr;
  TPopupMenu* PopupMenu2 = nullptr;
  QAction* Copy2 = nullptr;
  QAction* ExportPicture2 = nullptr;
  TFileDialog WaveDataDialog;
  TFileDialog PictureDialog;

  QProgressBar* JobProgress = nullptr;
  QPushButton* JobCancel = nullptr;
  QTimer* JobShowTimer = nullptr;
  QPointer<QWidget> focusBeforeJob_;

  // The docking of the window's client area, of Panel1 and of the two data
  // group boxes.
  TDockLayout* ClientLayout = nullptr;
  TDockLayout* Panel1Layout = nullptr;
  TDockLayout* GroupBox2Layout = nullptr;
  TDockLayout* GroupBox3Layout = nullptr;
};

}  // namespace fendrel
