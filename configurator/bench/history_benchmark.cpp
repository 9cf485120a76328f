// Times the device history holding a plant's records: 1,000 devices with
// 100 records each (a configuration apiece, the kinds mixed as on a site) in
// an SQLite file. Prints what writing one more record takes, what the DB
// page's lists and its models take, and `velk history list --device` as a
// technician runs it.
//
//   history_benchmark [FOLDER]    (default: a temporary folder)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

#include "files/db_model.h"
#include "files/db_operations.h"
#include "history/history_store.h"

namespace {

using namespace velk;

constexpr int kDevices = 1000;
constexpr int kRecordsEach = 100;

struct Figures {
  double median = 0;
  double max = 0;
};

Figures timed(int runs, const std::function<void()>& work) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer clock;
    clock.start();
    work();
    ms.push_back(double(clock.nsecsElapsed()) / 1e6);
  }
  std::sort(ms.begin(), ms.end());
  return {ms[ms.size() / 2], ms.back()};
}

void print(const char* what, const Figures& f, const char* goal) {
  std::printf("%-58s median %8.2f ms   max %8.2f ms   (goal: %s)\n", what, f.median, f.max, goal);
}

// The kinds of a device's 100 records, as a site makes them.
HistoryKind kindOf(int i) {
  static const std::pair<HistoryKind, int> mix[] = {
      {HistoryKind::Read, 40},  {HistoryKind::Send, 20},   {HistoryKind::Save, 10},
      {HistoryKind::Signature, 10}, {HistoryKind::Trend, 10}, {HistoryKind::Alarms, 5},
      {HistoryKind::EventLog, 3}, {HistoryKind::Calibration, 2}};
  for (const auto& [kind, share] : mix) {
    if (i < share) return kind;
    i -= share;
  }
  return HistoryKind::Read;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QTemporaryDir temporary;
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
  const QString file = folder + "/history-benchmark.sqlite";
  for (const char* suffix : {"", "-wal", "-shm"}) QFile::remove(file + suffix);
  QFile demo(DEMO_CONFIGURATION);
  if (!demo.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "history_benchmark: cannot read %s\n", DEMO_CONFIGURATION);
    return 1;
  }
  const QByteArray configuration = demo.readAll();
  const HistoryLocation location{file, {}, {}};

  std::printf("Filling %s with %d devices x %d records (%lld bytes of configuration each)...\n",
              qPrintable(file), kDevices, kRecordsEach, static_cast<long long>(configuration.size()));
  QElapsedTimer fill;
  fill.start();
  {
    HistoryStore store(location);
    if (!store.available()) {
      std::fprintf(stderr, "history_benchmark: %s\n", qPrintable(store.problem()));
      return 1;
    }
    const QDateTime start = QDateTime::currentDateTimeUtc().addYears(-2);
    for (int device = 0; device < kDevices; ++device) {
      std::vector<HistoryRecord> records;
      for (int i = 0; i < kRecordsEach; ++i) {
        // The kinds interleaved in time, as work on a valve goes.
        HistoryRecord r = newHistoryRecord(kindOf(i * 37 % kRecordsEach), {"Q5", 101, 100000 + device, {}, QString("FV-%1").arg(device), {}},
                                           configuration);
        // Spread over two years, the devices' records interleaved.
        r.time = start.addSecs(qint64(i) * 630000 + device * 600);
        records.push_back(std::move(r));
      }
      const HistoryWriteResult written = store.write(records);
      if (!written.stored) {
        std::fprintf(stderr, "history_benchmark: %s\n", qPrintable(written.message));
        return 1;
      }
    }
  }
  std::printf("  filled in %.1f s, %.0f MB\n\n", double(fill.elapsed()) / 1000,
              double(QFileInfo(file).size()) / 1e6);

  HistoryStore store(location);
  print("Open the store (100,000 records)", timed(10, [&] { HistoryStore again(location); }), "-");
  int written = 0;
  print("Write one record (a Read All's configuration)", timed(50, [&] {
          HistoryRecord r =
              newHistoryRecord(HistoryKind::Read, {"Q5", 101, 100500, {}, "FV-500", {}}, configuration);
          if (store.write(r).stored) ++written;
        }),
        "under 20 ms");
  if (written != 50) std::printf("  only %d of 50 writes stored\n", written);

  HistoryFilter configurationsOfOne;
  configurationsOfOne.deviceId = 100500;
  configurationsOfOne.kinds = {HistoryKind::Read, HistoryKind::Send, HistoryKind::Save};
  HistoryFilter trendsOfAll;
  trendsOfAll.kinds = {HistoryKind::Trend};
  HistoryFilter logsOfAll;
  logsOfAll.kinds = {HistoryKind::EventLog, HistoryKind::Alarms, HistoryKind::Calibration};
  const struct {
    const char* what;
    HistoryFilter filter;
  } lists[] = {
      {"DB page list: one device's configurations, 100 rows", configurationsOfOne},
      {"DB page list: every device's trends, 100 rows", trendsOfAll},
      {"DB page list: every device's logs, 100 rows", logsOfAll},
      {"DB page list: every record, 100 rows", {}},
  };
  for (const auto& list : lists)
    print(list.what, timed(20, [&] { store.list(list.filter, 0, 100); }), "under 200 ms");
  // The page as it opens: its four models read on the page's reader, a
  // screen of each shown once its answers are in.
  DbReader reader(location);
  const auto pageOpens = [&](std::optional<qint64> device, HistoryGrouping grouping) {
    return timed(10, [&] {
      std::vector<std::unique_ptr<HistoryListModel>> models;
      for (DbList which : kDbLists) {
        auto& model = *models.emplace_back(std::make_unique<HistoryListModel>(dbListKinds(which)));
        model.setReader(&reader);
        HistoryFilter filter;
        filter.deviceId = device;
        model.setFilter(filter);
        if (dbListGrouped(which)) model.setGrouping(grouping);
        model.reload();
      }
      const auto shown = [&] {
        for (const auto& model : models) {
          if (model->reading()) return false;
          for (int row = 0; row < std::min(30, model->rowCount()); ++row)
            if (model->index(row).data().toString() == "...") return false;
        }
        return true;
      };
      while (!shown()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    });
  };
  print("DB page opens: one device's four lists, by week", pageOpens(100500, HistoryGrouping::Week),
        "under 200 ms");
  print("DB page opens: every device's four lists, by week", pageOpens(std::nullopt, HistoryGrouping::Week),
        "under 200 ms");
  print("DB page opens: every device's four lists, by day", pageOpens(std::nullopt, HistoryGrouping::Day),
        "under 200 ms");
  print("Count of one device's configurations", timed(20, [&] { store.count(configurationsOfOne); }),
        "under 200 ms");
  print("Device chooser: every device once", timed(5, [&] { store.devices(); }), "under 200 ms");

  const Figures velk = timed(5, [&] {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VELK_HISTORY", file);
    process.setProcessEnvironment(environment);
    process.start(VELK_PATH, {"history", "list", "--device", "100500"});
    process.waitForFinished(60000);
    if (process.exitCode() != 0 || process.readAllStandardOutput().count('\n') != kRecordsEach + written)
      std::printf("  velk history list --device failed: %s\n", process.readAllStandardError().constData());
  });
  print("velk history list --device (the whole program run)", velk, "under 200 ms");
  return 0;
}
