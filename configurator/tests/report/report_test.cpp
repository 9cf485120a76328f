// The as-found/as-left report as a technician reads it: velk report's PDF,
// its text extracted, from records written into a history the way the pages
// write them.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "history/calibration_record.h"
#include "history/history_store.h"
#include "history/history_values.h"
#include "support/pdf_text.h"
#include "support/velk_console.h"

namespace velk::cli {
namespace {

QByteArray demo() {
  QFile file(DEMO_CONFIGURATION);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  return file.readAll();
}

class ReportTest : public ::testing::Test {
 protected:
  ReportTest() {
    qputenv("XDG_DATA_HOME", dir_.filePath("data").toLocal8Bit());
    qputenv("VELK_HISTORY", dir_.filePath("history.sqlite").toLocal8Bit());
  }
  ~ReportTest() override {
    qunsetenv("VELK_HISTORY");
    qunsetenv("XDG_DATA_HOME");
  }

  HistoryRecord store(HistoryKind kind, int minute, const QByteArray& payload) {
    HistoryRecord r = newHistoryRecord(kind, {"Q5", 101, 41411, "a6a1000a1b", "FV-101", "FEED PUMP"}, payload);
    r.time = QDateTime(QDate(2026, 3, 18), QTime(14, minute), Qt::UTC);
    EXPECT_TRUE(history().write(r).stored);
    return r;
  }
  HistoryStore history() { return HistoryStore(HistoryLocation{dir_.filePath("history.sqlite"), {}, {}}); }

  QTemporaryDir dir_;
  VelkConsole console_;
};

TEST_F(ReportTest, HoldsTheIdentityTheChangedValuesTheCalibrationSignatureAndAlarms) {
  VELK_SKIP_WITHOUT_PDFTOTEXT();
  QByteArray asFound = demo();
  asFound.replace("HART TAG \r\n", "HART TAG FV-101\r\n");
  QByteArray asLeft = asFound;
  asLeft.replace("STROKE LENGTH 30", "STROKE LENGTH 70");
  asLeft.replace("DEAD BAND 0.5", "DEAD BAND 1.25");
  QByteArray readAfterwards = asLeft;
  readAfterwards.replace("STROKE LENGTH 70", "STROKE LENGTH 99");
  std::vector<std::optional<std::int32_t>> alarms(86, 0);
  alarms[1] = 1;
  alarms[6] = 1;
  alarms[40] = std::nullopt;

  // The baseline: the same ramp 100 lower at every point.
  const HistoryRecord baseline =
      store(HistoryKind::Signature, 0, historyValuesText({"Ramp signature", {0, 300, 500, 800, 1500}}));
  EXPECT_TRUE(history().setBaseline(baseline).marked);
  store(HistoryKind::Read, 1, "not this one: an older Read All");
  store(HistoryKind::Read, 2, asFound);
  store(HistoryKind::Calibration, 3,
        calibrationRecordText({"Autocalibration", "Calibration complete", {{"Tune", "Tune Done"}}, "120", "40", "8"}));
  store(HistoryKind::Signature, 4, historyValuesText({"Ramp signature", {100, 400, std::nullopt, 900, 1600}}));
  store(HistoryKind::Alarms, 5, historyValuesText({"Diagnostic alarms", alarms}));
  store(HistoryKind::Send, 6, asLeft);
  // After the Send All: as found is the read before it, not this one.
  store(HistoryKind::Read, 7, readAfterwards);

  const QString pdf = dir_.filePath("FV-101.pdf");
  ASSERT_EQ(console_.run({"report", "--device", "41411", "-o", pdf}), kSuccess) << console_.err.toStdString();
  const QString text = pdfText(pdf);
  const char* expected[] = {
      R"(Tag\s+FV-101)",
      R"(Device ID\s+41411)",
      R"(Descriptor\s+FEED PUMP)",
      R"(Long address\s+a6a1000a1b)",
      R"(Message\s+VELK VALVE POSITIONER)",
      R"(2 of \d+ values differ)",
      R"(\* STROKE LENGTH\s+30\s+70)",
      R"(\* DEAD BAND\s+0.5\s+1.25)",
      R"(\n\s+HART TAG\s+FV-101\s+FV-101)",
      R"(Outcome\s+Calibration complete)",
      R"(Tuned PID\s+P 120, I 40, D 8)",
      R"(Ramp signature, uploaded .* 1 values were not read)",
      R"(Drawn[\s\S]{0,200}over its baseline of)",
      R"(Baseline mean: 6\d\d)",
      R"(Active: Deviation alarm, Temperature alarm\.)",
      R"(1 alarms were not read)",
  };
  for (const char* pattern : expected)
    EXPECT_TRUE(text.contains(QRegularExpression(pattern))) << pattern << "\n" << text.toStdString();
  EXPECT_FALSE(text.contains(QRegularExpression(R"(STROKE LENGTH\s+\S+\s+99|Not in the device history)"))) << text.toStdString();
}

TEST_F(ReportTest, ADeviceWithoutRecordsGetsAReportThatSaysSoAFileThatCannotBeWrittenFails) {
  VELK_SKIP_WITHOUT_PDFTOTEXT();
  store(HistoryKind::Read, 1, demo());
  const QString pdf = dir_.filePath("none.pdf");
  ASSERT_EQ(console_.run({"report", "--device", "7", "-o", pdf}), kSuccess) << console_.err.toStdString();
  EXPECT_TRUE(pdfText(pdf).contains("The device history holds no record of the device 7."));

  // Without --device: the newest record's device, with what it lacks.
  ASSERT_EQ(console_.run({"report", "-o", pdf}), kSuccess);
  const QString text = pdfText(pdf);
  for (const char* gap : {"No Send All is recorded", "No calibration is recorded.", "No signature is recorded."})
    EXPECT_TRUE(text.contains(gap)) << gap << "\n" << text.toStdString();

  EXPECT_EQ(console_.run({"report", "-o", dir_.filePath("no-such-folder/r.pdf")}), kFailed);
  EXPECT_TRUE(console_.err.startsWith("velk: could not write ")) << console_.err.toStdString();
}

}  // namespace
}  // namespace velk::cli
