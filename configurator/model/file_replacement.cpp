#include "model/file_replacement.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace velk {

FileReplacement::FileReplacement(QString path) : path_(std::move(path)) {}

FileReplacement::~FileReplacement() = default;

bool FileReplacement::fail() {
  if (reason_.isEmpty()) reason_ = file_->errorString();
  // Qt has no text for some failures; the file is not written all the same.
  if (reason_.isEmpty()) reason_ = QStringLiteral("write error");
  if (file_ && !direct_) static_cast<QSaveFile*>(file_.get())->cancelWriting();
  return false;
}

bool FileReplacement::open() {
  const QFileInfo info(path_);
  // Renaming over a device would put a plain file in its place (as root, even
  // over /dev/null).
  direct_ = info.exists() && !info.isFile() && !info.isDir();
  if (direct_)
    file_ = std::make_unique<QFile>(path_);
  else
    file_ = std::make_unique<QSaveFile>(path_);
  return file_->open(QIODevice::WriteOnly) || fail();
}

bool FileReplacement::write(const QByteArray& bytes) {
  if (!file_ || !reason_.isEmpty()) return false;
  return (file_->write(bytes) == bytes.size() && file_->flush()) || fail();
}

bool FileReplacement::commit() {
  if (!file_ || !reason_.isEmpty()) return false;
  if (!direct_) return static_cast<QSaveFile*>(file_.get())->commit() || fail();
  if (!file_->flush()) return fail();
  file_->close();
  return file_->error() == QFileDevice::NoError || fail();
}

QString replaceFile(const QString& path, const QByteArray& bytes) {
  FileReplacement file(path);
  if (file.open() && file.write(bytes)) file.commit();
  return file.reason();
}

}  // namespace velk
