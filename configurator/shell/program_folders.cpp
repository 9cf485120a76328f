#include "shell/program_folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace velk {

namespace {

constexpr const char* kSubfolders[] = {"trends", "logs", "configurations", "signatures", "graphs"};

}  // namespace

void createProgramFolders(const ProgramPaths& paths) {
  QDir().mkpath(paths.programFolder);
  for (const char* subfolder : kSubfolders) QDir(paths.programFolder).mkdir(subfolder);
}

void installReadme(const ProgramPaths& paths, const QString& shippedReadme) {
  const QFileInfo shipped(shippedReadme);
  const QFileInfo installed(paths.readmeFile());
  if (!shipped.exists()) return;
  // A newer program brings a newer readme.
  if (installed.exists() && installed.lastModified() >= shipped.lastModified()) return;
  QFile::remove(installed.filePath());
  QFile::copy(shipped.filePath(), installed.filePath());
}

}  // namespace velk
