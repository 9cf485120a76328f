#pragma once
// The as-found/as-left report as a PDF: A4 pages a technician prints or
// files, readable in black and white (differences marked by a sign and bold
// type, not only by a shade).

#include <QString>

namespace velk {

struct DeviceReport;

// Writes `report` to `path`, whole or not at all: an earlier file of that
// name stays as it was when writing fails. Empty when written, else why not.
// Needs a QGuiApplication (fonts).
QString writeReportPdf(const DeviceReport& report, const QString& path);

}  // namespace velk
