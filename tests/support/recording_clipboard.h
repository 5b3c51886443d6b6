#pragma once

#include <QByteArray>
#include <QMimeData>
#include <QString>
#include <memory>
#include <string>

#include "platform/clipboard.h"

namespace fendrel {

// A clipboard of its own: it keeps what is placed on it, counts the openings
// and can refuse to open, as when another program holds the clipboard.
class RecordingClipboard : public TClipboard {
 public:

  // Stands for another program placing text (nothing is recorded).
  void HoldText(const std::string& text) {
    data = std::make_unique<QMimeData>();
    data->setText(QString::fromStdString(text));
  }
  std::string Text() const {
    return data != nullptr && data->hasText() ? data->text().toStdString() : std::string();
  }
  QByteArray Format(const char* format) const {
    return data != nullptr ? data->data(QString::fromLatin1(format)) : QByteArray();
  }

  bool refuse = false;
  bool isOpen = false;
  int openings = 0;
  int emptyings = 0;
  std::unique_ptr<QMimeData> data;

 protected:
  bool Open() override {
    ++openings;
    isOpen = !refuse;
    return isOpen;
  }
  void Close() override { isOpen = false; }
  void Empty() override {
    ++emptyings;
    data.reset();
  }
  void Put(std::unique_ptr<QMimeData> placed) override { data = std::move(placed); }
  const QMimeData* Contents() override { return data.get(); }
};

}  // namespace fendrel
