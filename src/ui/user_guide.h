#pragma once

#include <QDialog>

class QTextBrowser;

namespace fendrel {

// The user guide: one page of the program's own, read from its resources,
// in a window beside the main one. It needs no network and no browser.
class TUserGuide : public QDialog {
 public:
  explicit TUserGuide(QWidget* parent = nullptr);

  // Where the page lives among the resources.
  static const char* PageUrl();
  QTextBrowser* Browser() const { return browser_; }

 private:
  QTextBrowser* browser_ = nullptr;
};

}  // namespace fendrel
