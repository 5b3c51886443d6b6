#include "ui/status_line.h"

#include <QEvent>
#include <QFontMetrics>
#include <QStringList>

namespace fendrel {

namespace {

constexpr int kLines = 2;

}  // namespace

TStatusLine::TStatusLine(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  setFocusPolicy(Qt::NoFocus);
}

void TStatusLine::SetStatus(const std::string& text) {
  const QString status = QString::fromStdString(text);
  if (status == status_) return;
  status_ = status;
  setToolTip(status_);
  setAccessibleName(QString(status_).replace(QLatin1Char('\n'), QLatin1Char(' ')));
  Elide();
}

QSize TStatusLine::sizeHint() const {
  const QMargins m = contentsMargins();
  return {100, kLines * fontMetrics().lineSpacing() + m.top() + m.bottom() + 2 * margin()};
}

QSize TStatusLine::minimumSizeHint() const { return {0, sizeHint().height()}; }

void TStatusLine::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void TStatusLine::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    updateGeometry();
    Elide();
  }
}

void TStatusLine::Elide() {
  const int room = std::max(contentsRect().width() - 2 * margin(), 0);
  const QFontMetrics metrics = fontMetrics();
  QStringList lines = status_.split(QLatin1Char('\n'));
  for (QString& line : lines) line = metrics.elidedText(line, Qt::ElideRight, room);
  setText(lines.join(QLatin1Char('\n')));
}

}  // namespace fendrel
