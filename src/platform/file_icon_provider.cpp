#include "platform/file_icon_provider.h"

#include <QCoreApplication>
#include <QDir>
#include <QMimeDatabase>

namespace fendrel {

namespace {

bool IsRoot(const QFileInfo& info) { return QDir(info.absoluteFilePath()).isRoot(); }

}  // namespace

QIcon TFileIconProvider::icon(const QFileInfo& info) const {
  if (IsRoot(info)) return icon(Drive);
  if (info.isDir()) return icon(Folder);
  return icon(File);
}

QString TFileIconProvider::type(const QFileInfo& info) const {
  if (IsRoot(info)) return QCoreApplication::translate("QAbstractFileIconProvider", "Drive");
  if (info.isDir()) return QCoreApplication::translate("QAbstractFileIconProvider", "Folder");
  if (info.isSymLink() && !info.exists()) {
    return QCoreApplication::translate("QAbstractFileIconProvider", "Alias");
  }
  // Matched by the name's extension only, which never opens the file.
  const QMimeType mime =
      QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
  return mime.comment().isEmpty() ? mime.name() : mime.comment();
}

}  // namespace fendrel
