#pragma once
// Writing a file that is either whole or not written at all: no write
// failure goes unseen, and a file that exists is replaced only by a complete
// new one (written beside it and renamed over it at commit). A device or a
// pipe (/dev/stdout, a FIFO) is no file to rename over: it is written
// directly, each write checked.

#include <QByteArray>
#include <QString>
#include <memory>

class QFileDevice;

namespace velk {

class FileReplacement {
 public:
  explicit FileReplacement(QString path);
  // Without a commit the file stays as it was.
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  bool open();
  // Also flushes, so that a full disk shows at the write that met it.
  bool write(const QByteArray& bytes);
  // Puts the new file in place; false when it is not complete.
  bool commit();

  // Why the file is not written ("No space left on device"); empty while nothing failed.
  const QString& reason() const { return reason_; }

 private:
  bool fail();

  QString path_;
  std::unique_ptr<QFileDevice> file_;
  bool direct_ = false;
  QString reason_;
};

// The whole file at once; the reason it is not written, or nothing.
QString replaceFile(const QString& path, const QByteArray& bytes);

}  // namespace velk
