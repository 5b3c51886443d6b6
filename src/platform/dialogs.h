#pragma once

#include <memory>
#include <string>

#include "sample/foreign_text.h"

class QFileDialog;
class QMessageBox;
class QString;

namespace fendrel {

enum TFileDialogKind { fdOpen, fdSave };

class TDialogs;

// The filters of the program's file dialogs.
inline constexpr char kSampleFilter[] = "Quillet Sample|*.qls";
inline constexpr char kOpenFilter[] =
    "Quillet Sample|*.qls|Text and CSV files|*.csv;*.tsv;*.txt;*.dat|All files|*";
inline constexpr char kWaveDataFilter[] = "CSV file|*.csv";
inline constexpr char kPictureFilter[] = "PNG image|*.png|SVG picture|*.svg|PDF document|*.pdf";

// The settings of a standard open or save dialog and the file name last chosen
// in it. The filter is "label|pattern" pairs joined by '|', as in
// "Quillet Sample|*.qls".
class TFileDialog {
 public:
  TFileDialog(TFileDialogKind kind, std::string defaultExt, std::string filter);

  TFileDialogKind Kind() const { return kind_; }
  const std::string& DefaultExt() const { return defaultExt_; }
  const std::string& Filter() const { return filter_; }
  const std::string& FileName() const { return fileName_; }
  void SetFileName(std::string fileName) { fileName_ = std::move(fileName); }
  // The caption; empty for the desktop's own ("Open", "Save As").
  const std::string& Title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }

  // Shows the dialog through `dialogs`; true, with FileName() set, when the
  // user chose a file; false, with nothing changed, when they cancelled.
  bool Execute(TDialogs& dialogs);

 private:
  TFileDialogKind kind_;
  std::string defaultExt_;
  std::string filter_;
  std::string fileName_;
  std::string title_;
};

// Every modal box the program shows goes through this interface, so that tests
// can answer them without a person.
class TDialogs {
 public:
  virtual ~TDialogs() = default;
  // The confirmation box: the application title as caption, no icon, one "OK".
  virtual void ShowMessage(const std::string& text) = 0;
  // The error box: the application title as caption, the stop icon, one "OK".
  // The text arrives exactly as it is to be shown.
  virtual void ShowError(const std::string& text) = 0;
  // Returns the chosen path in fileName; false when the user cancelled.
  virtual bool ChooseFile(const TFileDialog& dialog, std::string& fileName) = 0;
  // The import dialog over another tool's text: true, with the answer in
  // question.layout, to read the text; false when the user cancelled.
  // Answerers without a person take the proposal.
  virtual bool AskImport(TImportQuestion& /*question*/) { return true; }
};

// The desktop implementation over Qt's message box and file dialog.
class TQtDialogs : public TDialogs {
 public:
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  bool ChooseFile(const TFileDialog& dialog, std::string& fileName) override;
  // The import dialog lives with the window's other dialogs, above this
  // layer: the window's own dialogs show it; these take the proposal.
};

// The configured, not yet shown boxes of TQtDialogs, apart so their settings
// can be checked without showing them.
std::unique_ptr<QMessageBox> CreateMessageBox(const std::string& text);
std::unique_ptr<QMessageBox> CreateErrorBox(const std::string& text);
std::unique_ptr<QFileDialog> CreateFileDialog(const TFileDialog& dialog);
// "Quillet Sample|*.qls" becomes "Quillet Sample (*.qls)"; several pairs are
// joined by ";;".
QString QtNameFilters(const std::string& filter);
// The extension of entry `index` (from 0) of a filter, from its first
// pattern "*.ext"; empty for "*" or an index past the end.
std::string FilterExtension(const std::string& filter, int index);
// A save dialog that offers several types writes the one chosen: a name
// whose extension is none of the filter's gets the chosen entry's added.
std::string WithChosenExtension(const std::string& fileName, const std::string& filter, int chosen);

}  // namespace fendrel
