#include "platform/clipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace fendrel {

namespace {

QByteArray PngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

// Plain text as UTF-8 bytes, copied from the string it keeps only when a
// program asks for it: copying a text of hundreds of megabytes when it is
// placed would hold up the window at every Copy.
class TKeptText : public QMimeData {
 public:
  explicit TKeptText(std::shared_ptr<const std::string> text) : text_(std::move(text)) {}

  QStringList formats() const override { return {QStringLiteral("text/plain")}; }
  bool hasFormat(const QString& mimeType) const override {
    return mimeType == QStringLiteral("text/plain");
  }

 protected:
  QVariant retrieveData(const QString& mimeType, QMetaType /*type*/) const override {
    if (!hasFormat(mimeType)) return {};
    // Copied only now, when a program pastes: a reader may keep the bytes
    // after the clipboard has dropped this object.
    return QByteArray(text_->data(), static_cast<qsizetype>(text_->size()));
  }

 private:
  std::shared_ptr<const std::string> text_;
};

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

void TClipboard::KeepText(std::shared_ptr<const std::string> text) {
  Place(std::make_unique<TKeptText>(std::move(text)));
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
