#pragma once
// Who answers on the loop, whatever kind of HART device it is: for `velk
// scan`, `velk raw` and `velk doctor --probe`, which need no positioner and
// so skip the connection's identity check.

#include <QList>
#include <QString>
#include <functional>

#include "cli/velk_session.h"
#include "comm/device_identity.h"

namespace velk::cli {

// `identified`: command 0's reply held the whole identity.
struct AnsweringDevice : DeviceIdentity {
  int handle = 0;  // the link's, for commands to this device
  QString tag;     // empty when command 13 was not answered
  // A Q5 or Q50, which this program configures.
  bool isPositioner() const;
};

// Runs `work` on the command thread with the port in use open, and shuts the
// link down after it. False, with the system's reason in `why`, when the
// port does not open.
bool withOpenPort(Session& session, QString& why,
                  const std::function<void(const JobContext&, Link::Transaction&)>& work);

// Detects the devices at polling addresses `first` to `last` and reads who
// each is; leaves the instrument handle at the last one found.
QList<AnsweringDevice> findDevices(Session& session, const JobContext& job, Link::Transaction& tx, int first,
                                   int last);

// "manufacturer 38, device type 17 at polling address 0".
QString describe(const AnsweringDevice& device);

}  // namespace velk::cli
