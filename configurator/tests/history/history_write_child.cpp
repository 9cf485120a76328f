// history_write_child FILE COUNT DEVICE: writes COUNT records of device
// DEVICE to the SQLite store FILE (COUNT 0: until killed), printing each id
// on a line of its own once its write has returned.

#include <QCoreApplication>
#include <cstdio>

#include "history/history_store.h"

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: history_write_child FILE COUNT DEVICE\n");
    return 2;
  }
  velk::HistoryLocation location;
  location.localFile = QString::fromLocal8Bit(argv[1]);
  const long count = std::strtol(argv[2], nullptr, 10);
  velk::HistoryDevice device;
  device.model = "Q5";
  device.deviceId = std::strtoll(argv[3], nullptr, 10);
  velk::HistoryStore store(location);
  if (!store.available()) {
    std::fprintf(stderr, "%s\n", qPrintable(store.problem()));
    return 1;
  }
  // A configuration's size, so that a kill often lands inside a write.
  const QByteArray payload(6000, 'x');
  for (long i = 0; count == 0 || i < count; ++i) {
    const velk::HistoryRecord record = velk::newHistoryRecord(velk::HistoryKind::Read, device, payload);
    const velk::HistoryWriteResult result = store.write(record);
    if (!result.stored) {
      std::fprintf(stderr, "%s\n", qPrintable(result.message));
      return 1;
    }
    std::printf("%s\n", qPrintable(velk::historyIdText(record.id)));
    std::fflush(stdout);
  }
  return 0;
}
