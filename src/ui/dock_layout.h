#pragma once

#include <QLayout>
#include <memory>
#include <vector>

namespace fendrel {

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// Places a parent's controls by docking: top, bottom, left and right controls
// in that order (each edge in the order they were added) fill the remaining
// area along their edge with their own extent (height for top and bottom,
// width for left and right), and the client control takes what remains. Undocked controls keep
// their own geometry; hidden controls take no room.
class TDockLayout : public QLayout {
 public:
  explicit TDockLayout(QWidget* parent, const QMargins& margins = QMargins());
  ~TDockLayout() override;

  // The control's current width or height becomes its extent.
  void AddControl(QWidget* control, TAlign align);
  int Extent(const QWidget* control) const;
  void SetExtent(const QWidget* control, int extent);

  void addItem(QLayoutItem* item) override;
  int count() const override;
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  QSize sizeHint() const override;
  QSize minimumSize() const override;
  void setGeometry(const QRect& rect) override;

 private:
  struct TDocked {
    std::unique_ptr<QLayoutItem> item;
    TAlign align = alNone;
    int extent = 0;
  };
  const TDocked* Find(const QWidget* control) const;
  static void Place(const TDocked& docked, int& left, int& top, int& right, int& bottom);

  std::vector<TDocked> items_;
};

}  // namespace fendrel
