#pragma once

#include <QDialog>
#include <optional>

#include "platform/dialogs.h"
#include "sample/foreign_text.h"

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QSpinBox;
class QTableWidget;

namespace fendrel {

class TQtJobRunner;

// The layout of another tool's text, shown and open to change before the text
// is read: its first rows under the column names, the delimiter, the decimal
// separator, the header lines, the value column and what the reading gives.
// Every change shows at once. Return (OK) reads; Escape (Cancel) changes
// nothing.
class TImportDialog : public QDialog {
 public:
  explicit TImportDialog(TImportQuestion& question, QWidget* parent = nullptr);
  ~TImportDialog() override;

  // The first rows shown.
  static constexpr int kPreviewRows = 20;

  QTableWidget* Preview() const { return preview_; }
  QComboBox* Delimiter() const { return delimiter_; }
  QComboBox* Separator() const { return separator_; }
  QSpinBox* HeaderLines() const { return header_; }
  QComboBox* ValueColumn() const { return value_; }
  QLabel* Counts() const { return counts_; }

  void accept() override;

  // The desktop's import question: the dialog, modal over the active window.
  static bool Run(TImportQuestion& question);

 private:
  // After the delimiter or the header lines changed.
  void Describe();
  void ShowColumns();
  // Reads the whole text by the layout shown, as a job: a large text reads
  // on the workers while the dialog answers, and a newer choice drops it.
  void ReadAgain();
  void ShowRead();

  TImportQuestion& question_;
  TTextLayout layout_;
  std::optional<TForeignRead> read_;
  QTableWidget* preview_ = nullptr;
  QComboBox* delimiter_ = nullptr;
  QComboBox* separator_ = nullptr;
  QSpinBox* header_ = nullptr;
  QComboBox* value_ = nullptr;
  QLabel* counts_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
  bool updating_ = false;
  TQtJobRunner* reader_ = nullptr;
};

// The window's own boxes: the desktop's, with the Import dialog for the
// import question.
class TWindowDialogs : public TQtDialogs {
 public:
  bool AskImport(TImportQuestion& question) override;
};

}  // namespace fendrel
