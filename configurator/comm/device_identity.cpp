#include "comm/device_identity.h"

#include "comm/hart_link.h"

namespace velk {

DeviceIdentity decodeIdentity(HartLink& reply, int pollingAddress) {
  DeviceIdentity identity;
  identity.pollingAddress = pollingAddress;
  identity.identified = true;
  identity.manufacturer = reply.GetInteger(1, 1);
  identity.deviceType = reply.GetInteger(2, 1);
  identity.universalRevision = reply.GetInteger(4, 1);
  identity.specificRevision = reply.GetInteger(5, 1);
  identity.softwareRevision = reply.GetInteger(6, 1);
  identity.hardwareRevision = reply.GetInteger(7, 1) >> 3;
  identity.deviceId = reply.GetInteger(9, 3);
  return identity;
}

QString longAddressText(const DeviceIdentity& identity) {
  const unsigned first = identity.manufacturer & 0x3F;
  return QString("%1%2%3")
      .arg(first, 2, 16, QChar('0'))
      .arg(identity.deviceType & 0xFF, 2, 16, QChar('0'))
      .arg(identity.deviceId & 0xFFFFFF, 6, 16, QChar('0'))
      .toUpper();
}

}  // namespace velk
