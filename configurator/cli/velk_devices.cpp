#include "cli/velk_devices.h"

#include <cerrno>

#include "comm/connection.h"
#include "comm/device_commands.h"
#include "comm/page_module.h"

namespace velk::cli {

namespace {

constexpr int kPackedTagBytes = 6;

// Command 0's identity, read only from bytes that arrived (a short reply is
// a failed command).
void readIdentity(const JobContext& job, Link::Transaction& tx, AnsweringDevice& device) {
  if (!job.ExecuteCommand(tx, kReadIdentifier, 0, kIdentifierBytes)) return;
  static_cast<DeviceIdentity&>(device) = decodeIdentity(tx.api(), device.pollingAddress);
  if (job.ExecuteCommand(tx, kReadTagDescriptorDate, 0, kPackedTagBytes))
    device.tag = QString::fromStdString(tx->GetString(0, kPackedTagBytes)).trimmed();
}

}  // namespace

bool AnsweringDevice::isPositioner() const {
  return identified && manufacturer == kManufacturer && deviceType == kPositionerDeviceType;
}

bool withOpenPort(Session& session, QString& why,
                  const std::function<void(const JobContext&, Link::Transaction&)>& work) {
  bool opened = false;
  session.run("open port", [&](const JobContext& job) {
    auto tx = job.transaction();
    try {
      errno = 0;
      tx->InitHart(job.window.ComPort.load());
      const int reason = errno;
      opened = tx->GetErrorCode() == 0;
      if (!opened) why = portOpenFailure(tx->GetErrorMessage(), reason);
    } catch (const LinkLibraryError& failure) {
      why = QString::fromLocal8Bit(failure.what());
    }
    if (!opened) return;
    work(job, tx);
    tx->ShutDownHart();
  });
  session.progress({});
  return opened;
}

QList<AnsweringDevice> findDevices(Session& session, const JobContext& job, Link::Transaction& tx, int first,
                                   int last) {
  QList<AnsweringDevice> devices;
  for (int address = first; address <= last; ++address) {
    session.progress(QString("Asking polling address %1...").arg(address));
    const int handle = tx->DetectInstrumentWithShortAddress(address);
    if (handle == 0) continue;
    tx->SetPollingAddress(handle, address);
    job.window.InstrumentHandle.store(handle);
    AnsweringDevice device;
    device.pollingAddress = address;
    device.handle = handle;
    readIdentity(job, tx, device);
    devices.append(device);
  }
  return devices;
}

QString describe(const AnsweringDevice& device) {
  if (!device.identified)
    return QString("a device that did not say who it is at polling address %1").arg(device.pollingAddress);
  return QString("manufacturer %1, device type %2 at polling address %3")
      .arg(device.manufacturer)
      .arg(device.deviceType)
      .arg(device.pollingAddress);
}

}  // namespace velk::cli
