#include "model/program_paths.h"

#include <QStandardPaths>

namespace velk {

ProgramPaths ProgramPaths::standard() {
  return {QString(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)};
}

QString ProgramPaths::configurationsFolder() const { return programFolder + "/configurations/"; }
QString ProgramPaths::graphsFolder() const { return programFolder + "/graphs/"; }
QString ProgramPaths::readmeFile() const { return programFolder + "/readme.txt"; }

}  // namespace velk
