#include "platform/clipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QString>

namespace fendrel {

namespace {

QByteArray PngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

}  // namespace

// Holds the clipboard open for one operation and closes it however the
// operation ends.
class TClipboard::TSession {
 public:
  explicit TSession(TClipboard& clipboard) : clipboard_(clipboard) {
    if (!clipboard_.Open()) throw TClipboardError();
  }
  ~TSession() { clipboard_.Close(); }
  TSession(const TSession&) = delete;
  TSession& operator=(const TSession&) = delete;

 private:
  TClipboard& clipboard_;
};

void TClipboard::SetText(std::string_view text) {
  auto data = std::make_unique<QMimeData>();
  // As UTF-8 bytes: a copied table of millions of rows made into a string of
  // Qt's own would hold up the window for seconds.
  data->setData(QStringLiteral("text/plain"),
                QByteArray(text.data(), static_cast<qsizetype>(text.size())));
  Place(std::move(data));
}

std::string TClipboard::GetText() {
  const TSession session(*this);
  const QMimeData* data = Contents();
  if (data == nullptr || !data->hasText()) return {};
  return data->text().toStdString();
}

void TClipboard::SetPicture(const QByteArray& svg, const QImage& image) {
  auto data = std::make_unique<QMimeData>();
  data->setData(QString::fromLatin1(SvgFormat), svg);
  data->setData(QString::fromLatin1(PngFormat), PngBytes(image));
  Place(std::move(data));
}

void TClipboard::Place(std::unique_ptr<QMimeData> data) {
  // Everything is made before the clipboard is opened, so it is held only
  // for the hand-over.
  const TSession session(*this);
  Empty();
  Put(std::move(data));
}

bool TQtClipboard::Open() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr &&
         QGuiApplication::clipboard() != nullptr;
}

void TQtClipboard::Empty() { QGuiApplication::clipboard()->clear(); }

void TQtClipboard::Put(std::unique_ptr<QMimeData> data) {
  QGuiApplication::clipboard()->setMimeData(data.release());
}

const QMimeData* TQtClipboard::Contents() { return QGuiApplication::clipboard()->mimeData(); }

}  // namespace fendrel
