#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "sample/foreign_text.h"

namespace fendrel {

enum class TFileChoice : std::uint8_t {
  fcOpenSample,
  fcSaveSample,
  fcExportWaveData,
  fcExportPicture
};
using enum TFileChoice;

// The chart a picture command works on.
enum class TChartTarget : std::uint8_t { ctTest, ctWave };
using enum TChartTarget;

// What the session asks of the user and the desktop: the confirmation box,
// the error box, a file, the clipboard, a chart's picture, and how to read
// another tool's text. The one way the session reaches the desktop.
class TSessionDesktop {
 public:
  virtual ~TSessionDesktop() = default;

  virtual void ShowMessage(const std::string& text) = 0;
  // A failure's own message; the error box adds the full stop where due.
  virtual void ShowError(const std::string& message) = 0;
  // The chosen path in `path`; false when the user cancelled.
  virtual bool ChooseFile(TFileChoice choice, std::string& path) = 0;
  // Empties the clipboard and places the text on it.
  virtual void SetClipboardText(std::string_view text) = 0;
  // The same for a text a job made, which the desktop may keep instead of
  // copying: a table of millions of rows is hundreds of megabytes.
  virtual void KeepClipboardText(std::shared_ptr<const std::string> text) {
    SetClipboardText(*text);
  }
  // The clipboard's plain text; empty when it holds none.
  virtual std::string ClipboardText() = 0;
  // Asks how to read a text of three or more columns (the Import dialog);
  // false when the user cancelled.
  virtual bool AskImport(TImportQuestion& question) = 0;
  // Empties the clipboard and places a chart's picture on it. A front end
  // without charts has none to give.
  virtual void CopyChartPicture(TChartTarget /*target*/) {}
  // Writes a chart's picture to `path`, in the type its name asks for.
  virtual void SaveChartPicture(TChartTarget /*target*/, const std::string& /*path*/) {}
};

}  // namespace fendrel
