#pragma once

#include <QMainWindow>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "chart/series.h"
#include "platform/dialogs.h"
#include "sample/huge_page_allocator.h"
#include "ui/up_down.h"

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

namespace fendrel {

class TChart;
class TDockLayout;
class TPopupMenu;
class TSampleData;
class TSplitter;
class TStringGrid;
class TWavelet;

// The one window of Fendrel: the parameters on the left, the test series and
// the bands of the current wavelet level on the right, each as a grid and a
// chart. Controls and handlers carry the names of the window's design.
// Controls are owned by their Qt parents; the window owns its two data objects
// and every line series it creates.
class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // The spin maxima, kept within a spin's own range.
  static std::int16_t LevelSpinMax(std::int32_t maxLevel);
  static std::int16_t WindowSpinMax(std::int32_t count);

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
  void Exit1Click(QObject* sender);

  // Reads a sample file as Open does once its dialog has chosen the file.
  void OpenFile(const std::string& path);
  // Opens a file named by the desktop (the command line, a drop) once the
  // message loop runs, as a command of its own.
  void OpenFileLater(std::string path);

  // The series of the bands now shown in chWave, band 0 first.
  std::int32_t WaveSeriesCount() const { return waveCount_; }
  TLineSeries* WaveSeries(std::int32_t band) const;

  // Data.
  std::unique_ptr<TSampleData> TestData;
  std::unique_ptr<TWavelet> Wavelet;
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
  QMenu* Help1 = nullptr;
  QAction* About1 = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;
  QAction* Copy1 = nullptr;
  QAction* Past1 = nullptr;
  TPopupMenu* PopupMenu2 = nullptr;
  QAction* Copy2 = nullptr;
  QAction* ExportPicture2 = nullptr;

  TFileDialog OpenDialog1;
  TFileDialog SaveDialog1;
  TFileDialog WaveDataDialog;
  TFileDialog PictureDialog;

  // The docking of the window's client area, of Panel1 and of the two data
  // group boxes.
  TDockLayout* ClientLayout = nullptr;
  TDockLayout* Panel1Layout = nullptr;
  TDockLayout* GroupBox2Layout = nullptr;
  TDockLayout* GroupBox3Layout = nullptr;

 protected:
  void changeEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateMenus();
  void CreateParameters();
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
  bool GridTargetIsTest() const;
  // Paste Data into the test grid, or the answer that the wavelet grid takes none.
  void PasteData(bool intoTest, QObject* sender);
  TChart* ChartTarget() const;
  // The band values of the current level, band 0 first.
  std::vector<std::span<const double>> WaveBands() const;
  // The band table of the current level.
  std::string WaveTableText();

  // The sample indices 0 .. count - 1 or more, the x of every chart point:
  // one buffer serves the test series and the bands for as long as a series
  // shows points from it.
  std::shared_ptr<const double[]> IndexValues(std::size_t count);

  // Frees the band series and makes room for `next` of them. The room stays,
  // so that walking the levels up and down makes no fresh pages.
  void FreeWaveSeries(std::size_t next);

  // The band series live side by side, made in place: a redraw at the
  // deepest level makes half a million of them. Every slot is empty when the
  // room is freed.
  using TBandSlot = std::optional<TLineSeries>;
  std::unique_ptr<TBandSlot[], FreeLargeDeleter> waveSeries_;
  std::size_t waveRoom_ = 0;
  std::int32_t waveCount_ = 0;
  std::weak_ptr<const double[]> indices_;
  std::size_t indexCount_ = 0;
};

}  // namespace fendrel
