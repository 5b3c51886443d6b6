#include "platform/dialogs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractFileIconProvider>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

namespace fendrel {
namespace {

class TitleScope {
 public:
  TitleScope() : saved_(QCoreApplication::applicationName()) {
    QCoreApplication::setApplicationName("Fendrel");
  }
  ~TitleScope() { QCoreApplication::setApplicationName(saved_); }

 private:
  QString saved_;
};

TEST(Dialogs, MessageBoxHasTheTitleNoIconAndOneOkButton) {
  TitleScope title;
  const auto box = CreateMessageBox("Test data copied.");
  EXPECT_EQ(box->windowTitle(), "Fendrel");
  EXPECT_EQ(box->text(), "Test data copied.");
  EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
  ASSERT_EQ(box->buttons().size(), 1);
  EXPECT_EQ(box->standardButton(box->buttons()[0]), QMessageBox::Ok);
  EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Ok));
  EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::Ok));
}

TEST(Dialogs, ErrorBoxShowsTheStopIcon) {
  TitleScope title;
  const auto box = CreateErrorBox("Cannot open clipboard.");
  EXPECT_EQ(box->windowTitle(), "Fendrel");
  EXPECT_EQ(box->icon(), QMessageBox::Critical);
  EXPECT_EQ(box->buttons().size(), 1);
  // Shown as plain text: a file name with markup characters stays as it is.
  EXPECT_EQ(box->textFormat(), Qt::PlainText);
}

TEST(Dialogs, NameFilters) {
  EXPECT_EQ(QtNameFilters("Quillet Sample|*.qls"), "Quillet Sample (*.qls)");
  EXPECT_EQ(QtNameFilters("Text|*.txt;*.csv|All|*"), "Text (*.txt *.csv);;All (*)");
  EXPECT_EQ(QtNameFilters(kOpenFilter),
            "Quillet Sample (*.qls);;Text and CSV files (*.csv *.tsv *.txt *.dat);;All files (*)");
}

TEST(Dialogs, SaveDialogsOfSeveralTypesAddTheChosenTypesExtension) {
  TFileDialog pictures(fdSave, "png", kPictureFilter);
  pictures.SetFileName("/tmp/chart.svg");
  const auto dialog = CreateFileDialog(pictures);
  const QStringList filters = dialog->nameFilters();
  ASSERT_EQ(filters.size(), 3);
  EXPECT_EQ(dialog->selectedNameFilter(), filters[1]);
  EXPECT_EQ(dialog->defaultSuffix(), "svg");
  Q_EMIT dialog->filterSelected(filters[2]);
  EXPECT_EQ(dialog->defaultSuffix(), "pdf");

  EXPECT_EQ(WithChosenExtension("/tmp/chart.v2", kPictureFilter, 1), "/tmp/chart.v2.svg");
  EXPECT_EQ(WithChosenExtension("/tmp/chart.PDF", kPictureFilter, 0), "/tmp/chart.PDF");
  EXPECT_EQ(WithChosenExtension("/tmp/series.x", kSampleFilter, 0), "/tmp/series.x");
  EXPECT_EQ(WithChosenExtension("/tmp/any", kOpenFilter, 2), "/tmp/any");
}

TEST(Dialogs, FileDialogsCheckNothingAndAddTheDefaultExtension) {
  TFileDialog open(fdOpen, "qls", "Quillet Sample|*.qls");
  const auto openDialog = CreateFileDialog(open);
  EXPECT_EQ(openDialog->acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(openDialog->fileMode(), QFileDialog::AnyFile);
  EXPECT_EQ(openDialog->defaultSuffix(), "qls");
  EXPECT_EQ(openDialog->nameFilters(), QStringList{"Quillet Sample (*.qls)"});

  TFileDialog save(fdSave, "qls", "Quillet Sample|*.qls");
  const auto saveDialog = CreateFileDialog(save);
  EXPECT_EQ(saveDialog->acceptMode(), QFileDialog::AcceptSave);
  EXPECT_TRUE(saveDialog->testOption(QFileDialog::DontConfirmOverwrite));
}

TEST(Dialogs, FileDialogsNeverReadAListedFile) {
  // A file whose name says nothing: Qt's own provider reads it to tell its
  // type, which blocks for ever on some special files.
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString told = folder.filePath("told");
  const QString empty = folder.filePath("empty");
  const QString pipe = folder.filePath("pipe");
  QFile file(told);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("%PDF-1.4\n");
  file.close();
  QFile(empty).open(QIODevice::WriteOnly);
  const QString notes = folder.filePath("notes.txt");
  QFile(notes).open(QIODevice::WriteOnly);
  ASSERT_EQ(::mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
  const QAbstractFileIconProvider reading;
  ASSERT_NE(reading.type(QFileInfo(told)), reading.type(QFileInfo(empty)));

  for (const TFileDialogKind kind : {fdOpen, fdSave}) {
    const auto dialog = CreateFileDialog(TFileDialog(kind, "qls", "Quillet Sample|*.qls"));
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    const QAbstractFileIconProvider* icons = dialog->iconProvider();
    ASSERT_NE(icons, nullptr);
    EXPECT_EQ(icons->type(QFileInfo(told)), icons->type(QFileInfo(empty)));
    EXPECT_EQ(icons->type(QFileInfo(notes)), reading.type(QFileInfo(notes)));
    EXPECT_EQ(icons->type(QFileInfo(folder.path())), reading.type(QFileInfo(folder.path())));
    EXPECT_FALSE(icons->icon(QFileInfo(pipe)).isNull());
  }
}

}  // namespace
}  // namespace fendrel
