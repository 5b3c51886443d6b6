#include "ui/status_line.h"

#include <QEvent>
#include <QFontMetrics>
#include <QStringList>
#include <algorithm>

namespace fendrel {

namespace {

constexpr int kLines = 3;

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
  // Each line of the status starts a line of its own and wraps at words; what
  // passes the last line that fits is cut with an ellipsis.
  const int room = std::max(contentsRect().width() - 2 * margin(), 1);
  const QFontMetrics metrics = fontMetrics();
  QStringList shown;
  for (const QString& line : status_.split(QLatin1Char('\n'))) {
    QString current;
    for (const QString& word : line.split(QLatin1Char(' '))) {
      const QString longer = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
      if (!current.isEmpty() && metrics.horizontalAdvance(longer) > room) {
        shown << current;
        current = word;
      } else {
        current = longer;
      }
    }
    shown << current;
  }
  if (shown.size() > kLines) {
    const QString rest = QStringList(shown.mid(kLines - 1)).join(QLatin1Char(' '));
    shown = shown.mid(0, kLines - 1);
    shown << rest;
  }
  for (QString& line : shown) line = metrics.elidedText(line, Qt::ElideRight, room);
  setText(shown.join(QLatin1Char('\n')));
}

}  // namespace fendrel
