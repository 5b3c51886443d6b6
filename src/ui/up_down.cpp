#include "ui/up_down.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

#include "platform/locale.h"

namespace fendrel {

namespace {

// A screen reader meets the spin as one control, named as its edit, whose
// value is the position; the arrows are its children.
class TUpDownAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit TUpDownAccessible(TUpDown* upDown) : QAccessibleWidget(upDown, QAccessible::SpinBox) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QString text(QAccessible::Text t) const override {
    const QLineEdit* edit = UpDown().Associate();
    if (t == QAccessible::Name && UpDown().accessibleName().isEmpty() && edit != nullptr) {
      return edit->accessibleName();
    }
    if (t == QAccessible::Value && edit != nullptr) return edit->text();
    return QAccessibleWidget::text(t);
  }

  QVariant currentValue() const override { return int{UpDown().Position()}; }
  // The position moves by the user's steps only, which the arrows take.
  void setCurrentValue(const QVariant& /*value*/) override {}
  QVariant maximumValue() const override { return int{UpDown().Max()}; }
  QVariant minimumValue() const override { return int{TUpDown::Min()}; }
  QVariant minimumStepSize() const override { return 1; }

 private:
  const TUpDown& UpDown() const { return static_cast<const TUpDown&>(*widget()); }
};

QAccessibleInterface* UpDownFactory(const QString& /*key*/, QObject* object) {
  if (auto* upDown = qobject_cast<TUpDown*>(object)) return new TUpDownAccessible(upDown);
  return nullptr;
}

}  // namespace

TUpDown::TUpDown(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
  setFocusPolicy(Qt::NoFocus);
  for (QToolButton* button : {up_, down_}) {
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRepeat(true);
  }
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  up_->setAccessibleName(QStringLiteral("Increase"));
  down_->setAccessibleName(QStringLiteral("Decrease"));
  static const bool accessible = [] {
    QAccessible::installFactory(&UpDownFactory);
    return true;
  }();
  (void)accessible;
  connect(up_, &QToolButton::clicked, this, [this] { Step(btNext); });
  connect(down_, &QToolButton::clicked, this, [this] { Step(btPrev); });
}

void TUpDown::SetAssociate(QLineEdit* edit) {
  if (associate_ != nullptr) associate_->removeEventFilter(this);
  associate_ = edit;
  if (associate_ != nullptr) {
    associate_->setReadOnly(true);
    // A file dropped on the edit goes to the window, which opens it.
    associate_->setAcceptDrops(false);
    associate_->installEventFilter(this);
  }
  RefreshText();
}

void TUpDown::SetMax(std::int16_t max) { max_ = std::max(max, Min()); }

void TUpDown::SetPosition(std::int16_t position) {
  position_ = std::clamp(position, Min(), max_);
  RefreshText();
}

bool TUpDown::Step(TUDBtnType button) {
  const int wanted = position_ + (button == btNext ? 1 : -1);
  const auto next = static_cast<std::int16_t>(std::clamp<int>(wanted, Min(), max_));
  if (next == position_) return false;
  position_ = next;
  RefreshText();
  emit Click(button);
  return true;
}

void TUpDown::RefreshText() {
  if (associate_ == nullptr) return;
  associate_->setText(PositionText(position_, ThousandsSeparator()));
  ShowFocusCue();
  if (QAccessible::isActive()) {
    QAccessibleValueChangeEvent event(this, int{position_});
    QAccessible::updateAccessibility(&event);
  }
}

void TUpDown::ShowFocusCue() {
  // A read-only edit shows no text cursor: while it has the focus its text
  // stays selected instead, as read-only edits on the desktop show it.
  if (associate_ != nullptr && associate_->hasFocus()) associate_->selectAll();
}

QString TUpDown::PositionText(std::int16_t position, const QString& thousands) {
  QString digits = QString::number(std::abs(static_cast<int>(position)));
  for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, thousands);
  if (position < 0) digits.prepend(QLatin1Char('-'));
  return digits;
}

bool TUpDown::eventFilter(QObject* watched, QEvent* event) {
  if (watched == associate_ &&
      (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonRelease)) {
    const bool handled = QWidget::eventFilter(watched, event);
    // After the edit's own handling, which may have moved the selection.
    QMetaObject::invokeMethod(this, &TUpDown::ShowFocusCue, Qt::QueuedConnection);
    return handled;
  }
  if (watched == associate_ && event->type() == QEvent::ShortcutOverride) {
    // The edit is read-only: of its Ctrl keys only copy and select-all do
    // anything, and the rest (the desktop's Ctrl+E to the line's end) must
    // not take the window's shortcuts away while it has the focus.
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers().testFlag(Qt::ControlModifier) && !key->matches(QKeySequence::Copy) &&
        !key->matches(QKeySequence::SelectAll)) {
      return true;
    }
  }
  if (watched == associate_ && event->type() == QEvent::KeyPress && isEnabled()) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      Step(key == Qt::Key_Up ? btNext : btPrev);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TUpDown::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int half = height() / 2;
  up_->setGeometry(0, 0, width(), half);
  down_->setGeometry(0, half, width(), height() - half);
}

}  // namespace fendrel
