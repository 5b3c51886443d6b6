#include "ui/user_guide.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace fendrel {

TUserGuide::TUserGuide(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("UserGuide"));
  setWindowTitle(QStringLiteral("Fendrel User Guide"));
  // A window of its own, which the main window does not wait for.
  setModal(false);
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("GuideText"));
  browser_->setAccessibleName(QStringLiteral("User Guide"));
  browser_->setOpenExternalLinks(false);
  browser_->setSource(QUrl(QString::fromLatin1(PageUrl())));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(browser_);
  layout->addWidget(buttons);
  resize(840, 680);
}

const char* TUserGuide::PageUrl() { return "qrc:/fendrel/guide/index.html"; }

}  // namespace fendrel
