#include "platform/dialogs.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

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

}  // namespace
}  // namespace fendrel
