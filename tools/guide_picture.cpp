// Draws the user guide's picture, levels 0 to 2 of the start-up sine, with
// the window's own chart and band view, into one PNG:
//   QT_QPA_PLATFORM=offscreen fendrel_guide_picture src/ui/resources/guide/levels.png
#include <QApplication>
#include <QHBoxLayout>
#include <QPixmap>
#include <QWidget>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "chart/chart.h"
#include "sample/sample_data.h"
#include "ui/text_grid.h"
#include "ui/wavelet_view.h"
#include "wavelet/wavelet.h"

using namespace fendrel;

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fputs("usage: fendrel_guide_picture OUT.png\n", stderr);
    return 2;
  }
  QApplication application(argc, argv);
  // The start-up sine with the random draw giving frequency 1.
  TSampleData series(100);
  for (std::int32_t i = 0; i < series.Count(); ++i) {
    series.SetX(i, i);
    series.SetY(i, std::sin(static_cast<double>(i)));
  }
  QWidget strip;
  auto* layout = new QHBoxLayout(&strip);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  TStringGrid grid;
  std::vector<std::unique_ptr<TWaveletView>> views;
  TWavelet packet;
  packet.Load(&series);
  for (std::int32_t level = 0; level <= 2; ++level) {
    auto* chart = new TChart(&strip);
    chart->Title().ClearText();
    chart->Title().AddText("Wavelet data (haars)");
    chart->BottomAxis().Title().SetCaption("Time");
    chart->LeftAxis().Title().SetCaption("Values");
    chart->Legend().SetVisible(false);
    chart->BackWall().Brush().SetColor(clWhite);
    chart->BackWall().Brush().SetStyle(bsClear);
    chart->SetView3D(true);
    chart->setFixedSize(232, 200);
    layout->addWidget(chart);
    packet.SetLevel(level);
    views.push_back(std::make_unique<TWaveletView>(*chart, grid));
    views.back()->ShowBands(packet);
  }
  strip.setAttribute(Qt::WA_DontShowOnScreen);
  strip.show();
  return strip.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
