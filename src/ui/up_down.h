#pragma once

#include <QWidget>
#include <cstdint>

class QLineEdit;
class QToolButton;

namespace fendrel {

enum TUDBtnType { btNext, btPrev };

// A spin button bound to a read-only edit that always shows its position.
// The position is a 16-bit signed integer from 0 to Max; a user step (an arrow
// click, or Up/Down while the edit has the focus) moves it by one without
// wrapping, and Click is emitted only when a step changed it. Setting the
// position or the maximum from the program emits nothing.
class TUpDown : public QWidget {
  Q_OBJECT

 public:
  explicit TUpDown(QWidget* parent = nullptr);

  QLineEdit* Associate() const { return associate_; }
  void SetAssociate(QLineEdit* edit);

  static constexpr std::int16_t Min() { return 0; }
  std::int16_t Max() const { return max_; }
  // Does not move the position, even when it now lies above the maximum.
  void SetMax(std::int16_t max);
  std::int16_t Position() const { return position_; }
  void SetPosition(std::int16_t position);

  // One user step; returns whether it changed the position.
  bool Step(TUDBtnType button);

  // Shows the position again, e.g. after the thousands separator changed.
  void RefreshText();

  // The position as a decimal integer with the thousands separator from
  // 1,000 on.
  static QString PositionText(std::int16_t position, const QString& thousands);

  QToolButton* UpButton() const { return up_; }
  QToolButton* DownButton() const { return down_; }

 signals:
  void Click(fendrel::TUDBtnType button);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowFocusCue();

  QLineEdit* associate_ = nullptr;
  QToolButton* up_;
  QToolButton* down_;
  std::int16_t max_ = 100;
  std::int16_t position_ = 0;
};

}  // namespace fendrel
