#include "platform/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <vector>

#include "platform/busy_cursor.h"
#include "platform/file_icon_provider.h"

namespace fendrel {

namespace {

// Shared by every file dialog, which only refers to it.
TFileIconProvider& FileIcons() {
  static TFileIconProvider icons;
  return icons;
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

// One "label|patterns" entry of a filter, its patterns split at ';'.
struct TFilterEntry {
  QString label;
  QStringList patterns;
};

std::vector<TFilterEntry> FilterEntries(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  std::vector<TFilterEntry> entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    entries.push_back({parts[i], parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)});
  }
  return entries;
}

QString PatternExtension(const QString& pattern) {
  const QString trimmed = pattern.trimmed();
  if (!trimmed.startsWith(QLatin1String("*.")) || trimmed.size() < 3) return {};
  const QString extension = trimmed.mid(2);
  return extension.contains(QLatin1Char('*')) ? QString() : extension;
}

}  // namespace

TFileDialog::TFileDialog(TFileDialogKind kind, std::string defaultExt, std::string filter)
    : kind_(kind), defaultExt_(std::move(defaultExt)), filter_(std::move(filter)) {}

bool TFileDialog::Execute(TDialogs& dialogs) {
  std::string chosen;
  if (!dialogs.ChooseFile(*this, chosen)) return false;
  fileName_ = std::move(chosen);
  return true;
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
  if (dialog.Kind() == fdSave) {
    const int chosen = static_cast<int>(QtNameFilters(dialog.Filter())
                                            .split(QStringLiteral(";;"))
                                            .indexOf(qtDialog->selectedNameFilter()));
    fileName = WithChosenExtension(fileName, dialog.Filter(), chosen);
  }
  return true;
}

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
  if (!dialog.Title().empty()) qtDialog->setWindowTitle(QString::fromStdString(dialog.Title()));
  const QStringList filters = QtNameFilters(dialog.Filter()).split(QStringLiteral(";;"));
  qtDialog->setNameFilters(filters);
  qtDialog->setDefaultSuffix(QString::fromStdString(dialog.DefaultExt()));
  // With several types the extension added to a bare name follows the type
  // chosen, which starts as the one of the name chosen last.
  if (filters.size() > 1) {
    QFileDialog* const shown = qtDialog.get();
    const std::string filter = dialog.Filter();
    QObject::connect(shown, &QFileDialog::filterSelected, shown,
                     [shown, filter, filters](const QString& selected) {
                       shown->setDefaultSuffix(QString::fromStdString(
                           FilterExtension(filter, static_cast<int>(filters.indexOf(selected)))));
                     });
    const QString last = QFileInfo(QString::fromStdString(dialog.FileName())).suffix();
    const std::vector<TFilterEntry> entries = FilterEntries(dialog.Filter());
    for (std::size_t i = 0; i < entries.size() && !last.isEmpty(); ++i) {
      if (entries[i].patterns.contains(QStringLiteral("*.") + last, Qt::CaseInsensitive)) {
        qtDialog->selectNameFilter(filters[static_cast<qsizetype>(i)]);
        qtDialog->setDefaultSuffix(last);
        break;
      }
    }
  }
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
  QStringList filters;
  for (const TFilterEntry& entry : FilterEntries(filter)) {
    filters << QStringLiteral("%1 (%2)").arg(entry.label, entry.patterns.join(QLatin1Char(' ')));
  }
  return filters.join(QStringLiteral(";;"));
}

std::string FilterExtension(const std::string& filter, int index) {
  const std::vector<TFilterEntry> entries = FilterEntries(filter);
  if (index < 0 || static_cast<std::size_t>(index) >= entries.size()) return {};
  const QStringList& patterns = entries[static_cast<std::size_t>(index)].patterns;
  return patterns.isEmpty() ? std::string() : PatternExtension(patterns.front()).toStdString();
}

std::string WithChosenExtension(const std::string& fileName, const std::string& filter,
                                int chosen) {
  const std::vector<TFilterEntry> entries = FilterEntries(filter);
  const std::string extension = FilterExtension(filter, chosen);
  if (entries.size() < 2 || extension.empty() || fileName.empty()) return fileName;
  const QString suffix = QFileInfo(QString::fromStdString(fileName)).suffix();
  for (const TFilterEntry& entry : entries) {
    for (const QString& pattern : entry.patterns) {
      const QString known = PatternExtension(pattern);
      if (!known.isEmpty() && known.compare(suffix, Qt::CaseInsensitive) == 0) return fileName;
    }
  }
  return fileName + "." + extension;
}

}  // namespace fendrel
