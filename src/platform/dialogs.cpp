#include "platform/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include "platform/busy_cursor.h"
#include "platform/file_icon_provider.h"

namespace fendrel {

namespace {

TDialogs* installed = nullptr;
TImportDialogRunner importDialog = nullptr;

// Shared by every file dialog, which only refers to it.
TFileIconProvider& FileIcons() {
  static TFileIconProvider icons;
  return icons;
}

TQtDialogs& DesktopDialogs() {
  static TQtDialogs dialogs;
  return dialogs;
}

std::unique_ptr<QMessageBox> CreateBox(const std::string& text, QMessageBox::Icon icon) {
  // No parent: the box is centred on the screen and application-modal.
  auto box = std::make_unique<QMessageBox>(icon, QCoreApplication::applicationName(),
                                           QString::fromStdString(text), QMessageBox::Ok);
  box->setDefaultButton(QMessageBox::Ok);
  box->setEscapeButton(QMessageBox::Ok);
  box->setTextFormat(Qt::PlainText);
  box->setWindowModality(Qt::ApplicationModal);
  return box;
}

}  // namespace

TFileDialog::TFileDialog(TFileDialogKind kind, std::string defaultExt, std::string filter)
    : kind_(kind), defaultExt_(std::move(defaultExt)), filter_(std::move(filter)) {}

bool TFileDialog::Execute() {
  std::string chosen;
  if (!Dialogs().ChooseFile(*this, chosen)) return false;
  fileName_ = std::move(chosen);
  return true;
}

TDialogs& Dialogs() { return installed != nullptr ? *installed : DesktopDialogs(); }

TDialogs* SetDialogs(TDialogs* dialogs) {
  TDialogs* previous = installed;
  installed = dialogs;
  return previous;
}

// A box waits for the user, not the user for the program: no busy cursor
// over it.
void TQtDialogs::ShowMessage(const std::string& text) {
  const TBusyCursor::TPause pause;
  CreateMessageBox(text)->exec();
}

void TQtDialogs::ShowError(const std::string& text) {
  const TBusyCursor::TPause pause;
  CreateErrorBox(text)->exec();
}

bool TQtDialogs::ChooseFile(const TFileDialog& dialog, std::string& fileName) {
  const TBusyCursor::TPause pause;
  auto qtDialog = CreateFileDialog(dialog);
  if (qtDialog->exec() != QDialog::Accepted) return false;
  const QStringList files = qtDialog->selectedFiles();
  if (files.isEmpty()) return false;
  fileName = files.front().toStdString();
  return true;
}

bool TQtDialogs::AskImport(TImportQuestion& question) {
  if (importDialog == nullptr) return true;
  const TBusyCursor::TPause pause;
  return importDialog(question);
}

void SetImportDialog(TImportDialogRunner run) { importDialog = run; }

std::unique_ptr<QMessageBox> CreateMessageBox(const std::string& text) {
  return CreateBox(text, QMessageBox::NoIcon);
}

std::unique_ptr<QMessageBox> CreateErrorBox(const std::string& text) {
  return CreateBox(text, QMessageBox::Critical);
}

std::unique_ptr<QFileDialog> CreateFileDialog(const TFileDialog& dialog) {
  auto qtDialog = std::make_unique<QFileDialog>(QApplication::activeWindow());
  // Qt's own dialog with a provider that never opens a listed file: the
  // desktop's dialogs and Qt's default provider read files to guess their
  // type, and a special file can block that read for ever.
  qtDialog->setOption(QFileDialog::DontUseNativeDialog, true);
  qtDialog->setIconProvider(&FileIcons());
  qtDialog->setOption(QFileDialog::DontUseCustomDirectoryIcons, true);
  qtDialog->setNameFilter(QtNameFilters(dialog.Filter()));
  qtDialog->setDefaultSuffix(QString::fromStdString(dialog.DefaultExt()));
  // Neither dialog checks anything: the open dialog accepts a name that does
  // not exist yet and the save dialog replaces a file without asking.
  qtDialog->setFileMode(QFileDialog::AnyFile);
  if (dialog.Kind() == fdSave) {
    qtDialog->setAcceptMode(QFileDialog::AcceptSave);
    qtDialog->setOption(QFileDialog::DontConfirmOverwrite, true);
  } else {
    qtDialog->setAcceptMode(QFileDialog::AcceptOpen);
  }
  qtDialog->setSizeGripEnabled(true);
  if (!dialog.FileName().empty()) qtDialog->selectFile(QString::fromStdString(dialog.FileName()));
  return qtDialog;
}

QString QtNameFilters(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
  }
  return filters.join(QStringLiteral(";;"));
}

}  // namespace fendrel
