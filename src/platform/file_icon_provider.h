#pragma once

#include <QFileIconProvider>

namespace fendrel {

// Icons and type names for the file dialogs, told from a file's name and
// kind only. Qt's own provider reads a file whose name says nothing to guess
// its type; reading a special file such as /proc/kmsg can block for ever.
class TFileIconProvider : public QFileIconProvider {
 public:
  using QFileIconProvider::icon;
  QIcon icon(const QFileInfo& info) const override;
  QString type(const QFileInfo& info) const override;
};

}  // namespace fendrel
