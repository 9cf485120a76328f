#include "report/report_pdf.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <functional>

#include "report/device_report.h"
#include "diagnostics/logic/baseline_figures.h"
#include "diagnostics/logic/baseline_overlay.h"

namespace velk {

namespace {

constexpr int kDotsPerInch = 300;
constexpr qreal kMarginMm = 15;

// Text laid out down A4 pages, a new page where the next piece does not fit.
class ReportPages {
 public:
  ReportPages(QPdfWriter& writer, QPainter& painter, QString footer)
      : writer_(writer), painter_(painter), footer_(std::move(footer)) {
    body_ = font(9);
    painter_.setFont(body_);
    lineHeight_ = QFontMetricsF(body_, &writer_).height() * 1.25;
  }

  qreal mm(qreal millimetres) const { return millimetres * kDotsPerInch / 25.4; }
  qreal width() const { return writer_.width(); }

  QFont font(qreal points, bool bold = false) const {
    QFont f("DejaVu Sans");
    f.setPointSizeF(points);
    f.setBold(bold);
    // No ligatures: "fi" stays two letters for whoever searches the text.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
  }

  void title(const QString& text) { block(font(16, true), text, mm(3)); }
  void heading(const QString& text) {
    room(lineHeight_ * 4);  // not alone at the foot of a page
    y_ += mm(4);
    block(font(12, true), text, mm(1.5));
  }
  void paragraph(const QString& text) { block(body_, text, mm(1)); }

  // Caption and value, one pair a line.
  void fields(const std::vector<std::pair<QString, QString>>& pairs) {
    for (const auto& [caption, value] : pairs) {
      room(lineHeight_);
      painter_.setFont(font(9, true));
      painter_.drawText(QRectF(0, y_, mm(45), lineHeight_), Qt::AlignLeft | Qt::AlignVCenter, caption);
      painter_.setFont(body_);
      painter_.drawText(QRectF(mm(45), y_, width() - mm(45), lineHeight_), Qt::AlignLeft | Qt::AlignVCenter,
                        elided(value, width() - mm(45)));
      y_ += lineHeight_;
    }
  }

  // Columns as shares of the width; a marked row is bold with "*" before it,
  // on a light shade. The header is repeated on each page.
  struct Row {
    QStringList cells;
    bool marked = false;
  };
  void table(const QStringList& header, const std::vector<qreal>& shares, const std::vector<Row>& rows) {
    auto draw = [&](const QStringList& cells, bool bold, bool shaded) {
      if (shaded) painter_.fillRect(QRectF(0, y_, width(), lineHeight_), QColor(225, 225, 225));
      painter_.setFont(font(9, bold));
      qreal x = 0;
      for (qsizetype i = 0; i < cells.size(); ++i) {
        const qreal w = width() * shares[std::size_t(i)];
        painter_.drawText(QRectF(x + mm(1), y_, w - mm(2), lineHeight_), Qt::AlignLeft | Qt::AlignVCenter,
                          elided(cells[i], w - mm(2)));
        x += w;
      }
      y_ += lineHeight_;
    };
    auto drawHeader = [&] {
      draw(header, true, false);
      painter_.setPen(QPen(Qt::black, mm(0.2)));
      painter_.drawLine(QPointF(0, y_), QPointF(width(), y_));
    };
    room(lineHeight_ * 2);
    drawHeader();
    for (const Row& row : rows) {
      if (room(lineHeight_)) drawHeader();
      QStringList cells = row.cells;
      cells[0] = (row.marked ? "* " : "   ") + cells[0];
      draw(cells, row.marked, row.marked);
    }
    y_ += mm(1);
  }

  // A drawing `height` tall across the page.
  void drawing(qreal height, const std::function<void(QPainter&, const QRectF&)>& draw) {
    room(height);
    painter_.setFont(body_);
    draw(painter_, QRectF(0, y_, width(), height));
    y_ += height + mm(2);
  }

  // What follows, up to `height`, starts on a new page unless it fits here.
  void keep(qreal height) { room(height); }

  void finish() { drawFooter(); }

 private:
  // A new page when `height` does not fit on this one; true when it was made.
  bool room(qreal height) {
    if (y_ + height <= writer_.height() - lineHeight_ * 1.5) return false;
    drawFooter();
    writer_.newPage();
    ++page_;
    y_ = 0;
    return true;
  }

  void block(const QFont& f, const QString& text, qreal after) {
    painter_.setFont(f);
    const QRectF bounds = painter_.boundingRect(QRectF(0, 0, width(), writer_.height()), Qt::TextWordWrap, text);
    room(bounds.height());
    painter_.drawText(QRectF(0, y_, width(), bounds.height()), Qt::TextWordWrap, text);
    y_ += bounds.height() + after;
    painter_.setFont(body_);
  }

  QString elided(const QString& text, qreal w) const {
    return QFontMetricsF(painter_.font(), &writer_).elidedText(text, Qt::ElideRight, w);
  }

  void drawFooter() {
    painter_.save();
    painter_.setFont(font(8));
    painter_.drawText(QRectF(0, writer_.height() - lineHeight_, width(), lineHeight_),
                      Qt::AlignRight | Qt::AlignVCenter, QString("%1   page %2").arg(footer_).arg(page_));
    painter_.restore();
  }

  QPdfWriter& writer_;
  QPainter& painter_;
  QString footer_;
  QFont body_;
  qreal lineHeight_ = 0;
  qreal y_ = 0;
  int page_ = 1;
};

QString localTime(const QDateTime& time) { return time.toLocalTime().toString("yyyy-MM-dd HH:mm"); }

QString madeBy(const HistoryRecord& r) {
  return QString("%1 by %2 on %3").arg(localTime(r.time), r.user, r.host);
}

QString deviceName(const DeviceReport& report) {
  if (!report.device) return report.deviceId ? QString("device %1").arg(*report.deviceId) : QString("no device");
  QString name = QString("%1 %2").arg(report.device->model).arg(report.device->deviceId);
  if (!report.device->tag.isEmpty()) name += "  " + report.device->tag;
  return name;
}

// The whole configuration is long: `appendix` writes it after the rest.
void writeConfigurations(ReportPages& pages, const DeviceReport& report,
                         std::function<void(ReportPages&)>& appendix) {
  pages.heading("Configuration as found and as left");
  if (report.asFound) pages.paragraph("As found: Read All of " + madeBy(*report.asFound) + ".");
  if (report.asLeft) {
    pages.paragraph("As left: Send All of " + madeBy(*report.asLeft) + ".");
    if (!report.asLeft->keysFailed.isEmpty())
      pages.paragraph("Not taken by the device: " + report.asLeft->keysFailed.join(", ") + ".");
  }
  if (report.comparison.empty()) {
    pages.paragraph("No configuration is recorded.");
    return;
  }
  const bool both = report.asFound && report.asLeft;
  const QStringList header{"Key", "As found", "As left"};
  const std::vector<qreal> shares{0.4, 0.3, 0.3};
  std::vector<ReportPages::Row> all, differing;
  for (const ComparedEntry& row : report.comparison) {
    ReportPages::Row line{{row.key, comparedValueText(row.left), comparedValueText(row.right)}, both && row.differs};
    if (line.marked) differing.push_back(line);
    all.push_back(std::move(line));
  }
  if (both) {
    pages.paragraph(QString("%1 of %2 values differ (marked *).").arg(differing.size()).arg(all.size()));
    if (!differing.empty()) pages.table(header, shares, differing);
  }
  appendix = [header, shares, all](ReportPages& later) {
    later.heading("All values as found and as left");
    later.table(header, shares, all);
  };
}

void writeCalibration(ReportPages& pages, const DeviceReport& report) {
  pages.heading("Last calibration");
  if (!report.calibrationRecord || !report.calibration) {
    pages.paragraph(report.calibrationRecord ? "Its record cannot be read." : "No calibration is recorded.");
    return;
  }
  const CalibrationRecord& c = *report.calibration;
  std::vector<std::pair<QString, QString>> fields{{"Done", madeBy(*report.calibrationRecord)},
                                                  {"Kind", c.kind},
                                                  {"Outcome", c.outcome}};
  for (const auto& [stage, status] : c.stages) fields.emplace_back(stage, status);
  const QString notRead = "not read back";
  fields.emplace_back("Tuned PID", QString("P %1, I %2, D %3")
                                       .arg(c.p.value_or(notRead), c.i.value_or(notRead), c.d.value_or(notRead)));
  pages.fields(fields);
}

void writeSignature(ReportPages& pages, const DeviceReport& report) {
  constexpr qreal kCurveHeightMm = 80;
  // The heading and its curve on one page.
  if (report.signature) pages.keep(pages.mm(kCurveHeightMm + 25));
  pages.heading("Last signature");
  if (!report.signatureRecord || !report.signature) {
    pages.paragraph(report.signatureRecord ? "Its record cannot be read." : "No signature is recorded.");
    return;
  }
  const HistoryValues& s = *report.signature;
  const auto failed = std::count_if(s.values.begin(), s.values.end(), [](const auto& v) { return !v; });
  QString text = s.title + ", uploaded " + madeBy(*report.signatureRecord) + ".";
  if (failed > 0) text += QString(" %1 values were not read (gaps in the curve).").arg(failed);
  const HistoryValues* baseline = report.baseline ? &*report.baseline : nullptr;
  const QString baselineName = baseline ? referenceName(report.baselineRecord->time, true) : QString();
  if (baseline) text += " Drawn over its baseline of " + madeBy(*report.baselineRecord) + ", dashed.";
  pages.paragraph(text);
  pages.drawing(pages.mm(kCurveHeightMm), [&](QPainter& painter, const QRectF& area) {
    drawDataSetOverReference(painter, area, s, baseline, baselineName);
  });
  const QStringList figures = baselineFigureLines(baselineFigures(s, baseline));
  if (!figures.isEmpty()) pages.paragraph(figures.join("; ") + ".");
}

void writeAlarms(ReportPages& pages, const DeviceReport& report) {
  pages.heading("Diagnostic alarms");
  if (!report.alarmsRecord) {
    pages.paragraph("No diagnostic alarms upload is recorded, or its record cannot be read.");
    return;
  }
  pages.paragraph("Uploaded " + madeBy(*report.alarmsRecord) + ".");
  pages.paragraph(report.activeAlarms.isEmpty() ? QString("No alarm is active.")
                                                : "Active: " + report.activeAlarms.join(", ") + ".");
  if (report.unreadAlarms > 0)
    pages.paragraph(QString("%1 alarms were not read (their block failed).").arg(report.unreadAlarms));
}

}  // namespace

QString writeReportPdf(const DeviceReport& report, const QString& path) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return file.errorString();
  {
    QPdfWriter writer(&file);
    writer.setTitle("As-found/as-left report: " + deviceName(report));
    writer.setCreator("Velk Configurator");
    writer.setResolution(kDotsPerInch);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&writer)) return "the PDF could not be started";
    ReportPages pages(writer, painter, "As-found/as-left report, " + deviceName(report));

    pages.title("As-found/as-left report");
    pages.paragraph(QString("Made %1 by %2 on %3, from the device history %4.")
                        .arg(report.made.toString("yyyy-MM-dd HH:mm t"), report.user, report.host, report.history));
    pages.heading("Device");
    if (report.identity.empty())
      pages.paragraph(report.deviceId ? QString("Device %1: nothing is recorded.").arg(*report.deviceId)
                                      : QString("No device is recorded."));
    else
      pages.fields(report.identity);
    if (!report.missing.isEmpty()) {
      pages.heading("Not in the device history");
      for (const QString& gap : report.missing) pages.paragraph("- " + gap);
    }
    if (report.device) {
      std::function<void(ReportPages&)> appendix;
      writeConfigurations(pages, report, appendix);
      writeCalibration(pages, report);
      writeSignature(pages, report);
      writeAlarms(pages, report);
      if (appendix) appendix(pages);
    }
    pages.finish();
    painter.end();
  }
  if (!file.commit()) return file.errorString();
  return {};
}

}  // namespace velk
