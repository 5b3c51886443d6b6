#pragma once

#include <QLabel>
#include <QString>
#include <string>

namespace fendrel {

// The status line: where the bands are and where the forecast lands, in up to
// three lines of text that always take the room of three, so that the
// window's client area keeps its height whatever they say. Each line of the
// status starts a line and wraps at words; what does not fit is cut with an
// ellipsis. The whole text is the tooltip, and a screen reader gets it whole
// as the line's name.
class TStatusLine : public QLabel {
 public:
  explicit TStatusLine(QWidget* parent = nullptr);

  // Lines are separated by line feeds.
  void SetStatus(const std::string& text);
  const QString& Status() const { return status_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Elide();

  QString status_;
};

}  // namespace fendrel
