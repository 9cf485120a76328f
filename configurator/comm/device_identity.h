#pragma once
// What command 0 says about a device, decoded in one place for the search,
// the READ page and `velk devices`.

#include <QString>

namespace velk {

class HartLink;

// The data bytes of command 0's reply the program decodes: up to the device ID.
inline constexpr int kIdentifierBytes = 12;

// What command 0 told about the device the search found.
struct DeviceIdentity {
  int pollingAddress = 0;
  bool identified = false;  // command 0 was answered; the numbers below are from it
  unsigned manufacturer = 0;
  unsigned deviceType = 0;
  unsigned universalRevision = 0;
  unsigned specificRevision = 0;
  unsigned softwareRevision = 0;
  unsigned hardwareRevision = 0;  // the upper five bits of its byte
  unsigned deviceId = 0;
};

// The numbers of an answered command 0 (its kIdentifierBytes data bytes were
// there) from the device at `pollingAddress`.
DeviceIdentity decodeIdentity(HartLink& reply, int pollingAddress);

// The device's 5-byte unique address, as long frames carry it, in
// hexadecimal: the low six bits of reply byte 1, byte 2, and the device ID.
// (Bytes 1 and 2 are the manufacturer and device type, or from revision 7 on
// the expanded device type: the same bytes either way.)
QString longAddressText(const DeviceIdentity& identity);

}  // namespace velk
