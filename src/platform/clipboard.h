#pragma once

#include <QByteArray>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

class QImage;
class QMimeData;

namespace fendrel {

// The clipboard is held by another program.
class TClipboardError : public std::runtime_error {
 public:
  TClipboardError() : std::runtime_error("Cannot open clipboard") {}
};

// The system clipboard, shared with other programs: every operation opens it,
// does its work and closes it again. When it cannot be opened the operation
// raises TClipboardError and the clipboard keeps what it held.
class TClipboard {
 public:
  virtual ~TClipboard() = default;

  // Empties the clipboard and places text on it as plain text.
  void SetText(std::string_view text);
  // The same, keeping the text rather than copying it; it is read when a
  // program pastes it.
  void KeepText(std::shared_ptr<const std::string> text);
  // The clipboard's plain text; empty when it holds none.
  std::string GetText();
  // Empties the clipboard and places one picture on it, offered as SVG
  // (image/svg+xml) and, for programs that paste no SVG, as PNG (image/png).
  void SetPicture(const QByteArray& svg, const QImage& image);

  static constexpr char SvgFormat[] = "image/svg+xml";
  static constexpr char PngFormat[] = "image/png";

 protected:
  // False when another program holds the clipboard.
  virtual bool Open() = 0;
  virtual void Close() = 0;
  virtual void Empty() = 0;
  // Takes over data as the clipboard's whole contents.
  virtual void Put(std::unique_ptr<QMimeData> data) = 0;
  // What the clipboard holds now, or nullptr.
  virtual const QMimeData* Contents() = 0;

 private:
  class TSession;
  void Place(std::unique_ptr<QMimeData> data);
};

// The desktop's clipboard through Qt. Qt never refuses it, except when
// there is no application object to reach it through.
class TQtClipboard : public TClipboard {
 protected:
  bool Open() override;
  void Close() override {}
  void Empty() override;
  void Put(std::unique_ptr<QMimeData> data) override;
  const QMimeData* Contents() override;
};

}  // namespace fendrel
