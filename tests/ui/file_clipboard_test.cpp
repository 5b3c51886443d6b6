#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "chart/chart.h"
#include "chart/series.h"
#include "platform/clipboard.h"
#include "platform/locale.h"
#include "sample/clipboard_text.h"
#include "sample/sample_data.h"
#include "sample/sample_file.h"
#include "sample/text_format.h"
#include "support/recording_clipboard.h"
#include "support/recording_dialogs.h"
#include "support/window_controls.h"
#include "ui/main_window.h"
#include "ui/popup_menu.h"
#include "ui/text_grid.h"
#include "wavelet/wavelet.h"

namespace fendrel {
namespace {

namespace fs = std::filesystem;

// Keeps what the clipboard held at the moment each message was shown, and
// whether an error box came up under the busy cursor.
class OrderDialogs : public RecordingDialogs {
 public:
  void ShowMessage(const std::string& text) override {
    clipboardAtMessage.push_back(clipboard->Text());
    RecordingDialogs::ShowMessage(text);
  }
  void ShowError(const std::string& text) override {
    busyAtError.push_back(QGuiApplication::overrideCursor() != nullptr);
    RecordingDialogs::ShowError(text);
  }

  RecordingClipboard* clipboard = nullptr;
  std::vector<std::string> clipboardAtMessage;
  std::vector<bool> busyAtError;
};

// Everything the file and clipboard commands may change.
struct WindowState {
  std::vector<std::pair<double, double>> samples;
  int level, levelMax, window, windowMax;
  int testRows, waveRows, waveCols, testPoints, waveSeries;
  std::string lastTestCell, lastWaveCell, foot;

  bool operator==(const WindowState&) const = default;
};

class FileClipboardTest : public ::testing::Test {
 protected:
  FileClipboardTest() {
    ApplySeparators({'.', ","});
    dialogs.clipboard = &clipboard;
    folder = fs::temp_directory_path() /
             ("fendrel-file-commands-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  ~FileClipboardTest() override { fs::remove_all(folder); }

  WindowState State() const {
    WindowState s{};
    for (int i = 0; i < form.Session().TestData().Count(); ++i) {
      s.samples.emplace_back(form.Session().TestData().GetX(i), form.Session().TestData().GetY(i));
    }
    s.level = ui.UpDown1->Position();
    s.levelMax = ui.UpDown1->Max();
    s.window = ui.UpDown2->Position();
    s.windowMax = ui.UpDown2->Max();
    s.testRows = ui.sgTest->RowCount();
    s.waveRows = ui.sgWave->RowCount();
    s.waveCols = ui.sgWave->ColCount();
    s.testPoints = ui.chTest->SeriesAt(0)->PointCount();
    s.waveSeries = ui.chWave->SeriesTotal();
    s.lastTestCell = ui.sgTest->Cell(1, s.testRows - 1);
    s.lastWaveCell = ui.sgWave->Cell(s.waveCols - 1, s.waveRows - 1);
    s.foot = ui.chWave->Foot().Text().empty() ? "" : ui.chWave->Foot().Text()[0];
    return s;
  }

  // A right click on a control, as the user opens its context menu.
  static void RightClick(QWidget* control, TPopupMenu* menu) {
    QWidget* target = control;
    if (auto* grid = qobject_cast<QAbstractScrollArea*>(control)) target = grid->viewport();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            target->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(target, &event);
    menu->hide();
  }

  // Shortcuts reach only the active window.
  void ShowActive() {
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  }

  void SetLevel(int level) {
    ui.UpDown1->SetPosition(static_cast<std::int16_t>(level));
    form.UpDown1Click(ui.UpDown1, btNext);
  }

  std::string PathOf(const std::string& name) const { return (folder / name).string(); }
  static std::string Contents(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
  }

  RecordingClipboard clipboard;
  OrderDialogs dialogs;
  TDesktop desktop{dialogs, clipboard};
  TForm1 form{nullptr, &desktop};
  WindowControls ui{form};
  fs::path folder;
};

TEST_F(FileClipboardTest, EditMenuActsWhereTheContextMenuWasLastOpened) {
  // Before any context menu: the test grid and the test chart.
  ui.CopyData1->trigger();
  EXPECT_EQ(clipboard.Text(), TestDataText(form.Session().TestData()));
  ui.CopyChart1->trigger();
  EXPECT_TRUE(clipboard.Format(TClipboard::SvgFormat).contains("Test data"));

  SetLevel(2);
  RightClick(ui.sgWave, ui.PopupMenu1);
  const WindowState before = State();
  clipboard.HoldText("0;1;1;2");
  ui.PastData1->trigger();
  EXPECT_EQ(State(), before);
  EXPECT_EQ(clipboard.Text(), "0;1;1;2");

  ui.CopyData1->trigger();
  std::vector<const TSampleData*> bands;
  for (int b = 0; b < 4; ++b) bands.push_back(form.Session().Wavelet().GetBand(b));
  EXPECT_EQ(clipboard.Text(), BandTableText(bands));
  EXPECT_EQ(clipboard.Text().substr(0, 2), "0\t");

  RightClick(ui.chWave, ui.PopupMenu2);
  ui.CopyChart1->trigger();
  EXPECT_TRUE(clipboard.Format(TClipboard::SvgFormat).contains("Level 2"));
  RightClick(ui.chTest, ui.PopupMenu2);
  ui.Copy2->trigger();
  EXPECT_FALSE(clipboard.Format(TClipboard::SvgFormat).contains("Level 2"));

  RightClick(ui.sgTest, ui.PopupMenu1);
  ui.Copy1->trigger();
  EXPECT_EQ(clipboard.Text(), TestDataText(form.Session().TestData()));

  EXPECT_EQ(dialogs.messages,
            (std::vector<std::string>{"Test data copied.", "Chart copied.",
                                      "Wavelet data cannot be pasted.", "Wavelet data copied.",
                                      "Chart copied.", "Chart copied.", "Test data copied."}));
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(FileClipboardTest, CopiedTestDataPastesBackAndConfirmationsFollowTheClipboard) {
  ui.opRandomSample->setChecked(true);
  QTest::mouseClick(ui.Button1, Qt::LeftButton);
  for (int i = 0; i < 100; ++i) form.Session().TestData().SetX(i, 1000.0 + i);
  const std::vector<double> ys(form.Session().TestData().YData(),
                               form.Session().TestData().YData() + 100);
  ui.Copy1->trigger();
  // The copy was already on the clipboard when it was confirmed.
  EXPECT_EQ(dialogs.clipboardAtMessage, std::vector<std::string>{clipboard.Text()});

  ui.UpDown2->SetPosition(7);
  SetLevel(3);
  ui.Past1->trigger();
  ASSERT_EQ(form.Session().TestData().Count(), 100);
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(form.Session().TestData().GetX(i), i);
    ASSERT_EQ(form.Session().TestData().GetY(i), ReadNumberOrZero(FormatKept(ys[i])));
  }
  const WindowState s = State();
  EXPECT_EQ(s.level, 0);
  EXPECT_EQ(s.window, 7);
  EXPECT_EQ(s.foot, "Level 0");
  EXPECT_EQ(s.lastTestCell, FormatFixed(form.Session().TestData().GetY(99), 15, 6));
  EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"Test data copied.", "Test data pasted."}));
}

TEST_F(FileClipboardTest, PasteTakesPairsAndNeedsAtLeastOneField) {
  SetLevel(1);
  const WindowState before = State();
  clipboard.data.reset();
  ui.PastData1->trigger();
  clipboard.HoldText(" \t\r\n ");
  ui.PastData1->trigger();
  EXPECT_EQ(State(), before);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(clipboard.emptyings, 0);

  clipboard.HoldText("1;2;3");
  ui.PastData1->trigger();
  EXPECT_EQ(State().samples, (std::vector<std::pair<double, double>>{{0, 2}}));
  // A header line and nothing under it.
  clipboard.HoldText("Value");
  ui.PastData1->trigger();
  const WindowState empty = State();
  EXPECT_TRUE(empty.samples.empty());
  EXPECT_EQ(std::vector<int>({empty.testRows, empty.waveRows, empty.testPoints, empty.levelMax,
                              ui.chWave->SeriesAt(0)->PointCount()}),
            std::vector<int>({1, 1, 0, 0, 0}));
  EXPECT_EQ(dialogs.messages, std::vector<std::string>(2, "Test data pasted."));
}

TEST_F(FileClipboardTest, HeldClipboardIsReportedAndChangesNothing) {
  clipboard.HoldText("0;7");
  clipboard.refuse = true;
  const WindowState before = State();
  ui.CopyData1->trigger();
  ui.PastData1->trigger();
  ui.CopyChart1->trigger();
  ui.CopyModel1->trigger();
  EXPECT_EQ(dialogs.errors, std::vector<std::string>(4, "Cannot open clipboard."));
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(State(), before);
  EXPECT_EQ(clipboard.Text(), "0;7");
  EXPECT_TRUE(ui.chTest->Canvas().BufferedDisplay());
  EXPECT_FALSE(ui.chTest->Canvas().Metafiling());
}

TEST_F(FileClipboardTest, CopyWaveDataCopiesTheBandTableOfTheCurrentLevel) {
  SetLevel(1);
  QTest::mouseClick(ui.Button2, Qt::LeftButton);
  ui.CopyModel1->trigger();
  const std::string text = clipboard.Text();
  EXPECT_EQ(text, BandTableText(
                      {form.Session().Wavelet().GetBand(0), form.Session().Wavelet().GetBand(1)}));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 51);  // the forecast row too
  EXPECT_EQ(dialogs.messages, std::vector<std::string>{"Wave data copied."});
  EXPECT_EQ(dialogs.clipboardAtMessage, std::vector<std::string>{text});
}

TEST_F(FileClipboardTest, OpenReadsTheFileAndReturnsToLevelZero) {
  ShowActive();
  const std::string path = PathOf("seven.qls");
  std::ofstream(path, std::ios::binary) << "0,1\r\n1,2\r\n2,3\r\n3,4\r\n4,5\r\n5,6\r\n6,7";
  SetLevel(3);
  ui.UpDown2->SetPosition(9);
  dialogs.fileAnswers = {path};
  QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
  const WindowState s = State();
  ASSERT_EQ(s.samples.size(), 7u);
  EXPECT_EQ(s.samples.back(), (std::pair<double, double>{6, 7}));
  EXPECT_EQ(std::vector<int>({s.level, s.levelMax, s.window, s.windowMax, s.testRows, s.waveRows}),
            std::vector<int>({0, 1, 9, 6, 8, 8}));
  EXPECT_EQ(form.OpenDialog1.FileName(), path);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_TRUE(dialogs.errors.empty());
}

// Another tool's text: three columns ask which is the series, a cancelled
// question changes nothing, and filled-in values are told once the series
// shows, by the box unless the question was asked.
TEST_F(FileClipboardTest, OtherToolsTextAsksForItsColumnAndTellsWhatWasFilledIn) {
  const std::string three = PathOf("three.csv");
  std::ofstream(three, std::ios::binary) << ",YEAR,SUNACTIVITY\n0,1700.0,5.0\n1,1701.0,\n2,1702.0,16.0\n";
  const WindowState before = State();
  dialogs.fileAnswers = {three, three};
  dialogs.importAnswers = {-1};
  ui.Open1->trigger();
  EXPECT_EQ(State(), before);
  ui.Open1->trigger();
  ASSERT_EQ(dialogs.importQuestions.size(), 2u);
  EXPECT_EQ(dialogs.importQuestions[1].valueColumn, 2);
  EXPECT_EQ(State().samples,
            (std::vector<std::pair<double, double>>{{0, 5}, {1, 10.5}, {2, 16}}));
  EXPECT_TRUE(dialogs.messages.empty());

  const std::string two = PathOf("two.csv");
  std::ofstream(two, std::ios::binary) << "\"\",\"x\"\n\"1\",NA\n\"2\",112\n\"3\",NA\n\"4\",NA\n";
  dialogs.fileAnswers = {two};
  ui.Open1->trigger();
  EXPECT_EQ(State().samples,
            (std::vector<std::pair<double, double>>{{1, 112}, {2, 112}, {3, 112}, {4, 112}}));
  EXPECT_EQ(State().testRows, 5);
  EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"3 missing values were filled in."}));

  clipboard.HoldText("a\tb\tc\r\n1\t2\t3\r\n4\t5\tnan\r\n");
  dialogs.importAnswers = {1};
  ui.PastData1->trigger();
  EXPECT_EQ(State().samples, (std::vector<std::pair<double, double>>{{0, 2}, {1, 5}}));
  EXPECT_EQ(dialogs.importQuestions.size(), 3u);
  EXPECT_EQ(dialogs.messages.back(), "Test data pasted.");
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(FileClipboardTest, CancelAndUnreadableFilesLeaveEverything) {
  SetLevel(2);
  QTest::mouseClick(ui.Button2, Qt::LeftButton);
  const WindowState before = State();
  dialogs.fileAnswers = {"", "", folder.string(), PathOf("missing.qls")};
  ui.Open1->trigger();
  ui.Save1->trigger();
  EXPECT_TRUE(fs::is_empty(folder));
  EXPECT_TRUE(dialogs.errors.empty());
  ui.Open1->trigger();
  ui.Open1->trigger();
  EXPECT_EQ(State(), before);
  EXPECT_EQ(dialogs.errors,
            (std::vector<std::string>{
                "Cannot open file \"" + folder.string() + "\". Is a directory.",
                "Cannot open file \"" + PathOf("missing.qls") + "\". No such file or directory."}));
  EXPECT_TRUE(dialogs.messages.empty());
}

// A command shows the busy cursor until the paints it asked for are done; a
// failing one takes it away before its error box and leaves none behind.
TEST_F(FileClipboardTest, BusyCursorLastsUntilPaintedAndNeverCoversTheErrorBox) {
  ui.Button1->click();
  EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  dialogs.fileAnswers = {PathOf("missing.qls")};
  ui.Open1->trigger();
  EXPECT_EQ(dialogs.busyAtError, std::vector<bool>{false});
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// The desktop's way in: once the drop has ended, the file opens as through
// Open, with the same error box when it cannot be read.
TEST_F(FileClipboardTest, DroppedFileOpensAsOpenDoes) {
  const std::string path = PathOf("two.qls");
  std::ofstream(path, std::ios::binary) << "0,1.5\r\n1,2.5\r\n";
  const auto drop = [&](const QMimeData& data) {
    QDragEnterEvent enter(QPoint(300, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent dropped(QPointF(300, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &dropped);
    return dropped.isAccepted();
  };
  const auto files = [](const std::vector<std::string>& paths) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const std::string& p : paths) urls.append(QUrl::fromUserInput(QString::fromStdString(p)));
    data->setUrls(urls);
    return data;
  };
  // Qt offers a drag to the innermost widget under it that takes drops: over
  // every control that is the window.
  for (QWidget* control : form.findChildren<QWidget*>()) {
    if (control->window() != &form) continue;  // menus
    QWidget* target = control;
    while (!target->acceptDrops() && !target->isWindow()) target = target->parentWidget();
    EXPECT_EQ(target, &form) << control->metaObject()->className();
  }
  SetLevel(2);
  const WindowState before = State();
  QMimeData text;
  text.setText("0 1 1 2");
  EXPECT_FALSE(drop(text));
  EXPECT_FALSE(drop(*files({"https://example.org/a.qls"})));

  ASSERT_TRUE(drop(*files({"https://example.org/a.qls", path})));
  EXPECT_EQ(State(), before) << "read before the drop ended";
  QCoreApplication::processEvents();
  const WindowState s = State();
  EXPECT_EQ(s.samples, (std::vector<std::pair<double, double>>{{0, 1.5}, {1, 2.5}}));
  EXPECT_EQ(s.level, 0);

  ASSERT_TRUE(drop(*files({PathOf("missing.qls")})));
  QCoreApplication::processEvents();
  EXPECT_EQ(State(), s);
  EXPECT_EQ(dialogs.errors,
            (std::vector<std::string>{"Cannot open file \"" + PathOf("missing.qls") +
                                      "\". No such file or directory."}));
}

TEST_F(FileClipboardTest, SaveWritesTheTestSeriesOnlyAndReplacesWithoutAsking) {
  const std::string path = PathOf("out.qls");
  std::ofstream(path, std::ios::binary) << "old contents\r\n";
  const std::string expected = SampleFileText(form.Session().TestData());
  SetLevel(1);
  QTest::mouseClick(ui.Button2, Qt::LeftButton);
  SetLevel(0);  // the forecasts are now in the rebuilt packet, not in the series
  ASSERT_EQ(form.Session().Wavelet().GetBand(0)->Count(), 102);
  const WindowState before = State();
  ShowActive();
  dialogs.fileAnswers = {path, PathOf("missing/out.qls")};
  QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(Contents(path), expected);
  EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 100);
  EXPECT_EQ(State(), before);
  EXPECT_EQ(form.SaveDialog1.FileName(), path);
  EXPECT_TRUE(dialogs.messages.empty());

  ui.Save1->trigger();
  EXPECT_EQ(dialogs.errors,
            std::vector<std::string>{"Cannot create file \"" + PathOf("missing/out.qls") +
                                     "\". No such file or directory."});
  EXPECT_EQ(Contents(path), expected);
}

}  // namespace
}  // namespace fendrel
