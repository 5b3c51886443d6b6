#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QMenu>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <string>

#include "support/recording_dialogs.h"
#include "support/window_controls.h"
#include "ui/main_window.h"
#include "ui/status_line.h"
#include "ui/text_grid.h"
#include "ui/user_guide.h"

namespace fendrel {
namespace {

class NewcomerTest : public ::testing::Test {
 protected:
  std::string Status() const {
    return Control<TStatusLine>(form, "StatusLine")->Status().toStdString();
  }

  RecordingDialogs dialogs;
  TForm1 form;
  WindowControls ui{form};
};

// The status line and the wavelet grid say where the bands are and which
// rebuilt samples are forecasts, also to a screen reader.
TEST_F(NewcomerTest, TheWindowSaysWhereTheForecastLands) {
  auto* line = Control<TStatusLine>(form, "StatusLine");
  EXPECT_EQ(line->parentWidget(), form.statusBar());
  EXPECT_EQ(Status().substr(0, Status().find('\n')),
            "Level 0: the series holds all 100 samples (0–99).");
  ui.UpDown1->SetPosition(3);
  form.UpDown1Click(ui.UpDown1, btNext);
  ui.Button2->click();
  EXPECT_EQ(Status(),
            "Level 3: the bands hold samples 0–95 of 100; 4 at the end are left out. Each band "
            "ends in 1 forecast: samples 96–103 at level 0.\n"
            "The forecast starts after sample 95 and replaces the last 4 samples; a level whose "
            "bands reach the end starts after sample 99. The deepest is level 2, stepped to "
            "right after loading.");
  ui.UpDown1->SetPosition(0);
  form.UpDown1Click(ui.UpDown1, btPrev);
  EXPECT_NE(Status().find("The last 8 samples (from 96) are forecasts."), std::string::npos);
  EXPECT_EQ(line->accessibleName().toStdString().find("Level 0:"), 0u);

  // Rows 96 to 103 came from the forecasts; 95 was measured.
  EXPECT_FALSE(ui.sgWave->IsMarkedRow(96));
  EXPECT_TRUE(ui.sgWave->IsMarkedRow(97));
  EXPECT_TRUE(ui.sgWave->IsMarkedRow(104));
  QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(ui.sgWave);
  QAccessibleTableInterface* table = grid->tableInterface();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->cellAt(96, 0)->text(QAccessible::Description), "forecast");
  EXPECT_EQ(table->cellAt(95, 0)->text(QAccessible::Description), "");
  EXPECT_EQ(table->rowDescription(96), "96, forecast");

  // A new series starts from the top-left cell of both grids, the bands unmarked.
  for (TStringGrid* grid : {ui.sgTest, ui.sgWave}) {
    grid->SelectCell({1, 90});
    grid->verticalScrollBar()->setValue(80);
  }
  ui.Button1->click();
  for (TStringGrid* grid : {ui.sgTest, ui.sgWave}) {
    EXPECT_EQ(grid->TopRow(), 1);
    EXPECT_EQ(grid->Current(), (TGridCoord{1, 1}));
  }
  EXPECT_FALSE(ui.sgWave->IsMarkedRow(100));
}

TEST_F(NewcomerTest, ControlsExplainThemselvesAndTheGuideOpens) {
  for (QWidget* control : {static_cast<QWidget*>(ui.Edit1), static_cast<QWidget*>(ui.UpDown1),
                           static_cast<QWidget*>(ui.opRandomSample),
                           static_cast<QWidget*>(ui.Button1), static_cast<QWidget*>(ui.rbMA),
                           static_cast<QWidget*>(ui.rbKNN), static_cast<QWidget*>(ui.Button2)}) {
    EXPECT_GT(control->accessibleDescription().size(), 40) << control->objectName().toStdString();
    EXPECT_TRUE(control->toolTip().contains(control->accessibleDescription().toHtmlEscaped()));
  }
  for (QWidget* control : {static_cast<QWidget*>(ui.Edit2), static_cast<QWidget*>(ui.UpDown2)}) {
    EXPECT_TRUE(control->toolTip().startsWith("<p>Zero = automatic"));
    EXPECT_TRUE(control->accessibleDescription().startsWith("Zero = automatic"));
  }
  EXPECT_TRUE(ui.cbKNN->toolTip().startsWith("<p>Use window average to compute forecast."));

  // Help keeps About first, on F1; the guide follows it.
  auto* help = Control<QMenu>(form, "Help1");
  ASSERT_EQ(help->actions().size(), 2);
  EXPECT_EQ(help->actions()[0]->objectName(), "About1");
  EXPECT_EQ(help->actions()[0]->shortcut(), QKeySequence(Qt::Key_F1));
  EXPECT_EQ(help->actions()[1]->text(), "User Guide");
  help->actions()[1]->trigger();
  auto* guide = form.findChild<TUserGuide*>();
  ASSERT_NE(guide, nullptr);
  EXPECT_TRUE(guide->isVisible());
  EXPECT_FALSE(guide->isModal());
  const QString page = guide->Browser()->toPlainText();
  for (const char* part : {"What a Haar wavelet packet is", "Bringing in your data", "Import",
                           "Reading the bands", "where its values land", "Forecast > Evaluate",
                           "Relative MAE", "Keys", "Saving and exporting"}) {
    EXPECT_TRUE(page.contains(QString::fromUtf8(part))) << part;
  }
  // The picture is there, not a missing image.
  const QVariant picture = guide->Browser()->document()->resource(
      QTextDocument::ImageResource, QUrl(QStringLiteral("qrc:/fendrel/guide/levels.png")));
  EXPECT_FALSE(qvariant_cast<QImage>(picture).isNull());
  help->actions()[1]->trigger();
  EXPECT_EQ(form.findChildren<TUserGuide*>().size(), 1);
}

}  // namespace
}  // namespace fendrel
